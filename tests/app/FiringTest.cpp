// The firing sequence on the headless back end: the virtual clock drives the
// timers and a fixed local clock, moved with it, stands for the wall clock.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestFolder.h"
#include "SoundFixture.h"
#include "TestSandbox.h"
#include "alarm/Alarm.h"
#include "app/MainUnit.h"
#include "app/Program.h"
#include "system/Clock.h"
#include "system/PowerUtils.h"
#include "system/Shell.h"
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
 protected:
  // Wednesday 2026-12-09 10:15:30.
  static constexpr int64_t kStart = 3 * 86400 + 10 * 3600 + 15 * 60 + 30;  // seconds since Sunday 2026-12-06

  void SetUp() override {
    headless::Reset();
    sys::ShellRequests().clear();
    sys::PowerRequests().clear();
    Application.Reset();
    Application.SetTitle(L"Tollivane");
    SetWallClock(kStart);
    std::filesystem::create_directories(FFolder.Dir() / "Sounds");
    FFolder.Write(L"Sounds/Bells1.mp3", SquareWav(2400));  // the content picks the decoder
  }

  // Seconds since Sunday 2026-12-06 00:00.
  void SetWallClock(int64_t seconds) {
    FNow = seconds;
    sys::TLocalTime t;
    const int64_t day = seconds / 86400;
    t.Year = 2026;
    t.Month = 12;
    t.Day = static_cast<int>(6 + day);  // the tests stay within December
    t.DayOfWeek = static_cast<int>(day % 7) + 1;
    t.Hour = static_cast<int>(seconds % 86400 / 3600);
    t.Minute = static_cast<int>(seconds % 3600 / 60);
    t.Second = static_cast<int>(seconds % 60);
    FClock.Set(t);
  }

  void Start(const std::vector<TEntry>& entries) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root>";
    for (const TEntry& e : entries) xml += Xml(e);
    FFolder.Write(L"data.xml", xml + "</Root>");
    FForms = std::make_unique<TProgramForms>(FFolder.Path());
    MainForm->Show();
  }

  // Runs time on by the alarm timer's interval, as the wall clock would (the
  // timer elapses within the due second), and returns the entry that was
  // armed.
  int RunToNextAlarm() {
    EXPECT_TRUE(MainForm->Timer1.Enabled());
    const int armed = NextAlarmIndex;
    const uint32_t interval = MainForm->Timer1.Interval();
    SetWallClock(FNow + interval / 1000);
    headless::AdvanceClock(interval);
    return armed;
  }

  bool WindowShows(const wchar_t* time, const wchar_t* note) {
    return ShowAlarmForm->Visible() && ShowAlarmForm->Label1->Caption() == time &&
           ShowAlarmForm->Label2->Caption() == note;
  }

  sys::TFixedClock FClock{sys::TLocalTime{}};
  sys::TScopedClock FScopedClock{FClock};
  int64_t FNow = 0;
  TTestFolder FFolder;
  std::unique_ptr<TProgramForms> FForms;
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
  EXPECT_EQ(MainForm->Timer1.Interval(), 604800000u) << "next Wednesday, same time";
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
    MainForm->Store().EditAlarm(0, [&] {
      TAlarm a = MainForm->Store().ReadAlarm(0);
      a.Note = L"After";
      return a;
    }());
    RunToNextAlarm();
    EXPECT_EQ(sys::PowerRequests(), std::vector<std::wstring>{c.Request}) << c.Action;
    EXPECT_EQ(FFolder.Read(L"data.xml").find("After") != std::string::npos, c.Saves) << c.Action;
    EXPECT_TRUE(WindowShows(L"10:20", L"After")) << "the window comes first";
    EXPECT_EQ(MainForm->Timer1.Interval(), 604800000u) << "rescheduled after the call returned";
    FForms.reset();
  }
}

TEST_F(FiringTest, ASwitchedOffAlarmAlreadyArmedStillFiresThenIsLeftOut) {
  Start({{.Time = "10:20", .Days = "Wednesday"}, {.Time = "10:25", .Days = "Wednesday", .Note = "Later"}});
  // Switched off in the document without a pass, as the list did before its
  // click re-armed the timer.
  MainForm->Store().SwitchAlarm(0, false);
  EXPECT_EQ(RunToNextAlarm(), 0);
  EXPECT_TRUE(WindowShows(L"10:20", L"Note"));
  EXPECT_EQ(NextAlarmIndex, 1);
  EXPECT_EQ(MainForm->Timer1.Interval(), 300000u);
}

TEST_F(FiringTest, AnUnreadableTimeInTheClosingPassLeavesTimer1Disabled) {
  Start({{.Time = "10:20", .Days = "Wednesday"}, {.Time = "1O:25", .Days = "Wednesday", .Checked = false}});
  MainForm->Store().SwitchAlarm(1, true);
  RunToNextAlarm();
  EXPECT_TRUE(ShowAlarmForm->Visible());
  EXPECT_FALSE(MainForm->Timer1.Enabled());
}

TEST_F(FiringTest, AnEntryGoneFromTheListLeavesTimer1Running) {
  Start({{.Time = "10:20", .Days = "Wednesday"}});
  MainForm->Store().DeleteAlarm(0);
  RunToNextAlarm();
  EXPECT_FALSE(ShowAlarmForm->Visible());
  EXPECT_TRUE(MainForm->Timer1.Enabled());
}

TEST_F(FiringTest, AClockChangeReArmsTheTimer) {
  Start({{.Time = "10:20", .Days = "Wednesday"}});
  EXPECT_EQ(MainForm->Timer1.Interval(), 270000u);
  SetWallClock(FNow - 3600);  // daylight saving time ended
  Application.DoTimeChange();
  EXPECT_EQ(MainForm->Timer1.Interval(), 3870000u);
  // A timer that elapses before the alarm's wall-clock time fires nothing.
  headless::AdvanceClock(270000);
  EXPECT_FALSE(ShowAlarmForm->Visible());
}

TEST_F(FiringTest, AnAlarmSleptThroughGoesOffOnceOnResume) {
  Start({{.Time = "10:20", .Days = "Wednesday"}, {.Time = "10:30", .Days = "Wednesday", .Note = "Also missed"}});
  SetWallClock(FNow + 3600);  // woke at 11:15:30
  Application.DoResume();
  EXPECT_TRUE(WindowShows(L"10:20", L"Note"));
  ShowAlarmForm->DoClose();
  Application.DoResume();
  EXPECT_FALSE(ShowAlarmForm->Visible()) << "once, and only the armed one";
  EXPECT_EQ(NextAlarmIndex, 0);
  EXPECT_EQ(MainForm->Timer1.Interval(), (7 * 86400 - 3600 + 270) * 1000u);
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
  std::vector<std::wstring> shown;
  ShowAlarmForm->OnShow = [&] { shown.push_back(ShowAlarmForm->Label2->Caption()); };
  RunToNextAlarm();
  headless::AdvanceClock(10);  // the second is armed to go off at once
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"First", L"Second"}));
  EXPECT_EQ(NextAlarmIndex, 2);
  EXPECT_EQ(MainForm->Timer1.Interval(), 60000u);
  RunToNextAlarm();
  EXPECT_EQ(shown.back(), L"Third");
}

}  // namespace
