#include <shellapi.h>
#include <windows.h>

#include <string>

namespace sys {

void ShellExecuteOpen(const std::wstring& file, const std::wstring& folder, int showCommand) {
  ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, folder.c_str(), showCommand);
}

}  // namespace sys
