#include "system/XmlCheck.h"

#include <libxml/parser.h>

#include <climits>
#include <string>

#include "system/Unicode.h"

namespace sys {

// The file's bytes rather than xmlReadFile, which would also accept gzip
// files that the program's own reader cannot load.
bool ParsesAsXml(const std::wstring& fileName, const std::string& bytes) {
  if (bytes.size() > INT_MAX) return false;
  // No XML_PARSE_DTDLOAD, DTDVALID or NOENT: the DTD is neither fetched nor
  // used, as with MSXML's resolveExternals and validateOnParse off.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  xmlDocPtr document =
      xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), WideToUtf8(fileName).c_str(), nullptr, options);
  if (document == nullptr) return false;
  xmlFreeDoc(document);
  return true;
}

}  // namespace sys
