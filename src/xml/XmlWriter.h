#pragma once
// The output side of the XML library: a chunked buffer over a target stream,
// and the writer that converts UTF-8 text to the document's encoding.

#include <cstdint>
#include <string>
#include <string_view>

#include "system/Stream.h"
#include "xml/XmlTypes.h"

class TXmlDocument;

// Collects bytes and passes them to the target stream a whole chunk at a time.
class TXmlBufferWriter {
 public:
  TXmlBufferWriter(sys::TStream& source, int32_t chunkSize);
  virtual ~TXmlBufferWriter() = default;
  TXmlBufferWriter(const TXmlBufferWriter&) = delete;
  TXmlBufferWriter& operator=(const TXmlBufferWriter&) = delete;

  // Buffers bytes unconverted. Throws EXmlError "Stream write error" when the
  // target stores fewer bytes than a chunk.
  void WriteRaw(const char* buffer, size_t count);
  // Sends the bytes still waiting.
  void Flush();

 private:
  void SendChunk(size_t count);

  sys::TStream* FSource;  // not owned
  size_t FChunkSize;
  std::string FRawBuffer;
  size_t FRawPosition = 0;
};

class TXmlWriter : public TXmlBufferWriter {
 public:
  TXmlWriter(const TXmlDocument& owner, sys::TStream& source, int32_t chunkSize);

  void SetEncoding(TXmlStringEncoding encoding) { FEncoding = encoding; }
  void SetCodePage(int32_t codePage) { FCodePage = codePage; }

  // Converts a piece of UTF-8 text to the output encoding and buffers it.
  void Write(std::string_view text);

 private:
  void WriteUtf16(std::string_view text, bool bigEndian);
  void WriteAnsi(std::string_view text);

  const TXmlDocument& FOwner;  // receives diagnostics
  std::string FConvertBuffer;  // grows to the largest piece, reused
  TXmlStringEncoding FEncoding = seUTF8;
  int32_t FCodePage = 0;
};
