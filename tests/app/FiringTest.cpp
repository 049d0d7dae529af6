// The firing sequence on the headless back end: the virtual clock drives the
// timers and a fixed local clock, moved with it, stands for the wall clock.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SoundFixture.h"
#include "TestFolder.h"
#include "TestSandbox.h"
#include "WallClock.h"
#include "alarm/Alarm.h"
#include "app/MainUnit.h"
#include "app/Program.h"
#include "audio/AudioDevice.h"
#include "audio/AudioTesting.h"
#include "system/Clock.h"
#include "system/PowerUtils.h"
#include "system/Shell.h"
#include "system/Unicode.h"
#include "ui/EditAlarmUnit.h"
#include "ui/ShowAlarmUnit.h"
#include "widgets/headless/Headless.h"

namespace {

struct TEntry {
  const char* Time;
  const char* Days;
  const char* Note = "Note";
  const char* Sound = "Bells1";
  bool ShowMessage = true;
  bool Loop = false;
  const char* Action = "";
  bool Checked = true;
};

std::string Xml(const TEntry& e) {
  auto b = [](bool v) { return v ? "true" : "false"; };
  return std::string("<Entry><Time>") + e.Time + "</Time><Days>" + e.Days + "</Days><Note>" + e.Note +
         "</Note><ShowMessage>" + b(e.ShowMessage) + "</ShowMessage><Sound>" + e.Sound + "</Sound><Loop>" + b(e.Loop) +
         "</Loop><Action>" + e.Action + "</Action><Checked>" + b(e.Checked) + "</Checked></Entry>";
}

class FiringTest : public testing::Test {
 public:
  // Wednesday 2026-12-09 10:15:30.
  static constexpr int kWednesday = 3;
  const int64_t kStart = WeekOf20261206(kWednesday, 10, 15, 30);

  void SetUp() override {
    headless::Reset();
    sys::ShellRequests().clear();
    sys::PowerRequests().clear();
    sys::SetRecordedAction(nullptr);
    Application.Reset();
    Application.SetTitle(L"Tollivane");
    FClock.SetZone(0);
    FClock.Set(kStart);
    std::filesystem::create_directories(FFolder.Dir() / "Sounds");
    FFolder.Write(L"Sounds/Bells1.mp3", SquareWav(2400));  // the content picks the decoder
  }
  void TearDown() override { sys::SetRecordedAction(nullptr); }

  void Start(const std::vector<TEntry>& entries) {
    FFolder.Write(L"data.xml", Document(entries));
    FForms = std::make_unique<TProgramForms>(FFolder.Path());
    MainForm->Show();
    // Every showing of the alarm window: the note, and when.
    ShowAlarmForm->OnShow = [this] { FShown.push_back({ShowAlarmForm->Label2->Caption(), FClock.Ms()}); };
  }

  static std::string Document(const std::vector<TEntry>& entries) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root>";
    for (const TEntry& e : entries) xml += Xml(e);
    return xml + "</Root>";
  }

  // Runs time on to the moment the alarm timer is armed for, and returns the
  // entry that was armed.
  int RunToNextAlarm() {
    EXPECT_TRUE(MainForm->Timer1.Enabled());
    const int armed = NextAlarmIndex;
    RunUntil(MainForm->NextDue());
    return armed;
  }
  // Runs time on to a moment of the wall clock.
  void RunUntil(int64_t moment) { headless::AdvanceClock(static_cast<uint64_t>(moment - FClock.Ms())); }

  bool WindowShows(const wchar_t* time, const wchar_t* note) {
    return ShowAlarmForm->Visible() && ShowAlarmForm->Label1->Caption() == time &&
           ShowAlarmForm->Label2->Caption() == note;
  }
  std::vector<std::wstring> NotesShown() const {
    std::vector<std::wstring> notes;
    for (const auto& shown : FShown) notes.push_back(shown.first);
    return notes;
  }

  TWallClock FClock{0};
  sys::TScopedClock FScopedClock{FClock};
  TTestFolder FFolder;
  std::unique_ptr<TProgramForms> FForms;
  std::vector<std::pair<std::wstring, int64_t>> FShown;
};

TEST_F(FiringTest, TheRoadOfOneAlarmFromAddToClosingItsWindow) {
  Start({});
  EXPECT_FALSE(MainForm->Timer1.Enabled());
  // 1-2. Add: the editor opens with a new alarm's defaults; the user sets
  // 10:20 on Wednesday, a looping sound, and presses OK.
  headless::OnNextModal([](TForm&) {
    EditAlarmForm->ComboBox2->DoSelect(10);
    EditAlarmForm->ComboBox3->DoSelect(20);
    EditAlarmForm->CheckGroup1->DoToggle(3);
    EditAlarmForm->Memo1->DoEdit(L"Call home");
    EditAlarmForm->ComboBox1->DoSelect(5);  // Bells1
    if (!EditAlarmForm->CheckBox1->Checked()) EditAlarmForm->CheckBox1->DoClick();
    if (!EditAlarmForm->CheckBox3->Checked()) EditAlarmForm->CheckBox3->DoClick();
    EditAlarmForm->BitBtn3->DoClick();
  });
  MainForm->AddEntryAction6->Execute();
  // 3-4. One entry, the list rebuilt, Timer1 armed 270 s ahead.
  ASSERT_EQ(MainForm->Store().AlarmCount(), 1);
  EXPECT_EQ(MainForm->SmoothListBox3->Item(0).Caption, L"10:20");
  EXPECT_EQ(MainForm->Timer1.Interval(), 270000u);
  // 5. Timer1 elapses: sound, loop timer, window, then the next pass.
  EXPECT_EQ(RunToNextAlarm(), 0);
  EXPECT_EQ(MainForm->Player()->GetPlayState(), psPlaying);
  EXPECT_TRUE(MainForm->Timer2.Enabled());
  EXPECT_EQ(MainForm->Timer2.Interval(), 3000u) << "2.4 s of sound";
  EXPECT_TRUE(WindowShows(L"10:20", L"Call home"));
  EXPECT_TRUE(MainForm->Timer1.Enabled());
  EXPECT_EQ(MainForm->NextDue(), WeekOf20261206(kWednesday + 7, 10, 20)) << "next Wednesday, same time";
  // The loop restarts the sound.
  headless::AdvanceClock(3000);
  EXPECT_EQ(MainForm->Player()->GetPlayState(), psPlaying);
  // 6. Closing the window ends the repetition.
  ShowAlarmForm->BitBtn3->DoClick();
  EXPECT_FALSE(ShowAlarmForm->Visible());
  EXPECT_FALSE(MainForm->Timer2.Enabled());
}

TEST_F(FiringTest, TheCloseBoxOfTheAlarmWindowAlsoEndsTheLoop) {
  Start({{.Time = "10:20", .Days = "Wednesday", .Loop = true}});
  RunToNextAlarm();
  ASSERT_TRUE(MainForm->Timer2.Enabled());
  ShowAlarmForm->DoClose();
  EXPECT_FALSE(MainForm->Timer2.Enabled());
}

TEST_F(FiringTest, ASoundAloneAndNothingElse) {
  Start({{.Time = "10:20", .Days = "Wednesday", .ShowMessage = false}});
  RunToNextAlarm();
  EXPECT_EQ(MainForm->Player()->GetPlayState(), psPlaying);
  EXPECT_FALSE(MainForm->Timer2.Enabled());
  EXPECT_FALSE(ShowAlarmForm->Visible());
  EXPECT_TRUE(sys::ShellRequests().empty());
  EXPECT_TRUE(sys::PowerRequests().empty());
}

TEST_F(FiringTest, WithoutASoundFileTheWindowAndActionStillFollow) {
  Start({{.Time = "10:20", .Days = "Wednesday", .Sound = "(None)", .Loop = true, .Action = "(None)"}});
  RunToNextAlarm();
  EXPECT_FALSE(MainForm->Player()->CanPlay());
  EXPECT_FALSE(MainForm->Timer2.Enabled());
  EXPECT_TRUE(WindowShows(L"10:20", L"Note"));
  ASSERT_EQ(sys::ShellRequests().size(), 1u) << "one attempt to open \"(None)\"";
  EXPECT_EQ(sys::ShellRequests()[0].File, L"(None)");
  EXPECT_EQ(sys::ShellRequests()[0].Folder, L"");
}

TEST_F(FiringTest, ASoundThatCannotBePlayedGivesWayToTheAlarmTone) {
  std::ifstream mp3(TOLLIVANE_TEST_DATA "/audio/tone-660hz-24000-stereo.mp3", std::ios::binary);
  const std::string mp3Bytes{std::istreambuf_iterator<char>(mp3), {}};
  ASSERT_FALSE(mp3Bytes.empty());
  const struct {
    const char* Sound;
    std::string Bells1;  // the content of Sounds/Bells1.mp3
    bool MediaFoundationMissing;
  } cases[] = {{"Alarm1", SquareWav(2400), false},  // no such file
               {"", SquareWav(2400), false},        // resolves to a file named ".mp3"
               {"Bells1", "ID3 but nothing a decoder reads", false},
               {"Bells1", mp3Bytes, true}};
  for (const auto& c : cases) {
    SetUp();
    FFolder.Write(L"Sounds/Bells1.mp3", c.Bells1);
    if (c.MediaFoundationMissing) {
      // The engine starts afresh with the program, as on such a Windows.
      audio::testing::SetMediaFoundationMissing(true);
      RestartAudioOn(std::make_shared<audio::TNullDevice>());
    }
    Start({{.Time = "10:20", .Days = "Wednesday", .Sound = c.Sound, .Loop = true}});
    RunToNextAlarm();
    EXPECT_EQ(MainForm->Player()->GetPlayState(), psPlaying) << c.Sound;
    EXPECT_TRUE(MainForm->Timer2.Enabled()) << c.Sound;
    EXPECT_EQ(MainForm->Timer2.Interval(), 3000u) << "the tone's 2 s, looping as the alarm would; " << c.Sound;
    EXPECT_TRUE(WindowShows(L"10:20", L"Note"));
    FForms.reset();
    if (c.MediaFoundationMissing) {
      audio::testing::SetMediaFoundationMissing(false);
      RestartAudioOn(std::make_shared<audio::TNullDevice>());
    }
  }
}

TEST_F(FiringTest, PowerActionsShutDownRestartAndStandbyAndSaveFirst) {
  const struct {
    const char* Action;
    const wchar_t* Request;
    bool Saves;
  } cases[] = {{"Shut down computer", L"shutdown 12", true},
               {"Restart computer", L"shutdown 6", true},
               {"Standby computer", L"suspend 0 0 0", false}};
  for (const auto& c : cases) {
    SetUp();
    Start({{.Time = "10:20", .Days = "Wednesday", .Note = "Before", .Action = c.Action}});
    // A change the forced shutdown would otherwise lose.
    MainForm->SmoothListBox3->DoCheckClick(0);
    MainForm->SmoothListBox3->DoCheckClick(0);
    MainForm->Store().EditAlarm(MainForm->Store().Entry(0), [&] {
      TAlarm a = MainForm->Store().ReadAlarm(0);
      a.Note = L"After";
      return a;
    }());
    RunToNextAlarm();
    EXPECT_EQ(sys::PowerRequests(), std::vector<std::wstring>{c.Request}) << c.Action;
    EXPECT_EQ(FFolder.Read(L"data.xml").find("After") != std::string::npos, c.Saves) << c.Action;
    EXPECT_TRUE(WindowShows(L"10:20", L"After")) << "the window comes first";
    EXPECT_EQ(MainForm->NextDue(), WeekOf20261206(kWednesday + 7, 10, 20)) << "rescheduled after the call returned";
    FForms.reset();
  }
}

TEST_F(FiringTest, AnAlarmSwitchedOffOrGoneAfterTheTimerWasArmedDoesNotGoOff) {
  const struct {
    const char* Change;
    void (*Make)();
  } cases[] = {
      {"switched off", [] { MainForm->Store().SwitchAlarm(0, false); }},
      {"deleted", [] { MainForm->Store().DeleteAlarm(0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Change);
    SetUp();
    FShown.clear();
    Start({{.Time = "10:20", .Days = "Wednesday"}, {.Time = "10:25", .Days = "Wednesday", .Note = "Later"}});
    // In the document, without a pass: the timer stays armed for it.
    c.Make();
    RunUntil(WeekOf20261206(kWednesday, 10, 20, 30));
    EXPECT_TRUE(FShown.empty());
    RunUntil(WeekOf20261206(kWednesday, 10, 25, 30));
    EXPECT_EQ(NotesShown(), std::vector<std::wstring>{L"Later"});
    FForms.reset();
  }
}

TEST_F(FiringTest, AClockChangeReArmsTheTimer) {
  Start({{.Time = "10:20", .Days = "Wednesday"}});
  EXPECT_EQ(MainForm->Timer1.Interval(), 270000u);
  FClock.Shift(-3600 * 1000);  // daylight saving time ended
  Application.DoTimeChange();
  EXPECT_EQ(MainForm->NextDue(), WeekOf20261206(kWednesday, 10, 20));
  // A timer that elapses before the alarm's wall-clock time fires nothing.
  headless::AdvanceClock(270000);
  EXPECT_TRUE(FShown.empty());
  RunUntil(WeekOf20261206(kWednesday, 10, 20, 30));
  EXPECT_EQ(FShown.size(), 1u);
}

TEST_F(FiringTest, AlarmsSleptThroughGoOffOnceEachOnResume) {
  Start({{.Time = "10:20", .Days = "Wednesday"},
         {.Time = "10:30", .Days = "All days", .Note = "Also missed"},
         {.Time = "11:30", .Days = "Saturday", .Note = "Not yet"}});
  // Slept from 10:15:30 to 11:15:30, and from Wednesday to Saturday: the
  // daily one once, for its latest occurrence.
  FClock.Sleep((3 * 24 + 1) * 3600 * 1000LL);
  Application.DoResume();
  headless::AdvanceClock(10);
  EXPECT_EQ(NotesShown(), (std::vector<std::wstring>{L"Note", L"Also missed"}));
  Application.DoResume();
  headless::AdvanceClock(10);
  EXPECT_EQ(FShown.size(), 2u) << "once";
  EXPECT_EQ(NextAlarmIndex, 2);
  EXPECT_EQ(MainForm->NextDue(), WeekOf20261206(6, 11, 30));
}

TEST_F(FiringTest, AOneWeekdayAlarmGoesOffEveryWeek) {
  Start({{.Time = "08:00", .Days = "Monday", .Note = "Standup"}});
  for (int week = 0; week < 2; ++week) {
    RunToNextAlarm();
    EXPECT_TRUE(WindowShows(L"08:00", L"Standup")) << week;
    EXPECT_EQ(FClock.Now().DayOfWeek, 2);
    ShowAlarmForm->DoClose();
  }
}

TEST_F(FiringTest, AlarmsDueTogetherEachGoOffOnce) {
  Start({{.Time = "10:20", .Days = "Wednesday", .Note = "First"},
         {.Time = "10:20", .Days = "All days", .Note = "Second"},
         {.Time = "10:21", .Days = "Wednesday", .Note = "Third"}});
  RunToNextAlarm();
  headless::AdvanceClock(10);  // the second is armed to go off at once
  EXPECT_EQ(NotesShown(), (std::vector<std::wstring>{L"First", L"Second"}));
  EXPECT_EQ(NextAlarmIndex, 2);
  EXPECT_EQ(MainForm->Timer1.Interval(), 60000u);
  RunToNextAlarm();
  EXPECT_EQ(NotesShown().back(), L"Third");
}

// ---- Every occurrence once, on time

TEST_F(FiringTest, ListChangesInTheMinuteAnAlarmFiredFireNothingMore) {
  const struct {
    const char* Change;
    std::function<void(FiringTest&)> Make;
  } cases[] = {
      {"delete the alarm above it",
       [](FiringTest&) {
         MainForm->SmoothListBox3->DoSelectItem(0);
         headless::AnswerMessageBox(mrYes);
         MainForm->DeleteEntryAction1->Execute();
       }},
      {"duplicate it",
       [](FiringTest&) {
         MainForm->SmoothListBox3->DoSelectItem(1);
         headless::OnNextModal([](TForm&) { EditAlarmForm->BitBtn3->DoClick(); });
         MainForm->DuplicateEntryAction1->Execute();
       }},
      {"add one at the editor's time, this minute",
       [](FiringTest&) {
         headless::OnNextModal([](TForm&) {
           EditAlarmForm->CheckGroup1->DoToggle(3);
           EditAlarmForm->BitBtn3->DoClick();
         });
         MainForm->AddEntryAction6->Execute();
       }},
      {"import the list in another order",
       [](FiringTest& test) {
         test.FFolder.Write(L"import.xml",
                            Document({{.Time = "10:20", .Days = "Wednesday", .Note = "Fired", .Action = "C:\\x.cmd"},
                                      {.Time = "10:25", .Days = "Wednesday", .Note = "Above"}}));
         headless::AnswerFileDialog(test.FFolder.File(L"import.xml"));
         headless::AnswerMessageBox(mrYes);
         MainForm->ImportAction2->Execute();
       }},
      {"tick the other alarm off and on",
       [](FiringTest&) {
         MainForm->SmoothListBox3->DoCheckClick(0);
         MainForm->SmoothListBox3->DoCheckClick(0);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Change);
    SetUp();
    FShown.clear();
    Start({{.Time = "10:25", .Days = "Wednesday", .Note = "Above"},
           {.Time = "10:20", .Days = "Wednesday", .Note = "Fired", .Action = "C:\\x.cmd"}});
    RunUntil(WeekOf20261206(kWednesday, 10, 20, 20));
    ASSERT_EQ(NotesShown(), std::vector<std::wstring>{L"Fired"});
    c.Make(*this);
    RunUntil(WeekOf20261206(kWednesday, 10, 21, 30));
    EXPECT_EQ(NotesShown(), std::vector<std::wstring>{L"Fired"});
    EXPECT_EQ(sys::ShellRequests().size(), 1u) << "the action ran once";
    FForms.reset();
  }
}

TEST_F(FiringTest, ASecondBoundaryBetweenTwoReadsOfTheClockNeitherSkipsNorDoubles) {
  // Every read of the clock finds it 400 ms on: a pass that reads it twice
  // sees two different seconds.
  class TSlowReads : public sys::TClock {
   public:
    explicit TSlowReads(TWallClock& clock) : FClock(clock) {}
    int64_t UtcNow() const override {
      FClock.Shift(400);
      return FClock.UtcNow();
    }
    int64_t RealNow() const override { return FClock.RealNow(); }
    int64_t ZoneOffsetAt(int64_t utc) const override { return FClock.ZoneOffsetAt(utc); }

   private:
    TWallClock& FClock;
  };
  for (int before : {999, 800, 600, 200}) {
    SCOPED_TRACE(before);
    SetUp();
    FShown.clear();
    const int64_t due = WeekOf20261206(1, 7, 0);  // Monday 07:00
    FClock.Set(due - 400 - before);
    TSlowReads slow(FClock);
    sys::SetClock(&slow);
    Start({{.Time = "07:00", .Days = "Monday", .Note = "Standup"}});
    RunUntil(due + 120'000);
    EXPECT_EQ(NotesShown(), std::vector<std::wstring>{L"Standup"});
    if (!FShown.empty()) {
      EXPECT_EQ(FShown[0].second / 1000, due / 1000) << "in the due second";
    }
    FForms.reset();
    sys::SetClock(&FClock);
  }
}

TEST_F(FiringTest, AnUnreadableTimeIsToldOnceAndTheOtherAlarmsStillGoOff) {
  for (bool tickedLater : {false, true}) {
    SCOPED_TRACE(tickedLater);
    SetUp();
    FShown.clear();
    Start({{.Time = "25:00", .Days = "Wednesday", .Note = "Bad", .Checked = !tickedLater},
           {.Time = "10:20", .Days = "Wednesday", .Note = "Good"}});
    if (tickedLater) MainForm->SmoothListBox3->DoCheckClick(0);
    ASSERT_EQ(headless::MessagesShown().size(), 1u);
    EXPECT_EQ(headless::MessagesShown()[0].Text, L"''25:00'' is not a valid date and time");
    RunUntil(WeekOf20261206(kWednesday + 7, 10, 20, 30));
    EXPECT_EQ(NotesShown(), (std::vector<std::wstring>{L"Good", L"Good"}));
    EXPECT_EQ(headless::MessagesShown().size(), 1u) << "told once";
    FForms.reset();
  }
}

TEST_F(FiringTest, AlarmsDueWhileAStandbyActionSleptGoOffOnceOnWaking) {
  for (bool resumeBroadcast : {false, true}) {
    SCOPED_TRACE(resumeBroadcast);
    SetUp();
    FShown.clear();
    // The call returns when the computer wakes at 11:20; its timers stood
    // still meanwhile.
    sys::SetRecordedAction([this](const std::wstring& request) {
      if (request.starts_with(L"suspend")) FClock.Sleep(3600 * 1000);
    });
    Start({{.Time = "10:20", .Days = "Wednesday", .Note = "Sleep", .Action = "Standby computer"},
           {.Time = "10:30", .Days = "Wednesday", .Note = "Missed"},
           {.Time = "10:40", .Days = "All days", .Note = "Also missed"},
           {.Time = "10:40", .Days = "Wednesday", .Note = "Same moment"},
           {.Time = "12:00", .Days = "Wednesday", .Note = "Later"}});
    RunToNextAlarm();
    if (resumeBroadcast) Application.DoResume();
    headless::AdvanceClock(100);
    EXPECT_EQ(NotesShown(), (std::vector<std::wstring>{L"Sleep", L"Missed", L"Also missed", L"Same moment"}));
    RunUntil(WeekOf20261206(kWednesday, 12, 0, 30));
    EXPECT_EQ(NotesShown().size(), 5u);
    EXPECT_EQ(NotesShown().back(), L"Later");
    FForms.reset();
  }
}

TEST_F(FiringTest, AlarmsComeOnTheDot) {
  FClock.Set(kStart + 700);  // 10:15:30.700
  std::vector<TEntry> entries;
  const std::vector<std::string> times = {"10:20", "10:21", "10:22", "10:23", "10:24",
                                          "10:25", "10:26", "10:27", "10:28", "10:29"};
  for (const std::string& time : times) entries.push_back({.Time = time.c_str(), .Days = "Wednesday"});
  Start(entries);
  RunUntil(WeekOf20261206(kWednesday, 10, 30));
  ASSERT_EQ(FShown.size(), times.size());
  for (size_t i = 0; i < times.size(); ++i) {
    const int64_t late = FShown[i].second - WeekOf20261206(kWednesday, 10, 20 + static_cast<int>(i));
    EXPECT_GE(late, 0) << times[i];
    EXPECT_LT(late, 20) << times[i];
  }
}

// ---- Across sleep, clock and time-zone changes

constexpr int64_t kMinute = 60'000, kHour = 60 * kMinute, kDay = 24 * kHour;

TEST_F(FiringTest, AnActionThatWouldEndTheUsersWorkDoesNotRunLateButTheAlarmRings) {
  const struct {
    const char* Action;
    int64_t Slept;  // from 22:00 on Wednesday; the alarm is at 23:00 every day
    bool Runs;
  } cases[] = {
      {"Shut down computer", 10 * kHour, false},
      {"Restart computer", 10 * kHour, false},
      {"Standby computer", 2 * kDay + 10 * kHour, false},        // a weekend slept through
      {"Shut down computer", kHour + 2 * kMinute - 1000, true},  // just under two minutes late
      {"Shut down computer", kHour + 2 * kMinute + 1000, false},
      {"C:\\backup.cmd", 10 * kHour, true},  // opened all the same
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Action << " after " << c.Slept / 1000 << " s");
    SetUp();
    FShown.clear();
    FClock.Set(WeekOf20261206(kWednesday, 22, 0));
    Start({{.Time = "23:00", .Days = "All days", .Note = "Night", .ShowMessage = false, .Action = c.Action}});
    FClock.Sleep(c.Slept);
    Application.DoResume();
    headless::AdvanceClock(100);
    EXPECT_EQ(MainForm->Player()->GetPlayState(), psPlaying) << "it rings";
    const bool power = ActionKind(sys::Utf8ToWide(c.Action)) != akOpen;
    EXPECT_EQ(sys::PowerRequests().size(), power && c.Runs ? 1u : 0u);
    EXPECT_EQ(sys::ShellRequests().size(), power ? 0u : 1u);
    // The window tells what was not done, though the alarm shows none.
    ASSERT_EQ(FShown.size(), c.Runs ? 0u : 1u);
    if (!c.Runs) {
      EXPECT_EQ(ShowAlarmForm->Label2->Caption(), L"Night");
      // As late as after the last 23:00 slept through.
      EXPECT_EQ(ShowAlarmForm->Label3->Caption(),
                SkippedActionText(sys::Utf8ToWide(c.Action), (c.Slept - kHour) % kDay));
    }
    FForms.reset();
  }
}

TEST_F(FiringTest, AnAlarmThatCameStaysDueWhenTheClockStepsBackBeforeItRings) {
  const struct {
    const char* Case;
    std::function<void(FiringTest&)> Steps;
  } cases[] = {
      {"slept through it, then a time sync 300 ms back",
       [](FiringTest& t) {
         t.FClock.Sleep(kHour);
         Application.DoResume();
         t.FClock.Shift(-300);
         Application.DoTimeChange();
       }},
      {"the same, the sync unannounced",
       [](FiringTest& t) {
         t.FClock.Sleep(kHour);
         Application.DoResume();
         t.FClock.Shift(-300);
       }},
      {"forward 2 h, then back 1 min",
       [](FiringTest& t) {
         t.FClock.Shift(2 * kHour);
         Application.DoTimeChange();
         t.FClock.Shift(-kMinute);
         Application.DoTimeChange();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    SetUp();
    FShown.clear();
    Start({{.Time = "10:20", .Days = "Wednesday"}});
    c.Steps(*this);
    headless::AdvanceClock(100);
    EXPECT_EQ(FShown.size(), 1u);
    RunUntil(WeekOf20261206(kWednesday, 14, 0));
    EXPECT_EQ(FShown.size(), 1u) << "once";
    FForms.reset();
  }
}

TEST_F(FiringTest, AClockThatRanDaysAheadIsPutRightAndEachRealDayRings) {
  // The clock shows Thursday 07:00 on the real Monday.
  FClock.Set(WeekOf20261206(4, 7, 0));
  Start(
      {{.Time = "08:00", .Days = "All days", .Note = "Daily"}, {.Time = "12:00", .Days = "Monday", .Note = "Monday"}});
  RunUntil(WeekOf20261206(4, 8, 30));
  ASSERT_EQ(NotesShown(), std::vector<std::wstring>{L"Daily"});
  FClock.Shift(-3 * kDay);  // Monday 08:30
  Application.DoTimeChange();
  RunUntil(WeekOf20261206(4, 8, 30));
  EXPECT_EQ(NotesShown(), (std::vector<std::wstring>{L"Daily", L"Monday", L"Daily", L"Daily", L"Daily"}));
  EXPECT_EQ(FShown.back().second, WeekOf20261206(4, 8, 0)) << "Thursday again, three real days later";
}

TEST_F(FiringTest, AZoneFurtherWestRingsItsOwnHoursAndDaylightSavingsRepeatedHourNothingTwice) {
  const struct {
    const char* Case;
    std::function<void(TWallClock&)> Change;  // at 08:05, after 08:00 rang
    int64_t RingsAgain;                       // local, -1 for not before tomorrow
  } cases[] = {
      {"9 hours west", [](TWallClock& c) { c.SetZone(-9 * kHour); }, WeekOf20261206(kWednesday, 8, 0)},
      {"daylight saving time ends",
       [](TWallClock& c) {
         c.SetZone(0, {{c.UtcNow(), -kHour}});
       },
       WeekOf20261206(kWednesday + 1, 8, 0)},
      {"the clock put back an hour", [](TWallClock& c) { c.Shift(-kHour); }, WeekOf20261206(kWednesday + 1, 8, 0)},
  };
  for (const auto& c : cases) {
    for (bool announced : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.Case << (announced ? ", announced" : ", unannounced"));
      SetUp();
      FShown.clear();
      FClock.Set(WeekOf20261206(kWednesday, 7, 0));
      Start({{.Time = "08:00", .Days = "All days"}});
      RunUntil(WeekOf20261206(kWednesday, 8, 5));
      ASSERT_EQ(FShown.size(), 1u);
      c.Change(FClock);
      if (announced) Application.DoTimeChange();
      RunUntil(WeekOf20261206(kWednesday + 1, 8, 30));
      ASSERT_EQ(FShown.size(), c.RingsAgain == WeekOf20261206(kWednesday, 8, 0) ? 3u : 2u);
      EXPECT_NEAR(static_cast<double>(FShown[1].second), static_cast<double>(c.RingsAgain), 20);
      FForms.reset();
    }
  }
}

TEST_F(FiringTest, AfterAStandbyTheOtherAlarmsOfItsMinuteRingOnceBeforeAndOnceOnWaking) {
  // Two days asleep, from Wednesday 10:20 to Friday 10:20.
  sys::SetRecordedAction([this](const std::wstring& request) {
    if (request.starts_with(L"suspend")) FClock.Sleep(2 * kDay);
  });
  Start({{.Time = "10:20", .Days = "Wednesday", .Note = "Sleep", .Action = "Standby computer"},
         {.Time = "10:20", .Days = "All days", .Note = "Daily"}});
  RunToNextAlarm();
  headless::AdvanceClock(100);
  ASSERT_EQ(NotesShown(), (std::vector<std::wstring>{L"Sleep", L"Daily", L"Daily"}));
  EXPECT_EQ(FShown[1].second / 1000, WeekOf20261206(kWednesday, 10, 20) / 1000) << "before the sleep";
  EXPECT_GE(FShown[2].second, WeekOf20261206(kWednesday + 2, 10, 20)) << "on waking, once for the days slept";
}

TEST_F(FiringTest, DaylightSavingTimeComesWithoutAMessageAndTheAlarmsAreOnTime) {
  // 02:00 becomes 03:00 at 01:00 UTC; nothing tells the program.
  FClock.Set(WeekOf20261206(kWednesday, 1, 30));
  FClock.SetZone(0, {{FClock.UtcNow() + 30 * kMinute, kHour}});
  Start({{.Time = "03:10", .Days = "Wednesday", .Note = "Ten past"},
         {.Time = "03:00", .Days = "Wednesday", .Note = "On the hour"}});
  RunUntil(WeekOf20261206(kWednesday, 4, 0));
  ASSERT_EQ(NotesShown(), (std::vector<std::wstring>{L"On the hour", L"Ten past"}));
  EXPECT_NEAR(static_cast<double>(FShown[0].second), static_cast<double>(WeekOf20261206(kWednesday, 3, 0)), 20);
  EXPECT_NEAR(static_cast<double>(FShown[1].second), static_cast<double>(WeekOf20261206(kWednesday, 3, 10)), 20);
}

TEST_F(FiringTest, WhatBlocksInAnAlarmHoldsBackNoOtherAlarm) {
  const struct {
    const char* Case;
    TEntry First;
  } cases[] = {
      {"a box of the shell, five minutes",
       {.Time = "10:20", .Days = "Wednesday", .Note = "First", .Action = "C:\\box.cmd"}},
      {"a sound on an unreachable share",
       {.Time = "10:20", .Days = "Wednesday", .Note = "First", .Sound = "\\\\server\\share\\alarm.mp3"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Case);
    SetUp();
    FShown.clear();
    sys::SetRecordedAction([](const std::wstring& request) {
      if (request.starts_with(L"open C:\\box.cmd")) headless::BlockFor(5 * kMinute);
    });
    audio::testing::SetOpenHook([](const std::wstring& path) {
      if (path.starts_with(L"\\\\server")) headless::BlockFor(5 * kMinute);
    });
    Start({c.First, {.Time = "10:22", .Days = "Wednesday", .Note = "Second"}});
    RunUntil(WeekOf20261206(kWednesday, 10, 30));
    ASSERT_EQ(NotesShown(), (std::vector<std::wstring>{L"First", L"Second"}));
    EXPECT_LT(FShown[0].second - WeekOf20261206(kWednesday, 10, 20), 20) << "the window before the sound";
    EXPECT_LT(FShown[1].second - WeekOf20261206(kWednesday, 10, 22), 20);
    FForms.reset();
    audio::testing::SetOpenHook(nullptr);
    sys::SetRecordedAction(nullptr);
  }
}

TEST_F(FiringTest, AnImportAnsweredInTheMillisecondAnAlarmComesDueKeepsIt) {
  const std::string list = Document({{.Time = "10:20", .Days = "Wednesday", .Note = "Due"}});
  FFolder.Write(L"import.xml", list);
  Start({{.Time = "10:20", .Days = "Wednesday", .Note = "Due"}});
  RunUntil(WeekOf20261206(kWednesday, 10, 19, 59, 999));
  headless::AnswerFileDialog(FFolder.File(L"import.xml"));
  // The Yes is handled before the timer's message: the clock is past the
  // moment, the timer has not fired yet.
  headless::AnswerMessageBox([this] {
    FClock.Shift(1);
    return mrYes;
  });
  MainForm->ImportAction2->Execute();
  RunUntil(WeekOf20261206(kWednesday, 10, 30));
  EXPECT_EQ(NotesShown(), std::vector<std::wstring>{L"Due"});
}

}  // namespace
