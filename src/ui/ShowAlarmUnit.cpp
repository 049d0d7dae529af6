#include "ui/ShowAlarmUnit.h"

TShowAlarmForm* ShowAlarmForm = nullptr;

TShowAlarmForm::TShowAlarmForm() : TForm(nullptr) {
  SetCaption(L"Alarm Clock");
  SetClientSize(426, 202);
  SetMaximizeBox(false);
  SetPosition(poWorkAreaCenter);
  // Seen even while the main window is hidden in the tray or a dialog of
  // the program is open.
  SetStayOnTop(true);
  const TFont big{L"Tahoma", 24};
  Label1 = NewControl<TLabel>(this, 8, 24, 410, 25);
  Label1->SetFont(big);
  Label1->SetAlignment(taCenter);
  Label2 = NewControl<TLabel>(this, 8, 72, 410, 63);
  Label2->SetFont(big);
  Label2->SetAlignment(taCenter);
  Label2->SetWordWrap(true);
  Label3 = NewControl<TLabel>(this, 8, 164, 327, 32);
  Label3->SetWordWrap(true);
  Panel1 = NewControl<TBevel>(this, -7, 151, 441, 3);
  BitBtn3 = NewControl<TBitBtn>(this, 343, 169, 75, 25, L"OK");
  BitBtn3->SetDefault(true);
  BitBtn3->OnClick = [this] { BitBtn3Click(); };
  OnClose = [this](TCloseAction& action) { FormClose(action); };
  Loaded();
}

void TShowAlarmForm::ShowAlarm(const std::wstring& time, const std::wstring& note, const std::wstring& skipped) {
  Label1->SetCaption(time);
  Label2->SetCaption(note);
  Label3->SetCaption(skipped);
  Show();
  BringToFront();
}

void TShowAlarmForm::FormClose(TCloseAction&) {
  if (OnStopLoop) OnStopLoop();
}

void TShowAlarmForm::BitBtn3Click() { Close(); }
