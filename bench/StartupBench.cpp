// Start-up of the real program with 0, 1,000 and 100,000 alarms in data.xml,
// two ways:
//  - in process: from the entry point's first step to a painted main window
//    with its alarm timer armed (what the program itself costs), each count
//    in a fresh process so that its first round is a cold start;
//  - from outside: CreateProcess of Tollivane.exe until its main window is
//    visible, which adds the system's (under Wine: Wine's) process start.
//   startup_bench TOLLIVANE.EXE [counts...]

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "AlarmDocumentGenerator.h"
#include "app/MainUnit.h"
#include "app/Program.h"

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

namespace {

double Milliseconds(TClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

fs::path MakeFolder(size_t count) {
  fs::path folder = fs::temp_directory_path() / ("tollivane-startup-" + std::to_string(count));
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::ofstream(folder / "data.xml", std::ios::binary) << AlarmDocumentText(MakeBenchAlarms(count));
  return folder;
}

// What wWinMain does, timed, then the window painted at once.
double InProcess(const fs::path& folder) {
  const auto start = TClock::now();
  double ms = 0;
  {
    Application.Reset();
    Application.SetTitle(L"Tollivane");
    TProgramForms forms((folder / "").wstring());
    MainForm->Show();
    // What is still to paint, painted now, as the message loop would: the
    // whole window on Windows, what showing it left under Wine (which paints
    // most of a window as it shows it).
    RedrawWindow(static_cast<HWND>(MainForm->Handle()), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ms = Milliseconds(TClock::now() - start);
    if (!MainForm->Timer1.Enabled()) std::printf("  (timer not armed)\n");
  }
  // Let the closed windows' messages drain before the next round.
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  return ms;
}

HWND VisibleMainWindow(DWORD pid) {
  struct TFind {
    DWORD Pid;
    HWND Found;
  } find{pid, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* f = reinterpret_cast<TFind*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t title[32] = {};
        GetWindowTextW(hwnd, title, 32);
        if (owner == f->Pid && IsWindowVisible(hwnd) && std::wstring(title) == L"Tollivane") {
          f->Found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&find));
  return find.Found;
}

double FromOutside(const fs::path& exe, const fs::path& folder) {
  fs::copy_file(exe, folder / "Tollivane.exe", fs::copy_options::overwrite_existing);
  std::wstring command = L"\"" + (folder / "Tollivane.exe").wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const auto start = TClock::now();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process))
    return -1;
  HWND window = nullptr;
  while (!(window = VisibleMainWindow(process.dwProcessId)) && TClock::now() - start < std::chrono::seconds(120))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const double ms = Milliseconds(TClock::now() - start);
  if (window) PostMessageW(window, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, 120000);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return window ? ms : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: startup_bench TOLLIVANE.EXE [counts...]\n");
    return 2;
  }
  const fs::path exe = argv[1];
  std::vector<size_t> counts;
  for (int i = 2; i < argc; ++i) counts.push_back(static_cast<size_t>(_wtoi(argv[i])));
  if (counts.size() > 1 || counts.empty()) {
    // One count a process: run this program again for each.
    if (counts.empty()) counts = {0, 1000, 100000};
    std::printf("%10s %16s %18s %26s\n", "alarms", "first (ms)", "later (median ms)", "from CreateProcess (ms)");
    std::fflush(stdout);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    for (size_t count : counts) {
      std::wstring command = L"\"" + std::wstring(self) + L"\" \"" + exe.wstring() + L"\" " + std::to_wstring(count);
      STARTUPINFOW startup{};
      startup.cb = sizeof(startup);
      PROCESS_INFORMATION process{};
      if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 1;
      WaitForSingleObject(process.hProcess, INFINITE);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
    return 0;
  }

  for (size_t count : counts) {
    const fs::path folder = MakeFolder(count);
    const int rounds = count >= 100000 ? 3 : 7;
    std::vector<double> inside, outside;
    for (int i = 0; i < rounds; ++i) inside.push_back(InProcess(folder));
    for (int i = 0; i < 3; ++i) outside.push_back(FromOutside(exe, folder));
    // The first round of the process also starts the audio engine and
    // loads the system's libraries, as a real start does.
    const double first = inside.front();
    inside.erase(inside.begin());
    std::printf("%10zu %16.1f %18.1f %26.1f\n", count, first, Median(inside), Median(outside));
    fs::remove_all(folder);
  }
  return 0;
}
