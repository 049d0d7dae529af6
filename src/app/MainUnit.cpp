#include "app/MainUnit.h"

#include <algorithm>

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
// Due now: the window timer's shortest wait.
constexpr uint32_t kAtOnce = 1;
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
  AddEntryAction6->OnUpdate = [this] { AddEntryAction6Update(); };
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
  SmoothListBox3->OnDblClick = [this] { EditEntryAction7->Execute(); };

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
  TellStoreNotice();
  RefreshAlarmList();
}

void TMainForm::FormClose(TCloseAction&) {
  // The list lives only in memory until now; a failed save must not lose it
  // without the user knowing.
  for (;;) {
    try {
      FStore.SaveAlarms();
      // The unreadable file may have been moved aside only now.
      TellStoreNotice();
      return;
    } catch (const std::exception& error) {
      std::wstring text = sys::Utf8ToWide(error.what()) +
                          L"\n\nChoose Retry to try again, or Cancel to close without saving the alarms.";
      if (MessageDlg(text, mtError, mbRetryCancel) != mrRetry) return;
    }
  }
}

void TMainForm::TellStoreNotice() {
  if (std::wstring notice = FStore.TakeNotice(); !notice.empty()) MessageDlg(notice, mtWarning, mbOK);
}

void TMainForm::HideOnMinimize() { HideWindow(); }

void TMainForm::Tollivane1Click() {
  RestoreWindow();
  // An alarm's window comes forward too, and the main window (or the dialog
  // up over it) is the one to type into.
  if (ShowAlarmForm && ShowAlarmForm->Visible()) ShowAlarmForm->BringToFront();
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
  // The entry itself, not its place: the list may change while the editor is
  // up. An entry gone meanwhile gets the edit as a new one.
  const TXmlNode* entry = FStore.Entry(index);
  if (!EditCurrentAlarm()) return;
  if (!FStore.EditAlarm(entry, CurrentAlarm)) FStore.AddAlarm(CurrentAlarm);
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
    MessageDlg(L"The file is not a valid XML file.", mtCustom, mbOK);
    return;
  }
  if (MessageDlg(L"Do you want to import XML file? This will clear current list.", mtConfirmation, mbYesNo) != mrYes)
    return;
  // An alarm of the old list that came due while the question was answered
  // rings first: the new list's entries count from now on.
  RingWhatIsDue();
  FStore.ImportAlarms(OpenDialog1.FileName);
  FScheduler.Forget();
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

// The list commands wait while a dialog is up: they would come through the
// notification area, edit CurrentAlarm under the editor's feet, or delete
// the entry an edit is to be written into.
void TMainForm::AddEntryAction6Update() { AddEntryAction6->SetEnabled(!Application.ModalActive()); }
void TMainForm::EditEntryAction7Update() {
  EditEntryAction7->SetEnabled(!Application.ModalActive() && SelectedAlarmIndex() >= 0);
}
void TMainForm::DuplicateEntryAction1Update() {
  DuplicateEntryAction1->SetEnabled(!Application.ModalActive() && SelectedAlarmIndex() >= 0);
}
void TMainForm::DeleteEntryAction1Update() {
  DeleteEntryAction1->SetEnabled(!Application.ModalActive() && SelectedAlarmIndex() >= 0);
}

void TMainForm::RefreshAlarmList() {
  if (XMLData().Root()) {
    SmoothListBox3->BeginUpdate();
    SmoothListBox3->Clear();
    for (int32_t i = 0, count = FStore.AlarmCount(); i < count; ++i) {
      TAlarmSummary alarm = ReadAlarmSummary(*FStore.Entry(i));
      TSmoothListItem item;
      item.Caption = std::move(alarm.Time);
      item.Info = std::move(alarm.Note);
      item.Notes = L"<font color=\"clred\">" + alarm.Days + L"</font>";
      item.GraphicLeftMargin = 15;
      item.Checked = alarm.Checked;
      SmoothListBox3->SetItem(SmoothListBox3->AddItem(), std::move(item));
    }
    SmoothListBox3->EndUpdate();
  }
  ScheduleNextAlarm();
}

void TMainForm::ScheduleNextAlarm() {
  const TAlarmScheduler::TPass pass = FScheduler.Pass(XMLData(), sys::ReadClock());
  Arm(pass);
  TellBadTimes(pass);
}

void TMainForm::Arm(const TAlarmScheduler::TPass& pass) {
  Timer1.SetEnabled(false);
  FNextDue = -1;
  if (pass.NextPass < 0) return;
  if (!pass.Due.empty()) {
    NextAlarmIndex = pass.Due.front().Index;
    FNextDue = pass.Now.Local;
  } else {
    NextAlarmIndex = pass.NextIndex;
    FNextDue = pass.NextDue;
  }
  Timer1.SetInterval(static_cast<uint32_t>(std::max<int64_t>(pass.NextPass - pass.Now.Utc, kAtOnce)));
  Timer1.SetEnabled(true);
}

void TMainForm::TellBadTimes(const TAlarmScheduler::TPass& pass) {
  // After the timer is armed: the other alarms come while a box waits.
  for (const std::string& message : pass.BadTimes) MessageDlg(sys::Utf8ToWide(message), mtError, mbOK);
}

int TMainForm::SelectedAlarmIndex() const { return SmoothListBox3->ItemIndex(); }

void TMainForm::SmoothListBox3ItemCheckClick(TSmoothListBox*, int itemindex, bool checked) {
  FStore.SwitchAlarm(itemindex, checked);
  // Without a pass an alarm ticked on would not be armed, and one ticked off
  // would still go off.
  ScheduleNextAlarm();
}

void TMainForm::Timer1Timer() { RingWhatIsDue(); }

void TMainForm::RingWhatIsDue() {
  Timer1.SetEnabled(false);
  // Early (a step of a long wait, a clock put back) the pass finds nothing
  // due and arms the timer again.
  const TAlarmScheduler::TPass pass = FScheduler.Pass(XMLData(), sys::ReadClock());
  // Every alarm due is taken, and the timer armed for what comes next,
  // before any rings: nothing one does (a standby that sleeps, a box of the
  // shell, a sound on an unreachable share) holds back another.
  struct TTaken {
    TAlarm Alarm;
    int64_t Late;
    bool Skipped;  // its power action, slept through
  };
  std::vector<TTaken> taken;
  for (const TAlarmScheduler::TDue& due : pass.Due)
    if (const auto ring = FScheduler.TakeDue(due.Entry, pass)) {
      TAlarm alarm = ReadAlarmFromEntry(*due.Entry);
      const bool skipped = SkipsLateAction(ActionKind(alarm.Action), ring->Late);
      taken.push_back({std::move(alarm), ring->Late, skipped});
    }
  Arm(FScheduler.Again(pass));
  // A firing reports nothing; the alarms after it must still come.
  const auto quietly = [](const std::function<void()>& step) {
    try {
      step();
    } catch (...) {
    }
  };
  // The actions start once every alarm of the moment has rung, so that a
  // standby sleeps after all of them; all run in the background.
  for (const TTaken& t : taken)
    quietly([&] { Ring(t.Alarm, t.Skipped ? SkippedActionText(t.Alarm.Action, t.Late) : L""); });
  for (const TTaken& t : taken)
    if (!t.Skipped) quietly([&] { RunAction(t.Alarm); });
  TellBadTimes(pass);
}

void TMainForm::Ring(const TAlarm& alarm, const std::wstring& skipped) {
  // The window tells of a power action not run even for an alarm that
  // shows none.
  if (alarm.ShowMessage || !skipped.empty()) ShowAlarmForm->ShowAlarm(alarm.Time, alarm.Note, skipped);
  if (alarm.Sound != kNoSound) PlaySound(alarm);
  if (OnAlarm) OnAlarm(alarm);
}

void TMainForm::PlaySound(const TAlarm& alarm) {
  // Opened in the background, as the file may take its time (a share that
  // does not answer); a sound that cannot be played gives way to the
  // engine's own tone: an alarm must not pass unheard.
  const uint64_t request = ++FSoundRequest;
  auto sound = std::make_shared<TOpenedSound>();
  Application.RunInBackground(
      [sound, path = ResolveSoundPath(alarm.Sound, FFolder)] {
        *sound = TSoundPlayer::OpenSound(path);
        if (!*sound) *sound = TSoundPlayer::OpenAlarmToneSound();
      },
      [this, sound, request, loop = alarm.Loop] {
        // A later alarm's sound is the one to hear.
        if (request != FSoundRequest) return;
        uint32_t filesize = 0;
        double duration = 0;
        if (!FPlayer->UseSound(std::move(*sound), filesize, duration)) return;
        FPlayer->Play();
        if (loop) {
          Timer2.SetEnabled(false);
          Timer2.SetInterval(LoopInterval(duration));
          Timer2.SetEnabled(true);
        }
      });
}

void TMainForm::RunAction(const TAlarm& alarm) {
  switch (ActionKind(alarm.Action)) {
    case akNothing:
      break;
    case akShutdown:
      // A forced shutdown ends the program without closing its window.
      SaveQuietly();
      Application.RunInBackground([] { sys::ShutdownSystem(12); });
      break;
    case akRestart:
      SaveQuietly();
      Application.RunInBackground([] { sys::ShutdownSystem(6); });
      break;
    case akStandby:
      // Returns when the computer wakes: what came due meanwhile rings then.
      Application.RunInBackground([] { sys::SuspendSystem(false, false, false); }, [this] { ScheduleNextAlarm(); });
      break;
    case akOpen:
      Application.RunInBackground([file = alarm.Action] { sys::OpenFileInFolder(file); });
      break;
  }
}

void TMainForm::Timer2Timer() { FPlayer->Play(); }

void TMainForm::TimeChanged() { ScheduleNextAlarm(); }

// What came due during the sleep goes off now, once.
void TMainForm::Resumed() { ScheduleNextAlarm(); }

void TMainForm::SessionEnding() { SaveQuietly(); }

void TMainForm::SaveQuietly() {
  try {
    FStore.SaveAlarms();
  } catch (...) {
    // Nobody is left to answer a question now.
  }
}
