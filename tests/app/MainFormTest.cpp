// The main window's behaviour on the headless widget back end.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestFolder.h"
#include "alarm/Alarm.h"
#include "app/MainUnit.h"
#include "app/Program.h"
#include "system/Clock.h"
#include "system/Shell.h"
#include "ui/EditAlarmUnit.h"
#include "widgets/headless/Headless.h"

namespace {

std::string Entry(const char* time, const char* days, const char* note, bool checked) {
  return std::string("<Entry><Time>") + time + "</Time><Days>" + days + "</Days><Note>" + note +
         "</Note><Sound>Bells1</Sound><Checked>" + (checked ? "true" : "false") + "</Checked></Entry>";
}

// Wednesday 10:15:30.
sys::TLocalTime Wednesday() {
  sys::TLocalTime t;
  t.Year = 2026;
  t.Month = 12;
  t.Day = 9;
  t.DayOfWeek = 4;
  t.Hour = 10;
  t.Minute = 15;
  t.Second = 30;
  return t;
}

class MainFormTest : public testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    sys::ShellRequests().clear();
    Application.Reset();
    Application.SetTitle(L"Tollivane");
  }
  void Start(const std::string& entries) {
    FFolder.Write(L"data.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root>" + entries + "</Root>");
    FForms = std::make_unique<TProgramForms>(FFolder.Path());
    MainForm->Show();
  }
  // Three alarms: the unchecked one is due first, the checked Wednesday one
  // 270 seconds from now.
  void StartWithThree() {
    Start(Entry("10:16", "Wednesday", "Tea", false) + Entry("07:00", "Monday, Friday", "Work", true) +
          Entry("10:20", "Wednesday", "Call", true));
  }
  TSmoothListBox& List() { return *MainForm->SmoothListBox3; }
  TAlarm Stored(int index) { return MainForm->Store().ReadAlarm(index); }
  // The editor ends with OK after the user's changes, or with Cancel.
  void PlanEditor(std::function<void(TEditAlarmForm&)> change, bool accept = true) {
    headless::OnNextModal([change, accept](TForm& form) {
      ASSERT_EQ(&form, EditAlarmForm);
      EXPECT_EQ(CurrentAlarm.ID, 0);
      if (change) change(*EditAlarmForm);
      (accept ? EditAlarmForm->BitBtn3 : EditAlarmForm->BitBtn4)->DoClick();
    });
  }

  sys::TFixedClock FClock{Wednesday()};
  sys::TScopedClock FScopedClock{FClock};
  TTestFolder FFolder;
  std::unique_ptr<TProgramForms> FForms;
};

TEST_F(MainFormTest, StartShowsTheListUnselectedAndArmsTheTimer) {
  StartWithThree();
  ASSERT_EQ(List().Count(), 3);
  const TSmoothListItem& item = List().Item(1);
  EXPECT_EQ(item.Caption, L"07:00");
  EXPECT_EQ(item.Info, L"Work");
  EXPECT_EQ(item.Notes, L"<font color=\"clred\">Monday, Friday</font>");
  EXPECT_EQ(item.GraphicLeftMargin, 15);
  EXPECT_FALSE(List().Item(0).Checked);
  EXPECT_TRUE(List().Item(1).Checked);
  EXPECT_EQ(List().ItemIndex(), -1);
  EXPECT_EQ(List().Colors().Background, Rgb(0xCB, 0xCF, 0xD4));
  EXPECT_TRUE(MainForm->Timer1.Enabled());
  EXPECT_EQ(MainForm->Timer1.Interval(), 270000u);
  EXPECT_EQ(NextAlarmIndex, 2);
  EXPECT_FALSE(MainForm->Timer2.Enabled());
  EXPECT_TRUE(MainForm->TrayIcon1.Visible());
  EXPECT_EQ(MainForm->TrayIcon1.Hint(), L"Tollivane");
}

TEST_F(MainFormTest, AnEntryWithoutCheckedShowsAClearBoxAndAnEmptyListArmsNothing) {
  Start("<Entry><Time>08:00</Time><Days></Days></Entry>");
  EXPECT_FALSE(List().Item(0).Checked);
  EXPECT_EQ(List().Item(0).Notes, L"<font color=\"clred\"></font>");
  EXPECT_FALSE(MainForm->Timer1.Enabled());
}

TEST_F(MainFormTest, AnUnreadableFileIsReportedOnceAndTheListStartsEmpty) {
  FFolder.Write(L"data.xml", "no xml here");
  FForms = std::make_unique<TProgramForms>(FFolder.Path());
  ASSERT_EQ(headless::MessagesShown().size(), 1u);
  EXPECT_NE(headless::MessagesShown()[0].Text.find(L"could not read"), std::wstring::npos);
  EXPECT_EQ(List().Count(), 0);
  EXPECT_EQ(FFolder.Read(L"data.xml"), "") << "moved aside, not overwritten";
}

TEST_F(MainFormTest, MenusHaveTheirItemsInOrder) {
  StartWithThree();
  TMenuItem& bar = MainForm->MainMenu1.Items();
  EXPECT_EQ(bar.VisibleCaptions(), (std::vector<std::wstring>{L"Files", L"Alarm", L"Tools", L"Software", L"Help"}));
  const struct {
    const wchar_t* Menu;
    std::vector<std::wstring> Items;
  } menus[] = {
      {L"Files", {L"Import...", L"Export...", L"-", L"Exit"}},
      {L"Alarm", {L"Add Alarm...", L"Edit Alarm...", L"Delete Alarm", L"Duplicate Alarm..."}},
      {L"Tools", {L"Online Alarm Clock..."}},
      {L"Help", {L"Website...", L"About..."}},
  };
  for (const auto& menu : menus) EXPECT_EQ(bar.Find(menu.Menu)->VisibleCaptions(), menu.Items) << menu.Menu;
  EXPECT_FALSE(bar.Find(L"Software")->Items().empty());

  TMenuItem& popup = MainForm->PopupMenu1.Items();
  EXPECT_EQ(popup.VisibleCaptions(), (std::vector<std::wstring>{L"Tollivane", L"-", L"Add Alarm...", L"Edit Alarm...",
                                                                L"Delete Alarm", L"Exit"}));
  EXPECT_TRUE(popup.Items()[0]->Default());
  EXPECT_EQ(popup.Find(L"Duplicate Alarm..."), nullptr);
}

TEST_F(MainFormTest, SelectionBoundCommandsAreEnabledOnlyWithASelection) {
  StartWithThree();
  TMenuItem& bar = MainForm->MainMenu1.Items();
  TMenuItem& popup = MainForm->PopupMenu1.Items();
  for (int selected : {-1, 1, -1}) {
    List().DoSelectItem(selected);
    Application.DoIdle();
    const bool on = selected >= 0;
    for (const wchar_t* caption : {L"Edit Alarm...", L"Duplicate Alarm...", L"Delete Alarm"})
      EXPECT_EQ(bar.Find(caption)->Enabled(), on) << caption << " " << selected;
    for (const wchar_t* caption : {L"Edit Alarm...", L"Delete Alarm"})
      EXPECT_EQ(popup.Find(caption)->Enabled(), on) << caption << " " << selected;
    EXPECT_EQ(MainForm->DeleteButton->Enabled(), on);
    EXPECT_EQ(MainForm->DeleteButton->Caption(), L"Delete Alarm");
    for (TControl* always :
         {static_cast<TControl*>(MainForm->AddButton), static_cast<TControl*>(MainForm->AboutButton)})
      EXPECT_TRUE(always->Enabled());
    EXPECT_TRUE(bar.Find(L"Import...")->Enabled());
  }
}

TEST_F(MainFormTest, ToolbarButtonsSitAtTheirPlaces) {
  StartWithThree();
  const struct {
    TGlowButton* Button;
    TRect Bounds;
    const wchar_t* Caption;
  } buttons[] = {{MainForm->AddButton, {16, 10, 113, 50}, L"Add Alarm..."},
                 {MainForm->DeleteButton, {169, 10, 115, 50}, L"Delete Alarm"},
                 {MainForm->WebsiteButton, {322, 10, 115, 50}, L"Website..."},
                 {MainForm->AboutButton, {476, 10, 115, 50}, L"About..."}};
  for (const auto& b : buttons) {
    EXPECT_EQ(b.Button->BoundsRect(), b.Bounds) << b.Caption;
    EXPECT_EQ(b.Button->Caption(), b.Caption);
  }
  EXPECT_EQ(MainForm->Panel1->Height(), 65);
  EXPECT_EQ(List().BoundsRect(), (TRect{0, 65, 629, 466}));
}

TEST_F(MainFormTest, AddAcceptedAppendsTheAlarmAndCancelledChangesNothing) {
  StartWithThree();
  int repaints = List().RepaintCount();
  PlanEditor(nullptr, false);
  MainForm->AddEntryAction6->Execute();
  EXPECT_EQ(List().Count(), 3);
  EXPECT_EQ(List().RepaintCount(), repaints) << "a cancel does not rebuild";

  PlanEditor([](TEditAlarmForm& editor) {
    EXPECT_EQ(editor.Memo1->Text(), L"Alarm");  // the new alarm's defaults
    editor.ComboBox2->DoSelect(10);
    editor.ComboBox3->DoSelect(18);
    editor.CheckGroup1->DoToggle(3);
    editor.Memo1->DoEdit(L"Added");
  });
  List().DoSelectItem(0);
  MainForm->AddEntryAction6->Execute();
  ASSERT_EQ(List().Count(), 4);
  EXPECT_EQ(List().Item(3).Info, L"Added");
  EXPECT_EQ(Stored(3).Time, L"10:18");
  EXPECT_EQ(List().ItemIndex(), -1);
  EXPECT_EQ(MainForm->Timer1.Interval(), 150000u) << "rescheduled for the new alarm";
  EXPECT_EQ(NextAlarmIndex, 3);
}

TEST_F(MainFormTest, EditWritesBackIntoTheSameEntry) {
  StartWithThree();
  List().DoSelectItem(1);
  PlanEditor([](TEditAlarmForm& editor) {
    EXPECT_EQ(editor.Memo1->Text(), L"Work");
    editor.Memo1->DoEdit(L"Gym");
  });
  MainForm->EditEntryAction7->Execute();
  EXPECT_EQ(Stored(1).Note, L"Gym");
  EXPECT_EQ(List().Item(1).Info, L"Gym");
  EXPECT_EQ(List().Count(), 3);
  EXPECT_EQ(List().ItemIndex(), -1);

  List().DoSelectItem(1);
  PlanEditor([](TEditAlarmForm& editor) { editor.Memo1->DoEdit(L"Lost"); }, false);
  MainForm->EditEntryAction7->Execute();
  EXPECT_EQ(Stored(1).Note, L"Gym");
  EXPECT_EQ(List().ItemIndex(), 1);
}

TEST_F(MainFormTest, DuplicateOffersTheNoteWithDuplicateAndAppends) {
  StartWithThree();
  List().DoSelectItem(0);
  PlanEditor([](TEditAlarmForm& editor) { EXPECT_EQ(editor.Memo1->Text(), L"Tea duplicate"); }, false);
  MainForm->DuplicateEntryAction1->Execute();
  EXPECT_EQ(List().Count(), 3);

  List().DoSelectItem(0);
  PlanEditor(nullptr);
  MainForm->DuplicateEntryAction1->Execute();
  ASSERT_EQ(List().Count(), 4);
  EXPECT_EQ(Stored(3).Note, L"Tea duplicate");
  EXPECT_EQ(Stored(0).Note, L"Tea");
}

TEST_F(MainFormTest, DeleteAsksFirstAndNoChangesNothing) {
  StartWithThree();
  List().DoSelectItem(0);
  headless::AnswerMessageBox(mrNo);
  MainForm->DeleteEntryAction1->Execute();
  ASSERT_EQ(headless::MessagesShown().size(), 1u);
  EXPECT_EQ(headless::MessagesShown()[0].Text, L"Do you want to delete the selected alarm?");
  EXPECT_EQ(headless::MessagesShown()[0].Buttons, mbYesNo);
  EXPECT_EQ(List().Count(), 3);
  EXPECT_EQ(List().ItemIndex(), 0);

  headless::AnswerMessageBox(mrYes);
  MainForm->DeleteEntryAction1->Execute();
  ASSERT_EQ(List().Count(), 2);
  EXPECT_EQ(List().Item(0).Info, L"Work");
  EXPECT_EQ(NextAlarmIndex, 1) << "the Wednesday alarm moved up";
}

TEST_F(MainFormTest, ACheckClickWritesCheckedAndReArmsWithoutRebuilding) {
  StartWithThree();
  List().DoSelectItem(1);
  // Ticking the 10:16 alarm on arms the timer for it.
  List().DoCheckClick(0);
  EXPECT_TRUE(Stored(0).Checked);
  EXPECT_EQ(MainForm->Timer1.Interval(), 30000u);
  EXPECT_EQ(NextAlarmIndex, 0);
  EXPECT_EQ(List().ItemIndex(), 1) << "a rebuild would have cleared the selection";
  // Ticking it off again: the timer goes back to the 10:20 alarm.
  List().DoCheckClick(0);
  EXPECT_FALSE(Stored(0).Checked);
  EXPECT_EQ(MainForm->Timer1.Interval(), 270000u);
  EXPECT_EQ(NextAlarmIndex, 2);
}

TEST_F(MainFormTest, ADoubleClickEditsTheSelectionAndWithoutOneDoesNothing) {
  StartWithThree();
  List().DoDblClick();
  EXPECT_TRUE(headless::ModalsShown().empty());
  List().DoSelectItem(2);
  PlanEditor([](TEditAlarmForm& editor) { EXPECT_EQ(editor.Memo1->Text(), L"Call"); }, false);
  List().DoDblClick();
  EXPECT_EQ(headless::ModalsShown().size(), 1u);
}

TEST_F(MainFormTest, MinimizingHidesAndTheTrayIconRestores) {
  StartWithThree();
  MainForm->DoMinimize();
  EXPECT_FALSE(MainForm->Visible());
  EXPECT_TRUE(MainForm->TrayIcon1.Visible());
  MainForm->TrayIcon1.DoDblClick();
  EXPECT_TRUE(MainForm->Visible());
  EXPECT_FALSE(MainForm->Minimized());
  EXPECT_EQ(headless::ForegroundRequests(), 1);
  // The popup's default item does the same.
  MainForm->DoMinimize();
  headless::OnNextPopup([](TPopupMenu& menu) { menu.Items().Find(L"Tollivane")->DoClick(); });
  MainForm->TrayIcon1.DoRightButtonUp(0, 0);
  EXPECT_TRUE(MainForm->Visible());
}

TEST_F(MainFormTest, ClosingSavesTheListAndEndsTheProgram) {
  StartWithThree();
  List().DoCheckClick(0);
  MainForm->ExitAction1->Execute();
  EXPECT_TRUE(Application.Terminated());
  EXPECT_NE(FFolder.Read(L"data.xml").find("<Root>\r\n\t<Entry>\r\n\t\t<Time>10:16</Time>"), std::string::npos)
      << "the readable layout";
  TAlarmStore reread(FFolder.Path());
  reread.LoadAlarms();
  EXPECT_TRUE(reread.ReadAlarm(0).Checked);
}

TEST_F(MainFormTest, AFailedSaveAtCloseTellsWhyAndOffersARetry) {
  StartWithThree();
  List().DoCheckClick(0);
  // The temporary file cannot be created while a folder holds its name.
  const std::filesystem::path blocker = FFolder.Dir() / "data.xml.saving";
  std::filesystem::create_directory(blocker);
  headless::AnswerMessageBox(mrRetry);
  headless::AnswerMessageBox([&] {
    std::filesystem::remove(blocker);
    return mrRetry;
  });
  MainForm->Close();
  ASSERT_EQ(headless::MessagesShown().size(), 2u);
  const headless::TShownMessage& shown = headless::MessagesShown()[0];
  EXPECT_EQ(shown.Buttons, mbRetryCancel);
  EXPECT_EQ(shown.Type, mtError);
  EXPECT_EQ(shown.Text.find(L"Cannot save file \"" + FFolder.File(L"data.xml") + L"\". "), 0u);
  EXPECT_TRUE(Application.Terminated());
  TAlarmStore reread(FFolder.Path());
  reread.LoadAlarms();
  EXPECT_TRUE(reread.ReadAlarm(0).Checked) << "saved by the second retry";
}

TEST_F(MainFormTest, CancelAfterAFailedSaveClosesAndLeavesTheFileAsItWas) {
  StartWithThree();
  const std::string before = FFolder.Read(L"data.xml");
  List().DoCheckClick(0);
  std::filesystem::create_directory(FFolder.Dir() / "data.xml.saving");
  headless::AnswerMessageBox(mrCancel);
  MainForm->Close();
  EXPECT_EQ(headless::MessagesShown().size(), 1u);
  EXPECT_TRUE(Application.Terminated());
  EXPECT_EQ(FFolder.Read(L"data.xml"), before);
}

TEST_F(MainFormTest, LinksGoToTheShellMaximized) {
  StartWithThree();
  MainForm->WebsiteAction5->Execute();
  MainForm->PasswordGeneratorOnlineAction2->Execute();
  ASSERT_EQ(sys::ShellRequests().size(), 2u);
  EXPECT_EQ(sys::ShellRequests()[0].File, L"https://tollivane.example/");
  EXPECT_EQ(sys::ShellRequests()[0].ShowCommand, 3);
  EXPECT_TRUE(sys::ShellRequests()[1].File.ends_with(L"/alarm-clock-online.php"));
}

TEST_F(MainFormTest, ImportReplacesTheListOnlyAfterTheChecksAndTheYes) {
  StartWithThree();
  FFolder.Write(L"text.xml", "just text");
  FFolder.Write(L"other.xml", "<List><A/><B/></List>");
  headless::AnswerFileDialog(FFolder.File(L"text.xml"));
  MainForm->ImportAction2->Execute();
  EXPECT_EQ(headless::MessagesShown().back().Text, L"The file is not a valid XML file.");
  EXPECT_EQ(headless::MessagesShown().back().Type, mtCustom);  // a plain box, OK only
  EXPECT_EQ(headless::MessagesShown().back().Buttons, mbOK);
  headless::AnswerFileDialog(FFolder.File(L"other.xml"));
  headless::AnswerMessageBox(mrNo);
  MainForm->ImportAction2->Execute();
  EXPECT_EQ(headless::MessagesShown().back().Text, L"Do you want to import XML file? This will clear current list.");
  EXPECT_EQ(List().Count(), 3);

  headless::AnswerFileDialog(FFolder.File(L"other.xml"));
  headless::AnswerMessageBox(mrYes);
  MainForm->ImportAction2->Execute();
  EXPECT_EQ(List().Count(), 2);
  EXPECT_EQ(List().Item(0).Caption, L"");
  EXPECT_FALSE(MainForm->Timer1.Enabled()) << "nothing checked, nothing armed";
  EXPECT_EQ(headless::FileDialogsShown()[0].FileName, L"alarm");
  EXPECT_EQ(headless::FileDialogsShown()[0].Filter, L"XML Files (*.XML)|*.XML");
}

TEST_F(MainFormTest, ExportWritesTheFormOfTheChosenFilter) {
  StartWithThree();
  headless::AnswerFileDialog(FFolder.File(L"list.xml"), 2);
  MainForm->ExportAction1->Execute();
  EXPECT_TRUE(FFolder.Read(L"list.xml").starts_with("Time,Days,Note,Sound\r\n----,-----,----,-----\r\n10:16,"));
  const headless::TShownFileDialog& shown = headless::FileDialogsShown()[0];
  EXPECT_TRUE(shown.Save);
  EXPECT_EQ(shown.DefaultExt, L"XML");
  EXPECT_TRUE(shown.Options & ofOverwritePrompt);
}

// ---- Commands while a modal form or a message box is up

// Opens the notification-area menu and hands it to the check.
void WithTrayMenu(const std::function<void(TMenuItem&)>& check) {
  headless::OnNextPopup([check](TPopupMenu& menu) { check(menu.Items()); });
  MainForm->TrayIcon1.DoRightButtonUp(0, 0);
}

void ExpectOnlyRestoreAndExitEnabled(TMenuItem& popup) {
  for (const wchar_t* caption : {L"Add Alarm...", L"Edit Alarm...", L"Delete Alarm"})
    EXPECT_FALSE(popup.Find(caption)->Enabled()) << caption;
  for (const wchar_t* caption : {L"Tollivane", L"Exit"}) EXPECT_TRUE(popup.Find(caption)->Enabled()) << caption;
}

TEST_F(MainFormTest, TrayCommandsDuringTheEditorAreRefusedAndTheEditLandsInItsEntry) {
  StartWithThree();
  List().DoSelectItem(1);
  PlanEditor([](TEditAlarmForm& editor) {
    WithTrayMenu([](TMenuItem& popup) {
      ExpectOnlyRestoreAndExitEnabled(popup);
      headless::AnswerMessageBox(mrYes);
      popup.Find(L"Delete Alarm")->DoClick();
      popup.Find(L"Add Alarm...")->DoClick();
      popup.Find(L"Edit Alarm...")->DoClick();
    });
    // The restore brings the editor, not the disabled main window, forward.
    WithTrayMenu([](TMenuItem& popup) { popup.Find(L"Tollivane")->DoClick(); });
    EXPECT_EQ(headless::Foreground(), EditAlarmForm);
    EXPECT_EQ(editor.ShowModal(), mrCancel) << "a modal form is not made modal again";
    editor.Memo1->DoEdit(L"Gym");
  });
  MainForm->EditEntryAction7->Execute();
  EXPECT_EQ(headless::ModalsShown().size(), 1u);
  EXPECT_TRUE(headless::MessagesShown().empty());
  ASSERT_EQ(List().Count(), 3);
  EXPECT_EQ(Stored(0).Note, L"Tea");
  EXPECT_EQ(Stored(1).Note, L"Gym");
  EXPECT_EQ(Stored(2).Note, L"Call");
}

TEST_F(MainFormTest, TrayCommandsDuringAQuestionAreRefused) {
  StartWithThree();
  List().DoSelectItem(0);
  headless::AnswerMessageBox([] {
    WithTrayMenu([](TMenuItem& popup) {
      ExpectOnlyRestoreAndExitEnabled(popup);
      popup.Find(L"Delete Alarm")->DoClick();
    });
    return mrNo;
  });
  MainForm->DeleteEntryAction1->Execute();
  EXPECT_EQ(headless::MessagesShown().size(), 1u) << "the tray's Delete asked nothing more";
  EXPECT_EQ(List().Count(), 3);
  // Afterwards the tray's commands are back.
  WithTrayMenu([](TMenuItem& popup) { EXPECT_TRUE(popup.Find(L"Add Alarm...")->Enabled()); });
}

TEST_F(MainFormTest, AnEditWhoseEntryWentAwayMeanwhileIsAppended) {
  StartWithThree();
  List().DoSelectItem(1);
  PlanEditor([this](TEditAlarmForm& editor) {
    MainForm->Store().DeleteAlarm(1);
    MainForm->RefreshAlarmList();
    EXPECT_EQ(Stored(1).Note, L"Call");
    editor.Memo1->DoEdit(L"Gym");
  });
  MainForm->EditEntryAction7->Execute();
  ASSERT_EQ(List().Count(), 3);
  EXPECT_EQ(Stored(1).Note, L"Call") << "not written over another alarm";
  EXPECT_EQ(Stored(2).Note, L"Gym");
}

TEST_F(MainFormTest, ExitDuringTheEditorClosesItFirstThenSaves) {
  StartWithThree();
  List().DoCheckClick(0);  // a change only the save at exit keeps
  bool editorUpWhileSaving = true;
  MainForm->Store().SetSaveStreamFilter([&](sys::TStream&) {
    editorUpWhileSaving = EditAlarmForm->Showing();
    return std::unique_ptr<sys::TStream>();
  });
  List().DoSelectItem(1);
  PlanEditor(
      [](TEditAlarmForm& editor) {
        editor.Memo1->DoEdit(L"Not accepted");
        WithTrayMenu([](TMenuItem& popup) { popup.Find(L"Exit")->DoClick(); });
        EXPECT_FALSE(editor.Showing());
        EXPECT_EQ(editor.ModalResult(), mrCancel);
      },
      false);
  MainForm->EditEntryAction7->Execute();
  EXPECT_TRUE(Application.Terminated());
  EXPECT_FALSE(editorUpWhileSaving);
  TAlarmStore reread(FFolder.Path());
  reread.LoadAlarms();
  EXPECT_TRUE(reread.ReadAlarm(0).Checked);
  EXPECT_EQ(reread.ReadAlarm(1).Note, L"Work");
  EXPECT_EQ(Stored(1).Note, L"Work");
}

TEST_F(MainFormTest, AnUnreadableFileThatCannotBeMovedAsideIsToldAtStartAndWhereItWentAtExit) {
  // Folders under every name the file could be moved to block the move.
  const std::wstring aside = L"data.xml.unreadable-20261209-101530";
  for (int n = 1; n <= 100; ++n)
    std::filesystem::create_directories(FFolder.Dir() / (n == 1 ? aside : aside + L"-" + std::to_wstring(n)) / "x");
  FFolder.Write(L"data.xml", "no xml here");
  FForms = std::make_unique<TProgramForms>(FFolder.Path());
  ASSERT_EQ(headless::MessagesShown().size(), 1u);
  EXPECT_NE(headless::MessagesShown()[0].Text.find(L"could not read"), std::wstring::npos);
  EXPECT_EQ(List().Count(), 0);
  // A name is free by the time the program closes: the file goes there
  // before the list is saved, and the user learns where.
  std::filesystem::remove_all(FFolder.Dir() / (aside + L"-7"));
  MainForm->Close();
  EXPECT_EQ(FFolder.Read(aside + L"-7"), "no xml here");
  ASSERT_EQ(headless::MessagesShown().size(), 2u);
  EXPECT_NE(headless::MessagesShown()[1].Text.find(FFolder.File(aside + L"-7")), std::wstring::npos);
}

}  // namespace
