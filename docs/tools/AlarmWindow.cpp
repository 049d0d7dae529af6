// A helper for docs/screenshots.sh: the alarm window as the program shows it,
// with the texts of the command line (time, note, and the line that tells
// of an action not carried out). Not part of the program.

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <string>

#include "ui/ShowAlarmUnit.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  const auto arg = [&](int i) { return std::wstring(i < count ? args[i] : L""); };
  Application.SetTitle(L"Tollivane");
  // The first form without an owner: closing it ends the helper.
  TShowAlarmForm window;
  window.ShowAlarm(arg(1), arg(2), arg(3));
  Application.Run();
  return 0;
}
