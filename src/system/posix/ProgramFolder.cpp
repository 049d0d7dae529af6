#include "system/ProgramFolder.h"

#include <unistd.h>

#include "system/Unicode.h"

namespace sys {

std::wstring ProgramFolder() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  if (length <= 0) return L"./";
  path.resize(static_cast<size_t>(length));
  return Utf8ToWide(path.substr(0, path.rfind('/') + 1));
}

}  // namespace sys
