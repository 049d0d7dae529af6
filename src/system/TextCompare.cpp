#include "system/TextCompare.h"

namespace sys {

bool SameTextIgnoreCaseUnicode(std::string_view a, std::string_view b);  // per back end

namespace {
bool IsAscii(std::string_view s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
}  // namespace

bool SameTextIgnoreCase(std::string_view a, std::string_view b) {
  // Names are nearly always ASCII; only other text pays for a conversion.
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
  }
  return SameTextIgnoreCaseUnicode(a, b);
}

}  // namespace sys
