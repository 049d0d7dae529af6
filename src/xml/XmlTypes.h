#pragma once
// Enumerations, records and errors shared by the XML document library.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

// The node kinds. The value picks the class that the reader and NodeNew create.
enum TXmlElementType {
  xeElement = 0,
  xeAttribute = 1,
  xeComment = 2,
  xeCData = 3,
  xeCondSection = 4,
  xeDeclaration = 5,
  xeStylesheet = 6,
  xeDocType = 7,
  xeDtdElement = 8,
  xeDtdAttList = 9,
  xeDtdEntity = 10,
  xeDtdNotation = 11,
  xeInstruction = 12,
  xeCharData = 13,
  xeWhiteSpace = 14,
  xeQuotedText = 15,
  xeUnknown = 16,
  xeEndTag = 17,
  xeError = 18
};

enum TXmlFormatType { xfCompact = 0, xfReadable = 1, xfPreserve = 2 };

enum TXmlEolStyle { esLinux = 0, esWindows = 1 };

// One byte: it sits in every element.
enum TXmlNodeClosingStyle : uint8_t { ncUnknown = 0, ncFull = 1, ncClose = 2 };

enum TXmlStringEncoding {
  seAnsi = 0,
  seUTF8 = 1,
  seUTF16BE = 2,
  seUTF16LE = 3,
  seUCS4BE = 4,
  seUCS4LE = 5,
  seUCS4_2143 = 6,
  seUCS4_3412 = 7,
  seEBCDIC = 8
};

enum TXmlWarnStyle { wsInfo = 0, wsHint = 1, wsWarn = 2, wsFail = 3 };

// The byte order mark found on load or written on save.
struct TXmlBomInfo {
  std::array<uint8_t, 4> BOM{};
  int32_t Len = 0;
  TXmlStringEncoding Encoding = seAnsi;
  bool HasBOM = false;
};

// "Element", "Attribute", ... "Error"; "" for a value outside the enumeration.
const char* XmlElementTypeName(TXmlElementType type);

// "info", "hint", "warn" or "fail".
const char* XmlWarnStyleName(TXmlWarnStyle style);

// A misuse of the node tree: a node without a document, or an operation that
// this kind of node does not support.
class EXmlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An index outside a node list.
class EListError : public std::runtime_error {
 public:
  explicit EListError(int32_t index);
};
