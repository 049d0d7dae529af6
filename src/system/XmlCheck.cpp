#include "system/XmlCheck.h"

#include <exception>
#include <memory>

#include "system/Stream.h"

namespace sys {

// Per back end: the system's parser judges the file (bytes is its content).
bool ParsesAsXml(const std::wstring& fileName, const std::string& bytes);

namespace {

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

// XML never holds a NUL character, but parsers built on libxml2 (Wine's XML
// DOM among them) stop at a NUL byte and call what came before well-formed.
// In a file whose start shows no 16- or 32-bit encoding a NUL byte is such a
// character.
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
  if (!ReadWholeFile(fileName, bytes) || HasNulCharacter(bytes)) return false;
  return ParsesAsXml(fileName, bytes);
}

}  // namespace sys
