#pragma once
// What a back end provides. Exactly one back end is linked: win32 (real
// windows) or headless (state only, driven by tests).

#include <functional>
#include <string>

#include "widgets/Control.h"
#include "widgets/Dialogs.h"

class TForm;
class TTimer;
class TMenu;
class TPopupMenu;
class TTrayIcon;

namespace backend {

// Creates the native windows of a form, its controls and its menu.
void CreateForm(TForm& form);
// Destroys them; the model is being destroyed.
void DestroyControl(TControl& control);
// A control's state changed; the screen follows.
void Changed(TControl& control, TChange change);

void ShowForm(TForm& form);
void HideForm(TForm& form);
// Shows a form modally and runs a nested message loop until the form's
// ModalResult is set or the program ends.
void RunModal(TForm& form);
// Ends the system's message boxes and file dialogs that are up, as
// cancelled.
void EndModalBoxes();
void RestoreForm(TForm& form);
void BringToFront(TForm& form);

// Starts, restarts or stops the timer as its Enabled and Interval say.
void TimerChanged(TTimer& timer);
void DestroyTimer(TTimer& timer);

// The menu's items changed (captions, enabled states, default item).
void MenuChanged(TMenu& menu);
void DestroyMenu(TMenu& menu);
// Opens the popup at a screen point; returns when it is closed.
void Popup(TPopupMenu& menu, int x, int y);

void TrayChanged(TTrayIcon& icon);
void DestroyTray(TTrayIcon& icon);
// The program's window comes to the foreground (before a tray popup).
void ForegroundForTray(TTrayIcon& icon);

int MessageBox(const std::wstring& text, const std::wstring& caption, TMsgDlgType type, TMsgDlgButtons buttons);
bool ExecuteFileDialog(TFileDialog& dialog, bool save);

// Runs work on another thread, then done (if any) on the GUI thread.
void RunInBackground(std::function<void()> work, std::function<void()> done);

// The message loop; returns once the application is terminated.
void RunMessageLoop();
// Wakes the loop so that it sees the termination.
void Terminate();
bool ActivateRunningInstance(const std::wstring& title);

}  // namespace backend
