#include "widgets/Dialogs.h"

#include "widgets/Backend.h"
#include "widgets/Form.h"

int MessageDlg(const std::wstring& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  return backend::MessageBox(text, Application.Title(), type, buttons);
}

bool TOpenDialog::Execute() { return backend::ExecuteFileDialog(*this, false); }
bool TSaveDialog::Execute() { return backend::ExecuteFileDialog(*this, true); }
