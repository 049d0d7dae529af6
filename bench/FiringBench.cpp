// How soon an alarm of the real program is seen and heard after its minute
// begins. One run of Tollivane.exe with COUNT alarms at consecutive minutes
// (one alarm a minute: each comes from a timer armed after the one before);
// for each, from the start of its minute until
//  - the alarm window is visible (polled every 10 ms), and
//  - the first loud samples (above -40 dBFS, 10 ms blocks) reach ALSA, as
//    Wine's waveOut writes them through the capture configuration of
//    scripts/bench.sh into CAPTURE (the sound's own lead-in, some 40 ms,
//    included).
// Each window is closed (its OK button) once both were seen.
//   firing_bench TOLLIVANE.EXE CAPTURE [COUNT=10]

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "E2ESupport.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

namespace {

constexpr wchar_t kSound[] = L"SleighBells";

struct TFiring {
  std::optional<double> Window, Sound;  // ms after the minute began
};

e2e::TDueMinute MinutesAfter(const e2e::TDueMinute& minute, int minutes) {
  const int at = (std::stoi(minute.Time.substr(0, 2)) * 60 + std::stoi(minute.Time.substr(3, 2)) + minutes) % 1440;
  wchar_t time[8] = {};
  swprintf(time, 8, L"%02d:%02d", at / 60, at % 60);
  return {time, minute.Start + std::chrono::minutes(minutes)};
}

double Milliseconds(TClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The targets: a median and (0: none) a worst, in ms.
void PrintSummary(const char* what, std::vector<double> values, double median, double worst) {
  if (values.empty()) return;
  std::sort(values.begin(), values.end());
  const bool met = values[values.size() / 2] <= median && (worst == 0 || values.back() <= worst);
  std::printf("%-7s min %6.0f  median %6.0f  max %6.0f ms; target median <= %.0f", what, values.front(),
              values[values.size() / 2], values.back(), median);
  if (worst != 0) std::printf(", worst <= %.0f", worst);
  std::printf(": %s\n", met ? "met" : "MISSED");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: firing_bench TOLLIVANE.EXE CAPTURE [COUNT]\n");
    return 2;
  }
  const int count = argc > 3 ? std::max(1, _wtoi(argv[3])) : 10;
  e2e::TSoundCapture capture(argv[2]);
  e2e::TProgramFolder program(argv[1], "tollivane-firing-bench");
  const fs::path folder = program.Folder();
  fs::create_directories(folder / "Sounds");
  const std::wstring soundFile = std::wstring(kSound) + L".mp3";
  fs::copy_file(fs::path(TOLLIVANE_SOUNDS) / soundFile, folder / "Sounds" / soundFile);

  // Alarms at the next COUNT minutes; the first with time to start.
  const e2e::TDueMinute first = e2e::NextMinute(10s);
  std::vector<e2e::TDueMinute> due;
  std::vector<e2e::TAlarmFields> alarms;
  for (int i = 0; i < count; ++i) {
    due.push_back(MinutesAfter(first, i));
    e2e::TAlarmFields alarm;
    alarm.Time = e2e::Narrow(due.back().Time);
    alarm.Note = "Alarm " + std::to_string(i + 1);
    alarm.Sound = e2e::Narrow(kSound);
    alarms.push_back(alarm);
  }
  e2e::WriteFile(folder / "data.xml", e2e::AlarmList(alarms));

  if (!program.StartMain()) {
    std::fprintf(stderr, "no main window\n");
    return 1;
  }
  const DWORD pid = program.Process(0).dwProcessId;
  std::printf("%d alarms at %ls and the minutes after; window and sound in ms after the minute began\n", count,
              due.front().Time.c_str());
  std::printf("alarm  due    window   sound\n");
  std::fflush(stdout);

  std::vector<double> windows, sounds;
  for (int i = 0; i < count; ++i) {
    std::this_thread::sleep_until(due[i].Start - 2s);
    const int64_t heardBefore = capture.Level().LoudBlocks;
    TFiring firing;
    HWND window = nullptr;
    while (TClock::now() < due[i].Start + 20s && !(firing.Window && firing.Sound)) {
      const auto now = TClock::now();
      if (!firing.Window && (window = e2e::FirstVisible(e2e::CaptionedWindows(pid, L"Alarm Clock"))))
        firing.Window = Milliseconds(now - due[i].Start);
      if (!firing.Sound && capture.Level().LoudBlocks > heardBefore) firing.Sound = Milliseconds(now - due[i].Start);
      std::this_thread::sleep_for(10ms);
    }
    const auto show = [](const std::optional<double>& ms) { return ms ? std::to_string(std::lround(*ms)) : "-"; };
    std::printf("%5d  %ls  %6s  %6s\n", i + 1, due[i].Time.c_str(), show(firing.Window).c_str(),
                show(firing.Sound).c_str());
    std::fflush(stdout);
    if (firing.Window) windows.push_back(*firing.Window);
    if (firing.Sound) sounds.push_back(*firing.Sound);
    if (window) {
      for (HWND button : e2e::DescendantsOfClass(window, L"Button"))
        if (e2e::WindowText(button) == L"OK") PostMessageW(button, BM_CLICK, 0, 0);
      e2e::WaitFor([&] { return !IsWindowVisible(window); }, 5000);
    }
  }
  PrintSummary("window", windows, 100, 250);
  PrintSummary("sound", sounds, 150, 0);
  return windows.size() == static_cast<size_t>(count) && sounds.size() == static_cast<size_t>(count) ? 0 : 1;
}
