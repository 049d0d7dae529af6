#include "system/FileSystem.h"

#include <windows.h>

namespace sys {

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

bool MoveFileNoReplace(const std::wstring& from, const std::wstring& to) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when to exists.
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool ReplaceFileAtomically(const std::wstring& temp, const std::wstring& target) {
  // Within one volume this is a rename, which NTFS performs as one
  // transaction; MOVEFILE_WRITE_THROUGH returns only once it is on disk.
  // ReplaceFileW is not used: it fails when target does not exist yet.
  return MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace sys
