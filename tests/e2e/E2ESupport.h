#pragma once
// Driving the real Tollivane.exe from another process: a folder of its own,
// its processes, its windows, and what it played. Plain functions and
// classes, no test framework, so that benchmarks use them too.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
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

// Every window inside parent, at any depth, in z-order of creation.
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

  // Starts the program in its folder. Each "NAME=value" of environment takes
  // the place of that variable of this process's environment. Null when it
  // did not start.
  PROCESS_INFORMATION* Start(const std::vector<std::wstring>& environment = {}) {
    std::wstring command = L"\"" + (FFolder / "Tollivane.exe").wstring() + L"\"";
    std::wstring block = EnvironmentBlock(environment);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, block.data(),
                        FFolder.c_str(), &startup, &process))
      return nullptr;
    FProcesses.push_back(process);
    return &FProcesses.back();
  }

  // Starts the program and waits for its visible main window; null when none
  // came.
  HWND StartMain(const std::vector<std::wstring>& environment = {}) {
    PROCESS_INFORMATION* process = Start(environment);
    if (!process) return nullptr;
    const DWORD pid = process->dwProcessId;
    HWND window = nullptr;
    WaitFor([&] { return (window = FirstVisible(MainWindows(pid))) != nullptr; });
    return window;
  }

 private:
  static std::wstring EnvironmentBlock(const std::vector<std::wstring>& replacements) {
    const auto name = [](std::wstring_view entry) {
      // Entries like "=C:=C:\" name a drive's folder: the name goes to the second "=".
      std::wstring n(entry.substr(0, entry.find(L'=', 1)));
      std::transform(n.begin(), n.end(), n.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
      return n;
    };
    std::map<std::wstring, std::wstring> entries;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) entries[name(entry)] = entry;
    FreeEnvironmentStringsW(strings);
    for (const std::wstring& entry : replacements) entries[name(entry)] = entry;
    std::wstring block;
    for (const auto& [key, entry] : entries) block += entry + L'\0';
    return block + L'\0';
  }

  fs::path FFolder;
  // A deque: what Start returned stays where it is.
  std::deque<PROCESS_INFORMATION> FProcesses;
};

// The Linux path of a file under Wine; empty elsewhere.
inline std::string UnixPath(const fs::path& path) {
  using TWineGetUnixFileName = char*(CDECL*)(const wchar_t*);
  const auto convert = reinterpret_cast<TWineGetUnixFileName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!convert) return {};
  char* unix = convert(path.wstring().c_str());
  if (!unix) return {};
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

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

// What the program plays, as Wine's waveOut hands it to ALSA: an ALSA
// configuration whose default device writes into WAV files over the null
// device. Every time the program opens the device (it closes it while
// quiet), ALSA starts a new file beside the others ("sound.wav",
// "sound.wav.0001", ...) rather than emptying the first, so nothing played
// is lost. Read incrementally: each Level reads only what was added.
class TSoundCapture {
 public:
  // Blocks of 10 ms; louder than -40 dBFS is sound.
  static constexpr int kBlocksPerSecond = 100;
  static constexpr double kLoud = 0.01;
  static constexpr int kQuietGap = 50;  // blocks: half a second

  explicit TSoundCapture(const fs::path& folder) : FFolder(folder / "capture") {
    fs::create_directories(FFolder);
    const std::string file = UnixPath(FFolder / "sound.wav");
    const std::string config = UnixPath(folder / "asound.conf");
    if (file.empty() || config.empty()) return;
    // truncate false: a device opened again goes on in a new numbered file.
    WriteFile(folder / "asound.conf", "pcm.!default {\n  type file\n  slave { pcm { type null } }\n  file \"" + file +
                                          "\"\n  format \"wav\"\n  truncate false\n}\n");
    FEnvironment = L"ALSA_CONFIG_PATH=" + std::wstring(config.begin(), config.end());
  }

  // False where there is no ALSA to give the configuration to (not Wine).
  bool Available() const { return !FEnvironment.empty(); }
  // The environment entry that gives the program the configuration.
  const std::wstring& Environment() const { return FEnvironment; }

  TSoundLevel Level() {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(FFolder, error)) {
      TFile& file = FFiles[entry.path().filename().wstring()];
      Read(entry.path(), file);
    }
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
        file.Unreadable = !((tag == 1 && bits == 16) || (tag == 3 && bits == 32)) || file.Channels < 1 ||
                          file.BlockFrames < 1;
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

  fs::path FFolder;
  std::wstring FEnvironment;
  std::map<std::wstring, TFile> FFiles;
};

}  // namespace e2e
