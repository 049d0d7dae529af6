#include "widgets/Form.h"

#include <algorithm>

#include "system/Unicode.h"
#include "widgets/Action.h"
#include "widgets/Backend.h"
#include "widgets/Dialogs.h"
#include "widgets/Menu.h"
#include "widgets/StdControls.h"

TApplication Application;

TForm::TForm(TForm* owner) : TControl(ckForm, nullptr), FOwner(owner) {
  SetVisible(false);
  Application.AddForm(this);
  if (!owner && !Application.MainForm()) Application.SetMainForm(this);
}

TForm::~TForm() {
  Application.RemoveForm(this);
  if (Application.MainForm() == this) Application.SetMainForm(nullptr);
}

void TForm::SetClientSize(int width, int height) { SetBounds(Left(), Top(), width, height); }

void TForm::SetStayOnTop(bool onTop) {
  FStayOnTop = onTop;
  Changed(chState);
}

void TForm::SetMenu(TMainMenu* menu) {
  FMenu = menu;
  Changed(chState);
}

void TForm::Loaded() {
  backend::CreateForm(*this);
  if (OnCreate) Guarded(OnCreate);
}

void TForm::Show() {
  FMinimized = false;
  SetVisible(true);
  backend::ShowForm(*this);
  if (OnShow) Guarded(OnShow);
}

void TForm::Hide() {
  SetVisible(false);
  backend::HideForm(*this);
}

int TForm::ShowModal() {
  // Shown again from inside its own loop (a command that came through the
  // notification area), it would end both loops with one result.
  if (FModal) return mrCancel;
  FModal = true;
  FModalResult = mrNone;
  FMinimized = false;
  Application.FModals.push_back(this);
  SetVisible(true);
  if (OnShow) Guarded(OnShow);
  if (FModalResult == mrNone) backend::RunModal(*this);
  std::erase(Application.FModals, this);
  FModal = false;
  SetVisible(false);
  backend::HideForm(*this);
  return FModalResult;
}

void TForm::SetModalResult(int result) { FModalResult = result; }

void TForm::Close() {
  if (FClosing) return;
  // Exit while a dialog is up: the dialog goes first, as if cancelled, so
  // that nothing it would still do comes after the closing save.
  if (Application.MainForm() == this) Application.EndModals();
  TCloseAction action = caHide;
  FClosing = true;
  if (OnClose) Guarded([&] { OnClose(action); });
  FClosing = false;
  if (action == caNone) return;
  if (FModal) {
    if (FModalResult == mrNone) FModalResult = mrCancel;
  } else if (Application.MainForm() == this) {
    Hide();
    Application.Terminate();
  } else {
    Hide();
  }
}

void TForm::RestoreWindow() {
  FMinimized = false;
  SetVisible(true);
  backend::RestoreForm(*this);
}

void TForm::BringToFront() {
  TForm* modal = Application.ActiveModal();
  backend::BringToFront(modal && modal != this && !Independent() ? *modal : *this);
}

bool TForm::Independent() const { return !FOwner && Application.MainForm() != this; }

void TForm::DoMinimize() {
  FMinimized = true;
  if (Application.MainForm() == this && Application.OnMinimize) Guarded(Application.OnMinimize);
}

void TForm::DoResize(int clientWidth, int clientHeight) { SetClientSize(clientWidth, clientHeight); }

namespace {
TBitBtn* FindButton(TControl& control, bool cancel) {
  for (TControl* child : control.Controls()) {
    if (child->Kind() == ckButton) {
      auto* button = static_cast<TBitBtn*>(child);
      if (cancel ? button->Cancel() : button->Default()) return button;
    }
    if (TBitBtn* found = FindButton(*child, cancel)) return found;
  }
  return nullptr;
}
}  // namespace

void TForm::DoEnterKey() {
  if (TBitBtn* button = DefaultButton()) button->DoClick();
}

TBitBtn* TForm::DefaultButton() { return FindButton(*this, false); }

void TForm::DoEscapeKey() {
  if (TBitBtn* button = FindButton(*this, true)) button->DoClick();
}

void TApplication::Run() {
  if (!FTerminated) backend::RunMessageLoop();
}

void TApplication::Terminate() {
  FTerminated = true;
  backend::Terminate();
}

void TApplication::DoIdle() {
  // A handler may add or remove lists; walk a copy.
  std::vector<TActionList*> lists = FActionLists;
  for (TActionList* list : lists) list->UpdateActions();
}

void TApplication::ShowException(const std::exception& error) {
  // Messages are UTF-8.
  MessageDlg(sys::Utf8ToWide(error.what()), mtError, mbOK);
}

TApplication::TModalBox::TModalBox() { ++Application.FModalBoxes; }
TApplication::TModalBox::~TModalBox() { --Application.FModalBoxes; }

void TApplication::EndModals() {
  for (TForm* form : FModals) {
    if (form->ModalResult() == mrNone) form->SetModalResult(mrCancel);
    backend::HideForm(*form);
  }
  backend::EndModalBoxes();
}

void TApplication::DoTimeChange() {
  if (OnTimeChange) Guarded(OnTimeChange);
}

void TApplication::DoResume() {
  if (OnResume) Guarded(OnResume);
}

void TApplication::DoEndSession() {
  if (OnEndSession) Guarded(OnEndSession);
}

void TApplication::RunInBackground(std::function<void()> work, std::function<void()> done) {
  std::function<void()> guarded;
  if (done) guarded = [done = std::move(done)] { Guarded(done); };
  backend::RunInBackground(std::move(work), std::move(guarded));
}

bool TApplication::ActivateRunningInstance() { return backend::ActivateRunningInstance(FTitle); }

void TApplication::AddActionList(TActionList* list) { FActionLists.push_back(list); }
void TApplication::RemoveActionList(TActionList* list) { std::erase(FActionLists, list); }
void TApplication::AddForm(TForm* form) { FForms.push_back(form); }
void TApplication::RemoveForm(TForm* form) { std::erase(FForms, form); }

void TApplication::Reset() {
  FTitle.clear();
  FTerminated = false;
  OnMinimize = nullptr;
  OnTimeChange = nullptr;
  OnResume = nullptr;
  OnEndSession = nullptr;
  FModals.clear();
  FModalBoxes = 0;
}
