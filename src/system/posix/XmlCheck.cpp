#include "system/XmlCheck.h"

#include <libxml/parser.h>

#include <climits>
#include <exception>
#include <string>

#include "system/Stream.h"
#include "system/Unicode.h"

namespace sys {

namespace {

// The file is read here rather than by xmlReadFile, which would also accept
// gzip-compressed files that the program's own reader cannot load.
bool ReadWholeFile(const std::wstring& fileName, std::string& bytes) {
  try {
    const std::unique_ptr<TFileStream> file = TFileStream::OpenRead(fileName);
    char buffer[64 * 1024];
    for (;;) {
      const size_t n = file->Read(buffer, sizeof buffer);
      if (n == 0) break;
      bytes.append(buffer, n);
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// XML never holds a NUL character, but this parser stops at a NUL byte and
// calls what came before well-formed. In files whose start shows no 16- or
// 32-bit encoding, a NUL byte is such a character.
bool HasNulCharacter(const std::string& bytes) {
  if (bytes.size() >= 2) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if ((b0 == 0xFE && b1 == 0xFF) || (b0 == 0xFF && b1 == 0xFE) || b0 == 0 || b1 == 0) return false;
  }
  return bytes.find('\0') != std::string::npos;
}

}  // namespace

bool IsWellFormedXmlFile(const std::wstring& fileName) {
  std::string bytes;
  if (!ReadWholeFile(fileName, bytes) || bytes.size() > INT_MAX || HasNulCharacter(bytes)) return false;
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
