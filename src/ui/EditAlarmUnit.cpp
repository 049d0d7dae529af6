#include "ui/EditAlarmUnit.h"

#include <algorithm>
#include <array>

#include "alarm/Alarm.h"
#include "system/FileSystem.h"
#include "system/ProgramFolder.h"

TEditAlarmForm* EditAlarmForm = nullptr;

namespace {

std::vector<std::wstring> Numbers(int count, int step = 1, bool twoDigits = true) {
  std::vector<std::wstring> numbers;
  for (int i = 0; i < count; ++i) {
    std::wstring text = std::to_wstring(i * step);
    if (twoDigits && text.size() < 2) text.insert(0, 1, L'0');
    numbers.push_back(text);
  }
  return numbers;
}

std::vector<std::wstring> BuiltInSounds() { return {kBuiltInSounds.begin(), kBuiltInSounds.end()}; }

}  // namespace

TEditAlarmForm::TEditAlarmForm(TForm* owner) : TForm(owner) {
  SetCaption(L"Add/Edit Alarm Clock");
  SetClientSize(460, 576);
  SetMaximizeBox(false);
  SetPosition(poOwnerFormCenter);

  GroupBox1 = NewControl<TGroupBox>(this, 24, 8, 409, 57, L"Time");
  Label3 = NewControl<TLabel>(GroupBox1, 15, 22, 60, 16, L"HH : MM");
  ComboBox2 = NewControl<TComboBox>(GroupBox1, 86, 19, 76, 21);
  ComboBox2->SetItems(Numbers(24));
  Label4 = NewControl<TLabel>(GroupBox1, 168, 22, 8, 16, L" :");
  ComboBox3 = NewControl<TComboBox>(GroupBox1, 178, 19, 65, 21);
  ComboBox3->SetItems(Numbers(60));

  CheckGroup1 = NewControl<TCheckGroup>(this, 24, 71, 409, 162, L"Repeat");
  CheckGroup1->SetItems({kDayNames.begin(), kDayNames.end()});

  Label1 = NewControl<TLabel>(this, 24, 239, 60, 16, L"Note:");
  Memo1 = NewControl<TMemo>(this, 24, 258, 409, 63);
  CheckBox1 = NewControl<TCheckBox>(this, 24, 336, 200, 17, L"Show message");
  Label2 = NewControl<TLabel>(this, 24, 358, 60, 16, L"Sound:");
  ComboBox1 = NewControl<TComboBox>(this, 24, 379, 289, 21);
  ComboBox1->SetItems(BuiltInSounds());
  BitBtn1 = NewControl<TBitBtn>(this, 319, 376, 41, 25, L"Play");
  BitBtn2 = NewControl<TBitBtn>(this, 366, 376, 67, 25, L"Browse...");
  CheckBox3 = NewControl<TCheckBox>(this, 24, 412, 200, 17, L"Loop");
  Label5 = NewControl<TLabel>(this, 24, 436, 60, 16, L"Action:");
  ComboBox5 = NewControl<TComboBox>(this, 24, 455, 336, 21);
  ComboBox5->SetEditable(true);
  ComboBox5->SetItems({L"(None)", L"Shut down computer", L"Restart computer", L"Standby computer"});
  BitBtn5 = NewControl<TBitBtn>(this, 366, 452, 67, 25, L"Browse...");
  Label6 = NewControl<TLabel>(this, 24, 486, 300, 16, L"(Select a file or enter a URL)");
  Panel1 = NewControl<TBevel>(this, 13, 526, 441, 3);
  BitBtn3 = NewControl<TBitBtn>(this, 296, 541, 75, 25, L"OK");
  BitBtn3->SetDefault(true);
  // No button answers Escape.
  BitBtn4 = NewControl<TBitBtn>(this, 377, 541, 75, 25, L"Cancel");

  CheckBox2 = NewControl<TCheckBox>(this, 0, 0, 0, 0, L"Turn on the volume");
  ComboBox4 = NewControl<TComboBox>(this, 0, 0, 0, 0);
  // Editable so that any stored volume passes through, not just the tens.
  ComboBox4->SetEditable(true);
  ComboBox4->SetItems(Numbers(11, 10, false));
  CheckBox4 = NewControl<TCheckBox>(this, 0, 0, 0, 0, L"Snooze");
  CheckBox5 = NewControl<TCheckBox>(this, 0, 0, 0, 0, L"Wake up computer from a sleep mode");
  CheckBox6 = NewControl<TCheckBox>(this, 0, 0, 0, 0, L"Turn on the monitor power");
  for (TControl* hidden : std::initializer_list<TControl*>{CheckBox2, ComboBox4, CheckBox4, CheckBox5, CheckBox6})
    hidden->SetVisible(false);

  OpenDialog1.Filter = L"Audio Files(*.mp3; *.wav; *.wmv; *.ogg)|*.mp3; *.wav; *.wmv; *.ogg";
  OpenDialog2.Filter = L"Any File(*.*)|*.*";

  BitBtn1->OnClick = [this] { BitBtn1Click(); };
  BitBtn2->OnClick = [this] { BitBtn2Click(); };
  BitBtn3->OnClick = [this] { BitBtn3Click(); };
  BitBtn4->OnClick = [this] { BitBtn4Click(); };
  BitBtn5->OnClick = [this] { BitBtn5Click(); };
  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  Loaded();
}

TEditAlarmForm::~TEditAlarmForm() = default;

void TEditAlarmForm::FormCreate() {
  FPlayer = std::make_unique<TSoundPlayer>();
  FPlayer->Init(Handle(), 0, 0);
}

void TEditAlarmForm::FormShow() {
  int hour = 0, minute = 0;
  try {
    ParseTimeOfDay(CurrentAlarm.Time, hour, minute);
  } catch (...) {
    // Opening on the controls' leftovers would let OK store another alarm's
    // values over this one: the dialog does not open, and the error shows.
    SetModalResult(mrCancel);
    throw;
  }
  ComboBox2->SetItemIndex(hour);
  ComboBox3->SetItemIndex(minute);
  Memo1->SetText(CurrentAlarm.Note);
  CheckBox1->SetChecked(CurrentAlarm.ShowMessage);
  CheckBox2->SetChecked(CurrentAlarm.TurnOnVolum);
  CheckBox3->SetChecked(CurrentAlarm.Loop);
  CheckBox4->SetChecked(CurrentAlarm.Snooze);
  CheckBox5->SetChecked(CurrentAlarm.WakeUp);
  CheckBox6->SetChecked(CurrentAlarm.TurnOnMoniter);
  SetSoundText(EditorSoundText(CurrentAlarm.Sound));
  ComboBox4->SetText(std::to_wstring(CurrentAlarm.SoundVolum));
  for (int day = 0; day < 7; ++day) CheckGroup1->SetChecked(day, DaysTextNamesDay(CurrentAlarm.Days, day + 1));
  ComboBox5->SetText(CurrentAlarm.Action);
}

void TEditAlarmForm::SetSoundText(const std::wstring& sound) {
  std::vector<std::wstring> items = BuiltInSounds();
  if (std::find(items.begin(), items.end(), sound) == items.end()) items.push_back(sound);
  ComboBox1->SetItems(std::move(items));
  ComboBox1->SetText(sound);
}

void TEditAlarmForm::BitBtn3Click() {
  CurrentAlarm.ID = 1;
  CurrentAlarm.Time = ComboBox2->Text() + L":" + ComboBox3->Text();
  CurrentAlarm.Note = Memo1->Text();
  CurrentAlarm.ShowMessage = CheckBox1->Checked();
  CurrentAlarm.TurnOnVolum = CheckBox2->Checked();
  CurrentAlarm.Loop = CheckBox3->Checked();
  CurrentAlarm.Snooze = CheckBox4->Checked();
  CurrentAlarm.WakeUp = CheckBox5->Checked();
  CurrentAlarm.TurnOnMoniter = CheckBox6->Checked();
  CurrentAlarm.Sound = ComboBox1->Text();
  // The hidden box only ever holds what FormShow put there: a number.
  CurrentAlarm.SoundVolum = ComboBox4->Text().empty() ? 0 : std::stoi(ComboBox4->Text());
  std::array<bool, 7> days{};
  for (int day = 0; day < 7; ++day) days[day] = CheckGroup1->Checked(day);
  CurrentAlarm.Days = BuildDaysText(days);
  CurrentAlarm.Action = ComboBox5->Text();
  SetModalResult(mrOk);
}

void TEditAlarmForm::BitBtn4Click() { SetModalResult(mrCancel); }

void TEditAlarmForm::BitBtn1Click() {
  const std::wstring path = ResolveSoundPath(ComboBox1->Text(), sys::ProgramFolder());
  uint32_t filesize = 0;
  double duration = 0;
  if (sys::FileExists(path) && FPlayer->OpenFile(path, filesize, duration)) FPlayer->Play();
}

void TEditAlarmForm::BitBtn2Click() {
  if (OpenDialog1.Execute()) SetSoundText(OpenDialog1.FileName);
}

void TEditAlarmForm::BitBtn5Click() {
  if (OpenDialog2.Execute()) ComboBox5->SetText(OpenDialog2.FileName);
}
