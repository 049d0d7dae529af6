// A year of the real main window on the headless back end and a virtual
// clock: a random list (up to a thousand alarms: looping, silent, without a
// window, with sounds that are missing, unplayable or on a share that does
// not answer, with power actions and shell actions that block, some with a
// Time nobody can read), random users between the alarms (add, edit,
// duplicate, delete, tick, import, the editor left open across an alarm,
// tray commands during a dialog, the alarm window closed), sleeps, standby
// actions, clocks put forward and back, time zones, daylight saving time,
// time syncs nobody announces, several of these before the timer next
// fires, and a sound device that fails. A model of its own, kept apart from
// the program's scheduler, says what must go off and when; the program must
// do exactly that.
//
// The model's rule, by the local clock as the soak moves it and by real
// time: a switched-on alarm rings when the local clock passes one of its
// occurrences (reaches it, or jumps over it: then once for all it jumped
// over), unless it rang for that same occurrence less than three hours of
// real time before. When the local clock goes back, the occurrences after
// the new time come again. An alarm counts from when it was made, edited or
// ticked on. A ring more than two minutes late runs no power action.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "SoundFixture.h"
#include "TestFolder.h"
#include "TestSandbox.h"
#include "WallClock.h"
#include "alarm/Alarm.h"
#include "alarm/AlarmStore.h"
#include "app/MainUnit.h"
#include "app/Program.h"
#include "audio/AudioTesting.h"
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
// The same occurrence rings at most once in this much real time.
constexpr int64_t kOnceIn = 3 * kHour;
// A power action runs for a ring no later than this.
constexpr int64_t kPowerLate = 2 * kMinute;

const wchar_t* const kShare = L"\\\\server\\share\\alarm.mp3";
const wchar_t* const kBlockingAction = L"C:\\alarms\\run.cmd";

// One alarm as the model keeps it.
struct TModelAlarm {
  int Id = 0;
  std::wstring Note;  // unique: a firing names its alarm by it
  int Hour = 0, Minute = 0;
  std::wstring BadTime;  // a Time text nobody can read; empty for a good one
  int Days = 0;          // bit d - 1 for weekday d (1 = Sunday)
  bool Checked = true;
  std::wstring Action;
  std::wstring Sound = L"Bells1";
  bool ShowMessage = true;
  bool Loop = false;
  // The rule: occurrences after Horizon (local) are still to come; what
  // rang, by occurrence and real time.
  int64_t Horizon = 0;
  std::vector<std::pair<int64_t, int64_t>> Rung;

  bool Rings() const { return Checked && Days != 0 && BadTime.empty(); }
  std::wstring TimeText() const;
};

// A ring the model expects, in real time.
struct TExpected {
  const char* Why;
  int Id;
  int64_t From, To;
  int64_t Late;  // local time after the occurrence it rings for
  std::wstring Action;
};

struct TObserved {
  int Id;
  int64_t Real;
};

std::wstring TwoDigits(int value) { return std::wstring{wchar_t(L'0' + value / 10), wchar_t(L'0' + value % 10)}; }

std::wstring TModelAlarm::TimeText() const {
  return BadTime.empty() ? TwoDigits(Hour) + L":" + TwoDigits(Minute) : BadTime;
}

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

// The occurrences of an alarm in (from, to] of local time, by the calendar.
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

// Daylight saving time as in central Europe: an hour more from the last
// Sunday of March to the last Sunday of October, changing at 01:00 UTC.
std::vector<TWallClock::TZoneChange> SummerTime(int64_t standard, int fromYear, int toYear) {
  std::vector<TWallClock::TZoneChange> changes;
  const auto lastSunday = [](int year, int month) {
    sys::TLocalTime t;
    t.Year = year, t.Month = month, t.Day = 31;
    const int64_t day = sys::LocalMilliseconds(t);
    return day - (sys::LocalTimeAt(day).DayOfWeek - 1) * kDay + kHour;
  };
  for (int year = fromYear; year <= toYear; ++year) {
    changes.push_back({lastSunday(year, 3), standard + kHour});
    changes.push_back({lastSunday(year, 10), standard});
  }
  return changes;
}

class TSoak {
 public:
  explicit TSoak(uint64_t seed) : FRandom(seed) {}

  struct TFigures {
    int64_t Days = 0, Firings = 0, Actions = 0;
    int64_t Jumps = 0;  // sleeps, standby actions, clocks and zones changed
    int64_t DeviceFaults = 0;
    int64_t Missed = 0, Doubled = 0, Misplaced = 0, Unheard = 0;
    int64_t Silent = 0, PowerWrong = 0;
    int64_t LargestList = 0;
  };

  TFigures Run(int64_t length) {
    headless::Reset();
    {
      std::lock_guard lock(sys::RecordLock());
      sys::ShellRequests().clear();
      sys::PowerRequests().clear();
    }
    Application.Reset();
    Application.SetTitle(L"Tollivane");
    // Half a minute into a random minute of the week, in one of three kinds
    // of zone: without offset, east with summer time, west without.
    const int64_t start = WeekOf20261206(0, 0, 0, 30) + Uniform(0, 7 * 24 * 60 - 1) * kMinute;
    FSummerTime = Chance(50);
    FStandard = FSummerTime ? kHour : Chance(50) ? 0 : -5 * kHour;
    SetZone(FStandard);
    FClock.Set(start);
    sys::SetClock(&FJittery);
    sys::SetRecordedAction([this](const std::wstring& request) { RecordedAction(request); });
    audio::testing::SetOpenHook([this](const std::wstring& path) {
      if (path == kShare) headless::BlockFor(FShareDelay);
    });
    std::filesystem::create_directories(FFolder.Dir() / "Sounds");
    // Longer than a failed device takes to come back.
    FFolder.Write(L"Sounds/Bells1.mp3", SquareWav(3000));
    FFolder.Write(L"Sounds/Flute.mp3", "ID3 and nothing a decoder reads");
    std::ifstream mp3(TOLLIVANE_TEST_DATA "/audio/tone-660hz-24000-stereo.mp3", std::ios::binary);
    FFolder.Write(L"Sounds/Birds.mp3", std::string(std::istreambuf_iterator<char>(mp3), {}));
    RestartAudioOn(FDevice);

    FModel = RandomList();
    WriteList(L"data.xml", FModel);
    FForms = std::make_unique<TProgramForms>(FFolder.Path());
    MainForm->Show();
    MainForm->OnAlarm = [this](const TAlarm& alarm) { Observe(alarm); };
    for (TModelAlarm& alarm : FModel) alarm.Horizon = FClock.Ms();
    ExpectSame("start");

    FFrom = Point();
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
    headless::Reset();
    FForms.reset();
    RestartAudioOn(std::make_shared<audio::TNullDevice>());
    audio::testing::SetOpenHook(nullptr);
    sys::SetRecordedAction(nullptr);
    sys::SetClock(nullptr);
    return FFigures;
  }

 private:
  // The wall clock as the program reads it: each read finds it a little on,
  // so that a pass that read it twice could see two different seconds.
  class TJitteryClock : public sys::TClock {
   public:
    TJitteryClock(TWallClock& clock, std::mt19937_64& random) : FClock(clock), FRandom(random) {}
    int64_t UtcNow() const override {
      FClock.Shift(static_cast<int64_t>(FRandom() % 3));
      return FClock.UtcNow();
    }
    int64_t RealNow() const override { return FClock.RealNow(); }
    int64_t ZoneOffsetAt(int64_t utc) const override { return FClock.ZoneOffsetAt(utc); }

   private:
    TWallClock& FClock;
    std::mt19937_64& FRandom;
  };

  // A moment of the clocks, as the soak reads them (no jitter).
  struct TPoint {
    int64_t Real, Local, Utc;
  };
  // The clock stepped, or the computer slept, between two points. The
  // program looks at the clock right after a step it is told of; after a
  // standby once the standby calls of the moment have returned; after a step
  // nobody announces only when its timer next fires.
  enum TSeen { sAtOnce, sAfterTheStandbys, sLater };
  struct TStep {
    TPoint Before, After;
    TSeen Seen;
  };

  TPoint Point() const { return {FClock.RealNow(), FClock.Ms(), FClock.UtcNow()}; }

  int64_t Uniform(int64_t low, int64_t high) { return low + static_cast<int64_t>(FRandom() % (high - low + 1)); }
  bool Chance(int percent) { return Uniform(1, 100) <= percent; }
  int64_t SleepLength() { return Chance(85) ? Uniform(kMinute, 10 * kHour) : Uniform(10 * kHour, 3 * kDay); }

  void SetZone(int64_t standard) {
    FClock.SetZone(standard, FSummerTime ? SummerTime(standard, 2026, 2028) : std::vector<TWallClock::TZoneChange>{});
  }

  // What a recorded shell or power call does, on the thread that made it.
  void RecordedAction(const std::wstring& request) {
    if (request.starts_with(L"suspend")) {
      // The computer sleeps inside the call.
      const TPoint before = Point();
      FClock.Sleep(SleepLength());
      FSteps.push_back({before, Point(), sAfterTheStandbys});
      ++FFigures.Jumps;
    } else if (request == L"open " + std::wstring(kBlockingAction) && Chance(50)) {
      // A box of the shell, up until somebody answers it.
      headless::BlockFor(static_cast<uint64_t>(Uniform(kSecond, 10 * kMinute)));
    }
  }

  std::wstring NewNote() { return L"n" + std::to_wstring(++FNotes); }

  TModelAlarm RandomAlarm() {
    TModelAlarm alarm;
    alarm.Id = ++FIds;
    alarm.Note = NewNote();
    // Some share their moments.
    if (Chance(30)) {
      alarm.Hour = 7, alarm.Minute = 30;
    } else {
      alarm.Hour = static_cast<int>(Uniform(0, 23)), alarm.Minute = static_cast<int>(Uniform(0, 59));
    }
    if (Chance(2)) alarm.BadTime = Chance(50) ? L"25:00" : L"7.30";
    alarm.Days = Chance(20) ? 0x7F : static_cast<int>(Uniform(1, 0x7F));
    alarm.Checked = Chance(80);
    const int64_t action = Uniform(1, 100);
    if (action <= 3)
      alarm.Action = kActionStandby;
    else if (action <= 4)
      alarm.Action = kActionShutdown;
    else if (action <= 5)
      alarm.Action = kActionRestart;
    else if (action <= 10)
      alarm.Action = kBlockingAction;
    const int64_t sound = Uniform(1, 100);
    alarm.Sound = sound <= 5    ? L"(None)"
                  : sound <= 10 ? L"Alarm1"  // no such file
                  : sound <= 15 ? L"Flute"   // nothing a decoder reads
                  : sound <= 25 ? L"Birds"   // an MP3
                  : sound <= 28 ? kShare
                                : L"Bells1";
    alarm.ShowMessage = Chance(90);
    alarm.Loop = Chance(20);
    FById[alarm.Note] = alarm.Id;
    return alarm;
  }

  std::vector<TModelAlarm> RandomList() {
    std::vector<TModelAlarm> list;
    // A few large ones: most of the soak's time goes into them.
    const int64_t count = ++FLists % 30 == 0 ? Uniform(500, 1000) : Uniform(1, 50);
    for (int64_t i = 0; i < count; ++i) list.push_back(RandomAlarm());
    FFigures.LargestList = std::max(FFigures.LargestList, count);
    return list;
  }

  // data.xml, or an import file, of the list.
  void WriteList(const std::wstring& name, const std::vector<TModelAlarm>& list) {
    auto document = TXmlDocument::CreateName("Root");
    for (const TModelAlarm& m : list) {
      // Not NewAlarm(): it reads the clock, and each read moves it on.
      TAlarm alarm;
      alarm.TurnOnVolum = alarm.Snooze = alarm.WakeUp = alarm.TurnOnMoniter = true;
      alarm.SoundVolum = 100;
      alarm.Time = m.TimeText();
      alarm.Days = DaysText(m.Days);
      alarm.Note = m.Note;
      alarm.ShowMessage = m.ShowMessage;
      alarm.Sound = m.Sound;
      alarm.Loop = m.Loop;
      alarm.Action = m.Action;
      alarm.Checked = m.Checked;
      WriteAlarmToEntry(*document->Root()->NodeNew("Entry"), alarm);
    }
    document->SaveToFile(FFolder.File(name));
  }

  static bool Same(const TAlarm& alarm, const TModelAlarm& m) {
    return alarm.Note == m.Note && alarm.Time == m.TimeText() && DaysMask(alarm.Days) == m.Days &&
           alarm.Checked == m.Checked && alarm.Action == m.Action && alarm.Sound == m.Sound &&
           alarm.ShowMessage == m.ShowMessage && alarm.Loop == m.Loop;
  }

  // The list on screen, which is rebuilt from the document at every change,
  // against the model. The document itself is compared after the close.
  static bool Shows(const TSmoothListItem& item, const TModelAlarm& m) {
    return item.Info == m.Note && item.Caption == m.TimeText() &&
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
    ADD_FAILURE() << "the list differs from the model " << when << " " << FLastAction << " at entry " << differs << " ("
                  << list.Count() << " / " << FModel.size() << ")";
    // Carry on from the program's list, to count the rest.
    FModel.clear();
    for (int32_t i = 0; i < MainForm->Store().AlarmCount(); ++i) {
      const TAlarm alarm = MainForm->Store().ReadAlarm(i);
      TModelAlarm m;
      m.Id = FById.count(alarm.Note) ? FById[alarm.Note] : ++FIds;
      m.Note = alarm.Note;
      if (!TryParseTimeOfDay(alarm.Time, m.Hour, m.Minute)) m.BadTime = alarm.Time;
      m.Days = DaysMask(alarm.Days);
      m.Checked = alarm.Checked;
      m.Action = alarm.Action;
      m.Sound = alarm.Sound;
      m.ShowMessage = alarm.ShowMessage;
      m.Loop = alarm.Loop;
      m.Horizon = FClock.Ms();
      FModel.push_back(m);
    }
  }

  // An alarm went off; its sound must be heard once it is open, unless a
  // later alarm's took its place meanwhile.
  void Observe(const TAlarm& alarm) {
    const int id = FById.count(alarm.Note) ? FById[alarm.Note] : -1;
    FObserved.push_back({id, FClock.RealNow()});
    ++FFigures.Firings;
    if (alarm.Sound == kNoSound) return;
    const size_t sounded = ++FSounded;
    // Once the open in the background is done: the share's takes its time.
    const uint64_t wait = alarm.Sound == kShare ? FShareDelay : 0;
    Application.RunInBackground(
        [wait] {
          if (wait > 0) headless::BlockFor(wait);
        },
        [this, sounded] {
          if (sounded != FSounded) return;
          if (MainForm->Player()->GetPlayState() != psPlaying && ++FFigures.Silent <= 10)
            ADD_FAILURE() << "an alarm without sound";
          if (FDeviceFailed) ExpectHeard();
        });
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

  // ---- The model

  // What the model expects of the clocks' run from FFrom to now, the steps
  // logged meanwhile included; the list is as the model holds it.
  void Account() {
    const TPoint now = Point();
    TPoint from = FFrom;
    for (size_t i = 0; i < FSteps.size();) {
      Run(from, FSteps[i].Before);
      // Steps one after the other, with no time between them for the
      // program's timer: it rings once they are all done.
      size_t end = i + 1;
      while (end < FSteps.size() && FSteps[end].Before.Real == FSteps[end - 1].After.Real) ++end;
      Chain(
          std::vector<TStep>(FSteps.begin() + static_cast<ptrdiff_t>(i), FSteps.begin() + static_cast<ptrdiff_t>(end)));
      from = FSteps[end - 1].After;
      i = end;
    }
    Run(from, now);
    FSteps.clear();
    FFrom = now;
  }

  // The clocks ran on from a to b, but for the changes of summer time.
  void Run(TPoint a, const TPoint& b) {
    const std::vector<TWallClock::TZoneChange> changes =
        FSummerTime ? SummerTime(FStandard, 2026, 2028) : std::vector<TWallClock::TZoneChange>{};
    for (const TWallClock::TZoneChange& change : changes) {
      if (change.Utc <= a.Utc || change.Utc > b.Utc) continue;
      const int64_t real = std::min(b.Real, a.Real + (change.Utc - a.Utc));
      const TPoint before{real, change.Utc + FClock.ZoneOffsetAt(change.Utc - 1), change.Utc};
      const TPoint after{real, change.Utc + FClock.ZoneOffsetAt(change.Utc), change.Utc};
      Advance(a, before);
      // The program plans anew at the zone's changes: as good as announced.
      Chain({{before, after, sAtOnce}});
      a = after;
    }
    Advance(a, b);
  }

  // The local clock ran on from a to b as real time did, and a little more
  // (each of the program's reads moves it on): it reaches a moment a little
  // earlier in real time than the model works out. The program cannot ring
  // before the local clock shows the moment.
  void Advance(const TPoint& a, const TPoint& b) {
    const int64_t slack = std::max<int64_t>(0, (b.Local - a.Local) - (b.Real - a.Real)) + kLate;
    for (TModelAlarm& alarm : FModel) {
      if (!alarm.Rings()) continue;
      for (int64_t moment : Occurrences(alarm, std::max(alarm.Horizon, a.Local), b.Local)) {
        const int64_t real = std::min(b.Real, a.Real + (moment - a.Local));
        alarm.Horizon = moment;
        if (RangLately(alarm, moment, real)) continue;
        Expect(alarm, real - slack, real + kLate + Unannounced(real), 0, "as the clock reached it");
        alarm.Rung.emplace_back(moment, real);
      }
    }
  }

  // The clock stepped at once, or the computer slept, once or a few times
  // in a row. The program looks at the clock after each step it is told of
  // (a resume, a time change) and after the last; what came by then rings
  // once the steps are done.
  void Chain(const std::vector<TStep>& steps) {
    int64_t skew = steps.front().Before.Local - steps.front().Before.Real;
    int64_t lateBy = 0;  // the timer still counts from before an unannounced step
    std::vector<std::optional<int64_t>> come(FModel.size());
    const auto look = [&](const TPoint& at) {
      // The local clock went back, by less than real time ran: the
      // occurrences after the new time come again.
      const bool back = at.Local - at.Real < skew;
      skew = at.Local - at.Real;
      for (size_t i = 0; i < FModel.size(); ++i) {
        TModelAlarm& alarm = FModel[i];
        if (come[i]) continue;
        if (back) alarm.Horizon = std::min(alarm.Horizon, at.Local);
        if (!alarm.Rings()) continue;
        for (int64_t moment : Occurrences(alarm, alarm.Horizon, at.Local))
          if (!RangLately(alarm, moment, at.Real)) {
            come[i] = moment;
            break;
          }
        alarm.Horizon = std::max(alarm.Horizon, at.Local);
      }
    };
    for (const TStep& step : steps) {
      if (step.Seen == sAtOnce) {
        look(step.After);
      } else if (step.Seen == sLater && step.After.Local > step.Before.Local) {
        lateBy += step.After.Local - step.Before.Local;
        FUnannounced.emplace_back(step.After.Real, step.After.Local - step.Before.Local);
      }
    }
    const TPoint& end = steps.back().After;
    look(end);
    for (size_t i = 0; i < FModel.size(); ++i) {
      if (!come[i]) continue;
      TModelAlarm& alarm = FModel[i];
      // Once, for the latest that came; the clock may have gone back since.
      const int64_t upTo = std::max(end.Local, *come[i]);
      const int64_t occurrence = Occurrences(alarm, upTo - 8 * kDay, upTo).back();
      Expect(alarm, end.Real, end.Real + kLate + lateBy + Unannounced(end.Real),
             std::max<int64_t>(0, end.Local - occurrence), "after the clock jumped over it");
      alarm.Rung.emplace_back(occurrence, end.Real);
      alarm.Horizon = end.Local;
    }
  }

  static bool RangLately(const TModelAlarm& alarm, int64_t moment, int64_t real) {
    return std::any_of(alarm.Rung.begin(), alarm.Rung.end(),
                       [&](const auto& rung) { return rung.first == moment && real - rung.second < kOnceIn; });
  }

  // A clock set forward without a message in the hour before: the program's
  // timer still counts from before it, and may come that much later.
  int64_t Unannounced(int64_t real) const {
    int64_t late = 0;
    for (const auto& [at, by] : FUnannounced)
      if (at <= real && real - at <= kHour) late += by;
    return late;
  }

  void Expect(const TModelAlarm& alarm, int64_t from, int64_t to, int64_t late, const char* why) {
    FExpected.push_back({why, alarm.Id, from, to, late, alarm.Action});
  }

  // The alarm is armed anew from now: made, edited or ticked on.
  void Arm(TModelAlarm& alarm) { alarm.Horizon = FClock.Ms(); }

  // ---- The soak's doings

  // Runs the clock on, timers firing; the model accounts for what passed.
  void RunFor(int64_t length) {
    headless::AdvanceClock(static_cast<uint64_t>(length));
    RunDue();
    AwayFromTheMinute();
    // Often the action's pass then reads the clock as a second ends, where
    // two reads of one pass would see two different seconds.
    if (Chance(25)) headless::AdvanceClock(static_cast<uint64_t>(999 - (FClock.Ms() % 1000 + 1000) % 1000));
    Account();
  }

  // Away from the minute's start, where an action would race the alarm.
  void AwayFromTheMinute() {
    for (int second; (second = sys::LocalTimeAt(FClock.Ms()).Second) < 2 || second > 57;) headless::AdvanceClock(1000);
  }

  // One change of the clock, announced or not.
  void ChangeClock(bool announced, const std::function<void()>& change) {
    const TPoint before = Point();
    change();
    FSteps.push_back({before, Point(), announced ? sAtOnce : sLater});
    ++FFigures.Jumps;
  }

  // A sleep, a change of the clock or the zone, or a time sync: one to three
  // of them, one after the other, before the timer next fires.
  void Jump() {
    Account();
    for (int64_t count = Chance(70) ? 1 : Uniform(2, 3); count > 0; --count) {
      const int64_t kind = Uniform(1, 100);
      if (kind <= 40) {
        // Asleep; the clock is sometimes set anew on waking.
        ChangeClock(true, [&] { FClock.Sleep(SleepLength()); });
        Application.DoResume();
        if (Chance(30)) Application.DoTimeChange();
      } else if (kind <= 65) {
        // The clock put forward or back by hand, by seconds to days.
        const int64_t length = Chance(80) ? Uniform(kSecond, 2 * kHour) : Uniform(2 * kHour, 2 * kDay);
        ChangeClock(true, [&] { FClock.Shift(Chance(50) ? length : -length); });
        Application.DoTimeChange();
      } else if (kind <= 80) {
        // Another time zone, by whole half hours.
        const int64_t standard = std::clamp(FStandard + Uniform(-26, 26) * 30 * kMinute, -12 * kHour, 14 * kHour);
        ChangeClock(true, [&] {
          FStandard = standard;
          SetZone(standard);
        });
        Application.DoTimeChange();
      } else {
        // A time sync of a few hundred milliseconds, which nobody announces.
        const int64_t length = Uniform(100, 900);
        ChangeClock(false, [&] { FClock.Shift(Chance(50) ? length : -length); });
      }
    }
    RunDue();
    AwayFromTheMinute();
    Account();
  }

  int RandomIndex() { return static_cast<int>(Uniform(0, static_cast<int64_t>(FModel.size()) - 1)); }
  // One the editor can open: its Time reads.
  std::optional<int> RandomEditable() {
    for (int tries = 0; tries < 10; ++tries)
      if (const int i = RandomIndex(); FModel[static_cast<size_t>(i)].BadTime.empty()) return i;
    return std::nullopt;
  }

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
    alarm.Loop = Chance(20);
    if (editor.CheckBox3->Checked() != alarm.Loop) editor.CheckBox3->DoClick();
    alarm.ShowMessage = Chance(90);
    if (editor.CheckBox1->Checked() != alarm.ShowMessage) editor.CheckBox1->DoClick();
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
        AwayFromTheMinute();
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
      TModelAlarm alarm;
      alarm.Id = ++FIds;
      alarm.Action = kNoAction;
      if (RunEditor(MainForm->AddEntryAction6, alarm, true)) {
        Arm(alarm);
        FModel.push_back(alarm);
      }
    } else if (what <= 35) {
      const std::optional<int> i = RandomEditable();
      if (!i) return;
      list.DoSelectItem(*i);
      TModelAlarm& entry = FModel[static_cast<size_t>(*i)];
      TModelAlarm edited = entry;
      if (RunEditor(MainForm->EditEntryAction7, edited, Chance(60))) {
        // What rang while the editor was open stays rung.
        edited.Horizon = entry.Horizon;
        edited.Rung = entry.Rung;
        if (edited.Hour != entry.Hour || edited.Minute != entry.Minute || edited.Days != entry.Days) Arm(edited);
        entry = edited;
      }
    } else if (what <= 42) {
      const std::optional<int> i = RandomEditable();
      if (!i) return;
      list.DoSelectItem(*i);
      TModelAlarm copy = FModel[static_cast<size_t>(*i)];
      copy.Id = ++FIds;
      copy.Rung.clear();
      if (RunEditor(MainForm->DuplicateEntryAction1, copy, Chance(50))) {
        Arm(copy);
        FModel.push_back(copy);
      }
    } else if (what <= 50) {
      const int i = RandomIndex();
      list.DoSelectItem(i);
      const bool yes = Chance(80);
      headless::AnswerMessageBox(yes ? mrYes : mrNo);
      MainForm->DeleteEntryAction1->Execute();
      if (yes) FModel.erase(FModel.begin() + i);
    } else if (what <= 68) {
      const int i = RandomIndex();
      list.DoCheckClick(i);
      TModelAlarm& alarm = FModel[static_cast<size_t>(i)];
      alarm.Checked = !alarm.Checked;
      if (alarm.Checked) Arm(alarm);
    } else if (what <= 71) {
      std::vector<TModelAlarm> imported = RandomList();
      WriteList(L"import.xml", imported);
      headless::AnswerFileDialog(FFolder.File(L"import.xml"));
      headless::AnswerMessageBox(mrYes);
      MainForm->ImportAction2->Execute();
      for (TModelAlarm& alarm : imported) Arm(alarm);
      FModel = imported;
    } else if (what <= 76) {
      // The user answers the alarm window.
      if (ShowAlarmForm->Visible()) ShowAlarmForm->BitBtn3->DoClick();
    } else if (what <= 90) {
      Jump();
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
    FShareDelay = static_cast<uint64_t>(Uniform(0, 5 * kMinute));
  }

  // Runs on until everything due has gone off, and every piece of work in
  // the background has ended.
  void Settle() {
    RunDue();
    headless::AdvanceClock(11 * kMinute);
    RunDue();
    Account();
  }

  // Runs on while an alarm is due: a standby action may wake to more that
  // is due, a standby among it.
  void RunDue() {
    for (int rounds = 0;; ++rounds) {
      headless::AdvanceClock(10);
      if (!MainForm->Timer1.Enabled() || MainForm->NextDue() > FClock.Ms()) return;
      // Only a standby run late, again and again, keeps the computer going
      // back to sleep like this.
      if (rounds == 100) {
        ++FFigures.PowerWrong;
        ADD_FAILURE() << "the alarms keep putting the computer to sleep";
        sys::SetRecordedAction(nullptr);
      }
    }
  }

  // Each expected firing against the observed ones of its alarm, one each;
  // and the power actions that ran against those that were to run.
  void Match() {
    std::map<int, std::vector<std::pair<TObserved, bool>>> observed;
    for (const TObserved& o : FObserved) observed[o.Id].push_back({o, false});
    std::map<std::wstring, int64_t> surely, perhaps;
    for (const TExpected& e : FExpected) {
      auto& firings = observed[e.Id];
      auto it = std::find_if(firings.begin(), firings.end(), [&](const auto& f) {
        return !f.second && f.first.Real >= e.From && f.first.Real <= e.To;
      });
      if (it == firings.end()) {
        if (++FFigures.Missed <= 10) {
          std::string seen;
          for (const auto& f : firings)
            if (std::abs(f.first.Real - e.From) < 3 * kDay)
              seen.append(" ").append(std::to_string(f.first.Real - e.From));
          ADD_FAILURE() << "alarm " << e.Id << " did not go off " << e.Why << ", between " << e.From << " and " << e.To
                        << " ms of real time; it did at" << seen << " ms from the first";
        }
        continue;
      }
      it->second = true;
      const TAlarmActionKind kind = ActionKind(e.Action);
      if (kind != akShutdown && kind != akRestart && kind != akStandby) continue;
      const std::wstring request = kind == akShutdown  ? L"shutdown 12"
                                   : kind == akRestart ? L"shutdown 6"
                                                       : L"suspend 0 0 0";
      // Near the bound the program's clock reads may tip it either way.
      if (e.Late < kPowerLate - kSecond)
        ++surely[request];
      else if (e.Late <= kPowerLate + kSecond)
        ++perhaps[request];
    }
    for (const auto& [id, firings] : observed)
      for (const auto& f : firings)
        if (!f.second && ++FFigures.Doubled <= 10)
          ADD_FAILURE() << "alarm " << id << " went off unasked at " << f.first.Real;
    std::map<std::wstring, int64_t> ran;
    {
      std::lock_guard lock(sys::RecordLock());
      for (const std::wstring& request : sys::PowerRequests()) ++ran[request];
    }
    for (const wchar_t* request : {L"shutdown 12", L"shutdown 6", L"suspend 0 0 0"}) {
      const int64_t n = ran[request], low = surely[request], high = low + perhaps[request];
      if (n < low || n > high) {
        FFigures.PowerWrong += n < low ? low - n : n - high;
        ADD_FAILURE() << sys::WideToUtf8(request) << " ran " << n << " times, for " << low << " to " << high
                      << " alarms on time";
      }
    }
  }

  std::mt19937_64 FRandom;
  TWallClock FClock{0};
  TJitteryClock FJittery{FClock, FRandom};
  bool FSummerTime = false;
  int64_t FStandard = 0;
  TTestFolder FFolder;
  std::shared_ptr<audio::testing::TFaultyDevice> FDevice = std::make_shared<audio::testing::TFaultyDevice>();
  bool FDeviceFailed = false;
  uint64_t FHeardBefore = 0;
  uint64_t FShareDelay = 0;  // virtual milliseconds the share takes to open a file
  size_t FSounded = 0;       // alarms rung with a sound
  std::unique_ptr<TProgramForms> FForms;
  std::vector<TModelAlarm> FModel;
  std::map<std::wstring, int> FById;
  int FIds = 0, FNotes = 0, FLists = 0;
  TPoint FFrom{};
  std::vector<TStep> FSteps;                              // since FFrom
  std::vector<std::pair<int64_t, int64_t>> FUnannounced;  // clocks set forward unannounced: when, by how much
  std::vector<TExpected> FExpected;
  std::vector<TObserved> FObserved;
  std::string FLastAction;
  TFigures FFigures;
};

// TOLLIVANE_SOAK_SEEDS="7,8,9" runs those seeds instead.
std::vector<uint64_t> Seeds() {
  std::vector<uint64_t> seeds;
  if (const char* list = std::getenv("TOLLIVANE_SOAK_SEEDS")) {
    std::stringstream in(list);
    for (std::string seed; std::getline(in, seed, ',');)
      if (!seed.empty()) seeds.push_back(std::stoull(seed));
  }
  if (seeds.empty()) seeds = {1};
  return seeds;
}

TEST(Soak, AYearOfRandomUseRingsEveryAlarmOnceAndOnTimeAndKeepsTheList) {
  TSoak::TFigures total;
  std::string names;
  for (uint64_t seed : Seeds()) {
    SCOPED_TRACE(seed);
    names.append(names.empty() ? "" : ",").append(std::to_string(seed));
    const TSoak::TFigures f = TSoak(seed).Run(365 * kDay);
    total.Days += f.Days, total.Firings += f.Firings, total.Actions += f.Actions;
    total.Jumps += f.Jumps, total.DeviceFaults += f.DeviceFaults;
    total.Missed += f.Missed, total.Doubled += f.Doubled, total.Misplaced += f.Misplaced, total.Unheard += f.Unheard;
    total.Silent += f.Silent, total.PowerWrong += f.PowerWrong;
    total.LargestList = std::max(total.LargestList, f.LargestList);
  }
  auto n = [](int64_t value) { return static_cast<long long>(value); };
  std::printf(
      "soak seeds %s: %lld simulated days, %lld firings, %lld actions, %lld sleeps and clock changes, %lld sound "
      "device failures; %lld missed, %lld doubled, %lld misplaced, %lld unheard; %lld silent, %lld power actions "
      "wrong; lists up to %lld alarms\n",
      names.c_str(), n(total.Days), n(total.Firings), n(total.Actions), n(total.Jumps), n(total.DeviceFaults),
      n(total.Missed), n(total.Doubled), n(total.Misplaced), n(total.Unheard), n(total.Silent), n(total.PowerWrong),
      n(total.LargestList));
  EXPECT_EQ(total.Missed, 0);
  EXPECT_EQ(total.Doubled, 0);
  EXPECT_EQ(total.Misplaced, 0);
  EXPECT_EQ(total.Unheard, 0);
  EXPECT_EQ(total.Silent, 0);
  EXPECT_EQ(total.PowerWrong, 0);
}

}  // namespace
