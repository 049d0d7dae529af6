#include "app/Program.h"

#include "app/MainUnit.h"
#include "ui/AboutUnit.h"
#include "ui/EditAlarmUnit.h"
#include "ui/ShowAlarmUnit.h"

TProgramForms::TProgramForms(std::wstring folder) {
  FMainForm = std::make_unique<TMainForm>(std::move(folder));
  MainForm = FMainForm.get();
  FAboutForm = std::make_unique<TAboutForm>(MainForm);
  AboutForm = FAboutForm.get();
  FEditAlarmForm = std::make_unique<TEditAlarmForm>(MainForm);
  EditAlarmForm = FEditAlarmForm.get();
  FShowAlarmForm = std::make_unique<TShowAlarmForm>();
  ShowAlarmForm = FShowAlarmForm.get();
  ShowAlarmForm->OnStopLoop = [] { MainForm->Timer2.SetEnabled(false); };
}

TProgramForms::~TProgramForms() {
  ShowAlarmForm = nullptr;
  EditAlarmForm = nullptr;
  AboutForm = nullptr;
  MainForm = nullptr;
  FShowAlarmForm.reset();
  FEditAlarmForm.reset();
  FAboutForm.reset();
  FMainForm.reset();
}
