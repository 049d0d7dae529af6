#include "system/FileSystem.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "system/Unicode.h"

namespace sys {

namespace {

// fsync of the folder makes a rename in it survive a power cut.
void SyncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  const int savedErrno = errno;
  fsync(fd);
  close(fd);
  errno = savedErrno;
}

}  // namespace

bool FileExists(const std::wstring& path) {
  struct stat info {};
  return stat(WideToUtf8(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool RemoveFile(const std::wstring& path) { return unlink(WideToUtf8(path).c_str()) == 0; }

bool MoveFileNoReplace(const std::wstring& from, const std::wstring& to) {
  const std::string source = WideToUtf8(from);
  const std::string target = WideToUtf8(to);
  if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    SyncFolderOf(target);
    return true;
  }
  // File systems without RENAME_NOREPLACE: check, then rename; the gap between
  // the two only matters if another program races for the same new name.
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info {};
  if (lstat(target.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  if (rename(source.c_str(), target.c_str()) != 0) return false;
  SyncFolderOf(target);
  return true;
}

bool ReplaceFileAtomically(const std::wstring& temp, const std::wstring& target) {
  const std::string path = WideToUtf8(target);
  if (rename(WideToUtf8(temp).c_str(), path.c_str()) != 0) return false;
  SyncFolderOf(path);
  return true;
}

}  // namespace sys
