// State only: nothing is drawn. Tests act through Headless.h and the
// controls' Do* entry points.

#include "widgets/Backend.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <map>
#include <mutex>
#include <thread>

#include "widgets/Form.h"
#include "widgets/Menu.h"
#include "widgets/Timer.h"
#include "widgets/TrayIcon.h"
#include "widgets/headless/Headless.h"

namespace {

// A piece of background work.
struct TJob {
  std::function<void()> Work, Done;
  enum { jpQueued, jpRunning, jpBlocked, jpEnded } Phase = jpQueued;
  uint64_t Until = 0;  // a blocked job goes on at this moment of the clock
  bool Released = false;
  std::condition_variable Wake;  // a blocked job's, when it is released
};

// A thread that runs one job after the other: kept for the next, as a soak
// starts tens of thousands. There are as many as jobs blocked at once, and
// one more.
struct TWorker {
  TJob* Job = nullptr;
  std::condition_variable Wake;  // a job for it, or the end
  std::thread Thread;
};

struct TJobs {
  std::mutex Lock;
  std::condition_variable Changed;  // the GUI thread's: a job ended or blocked
  // Every job not taken out yet, in the order started; a std::list, as the
  // workers hold on to theirs.
  std::list<TJob> List;
  std::list<TWorker> Workers;
  bool Quit = false;
  ~TJobs() {
    {
      std::lock_guard hold(Lock);
      Quit = true;
      for (TWorker& worker : Workers) worker.Wake.notify_one();
    }
    for (TWorker& worker : Workers) worker.Thread.join();
  }
};

TJobs& Jobs() {
  static TJobs jobs;
  return jobs;
}

thread_local TJob* tJob = nullptr;

void Work(TWorker& worker) {
  TJobs& jobs = Jobs();
  std::unique_lock lock(jobs.Lock);
  for (;;) {
    worker.Wake.wait(lock, [&] { return worker.Job != nullptr || jobs.Quit; });
    if (worker.Job == nullptr) return;
    tJob = worker.Job;
    lock.unlock();
    try {
      tJob->Work();
    } catch (...) {
      // As on Windows: the work's failure is its own.
    }
    lock.lock();
    tJob->Phase = TJob::jpEnded;
    worker.Job = nullptr;
    jobs.Changed.notify_all();
  }
}

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
  std::atomic<uint64_t> Now = 0;                         // read by background work
  uint64_t Sequence = 0;                                 // keeps timers due at the same time in arming order
  std::map<TTimer*, std::pair<uint64_t, uint64_t>> Due;  // timer -> (due, sequence)
};

TState& State() {
  static TState state;
  return state;
}

// Under the lock.
void StartJob(TJob& job) {
  TJobs& jobs = Jobs();
  job.Phase = TJob::jpRunning;
  auto idle = std::find_if(jobs.Workers.begin(), jobs.Workers.end(), [](const TWorker& w) { return !w.Job; });
  if (idle == jobs.Workers.end()) {
    TWorker& worker = jobs.Workers.emplace_back();
    worker.Thread = std::thread([&worker] { Work(worker); });
    idle = std::prev(jobs.Workers.end());
  }
  idle->Job = &job;
  idle->Wake.notify_one();
}

// Runs the jobs one at a time, in the order they were started, each until it
// ends or blocks, while the GUI thread waits: nothing of theirs runs beside
// it, so a run comes out the same every time. Then takes the ended ones out.
std::vector<std::function<void()>> WaitForJobs(std::unique_lock<std::mutex>& lock) {
  TJobs& jobs = Jobs();
  const auto busy = [&] {
    return std::any_of(jobs.List.begin(), jobs.List.end(), [](const TJob& job) {
      return job.Phase == TJob::jpRunning || (job.Phase == TJob::jpBlocked && job.Released);
    });
  };
  for (;;) {
    jobs.Changed.wait(lock, [&] { return !busy(); });
    const auto queued =
        std::find_if(jobs.List.begin(), jobs.List.end(), [](const TJob& job) { return job.Phase == TJob::jpQueued; });
    if (queued == jobs.List.end()) break;
    StartJob(*queued);
  }
  std::vector<std::function<void()>> done;
  for (auto it = jobs.List.begin(); it != jobs.List.end();) {
    if (it->Phase != TJob::jpEnded) {
      ++it;
      continue;
    }
    if (it->Done) done.push_back(std::move(it->Done));
    it = jobs.List.erase(it);
  }
  return done;
}

// The blocked job that goes on first, if any goes on by end.
TJob* NextBlocked(uint64_t end) {
  TJob* next = nullptr;
  for (TJob& job : Jobs().List)
    if (job.Phase == TJob::jpBlocked && job.Until <= end && (!next || job.Until < next->Until)) next = &job;
  return next;
}

}  // namespace

namespace headless {

void Reset() {
  {
    // Work not started yet never starts; blocked work goes on at once;
    // nothing any of it posts runs.
    std::unique_lock lock(Jobs().Lock);
    std::erase_if(Jobs().List, [](const TJob& job) { return job.Phase == TJob::jpQueued; });
    while (!Jobs().List.empty()) {
      for (TJob& job : Jobs().List) {
        job.Released = true;
        job.Wake.notify_one();
      }
      WaitForJobs(lock);
    }
  }
  TState& state = State();
  state.MessageAnswers.clear();
  state.Messages.clear();
  state.ModalActions.clear();
  state.Modals.clear();
  state.FileAnswers.clear();
  state.FileDialogs.clear();
  state.PopupActions.clear();
  state.ForegroundRequests = 0;
  state.Foreground = nullptr;
  state.Now = 0;
  state.Sequence = 0;
  state.Due.clear();
}
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

void Settle() {
  for (;;) {
    std::vector<std::function<void()>> done;
    {
      std::unique_lock lock(Jobs().Lock);
      done = WaitForJobs(lock);
    }
    if (done.empty()) return;
    // What work posts back may start more.
    for (const auto& d : done) d();
  }
}

void AdvanceClock(uint64_t milliseconds) {
  TState& state = State();
  const uint64_t end = state.Now + milliseconds;
  Settle();
  for (;;) {
    auto next = state.Due.end();
    for (auto it = state.Due.begin(); it != state.Due.end(); ++it)
      if (next == state.Due.end() || it->second < next->second) next = it;
    const bool timerDue = next != state.Due.end() && next->second.first <= end;
    {
      std::unique_lock lock(Jobs().Lock);
      if (TJob* job = NextBlocked(timerDue ? next->second.first : end)) {
        // Blocked work that goes on before the next timer fires.
        state.Now = std::max(state.Now.load(), job->Until);
        job->Released = true;
        job->Wake.notify_one();
        lock.unlock();
        Settle();
        continue;
      }
    }
    if (!timerDue) break;
    TTimer* timer = next->first;
    // Late when the GUI thread was busy past the moment (BlockFor).
    state.Now = std::max(state.Now.load(), next->second.first);
    // A window timer repeats: the next tick is due an interval later.
    next->second = {state.Now + timer->Interval(), ++state.Sequence};
    timer->DoTimer();
    Settle();
  }
  state.Now = std::max(state.Now.load(), end);
}

void BlockFor(uint64_t milliseconds) {
  TState& state = State();
  if (tJob == nullptr) {
    state.Now += milliseconds;
    return;
  }
  std::unique_lock lock(Jobs().Lock);
  tJob->Until = state.Now + milliseconds;
  tJob->Released = false;
  tJob->Phase = TJob::jpBlocked;
  Jobs().Changed.notify_all();
  tJob->Wake.wait(lock, [] { return tJob->Released; });
  tJob->Phase = TJob::jpRunning;
  tJob->Released = false;
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

void RunInBackground(std::function<void()> work, std::function<void()> done) {
  TJobs& jobs = Jobs();
  std::lock_guard lock(jobs.Lock);
  // Started by the next Settle, once the GUI thread waits.
  TJob& job = jobs.List.emplace_back();
  job.Work = std::move(work);
  job.Done = std::move(done);
}

void RunMessageLoop() {}
void Terminate() {}
bool ActivateRunningInstance(const std::wstring&) { return false; }

}  // namespace backend
