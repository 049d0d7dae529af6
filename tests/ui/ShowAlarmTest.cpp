#include <gtest/gtest.h>

#include "system/Shell.h"
#include "ui/AboutUnit.h"
#include "ui/ShowAlarmUnit.h"
#include "widgets/headless/Headless.h"

namespace {

class ShowAlarmTest : public testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    Application.Reset();
    sys::ShellRequests().clear();
  }
  TForm FMain;
  TShowAlarmForm FWindow;
};

TEST_F(ShowAlarmTest, OneWindowShowsTheLatestAlarm) {
  FWindow.ShowAlarm(L"07:30", L"Wake up");
  EXPECT_TRUE(FWindow.Visible());
  EXPECT_FALSE(FWindow.Modal());
  FWindow.ShowAlarm(L"07:31", L"Second");
  EXPECT_EQ(FWindow.Label1->Caption(), L"07:31");
  EXPECT_EQ(FWindow.Label2->Caption(), L"Second");
  EXPECT_EQ(headless::ForegroundRequests(), 2);
}

TEST_F(ShowAlarmTest, ClosingByOkOrTheCloseBoxStopsTheLoop) {
  for (auto close : {+[](TShowAlarmForm& w) { w.BitBtn3->DoClick(); }, +[](TShowAlarmForm& w) { w.DoClose(); },
                     +[](TShowAlarmForm& w) { w.DoEnterKey(); }}) {
    int stops = 0;
    FWindow.OnStopLoop = [&] { ++stops; };
    FWindow.ShowAlarm(L"07:30", L"Wake up");
    close(FWindow);
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(FWindow.Visible());
  }
}

TEST_F(ShowAlarmTest, TheAboutBoxLinksOpenAndLeaveItOpen) {
  TAboutForm about(&FMain);
  headless::OnNextModal([&](TForm&) {
    about.Label4->DoClick();
    about.Label6->DoClick();
    EXPECT_EQ(about.ModalResult(), mrNone);
    about.DoEnterKey();
  });
  about.ShowModal();
  EXPECT_FALSE(about.Visible());
  ASSERT_EQ(sys::ShellRequests().size(), 2u);
  EXPECT_EQ(sys::ShellRequests()[1].File, L"mailto:support@tollivane.example");
}

}  // namespace
