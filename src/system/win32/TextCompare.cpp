#include <windows.h>

#include "system/Unicode.h"

namespace sys {

bool SameTextIgnoreCaseUnicode(std::string_view a, std::string_view b) {
  const std::wstring wa = Utf8ToWide(a);
  const std::wstring wb = Utf8ToWide(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.data(), static_cast<int>(wa.size()), wb.data(),
                        static_cast<int>(wb.size())) == CSTR_EQUAL;
}

}  // namespace sys
