// The real Tollivane.exe, started in a folder of its own, driven from
// outside the way a user and Windows would.

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "E2ESupport.h"

namespace fs = std::filesystem;
using e2e::MainWindows;
using e2e::ReadFile;
using e2e::WaitFor;

namespace {

// Four alarms on one line: a save rewrites them in the readable layout.
constexpr char kSampleList[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root>"
    "<Entry><Time>06:45</Time><Days>Monday, Friday</Days><Note>Wake up</Note><Sound>Birds</Sound>"
    "<Checked>true</Checked></Entry>"
    "<Entry><Time>09:00</Time><Days>Saturday</Days><Note>Breakfast</Note><Checked>false</Checked></Entry>"
    "<Entry><Time>13:30</Time><Days>Wednesday</Days><Note>Meeting</Note><Checked>true</Checked></Entry>"
    "<Entry><Time>23:00</Time><Days>All days</Days><Note>Bed</Note><Checked>true</Checked></Entry>"
    "</Root>";

class TollivaneE2E : public testing::Test {
 protected:
  void SetUp() override {
    FProgram = std::make_unique<e2e::TProgramFolder>(TOLLIVANE_EXE, "tollivane-e2e");
    FFolder = FProgram->Folder();
    e2e::WriteFile(FFolder / "data.xml", kSampleList);
  }

  PROCESS_INFORMATION& Start() {
    PROCESS_INFORMATION* process = FProgram->Start();
    if (!process) throw std::runtime_error("the program did not start");
    return *process;
  }
  HWND StartMain() {
    HWND window = FProgram->StartMain();
    EXPECT_TRUE(window) << "no main window";
    return window;
  }

  std::unique_ptr<e2e::TProgramFolder> FProgram;
  fs::path FFolder;
};

TEST_F(TollivaneE2E, StartsAndShowsTheListForScreenReaders) {
  HWND main = StartMain();
  ASSERT_TRUE(main);
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_GE(client.right, 629);
  HWND list = nullptr;
  EnumChildWindows(
      main,
      [](HWND child, LPARAM param) -> BOOL {
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (_wcsicmp(name, L"ListBox") != 0) return TRUE;
        *reinterpret_cast<HWND*>(param) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&list));
  ASSERT_TRUE(list) << "the alarm list keeps a list box whose texts screen readers read";
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 4);
  const wchar_t* expected[] = {L"06:45, Wake up, Monday, Friday, on", L"09:00, Breakfast, Saturday, off"};
  for (int i = 0; i < 2; ++i) {
    wchar_t text[256] = {};
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, expected[i]);
  }
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR) << "nothing selected at start";
}

TEST_F(TollivaneE2E, MinimizingHidesTheWindowAndASecondStartBringsItBack) {
  HWND main = StartMain();
  ASSERT_TRUE(main);
  DWORD pid = FProgram->Process(0).dwProcessId;
  SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main); })) << "minimizing hides the window";
  EXPECT_EQ(WaitForSingleObject(FProgram->Process(0).hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running";

  PROCESS_INFORMATION& second = Start();
  EXPECT_EQ(WaitForSingleObject(second.hProcess, 15000), static_cast<DWORD>(WAIT_OBJECT_0)) << "the second start ends";
  DWORD code = 1;
  GetExitCodeProcess(second.hProcess, &code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) && !IsIconic(main); })) << "the first one came back";
  EXPECT_EQ(MainWindows(0).size(), 1u);
  EXPECT_EQ(MainWindows(pid).size(), 1u);
}

TEST_F(TollivaneE2E, ClosingWritesTheList) {
  HWND main = StartMain();
  ASSERT_TRUE(main);
  EXPECT_EQ(ReadFile(FFolder / "data.xml"), kSampleList) << "read at start, not written";
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(FProgram->Process(0).hProcess, 15000), static_cast<DWORD>(WAIT_OBJECT_0));
  std::string saved = ReadFile(FFolder / "data.xml");
  EXPECT_NE(saved.find("<Root>\r\n\t<Entry>\r\n\t\t<Time>06:45</Time>"), std::string::npos) << saved;
  EXPECT_NE(saved.find("<Note>Bed</Note>"), std::string::npos);
  EXPECT_FALSE(fs::exists(FFolder / "data.xml.saving"));
}

}  // namespace
