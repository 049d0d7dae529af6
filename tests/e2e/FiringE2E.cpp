// An alarm of the real program going off at its minute: its window, its
// sound as Wine's waveOut plays it, its action, and the end of its loop when
// the window is closed.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "E2ESupport.h"
#include "alarm/Alarm.h"

namespace {

#ifdef TOLLIVANE_CAPTURE

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A built-in sound without gaps inside, so that each start of sound after
// quiet is a play-through of its own.
constexpr wchar_t kSound[] = L"Electricity";
constexpr auto kSoundLength = 4630ms;
// A comma and a letter outside ASCII: the label shows the note as it is.
constexpr char kNoteUtf8[] = "Tea, Caf\xC3\xA9";
constexpr wchar_t kNote[] = L"Tea, Caf\u00E9";

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

TEST(Firing, ShowsPlaysAndLoopsTheAlarmRunsItsActionAndClosingEndsTheLoop) {
  e2e::TSoundCapture capture(TOLLIVANE_CAPTURE);
  e2e::TProgramFolder program(TOLLIVANE_EXE, "tollivane-firing");
  const fs::path folder = program.Folder();

  fs::create_directories(folder / "Sounds");
  const std::wstring soundFile = std::wstring(kSound) + L".mp3";
  fs::copy_file(fs::path(TOLLIVANE_SOUNDS) / soundFile, folder / "Sounds" / soundFile);
  // The action is a script in a folder of its own (with a blank in its name)
  // that notes the folder it runs in.
  const fs::path actions = folder / "alarm actions";
  const fs::path marker = folder / "marker.txt";
  fs::create_directories(actions);
  e2e::WriteFile(actions / "mark.cmd", "@echo off\r\necho %CD%> \"" + marker.string() + "\"\r\n");

  const e2e::TDueMinute due = e2e::NextMinute(8s);
  e2e::TAlarmFields alarm;
  alarm.Time = e2e::Narrow(due.Time);
  alarm.Note = kNoteUtf8;
  alarm.Sound = e2e::Narrow(kSound);
  alarm.Loop = true;
  alarm.Action = (actions / "mark.cmd").string();
  e2e::WriteFile(folder / "data.xml", e2e::AlarmList({alarm}));

  ASSERT_TRUE(program.StartMain()) << "no main window";
  ASSERT_LT(Clock::now(), due.Start - 1s) << "the program started too late for the minute it was given";
  const DWORD pid = program.Process(0).dwProcessId;
  const auto alarmWindow = [&] { return e2e::FirstVisible(e2e::CaptionedWindows(pid, L"Alarm Clock")); };

  std::this_thread::sleep_until(due.Start - 500ms);
  EXPECT_FALSE(alarmWindow()) << "shown before its minute";
  EXPECT_EQ(capture.Level().Onsets, 0) << "heard before its minute";

  // The window, with the alarm's time and note, in front of everything.
  HWND window = nullptr;
  ASSERT_TRUE(e2e::WaitFor([&] { return (window = alarmWindow()) != nullptr; })) << "no alarm window";
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  std::vector<std::wstring> labels;
  for (HWND label : e2e::DescendantsOfClass(window, L"Static"))
    if (std::wstring text = e2e::WindowText(label); !text.empty()) labels.push_back(text);
  EXPECT_EQ(labels, (std::vector<std::wstring>{due.Time, kNote}));
  HWND ok = nullptr;
  for (HWND button : e2e::DescendantsOfClass(window, L"Button"))
    if (e2e::WindowText(button) == L"OK") ok = button;
  ASSERT_TRUE(ok) << "no OK button";

  // The main window minimized into the notification area and brought back
  // by a double click on the icon: the alarm window stays up all along.
  const HWND main = e2e::FirstVisible(e2e::MainWindows(pid));
  ASSERT_TRUE(main);
  PostMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindowVisible(main); })) << "minimizing hides the main window";
  EXPECT_TRUE(IsWindowVisible(window) && !IsIconic(window)) << "the alarm window went with the main window";
  // The icon's messages go to the program's utility window: the first icon,
  // a double click.
  const HWND utility = FindWindowW(L"Tollivane.Utility", L"Tollivane");
  ASSERT_TRUE(utility);
  PostMessageW(utility, WM_APP + 1, 1, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(e2e::WaitFor([&] { return IsWindowVisible(main); })) << "the icon did not restore the main window";
  EXPECT_TRUE(IsWindowVisible(window));

  // The sound.
  ASSERT_TRUE(e2e::WaitFor([&] { return capture.Level().Onsets >= 1; })) << "nothing heard";
  EXPECT_FALSE(capture.Level().Unreadable);

  // The action, run in its own folder.
  ASSERT_TRUE(e2e::WaitFor([&] { return !Trimmed(e2e::ReadFile(marker)).empty(); })) << "the action did not run";
  const std::string workingFolder = Trimmed(e2e::ReadFile(marker));
  std::error_code error;
  EXPECT_TRUE(fs::equivalent(workingFolder, actions, error)) << workingFolder;

  // The loop: the sound starts again one interval after it started.
  const auto interval = std::chrono::milliseconds(LoopInterval(std::chrono::duration<double>(kSoundLength).count()));
  ASSERT_TRUE(e2e::WaitFor([&] { return capture.Level().Onsets >= 2; }, static_cast<int>(interval.count()) + 10000))
      << "the sound did not start again";
  const auto secondStart = Clock::now();
  const e2e::TSoundLevel looping = capture.Level();
  EXPECT_EQ(looping.Onsets, 2);

  // Closing the window ends the loop; the play-through under way ends by
  // itself.
  PostMessageW(ok, BM_CLICK, 0, 0);
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindowVisible(window); }, 5000)) << "the window stayed";
  std::this_thread::sleep_until(secondStart + kSoundLength + 1500ms);
  const e2e::TSoundLevel played = capture.Level();
  // A third play-through would have started by now.
  std::this_thread::sleep_until(secondStart + interval + 2500ms);
  const e2e::TSoundLevel after = capture.Level();
  EXPECT_EQ(after.Onsets, 2) << "the loop went on after the window was closed";
  EXPECT_EQ(after.LoudBlocks, played.LoudBlocks) << "sound after the last play-through";
  // Both play-throughs whole, but for the quiet ends of the sound.
  const int64_t playThroughBlocks = (kSoundLength - 500ms).count() * e2e::TSoundCapture::kBlocksPerSecond / 1000;
  EXPECT_GE(played.LoudBlocks, 2 * playThroughBlocks) << "a play-through was cut short";
}

// Run by its own test entry, with Media Foundation's DLL kept from loading
// in this process and in the program it starts (Wine's WINEDLLOVERRIDES).
TEST(Firing, WithoutMediaFoundationTheProgramStartsAndTheAlarmSoundsItsTone) {
  if (std::getenv("TOLLIVANE_NO_MEDIA_FOUNDATION") == nullptr)
    GTEST_SKIP() << "run with Media Foundation kept away (see CMakeLists.txt)";
  ASSERT_EQ(LoadLibraryW(L"mfplat.dll"), nullptr) << "Media Foundation is there after all";
  e2e::TSoundCapture capture(TOLLIVANE_CAPTURE);
  e2e::TProgramFolder program(TOLLIVANE_EXE, "tollivane-no-mf");
  fs::create_directories(program.Folder() / "Sounds");
  // An MP3, which nothing else decodes.
  const std::wstring soundFile = std::wstring(kSound) + L".mp3";
  fs::copy_file(fs::path(TOLLIVANE_SOUNDS) / soundFile, program.Folder() / "Sounds" / soundFile);
  const e2e::TDueMinute due = e2e::NextMinute(8s);
  e2e::TAlarmFields alarm;
  alarm.Time = e2e::Narrow(due.Time);
  alarm.Sound = e2e::Narrow(kSound);
  e2e::WriteFile(program.Folder() / "data.xml", e2e::AlarmList({alarm}));

  ASSERT_TRUE(program.StartMain()) << "no main window";
  const DWORD pid = program.Process(0).dwProcessId;
  std::this_thread::sleep_until(due.Start);
  EXPECT_TRUE(e2e::WaitFor([&] { return e2e::FirstVisible(e2e::CaptionedWindows(pid, L"Alarm Clock")) != nullptr; }))
      << "no alarm window";
  EXPECT_TRUE(e2e::WaitFor([&] { return capture.Level().Onsets >= 1; })) << "nothing heard";
  EXPECT_FALSE(capture.Level().Unreadable);
}

#else

TEST(Firing, ShowsPlaysAndLoopsTheAlarmRunsItsActionAndClosingEndsTheLoop) {
  GTEST_SKIP() << "hears the program through Wine's ALSA only";
}

#endif

}  // namespace
