#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <string>

namespace sys {

void ShellExecuteOpen(const std::wstring& file, const std::wstring& folder, int showCommand) {
  ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, folder.c_str(), showCommand);
}

}  // namespace sys
