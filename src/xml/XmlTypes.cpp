#include "xml/XmlTypes.h"

#include <iterator>
#include <string>

const char* XmlElementTypeName(TXmlElementType type) {
  static constexpr const char* kNames[] = {
      "Element",     "Attribute",   "Comment",     "CData",      "ConditionalSection",
      "Declaration", "Stylesheet",  "DocType",     "DtdElement", "DtdAttList",
      "DtdEntity",   "DtdNotation", "Instruction", "CharData",   "WhiteSpace",
      "QuotedText",  "Unknown",     "EndTag",      "Error"};
  const int index = static_cast<int>(type);
  if (index < 0 || index >= static_cast<int>(std::size(kNames))) return "";
  return kNames[index];
}

const char* XmlWarnStyleName(TXmlWarnStyle style) {
  static constexpr const char* kNames[] = {"info", "hint", "warn", "fail"};
  const int index = static_cast<int>(style);
  if (index < 0 || index >= static_cast<int>(std::size(kNames))) return "";
  return kNames[index];
}

EListError::EListError(int32_t index)
    : std::runtime_error("List index out of bounds (" + std::to_string(index) + ")") {}
