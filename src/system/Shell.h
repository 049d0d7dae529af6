#pragma once
// Handing files and links to the system shell, as a double click would. None
// of these shows a message or lets an error out: an alarm's action or a menu
// link that finds nothing simply does nothing.

#include <string>
#include <vector>

namespace sys {

// The working folder for a path: up to and including its last "\" or ":";
// empty when it has neither.
std::wstring FolderPart(const std::wstring& path);

// Opens a file, program or link in a normal window, in its own folder.
void OpenFileInFolder(const std::wstring& path);
// Opens a web or mail link in a maximized window, in the program's folder.
void OpenLink(const std::wstring& target);

// Tests: with recording on, the shell and power calls (here and in
// PowerUtils.h) record what they were asked and do nothing. Always on where
// there is no Windows shell (POSIX).
void SetRecordSystemActions(bool record);
bool RecordSystemActions();

// What the shell was asked while recording: the file, the working folder and
// the show command, in order.
struct TShellRequest {
  std::wstring File, Folder;
  int ShowCommand;
};
std::vector<TShellRequest>& ShellRequests();

}  // namespace sys
