#pragma once
// The program's four windows, made in their order: the main window loads the
// alarms, arms its timer and sets up its player before the others exist.

#include <memory>
#include <string>

class TMainForm;
class TAboutForm;
class TEditAlarmForm;
class TShowAlarmForm;

class TProgramForms {
 public:
  // folder: where data.xml lives, with a trailing separator. Sets the
  // globals MainForm, AboutForm, EditAlarmForm and ShowAlarmForm.
  explicit TProgramForms(std::wstring folder);
  // The globals are cleared; the windows go in reverse order.
  ~TProgramForms();
  TProgramForms(const TProgramForms&) = delete;
  TProgramForms& operator=(const TProgramForms&) = delete;

 private:
  std::unique_ptr<TMainForm> FMainForm;
  std::unique_ptr<TAboutForm> FAboutForm;
  std::unique_ptr<TEditAlarmForm> FEditAlarmForm;
  std::unique_ptr<TShowAlarmForm> FShowAlarmForm;
};
