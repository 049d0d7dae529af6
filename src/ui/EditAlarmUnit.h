#pragma once
// The modal alarm editor. It exchanges the alarm through CurrentAlarm: it
// loads its controls from it each time it is shown, and OK stores them back
// and sets CurrentAlarm.ID to 1.

#include <memory>

#include "audio/uSoundPlayer.h"
#include "widgets/Dialogs.h"
#include "widgets/Form.h"
#include "widgets/StdControls.h"

class TEditAlarmForm : public TForm {
 public:
  explicit TEditAlarmForm(TForm* owner);
  ~TEditAlarmForm() override;

  TGroupBox* GroupBox1;
  TLabel* Label3;
  TComboBox* ComboBox2;  // hours
  TLabel* Label4;
  TComboBox* ComboBox3;  // minutes
  TCheckGroup* CheckGroup1;
  TLabel* Label1;
  TMemo* Memo1;
  TCheckBox* CheckBox1;  // Show message
  TLabel* Label2;
  TComboBox* ComboBox1;  // sound
  TBitBtn* BitBtn1;      // Play
  TBitBtn* BitBtn2;      // sound Browse...
  TCheckBox* CheckBox3;  // Loop
  TLabel* Label5;
  TComboBox* ComboBox5;  // action
  TBitBtn* BitBtn5;      // action Browse...
  TLabel* Label6;
  TBevel* Panel1;
  TBitBtn* BitBtn3;  // OK
  TBitBtn* BitBtn4;  // Cancel
  // Never shown: they carry their values through the dialog.
  TCheckBox* CheckBox2;  // TurnOnVolum
  TComboBox* ComboBox4;  // SoundVolum
  TCheckBox* CheckBox4;  // Snooze
  TCheckBox* CheckBox5;  // WakeUp
  TCheckBox* CheckBox6;  // TurnOnMoniter

  TOpenDialog OpenDialog1;
  TOpenDialog OpenDialog2;

  // The preview player; made in FormCreate.
  TSoundPlayer* Player() const { return FPlayer.get(); }

  void FormCreate();
  void FormShow();
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void BitBtn5Click();

 private:
  // The sound list holds a chosen file's path as one more entry.
  void SetSoundText(const std::wstring& sound);

  std::unique_ptr<TSoundPlayer> FPlayer;
};

extern TEditAlarmForm* EditAlarmForm;
