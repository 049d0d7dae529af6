// Forms as top-level windows: styles, sizes, placement, closing,
// minimizing, resizing, DPI changes, modal loops and the message loop.

#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "widgets/Action.h"
#include "widgets/Dialogs.h"
#include "widgets/Form.h"
#include "widgets/Menu.h"
#include "widgets/StdControls.h"
#include "widgets/Timer.h"

using namespace testing_win32;

namespace {

class FormTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Application.Reset();
    // A WM_QUIT left behind by a test would end the next one's loops.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
};

TEST_F(FormTest, BorderStylesOwnersAndClientSize) {
  struct TCase {
    TBorderStyle Style;
    bool Owned;
    LONG_PTR Present, Absent, ExPresent, ExAbsent;
    bool MaximizeBox = true;
  };
  const TCase cases[] = {
      {bsSizeable, false, WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_SYSMENU, 0, WS_EX_APPWINDOW, 0},
      {bsSizeable, true, WS_THICKFRAME | WS_MINIMIZEBOX | WS_SYSMENU, WS_MAXIMIZEBOX, 0, WS_EX_APPWINDOW, false},
      {bsSingle, true, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_THICKFRAME | WS_MAXIMIZEBOX, 0, WS_EX_APPWINDOW},
      {bsDialog, true, WS_CAPTION | WS_SYSMENU, WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_EX_DLGMODALFRAME,
       WS_EX_APPWINDOW},
  };
  TForm main;
  main.Loaded();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Style);
    TForm form(c.Owned ? &main : nullptr);
    form.SetBorderStyle(c.Style);
    form.SetCaption(L"Styled");
    form.SetClientSize(320, 192);
    form.SetMaximizeBox(c.MaximizeBox);
    form.Loaded();
    // Only the main window gets its windows at once, the others when first
    // shown.
    EXPECT_EQ(Hwnd(form), nullptr);
    form.Show();
    HWND hwnd = Hwnd(form);
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(Style(hwnd) & c.Present, c.Present);
    EXPECT_EQ(Style(hwnd) & c.Absent, 0);
    EXPECT_EQ(ExStyle(hwnd) & c.ExPresent, c.ExPresent);
    EXPECT_EQ(ExStyle(hwnd) & c.ExAbsent, 0);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), c.Owned ? Hwnd(main) : nullptr);
    EXPECT_EQ(Text(hwnd), L"Styled");
    RECT client;
    GetClientRect(hwnd, &client);
    UINT dpi = FormDpi(form);
    EXPECT_EQ(client.right, win32::Scale(320, dpi));
    EXPECT_EQ(client.bottom, win32::Scale(192, dpi));
  }
}

TEST_F(FormTest, ClientSizeLeavesRoomForTheMenuBar) {
  TForm form;
  TMainMenu menu(&form);
  menu.Items().Add(L"Files")->Add(L"Exit");
  form.SetMenu(&menu);
  form.SetClientSize(629, 531);
  form.Loaded();
  ASSERT_NE(GetMenu(Hwnd(form)), nullptr);
  RECT client;
  GetClientRect(Hwnd(form), &client);
  EXPECT_EQ(client.right, win32::Scale(629, FormDpi(form)));
  EXPECT_EQ(client.bottom, win32::Scale(531, FormDpi(form)));
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

TEST_F(FormTest, PlacedAsItsPositionSaysWhenShown) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  struct TCase {
    const char* Name;
    TPosition Position;
    int OwnerLeft;  // the owner's left edge, or -1 for the monitor's centre
    RECT Expected;  // where the centre must be; empty: inside the work area
  };
  TForm owner;
  owner.SetBorderStyle(bsSingle);
  owner.SetClientSize(500, 400);
  owner.Loaded();
  const TCase cases[] = {
      {"desktop", poDesktopCenter, -1, monitor.rcMonitor},
      {"work area", poWorkAreaCenter, -1, monitor.rcWork},
      {"owner", poOwnerFormCenter, 40, {}},
      {"owner at the edge", poOwnerFormCenter, monitor.rcWork.right - 100, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    if (c.OwnerLeft >= 0) {
      SetWindowPos(Hwnd(owner), nullptr, c.OwnerLeft, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      owner.Show();
    }
    TForm form(&owner);
    form.SetBorderStyle(bsDialog);
    form.SetPosition(c.Position);
    form.SetClientSize(200, 120);
    form.Loaded();
    form.Show();
    RECT window, ownerRect;
    GetWindowRect(Hwnd(form), &window);
    GetWindowRect(Hwnd(owner), &ownerRect);
    POINT centre = Centre(window);
    if (c.OwnerLeft < 0) {
      POINT expected = Centre(c.Expected);
      EXPECT_NEAR(centre.x, expected.x, 1);
      EXPECT_NEAR(centre.y, expected.y, 1);
    } else if (ownerRect.right <= monitor.rcWork.right) {
      POINT expected = Centre(ownerRect);
      EXPECT_NEAR(centre.x, expected.x, 1);
      EXPECT_NEAR(centre.y, expected.y, 1);
    } else {
      EXPECT_LE(window.right, monitor.rcWork.right);
      EXPECT_GE(window.left, monitor.rcWork.left);
    }
    form.Hide();
    owner.Hide();
  }
}

TEST_F(FormTest, CloseBoxAsksTheModelAndNeverDestroys) {
  TForm main;
  main.Loaded();
  main.Show();
  TForm other(&main);
  int closes = 0;
  other.OnClose = [&](TCloseAction&) { ++closes; };
  other.Loaded();
  other.Show();
  SendMessageW(Hwnd(other), WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(IsWindow(Hwnd(other)));
  EXPECT_FALSE(IsWindowVisible(Hwnd(other)));
  EXPECT_FALSE(Application.Terminated());

  // A form that refuses stays.
  other.OnClose = [](TCloseAction& action) { action = caNone; };
  other.Show();
  SendMessageW(Hwnd(other), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(Hwnd(other)));

  // The main window's close box ends the program.
  SendMessageW(Hwnd(main), WM_CLOSE, 0, 0);
  EXPECT_TRUE(Application.Terminated());
  EXPECT_TRUE(IsWindow(Hwnd(main)));
}

TEST_F(FormTest, MinimizeRaisesTheEventAndRestoreShowsAgain) {
  TForm main;
  main.Loaded();
  main.Show();
  int minimized = 0;
  Application.OnMinimize = [&] {
    ++minimized;
    main.HideWindow();  // as the program does: into the notification area
  };
  ShowWindow(Hwnd(main), SW_MINIMIZE);
  EXPECT_EQ(minimized, 1);
  EXPECT_TRUE(main.Minimized());
  EXPECT_FALSE(IsWindowVisible(Hwnd(main)));

  main.RestoreWindow();
  EXPECT_TRUE(IsWindowVisible(Hwnd(main)));
  EXPECT_FALSE(IsIconic(Hwnd(main)));
  EXPECT_FALSE(main.Minimized());
  EXPECT_TRUE(main.Showing());
}

// Restoring (from the notification area, or by a second start) brings the
// window back in the state it had, maximized included.
TEST_F(FormTest, RestoringKeepsAMaximizedWindowMaximized) {
  struct TCase {
    const char* Name;
    bool Minimize, Hide;
  };
  const TCase cases[] = {
      {"visible", false, false},
      {"hidden", false, true},
      {"minimized", true, false},
      {"minimized into the notification area", true, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm main;
    main.Loaded();
    main.Show();
    ShowWindow(Hwnd(main), SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(Hwnd(main)));
    if (c.Minimize) ShowWindow(Hwnd(main), SW_MINIMIZE);
    if (c.Hide) main.HideWindow();
    main.RestoreWindow();
    EXPECT_TRUE(IsWindowVisible(Hwnd(main)));
    EXPECT_FALSE(IsIconic(Hwnd(main)));
    EXPECT_TRUE(IsZoomed(Hwnd(main)));
    EXPECT_FALSE(main.Minimized());
  }
}

TEST_F(FormTest, ResizingReachesTheModelAndItsAlignedControls) {
  TForm form;
  form.SetClientSize(300, 200);
  TGradientPanel toolbar(&form);
  toolbar.SetBounds(0, 0, 300, 65);
  toolbar.SetAlign(alTop);
  TMemo rest(&form);
  rest.SetAlign(alClient);
  form.Loaded();
  form.Show();
  UINT dpi = FormDpi(form);
  RECT window;
  GetWindowRect(Hwnd(form), &window);
  SetWindowPos(Hwnd(form), nullptr, 0, 0, window.right - window.left + win32::Scale(100, dpi),
               window.bottom - window.top + win32::Scale(50, dpi), SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(form.ClientWidth(), 400);
  EXPECT_EQ(form.ClientHeight(), 250);
  EXPECT_EQ(toolbar.Height(), 65);
  RECT memo = RectInParent(Hwnd(rest));
  EXPECT_EQ(memo.top, win32::Scale(65, dpi));
  EXPECT_EQ(memo.right - memo.left, win32::Scale(400, dpi));
  EXPECT_EQ(memo.bottom, win32::Scale(250, dpi));
}

TEST_F(FormTest, DpiChangeRescalesFontsAndControls) {
  TForm form;
  form.SetClientSize(300, 200);
  TGroupBox group(&form);
  group.SetBounds(20, 10, 200, 100);
  TLabel label(&group);
  label.SetBounds(15, 22, 60, 14);
  label.SetCaption(L"HH : MM");
  form.Loaded();
  RECT suggested{100, 100, 100 + 480, 100 + 360};
  SendMessageW(Hwnd(form), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(FormDpi(form), 144u);
  RECT window;
  GetWindowRect(Hwnd(form), &window);
  EXPECT_EQ(window.left, 100);
  EXPECT_EQ(window.right - window.left, 480);
  // Inside the group box: (20 + 15, 10 + 22) at 1.5 times, rounded as
  // MulDiv rounds.
  RECT rect = RectInParent(Hwnd(label));
  EXPECT_EQ(rect.left, 53);
  EXPECT_EQ(rect.top, 48);
  EXPECT_EQ(rect.right - rect.left, 90);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Hwnd(label), WM_GETFONT, 0, 0)), sizeof(font), &font);
  EXPECT_EQ(font.lfHeight, -17);  // -MulDiv(11, 144, 96)
  EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma");
}

TEST_F(FormTest, TimerFiresDuringShowModalAndEndsIt) {
  TForm main;
  main.Loaded();
  main.Show();
  TForm dialog(&main);
  dialog.Loaded();
  TTimer timer;
  int ticks = 0;
  bool mainDisabled = false;
  timer.OnTimer = [&] {
    mainDisabled = !IsWindowEnabled(Hwnd(main));
    if (++ticks == 3) dialog.SetModalResult(mrRetry);
  };
  timer.SetInterval(10);
  timer.SetEnabled(true);
  EXPECT_EQ(dialog.ShowModal(), mrRetry);
  timer.SetEnabled(false);
  EXPECT_EQ(ticks, 3);
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(IsWindowEnabled(Hwnd(main)));
  EXPECT_FALSE(IsWindowVisible(Hwnd(dialog)));
}

// OK, the default button, and Cancel beside it, ending the modal loop with
// mrOk and mrCancel.
void PlaceOkAndCancel(TBitBtn& ok, TBitBtn& cancel, int left, int top) {
  ok.SetBounds(left, top, 75, 25);
  ok.SetCaption(L"OK");
  ok.SetDefault(true);
  ok.SetModalResult(mrOk);
  cancel.SetBounds(left + 82, top, 75, 25);
  cancel.SetCaption(L"Cancel");
  cancel.SetModalResult(mrCancel);
}

// Keys and the close box in a modal form, as in any dialog box: Enter presses
// the push button that has the focus, or else the default button, and makes
// a new line in a memo; Escape presses the cancel button, and where there is
// none (the editor) does nothing, in the memo too; Tab and Shift+Tab leave
// the memo; the close box cancels.
TEST_F(FormTest, KeysAndCloseBoxInAModalFormAsInADialogBox) {
  enum { kCheck, kMemo, kPlay };
  struct TCase {
    const char* Name;
    int From;  // the control the input goes to
    UINT Message;
    WPARAM Key;
    bool Shift;
    bool CancelButton;  // the form has a button that answers Escape
    int FocusAfter;     // -1: not looked at
    int PlayClicks;
    int Expected;
    bool NewLine;  // Enter made a new line in the memo; else the memo is as it was
  };
  const TCase cases[] = {
      {"Enter elsewhere presses the default button", kCheck, WM_KEYDOWN, VK_RETURN, false, true, -1, 0, mrOk, false},
      {"Enter on a focused push button presses it", kPlay, WM_KEYDOWN, VK_RETURN, false, false, kPlay, 1, mrNone,
       false},
      {"Enter in the memo is a new line", kMemo, WM_KEYDOWN, VK_RETURN, false, true, kMemo, 0, mrNone, true},
      {"Escape presses the cancel button", kCheck, WM_KEYDOWN, VK_ESCAPE, false, true, -1, 0, mrCancel, false},
      {"Escape without a cancel button does nothing, in the memo too", kMemo, WM_KEYDOWN, VK_ESCAPE, false, false,
       kMemo, 0, mrNone, false},
      {"Tab leaves the memo", kMemo, WM_KEYDOWN, VK_TAB, false, false, kPlay, 0, mrNone, false},
      {"Shift+Tab leaves the memo backwards", kMemo, WM_KEYDOWN, VK_TAB, true, false, kCheck, 0, mrNone, false},
      {"the close box cancels", kCheck, WM_CLOSE, 0, false, false, -1, 0, mrCancel, false},
  };
  // What the test ends the form with when the input did not.
  constexpr int kEndedByTest = 3;
  TForm main;
  main.Loaded();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm dialog(&main);
    TCheckBox check(&dialog);
    check.SetBounds(8, 8, 120, 20);
    check.SetCaption(L"Show message");
    TMemo memo(&dialog);
    memo.SetBounds(8, 32, 200, 60);
    memo.SetText(L"Wake up");
    TBitBtn play(&dialog), ok(&dialog), cancel(&dialog);
    play.SetBounds(8, 100, 75, 25);
    play.SetCaption(L"Play");
    int playClicks = 0;
    play.OnClick = [&] { ++playClicks; };
    PlaceOkAndCancel(ok, cancel, 90, 100);
    cancel.SetCancel(c.CancelButton);
    dialog.Loaded();
    // The windows exist once the form is first shown.
    const auto control = [&](int which) -> HWND {
      return which == kCheck ? Hwnd(check) : which == kMemo ? Hwnd(memo) : Hwnd(play);
    };
    HWND focusAfter = nullptr;
    BYTE keys[256];
    TTimer timer;
    int ticks = 0;
    timer.OnTimer = [&] {
      ++ticks;
      if (ticks == 1) {
        SetFocus(control(c.From));
        GetKeyboardState(keys);
        if (c.Shift) {
          keys[VK_SHIFT] = 0x80;
          SetKeyboardState(keys);
        }
        if (c.Message == WM_CLOSE)
          PostMessageW(Hwnd(dialog), WM_CLOSE, 0, 0);
        else
          PostMessageW(control(c.From), c.Message, c.Key, 1);
      } else if (ticks == 2) {
        // Posted input runs before the next WM_TIMER: it did nothing.
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        focusAfter = GetFocus();
        dialog.SetModalResult(kEndedByTest);
      }
    };
    timer.SetInterval(20);
    timer.SetEnabled(true);
    EXPECT_EQ(dialog.ShowModal(), c.Expected == mrNone ? kEndedByTest : c.Expected);
    EXPECT_EQ(playClicks, c.PlayClicks);
    if (c.FocusAfter >= 0) {
      EXPECT_EQ(focusAfter, control(c.FocusAfter));
    }
    std::wstring text = memo.Text();
    const size_t lineEnd = text.find(L"\r\n");
    EXPECT_EQ(lineEnd != std::wstring::npos, c.NewLine);
    if (lineEnd != std::wstring::npos) text.erase(lineEnd, 2);
    EXPECT_EQ(text, L"Wake up");  // no tab, nothing else typed
  }
}

// A modal form shown again is a new dialog: the focus starts at its first
// control, not on the button that closed it last time (Enter would press it).
TEST_F(FormTest, EachModalShowingStartsAtTheFirstControl) {
  TForm main;
  main.Loaded();
  TForm dialog(&main);
  TCheckBox check(&dialog);
  check.SetBounds(8, 8, 120, 20);
  check.SetCaption(L"Loop");
  TBitBtn ok(&dialog), cancel(&dialog);
  PlaceOkAndCancel(ok, cancel, 8, 40);
  dialog.Loaded();
  std::vector<HWND> focusAtStart;
  TTimer timer;
  timer.OnTimer = [&] {
    timer.SetEnabled(false);
    focusAtStart.push_back(GetFocus());
    SetFocus(Hwnd(cancel));
    PostMessageW(Hwnd(cancel), WM_KEYDOWN, VK_RETURN, 1);  // the focused button is pressed
  };
  for (int showing = 0; showing < 2; ++showing) {
    timer.SetInterval(20);
    timer.SetEnabled(true);
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
  }
  ASSERT_EQ(focusAtStart.size(), 2u);
  EXPECT_EQ(focusAtStart[0], Hwnd(check));
  EXPECT_EQ(focusAtStart[1], Hwnd(check));
}

TEST_F(FormTest, AnIndependentFormStaysUpAndUsableWhateverTheMainWindowDoes) {
  TForm main;
  main.Loaded();
  main.Show();
  TForm independent;
  independent.SetStayOnTop(true);
  independent.Loaded();
  independent.Show();
  ASSERT_TRUE(independent.Independent());
  EXPECT_EQ(GetWindow(Hwnd(independent), GW_OWNER), nullptr);
  Application.OnMinimize = [&] { main.HideWindow(); };
  ShowWindow(Hwnd(main), SW_MINIMIZE);
  Flush();
  EXPECT_FALSE(IsWindowVisible(Hwnd(main)));
  EXPECT_TRUE(IsWindowVisible(Hwnd(independent)));
  main.RestoreWindow();
  EXPECT_TRUE(IsWindowVisible(Hwnd(independent)));

  // A modal form disables the main window, not this one; bringing the main
  // window forward brings the modal form.
  TForm dialog(&main);
  dialog.Loaded();
  TTimer timer;
  bool independentEnabled = false, mainEnabled = true;
  HWND foreground = nullptr;
  timer.OnTimer = [&] {
    independentEnabled = IsWindowEnabled(Hwnd(independent));
    mainEnabled = IsWindowEnabled(Hwnd(main));
    main.BringToFront();
    foreground = GetForegroundWindow();
    dialog.SetModalResult(mrOk);
  };
  timer.SetInterval(10);
  timer.SetEnabled(true);
  dialog.ShowModal();
  timer.SetEnabled(false);
  EXPECT_TRUE(independentEnabled);
  EXPECT_FALSE(mainEnabled);
  EXPECT_EQ(foreground, Hwnd(dialog));
}

TEST_F(FormTest, ClosingTheMainWindowEndsTheDialogsUpFirst) {
  TForm main;
  main.Loaded();
  main.Show();
  TForm dialog(&main);
  dialog.Loaded();
  // The system's message box, up over the modal form, when the main window
  // is closed (Exit in the notification area's menu).
  bool boxUpAtClose = true, dialogUpAtClose = true;
  main.OnClose = [&](TCloseAction&) {
    boxUpAtClose = FindWindowW(L"#32770", nullptr) != nullptr && IsWindowVisible(FindWindowW(L"#32770", nullptr));
    dialogUpAtClose = IsWindowVisible(Hwnd(dialog));
  };
  TTimer timer;
  int answer = -1;
  timer.OnTimer = [&] {
    timer.SetEnabled(false);
    answer = MessageDlg(L"Delete?", mtConfirmation, mbYesNo);
  };
  TTimer closer;
  closer.OnTimer = [&] {
    if (!FindWindowW(L"#32770", nullptr)) return;
    closer.SetEnabled(false);
    main.Close();
  };
  timer.SetInterval(10);
  timer.SetEnabled(true);
  closer.SetInterval(20);
  closer.SetEnabled(true);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  closer.SetEnabled(false);
  EXPECT_EQ(answer, mrCancel);
  EXPECT_FALSE(boxUpAtClose);
  EXPECT_FALSE(dialogUpAtClose);
  EXPECT_TRUE(Application.Terminated());
}

TEST_F(FormTest, QuitDuringAModalLoopReachesTheOuterLoop) {
  TForm main;
  main.Loaded();
  TForm dialog(&main);
  dialog.Loaded();
  TTimer timer;
  timer.OnTimer = [&] { Application.Terminate(); };
  timer.SetInterval(10);
  timer.SetEnabled(true);
  dialog.ShowModal();
  timer.SetEnabled(false);
  EXPECT_TRUE(Application.Terminated());
  MSG msg;
  EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(FormTest, MessageLoopRunsIdleUpdatesAndEndsOnTerminate) {
  TForm main;
  main.Loaded();
  TActionList actions;
  TAction* action = actions.Add(L"Edit");
  int updates = 0;
  action->OnUpdate = [&] { ++updates; };
  TTimer timer;
  int updatesAtTick = -1;
  timer.OnTimer = [&] {
    if (updatesAtTick < 0) {
      updatesAtTick = updates;
    } else {
      // Between two ticks the queue ran dry: one more idle pass at least.
      EXPECT_GT(updates, updatesAtTick);
      Application.Terminate();
    }
  };
  timer.SetInterval(30);
  timer.SetEnabled(true);
  Application.Run();
  timer.SetEnabled(false);
  EXPECT_GT(updatesAtTick, 0);  // before the first tick: the queue was empty at start
  EXPECT_TRUE(Application.Terminated());
}

}  // namespace
