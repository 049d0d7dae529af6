#pragma once
// File operations that the alarm store needs to keep data.xml whole. Each
// returns false on failure with the system's reason left for LastErrorText
// (Stream.h), so read it before making any other system call.

#include <string>

namespace sys {

// Whether path names an existing file (not a folder).
bool FileExists(const std::wstring& path);

// Deletes a file; false when it could not (a missing file included).
bool RemoveFile(const std::wstring& path);

// Renames from to to, which must not exist yet; an existing to is never
// replaced.
bool MoveFileNoReplace(const std::wstring& from, const std::wstring& to);

// Puts temp, a complete file flushed to disk, in place of target in one step:
// afterwards target holds either its old bytes or all of temp's, never a mix.
// Both must be in the same folder. target need not exist.
bool ReplaceFileAtomically(const std::wstring& temp, const std::wstring& target);

}  // namespace sys
