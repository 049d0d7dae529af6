#pragma once
// Text in a Windows code page <-> wide text. On Windows this is the system's
// own conversion; elsewhere iconv stands in for it.

#include <string>
#include <string_view>

namespace sys {

constexpr unsigned kCodePageUtf8 = 65001;

// The system's ANSI code page (GetACP). Elsewhere there is none: 1252.
unsigned AnsiCodePage();

// Bytes the code page cannot decode become U+FFFD.
std::wstring CodePageToWide(unsigned codePage, std::string_view bytes);

// Characters the code page lacks are replaced the way the system's standard
// conversion replaces them ("?", or a best-fit letter on Windows); usedDefault,
// when given, tells whether that happened.
std::string WideToCodePage(unsigned codePage, std::wstring_view text, bool* usedDefault = nullptr);

// Whether this machine can convert that code page at all.
bool IsCodePageSupported(unsigned codePage);

}  // namespace sys
