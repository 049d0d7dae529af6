#pragma once
// The main window: the alarm list, its commands, the two timers and the
// notification-area icon. It owns the running state of the program.

#include <functional>
#include <memory>

#include "alarm/AlarmStore.h"
#include "alarm/Scheduler.h"
#include "audio/uSoundPlayer.h"
#include "widgets/Action.h"
#include "widgets/Dialogs.h"
#include "widgets/Form.h"
#include "widgets/Menu.h"
#include "widgets/SmoothListBox.h"
#include "widgets/StdControls.h"
#include "widgets/Timer.h"
#include "widgets/TrayIcon.h"

class TMainForm : public TForm {
 public:
  // folder: where data.xml lives, with a trailing separator.
  explicit TMainForm(std::wstring folder);
  ~TMainForm() override;

  TXmlDocument& XMLData() { return FStore.XMLData(); }
  TAlarmStore& Store() { return FStore; }
  // Sounds the alarms; made in FormCreate.
  TSoundPlayer* Player() const { return FPlayer.get(); }

  TActionList ActionList1;
  TAction* AddEntryAction6;
  TAction* EditEntryAction7;
  TAction* DuplicateEntryAction1;
  TAction* DeleteEntryAction1;
  TAction* ImportAction2;
  TAction* ExportAction1;
  TAction* ExitAction1;
  TAction* WebsiteAction5;
  TAction* PasswordGeneratorOnlineAction2;
  TAction* AboutAction4;

  TMainMenu MainMenu1{this};
  TPopupMenu PopupMenu1;
  TMenuItem* Tollivane1;
  TTrayIcon TrayIcon1{this};
  TTimer Timer1;
  TTimer Timer2;
  TOpenDialog OpenDialog1;
  TSaveDialog SaveDialog1;

  TGradientPanel* Panel1;
  TGlowButton* AddButton;
  TGlowButton* DeleteButton;
  TGlowButton* WebsiteButton;
  TGlowButton* AboutButton;
  TSmoothListBox* SmoothListBox3;

  void FormCreate();
  void FormClose(TCloseAction& action);
  void HideOnMinimize();
  void Tollivane1Click();

  void AddEntryAction6Execute();
  void EditEntryAction7Execute();
  void DuplicateEntryAction1Execute();
  void DeleteEntryAction1Execute();
  void ImportAction2Execute();
  void ExportAction1Execute();
  void ExitAction1Execute();
  void WebsiteAction5Execute();
  void PasswordGeneratorOnlineAction2Execute();
  void AboutAction4Execute();
  void AddEntryAction6Update();
  void EditEntryAction7Update();
  void DuplicateEntryAction1Update();
  void DeleteEntryAction1Update();

  void RefreshAlarmList();
  // A scheduling pass: arms Timer1 for the alarms due now or next.
  void ScheduleNextAlarm();
  // The local moment Timer1 is armed for (LocalMilliseconds), -1 for none.
  int64_t NextDue() const { return FNextDue; }
  int SelectedAlarmIndex() const;
  void SmoothListBox3ItemCheckClick(TSmoothListBox* sender, int itemindex, bool checked);

  void Timer1Timer();
  void Timer2Timer();

  // Told of each alarm as it goes off, once its window shows and its sound
  // is asked for, before its action; for the soak and the firing benchmark
  // to watch.
  std::function<void(const TAlarm& alarm)> OnAlarm;

  // The system's events, each ending in a scheduling pass.
  void TimeChanged();
  void Resumed();
  void SessionEnding();

 private:
  void BuildMenus();
  void BuildToolbar();
  // Rings whatever is due, in the background what may take time, and arms
  // Timer1 for what comes next.
  void RingWhatIsDue();
  // Arms Timer1 for the pass: at once for what is due, else for when to
  // look again.
  void Arm(const TAlarmScheduler::TPass& pass);
  // An alarm going off: its window, then its sound. skipped: what the
  // window says of a power action not run; empty for none.
  void Ring(const TAlarm& alarm, const std::wstring& skipped);
  // Opens the alarm's sound in the background, then plays it.
  void PlaySound(const TAlarm& alarm);
  // Its action, in the background.
  void RunAction(const TAlarm& alarm);
  // Tells the user of each switched-on entry whose Time cannot be read.
  void TellBadTimes(const TAlarmScheduler::TPass& pass);
  // What the store has to tell about an unreadable data.xml.
  void TellStoreNotice();
  // Saves without asking: the program is about to end without closing.
  void SaveQuietly();
  // Shows the editor for CurrentAlarm; true when the user accepted.
  bool EditCurrentAlarm();

  std::wstring FFolder;
  TAlarmStore FStore;
  std::unique_ptr<TSoundPlayer> FPlayer;
  TAlarmScheduler FScheduler;
  int64_t FNextDue = -1;
  // Counts the sounds asked for: only the latest one is played.
  uint64_t FSoundRequest = 0;
};

extern TMainForm* MainForm;
