#include <locale.h>
#include <wctype.h>

#include "system/Unicode.h"

namespace sys {

namespace {
// The program never calls setlocale, so the global locale is "C", whose case
// tables know ASCII only; the built-in C.UTF-8 locale knows all of Unicode.
locale_t UnicodeLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}
}  // namespace

bool SameTextIgnoreCaseUnicode(std::string_view a, std::string_view b) {
  const std::wstring wa = Utf8ToWide(a);
  const std::wstring wb = Utf8ToWide(b);
  if (wa.size() != wb.size()) return false;
  const locale_t locale = UnicodeLocale();
  for (size_t i = 0; i < wa.size(); ++i) {
    const wint_t ca = static_cast<wint_t>(wa[i]);
    const wint_t cb = static_cast<wint_t>(wb[i]);
    if (ca == cb) continue;
    if (!locale || towupper_l(ca, locale) != towupper_l(cb, locale)) return false;
  }
  return true;
}

}  // namespace sys
