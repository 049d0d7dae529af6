#pragma once
// Top-level windows and the application object.

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "widgets/Control.h"

class TMainMenu;
class TActionList;
class TBitBtn;

// Modal results, with the values of the Windows dialog box command ids.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrRetry = 4;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

enum TPosition {
  poDesigned,
  poDesktopCenter,    // centred on the primary monitor
  poWorkAreaCenter,   // centred on the work area (the desktop without the taskbar)
  poOwnerFormCenter,  // centred over the owner, or the work area without one
};

enum TBorderStyle { bsSizeable, bsSingle, bsDialog };
enum TCloseAction { caNone, caHide };

class TForm : public TControl {
 public:
  // owner: the window this one stays above and is centred over; null for the
  // main window, which owns the taskbar button.
  explicit TForm(TForm* owner = nullptr);
  ~TForm() override;

  TForm* Owner() const { return FOwner; }

  // Sets the client area's size; the frame is added around it.
  void SetClientSize(int width, int height);
  int ClientWidth() const { return Width(); }
  int ClientHeight() const { return Height(); }

  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition position) { FPosition = position; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle style) { FBorderStyle = style; }
  // A sizeable frame may go without its maximize box.
  bool MaximizeBox() const { return FMaximizeBox; }
  void SetMaximizeBox(bool box) { FMaximizeBox = box; }
  bool StayOnTop() const { return FStayOnTop; }
  void SetStayOnTop(bool onTop);
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* menu);
  // The large and small icon's resource name; empty for the program's icon.
  const std::wstring& Icon() const { return FIcon; }
  void SetIcon(std::wstring icon) { FIcon = std::move(icon); }

  // Creates the native windows of the form and its controls, then runs
  // OnCreate (guarded). A form class calls it at the end of its constructor.
  void Loaded();
  std::function<void()> OnCreate;
  std::function<void(TCloseAction&)> OnClose;
  std::function<void()> OnShow;

  void Show();
  void Hide();
  // Shows the form modally: the other windows are disabled (but for
  // independent ones) and a nested message loop runs (timers go on firing)
  // until ModalResult is set or the form is closed. Returns the result. An
  // OnShow that sets ModalResult ends it before the window appears. A form
  // that is modal already is refused: mrCancel at once.
  int ShowModal();
  bool Modal() const { return FModal; }
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int result);
  // The close box, Alt+F4, or a command: OnClose decides. A modal form ends
  // with mrCancel; the main window ends the program.
  void Close();

  bool Minimized() const { return FMinimized; }
  // ShowWindow with SW_HIDE.
  void HideWindow() { Hide(); }
  // ShowWindow with SW_RESTORE: shown, not minimized.
  void RestoreWindow();
  // SetForegroundWindow; while a modal form is up, that form, unless this
  // one is independent of it.
  void BringToFront();
  // An unowned window beside the main one: modal forms leave it usable, and
  // nothing the main window does hides it.
  bool Independent() const;

  // User input from the back end.
  void DoMinimize();
  void DoResize(int clientWidth, int clientHeight);
  // The close box; what Close does.
  void DoClose() { Close(); }
  // Enter and Escape: the default and the cancel button, if there is one.
  void DoEnterKey();
  void DoEscapeKey();
  // The button Enter presses while no other push button has the focus; null
  // when there is none.
  TBitBtn* DefaultButton();

  // Set while the back end shows the window.
  void SetShowing(bool showing) { FShowing = showing; }
  bool Showing() const { return FShowing; }
  void SetMinimized(bool minimized) { FMinimized = minimized; }

 private:
  TForm* FOwner;  // not owned
  TPosition FPosition = poDesigned;
  TBorderStyle FBorderStyle = bsSizeable;
  bool FStayOnTop = false;
  bool FMaximizeBox = true;
  TMainMenu* FMenu = nullptr;  // not owned
  std::wstring FIcon;
  bool FModal = false;
  int FModalResult = mrNone;
  bool FShowing = false;
  bool FMinimized = false;
  bool FClosing = false;
};

class TApplication {
 public:
  const std::wstring& Title() const { return FTitle; }
  void SetTitle(std::wstring title) { FTitle = std::move(title); }
  // The first form created without an owner; closing it ends the program.
  TForm* MainForm() const { return FMainForm; }
  void SetMainForm(TForm* form) { FMainForm = form; }

  // The main window was minimized.
  std::function<void()> OnMinimize;
  // The system clock, the time zone or daylight saving time changed.
  std::function<void()> OnTimeChange;
  // The computer woke from sleep or hibernation.
  std::function<void()> OnResume;
  // The Windows session ends: the program is about to be ended without its
  // windows being closed.
  std::function<void()> OnEndSession;
  // The back end reports the system's events through these; guarded.
  // WM_SETTINGCHANGE counts as a time change: a new time zone may come with
  // it alone.
  void DoTimeChange();
  void DoResume();
  void DoEndSession();

  // Runs work on a thread of its own, then done (if given) on the GUI
  // thread from the message loop, modal loops included: for what may block
  // (the shell, power calls, opening a file), so that the timers go on. An
  // exception in work is dropped; done is guarded.
  void RunInBackground(std::function<void()> work, std::function<void()> done = nullptr);

  // The message loop; returns once Terminate was called.
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Updates every action, as the back end does whenever the queue is empty.
  void DoIdle();
  // The standard error box with the error's text.
  void ShowException(const std::exception& error);

  // Whether a modal form, a message box or a file dialog of the program is
  // up.
  bool ModalActive() const { return !FModals.empty() || FModalBoxes > 0; }
  // The innermost modal form, or null.
  TForm* ActiveModal() const { return FModals.empty() ? nullptr : FModals.back(); }
  // Closes every modal form and box as cancelled, at once: the program is
  // about to end.
  void EndModals();
  // Held while a message box or file dialog is up.
  class TModalBox {
   public:
    TModalBox();
    ~TModalBox();
    TModalBox(const TModalBox&) = delete;
    TModalBox& operator=(const TModalBox&) = delete;
  };

  // If the program already runs (known by its title), brings that window to
  // the front and returns true.
  bool ActivateRunningInstance();

  void AddActionList(TActionList* list);
  void RemoveActionList(TActionList* list);
  // Every form, in creation order (not owned).
  const std::vector<TForm*>& Forms() const { return FForms; }
  void AddForm(TForm* form);
  void RemoveForm(TForm* form);
  // For tests: back to a fresh application.
  void Reset();

 private:
  std::wstring FTitle;
  TForm* FMainForm = nullptr;  // not owned
  bool FTerminated = false;
  std::vector<TActionList*> FActionLists;
  std::vector<TForm*> FForms;
  friend class TForm;
  std::vector<TForm*> FModals;  // not owned
  int FModalBoxes = 0;
};

extern TApplication Application;
