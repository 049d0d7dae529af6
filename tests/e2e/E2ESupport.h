#pragma once
// Driving the real Tollivane.exe from another process: a folder of its own,
// its processes, its windows, and what it played. Plain functions and
// classes, no test framework, so that benchmarks use them too.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace e2e {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Polls until the condition holds or the time is up; the program runs in
// another process, so there is nothing to wait on directly.
template <class Condition>
bool WaitFor(Condition condition, int milliseconds = 15000, int pollMilliseconds = 50) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(pollMilliseconds));
  }
  return condition();
}

// A window's caption as the system keeps it, without asking the window.
inline std::wstring Caption(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// A control's text, asked of the control itself (an edit box of another
// process keeps its text to itself).
inline std::wstring WindowText(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000,
                      &copied);
  text.resize(wcslen(text.c_str()));
  return text;
}

inline std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

inline DWORD WindowProcess(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// Top-level windows of the process (any process when pid is 0), shown or
// not, that pass the filter.
template <class Filter>
std::vector<HWND> TopWindows(DWORD pid, Filter filter) {
  std::vector<HWND> all;
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  std::vector<HWND> found;
  for (HWND hwnd : all)
    if ((pid == 0 || WindowProcess(hwnd) == pid) && filter(hwnd)) found.push_back(hwnd);
  return found;
}

// The process's top-level windows with this caption.
inline std::vector<HWND> CaptionedWindows(DWORD pid, std::wstring_view caption) {
  return TopWindows(pid, [&](HWND hwnd) { return Caption(hwnd) == caption; });
}

// The process's main windows, captioned "Tollivane".
inline std::vector<HWND> MainWindows(DWORD pid) {
  return TopWindows(pid, [](HWND hwnd) {
    // The program's hidden helper window shares the title; it is a tool window.
    const bool tool = GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW;
    return Caption(hwnd) == L"Tollivane" && !tool && GetWindow(hwnd, GW_OWNER) == nullptr;
  });
}

// The first visible window of the list, or null.
inline HWND FirstVisible(const std::vector<HWND>& windows) {
  for (HWND hwnd : windows)
    if (IsWindowVisible(hwnd)) return hwnd;
  return nullptr;
}

// Every window inside parent, at any depth, in the order the system keeps
// them: for controls made one after the other, the order they were made in.
inline std::vector<HWND> Descendants(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

inline std::vector<HWND> DescendantsOfClass(HWND parent, std::wstring_view className) {
  std::vector<HWND> found;
  for (HWND child : Descendants(parent))
    if (_wcsicmp(ClassName(child).c_str(), std::wstring(className).c_str()) == 0) found.push_back(child);
  return found;
}

inline HWND DescendantWithId(HWND parent, int id) {
  for (HWND child : Descendants(parent))
    if (GetDlgCtrlID(child) == id) return child;
  return nullptr;
}

// A folder of its own under the temporary folder, holding a copy of the
// program; the processes started from it. Ends what is still running and
// removes the folder when destroyed.
class TProgramFolder {
 public:
  TProgramFolder(const fs::path& exe, std::string_view prefix) {
    static int counter = 0;
    FFolder = fs::temp_directory_path() / (std::string(prefix) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                                           std::to_string(GetTickCount64()) + "-" + std::to_string(++counter));
    fs::create_directories(FFolder);
    fs::copy_file(exe, FFolder / "Tollivane.exe");
  }
  ~TProgramFolder() {
    for (PROCESS_INFORMATION& p : FProcesses) {
      if (WaitForSingleObject(p.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(p.hProcess, 1);
      WaitForSingleObject(p.hProcess, 5000);
      CloseHandle(p.hProcess);
      CloseHandle(p.hThread);
    }
    std::error_code ignored;
    fs::remove_all(FFolder, ignored);
  }
  TProgramFolder(const TProgramFolder&) = delete;
  TProgramFolder& operator=(const TProgramFolder&) = delete;

  const fs::path& Folder() const { return FFolder; }
  PROCESS_INFORMATION& Process(size_t index) { return FProcesses.at(index); }

  // Starts the program in its folder, with this process's environment
  // (under Wine, its Linux side too: ALSA_CONFIG_PATH). Null when it did not
  // start.
  PROCESS_INFORMATION* Start() {
    std::wstring command = L"\"" + (FFolder / "Tollivane.exe").wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, FFolder.c_str(), &startup,
                        &process))
      return nullptr;
    FProcesses.push_back(process);
    return &FProcesses.back();
  }

  // Starts the program and waits for its visible main window; null when none
  // came.
  HWND StartMain() {
    PROCESS_INFORMATION* process = Start();
    if (!process) return nullptr;
    const DWORD pid = process->dwProcessId;
    HWND window = nullptr;
    WaitFor([&] { return (window = FirstVisible(MainWindows(pid))) != nullptr; });
    return window;
  }

 private:
  fs::path FFolder;
  // A deque: what Start returned stays where it is.
  std::deque<PROCESS_INFORMATION> FProcesses;
};

// One alarm of data.xml; the text fields are UTF-8 as the file holds them.
struct TAlarmFields {
  std::string Time{};
  std::string Days = "All days";
  std::string Note{};
  std::string Sound = "(None)";
  std::string Action{};  // none: "(None)" would go to the shell like any other text
  bool ShowMessage = true;
  bool Loop = false;
  bool Checked = true;
};

// data.xml in the readable layout the program writes, every field present.
inline std::string AlarmList(const std::vector<TAlarmFields>& alarms) {
  const auto flag = [](bool value) { return value ? "true" : "false"; };
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root>\r\n";
  for (const TAlarmFields& a : alarms) {
    const std::pair<const char*, std::string> fields[] = {{"Time", a.Time},
                                                          {"Days", a.Days},
                                                          {"Note", a.Note},
                                                          {"ShowMessage", flag(a.ShowMessage)},
                                                          {"Sound", a.Sound},
                                                          {"TurnOnVolum", "false"},
                                                          {"SoundVolum", "100"},
                                                          {"Loop", flag(a.Loop)},
                                                          {"Snooze", "false"},
                                                          {"WakeUp", "false"},
                                                          {"TurnOnMoniter", "false"},
                                                          {"Action", a.Action},
                                                          {"Checked", flag(a.Checked)}};
    xml += "\t<Entry>\r\n";
    for (const auto& [name, value] : fields) xml += std::string("\t\t<") + name + ">" + value + "</" + name + ">\r\n";
    xml += "\t</Entry>\r\n";
  }
  return xml + "</Root>\r\n";
}

// The start of a minute of local time still to come, and how the program's
// Time field names it.
struct TDueMinute {
  std::wstring Time;  // HH:MM
  std::chrono::steady_clock::time_point Start;
};

// The next minute that begins at least lead from now: the program needs
// that long to start and arm its timer. Local time as Wine gives it to the
// program (GetLocalTime), measured on this process's steady clock.
inline TDueMinute NextMinute(std::chrono::milliseconds lead) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const auto steady = std::chrono::steady_clock::now();
  int64_t toGo = (60 - now.wSecond) * 1000 - now.wMilliseconds;
  while (toGo < lead.count()) toGo += 60000;
  FILETIME stamp{};
  SystemTimeToFileTime(&now, &stamp);
  ULARGE_INTEGER ticks{};
  ticks.LowPart = stamp.dwLowDateTime;
  ticks.HighPart = stamp.dwHighDateTime;
  ticks.QuadPart += static_cast<uint64_t>(toGo) * 10000;  // 100 ns units
  stamp.dwLowDateTime = ticks.LowPart;
  stamp.dwHighDateTime = ticks.HighPart;
  SYSTEMTIME due{};
  FileTimeToSystemTime(&stamp, &due);
  wchar_t time[8] = {};
  swprintf(time, 8, L"%02u:%02u", due.wHour, due.wMinute);
  return {time, steady + std::chrono::milliseconds(toGo)};
}

inline std::string Narrow(std::wstring_view ascii) { return std::string(ascii.begin(), ascii.end()); }

// What a capture has heard so far.
struct TSoundLevel {
  // Starts of sound: a loud block after at least kQuietGap of quiet, or the
  // first loud block of a capture file.
  int Onsets = 0;
  // Loud blocks in all.
  int64_t LoudBlocks = 0;
  // A capture file in a form this reader does not know.
  bool Unreadable = false;
};

// What the program played, as Wine's waveOut handed it to ALSA: an ALSA
// configuration (given through ALSA_CONFIG_PATH, see tests/e2e) whose default
// device writes into WAV files over the null device. Every time the program
// opens the device (it closes it while quiet), ALSA starts a new file beside
// the others ("capture.wav", "capture.wav.0001", ...) rather than emptying
// the first, so nothing played is lost. Read incrementally: each Level reads
// only what was added.
class TSoundCapture {
 public:
  // Blocks of 10 ms; louder than -40 dBFS is sound.
  static constexpr int kBlocksPerSecond = 100;
  static constexpr double kLoud = 0.01;
  static constexpr int kQuietGap = 50;  // blocks: half a second

  // file: the name the configuration gives; what earlier runs left there is
  // removed.
  explicit TSoundCapture(const fs::path& file) : FFolder(file.parent_path()), FName(file.filename().wstring()) {
    fs::create_directories(FFolder);
    for (const fs::path& path : Files()) fs::remove(path);
  }

  TSoundLevel Level() {
    for (const fs::path& path : Files()) Read(path, FFiles[path.filename().wstring()]);
    TSoundLevel level;
    for (const auto& [name, file] : FFiles) {
      level.Onsets += file.Onsets;
      level.LoudBlocks += file.LoudBlocks;
      level.Unreadable = level.Unreadable || file.Unreadable;
    }
    return level;
  }

 private:
  struct TFile {
    uint64_t DataStart = 0;  // 0 until the header was read
    uint64_t Consumed = 0;   // bytes of data read, whole blocks
    int Channels = 0, BytesPerSample = 0, BlockFrames = 0;
    bool Float = false;
    bool Unreadable = false;
    bool HeardSound = false;
    int QuietBlocks = 0;
    int Onsets = 0;
    int64_t LoudBlocks = 0;
  };

  static uint32_t Le(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
  }

  // The header's chunks up to "data"; the data's size is not read: ALSA
  // writes it only when it closes the file.
  static void ReadHeader(const std::string& bytes, TFile& file) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
      const uint32_t size = Le(bytes, at + 4, 4);
      if (bytes.compare(at, 4, "data") == 0) {
        file.DataStart = at + 8;
        return;
      }
      if (bytes.compare(at, 4, "fmt ") == 0 && at + 8 + 16 <= bytes.size()) {
        uint32_t tag = Le(bytes, at + 8, 2);
        if (tag == 0xFFFE && size >= 26 && at + 8 + 26 <= bytes.size()) tag = Le(bytes, at + 8 + 24, 2);
        file.Channels = static_cast<int>(Le(bytes, at + 10, 2));
        file.BlockFrames = static_cast<int>(Le(bytes, at + 12, 4)) / kBlocksPerSecond;
        const uint32_t bits = Le(bytes, at + 22, 2);
        file.BytesPerSample = static_cast<int>(bits / 8);
        file.Float = tag == 3;
        file.Unreadable =
            !((tag == 1 && bits == 16) || (tag == 3 && bits == 32)) || file.Channels < 1 || file.BlockFrames < 1;
      }
      at += 8 + size + (size & 1);
    }
  }

  double Sample(const char* at, const TFile& file) const {
    if (file.Float) {
      float value = 0;
      std::memcpy(&value, at, sizeof value);
      return std::fabs(value);
    }
    int16_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return std::fabs(value / 32768.0);
  }

  void Read(const fs::path& path, TFile& file) {
    if (file.Unreadable) return;
    std::ifstream in(path, std::ios::binary);
    if (file.DataStart == 0) {
      ReadHeader(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), file);
      if (file.DataStart == 0 || file.Unreadable) return;
      in.clear();
    }
    in.seekg(static_cast<std::streamoff>(file.DataStart + file.Consumed));
    const std::string data(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>{});
    const size_t blockBytes = static_cast<size_t>(file.BlockFrames) * file.Channels * file.BytesPerSample;
    for (size_t at = 0; at + blockBytes <= data.size(); at += blockBytes) {
      double peak = 0;
      for (size_t s = 0; s < blockBytes; s += file.BytesPerSample)
        peak = std::max(peak, Sample(data.data() + at + s, file));
      if (peak > kLoud) {
        if (!file.HeardSound || file.QuietBlocks >= kQuietGap) ++file.Onsets;
        file.HeardSound = true;
        file.QuietBlocks = 0;
        ++file.LoudBlocks;
      } else {
        ++file.QuietBlocks;
      }
      file.Consumed += blockBytes;
    }
  }

  std::vector<fs::path> Files() const {
    std::vector<fs::path> files;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(FFolder, error))
      if (entry.path().filename().wstring().starts_with(FName)) files.push_back(entry.path());
    return files;
  }

  fs::path FFolder;
  std::wstring FName;
  std::map<std::wstring, TFile> FFiles;
};

}  // namespace e2e
