#include "system/CodePage.h"

#include <windows.h>

namespace sys {

unsigned AnsiCodePage() { return GetACP(); }

std::wstring CodePageToWide(unsigned codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return std::wstring(bytes.size(), L'\xFFFD');
  std::wstring out(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), size, out.data(), needed);
  return out;
}

std::string WideToCodePage(unsigned codePage, std::wstring_view text, bool* usedDefault) {
  if (usedDefault) *usedDefault = false;
  if (text.empty()) return {};
  // The default-character arguments must be null for UTF-7 and UTF-8
  // (WideCharToMultiByte fails with ERROR_INVALID_PARAMETER otherwise).
  const bool utf = codePage == CP_UTF8 || codePage == CP_UTF7;
  BOOL defaulted = FALSE;
  BOOL* defaultedArg = utf ? nullptr : &defaulted;
  const char* defaultChar = utf ? nullptr : "?";
  const int size = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, defaultChar, defaultedArg);
  if (needed <= 0) {
    if (usedDefault) *usedDefault = true;
    return std::string(text.size(), '?');
  }
  std::string out(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), size, out.data(), needed, defaultChar, defaultedArg);
  if (usedDefault) *usedDefault = defaulted != FALSE;
  return out;
}

bool IsCodePageSupported(unsigned codePage) { return IsValidCodePage(codePage) != FALSE; }

}  // namespace sys
