#include "widgets/Dialogs.h"

#include "widgets/Backend.h"
#include "widgets/Form.h"

int MessageDlg(const std::wstring& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  TApplication::TModalBox modal;
  return backend::MessageBox(text, Application.Title(), type, buttons);
}

bool TOpenDialog::Execute() {
  TApplication::TModalBox modal;
  return backend::ExecuteFileDialog(*this, false);
}

bool TSaveDialog::Execute() {
  TApplication::TModalBox modal;
  return backend::ExecuteFileDialog(*this, true);
}
