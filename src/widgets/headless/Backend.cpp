// State only: nothing is drawn. Tests act through Headless.h and the
// controls' Do* entry points.

#include "widgets/Backend.h"

#include <deque>
#include <map>

#include "widgets/Form.h"
#include "widgets/Menu.h"
#include "widgets/Timer.h"
#include "widgets/TrayIcon.h"
#include "widgets/headless/Headless.h"

namespace {

struct TState {
  std::deque<std::function<int()>> MessageAnswers;
  std::vector<headless::TShownMessage> Messages;
  std::deque<std::function<void(TForm&)>> ModalActions;
  std::vector<TForm*> Modals;
  std::deque<std::pair<std::wstring, int>> FileAnswers;
  std::vector<headless::TShownFileDialog> FileDialogs;
  std::deque<std::function<void(TPopupMenu&)>> PopupActions;
  int ForegroundRequests = 0;
  TForm* Foreground = nullptr;
  uint64_t Now = 0;
  uint64_t Sequence = 0;                                 // keeps timers due at the same time in arming order
  std::map<TTimer*, std::pair<uint64_t, uint64_t>> Due;  // timer -> (due, sequence)
};

TState& State() {
  static TState state;
  return state;
}

}  // namespace

namespace headless {

void Reset() { State() = TState(); }
void AnswerMessageBox(int result) {
  State().MessageAnswers.push_back([result] { return result; });
}
void AnswerMessageBox(std::function<int()> answer) { State().MessageAnswers.push_back(std::move(answer)); }
const std::vector<TShownMessage>& MessagesShown() { return State().Messages; }
void OnNextModal(std::function<void(TForm&)> action) { State().ModalActions.push_back(std::move(action)); }
const std::vector<TForm*>& ModalsShown() { return State().Modals; }
void AnswerFileDialog(std::wstring fileName, int filterIndex) {
  State().FileAnswers.emplace_back(std::move(fileName), filterIndex);
}
const std::vector<TShownFileDialog>& FileDialogsShown() { return State().FileDialogs; }
void OnNextPopup(std::function<void(TPopupMenu&)> action) { State().PopupActions.push_back(std::move(action)); }
int ForegroundRequests() { return State().ForegroundRequests; }
TForm* Foreground() { return State().Foreground; }
uint64_t Now() { return State().Now; }

void AdvanceClock(uint64_t milliseconds) {
  TState& state = State();
  uint64_t end = state.Now + milliseconds;
  for (;;) {
    auto next = state.Due.end();
    for (auto it = state.Due.begin(); it != state.Due.end(); ++it)
      if (next == state.Due.end() || it->second < next->second) next = it;
    if (next == state.Due.end() || next->second.first > end) break;
    TTimer* timer = next->first;
    state.Now = next->second.first;
    // A window timer repeats: the next tick is due an interval later.
    next->second = {state.Now + timer->Interval(), ++state.Sequence};
    timer->DoTimer();
  }
  state.Now = end;
}

}  // namespace headless

namespace backend {

void CreateForm(TForm& form) { form.Realign(); }
void DestroyControl(TControl&) {}
void Changed(TControl&, TChange) {}
void ShowForm(TForm& form) { form.SetShowing(true); }
void HideForm(TForm& form) { form.SetShowing(false); }

void RunModal(TForm& form) {
  TState& state = State();
  state.Modals.push_back(&form);
  form.SetShowing(true);
  if (state.ModalActions.empty()) {
    form.SetModalResult(mrCancel);
  } else {
    auto action = std::move(state.ModalActions.front());
    state.ModalActions.pop_front();
    action(form);
    // An action that left the dialog open: the user closed it.
    if (form.ModalResult() == mrNone) form.SetModalResult(mrCancel);
  }
  form.SetShowing(false);
}

void EndModalBoxes() {}  // a box here is answered at once
void RestoreForm(TForm& form) { form.SetShowing(true); }
void BringToFront(TForm& form) {
  ++State().ForegroundRequests;
  State().Foreground = &form;
}

void TimerChanged(TTimer& timer) {
  TState& state = State();
  if (timer.Enabled() && timer.Interval() > 0)
    state.Due[&timer] = {state.Now + timer.Interval(), ++state.Sequence};
  else
    state.Due.erase(&timer);
}

void DestroyTimer(TTimer& timer) { State().Due.erase(&timer); }
void MenuChanged(TMenu&) {}
void DestroyMenu(TMenu&) {}

void Popup(TPopupMenu& menu, int, int) {
  TState& state = State();
  if (state.PopupActions.empty()) return;
  auto action = std::move(state.PopupActions.front());
  state.PopupActions.pop_front();
  action(menu);
}

void TrayChanged(TTrayIcon&) {}
void DestroyTray(TTrayIcon&) {}
void ForegroundForTray(TTrayIcon&) { ++State().ForegroundRequests; }

int MessageBox(const std::wstring& text, const std::wstring& caption, TMsgDlgType type, TMsgDlgButtons buttons) {
  TState& state = State();
  state.Messages.push_back({text, caption, type, buttons});
  if (!state.MessageAnswers.empty()) {
    auto answer = std::move(state.MessageAnswers.front());
    state.MessageAnswers.pop_front();
    return answer();
  }
  return buttons == mbOK ? mrOk : buttons == mbYesNo ? mrNo : mrCancel;
}

bool ExecuteFileDialog(TFileDialog& dialog, bool save) {
  TState& state = State();
  state.FileDialogs.push_back(
      {save, dialog.FileName, dialog.Filter, dialog.DefaultExt, dialog.Title, dialog.FilterIndex, dialog.Options});
  if (state.FileAnswers.empty()) return false;
  auto [fileName, filterIndex] = std::move(state.FileAnswers.front());
  state.FileAnswers.pop_front();
  if (fileName.empty()) return false;
  dialog.FileName = std::move(fileName);
  if (filterIndex > 0) dialog.FilterIndex = filterIndex;
  return true;
}

void RunMessageLoop() {}
void Terminate() {}
bool ActivateRunningInstance(const std::wstring&) { return false; }

}  // namespace backend
