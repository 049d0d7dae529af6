// The message loop, the utility window with its timers and notification
// icons, the second start of the program, message boxes and file dialogs.

// clang-format off
#include <windows.h>
#include <commdlg.h>
#include <cderr.h>
#include <shellapi.h>
// clang-format on
// windows.h maps MessageBox to MessageBoxW; the back end has its own.
#undef MessageBox

#include <algorithm>
#include <deque>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "widgets/Backend.h"
#include "widgets/Form.h"
#include "widgets/Timer.h"
#include "widgets/TrayIcon.h"
#include "widgets/win32/Peers.h"

namespace win32 {

namespace {

struct TTrayState {
  UINT Id = 0;
  bool Added = false;
  HICON Icon = nullptr;
  bool OwnedIcon = false;
};

struct TState {
  HWND Utility = nullptr;
  UINT_PTR NextTimerId = 0;
  std::map<UINT_PTR, TTimer*> Timers;  // not owned
  UINT NextTrayId = 0;
  std::map<TTrayIcon*, TTrayState> Trays;
  HANDLE InstanceMutex = nullptr;
  // What background work posted for the GUI thread.
  std::mutex PostedLock;
  std::deque<std::function<void()>> Posted;
};

TState& State() {
  // Never freed: timers and icons of global forms go away during static
  // destruction, in an order nobody controls.
  static auto& state = *new TState;
  return state;
}

UINT TaskbarCreatedMessage() {
  static UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

// The first adding of the notification icons waits for this timer. The
// shell's answer can be slow (Explorer still starting at sign-in; under Wine
// some 5 ms even when idle), and a window timer comes only once no window
// of the thread needs painting: the main window shows first.
constexpr UINT_PTR kTrayTimer = ~UINT_PTR{0};

UINT ActivateMessage() {
  static UINT message = RegisterWindowMessageW(L"Tollivane.ActivateInstance");
  return message;
}

NOTIFYICONDATAW TrayData(const TTrayIcon& icon, const TTrayState& tray) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = State().Utility;
  data.uID = tray.Id;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallback;
  data.hIcon = tray.Icon;
  lstrcpynW(data.szTip, icon.Hint().c_str(), static_cast<int>(std::size(data.szTip)));
  return data;
}

void ShowTray(TTrayIcon& icon, TTrayState& tray, bool now) {
  if (!icon.Visible()) {
    if (tray.Added) {
      NOTIFYICONDATAW data = TrayData(icon, tray);
      Shell_NotifyIconW(NIM_DELETE, &data);
      tray.Added = false;
    }
    return;
  }
  if (!tray.Added && !now) {
    SetTimer(State().Utility, kTrayTimer, USER_TIMER_MINIMUM, nullptr);
    return;
  }
  HICON old = tray.Icon;
  bool oldOwned = tray.OwnedIcon;
  tray.Icon = LoadIconOrDefault(icon.Icon(), MetricForDpi(SM_CXSMICON, SystemDpi()), tray.OwnedIcon);
  NOTIFYICONDATAW data = TrayData(icon, tray);
  // Without a taskbar (Explorer not running yet, or restarting) NIM_ADD
  // fails; the "TaskbarCreated" broadcast adds the icon again later.
  if (!tray.Added)
    tray.Added = Shell_NotifyIconW(NIM_ADD, &data);
  else if (!Shell_NotifyIconW(NIM_MODIFY, &data))
    tray.Added = Shell_NotifyIconW(NIM_ADD, &data);
  if (old && oldOwned) DestroyIcon(old);
}

TTrayIcon* TrayById(UINT id) {
  for (auto& [icon, tray] : State().Trays)
    if (tray.Id == id) return icon;
  return nullptr;
}

LRESULT CALLBACK UtilityProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  TState& state = State();
  if (message == WM_TIMER && wParam == kTrayTimer) {
    KillTimer(hwnd, kTrayTimer);
    for (auto& [icon, tray] : state.Trays)
      if (!tray.Added) ShowTray(*icon, tray, true);
    return 0;
  }
  if (message == WM_TIMER) {
    if (auto it = state.Timers.find(wParam); it != state.Timers.end()) it->second->DoTimer();
    return 0;
  }
  if (message == kRunPosted) {
    for (;;) {
      std::function<void()> posted;
      {
        std::lock_guard lock(state.PostedLock);
        if (state.Posted.empty()) break;
        posted = std::move(state.Posted.front());
        state.Posted.pop_front();
      }
      posted();
    }
    return 0;
  }
  if (message == kTrayCallback) {
    TTrayIcon* icon = TrayById(static_cast<UINT>(wParam));
    if (!icon) return 0;
    if (LOWORD(lParam) == WM_RBUTTONUP) {
      POINT point;
      GetCursorPos(&point);
      icon->DoRightButtonUp(point.x, point.y);
    } else if (LOWORD(lParam) == WM_LBUTTONDBLCLK) {
      icon->DoDblClick();
    }
    return 0;
  }
  // Broadcasts to top-level windows, which this one is.
  // A change of time zone or of daylight saving time may come with
  // WM_SETTINGCHANGE alone, or with neither (the scheduler wakes at the
  // zone's changes anyway); a pass more costs nothing.
  if (message == WM_TIMECHANGE || message == WM_SETTINGCHANGE) {
    Application.DoTimeChange();
    return 0;
  }
  if (message == WM_POWERBROADCAST) {
    if (wParam == PBT_APMRESUMEAUTOMATIC) Application.DoResume();
    return TRUE;
  }
  if (message == WM_QUERYENDSESSION) return TRUE;
  if (message == WM_ENDSESSION) {
    // The process may be ended any time after this returns.
    if (wParam) Application.DoEndSession();
    return 0;
  }
  if (message == TaskbarCreatedMessage() && message != 0) {
    for (auto& [icon, tray] : state.Trays) {
      tray.Added = false;
      ShowTray(*icon, tray, true);
    }
    return 0;
  }
  if (message == ActivateMessage() && message != 0) {
    // A second start of the program: the first one shows itself, even
    // from the notification area.
    if (TForm* main = Application.MainForm()) {
      main->RestoreWindow();
      main->BringToFront();
    }
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The window the message boxes and file dialogs belong to: the active form,
// else a modal one, else the main window while it is shown; null when none.
HWND DialogOwner() {
  auto usable = [](HWND hwnd) { return hwnd && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd); };
  HWND active = GetActiveWindow();
  if (IsFormWindow(active) && usable(active)) return active;
  for (auto it = Application.Forms().rbegin(); it != Application.Forms().rend(); ++it)
    if ((*it)->Modal() && usable(static_cast<HWND>((*it)->Handle()))) return static_cast<HWND>((*it)->Handle());
  if (TForm* main = Application.MainForm(); main && usable(static_cast<HWND>(main->Handle())))
    return static_cast<HWND>(main->Handle());
  return nullptr;
}

std::wstring FilterList(const std::wstring& filter) {
  // "A|*.a|B|*.*" -> "A\0*.a\0B\0*.*\0\0"
  std::wstring list = filter;
  for (wchar_t& c : list)
    if (c == L'|') c = L'\0';
  list.push_back(L'\0');
  list.push_back(L'\0');
  return list;
}

}  // namespace

HWND UtilityWindow() {
  TState& state = State();
  if (state.Utility) return state.Utility;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = UtilityProc;
  wc.hInstance = Instance();
  wc.lpszClassName = kUtilityClass;
  RegisterClassExW(&wc);
  // Never shown; WS_EX_TOOLWINDOW keeps it off the taskbar and Alt+Tab.
  state.Utility = CreateWindowExW(WS_EX_TOOLWINDOW, kUtilityClass, Application.Title().c_str(), WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, Instance(), nullptr);
  return state.Utility;
}

bool TrayIconAdded(const TTrayIcon& icon) {
  auto it = State().Trays.find(const_cast<TTrayIcon*>(&icon));
  return it != State().Trays.end() && it->second.Added;
}

UINT TrayIconId(const TTrayIcon& icon) {
  auto it = State().Trays.find(const_cast<TTrayIcon*>(&icon));
  return it != State().Trays.end() ? it->second.Id : 0;
}

void DispatchOne(MSG& msg) {
  // Tab, Enter and Escape in every form, as in a dialog box.
  if (msg.hwnd) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (IsFormWindow(root) && IsDialogMessageW(root, &msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool RunLoop(bool (*done)(void*), void* context, WPARAM& quitCode) {
  bool idlePending = true;
  while (!done(context)) {
    MSG msg;
    // When the queue has run dry, the actions are brought up to date once;
    // then GetMessage sleeps until the next message.
    if (idlePending && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      idlePending = false;
      Application.DoIdle();
      continue;
    }
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      quitCode = msg.wParam;
      return false;
    }
    if (got == -1) return true;  // only for invalid arguments
    // Painting what idle processing changed is no reason for another pass.
    if (msg.message != WM_PAINT) idlePending = true;
    DispatchOne(msg);
  }
  return true;
}

}  // namespace win32

namespace backend {

using namespace win32;

void RunInBackground(std::function<void()> work, std::function<void()> done) {
  // Taken here, on the GUI thread: the window belongs to it.
  const HWND utility = UtilityWindow();
  std::thread([utility, work = std::move(work), done = std::move(done)]() mutable {
    try {
      work();
    } catch (...) {
      // The work's failure is its own; what follows still runs.
    }
    if (!done) return;
    {
      std::lock_guard lock(State().PostedLock);
      State().Posted.push_back(std::move(done));
    }
    PostMessageW(utility, kRunPosted, 0, 0);
  }).detach();
}

void RunMessageLoop() {
  WPARAM quitCode = 0;
  RunLoop([](void*) { return Application.Terminated(); }, nullptr, quitCode);
}

void Terminate() { PostQuitMessage(0); }

void TimerChanged(TTimer& timer) {
  TState& state = State();
  HWND utility = UtilityWindow();
  if (timer.Enabled() && timer.Interval() > 0) {
    UINT_PTR id = timer.Id();
    if (!id) {
      id = ++state.NextTimerId;
      timer.SetId(id);
      state.Timers[id] = &timer;
    }
    // The same id again replaces the timer: the interval starts anew.
    SetTimer(utility, id, timer.Interval(), nullptr);
  } else if (UINT_PTR id = timer.Id()) {
    KillTimer(utility, id);
    state.Timers.erase(id);
    timer.SetId(0);
  }
}

void DestroyTimer(TTimer& timer) {
  if (UINT_PTR id = timer.Id()) {
    KillTimer(State().Utility, id);
    State().Timers.erase(id);
    timer.SetId(0);
  }
}

void TrayChanged(TTrayIcon& icon) {
  TState& state = State();
  UtilityWindow();
  auto [it, added] = state.Trays.try_emplace(&icon);
  if (added) it->second.Id = ++state.NextTrayId;
  ShowTray(icon, it->second, false);
}

void DestroyTray(TTrayIcon& icon) {
  TState& state = State();
  auto it = state.Trays.find(&icon);
  if (it == state.Trays.end()) return;
  if (it->second.Added) {
    NOTIFYICONDATAW data = TrayData(icon, it->second);
    Shell_NotifyIconW(NIM_DELETE, &data);
  }
  if (it->second.Icon && it->second.OwnedIcon) DestroyIcon(it->second.Icon);
  state.Trays.erase(it);
}

void ForegroundForTray(TTrayIcon& icon) {
  // The main window, or the hidden utility window while the program sits
  // in the notification area: either way the program owns the foreground.
  TForm* form = icon.Owner() ? icon.Owner() : Application.MainForm();
  HWND target = form ? static_cast<HWND>(form->Handle()) : nullptr;
  if (!target || !IsWindowVisible(target)) target = UtilityWindow();
  SetForegroundWindow(target);
}

int MessageBox(const std::wstring& text, const std::wstring& caption, TMsgDlgType type, TMsgDlgButtons buttons) {
  UINT flags = 0;
  switch (type) {
    case mtError:
      flags |= MB_ICONERROR;
      break;
    case mtInformation:
      flags |= MB_ICONINFORMATION;
      break;
    case mtConfirmation:
      flags |= MB_ICONQUESTION;
      break;
    case mtWarning:
      flags |= MB_ICONWARNING;
      break;
    case mtCustom:
      break;
  }
  switch (buttons) {
    case mbOK:
      flags |= MB_OK;
      break;
    case mbYesNo:
      flags |= MB_YESNO;
      break;
    case mbRetryCancel:
      flags |= MB_RETRYCANCEL;
      break;
  }
  HWND owner = DialogOwner();
  // Without an owner, MB_TASKMODAL disables the program's windows instead.
  if (!owner) flags |= MB_TASKMODAL | MB_SETFOREGROUND;
  int result = ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
  // IDOK, IDCANCEL, IDRETRY, IDYES and IDNO have the mr* values. 0 means the
  // box could not be shown: nobody answered, which is a cancel.
  return result == 0 ? mrCancel : result;
}

bool ExecuteFileDialog(TFileDialog& dialog, bool save) {
  std::wstring filter = FilterList(dialog.Filter);
  // 32K characters: the longest path the system accepts.
  std::vector<wchar_t> file(32768, L'\0');
  for (bool retry = true;; retry = false) {
    lstrcpynW(file.data(), dialog.FileName.c_str(), static_cast<int>(file.size()));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = DialogOwner();
    ofn.lpstrFilter = dialog.Filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(std::max(dialog.FilterIndex, 0));
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = dialog.InitialDir.empty() ? nullptr : dialog.InitialDir.c_str();
    ofn.lpstrTitle = dialog.Title.empty() ? nullptr : dialog.Title.c_str();
    ofn.lpstrDefExt = dialog.DefaultExt.empty() ? nullptr : dialog.DefaultExt.c_str();
    ofn.Flags = dialog.Options | OFN_EXPLORER;
    BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (chosen) {
      dialog.FileName = file.data();
      dialog.FilterIndex = static_cast<int>(ofn.nFilterIndex);
      return true;
    }
    DWORD error = CommDlgExtendedError();
    if (error == 0) return false;  // the user cancelled
    // The dialog refuses to open with an initial name it cannot take
    // (documented FNERR_INVALIDFILENAME): open it once more without one.
    if (error == FNERR_INVALIDFILENAME && retry && !dialog.FileName.empty()) {
      dialog.FileName.clear();
      continue;
    }
    char message[64];
    wsprintfA(message, "The file dialog could not be opened (error 0x%lX).", error);
    throw std::runtime_error(message);
  }
}

bool ActivateRunningInstance(const std::wstring& title) {
  TState& state = State();
  std::wstring name = L"Local\\" + title + L".Instance";
  HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    if (HWND first = FindWindowW(kUtilityClass, title.c_str())) {
      // The first instance may take the foreground only with our leave.
      DWORD process = 0;
      GetWindowThreadProcessId(first, &process);
      AllowSetForegroundWindow(process);
      PostMessageW(first, ActivateMessage(), 0, 0);
    }
    return true;
  }
  // Held for the rest of the process: its existence is the signal.
  if (mutex) {
    if (state.InstanceMutex) CloseHandle(state.InstanceMutex);
    state.InstanceMutex = mutex;
  }
  SetWindowTextW(UtilityWindow(), title.c_str());
  return false;
}

}  // namespace backend
