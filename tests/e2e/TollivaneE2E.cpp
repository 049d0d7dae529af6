// The real Tollivane.exe, started in a folder of its own, driven from
// outside the way a user and Windows would.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

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

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Polls until the condition holds or the time is up; the program runs in
// another process, so there is nothing to wait on directly.
template <class Condition>
bool WaitFor(Condition condition, int milliseconds = 15000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return condition();
}

struct TFound {
  DWORD Pid;
  std::vector<HWND> Windows;
};

// Top-level windows captioned "Tollivane" of the process (any process when pid is 0).
std::vector<HWND> MainWindows(DWORD pid) {
  TFound found{pid, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* f = reinterpret_cast<TFound*>(param);
        wchar_t title[64] = {};
        GetWindowTextW(hwnd, title, 64);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        // The program's hidden helper window shares the title; it is a tool window.
        const bool tool = GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW;
        if (std::wstring(title) == L"Tollivane" && !tool && GetWindow(hwnd, GW_OWNER) == nullptr &&
            (f->Pid == 0 || owner == f->Pid))
          f->Windows.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found.Windows;
}

class TollivaneE2E : public testing::Test {
 protected:
  void SetUp() override {
    FFolder = fs::temp_directory_path() / ("tollivane-e2e-" + std::to_string(GetTickCount64()));
    fs::create_directories(FFolder);
    fs::copy_file(TOLLIVANE_EXE, FFolder / "Tollivane.exe");
    std::ofstream(FFolder / "data.xml", std::ios::binary) << kSampleList;
  }
  void TearDown() override {
    for (PROCESS_INFORMATION& p : FProcesses) {
      if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(p.hProcess, 1);
      WaitForSingleObject(p.hProcess, 5000);
      CloseHandle(p.hProcess);
      CloseHandle(p.hThread);
    }
    std::error_code ignored;
    fs::remove_all(FFolder, ignored);
  }

  PROCESS_INFORMATION& Start() {
    std::wstring command = L"\"" + (FFolder / "Tollivane.exe").wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, FFolder.c_str(), &startup,
                               &process));
    FProcesses.push_back(process);
    return FProcesses.back();
  }

  // Starts the program and waits for its visible main window.
  HWND StartMain() {
    PROCESS_INFORMATION& process = Start();
    HWND window = nullptr;
    EXPECT_TRUE(WaitFor([&] {
      std::vector<HWND> windows = MainWindows(process.dwProcessId);
      window = windows.empty() ? nullptr : windows[0];
      return window && IsWindowVisible(window);
    })) << "no main window";
    return window;
  }

  fs::path FFolder;
  std::vector<PROCESS_INFORMATION> FProcesses;
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
  DWORD pid = FProcesses[0].dwProcessId;
  SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main); })) << "minimizing hides the window";
  EXPECT_EQ(WaitForSingleObject(FProcesses[0].hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running";

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
  ASSERT_EQ(WaitForSingleObject(FProcesses[0].hProcess, 15000), static_cast<DWORD>(WAIT_OBJECT_0));
  std::string saved = ReadFile(FFolder / "data.xml");
  EXPECT_NE(saved.find("<Root>\r\n\t<Entry>\r\n\t\t<Time>06:45</Time>"), std::string::npos) << saved;
  EXPECT_NE(saved.find("<Note>Bed</Note>"), std::string::npos);
  EXPECT_FALSE(fs::exists(FFolder / "data.xml.saving"));
}

}  // namespace
