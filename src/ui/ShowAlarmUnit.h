#pragma once
// The window that tells the user which alarm went off. Not modal; one window
// serves every alarm.

#include <functional>
#include <string>

#include "widgets/Form.h"
#include "widgets/StdControls.h"

class TShowAlarmForm : public TForm {
 public:
  // Owned by no other window: Windows hides owned windows with their owner,
  // and this one must stay up while the main window is minimized or in the
  // notification area.
  TShowAlarmForm();

  TLabel* Label1;  // the time
  TLabel* Label2;  // the note
  TLabel* Label3;  // what the alarm did not do, and why; empty for nothing
  TBevel* Panel1;
  TBitBtn* BitBtn3;

  // Closing the window ends a looping alarm's repetition: the main window
  // switches its loop timer off here.
  std::function<void()> OnStopLoop;

  // Shows the alarm's time and note, in front of the program's windows,
  // without waiting. skipped: the line that tells which action was not
  // carried out, and why; empty when there is none.
  void ShowAlarm(const std::wstring& time, const std::wstring& note, const std::wstring& skipped = L"");

  void FormClose(TCloseAction& action);
  void BitBtn3Click();
};

extern TShowAlarmForm* ShowAlarmForm;
