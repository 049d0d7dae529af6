#pragma once
// An XML document in memory: the top-level nodes, the string table of every
// name and text, and the settings that reading and writing follow. Names and
// texts are UTF-8 throughout.

#include <cstdint>
#include <memory>
#include <string>

#include "system/Stream.h"
#include "xml/XmlDebug.h"
#include "xml/XmlMarkup.h"
#include "xml/XmlNode.h"
#include "xml/XmlStringTable.h"
#include "xml/XmlTypes.h"

class TXmlDocument : public TDebugComponent {
 public:
  // An unnamed root element and no declaration.
  static std::unique_ptr<TXmlDocument> Create();
  // A declaration (version "1.0", encoding "UTF-8") and a root element named rootName.
  static std::unique_ptr<TXmlDocument> CreateName(const std::string& rootName);
  // Every setting at its default, then a declaration and an unnamed root element as asked.
  static std::unique_ptr<TXmlDocument> CreateEx(bool hasDeclaration, bool hasRootElement);

  ~TXmlDocument();
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  // Destroys every node and string, and restores the output settings
  // (IndentString, PreserveWhiteSpace, ExternalEncoding, NodeClosingStyle,
  // DirectCloseTag, XmlFormat, EolStyle, WriteOnDefault) to their defaults.
  void Clear();

  // Replace the content by what the reader makes of the input: the file, or
  // the stream from its position to its end. The settings stay.
  void LoadFromFile(const std::wstring& fileName);
  void LoadFromStream(sys::TStream& stream);
  // Write the document out in ExternalEncoding; the file is created or truncated.
  void SaveToFile(const std::wstring& fileName);
  void SaveToStream(sys::TStream& stream);
  // Writes every top-level node as UTF-8 text.
  void WriteStream(TXmlWriter& writer) const;

  // The first top-level element, or null.
  TXmlElement* Root() const;
  TXmlNodeList& RootNodes() { return FRootNodes; }
  const TXmlNodeList& RootNodes() const { return FRootNodes; }
  TXmlStringTable& StringTable() { return FStringTable; }
  const TXmlStringTable& StringTable() const { return FStringTable; }

  TXmlFormatType XmlFormat() const { return FXmlFormat; }
  void SetXmlFormat(TXmlFormatType format) { FXmlFormat = format; }
  // The writer's line end, and the line end that element values read with.
  TXmlEolStyle EolStyle() const { return FEolStyle; }
  void SetEolStyle(TXmlEolStyle style) { FEolStyle = style; }
  const std::string& IndentString() const { return FIndentString; }
  void SetIndentString(const std::string& indent) { FIndentString = indent; }
  TXmlNodeClosingStyle NodeClosingStyle() const { return FNodeClosingStyle; }
  void SetNodeClosingStyle(TXmlNodeClosingStyle style) { FNodeClosingStyle = style; }
  const std::string& DirectCloseTag() const { return FDirectCloseTag; }
  bool PreserveWhiteSpace() const { return FPreserveWhiteSpace; }
  void SetPreserveWhiteSpace(bool preserve) { FPreserveWhiteSpace = preserve; }
  // Whether typed writes store a value that equals their default.
  bool WriteOnDefault() const { return FWriteOnDefault; }
  void SetWriteOnDefault(bool write) { FWriteOnDefault = write; }
  bool FixStructuralErrors() const { return FFixStructuralErrors; }
  void SetFixStructuralErrors(bool fix) { FFixStructuralErrors = fix; }
  bool ParserWarnings() const { return FParserWarnings; }
  void SetParserWarnings(bool warnings) { FParserWarnings = warnings; }
  TXmlStringEncoding ExternalEncoding() const { return FExternalEncoding; }
  void SetExternalEncoding(TXmlStringEncoding encoding) { FExternalEncoding = encoding; }
  int32_t ExternalCodepage() const { return FExternalCodePage; }
  void SetExternalCodepage(int32_t codePage) { FExternalCodePage = codePage; }
  const TXmlBomInfo& ExternalBomInfo() const { return FExternalBomInfo; }
  void SetExternalBomInfo(const TXmlBomInfo& info) { FExternalBomInfo = info; }
  bool AbortParsing() const { return FAbortParsing; }
  void SetAbortParsing(bool abort) { FAbortParsing = abort; }

 private:
  TXmlDocument();

  // Declared before the nodes so that it outlives them.
  TXmlStringTable FStringTable;
  TXmlNodeList FRootNodes;

  TXmlFormatType FXmlFormat = xfCompact;
  TXmlEolStyle FEolStyle = esWindows;
  std::string FIndentString = "\t";
  TXmlNodeClosingStyle FNodeClosingStyle = ncClose;
  std::string FDirectCloseTag = "/>";
  bool FPreserveWhiteSpace = false;
  bool FWriteOnDefault = true;
  bool FFixStructuralErrors = false;
  bool FParserWarnings = false;
  TXmlStringEncoding FExternalEncoding = seUTF8;
  int32_t FExternalCodePage = 0;
  TXmlBomInfo FExternalBomInfo;
  bool FAbortParsing = false;
};
