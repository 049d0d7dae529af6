#pragma once
// The main window: the alarm list, its commands, the two timers and the
// notification-area icon. It owns the running state of the program.

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
  void EditEntryAction7Update();
  void DuplicateEntryAction1Update();
  void DeleteEntryAction1Update();

  void RefreshAlarmList();
  int SelectedAlarmIndex() const;
  void SmoothListBox3ItemCheckClick(TSmoothListBox* sender, int itemindex, bool checked);

  void Timer1Timer();
  void Timer2Timer();

  // The system's events, each ending in a scheduling pass.
  void TimeChanged();
  void Resumed();
  void SessionEnding();

 private:
  // Timer1 as the scheduler arms it.
  class TTimer1Arm : public TAlarmTimer {
   public:
    explicit TTimer1Arm(TTimer& timer) : FTimer(timer) {}
    void SetEnabled(bool enabled) override { FTimer.SetEnabled(enabled); }
    void SetInterval(uint32_t milliseconds) override { FTimer.SetInterval(milliseconds); }

   private:
    TTimer& FTimer;
  };

  void BuildMenus();
  void BuildToolbar();
  // A scheduling pass that remembers what it armed.
  void Reschedule();
  // Saves without asking: the program is about to end without closing.
  void SaveQuietly();
  // Shows the editor for CurrentAlarm; true when the user accepted.
  bool EditCurrentAlarm();

  std::wstring FFolder;
  TAlarmStore FStore;
  std::unique_ptr<TSoundPlayer> FPlayer;
  TArmedAlarm FArmed;
  TFiredAlarms FFired;
  TTimer1Arm FTimer1Arm{Timer1};
};

extern TMainForm* MainForm;
