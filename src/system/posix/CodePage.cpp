#include "system/CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <string>

#include "system/Unicode.h"

namespace sys {

namespace {

struct CodePageName {
  unsigned codePage;
  const char* iconvName;
};

// Windows code page numbers and glibc's names for them. A number missing here
// is tried as "CP<number>".
constexpr CodePageName kNames[] = {
    {37, "IBM037"},         {437, "IBM437"},       {500, "IBM500"},         {708, "ASMO-708"},
    {737, "CP737"},         {775, "CP775"},        {850, "IBM850"},         {852, "IBM852"},
    {855, "IBM855"},        {857, "IBM857"},       {858, "IBM858"},         {860, "IBM860"},
    {861, "IBM861"},        {862, "IBM862"},       {863, "IBM863"},         {864, "IBM864"},
    {865, "IBM865"},        {866, "IBM866"},       {869, "IBM869"},         {870, "IBM870"},
    {874, "CP874"},         {875, "IBM875"},       {932, "CP932"},          {936, "CP936"},
    {949, "CP949"},         {950, "CP950"},        {1026, "IBM1026"},       {1047, "IBM1047"},
    {1140, "IBM1140"},      {1200, "UTF-16LE"},    {1201, "UTF-16BE"},      {1250, "CP1250"},
    {1251, "CP1251"},       {1252, "CP1252"},      {1253, "CP1253"},        {1254, "CP1254"},
    {1255, "CP1255"},       {1256, "CP1256"},      {1257, "CP1257"},        {1258, "CP1258"},
    {1361, "JOHAB"},        {10000, "MACINTOSH"},  {10007, "MAC-CYRILLIC"}, {12000, "UTF-32LE"},
    {12001, "UTF-32BE"},    {20127, "ASCII"},      {20866, "KOI8-R"},       {20932, "EUC-JP"},
    {21866, "KOI8-U"},      {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},   {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},   {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"},  {28605, "ISO-8859-15"},
    {50220, "ISO-2022-JP"}, {51932, "EUC-JP"},     {51936, "EUC-CN"},       {51949, "EUC-KR"},
    {54936, "GB18030"},     {65000, "UTF-7"},      {65001, "UTF-8"},
};

std::string IconvName(unsigned codePage) {
  for (const auto& entry : kNames)
    if (entry.codePage == codePage) return entry.iconvName;
  return "CP" + std::to_string(codePage);
}

// "WCHAR_T" is glibc's name for the platform's wchar_t (UTF-32 here).
constexpr const char* kWide = "WCHAR_T";

class Converter {
 public:
  Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

}  // namespace

unsigned AnsiCodePage() { return 1252; }

bool IsCodePageSupported(unsigned codePage) { return Converter(kWide, IconvName(codePage)).ok(); }

std::wstring CodePageToWide(unsigned codePage, std::string_view bytes) {
  if (codePage == kCodePageUtf8) return Utf8ToWide(bytes);
  Converter conv(kWide, IconvName(codePage));
  if (!conv.ok()) return std::wstring(bytes.size(), L'\xFFFD');
  std::wstring out;
  wchar_t buffer[256];
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(buffer);
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(conv.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, (sizeof buffer - outLeft) / sizeof(wchar_t));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or a sequence cut off at the end: one replacement per bad byte.
      out += L'\xFFFD';
      ++in;
      --inLeft;
      iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::string WideToCodePage(unsigned codePage, std::wstring_view text, bool* usedDefault) {
  if (usedDefault) *usedDefault = false;
  if (codePage == kCodePageUtf8) return WideToUtf8(text);
  Converter conv(IconvName(codePage), kWide);
  if (!conv.ok()) {
    if (usedDefault) *usedDefault = !text.empty();
    return std::string(text.size(), '?');
  }
  std::string out;
  char buffer[256];
  char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
  size_t inLeft = text.size() * sizeof(wchar_t);
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const size_t rc = iconv(conv.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      out += '?';
      if (usedDefault) *usedDefault = true;
      in += sizeof(wchar_t);
      inLeft -= sizeof(wchar_t);
      iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  // Stateful encodings (ISO-2022-JP, UTF-7) end with a shift back to the start state.
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  iconv(conv.get(), nullptr, nullptr, &outPtr, &outLeft);
  out.append(buffer, sizeof buffer - outLeft);
  return out;
}

}  // namespace sys
