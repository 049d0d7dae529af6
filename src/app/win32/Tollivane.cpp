// The program's entry point.

#include <windows.h>

#include "app/MainUnit.h"
#include "app/Program.h"
#include "system/ProgramFolder.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  Application.SetTitle(L"Tollivane");
  // Two instances would each write data.xml at exit, and one would lose the
  // other's changes.
  if (Application.ActivateRunningInstance()) return 0;
  TProgramForms forms(sys::ProgramFolder());
  MainForm->Show();
  Application.Run();
  return 0;
}
