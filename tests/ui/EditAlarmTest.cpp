// The alarm editor on the headless back end: what goes in through
// CurrentAlarm comes out as the user left the controls.

#include <gtest/gtest.h>

#include <fstream>

#include "TestFolder.h"
#include "SoundFixture.h"
#include "TestSandbox.h"
#include "alarm/Alarm.h"
#include "ui/EditAlarmUnit.h"
#include "widgets/headless/Headless.h"

namespace {

TAlarm Sample() {
  TAlarm alarm;
  alarm.Time = L"7:05";
  alarm.Days = L"Monday, Friday";
  alarm.Note = L"Line one\r\nLine two";
  alarm.ShowMessage = true;
  alarm.Sound = L"Birds";
  alarm.TurnOnVolum = true;
  alarm.SoundVolum = 55;
  alarm.Loop = true;
  alarm.Snooze = true;
  alarm.WakeUp = true;
  alarm.TurnOnMoniter = true;
  alarm.Action = L"Restart computer";
  alarm.Checked = false;
  return alarm;
}

class EditAlarmTest : public testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    Application.Reset();
    Application.SetTitle(L"Tollivane");
    EditAlarmForm = &FEditor;
  }
  void TearDown() override { EditAlarmForm = nullptr; }

  // Shows the editor for the alarm as the main window does; the user acts,
  // then presses OK (or not). Returns what the caller finds in CurrentAlarm.
  TAlarm Run(const TAlarm& alarm, std::function<void(TEditAlarmForm&)> act, bool ok = true) {
    CurrentAlarm = alarm;
    CurrentAlarm.ID = 0;
    headless::OnNextModal([&](TForm&) {
      if (act) act(FEditor);
      if (ok) FEditor.BitBtn3->DoClick();
    });
    FEditor.ShowModal();
    return CurrentAlarm;
  }

  TForm FMain;
  TEditAlarmForm FEditor{&FMain};
};

TEST_F(EditAlarmTest, OpensWithTheAlarmsValues) {
  Run(
      Sample(),
      [](TEditAlarmForm& e) {
        EXPECT_EQ(e.ComboBox2->Text(), L"07");
        EXPECT_EQ(e.ComboBox3->Text(), L"05");
        EXPECT_EQ(e.Memo1->Text(), L"Line one\r\nLine two");
        EXPECT_TRUE(e.CheckBox1->Checked());
        EXPECT_TRUE(e.CheckBox3->Checked());
        EXPECT_EQ(e.ComboBox1->Text(), L"Birds");
        EXPECT_EQ(e.ComboBox5->Text(), L"Restart computer");
        for (int day = 0; day < 7; ++day) EXPECT_EQ(e.CheckGroup1->Checked(day), day == 1 || day == 5) << day;
      },
      false);
}

TEST_F(EditAlarmTest, OkStoresTheControlsAndLeavesWhatTheUserCannotReach) {
  TAlarm in = Sample();
  TAlarm out = Run(in, nullptr);
  EXPECT_EQ(out.ID, 1);
  in.ID = 1;
  in.Time = L"07:05";  // always two digits each
  EXPECT_EQ(out, in) << "hidden values, Checked and everything untouched come back as they went in";
}

TEST_F(EditAlarmTest, DaysAreBuiltFromTheBoxesSundayFirst) {
  const struct {
    std::vector<int> Ticked;
    const wchar_t* Days;
  } cases[] = {
      {{}, L"All days"},
      {{3}, L"Wednesday"},
      {{0, 6}, L"Sunday, Saturday"},
      {{5, 1}, L"Monday, Friday"},
      {{0, 1, 2, 3, 4, 5, 6}, L"Sunday, Monday, Tuesday, Wednesday, Thursday, Friday, Saturday"},
  };
  TAlarm none = Sample();
  none.Days = L"";
  for (const auto& c : cases) {
    TAlarm out = Run(none, [&](TEditAlarmForm& e) {
      for (int day : c.Ticked) e.CheckGroup1->DoToggle(day);
    });
    EXPECT_EQ(out.Days, c.Days);
  }
}

TEST_F(EditAlarmTest, AllDaysOpensWithNoBoxTicked) {
  TAlarm all = Sample();
  all.Days = L"All days";
  Run(
      all,
      [](TEditAlarmForm& e) {
        for (int day = 0; day < 7; ++day) EXPECT_FALSE(e.CheckGroup1->Checked(day));
      },
      false);
}

TEST_F(EditAlarmTest, CancelAndTheCloseBoxLeaveTheAlarmAsItWas) {
  const std::function<void(TEditAlarmForm&)> ways[] = {
      [](TEditAlarmForm& e) { e.BitBtn4->DoClick(); },
      [](TEditAlarmForm& e) { e.DoClose(); },
      // Escape is answered by no button: the dialog stays until closed.
      [](TEditAlarmForm& e) {
        e.DoEscapeKey();
        EXPECT_EQ(e.ModalResult(), mrNone);
        e.DoClose();
      },
  };
  for (const auto& way : ways) {
    TAlarm out = Run(
        Sample(),
        [&](TEditAlarmForm& e) {
          e.Memo1->DoEdit(L"changed");
          e.CheckGroup1->DoToggle(0);
          way(e);
        },
        false);
    EXPECT_EQ(out.ID, 0);
    EXPECT_EQ(out.Note, Sample().Note);
    EXPECT_EQ(out.Days, Sample().Days);
  }
}

TEST_F(EditAlarmTest, BrowsedSoundAndTypedActionAreStoredAsTheyAre) {
  headless::AnswerFileDialog(L"D:\\Music\\wake up.ogg");
  TAlarm out = Run(Sample(), [](TEditAlarmForm& e) {
    e.BitBtn2->DoClick();
    e.ComboBox5->DoEdit(L"https://tollivane.example/Morning?x=1");
  });
  EXPECT_EQ(out.Sound, L"D:\\Music\\wake up.ogg");
  EXPECT_EQ(out.Action, L"https://tollivane.example/Morning?x=1");
  EXPECT_EQ(headless::FileDialogsShown().at(0).Filter,
            L"Audio Files(*.mp3; *.wav; *.wmv; *.ogg)|*.mp3; *.wav; *.wmv; *.ogg");

  // Opening it again shows the path, and a built-in choice still works after.
  out = Run(out, [](TEditAlarmForm& e) {
    EXPECT_EQ(e.ComboBox1->Text(), L"D:\\Music\\wake up.ogg");
    e.ComboBox1->DoSelect(5);
  });
  EXPECT_EQ(out.Sound, L"Bells1");
}

TEST_F(EditAlarmTest, AnActionFileComesFromItsOwnDialog) {
  headless::AnswerFileDialog(L"C:\\Tools\\wake.cmd");
  TAlarm out = Run(Sample(), [](TEditAlarmForm& e) { e.BitBtn5->DoClick(); });
  EXPECT_EQ(out.Action, L"C:\\Tools\\wake.cmd");
  EXPECT_EQ(headless::FileDialogsShown().at(0).Filter, L"Any File(*.*)|*.*");
}

TEST_F(EditAlarmTest, AnEmptySoundOpensAsBells1) {
  TAlarm quiet = Sample();
  quiet.Sound = L"";
  EXPECT_EQ(Run(quiet, nullptr).Sound, L"Bells1");
}

TEST_F(EditAlarmTest, AnUnreadableTimeShowsTheErrorAndDoesNotOpen) {
  Run(Sample(), nullptr);  // leaves 07:05 in the controls
  TAlarm broken = Sample();
  broken.Time = L"25:00";
  TAlarm out = Run(broken, [](TEditAlarmForm&) { ADD_FAILURE() << "the dialog opened"; });
  EXPECT_EQ(out.ID, 0);
  EXPECT_EQ(out.Time, L"25:00");
  ASSERT_EQ(headless::MessagesShown().size(), 1u);
  EXPECT_EQ(headless::MessagesShown()[0].Text, L"''25:00'' is not a valid date and time");
  EXPECT_EQ(headless::ModalsShown().size(), 1u);
}

TEST_F(EditAlarmTest, PlayPreviewsOnlyAFileThatExists) {
  TTestFolder folder;
#ifdef _WIN32
  const std::wstring dir = folder.Path();
#else
  // A sound text is a path when it holds a colon.
  std::filesystem::create_directories(folder.Dir() / "c:");
  const std::wstring dir = folder.Path() + L"c:/";
#endif
  std::ofstream(std::filesystem::path(dir + L"beep.wav"), std::ios::binary) << SquareWav(100);
  const struct {
    std::wstring Sound;
    bool Plays;
  } cases[] = {{L"(None)", false}, {dir + L"missing.wav", false}, {dir + L"beep.wav", true}};
  for (const auto& c : cases) {
    TAlarm alarm = Sample();
    alarm.Sound = c.Sound;
    Run(
        alarm,
        [&](TEditAlarmForm& e) {
          e.BitBtn1->DoClick();
          EXPECT_EQ(e.Player()->CanPlay(), c.Plays);
        },
        false);
  }
}

}  // namespace
