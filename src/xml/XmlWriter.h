#pragma once
// The output side of the XML library: a chunked buffer over a target stream,
// and the writer that converts UTF-8 text to the document's encoding.

#include <cstdint>
#include <cstring>
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
  // target stores fewer bytes than a chunk. Inline for the pieces a save is
  // made of: a bracket, a name, a short text.
  void WriteRaw(const char* buffer, size_t count) {
    if (count >= FChunkSize - FRawPosition) return WriteRawFilling(buffer, count);
    char* out = FRawBuffer.data() + FRawPosition;
    FRawPosition += count;
    // Up to 16 bytes in two overlapping moves of a fixed size each, which
    // compile to plain loads and stores.
    if (count >= 8 && count <= 16) {
      std::memcpy(out, buffer, 8);
      std::memcpy(out + count - 8, buffer + count - 8, 8);
    } else if (count >= 4 && count < 8) {
      std::memcpy(out, buffer, 4);
      std::memcpy(out + count - 4, buffer + count - 4, 4);
    } else if (count < 4) {
      for (size_t i = 0; i < count; ++i) out[i] = buffer[i];
    } else {
      std::memcpy(out, buffer, count);
    }
  }
  // Sends the bytes still waiting.
  void Flush();

 private:
  // WriteRaw of bytes that fill the chunk.
  void WriteRawFilling(const char* buffer, size_t count);
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
  void Write(std::string_view text) {
    if (FEncoding == seUTF8) return WriteRaw(text.data(), text.size());
    WriteConverted(text);
  }

 private:
  // Write for every encoding but UTF-8, which Write passes on itself.
  void WriteConverted(std::string_view text);
  void WriteUtf16(std::string_view text, bool bigEndian);
  void WriteAnsi(std::string_view text);

  const TXmlDocument& FOwner;  // receives diagnostics
  std::string FConvertBuffer;  // grows to the largest piece, reused
  TXmlStringEncoding FEncoding = seUTF8;
  int32_t FCodePage = 0;
};
