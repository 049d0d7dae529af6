#include <gtest/gtest.h>

#include "system/ProgramFolder.h"
#include "system/Shell.h"

namespace {

TEST(FolderPart, RunsToTheLastBackslashOrColon) {
  const struct {
    const wchar_t* Path;
    const wchar_t* Folder;
  } cases[] = {
      {L"C:\\Tools\\wake.bat", L"C:\\Tools\\"},
      {L"C:wake.bat", L"C:"},
      {L"wake.bat", L""},
      {L"(None)", L""},
      {L"https://www.tollivane.example/page", L"https:"},
      {L"\\\\server\\share\\a b\\x.mp3", L"\\\\server\\share\\a b\\"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(sys::FolderPart(c.Path), c.Folder) << c.Path;
}

TEST(Shell, FilesOpenInTheirFolderAndLinksMaximizedInTheProgramsFolder) {
  sys::SetRecordSystemActions(true);
  sys::ShellRequests().clear();
  sys::OpenFileInFolder(L"C:\\Tools\\wake.bat");
  sys::OpenLink(L"mailto:support@tollivane.example");
  ASSERT_EQ(sys::ShellRequests().size(), 2u);
  EXPECT_EQ(sys::ShellRequests()[0].Folder, L"C:\\Tools\\");
  EXPECT_EQ(sys::ShellRequests()[0].ShowCommand, 1);
  EXPECT_EQ(sys::ShellRequests()[1].File, L"mailto:support@tollivane.example");
  EXPECT_EQ(sys::ShellRequests()[1].Folder, sys::ProgramFolder());
  EXPECT_EQ(sys::ShellRequests()[1].ShowCommand, 3);
  sys::SetRecordSystemActions(false);
}

}  // namespace
