// The widget model on the headless back end: what every form relies on.

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "widgets/Action.h"
#include "widgets/Dialogs.h"
#include "widgets/Form.h"
#include "widgets/Menu.h"
#include "widgets/StdControls.h"
#include "widgets/Timer.h"
#include "widgets/TrayIcon.h"
#include "widgets/headless/Headless.h"

namespace {

class WidgetsTest : public testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    Application.Reset();
    Application.SetTitle(L"Tollivane");
  }
};

TEST_F(WidgetsTest, MenuItemsAndButtonsFollowTheirAction) {
  TActionList actions;
  TAction* edit = actions.Add(L"Edit Alarm...");
  TMenu menu;
  TMenuItem* item = menu.Items().Add(edit);
  TForm form;
  auto* button = new TBitBtn(&form);
  button->SetAction(edit);
  bool selected = false;
  edit->OnUpdate = [&] { edit->SetEnabled(selected); };
  int runs = 0;
  edit->OnExecute = [&] { ++runs; };

  Application.DoIdle();
  EXPECT_EQ(item->Caption(), L"Edit Alarm...");
  EXPECT_EQ(button->Caption(), L"Edit Alarm...");
  EXPECT_FALSE(item->Enabled());
  EXPECT_FALSE(button->Enabled());
  item->DoClick();
  button->DoClick();
  EXPECT_EQ(runs, 0);

  selected = true;
  Application.DoIdle();
  EXPECT_TRUE(item->Enabled());
  EXPECT_TRUE(button->Enabled());
  item->DoClick();
  button->DoClick();
  EXPECT_EQ(runs, 2);
}

TEST_F(WidgetsTest, AClientOutlivingItsActionIsLeftUnbound) {
  TMenu menu;
  TMenuItem* item;
  {
    TActionList actions;
    item = menu.Items().Add(actions.Add(L"Exit"));
  }
  EXPECT_EQ(item->Action(), nullptr);
  item->DoClick();  // nothing to run, and no dangling action
}

TEST_F(WidgetsTest, AnEscapingErrorShowsTheStandardErrorBoxAndTheProgramGoesOn) {
  TActionList actions;
  TAction* action = actions.Add(L"Import...");
  action->OnExecute = [] { throw std::runtime_error("Cannot open file \"C:\\a\xC3\xA9.xml\". Access is denied"); };
  action->Execute();
  ASSERT_EQ(headless::MessagesShown().size(), 1u);
  const headless::TShownMessage& shown = headless::MessagesShown()[0];
  EXPECT_EQ(shown.Text, L"Cannot open file \"C:\\a\u00E9.xml\". Access is denied");
  EXPECT_EQ(shown.Caption, L"Tollivane");
  EXPECT_EQ(shown.Type, mtError);
  EXPECT_EQ(shown.Buttons, mbOK);
}

TEST_F(WidgetsTest, TimersRepeatEveryIntervalWhileEnabled) {
  TTimer timer;
  std::vector<uint64_t> ticks;
  timer.OnTimer = [&] { ticks.push_back(headless::Now()); };
  timer.SetInterval(300);
  headless::AdvanceClock(1000);
  EXPECT_TRUE(ticks.empty()) << "created disabled";
  timer.SetEnabled(true);
  headless::AdvanceClock(1000);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{1300, 1600, 1900}));
  // A new interval counts from now.
  timer.SetInterval(1000);
  headless::AdvanceClock(1500);
  EXPECT_EQ(ticks.back(), 3000u);
  timer.SetEnabled(false);
  headless::AdvanceClock(5000);
  EXPECT_EQ(ticks.size(), 4u);
}

TEST_F(WidgetsTest, ATimerCanDisableItselfAndTheLongestIntervalIsAWeek) {
  TTimer oneShot;
  int shots = 0;
  oneShot.OnTimer = [&] {
    ++shots;
    oneShot.SetEnabled(false);
  };
  oneShot.SetInterval(kMaxTimerInterval);
  oneShot.SetEnabled(true);
  headless::AdvanceClock(kMaxTimerInterval - 1);
  EXPECT_EQ(shots, 0);
  headless::AdvanceClock(10ull * kMaxTimerInterval);
  EXPECT_EQ(shots, 1);
  oneShot.SetInterval(kMaxTimerInterval + 5);
  EXPECT_EQ(oneShot.Interval(), kMaxTimerInterval);
}

TEST_F(WidgetsTest, TimersFireWhileAModalFormIsOpen) {
  TForm main;
  TForm dialog(&main);
  TTimer timer;
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  timer.SetInterval(1000);
  timer.SetEnabled(true);
  headless::OnNextModal([&](TForm& form) {
    EXPECT_EQ(&form, &dialog);
    EXPECT_TRUE(form.Modal());
    headless::AdvanceClock(2000);
  });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(ticks, 2);
  EXPECT_FALSE(dialog.Visible());
}

struct TModalCase {
  const char* Name;
  std::function<void(TForm&, TBitBtn&, TBitBtn&)> Act;
  int Result;
};

TEST_F(WidgetsTest, BackgroundWorkRunsOffTheGuiThreadAndWhatFollowsOnIt) {
  const std::thread::id gui = std::this_thread::get_id();
  std::vector<std::string> log;
  std::mutex lock;
  const auto note = [&](std::string what) {
    std::lock_guard hold(lock);
    log.push_back(std::move(what) + (std::this_thread::get_id() == gui ? " on the GUI thread" : ""));
  };
  TTimer timer;
  timer.SetInterval(1000);
  timer.OnTimer = [&] { note("tick at " + std::to_string(headless::Now())); };
  timer.SetEnabled(true);
  // A file on a share that takes 2.5 s, then one that answers at once.
  Application.RunInBackground(
      [&] {
        headless::BlockFor(2500);
        note("slow");
      },
      [&] { note("after slow"); });
  Application.RunInBackground([&] { note("quick"); }, [&] { note("after quick"); });
  headless::AdvanceClock(3000);
  EXPECT_EQ(log, (std::vector<std::string>{"quick", "after quick on the GUI thread", "tick at 1000 on the GUI thread",
                                           "tick at 2000 on the GUI thread", "slow", "after slow on the GUI thread",
                                           "tick at 3000 on the GUI thread"}));
}

TEST_F(WidgetsTest, AGuiThreadThatBlocksHoldsBackTheTimers) {
  TTimer timer;
  timer.SetInterval(1000);
  std::vector<uint64_t> ticks;
  timer.OnTimer = [&] {
    ticks.push_back(headless::Now());
    if (ticks.size() == 1) headless::BlockFor(2500);
  };
  timer.SetEnabled(true);
  headless::AdvanceClock(5000);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{1000, 3500, 4500})) << "the tick of 2000 comes when the thread is free";
}

class ModalResultTest : public WidgetsTest, public testing::WithParamInterface<TModalCase> {};

TEST_P(ModalResultTest, EndsWithTheButtonsResult) {
  TForm main;
  TForm dialog(&main);
  auto* ok = new TBitBtn(&dialog);
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  auto* cancel = new TBitBtn(&dialog);
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  headless::OnNextModal([&](TForm& form) { GetParam().Act(form, *ok, *cancel); });
  EXPECT_EQ(dialog.ShowModal(), GetParam().Result);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ModalResultTest,
    testing::Values(TModalCase{"ok", [](TForm&, TBitBtn& ok, TBitBtn&) { ok.DoClick(); }, mrOk},
                    TModalCase{"enter", [](TForm& f, TBitBtn&, TBitBtn&) { f.DoEnterKey(); }, mrOk},
                    TModalCase{"cancel", [](TForm&, TBitBtn&, TBitBtn& cancel) { cancel.DoClick(); }, mrCancel},
                    TModalCase{"escape", [](TForm& f, TBitBtn&, TBitBtn&) { f.DoEscapeKey(); }, mrCancel},
                    TModalCase{"close box", [](TForm& f, TBitBtn&, TBitBtn&) { f.DoClose(); }, mrCancel},
                    TModalCase{"disabled ok then close",
                               [](TForm& f, TBitBtn& ok, TBitBtn&) {
                                 ok.SetEnabled(false);
                                 ok.DoClick();
                                 f.DoClose();
                               },
                               mrCancel}),
    [](const auto& param) {
      std::string name = param.param.Name;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST_F(WidgetsTest, ClosingTheMainFormEndsTheProgramUnlessOnCloseRefuses) {
  TForm main;
  ASSERT_EQ(Application.MainForm(), &main);
  TForm other(&main);
  main.Show();
  other.Show();
  other.Close();
  EXPECT_FALSE(other.Visible());
  EXPECT_FALSE(Application.Terminated());

  main.OnClose = [](TCloseAction& action) { action = caNone; };
  main.DoClose();
  EXPECT_TRUE(main.Visible());
  EXPECT_FALSE(Application.Terminated());
  main.OnClose = nullptr;
  main.DoClose();
  EXPECT_TRUE(Application.Terminated());
}

TEST_F(WidgetsTest, MinimizingTheMainFormRaisesTheApplicationsEvent) {
  TForm main;
  TForm other(&main);
  int minimized = 0;
  Application.OnMinimize = [&] { ++minimized; };
  other.DoMinimize();
  EXPECT_EQ(minimized, 0);
  main.DoMinimize();
  EXPECT_EQ(minimized, 1);
  EXPECT_TRUE(main.Minimized());
  main.RestoreWindow();
  EXPECT_FALSE(main.Minimized());
  EXPECT_TRUE(main.Visible());
}

TEST_F(WidgetsTest, TrayRightClickComesToTheFrontThenOpensThePopup) {
  TForm main;
  TPopupMenu popup;
  TMenuItem* restore = popup.Items().Add(L"Tollivane");
  TTrayIcon tray(&main);
  tray.SetPopupMenu(&popup);
  int restores = 0;
  restore->OnClick = [&] { ++restores; };
  headless::OnNextPopup([&](TPopupMenu& menu) {
    EXPECT_EQ(&menu, &popup);
    EXPECT_EQ(headless::ForegroundRequests(), 1);
    menu.Items().Find(L"Tollivane")->DoClick();
  });
  tray.DoRightButtonUp(10, 10);
  EXPECT_EQ(restores, 1);
  int doubles = 0;
  tray.OnDblClick = [&] { ++doubles; };
  tray.DoDblClick();
  EXPECT_EQ(doubles, 1);
}

TEST_F(WidgetsTest, FileDialogsReturnTheChosenFileAndFilter) {
  TSaveDialog dialog;
  dialog.FileName = L"alarm";
  dialog.Filter = L"XML File (*.XML)|*.XML|Text Files (*.txt)|*.TXT";
  EXPECT_FALSE(dialog.Execute()) << "unplanned dialogs are cancelled";
  EXPECT_EQ(dialog.FileName, L"alarm");
  headless::AnswerFileDialog(L"C:\\out\\list.txt", 2);
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FileName, L"C:\\out\\list.txt");
  EXPECT_EQ(dialog.FilterIndex, 2);
  ASSERT_EQ(headless::FileDialogsShown().size(), 2u);
  EXPECT_TRUE(headless::FileDialogsShown()[1].Save);
  EXPECT_EQ(headless::FileDialogsShown()[1].FileName, L"alarm");
}

TEST_F(WidgetsTest, ComboBoxesSelectByTextAndOnlyEditableOnesKeepOtherText) {
  TForm form;
  for (bool editable : {false, true}) {
    auto* combo = new TComboBox(&form);
    combo->SetEditable(editable);
    combo->SetItems({L"(None)", L"Restart computer"});
    combo->SetText(L"Restart computer");
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->SetText(L"C:\\run.bat");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(combo->Text(), editable ? L"C:\\run.bat" : L"");
  }
}

TEST_F(WidgetsTest, ACheckBoxClickTogglesBeforeItsHandlerRuns) {
  TForm form;
  auto* box = new TCheckBox(&form);
  std::vector<bool> seen;
  box->OnClick = [&] { seen.push_back(box->Checked()); };
  box->DoClick();
  box->DoClick();
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
}

TEST_F(WidgetsTest, AlignedControlsFollowTheFormsSize) {
  TForm form;
  form.SetClientSize(629, 531);
  auto* toolbar = new TGradientPanel(&form);
  toolbar->SetBounds(0, 0, 629, 65);
  toolbar->SetAlign(alTop);
  auto* list = new TLabel(&form);
  list->SetAlign(alClient);
  EXPECT_EQ(list->BoundsRect(), (TRect{0, 65, 629, 466}));
  form.DoResize(800, 300);
  EXPECT_EQ(toolbar->BoundsRect(), (TRect{0, 0, 800, 65}));
  EXPECT_EQ(list->BoundsRect(), (TRect{0, 65, 800, 235}));
  form.DoResize(800, 40);
  EXPECT_EQ(list->Height(), 0);
}

}  // namespace
