#pragma once
// UTF-8 <-> wide text. wchar_t is UTF-16 on Windows and UTF-32 elsewhere; both
// are handled. Malformed input never fails: each bad sequence becomes U+FFFD.

#include <string>
#include <string_view>

namespace sys {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// Appends the UTF-8 form of one code point (U+FFFD for surrogates and values
// above U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

// Decodes one code point at text[pos] and advances pos; a malformed sequence
// yields U+FFFD and advances by one byte.
char32_t NextUtf8(std::string_view text, size_t& pos);

}  // namespace sys
