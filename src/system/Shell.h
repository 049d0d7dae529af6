#pragma once
// Handing files and links to the system shell, as a double click would. None
// of these shows a message or lets an error out: an alarm's action or a menu
// link that finds nothing simply does nothing.

#include <functional>
#include <mutex>
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

// Tests: what a recorded shell or power call does before it returns, given
// its request ("open <file>", "suspend 0 0 0", "shutdown 12"), as the system
// would: a suspend that sleeps (the test moves its clock on), a box the
// shell shows and waits on. It runs on the thread that made the call; empty
// for nothing.
void SetRecordedAction(std::function<void(const std::wstring& request)> action);
// The recordings are made on whichever thread makes the call: held while
// one is written, and by a test that reads them while calls may be made.
std::mutex& RecordLock();
// Runs the recorded action (for PowerUtils).
void RunRecordedAction(const std::wstring& request);

}  // namespace sys
