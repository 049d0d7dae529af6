#pragma once
// Conversions between text and its stored (escaped) form.

#include <string>
#include <string_view>

// Replaces " & ' < > by their five predefined entity references; every other
// byte, multi-byte UTF-8 included, is copied unchanged.
std::string EscapeMarkup(std::string_view text);

// Decodes the five predefined entity references, with exact case. Any other
// reference (numeric ones included) and a lone "&" are kept as they are.
std::string UnescapeMarkup(std::string_view text);

// text without the bytes 0x00 to 0x20 at both ends. The result views text, so
// it must not outlive it. Inline: the reader trims every name and text run.
inline std::string_view TrimBlankBytes(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}
