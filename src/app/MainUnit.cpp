#include "app/MainUnit.h"

#include "alarm/AlarmExport.h"
#include "system/Clock.h"
#include "system/FileSystem.h"
#include "system/PowerUtils.h"
#include "system/Shell.h"
#include "system/Unicode.h"
#include "system/XmlCheck.h"
#include "ui/AboutUnit.h"
#include "ui/EditAlarmUnit.h"
#include "ui/MakerLinks.h"
#include "ui/ShowAlarmUnit.h"
#include "xml/XmlDocument.h"

TMainForm* MainForm = nullptr;

namespace {
constexpr int kToolbarHeight = 65;
}  // namespace

TMainForm::TMainForm(std::wstring folder) : FFolder(folder), FStore(std::move(folder)) {
  SetCaption(L"Tollivane");
  SetClientSize(629, 531);
  SetPosition(poDesktopCenter);

  AddEntryAction6 = ActionList1.Add(L"Add Alarm...");
  EditEntryAction7 = ActionList1.Add(L"Edit Alarm...");
  DuplicateEntryAction1 = ActionList1.Add(L"Duplicate Alarm...");
  DeleteEntryAction1 = ActionList1.Add(L"Delete Alarm");
  ImportAction2 = ActionList1.Add(L"Import...");
  ExportAction1 = ActionList1.Add(L"Export...");
  ExitAction1 = ActionList1.Add(L"Exit");
  WebsiteAction5 = ActionList1.Add(L"Website...");
  PasswordGeneratorOnlineAction2 = ActionList1.Add(L"Online Alarm Clock...");
  AboutAction4 = ActionList1.Add(L"About...");
  AddEntryAction6->OnExecute = [this] { AddEntryAction6Execute(); };
  EditEntryAction7->OnExecute = [this] { EditEntryAction7Execute(); };
  DuplicateEntryAction1->OnExecute = [this] { DuplicateEntryAction1Execute(); };
  DeleteEntryAction1->OnExecute = [this] { DeleteEntryAction1Execute(); };
  ImportAction2->OnExecute = [this] { ImportAction2Execute(); };
  ExportAction1->OnExecute = [this] { ExportAction1Execute(); };
  ExitAction1->OnExecute = [this] { ExitAction1Execute(); };
  WebsiteAction5->OnExecute = [this] { WebsiteAction5Execute(); };
  PasswordGeneratorOnlineAction2->OnExecute = [this] { PasswordGeneratorOnlineAction2Execute(); };
  AboutAction4->OnExecute = [this] { AboutAction4Execute(); };
  EditEntryAction7->OnUpdate = [this] { EditEntryAction7Update(); };
  DuplicateEntryAction1->OnUpdate = [this] { DuplicateEntryAction1Update(); };
  DeleteEntryAction1->OnUpdate = [this] { DeleteEntryAction1Update(); };

  BuildMenus();
  BuildToolbar();

  SmoothListBox3 = new TSmoothListBox(this);
  SmoothListBox3->SetAlign(alClient);
  SmoothListBox3->SetHeaderCaption(L"Alarm Clock");
  SmoothListBox3->OnItemCheckClick = [this](TSmoothListBox* sender, int index, bool checked) {
    SmoothListBox3ItemCheckClick(sender, index, checked);
  };
  SmoothListBox3->OnDblClick = [this] { EditEntryAction7Execute(); };

  Timer1.OnTimer = [this] { Timer1Timer(); };
  Timer2.OnTimer = [this] { Timer2Timer(); };

  OpenDialog1.FileName = L"alarm";
  OpenDialog1.Filter = L"XML Files (*.XML)|*.XML";
  SaveDialog1.FileName = L"alarm";
  SaveDialog1.DefaultExt = L"XML";
  SaveDialog1.Filter = L"XML File (*.XML)|*.XML|Text Files (*.txt)|*.TXT|HTML Files (*.html)|*.HTML";
  SaveDialog1.Options = ofOverwritePrompt | ofHideReadOnly | ofEnableSizing;

  TrayIcon1.SetHint(Application.Title());
  TrayIcon1.SetPopupMenu(&PopupMenu1);
  TrayIcon1.OnDblClick = [this] { Tollivane1Click(); };
  TrayIcon1.SetVisible(true);

  OnCreate = [this] { FormCreate(); };
  OnClose = [this](TCloseAction& action) { FormClose(action); };
  Loaded();
}

TMainForm::~TMainForm() = default;

void TMainForm::BuildMenus() {
  TMenuItem& bar = MainMenu1.Items();
  TMenuItem* files = bar.Add(L"Files");
  files->Add(ImportAction2);
  files->Add(ExportAction1);
  files->AddSeparator();
  files->Add(ExitAction1);
  TMenuItem* alarm = bar.Add(L"Alarm");
  alarm->Add(AddEntryAction6);
  alarm->Add(EditEntryAction7);
  alarm->Add(DeleteEntryAction1);
  alarm->Add(DuplicateEntryAction1);
  bar.Add(L"Tools")->Add(PasswordGeneratorOnlineAction2);
  TMenuItem* software = bar.Add(L"Software");
  TMenuItem* timer = software->Add(L"Countdown Timer...");
  timer->OnClick = [] { sys::OpenLink(kWebsiteUrl + L"countdown-timer.php"); };
  TMenuItem* stopwatch = software->Add(L"Stopwatch...");
  stopwatch->OnClick = [] { sys::OpenLink(kWebsiteUrl + L"stopwatch.php"); };
  TMenuItem* help = bar.Add(L"Help");
  help->Add(WebsiteAction5);
  help->Add(AboutAction4);
  SetMenu(&MainMenu1);

  TMenuItem& popup = PopupMenu1.Items();
  Tollivane1 = popup.Add(L"Tollivane");
  Tollivane1->SetDefault(true);
  Tollivane1->OnClick = [this] { Tollivane1Click(); };
  popup.AddSeparator();
  popup.Add(AddEntryAction6);
  popup.Add(EditEntryAction7);
  popup.Add(DeleteEntryAction1);
  popup.Add(ExitAction1);
}

void TMainForm::BuildToolbar() {
  Panel1 = new TGradientPanel(this);
  Panel1->SetBounds(0, 0, ClientWidth(), kToolbarHeight);
  Panel1->SetAlign(alTop);
  struct TButtonPlace {
    int Left, Width;
    TAction* Action;
    const wchar_t* Picture;
    TGlowButton** Button;
  };
  for (const TButtonPlace& place : {TButtonPlace{16, 113, AddEntryAction6, L"ADD", &AddButton},
                                    TButtonPlace{169, 115, DeleteEntryAction1, L"DELETE", &DeleteButton},
                                    TButtonPlace{322, 115, WebsiteAction5, L"WEBSITE", &WebsiteButton},
                                    TButtonPlace{476, 115, AboutAction4, L"ABOUT", &AboutButton}}) {
    TGlowButton* button = NewControl<TGlowButton>(Panel1, place.Left, 10, place.Width, 50);
    button->SetPicture(place.Picture);
    button->SetAction(place.Action);
    *place.Button = button;
  }
}

void TMainForm::FormCreate() {
  Application.OnMinimize = [this] { HideOnMinimize(); };
  Application.OnTimeChange = [this] { TimeChanged(); };
  Application.OnResume = [this] { Resumed(); };
  Application.OnEndSession = [this] { SessionEnding(); };
  SmoothListBox3->SetColorScheme(lcsSilver);
  FPlayer = std::make_unique<TSoundPlayer>();
  FPlayer->Init(Handle(), 0, 0);
  FStore.LoadAlarms();
  if (std::wstring notice = FStore.TakeNotice(); !notice.empty()) MessageDlg(notice, mtWarning, mbOK);
  RefreshAlarmList();
}

void TMainForm::FormClose(TCloseAction&) {
  // The list lives only in memory until now; a failed save must not lose it
  // without the user knowing.
  for (;;) {
    try {
      FStore.SaveAlarms();
      return;
    } catch (const std::exception& error) {
      std::wstring text = sys::Utf8ToWide(error.what()) +
                          L"\n\nChoose Retry to try again, or Cancel to close without saving the alarms.";
      if (MessageDlg(text, mtError, mbRetryCancel) != mrRetry) return;
    }
  }
}

void TMainForm::HideOnMinimize() { HideWindow(); }

void TMainForm::Tollivane1Click() {
  RestoreWindow();
  BringToFront();
}

bool TMainForm::EditCurrentAlarm() {
  CurrentAlarm.ID = 0;
  EditAlarmForm->ShowModal();
  return CurrentAlarm.ID == 1;
}

void TMainForm::AddEntryAction6Execute() {
  CurrentAlarm = NewAlarm();
  if (!EditCurrentAlarm()) return;
  FStore.AddAlarm(CurrentAlarm);
  RefreshAlarmList();
}

void TMainForm::EditEntryAction7Execute() {
  int index = SelectedAlarmIndex();
  if (index < 0) return;
  CurrentAlarm = FStore.ReadAlarm(index);
  if (!EditCurrentAlarm()) return;
  FStore.EditAlarm(index, CurrentAlarm);
  RefreshAlarmList();
}

void TMainForm::DuplicateEntryAction1Execute() {
  int index = SelectedAlarmIndex();
  if (index < 0) return;
  CurrentAlarm = FStore.ReadDuplicate(index);
  if (!EditCurrentAlarm()) return;
  FStore.AddAlarm(CurrentAlarm);
  RefreshAlarmList();
}

void TMainForm::DeleteEntryAction1Execute() {
  if (MessageDlg(L"Do you want to delete the selected alarm?", mtConfirmation, mbYesNo) != mrYes) return;
  FStore.DeleteAlarm(SelectedAlarmIndex());
  RefreshAlarmList();
}

void TMainForm::ImportAction2Execute() {
  if (!OpenDialog1.Execute()) return;
  if (!sys::IsWellFormedXmlFile(OpenDialog1.FileName)) {
    MessageDlg(L"The file is not a valid XML file.", mtInformation, mbOK);
    return;
  }
  if (MessageDlg(L"Do you want to import XML file? This will clear current list.", mtConfirmation, mbYesNo) != mrYes)
    return;
  FStore.ImportAlarms(OpenDialog1.FileName);
  RefreshAlarmList();
}

void TMainForm::ExportAction1Execute() {
  if (!SaveDialog1.Execute()) return;
  ExportAlarms(XMLData(), SaveDialog1.FilterIndex, SaveDialog1.FileName);
}

void TMainForm::ExitAction1Execute() { Close(); }
void TMainForm::WebsiteAction5Execute() { sys::OpenLink(kWebsiteUrl); }
void TMainForm::PasswordGeneratorOnlineAction2Execute() { sys::OpenLink(kOnlineAlarmUrl); }
void TMainForm::AboutAction4Execute() { AboutForm->ShowModal(); }

void TMainForm::EditEntryAction7Update() { EditEntryAction7->SetEnabled(SelectedAlarmIndex() >= 0); }
void TMainForm::DuplicateEntryAction1Update() { DuplicateEntryAction1->SetEnabled(SelectedAlarmIndex() >= 0); }
void TMainForm::DeleteEntryAction1Update() { DeleteEntryAction1->SetEnabled(SelectedAlarmIndex() >= 0); }

void TMainForm::RefreshAlarmList() {
  if (XMLData().Root()) {
    SmoothListBox3->BeginUpdate();
    SmoothListBox3->Clear();
    for (int32_t i = 0, count = FStore.AlarmCount(); i < count; ++i) {
      TAlarm alarm = ReadAlarmFromEntry(*FStore.Entry(i));
      TSmoothListItem item;
      item.Caption = alarm.Time;
      item.Info = alarm.Note;
      item.Notes = L"<font color=\"clred\">" + alarm.Days + L"</font>";
      item.GraphicLeftMargin = 15;
      item.Checked = alarm.Checked;
      SmoothListBox3->SetItem(SmoothListBox3->AddItem(), item);
    }
    SmoothListBox3->EndUpdate();
  }
  Reschedule();
}

void TMainForm::Reschedule() { FArmed = ScheduleNextAlarm(XMLData(), FTimer1Arm, FFired); }

int TMainForm::SelectedAlarmIndex() const { return SmoothListBox3->ItemIndex(); }

void TMainForm::SmoothListBox3ItemCheckClick(TSmoothListBox*, int itemindex, bool checked) {
  FStore.SwitchAlarm(itemindex, checked);
  // Without a pass an alarm ticked on would not be armed, and one ticked off
  // would still go off.
  Reschedule();
}

void TMainForm::Timer1Timer() {
  try {
    // The timer counts ticks, the alarm wall-clock time: after the clock was
    // put back (or a week-long interval drifted) it is not due yet.
    if (FArmed.Due > LocalSeconds(sys::LocalNow())) return Reschedule();
    const int32_t index = NextAlarmIndex;
    const TXmlNode* entry = FStore.Entry(index);
    // Gone from the list: Timer1 runs on until a pass arms it anew.
    if (!entry) return;
    const TAlarm alarm = ReadAlarmFromEntry(*entry);

    const std::wstring path = ResolveSoundPath(alarm.Sound, FFolder);
    uint32_t filesize = 0;
    double duration = 0;
    if (sys::FileExists(path) && FPlayer->OpenFile(path, filesize, duration)) {
      FPlayer->Play();
      if (alarm.Loop) {
        Timer2.SetEnabled(false);
        Timer2.SetInterval(LoopInterval(duration));
        Timer2.SetEnabled(true);
      }
    }
    if (alarm.ShowMessage) ShowAlarmForm->ShowAlarm(alarm.Time, alarm.Note);
    switch (ActionKind(alarm.Action)) {
      case akNothing:
        break;
      case akShutdown:
        // A forced shutdown ends the program without closing its window.
        SaveQuietly();
        sys::ShutdownSystem(12);
        break;
      case akRestart:
        SaveQuietly();
        sys::ShutdownSystem(6);
        break;
      case akStandby:
        sys::SuspendSystem(false, false, false);
        break;
      case akOpen:
        sys::OpenFileInFolder(alarm.Action);
        break;
    }

    if (FFired.Moment != FArmed.Due) FFired = {FArmed.Due, FArmed.WeekSeconds, {}};
    FFired.Entries.push_back(index);
    Timer1.SetEnabled(false);
    Reschedule();
  } catch (...) {
    // A firing reports nothing; the alarms after it must still come.
  }
}

void TMainForm::Timer2Timer() { FPlayer->Play(); }

void TMainForm::TimeChanged() { Reschedule(); }

void TMainForm::Resumed() {
  // The alarm armed for a moment slept through goes off now, late, once.
  if (Timer1.Enabled() && FArmed.Due >= 0 && FArmed.Due <= LocalSeconds(sys::LocalNow()))
    Timer1Timer();
  else
    Reschedule();
}

void TMainForm::SessionEnding() { SaveQuietly(); }

void TMainForm::SaveQuietly() {
  try {
    FStore.SaveAlarms();
  } catch (...) {
    // Nobody is left to answer a question now.
  }
}
