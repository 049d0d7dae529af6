// The audio engine on the platform's own output device (waveOut on Windows,
// the null device elsewhere): how soon a play reaches the device, the CPU
// that playing a file costs, and the memory a long file takes while it plays.
//
//   audio_bench [--null] LONG_FILE [SHORT_FILE]
//
// --null plays on the null device, which keeps time and discards the sound,
// in place of the platform's own.
//
// LONG_FILE should run several minutes (scripts/bench.sh makes a 10-minute
// one); SHORT_FILE, played and freed before the memory baseline is taken,
// loads the decoder's libraries (Media Foundation's on Windows) first.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/AudioEngine.h"
#include "audio/AudioTesting.h"
#include "audio/BufferedDevice.h"
#include "audio/Decoder.h"
#include "system/Unicode.h"

#ifdef _WIN32
// clang-format off
// windows.h first: the others build on it.
#include <windows.h>
#include <psapi.h>
// clang-format on
#else
#include <ctime>
#endif

namespace {

using TClock = std::chrono::steady_clock;

// Process CPU seconds, all threads (under Wine: the unix process's, so
// GStreamer's threads count too; the wineserver's do not).
double CpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto value = [](const FILETIME& t) {
    return static_cast<double>(static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
  };
  return value(kernel) + value(user);
#else
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
#endif
}

// Resident bytes: the working set on Windows (Wine 8 leaves the private
// bytes of PROCESS_MEMORY_COUNTERS_EX at 0), VmRSS elsewhere.
double MemoryMiB() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
#else
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
#endif
}

// Passes every block on to the real device, and notes when the first block
// that is not silence arrives after Arm.
class TTimingDevice : public audio::TOutputDevice {
 public:
  explicit TTimingDevice(std::shared_ptr<audio::TOutputDevice> inner) : FInner(std::move(inner)) {}
  bool Open(uint32_t rate) override { return FInner->Open(rate); }
  void Close() override { FInner->Close(); }
  size_t BlockFrames() const override { return FInner->BlockFrames(); }
  bool WaitForRoom() override { return FInner->WaitForRoom(); }
  void Interrupt() override { FInner->Interrupt(); }
  void Idle() override { FInner->Idle(); }
  void Suspend() override { FInner->Suspend(); }
  bool FeedsSilence() const override { return FInner->FeedsSilence(); }
  // The time once the device has taken the block (a waveOut let go of while
  // idle opens again in there).
  void Write(const float* frames, size_t count) override {
    const bool sound = std::any_of(frames, frames + 2 * count, [](float s) { return s != 0.0f; });
    FInner->Write(frames, count);
    std::lock_guard lock(FLock);
    if (FArmed && sound) {
      FArmed = false;
      FHeard = TClock::now();
      FWake.notify_all();
    }
  }
  void Arm() {
    std::lock_guard lock(FLock);
    FArmed = true;
  }
  TClock::time_point WaitHeard() {
    std::unique_lock lock(FLock);
    FWake.wait(lock, [this] { return !FArmed; });
    return FHeard;
  }

 private:
  std::shared_ptr<audio::TOutputDevice> FInner;
  std::mutex FLock;
  std::condition_variable FWake;
  bool FArmed = false;
  TClock::time_point FHeard;
};

double Ms(TClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

uint32_t Open(const std::wstring& path) { return Audio_StreamCreateFile(false, path.c_str(), 0, 0, AUDIO_UNICODE); }

void SleepFor(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

}  // namespace

int main(int argc, char** argv) {
  const bool null = argc > 1 && std::strcmp(argv[1], "--null") == 0;
  if (null) --argc, ++argv;
  if (argc < 2) {
    std::fprintf(stderr, "usage: audio_bench [--null] LONG_FILE [SHORT_FILE]\n");
    return 2;
  }
  const std::wstring longFile = sys::Utf8ToWide(argv[1]);
  const std::wstring shortFile = sys::Utf8ToWide(argc > 2 ? argv[2] : argv[1]);
  const double coldMiB = MemoryMiB();

  const std::shared_ptr<audio::TOutputDevice> device =
      null ? std::make_shared<audio::TNullDevice>() : audio::CreateDefaultDevice();
  auto timing = std::make_shared<TTimingDevice>(device);
  audio::testing::UseDevice(timing);
  if (!Audio_Init(-1, 44100, 0, nullptr, nullptr)) {
    std::fprintf(stderr, "the output device did not open\n");
    return 1;
  }
  std::printf("engine %x, device block %zu frames\n", Audio_GetVersion(), timing->BlockFrames());

  // (a) From Audio_ChannelPlay to the first block of sound handed to the
  // device: a play just after the open; restarts after a short stop, the
  // mixer asleep; restarts after a long one, the device let go as well.
  const uint32_t warm = Open(shortFile);
  if (warm == 0) {
    std::fprintf(stderr, "cannot open the short file\n");
    return 1;
  }
  const auto playToDevice = [&] {
    timing->Arm();
    const auto start = TClock::now();
    Audio_ChannelPlay(warm, true);
    return Ms(timing->WaitHeard() - start);
  };
  const double first = playToDevice();
  for (const double pause : {0.05, 0.5}) {
    std::vector<double> latencies;
    for (int run = 0; run < 11; ++run) {
      SleepFor(0.1);
      Audio_ChannelStop(warm);
      SleepFor(pause);
      latencies.push_back(playToDevice());
    }
    std::sort(latencies.begin(), latencies.end());
    std::printf("play to device after a stop of %.2f s: median %.2f ms, worst %.2f ms (target <= 30 ms)\n", pause,
                latencies[latencies.size() / 2], latencies.back());
  }
  std::printf("play to device just after the open: %.2f ms\n", first);
  Audio_StreamFree(warm);

  // (b) CPU: idle engine, then one long file playing.
  SleepFor(0.5);
  auto cpuStart = CpuSeconds();
  auto wallStart = TClock::now();
  SleepFor(2);
  const double idleCpu = (CpuSeconds() - cpuStart) / std::chrono::duration<double>(TClock::now() - wallStart).count();
  const double idleMiB = MemoryMiB();

  // (c) Memory while the long file plays: at its start and near its end.
  const uint32_t stream = Open(longFile);
  if (stream == 0) {
    std::fprintf(stderr, "cannot open the long file\n");
    return 1;
  }
  SleepFor(0.5);
  cpuStart = CpuSeconds();
  wallStart = TClock::now();
  SleepFor(3);
  const double openCpu = (CpuSeconds() - cpuStart) / std::chrono::duration<double>(TClock::now() - wallStart).count();
  const uint64_t length = Audio_ChannelGetLength(stream, AUDIO_POS_BYTE);
  const double seconds = Audio_ChannelBytes2Seconds(stream, length);
  Audio_ChannelPlay(stream, true);
  SleepFor(1);
  cpuStart = CpuSeconds();
  wallStart = TClock::now();
  SleepFor(5);
  const double playCpu = (CpuSeconds() - cpuStart) / std::chrono::duration<double>(TClock::now() - wallStart).count();
  const double startMiB = MemoryMiB();
  const uint64_t nearEnd = length - static_cast<uint64_t>(static_cast<double>(length) * 8 / seconds);
  Audio_ChannelSetPosition(stream, nearEnd, AUDIO_POS_BYTE);
  SleepFor(3);
  const double endMiB = MemoryMiB();
  const bool playing = Audio_ChannelIsActive(stream) == AUDIO_ACTIVE_PLAYING;
  if (const auto* buffered = dynamic_cast<const audio::TBufferedDevice*>(device.get()))
    std::printf("waveOut: %zu buffers of %u ms, %llu ran dry\n", audio::TBufferedDevice::kBuffers,
                audio::TBufferedDevice::kBufferMs, static_cast<unsigned long long>(buffered->Underruns()));
  // Decoding alone, as fast as it goes: its share of the CPU while playing.
  double decodeCpu = 0;
  double decodedSeconds = 0;
  if (const auto decoder = audio::OpenDecoder(longFile)) {
    std::vector<float> block(2 * 4096);
    uint64_t frames = 0;
    cpuStart = CpuSeconds();
    for (ptrdiff_t got; (got = decoder->Read(block.data(), 4096)) > 0;) frames += static_cast<uint64_t>(got);
    decodeCpu = CpuSeconds() - cpuStart;
    decodedSeconds = static_cast<double>(frames) / decoder->Format().Rate;
  }
  Audio_Free();

  std::printf("decoding alone: %.0f s of sound in %.2f CPU s, %.2f %% of one core in real time\n", decodedSeconds,
              decodeCpu, decodedSeconds > 0 ? 100 * decodeCpu / decodedSeconds : 0.0);
  std::printf(
      "CPU of one core: idle engine %.2f %%, a file open and stopped %.2f %%, playing %.2f %% (target <= 2 %%)\n",
      100 * idleCpu, 100 * openCpu, 100 * playCpu);
  std::printf("memory (MiB): before the engine %.1f, idle engine with decoders loaded %.1f\n", coldMiB, idleMiB);
  std::printf("  playing a %.0f s file: %.1f at its start (+%.2f), %.1f near its end (+%.2f) (target < 8 above idle)\n",
              seconds, startMiB, startMiB - idleMiB, endMiB, endMiB - idleMiB);
  if (!playing) std::printf("  (the file was no longer playing near its end)\n");
  return 0;
}
