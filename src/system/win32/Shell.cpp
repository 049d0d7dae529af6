#include <windows.h>
// shellapi.h needs windows.h first.
#include <objbase.h>
#include <shellapi.h>

#include <string>

namespace sys {

void ShellExecuteOpen(const std::wstring& file, const std::wstring& folder, int showCommand) {
  // Alarm actions run on threads of their own: the shell wants COM there,
  // single-threaded, and the call finished before the thread ends
  // (SEE_MASK_NOASYNC). A thread that has COM already keeps its own.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = showCommand;
  ShellExecuteExW(&info);
  if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace sys
