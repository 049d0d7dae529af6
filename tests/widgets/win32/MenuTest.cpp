// Menu bars and popup menus: built from the model, following the actions'
// states, and running the chosen item; the notification icon's mouse input.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Win32TestSupport.h"
#include "widgets/Action.h"
#include "widgets/Form.h"
#include "widgets/Menu.h"
#include "widgets/Timer.h"
#include "widgets/TrayIcon.h"

using namespace testing_win32;

namespace {

std::wstring MenuText(HMENU menu, UINT position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return text;
}

bool Grayed(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED; }

// The main window's menus and actions, in small.
struct TMenuForm {
  TForm Form;
  TMainMenu Bar{&Form};
  TPopupMenu Popup;
  TActionList Actions;
  TAction* Add = Actions.Add(L"Add Alarm...");
  TAction* Edit = Actions.Add(L"Edit Alarm...");
  bool Selected = false;
  int Added = 0, Edited = 0, Restored = 0;
  TMenuItem *Files, *Alarm, *EditItem, *Restore;

  TMenuForm() {
    Add->OnExecute = [this] { ++Added; };
    Edit->OnExecute = [this] { ++Edited; };
    Edit->OnUpdate = [this] { Edit->SetEnabled(Selected); };
    Files = Bar.Items().Add(L"Files");
    Files->Add(L"Import...");
    Files->AddSeparator();
    Files->Add(L"Exit");
    Alarm = Bar.Items().Add(L"Alarm");
    Alarm->Add(Add);
    EditItem = Alarm->Add(Edit);
    Restore = Popup.Items().Add(L"Tollivane");
    Restore->SetDefault(true);
    Restore->OnClick = [this] { ++Restored; };
    Popup.Items().AddSeparator();
    Popup.Items().Add(Add);
    Popup.Items().Add(Edit);
    Form.SetMenu(&Bar);
    Form.Loaded();
    Form.Show();
  }
};

TEST(MenuTest, MenuBarIsBuiltFromTheModel) {
  TMenuForm f;
  HMENU bar = GetMenu(Hwnd(f.Form));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(MenuText(bar, 0), L"&Files");
  EXPECT_EQ(MenuText(bar, 1), L"&Alarm");
  HMENU files = GetSubMenu(bar, 0);
  ASSERT_EQ(GetMenuItemCount(files), 3);
  EXPECT_EQ(MenuText(files, 0), L"&Import...");
  EXPECT_TRUE(GetMenuState(files, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(MenuText(files, 2), L"&Exit");
  EXPECT_EQ(GetMenuItemID(GetSubMenu(bar, 1), 1), f.EditItem->Id());
}

TEST(MenuTest, MenuBarFollowsTheActionsAndRebuildsOnlyForANewShape) {
  TMenuForm f;
  HMENU bar = GetMenu(Hwnd(f.Form));
  UINT edit = f.EditItem->Id();
  Application.DoIdle();
  EXPECT_TRUE(Grayed(bar, edit));
  // Opening the menu runs the idle update first.
  f.Selected = true;
  SendMessageW(Hwnd(f.Form), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(bar, 1)), 1);
  EXPECT_FALSE(Grayed(bar, edit));
  f.Edit->SetCaption(L"Change Alarm...");
  EXPECT_EQ(MenuText(GetSubMenu(bar, 1), 1), L"&Change Alarm...");
  EXPECT_EQ(GetMenu(Hwnd(f.Form)), bar);  // updated in place

  TMenuItem* duplicate = f.Alarm->Add(L"Duplicate Alarm...");
  HMENU rebuilt = GetMenu(Hwnd(f.Form));
  ASSERT_EQ(GetMenuItemCount(GetSubMenu(rebuilt, 1)), 3);
  EXPECT_EQ(GetMenuItemID(GetSubMenu(rebuilt, 1), 2), duplicate->Id());
  duplicate->SetVisible(false);
  EXPECT_EQ(GetMenuItemCount(GetSubMenu(GetMenu(Hwnd(f.Form)), 1)), 2);
}

// Every item has an access key, shown as an underline only: the caption is
// the model's, the keys differ within each menu, a word's first letter is
// taken where it is free, and an "&" of the caption shows as it is.
TEST(MenuTest, EveryItemHasItsOwnAccessKey) {
  struct TCase {
    std::vector<std::wstring> Captions;
    std::vector<std::wstring> Texts;
  };
  const TCase cases[] = {
      {{L"Add...", L"Edit...", L"Delete", L"Duplicate", L"Exit"}, {L"&Add...", L"&Edit...", L"&Delete", L"D&uplicate", L"E&xit"}},
      {{L"Tollivane", L"-", L"Tea & cake", L"Tea time"}, {L"&Tollivane", L"", L"Tea && &cake", L"T&ea time"}},
      {{L"Help", L"Help", L"?"}, {L"&Help", L"H&elp", L"?"}},
  };
  for (const TCase& c : cases) {
    TForm form;
    TPopupMenu menu;
    TMainMenu bar(&form);
    TMenuItem* sub = bar.Items().Add(L"Menu");
    for (const std::wstring& caption : c.Captions) {
      if (caption == L"-")
        sub->AddSeparator();
      else
        sub->Add(caption);
    }
    form.SetMenu(&bar);
    form.Loaded();
    HMENU native = GetSubMenu(GetMenu(Hwnd(form)), 0);
    ASSERT_EQ(GetMenuItemCount(native), static_cast<int>(c.Texts.size()));
    for (size_t i = 0; i < c.Texts.size(); ++i) EXPECT_EQ(MenuText(native, static_cast<UINT>(i)), c.Texts[i]);
  }
}

// Alt and a menu's key opens it, as the system's menu bar does with the key.
TEST(MenuTest, AltAndTheKeyOpenTheMenu) {
  TMenuForm f;
  HWND form = Hwnd(f.Form);
  SetForegroundWindow(form);
  bool opened = false;
  TTimer timer;
  timer.OnTimer = [&] {
    timer.SetEnabled(false);
    for (HWND popup = FindWindowW(L"#32768", nullptr); popup; popup = FindWindowExW(nullptr, popup, L"#32768", nullptr))
      opened = opened || IsWindowVisible(popup);
    EndMenu();
  };
  timer.SetInterval(100);
  timer.SetEnabled(true);
  // What DefWindowProc makes of Alt+F.
  SendMessageW(form, WM_SYSCOMMAND, SC_KEYMENU, 'f');
  EXPECT_TRUE(opened);
  timer.SetEnabled(false);
}

TEST(MenuTest, MenuCommandsRunTheirItems) {
  TMenuForm f;
  HWND form = Hwnd(f.Form);
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(f.Alarm->Items()[0]->Id(), 0), 0);
  EXPECT_EQ(f.Added, 1);
  Application.DoIdle();  // nothing selected: Edit is disabled and does nothing
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(f.EditItem->Id(), 0), 0);
  EXPECT_EQ(f.Edited, 0);
  f.Selected = true;
  Application.DoIdle();
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(f.EditItem->Id(), 0), 0);
  EXPECT_EQ(f.Edited, 1);
}

// While the popup is open, a timer looks at it and then types `keys` into
// the menu loop.
struct TPopupProbe {
  TTimer Timer;
  bool Seen = false;
  UINT DefaultId = 0;
  bool EditGrayed = false;
  int Count = 0;

  TPopupProbe(TMenuForm& f, std::vector<WPARAM> keys) {
    Timer.OnTimer = [this, &f, keys] {
      auto menu = static_cast<HMENU>(f.Popup.Handle());
      if (!menu || Seen) return;
      Seen = true;
      DefaultId = GetMenuDefaultItem(menu, FALSE, 0);
      EditGrayed = Grayed(menu, f.Popup.Items().Items()[3]->Id());
      Count = GetMenuItemCount(menu);
      // The menu loop reads keyboard input from the thread's queue.
      for (WPARAM key : keys) PostMessageW(Hwnd(f.Form), WM_KEYDOWN, key, 0);
    };
    Timer.SetInterval(20);
    Timer.SetEnabled(true);
  }
};

TEST(MenuTest, PopupShowsFreshStatesItsDefaultInBoldAndRunsTheChoice) {
  struct TCase {
    const char* Name;
    std::vector<WPARAM> Keys;
    int Restored, Added;
  };
  const TCase cases[] = {
      {"the first item", {VK_DOWN, VK_RETURN}, 1, 0},
      {"past the separator", {VK_DOWN, VK_DOWN, VK_RETURN}, 0, 1},
      {"escape chooses nothing", {VK_ESCAPE}, 0, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMenuForm f;
    f.Selected = false;  // no idle update has run: Popup must run it
    f.Edit->SetEnabled(true);
    TPopupProbe probe(f, c.Keys);
    f.Popup.Popup(40, 40);
    probe.Timer.SetEnabled(false);
    ASSERT_TRUE(probe.Seen);
    EXPECT_EQ(probe.Count, 4);
    EXPECT_EQ(probe.DefaultId, f.Restore->Id());
    EXPECT_TRUE(probe.EditGrayed);
    EXPECT_EQ(f.Restored, c.Restored);
    EXPECT_EQ(f.Added, c.Added);
    EXPECT_EQ(f.Popup.Handle(), nullptr);
  }
}

// The shell may be slow to answer: the main window is painted before the
// program asks it for its icon.
TEST(MenuTest, TheTrayIconIsAddedOnceTheWindowIsPainted) {
  TMenuForm f;
  f.Form.Show();
  const auto form = static_cast<HWND>(f.Form.Handle());
  TTrayIcon tray(&f.Form);
  tray.SetHint(L"Tollivane");
  tray.SetVisible(true);
  EXPECT_FALSE(win32::TrayIconAdded(tray));
  // Wine paints a window as it shows it; Windows leaves that to WM_PAINT.
  InvalidateRect(form, nullptr, TRUE);
  Sleep(50);  // whatever the icon waits for, time it is not
  MSG msg;
  while (!win32::TrayIconAdded(tray) && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_TRUE(win32::TrayIconAdded(tray));
  EXPECT_FALSE(GetUpdateRect(form, nullptr, FALSE)) << "the icon came before the paint";
  tray.SetVisible(false);
  EXPECT_FALSE(win32::TrayIconAdded(tray));
}

TEST(MenuTest, TrayIconTakesDoubleAndRightClicksOnly) {
  TMenuForm f;
  TTrayIcon tray(&f.Form);
  tray.SetHint(L"Tollivane");
  tray.SetPopupMenu(&f.Popup);
  int doubles = 0;
  tray.OnDblClick = [&] { ++doubles; };
  tray.SetVisible(true);
  UINT id = win32::TrayIconId(tray);
  ASSERT_NE(id, 0u);
  HWND utility = win32::UtilityWindow();

  SendMessageW(utility, win32::kTrayCallback, id, WM_LBUTTONUP);
  SendMessageW(utility, win32::kTrayCallback, id, WM_LBUTTONDBLCLK);
  EXPECT_EQ(doubles, 1);

  TPopupProbe probe(f, {VK_ESCAPE});
  SendMessageW(utility, win32::kTrayCallback, id, WM_RBUTTONUP);
  probe.Timer.SetEnabled(false);
  EXPECT_TRUE(probe.Seen);  // the popup opened
  // ...with the program in the foreground, as menus of notification icons need.
  EXPECT_EQ(GetWindowThreadProcessId(GetForegroundWindow(), nullptr), GetCurrentThreadId());
  tray.SetVisible(false);
}

}  // namespace
