// A year of the real main window on the headless back end and a virtual
// clock: a random list, random users between the alarms (add, edit,
// duplicate, delete, tick, import, the editor left open across an alarm,
// tray commands during a dialog), clocks put forward and back, time zones,
// sleeps, standby actions, a sound device that fails. A model of its own, kept apart from the program's
// scheduler, says what must go off and when; the program must do exactly
// that.
//
// The model's rule, in wall-clock terms: while the clock runs, an alarm
// switched on goes off at each occurrence it passes, unless it has gone off
// at or after that moment already (the clock was put back). When the clock
// jumps forward (a sleep, a standby action, a clock or time zone put
// forward), an alarm with an occurrence in the stretch jumped over goes off
// once, on waking.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "SoundFixture.h"
#include "TestFolder.h"
#include "TestSandbox.h"
#include "WallClock.h"
#include "alarm/Alarm.h"
#include "alarm/AlarmStore.h"
#include "app/MainUnit.h"
#include "app/Program.h"
#include "audio/FaultyDevice.h"
#include "system/PowerUtils.h"
#include "system/Shell.h"
#include "system/Unicode.h"
#include "ui/EditAlarmUnit.h"
#include "ui/ShowAlarmUnit.h"
#include "widgets/headless/Headless.h"

namespace {

constexpr int64_t kSecond = 1000, kMinute = 60 * kSecond, kHour = 60 * kMinute, kDay = 24 * kHour;
// How late a firing may come in virtual time: the clock's own reads move it
// on by a few milliseconds, and an alarm due at once waits a timer tick.
constexpr int64_t kLate = 50;

// One alarm as the model keeps it.
struct TModelAlarm {
  int Id;
  std::wstring Note;  // unique: a firing names its alarm by it
  int Hour, Minute;
  int Days;  // bit d - 1 for weekday d (1 = Sunday)
  bool Checked;
  std::wstring Action;
  int64_t LastRung = INT64_MIN;
};

// A firing the model expects: within [From, From + kLate] of one of its
// moments.
struct TExpected {
  int Id;
  std::vector<int64_t> From;
  // Delayed by a standby: may share its firing with another of its alarm.
  bool Shared = false;
};

struct TObserved {
  int Id;
  int64_t At;
};

std::wstring TwoDigits(int value) { return std::wstring{wchar_t(L'0' + value / 10), wchar_t(L'0' + value % 10)}; }

int DaysMask(const std::wstring& days) {
  int mask = 0;
  for (int d = 1; d <= 7; ++d)
    if (IsWeekdaySelected(days, d)) mask |= 1 << (d - 1);
  return mask;
}

std::wstring DaysText(int mask) {
  std::array<bool, 7> checked{};
  for (int d = 0; d < 7; ++d) checked[static_cast<size_t>(d)] = (mask >> d & 1) != 0;
  return BuildDaysText(checked);
}

// The occurrences of an alarm in (from, to], by the calendar.
std::vector<int64_t> Occurrences(const TModelAlarm& alarm, int64_t from, int64_t to) {
  std::vector<int64_t> moments;
  if (to <= from) return moments;
  for (int64_t day = from / kDay - 1; day * kDay <= to; ++day) {
    const int weekday = sys::LocalTimeAt(day * kDay).DayOfWeek;
    const int64_t moment = day * kDay + alarm.Hour * kHour + alarm.Minute * kMinute;
    if ((alarm.Days >> (weekday - 1) & 1) && moment > from && moment <= to) moments.push_back(moment);
  }
  return moments;
}

class TSoak {
 public:
  explicit TSoak(uint64_t seed) : FRandom(seed) {}

  struct TFigures {
    int64_t Days = 0, Firings = 0, Actions = 0;
    int64_t Jumps = 0;  // sleeps, standby actions, clocks and time zones changed
    int64_t DeviceFaults = 0;
    int64_t Missed = 0, Doubled = 0, Misplaced = 0, Unheard = 0;
  };

  TFigures Run(int64_t length) {
    headless::Reset();
    sys::ShellRequests().clear();
    sys::PowerRequests().clear();
    Application.Reset();
    Application.SetTitle(L"Tollivane");
    // Half a minute into a random minute of the week.
    const int64_t start = WeekOf20261206(0, 0, 0, 30) + Uniform(0, 7 * 24 * 60 - 1) * kMinute;
    FClock.Set(start);
    sys::SetClock(&FJittery);
    sys::SetRecordedSleep([this] {
      // A standby action: the computer sleeps inside the call.
      const int64_t from = FClock.Ms();
      const int64_t slept = SleepLength();
      ++FFigures.Jumps;
      FClock.Shift(slept);
      FJumps.push_back({from - kLate, from + slept, true});
      FStandbys.emplace_back(from, from + slept);
    });
    std::filesystem::create_directories(FFolder.Dir() / "Sounds");
    // Longer than a failed device takes to come back.
    FFolder.Write(L"Sounds/Bells1.mp3", SquareWav(3000));
    RestartAudioOn(FDevice);

    FModel = RandomList(static_cast<int>(Uniform(1, 50)));
    WriteList(L"data.xml", FModel);
    FForms = std::make_unique<TProgramForms>(FFolder.Path());
    MainForm->Show();
    ShowAlarmForm->OnShow = [this] { Observe(); };
    ExpectSame("start");

    FRunFrom = FClock.Ms();
    while (FClock.Ms() < start + length) {
      RunFor(Uniform(kMinute, 3 * kHour));
      Act();
      ExpectSame("after an action");
    }
    Settle();

    MainForm->Close();
    TAlarmStore saved(FFolder.Path());
    saved.LoadAlarms();
    EXPECT_EQ(saved.AlarmCount(), static_cast<int32_t>(FModel.size())) << "data.xml after the close";
    for (size_t i = 0; i < FModel.size() && i < static_cast<size_t>(saved.AlarmCount()); ++i)
      if (!Same(saved.ReadAlarm(static_cast<int32_t>(i)), FModel[i])) ++FFigures.Misplaced;
    Match();
    FFigures.Days = (FClock.Ms() - start) / kDay;
    FForms.reset();
    RestartAudioOn(std::make_shared<audio::TNullDevice>());
    sys::SetRecordedSleep(nullptr);
    sys::SetClock(nullptr);
    return FFigures;
  }

 private:
  // The wall clock as the program reads it: each read finds it a little on,
  // so that a pass that read it twice could see two different seconds.
  class TJitteryClock : public sys::TClock {
   public:
    TJitteryClock(TWallClock& clock, std::mt19937_64& random) : FClock(clock), FRandom(random) {}
    sys::TLocalTime Now() const override {
      FClock.Shift(static_cast<int64_t>(FRandom() % 3));
      return FClock.Now();
    }

   private:
    TWallClock& FClock;
    std::mt19937_64& FRandom;
  };

  struct TJump {
    int64_t From, To;
    bool Standby;
  };

  int64_t Uniform(int64_t low, int64_t high) { return low + static_cast<int64_t>(FRandom() % (high - low + 1)); }
  bool Chance(int percent) { return Uniform(1, 100) <= percent; }
  int64_t SleepLength() { return Chance(85) ? Uniform(kMinute, 10 * kHour) : Uniform(10 * kHour, 3 * kDay); }

  std::wstring NewNote() { return L"n" + std::to_wstring(++FNotes); }

  TModelAlarm RandomAlarm() {
    TModelAlarm alarm{++FIds, NewNote(), 0, 0, 0, true, L""};
    // Some share their moments.
    if (Chance(30)) {
      alarm.Hour = 7, alarm.Minute = 30;
    } else {
      alarm.Hour = static_cast<int>(Uniform(0, 23)), alarm.Minute = static_cast<int>(Uniform(0, 59));
    }
    alarm.Days = Chance(20) ? 0x7F : static_cast<int>(Uniform(1, 0x7F));
    alarm.Checked = Chance(80);
    if (Chance(3)) alarm.Action = L"Standby computer";
    if (Chance(5)) alarm.Action = L"C:\\alarms\\run.cmd";
    FById[alarm.Note] = alarm.Id;
    return alarm;
  }

  std::vector<TModelAlarm> RandomList(int count) {
    std::vector<TModelAlarm> list;
    for (int i = 0; i < count; ++i) list.push_back(RandomAlarm());
    return list;
  }

  // data.xml, or an import file, of the list.
  void WriteList(const std::wstring& name, const std::vector<TModelAlarm>& list) {
    auto document = TXmlDocument::CreateName("Root");
    for (const TModelAlarm& m : list) {
      TAlarm alarm = NewAlarm();
      alarm.Time = TwoDigits(m.Hour) + L":" + TwoDigits(m.Minute);
      alarm.Days = DaysText(m.Days);
      alarm.Note = m.Note;
      alarm.Loop = false;
      alarm.Action = m.Action;
      alarm.Checked = m.Checked;
      WriteAlarmToEntry(*document->Root()->NodeNew("Entry"), alarm);
    }
    document->SaveToFile(FFolder.File(name));
  }

  static bool Same(const TAlarm& alarm, const TModelAlarm& m) {
    int hour = -1, minute = -1;
    TryParseTimeOfDay(alarm.Time, hour, minute);
    return alarm.Note == m.Note && hour == m.Hour && minute == m.Minute && DaysMask(alarm.Days) == m.Days &&
           alarm.Checked == m.Checked && alarm.Action == m.Action;
  }

  // The list on screen, which is rebuilt from the document at every change,
  // against the model. The document itself is compared after the close.
  static bool Shows(const TSmoothListItem& item, const TModelAlarm& m) {
    return item.Info == m.Note && item.Caption == FormatTimeOfDay(m.Hour, m.Minute) &&
           item.Notes.find(L">" + DaysText(m.Days) + L"<") != std::wstring::npos && item.Checked == m.Checked;
  }

  void ExpectSame(const char* when) {
    const TSmoothListBox& list = *MainForm->SmoothListBox3;
    size_t differs = 0;
    while (differs < FModel.size() && differs < static_cast<size_t>(list.Count()) &&
           Shows(list.Item(static_cast<int>(differs)), FModel[differs]))
      ++differs;
    if (differs == FModel.size() && list.Count() == static_cast<int>(FModel.size())) return;
    ++FFigures.Misplaced;
    std::string detail;
    if (differs < FModel.size() && differs < static_cast<size_t>(list.Count())) {
      const TSmoothListItem& item = list.Item(static_cast<int>(differs));
      const TModelAlarm& m = FModel[differs];
      detail =
          "entry " + std::to_string(differs) + ": " +
          sys::WideToUtf8(item.Caption + L" " + item.Notes + L" " + item.Info + (item.Checked ? L" on" : L" off")) +
          " / model " +
          sys::WideToUtf8(FormatTimeOfDay(m.Hour, m.Minute) + L" " + DaysText(m.Days) + L" " + m.Note +
                          (m.Checked ? L" on" : L" off"));
    }
    ADD_FAILURE() << "the list differs from the model " << when << " " << FLastAction << ": " << detail << " ("
                  << list.Count() << " / " << FModel.size() << ")";
    // Carry on from the program's list, to count the rest.
    FModel.clear();
    for (int32_t i = 0; i < MainForm->Store().AlarmCount(); ++i) {
      const TAlarm alarm = MainForm->Store().ReadAlarm(i);
      TModelAlarm m{FById.count(alarm.Note) ? FById[alarm.Note] : ++FIds,
                    alarm.Note,
                    0,
                    0,
                    DaysMask(alarm.Days),
                    alarm.Checked,
                    alarm.Action};
      TryParseTimeOfDay(alarm.Time, m.Hour, m.Minute);
      FModel.push_back(m);
    }
  }

  void Observe() {
    const std::wstring note = ShowAlarmForm->Label2->Caption();
    FObserved.push_back({FById.count(note) ? FById[note] : -1, FClock.Ms()});
    ++FFigures.Firings;
    // Every alarm of the soak has a sound, and it plays.
    if (MainForm->Player()->GetPlayState() != psPlaying) ++FSilent;
    if (FDeviceFailed) ExpectHeard();
  }

  // The first sound after a device failure reaches the device, in real
  // time: the device comes back within a second or two.
  void ExpectHeard() {
    FDeviceFailed = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    while (FDevice->SoundFrames() == FHeardBefore && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (FDevice->SoundFrames() == FHeardBefore) {
      ++FFigures.Unheard;
      ADD_FAILURE() << "not heard after a failure of the sound device";
    }
  }

  // What the model expects of the clock's run from FRunFrom to now, the
  // jumps logged meanwhile included; the list is as the model holds it.
  void Account() {
    const int64_t now = FClock.Ms();
    int64_t from = FRunFrom;
    for (const TJump& jump : FJumps) {
      Expect(from, jump.From);
      if (jump.To > jump.From) ExpectWaking(jump);
      from = jump.To;
    }
    Expect(from, now);
    FJumps.clear();
    FRunFrom = now;
  }

  void Expect(int64_t from, int64_t to) {
    for (TModelAlarm& alarm : FModel) {
      if (!alarm.Checked) continue;
      for (int64_t moment : Occurrences(alarm, from, to)) {
        if (moment <= alarm.LastRung) continue;
        FExpected.push_back({alarm.Id, {moment}});
        alarm.LastRung = moment;
      }
    }
  }

  void ExpectWaking(const TJump& jump) {
    for (TModelAlarm& alarm : FModel) {
      if (!alarm.Checked) continue;
      std::vector<int64_t> missed;
      for (int64_t moment : Occurrences(alarm, jump.From, jump.To))
        if (moment > alarm.LastRung) missed.push_back(moment);
      if (missed.empty()) continue;
      alarm.LastRung = jump.To;
      if (!jump.Standby) {
        FExpected.push_back({alarm.Id, {jump.To}});
        continue;
      }
      // Once, on waking. The alarms due with the standby one went off before
      // it or go off on waking with the rest, and again on waking if the sleep
      // passed an occurrence of theirs: the firings of those after it in the
      // list meet both.
      const auto later =
          std::find_if(missed.begin(), missed.end(), [&](int64_t moment) { return moment > jump.From + 2 * kLate; });
      if (later != missed.begin()) FExpected.push_back({alarm.Id, {missed.front(), jump.To}, true});
      if (later != missed.end()) FExpected.push_back({alarm.Id, {jump.To}, true});
    }
  }

  // Runs the clock on, timers firing; the model accounts for what passed.
  void RunFor(int64_t length) {
    headless::AdvanceClock(static_cast<uint64_t>(length));
    RunDue();
    // Away from the minute's start, where an action would race the alarm.
    while (sys::LocalTimeAt(FClock.Ms()).Second < 2) headless::AdvanceClock(1000);
    // Often the action's pass then reads the clock as a second ends, where
    // two reads of one pass would see two different seconds.
    if (Chance(25)) headless::AdvanceClock(static_cast<uint64_t>(999 - (FClock.Ms() % 1000 + 1000) % 1000));
    Account();
  }

  void Jump(int64_t length, bool sleep) {
    Account();
    const int64_t from = FClock.Ms();
    FClock.Shift(length);
    FJumps.push_back({from, from + length, false});
    if (sleep) {
      Application.DoResume();
      if (Chance(30)) Application.DoTimeChange();  // the clock set anew on waking
    } else {
      Application.DoTimeChange();
    }
    RunDue();
    while (sys::LocalTimeAt(FClock.Ms()).Second < 2) headless::AdvanceClock(1000);
    Account();
  }

  int RandomIndex() { return static_cast<int>(Uniform(0, static_cast<int64_t>(FModel.size()) - 1)); }

  // The editor as a user fills it in; false leaves the fields as they are.
  void FillEditor(TModelAlarm& alarm, bool newTime) {
    TEditAlarmForm& editor = *EditAlarmForm;
    if (newTime) {
      // Often this minute or the next few: where an alarm goes off at once,
      // or twice, if anything does.
      if (Chance(66)) {
        const sys::TLocalTime soon = sys::LocalTimeAt(FClock.Ms() + Uniform(0, 3) * kMinute);
        alarm.Hour = soon.Hour, alarm.Minute = soon.Minute;
      } else {
        alarm.Hour = static_cast<int>(Uniform(0, 23)), alarm.Minute = static_cast<int>(Uniform(0, 59));
      }
      editor.ComboBox2->DoSelect(alarm.Hour);
      editor.ComboBox3->DoSelect(alarm.Minute);
      alarm.Days = Chance(20) ? 0x7F : static_cast<int>(Uniform(1, 0x7F));
      for (int d = 0; d < 7; ++d)
        if (editor.CheckGroup1->Checked(d) != ((alarm.Days >> d & 1) != 0)) editor.CheckGroup1->DoToggle(d);
    }
    alarm.Note = NewNote();
    FById[alarm.Note] = alarm.Id;
    editor.Memo1->DoEdit(alarm.Note);
    if (editor.CheckBox3->Checked()) editor.CheckBox3->DoClick();  // no loop
  }

  // Inside a dialog: the notification area's list commands must do nothing,
  // not even ask.
  void TryTrayCommands() {
    ++FFigures.Actions;
    const size_t asked = headless::MessagesShown().size();
    headless::OnNextPopup([](TPopupMenu& menu) {
      for (const wchar_t* caption : {L"Delete Alarm", L"Add Alarm...", L"Edit Alarm..."})
        menu.Items().Find(caption)->DoClick();
    });
    MainForm->TrayIcon1.DoRightButtonUp(0, 0);
    if (headless::MessagesShown().size() != asked) {
      ++FFigures.Misplaced;
      ADD_FAILURE() << "a tray command ran during a dialog";
    }
  }

  // The editor, left open a while (alarms go off meanwhile), then OK or
  // Cancel. The model changes only with OK.
  bool RunEditor(TAction* command, TModelAlarm& alarm, bool newTime) {
    bool accepted = Chance(85);
    headless::OnNextModal([&](TForm&) {
      if (Chance(30)) TryTrayCommands();
      if (Chance(20)) {
        // Open across a due moment, or a few.
        headless::AdvanceClock(static_cast<uint64_t>(Uniform(kMinute, 3 * kHour)));
        while (sys::LocalTimeAt(FClock.Ms()).Second < 2) headless::AdvanceClock(1000);
        Account();
      }
      FillEditor(alarm, newTime);
      (accepted ? EditAlarmForm->BitBtn3 : EditAlarmForm->BitBtn4)->DoClick();
    });
    command->Execute();
    return accepted;
  }

  void Act() {
    ++FFigures.Actions;
    const int64_t what = Uniform(1, 100);
    FLastAction = std::to_string(what);
    auto& list = *MainForm->SmoothListBox3;
    if (what <= 15 || FModel.empty()) {
      // The editor's new alarm: switched on, its action "(None)".
      TModelAlarm alarm{++FIds, L"", 0, 0, 0, true, std::wstring(kNoAction)};
      if (RunEditor(MainForm->AddEntryAction6, alarm, true)) FModel.push_back(alarm);
    } else if (what <= 35) {
      const int i = RandomIndex();
      list.DoSelectItem(i);
      TModelAlarm edited = FModel[static_cast<size_t>(i)];
      if (RunEditor(MainForm->EditEntryAction7, edited, Chance(60))) {
        // What rang while the editor was open stays rung.
        edited.LastRung = FModel[static_cast<size_t>(i)].LastRung;
        FModel[static_cast<size_t>(i)] = edited;
      }
    } else if (what <= 42) {
      const int i = RandomIndex();
      list.DoSelectItem(i);
      TModelAlarm copy = FModel[static_cast<size_t>(i)];
      copy.Id = ++FIds;
      copy.LastRung = INT64_MIN;
      if (RunEditor(MainForm->DuplicateEntryAction1, copy, Chance(50))) FModel.push_back(copy);
    } else if (what <= 52) {
      const int i = RandomIndex();
      list.DoSelectItem(i);
      const bool yes = Chance(80);
      headless::AnswerMessageBox(yes ? mrYes : mrNo);
      MainForm->DeleteEntryAction1->Execute();
      if (yes) FModel.erase(FModel.begin() + i);
    } else if (what <= 72) {
      const int i = RandomIndex();
      list.DoCheckClick(i);
      FModel[static_cast<size_t>(i)].Checked = !FModel[static_cast<size_t>(i)].Checked;
    } else if (what <= 75) {
      std::vector<TModelAlarm> imported = RandomList(static_cast<int>(Uniform(1, 50)));
      WriteList(L"import.xml", imported);
      headless::AnswerFileDialog(FFolder.File(L"import.xml"));
      headless::AnswerMessageBox(mrYes);
      MainForm->ImportAction2->Execute();
      FModel = imported;
    } else if (what <= 82) {
      Jump(SleepLength(), true);
      ++FFigures.Jumps;
    } else if (what <= 87) {
      // The clock put forward or back by hand, by seconds to days.
      const int64_t length = Chance(80) ? Uniform(kSecond, 2 * kHour) : Uniform(2 * kHour, 2 * kDay);
      Jump(Chance(50) ? length : -length, false);
      ++FFigures.Jumps;
    } else if (what <= 90) {
      // Another time zone: the local clock moves by whole half hours.
      Jump(Uniform(-26, 26) * 30 * kMinute, false);
      ++FFigures.Jumps;
    } else if (what <= 91) {
      // The sound device unplugged mid-sound, or gone quiet, or none there
      // to open for a while.
      const int64_t kind = Uniform(0, 2);
      if (kind == 2)
        FDevice->FailOpens(static_cast<int>(Uniform(1, 2)));
      else
        FDevice->Fail(kind == 1);
      FDeviceFailed = true;
      FHeardBefore = FDevice->SoundFrames();
      ++FFigures.DeviceFaults;
    } else {
      // Nothing but time passing.
      --FFigures.Actions;
    }
  }

  // Runs on until everything due has gone off.
  void Settle() {
    RunDue();
    Account();
  }

  // Runs on while an alarm is due: a standby action may wake to more that
  // is due, a standby among it.
  void RunDue() {
    do headless::AdvanceClock(10);
    while (MainForm->Timer1.Enabled() && MainForm->NextDue() <= FClock.Ms());
  }

  // The moments a firing expected at these may come at. A standby action
  // that goes off among alarms due together (within kLate) puts the
  // computer to sleep before the rest of them: they go off when it wakes,
  // once, however many of their occurrences that sleep passed too.
  std::vector<int64_t> Reach(std::vector<int64_t> moments) const {
    for (size_t i = 0; i < moments.size(); ++i)
      for (const auto& [start, end] : FStandbys)
        if (start >= moments[i] && start <= moments[i] + kLate &&
            std::find(moments.begin(), moments.end(), end) == moments.end())
          moments.push_back(end);
    return moments;
  }

  // Each expected firing against the observed ones of its alarm: one each,
  // but for expectations delayed by a standby, which one firing may meet.
  void Match() {
    struct TFiring {
      int64_t At;
      bool Used = false, Shared = true;
    };
    std::map<int, std::vector<TFiring>> observed;
    for (const TObserved& o : FObserved) observed[o.Id].push_back({o.At});
    for (const TExpected& e : FExpected) {
      const std::vector<int64_t> reach = Reach(e.From);
      const bool delayed = e.Shared || reach.size() > e.From.size();
      auto& firings = observed[e.Id];
      const auto meets = [&](const TFiring& f) {
        return std::any_of(reach.begin(), reach.end(),
                           [&](int64_t from) { return f.At >= from && f.At <= from + kLate; });
      };
      auto it = std::find_if(firings.begin(), firings.end(), [&](const TFiring& f) { return !f.Used && meets(f); });
      if (it == firings.end() && delayed)
        it = std::find_if(firings.begin(), firings.end(), [&](const TFiring& f) { return f.Shared && meets(f); });
      if (it == firings.end()) {
        if (++FFigures.Missed <= 10) ADD_FAILURE() << "alarm " << e.Id << " did not go off at " << e.From.front();
        continue;
      }
      it->Shared = it->Shared && delayed;
      it->Used = true;
    }
    for (const auto& [id, firings] : observed)
      for (const TFiring& f : firings)
        if (!f.Used && ++FFigures.Doubled <= 10) ADD_FAILURE() << "alarm " << id << " went off unasked at " << f.At;
    EXPECT_EQ(FSilent, 0) << "firings without sound";
  }

  std::mt19937_64 FRandom;
  TWallClock FClock{0};
  TJitteryClock FJittery{FClock, FRandom};
  TTestFolder FFolder;
  std::shared_ptr<audio::testing::TFaultyDevice> FDevice = std::make_shared<audio::testing::TFaultyDevice>();
  bool FDeviceFailed = false;
  uint64_t FHeardBefore = 0;
  std::unique_ptr<TProgramForms> FForms;
  std::vector<TModelAlarm> FModel;
  std::map<std::wstring, int> FById;
  int FIds = 0, FNotes = 0;
  int64_t FRunFrom = 0;
  std::vector<TJump> FJumps;
  std::vector<std::pair<int64_t, int64_t>> FStandbys;  // every standby's sleep
  std::vector<TExpected> FExpected;
  std::vector<TObserved> FObserved;
  int64_t FSilent = 0;
  std::string FLastAction;
  TFigures FFigures;
};

TEST(Soak, AYearOfRandomUseRingsEveryAlarmOnceAndOnTimeAndKeepsTheList) {
  TSoak::TFigures total;
  for (uint64_t seed : {1u}) {
    SCOPED_TRACE(seed);
    const TSoak::TFigures f = TSoak(seed).Run(365 * kDay);
    total.Days += f.Days, total.Firings += f.Firings, total.Actions += f.Actions;
    total.Jumps += f.Jumps, total.DeviceFaults += f.DeviceFaults;
    total.Missed += f.Missed, total.Doubled += f.Doubled, total.Misplaced += f.Misplaced, total.Unheard += f.Unheard;
  }
  auto n = [](int64_t value) { return static_cast<long long>(value); };
  std::printf(
      "soak: %lld simulated days, %lld firings, %lld actions, %lld sleeps and clock changes, %lld sound "
      "device failures; %lld missed, %lld doubled, %lld misplaced, %lld unheard\n",
      n(total.Days), n(total.Firings), n(total.Actions), n(total.Jumps), n(total.DeviceFaults), n(total.Missed),
      n(total.Doubled), n(total.Misplaced), n(total.Unheard));
  EXPECT_EQ(total.Missed, 0);
  EXPECT_EQ(total.Doubled, 0);
  EXPECT_EQ(total.Misplaced, 0);
  EXPECT_EQ(total.Unheard, 0);
}

}  // namespace
