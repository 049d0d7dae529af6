#include "system/PowerUtils.h"

#include <windows.h>

namespace sys {

bool SuspendSystemNow(bool hibernate, bool force, bool disableWakeEvents) {
  // Loaded at the moment of use: the program does not depend on it to start.
  HMODULE library = LoadLibraryW(L"POWRPROF.dll");
  if (library == nullptr) return false;
  using TSetSuspendState = BOOLEAN(WINAPI*)(BOOLEAN, BOOLEAN, BOOLEAN);
  auto setSuspendState =
      reinterpret_cast<TSetSuspendState>(reinterpret_cast<void*>(GetProcAddress(library, "SetSuspendState")));
  bool result = false;
  if (setSuspendState != nullptr) {
    // A Windows BOOL with every bit set for true.
    auto flag = [](bool value) { return static_cast<BOOLEAN>(value ? 0xFF : 0); };
    result = setSuspendState(flag(hibernate), flag(force), flag(disableWakeEvents)) != 0;
  }
  FreeLibrary(library);
  return result;
}

bool SetProcessPrivilege(const std::wstring& privilegeName, bool enable) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  bool result = false;
  if (LookupPrivilegeValueW(nullptr, privilegeName.c_str(), &privileges.Privileges[0].Luid)) {
    TOKEN_PRIVILEGES previous{};
    DWORD returned = 0;
    result = AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), &previous, &returned) != 0;
  }
  CloseHandle(token);
  return result;
}

bool ShutdownSystemNow(unsigned flags) {
  if (!SetProcessPrivilege(SE_SHUTDOWN_NAME, true)) return false;
  bool result = false;
  try {
    result = ExitWindowsEx(flags, 0) != 0;
  } catch (...) {
    // Switched off again below whatever happened.
  }
  SetProcessPrivilege(SE_SHUTDOWN_NAME, false);
  return result;
}

}  // namespace sys
