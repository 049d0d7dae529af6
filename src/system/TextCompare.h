#pragma once
// Comparison of names as Unicode text without regard to letter case.

#include <string_view>

namespace sys {

// Both texts are UTF-8. Windows compares them with CompareStringW and
// NORM_IGNORECASE; elsewhere each code point is folded to upper case.
bool SameTextIgnoreCase(std::string_view a, std::string_view b);

}  // namespace sys
