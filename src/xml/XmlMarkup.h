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
// it must not outlive it.
std::string_view TrimBlankBytes(std::string_view text);
