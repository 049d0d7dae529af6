#pragma once
// Drives the headless back end from a test: answers the questions the
// program asks, acts in modal dialogs, and moves a virtual clock that fires
// the timers.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "widgets/Dialogs.h"

class TForm;
class TPopupMenu;

namespace headless {

// Forgets every queued answer, shown box and timer, and waits for the
// background work (what it posts back is dropped); the clock goes to 0.
void Reset();

struct TShownMessage {
  std::wstring Text, Caption;
  TMsgDlgType Type;
  TMsgDlgButtons Buttons;
};
// The next message box returns this (mrYes, mrNo, mrOk, ...). A box nobody
// answered returns mrOk for a plain message and mrCancel otherwise (mrNo for
// a Yes/No question).
void AnswerMessageBox(int result);
// The next message box runs the action (while the box is open) for its answer.
void AnswerMessageBox(std::function<int()> answer);
const std::vector<TShownMessage>& MessagesShown();

// The next ShowModal runs the action while the form is modal (it may set
// fields, click buttons, advance the clock). Unplanned modal forms end with
// mrCancel at once.
void OnNextModal(std::function<void(TForm&)> action);
// The forms shown modally, in order (not owned).
const std::vector<TForm*>& ModalsShown();

struct TShownFileDialog {
  bool Save;
  std::wstring FileName, Filter, DefaultExt, Title;
  int FilterIndex;
  uint32_t Options;
};
// The next file dialog ends with this file (and filter index, 0 keeps it),
// or is cancelled when the name is empty. Unplanned dialogs are cancelled.
void AnswerFileDialog(std::wstring fileName, int filterIndex = 0);
const std::vector<TShownFileDialog>& FileDialogsShown();

// The next popup menu runs the action while it is open.
void OnNextPopup(std::function<void(TPopupMenu&)> action);
int ForegroundRequests();
// The form that came to the front last (not owned), or null.
TForm* Foreground();

// Milliseconds since Reset.
uint64_t Now();
// Moves the clock on, firing every timer that comes due on the way, in
// order of due time. Background work (Application.RunInBackground) runs on
// threads of its own, but one piece at a time while the GUI thread waits, at
// every step until each has ended or blocks (BlockFor), so that a run comes
// out the same every time; what work posts back runs in the order the work
// was started.
void AdvanceClock(uint64_t milliseconds);
// What AdvanceClock does between its steps: waits until all background work
// has ended or blocks, and runs what it posted back.
void Settle();
// Blocks the calling thread for milliseconds of the virtual clock, as a call
// into the system may (a file on an unreachable share, a box the shell
// shows). In background work: until the clock has run on that far. On the
// GUI thread: the clock runs on that far at once, without a timer firing,
// as the thread is busy meanwhile.
void BlockFor(uint64_t milliseconds);

}  // namespace headless
