// Timers, message boxes, file dialogs and the second start of the program.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestFolder.h"
#include "Win32TestSupport.h"
#include "widgets/Backend.h"
#include "widgets/Dialogs.h"
#include "widgets/Form.h"
#include "widgets/Timer.h"

using namespace testing_win32;

namespace {

TEST(TimerTest, RunsStopsAndRestartsAsTheModelSays) {
  TTimer timer;
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetInterval(10);
  EXPECT_EQ(timer.Id(), 0u);  // not enabled: nothing armed
  timer.SetEnabled(true);
  ASSERT_NE(timer.Id(), 0u);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }));

  timer.SetEnabled(false);
  EXPECT_EQ(timer.Id(), 0u);
  int stopped = ticks;
  TTimer other;
  int otherTicks = 0;
  other.OnTimer = [&] { ++otherTicks; };
  other.SetInterval(10);
  other.SetEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return otherTicks >= 5; }));
  EXPECT_EQ(ticks, stopped);

  // Interval 0 keeps a timer from running; the longest one is armed.
  other.SetInterval(0);
  EXPECT_EQ(other.Id(), 0u);
  other.SetInterval(kMaxTimerInterval);
  ASSERT_NE(other.Id(), 0u);
  // KillTimer succeeds only for a timer that exists.
  EXPECT_TRUE(KillTimer(win32::UtilityWindow(), other.Id()));
}

TEST(BackgroundWorkTest, RunsOnItsOwnThreadAndWhatFollowsOnTheGuiThreadEvenDuringABox) {
  const DWORD gui = GetCurrentThreadId();
  DWORD worker = 0, after = 0;
  bool answered = false;
  // The box is up when the work ends: what follows comes through its loop.
  TTimer close;
  close.OnTimer = [&] {
    if (after == 0) return;
    if (HWND box = FindWindowW(L"#32770", L"Tollivane")) {
      close.SetEnabled(false);
      answered = true;
      SendMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
  };
  close.SetInterval(20);
  close.SetEnabled(true);
  Application.RunInBackground(
      [&] {
        Sleep(100);
        worker = GetCurrentThreadId();
      },
      [&] { after = GetCurrentThreadId(); });
  Application.SetTitle(L"Tollivane");
  MessageDlg(L"Waiting for the work", mtInformation, mbOK);
  EXPECT_TRUE(answered);
  EXPECT_NE(worker, 0u);
  EXPECT_NE(worker, gui);
  EXPECT_EQ(after, gui);
}

TEST(SystemEventTest, ASettingChangeCountsAsATimeChange) {
  int changes = 0;
  Application.OnTimeChange = [&] { ++changes; };
  SendMessageW(win32::UtilityWindow(), WM_TIMECHANGE, 0, 0);
  SendMessageW(win32::UtilityWindow(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
  Application.OnTimeChange = nullptr;
  EXPECT_EQ(changes, 2);
}

// Answers the next message box from a timer: finds it by caption and sends
// it the button's command, as a press of the button does.
struct TBoxAnswer {
  TTimer Timer;
  HWND Owner = nullptr;
  bool HasButton = false, HasOtherButton = false;
  HICON Icon = nullptr;
  TBoxAnswer(const wchar_t* caption, int button, int otherButton) {
    Timer.OnTimer = [=, this] {
      HWND box = FindWindowW(L"#32770", caption);
      if (!box) return;
      Timer.SetEnabled(false);
      Owner = GetWindow(box, GW_OWNER);
      HasButton = GetDlgItem(box, button) != nullptr;
      HasOtherButton = GetDlgItem(box, otherButton) != nullptr;
      for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (HICON icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0))) Icon = icon;
      SendMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    };
    Timer.SetInterval(20);
    Timer.SetEnabled(true);
  }
};

TEST(MessageBoxTest, ButtonsIconsAndAnswers) {
  struct TCase {
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
    int Press, Other;
    const wchar_t* Icon;
    int Expected;
  };
  const TCase cases[] = {
      {mtConfirmation, mbYesNo, IDYES, IDNO, IDI_QUESTION, mrYes},
      {mtConfirmation, mbYesNo, IDNO, IDYES, IDI_QUESTION, mrNo},
      {mtError, mbOK, IDOK, IDOK, IDI_ERROR, mrOk},
      {mtWarning, mbRetryCancel, IDRETRY, IDCANCEL, IDI_WARNING, mrRetry},
      {mtInformation, mbRetryCancel, IDCANCEL, IDRETRY, IDI_INFORMATION, mrCancel},
      {mtCustom, mbOK, IDOK, IDOK, nullptr, mrOk},  // a plain box: no icon at all
  };
  Application.SetTitle(L"Box test");
  TForm main;
  main.Loaded();
  main.Show();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Press);
    TBoxAnswer answer(L"Box test", c.Press, c.Other);
    EXPECT_EQ(MessageDlg(L"Question?", c.Type, c.Buttons), c.Expected);
    EXPECT_TRUE(answer.HasButton);
    EXPECT_TRUE(answer.HasOtherButton);
    EXPECT_EQ(answer.Icon, c.Icon ? LoadIconW(nullptr, c.Icon) : nullptr);
    EXPECT_EQ(answer.Owner, Hwnd(main));
  }
  Application.Reset();
}

TEST(MessageBoxTest, OwnedByTheModalForm) {
  Application.SetTitle(L"Modal box test");
  TForm main;
  main.Loaded();
  main.Show();
  TForm dialog(&main);
  dialog.Loaded();
  TTimer ask;
  int answer = 0;
  HWND owner = nullptr;
  ask.OnTimer = [&] {
    ask.SetEnabled(false);
    TBoxAnswer box(L"Modal box test", IDNO, IDYES);
    answer = MessageDlg(L"Delete?", mtConfirmation, mbYesNo);
    owner = box.Owner;
    dialog.SetModalResult(mrOk);
  };
  ask.SetInterval(20);
  ask.SetEnabled(true);
  dialog.ShowModal();
  EXPECT_EQ(answer, mrNo);
  EXPECT_EQ(owner, Hwnd(dialog));
  Application.Reset();
}

HWND FindEdit(HWND parent) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (_wcsicmp(ClassOf(child).c_str(), L"Edit") == 0) return child;
    if (HWND edit = FindEdit(child)) return edit;
  }
  return nullptr;
}

// Drives the system's file dialog from a timer: types the name, picks the
// type, presses OK or Cancel.
struct TFileDialogDriver {
  TTimer Timer;
  TFileDialogDriver(const wchar_t* title, std::wstring name, int typeIndex, bool ok) {
    Timer.OnTimer = [=, this] {
      HWND dialog = FindWindowW(L"#32770", title);
      if (!dialog || !IsWindowVisible(dialog)) return;
      Timer.SetEnabled(false);
      if (typeIndex >= 0) {
        // The type list acts on CBN_SELENDOK.
        HWND types = GetDlgItem(dialog, 1136);
        SendMessageW(types, CB_SETCURSEL, typeIndex, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(1136, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
      }
      if (HWND edit = FindEdit(GetDlgItem(dialog, 1148))) SetWindowTextW(edit, name.c_str());
      SendMessageW(GetDlgItem(dialog, ok ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
    };
    Timer.SetInterval(50);
    Timer.SetEnabled(true);
  }
};

TEST(FileDialogTest, TheUsersChoiceComesBack) {
  TTestFolder folder;
  folder.Write(L"a.xml", "<alarms/>");
  std::filesystem::path dir = std::filesystem::canonical(folder.Dir());
  struct TCase {
    const char* Name;
    bool Save;
    const wchar_t* Typed;
    int TypeIndex;  // 0-based in the list, -1: left as it is
    bool Ok;
    bool Chosen;
    std::wstring FileName;
    int FilterIndex;
  };
  const TCase cases[] = {
      {"open with the second type", false, L"a.xml", 1, true, true, (dir / L"a.xml").wstring(), 2},
      {"save adds the default extension", true, L"alarms", -1, true, true, (dir / L"alarms.xml").wstring(), 1},
      {"cancel keeps the name", false, L"a.xml", -1, false, false, L"alarm", 1},
  };
  TForm main;
  main.Loaded();
  main.Show();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TOpenDialog open;
    TSaveDialog save;
    TFileDialog& dialog = c.Save ? static_cast<TFileDialog&>(save) : open;
    dialog.Title = L"Pick a file";
    dialog.FileName = L"alarm";
    dialog.Filter = L"XML Files (*.xml)|*.xml|All files (*.*)|*.*";
    dialog.DefaultExt = L"xml";
    dialog.InitialDir = dir.wstring();
    TFileDialogDriver driver(L"Pick a file", c.Typed, c.TypeIndex, c.Ok);
    EXPECT_EQ(dialog.Execute(), c.Chosen);
    EXPECT_EQ(_wcsicmp(dialog.FileName.c_str(), c.FileName.c_str()), 0) << dialog.FileName.c_str();
    EXPECT_EQ(dialog.FilterIndex, c.FilterIndex);
  }
}

constexpr const wchar_t* kInstanceTitle = L"Tollivane instance test";

// Run in a second process by the test below; skipped otherwise.
TEST(RunningInstanceTest, SecondProcess) {
  wchar_t flag[8] = {};
  if (!GetEnvironmentVariableW(L"TOLLIVANE_SECOND_INSTANCE", flag, 8)) GTEST_SKIP() << "run by the first process";
  EXPECT_TRUE(backend::ActivateRunningInstance(kInstanceTitle));
}

TEST(RunningInstanceTest, ASecondStartShowsTheFirstAndEnds) {
  Application.SetTitle(kInstanceTitle);
  TForm main;
  main.Loaded();
  EXPECT_FALSE(Application.ActivateRunningInstance());  // the first start
  EXPECT_FALSE(IsWindowVisible(Hwnd(main)));            // hidden, as in the notification area

  // The same process asking again stands for a second start (simulated):
  // the mutex exists, and the first instance's window gets the request.
  EXPECT_TRUE(Application.ActivateRunningInstance());
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(Hwnd(main)) != FALSE; }));

  // A real second process.
  main.Hide();
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=RunningInstanceTest.SecondProcess";
  SetEnvironmentVariableW(L"TOLLIVANE_SECOND_INSTANCE", L"1");
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  BOOL started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableW(L"TOLLIVANE_SECOND_INSTANCE", nullptr);
  ASSERT_TRUE(started);
  EXPECT_TRUE(PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }));
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(exitCode, 0u);  // its test passed: it saw the first instance
  EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(Hwnd(main)) != FALSE; }));
  Application.Reset();
}

}  // namespace
