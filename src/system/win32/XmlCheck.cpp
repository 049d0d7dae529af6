#include "system/XmlCheck.h"

#include <windows.h>
// After windows.h: WIN32_LEAN_AND_MEAN leaves COM out of it.
#include <msxml2.h>
#include <objbase.h>
#include <oleauto.h>

namespace sys {

namespace {

// MinGW-w64's headers declare IXMLDOMDocument2 but its libraries lack the
// identifier.
constexpr IID kIidXmlDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// COM for this thread, unless the thread already runs it (in any mode).
class TComScope {
 public:
  TComScope() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    FOwned = SUCCEEDED(result);  // S_FALSE too: every success needs its CoUninitialize
    FUsable = FOwned || result == RPC_E_CHANGED_MODE;
  }
  ~TComScope() {
    if (FOwned) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;
  bool Usable() const { return FUsable; }

 private:
  bool FOwned = false;
  bool FUsable = false;
};

class TBstr {
 public:
  explicit TBstr(const wchar_t* text) : FText(SysAllocString(text)) {}
  explicit TBstr(const std::wstring& text) : FText(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~TBstr() { SysFreeString(FText); }
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  BSTR Get() const { return FText; }

 private:
  BSTR FText;
};

bool LoadsWell(IXMLDOMDocument2& document, const std::wstring& fileName) {
  if (FAILED(document.put_async(VARIANT_FALSE)) || FAILED(document.put_validateOnParse(VARIANT_FALSE)) ||
      FAILED(document.put_resolveExternals(VARIANT_FALSE)) || FAILED(document.put_preserveWhiteSpace(VARIANT_FALSE)))
    return false;
  // MSXML 6 refuses every DOCTYPE by default; a file that names a DTD is
  // still well-formed.
  VARIANT allowDtd;
  VariantInit(&allowDtd);
  allowDtd.vt = VT_BOOL;
  allowDtd.boolVal = VARIANT_FALSE;
  const TBstr property(L"ProhibitDTD");
  if (!property.Get() || FAILED(document.setProperty(property.Get(), allowDtd))) return false;

  const TBstr path(fileName);
  if (!path.Get()) return false;
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = path.Get();  // still owned by path
  VARIANT_BOOL loaded = VARIANT_FALSE;
  return document.load(source, &loaded) == S_OK && loaded == VARIANT_TRUE;
}

}  // namespace

bool ParsesAsXml(const std::wstring& fileName, const std::string&) {
  try {
    const TComScope com;
    if (!com.Usable()) return false;
    CLSID classId;
    if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &classId))) return false;
    IXMLDOMDocument2* document = nullptr;
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                                reinterpret_cast<void**>(&document))) ||
        document == nullptr)
      return false;
    const bool wellFormed = LoadsWell(*document, fileName);
    document->Release();  // before CoUninitialize
    return wellFormed;
  } catch (...) {
    return false;  // out of memory: the caller only needs a yes or a no
  }
}

}  // namespace sys
