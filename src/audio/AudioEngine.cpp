#include "audio/AudioEngine.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/AlarmTone.h"
#include "audio/AudioDevice.h"
#include "audio/AudioPlatform.h"
#include "audio/AudioTesting.h"
#include "audio/Decoder.h"
#include "audio/Resampler.h"
#include "audio/Spectrum.h"
#include "system/CodePage.h"

namespace audio {

namespace {

// An idle mixer lets the device rest after this long, once what it was given
// has played (waveOut's 40 ms of buffers).
constexpr std::chrono::milliseconds kSuspendAfter{100};

// One open stream. Its decoder and resampler are the mixer's, which reads
// without a lock: a read may take seconds (a share, a stalled decoder), and
// no Audio_* call waits for one. The rest is guarded by Lock, held only for
// moments.
struct TStream {
  // Fixed once made.
  uint32_t Rate = 0;
  uint32_t DeviceRate = 0;
  uint32_t BytesPerFrame = 0;
  uint64_t LengthFrames = 0;
  uint64_t FileSize = 0;

  // Closed with the last reference to the stream.
  std::unique_ptr<TDecoder> Decoder;
  TResampler Resampler;

  std::mutex Lock;
  uint32_t State = AUDIO_ACTIVE_STOPPED;
  bool Ended = false;  // played to its end; play starts it over
  bool Freed = false;
  bool Stalled = false;  // testing::SetStalled
  // As if every seek asked for were made already.
  uint64_t Position = 0;
  // The seek, a file's I/O, is the mixer's, made before its next read.
  // Requests counts them, so that a block read across one is not heard.
  bool SeekPending = false;
  uint64_t SeekFrame = 0;
  uint64_t Requests = 0;
  // The last kFftSize frames it played, mixed to mono, for the spectrum.
  std::array<float, kFftSize> Recent{};
  size_t RecentPos = 0;

  bool IsPlaying() const { return State == AUDIO_ACTIVE_PLAYING || State == AUDIO_ACTIVE_STALLED; }
  void RequestSeek(uint64_t frame) {
    SeekPending = true;
    SeekFrame = frame;
    ++Requests;
    Position = frame;
    Ended = false;
  }
};

class TEngine {
 public:
  // Held across Audio_Init and Audio_Free, so that they never overlap.
  std::mutex LifeLock;

  // The lock of the stream table and of everything below; never held while
  // a stream's lock is taken, nor while anything decodes.
  std::mutex TableLock;
  std::condition_variable Wake;
  bool Initialised = false;
  bool Quit = false;
  // Bumped by every play, so that an idle mixer misses none.
  uint64_t PlayGeneration = 0;
  uint32_t DeviceRate = 0;
  uint32_t NextHandle = 1;
  std::map<uint32_t, std::shared_ptr<TStream>> Streams;
  std::shared_ptr<TOutputDevice> Device;
  std::shared_ptr<TOutputDevice> TestDevice;
  std::thread Mixer;

  std::atomic<uint32_t> ReportedVersion{0};
  std::atomic<bool> MediaFoundationMissing{false};

  std::shared_ptr<TStream> Find(uint32_t handle) {
    std::lock_guard lock(TableLock);
    const auto it = Streams.find(handle);
    return it == Streams.end() ? nullptr : it->second;
  }

  void WakeMixer() {
    {
      std::lock_guard lock(TableLock);
      ++PlayGeneration;
    }
    Wake.notify_all();
  }

  void MixerMain(const std::shared_ptr<TOutputDevice>& device);
  bool Free();

  // A program that never calls Audio_Free still stops the mixer on its way
  // out: a running std::thread at exit would terminate it.
  ~TEngine() { Free(); }
};

TEngine& Engine() {
  static TEngine engine;
  return engine;
}

// Adds what the stream plays next into mix; false when it is not playing.
bool MixStream(TStream& s, float* mix, float* part, size_t frames) {
  uint64_t requests;
  bool seek;
  uint64_t seekFrame;
  bool stalled;
  {
    std::lock_guard lock(s.Lock);
    if (s.Freed || !s.IsPlaying()) return false;
    requests = s.Requests;
    seek = s.SeekPending;
    seekFrame = s.SeekFrame;
    stalled = s.Stalled;
  }
  size_t got = 0;
  TResampler::TStatus status = TResampler::rsFailed;
  bool sought = false;
  try {
    if (seek && s.Decoder->Seek(seekFrame)) {
      s.Resampler.Reset(s.Rate, s.DeviceRate, seekFrame);
      sought = true;
    }
    // A seek that failed is tried again with the next block, as a read.
    if ((!seek || sought) && !stalled) got = s.Resampler.Render(*s.Decoder, part, frames, status);
  } catch (...) {
    // A decoder out of memory, say: its stream ends, the mixer goes on.
    got = 0;
    status = TResampler::rsEnd;
  }

  std::lock_guard lock(s.Lock);
  if (s.Freed || s.Requests != requests) return true;  // freed or sought meanwhile: not heard
  if (sought) s.SeekPending = false;
  for (size_t i = 0; i < got; ++i) {
    mix[2 * i] += part[2 * i];
    mix[2 * i + 1] += part[2 * i + 1];
    s.Recent[s.RecentPos] = 0.5f * (part[2 * i] + part[2 * i + 1]);
    s.RecentPos = (s.RecentPos + 1) % kFftSize;
  }
  s.Position = s.Resampler.Position();
  if (status == TResampler::rsEnd) {
    s.Ended = true;
    if (s.IsPlaying()) s.State = AUDIO_ACTIVE_STOPPED;
  } else if (s.IsPlaying()) {
    s.State = status == TResampler::rsFailed ? AUDIO_ACTIVE_STALLED : AUDIO_ACTIVE_PLAYING;
  }
  return true;
}

void TEngine::MixerMain(const std::shared_ptr<TOutputDevice>& device) {
  platform::EnterMixerThread();
  const size_t frames = device->BlockFrames();
  std::vector<float> mix(frames * 2);
  std::vector<float> part(frames * 2);
  std::vector<std::shared_ptr<TStream>> streams;
  while (device->WaitForRoom()) {
    uint64_t generation;
    {
      std::lock_guard lock(TableLock);
      if (Quit) break;
      generation = PlayGeneration;
      for (const auto& entry : Streams) streams.push_back(entry.second);
    }
    std::fill(mix.begin(), mix.end(), 0.0f);
    bool playing = false;
    for (const auto& stream : streams) playing |= MixStream(*stream, mix.data(), part.data(), frames);
    streams.clear();
    if (!playing && !device->FeedsSilence()) {
      // Nothing to play: sleep until a play, rather than feed silence.
      device->Idle();
      std::unique_lock lock(TableLock);
      const auto woken = [&] { return Quit || PlayGeneration != generation; };
      if (!Wake.wait_for(lock, kSuspendAfter, woken)) {
        lock.unlock();
        device->Suspend();
        lock.lock();
        Wake.wait(lock, woken);
      }
      if (Quit) break;
      continue;
    }
    for (float& sample : mix) sample = sample > 1.0f ? 1.0f : sample < -1.0f ? -1.0f : sample;
    device->Write(mix.data(), frames);
  }
  platform::LeaveMixerThread();
}

bool TEngine::Free() {
  std::lock_guard life(LifeLock);
  std::map<uint32_t, std::shared_ptr<TStream>> streams;
  std::shared_ptr<TOutputDevice> device;
  {
    std::lock_guard lock(TableLock);
    if (!Initialised) return false;
    Initialised = false;
    Quit = true;
    streams.swap(Streams);
    device = std::move(Device);
  }
  Wake.notify_all();
  device->Interrupt();
  Mixer.join();
  device->Close();
  // Closed here, with the mixer gone, before the platform shuts down; a
  // caller that still holds a stream never touches its decoder.
  for (auto& entry : streams) entry.second->Decoder.reset();
  streams.clear();
  platform::Shutdown();
  return true;
}

bool IsInitialised() {
  std::lock_guard lock(Engine().TableLock);
  return Engine().Initialised;
}

// A stream over decoder, stopped at its beginning; 0 when there is none or
// the engine is not initialised.
uint32_t AddStream(std::unique_ptr<TDecoder> decoder) {
  TEngine& engine = Engine();
  if (!decoder) return 0;
  auto stream = std::make_shared<TStream>();
  stream->Decoder = std::move(decoder);
  const TSourceFormat format = stream->Decoder->Format();
  stream->Rate = format.Rate;
  stream->BytesPerFrame = format.Channels * 2;
  stream->LengthFrames = stream->Decoder->LengthFrames();
  stream->FileSize = stream->Decoder->FileSize();

  std::lock_guard lock(engine.TableLock);
  if (!engine.Initialised) return 0;
  stream->DeviceRate = engine.DeviceRate;
  stream->Resampler.Reset(stream->Rate, stream->DeviceRate);
  while (engine.NextHandle == 0 || engine.Streams.count(engine.NextHandle) != 0) ++engine.NextHandle;
  const uint32_t handle = engine.NextHandle++;
  engine.Streams.emplace(handle, std::move(stream));
  return handle;
}

uint32_t CreateStream(bool mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags) {
  if (mem || file == nullptr || offset != 0 || length != 0 || !IsInitialised()) return 0;
  const std::wstring path = (flags & AUDIO_UNICODE) != 0
                                ? std::wstring(static_cast<const wchar_t*>(file))
                                : sys::CodePageToWide(sys::AnsiCodePage(), static_cast<const char*>(file));
  return AddStream(OpenDecoder(path));
}

}  // namespace

namespace testing {

void UseDevice(std::shared_ptr<TOutputDevice> device) {
  std::lock_guard lock(Engine().TableLock);
  Engine().TestDevice = std::move(device);
}

uint32_t CreateStream(std::unique_ptr<TDecoder> decoder) { return AddStream(std::move(decoder)); }

void SetReportedVersion(uint32_t version) { Engine().ReportedVersion = version; }

void SetMediaFoundationMissing(bool missing) { Engine().MediaFoundationMissing = missing; }

std::vector<uint32_t> OpenStreams() {
  std::lock_guard lock(Engine().TableLock);
  std::vector<uint32_t> handles;
  for (const auto& entry : Engine().Streams) handles.push_back(entry.first);
  return handles;
}

bool SetStalled(uint32_t handle, bool stalled) {
  const auto s = Engine().Find(handle);
  if (!s) return false;
  std::lock_guard lock(s->Lock);
  if (s->Freed) return false;
  s->Stalled = stalled;
  return true;
}

}  // namespace testing

}  // namespace audio

using audio::Engine;
using audio::TStream;

uint32_t Audio_GetVersion() {
  const uint32_t reported = Engine().ReportedVersion;
  return reported != 0 ? reported : AUDIO_VERSION;
}

bool Audio_Init(int32_t device, uint32_t freq, uint32_t, void*, const void*) {
  auto& engine = Engine();
  std::lock_guard life(engine.LifeLock);
  std::shared_ptr<audio::TOutputDevice> output;
  {
    std::lock_guard lock(engine.TableLock);
    if (engine.Initialised) return false;
    output = std::move(engine.TestDevice);
  }
  if (freq < 8000 || freq > 192000) return false;
  if (!output) {
    if (device == 0)
      output = std::make_shared<audio::TNullDevice>();
    else if (device == -1 || device == 1)
      output = audio::CreateDefaultDevice();
    else
      return false;
  }
  audio::platform::Startup(!engine.MediaFoundationMissing);
  if (!output->Open(freq)) {
    audio::platform::Shutdown();
    return false;
  }
  {
    std::lock_guard lock(engine.TableLock);
    engine.Device = output;
    engine.DeviceRate = freq;
    engine.Quit = false;
    engine.Initialised = true;
  }
  engine.Mixer = std::thread([&engine, output] { engine.MixerMain(output); });
  return true;
}

bool Audio_Free() { return Engine().Free(); }

uint32_t Audio_StreamCreateFile(bool mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags) {
  return audio::CreateStream(mem, file, offset, length, flags);
}

uint32_t Audio_WMA_StreamCreateFile(bool mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags) {
  // The same decoders: the content, not the name, says which one reads it.
  return audio::CreateStream(mem, file, offset, length, flags);
}

uint32_t Audio_StreamCreateAlarmTone() { return audio::AddStream(std::make_unique<audio::TAlarmTone>()); }

bool Audio_ChannelPlay(uint32_t handle, bool restart) {
  const auto s = Engine().Find(handle);
  if (!s) return false;
  {
    std::lock_guard lock(s->Lock);
    if (s->Freed) return false;
    if (restart || s->Ended) s->RequestSeek(0);
    s->State = AUDIO_ACTIVE_PLAYING;
  }
  Engine().WakeMixer();
  return true;
}

bool Audio_ChannelPause(uint32_t handle) {
  const auto s = Engine().Find(handle);
  if (!s) return false;
  std::lock_guard lock(s->Lock);
  if (!s->IsPlaying()) return false;
  s->State = AUDIO_ACTIVE_PAUSED;
  return true;
}

bool Audio_ChannelStop(uint32_t handle) {
  const auto s = Engine().Find(handle);
  if (!s) return false;
  std::lock_guard lock(s->Lock);
  s->State = AUDIO_ACTIVE_STOPPED;
  return true;
}

bool Audio_StreamFree(uint32_t handle) {
  std::shared_ptr<TStream> s;
  {
    auto& engine = Engine();
    std::lock_guard lock(engine.TableLock);
    const auto it = engine.Streams.find(handle);
    if (it == engine.Streams.end()) return false;
    s = std::move(it->second);
    engine.Streams.erase(it);
  }
  // Silent from here on, even should the mixer be reading it now; the file
  // is closed by whoever lets go of the stream last.
  std::lock_guard lock(s->Lock);
  s->Freed = true;
  s->State = AUDIO_ACTIVE_STOPPED;
  return true;
}

uint32_t Audio_ChannelIsActive(uint32_t handle) {
  const auto s = Engine().Find(handle);
  if (!s) return AUDIO_ACTIVE_STOPPED;
  std::lock_guard lock(s->Lock);
  return s->State;
}

uint64_t Audio_ChannelGetLength(uint32_t handle, uint32_t mode) {
  const auto s = Engine().Find(handle);
  if (!s || mode != AUDIO_POS_BYTE) return AUDIO_INVALID;
  return s->LengthFrames * s->BytesPerFrame;
}

uint64_t Audio_ChannelGetPosition(uint32_t handle, uint32_t mode) {
  const auto s = Engine().Find(handle);
  if (!s || mode != AUDIO_POS_BYTE) return AUDIO_INVALID;
  std::lock_guard lock(s->Lock);
  // A decoder may end a little before or after the length its file gave.
  return (s->Ended ? s->LengthFrames : s->Position) * s->BytesPerFrame;
}

bool Audio_ChannelSetPosition(uint32_t handle, uint64_t pos, uint32_t mode) {
  const auto s = Engine().Find(handle);
  if (!s || mode != AUDIO_POS_BYTE) return false;
  const uint64_t frame = pos / s->BytesPerFrame;
  std::lock_guard lock(s->Lock);
  if (s->Freed || frame > s->LengthFrames) return false;
  s->RequestSeek(frame);
  return true;
}

double Audio_ChannelBytes2Seconds(uint32_t handle, uint64_t pos) {
  const auto s = Engine().Find(handle);
  if (!s) return -1.0;
  return static_cast<double>(pos) / (static_cast<double>(s->Rate) * s->BytesPerFrame);
}

uint64_t Audio_StreamGetFilePosition(uint32_t handle, uint32_t mode) {
  const auto s = Engine().Find(handle);
  if (!s || mode != AUDIO_FILEPOS_END) return AUDIO_INVALID;
  return s->FileSize;
}

uint32_t Audio_ChannelGetData(uint32_t handle, void* buffer, uint32_t length) {
  const auto s = Engine().Find(handle);
  if (!s || buffer == nullptr || length != AUDIO_DATA_FFT1024) return 0xFFFFFFFF;
  std::array<float, audio::kFftSize> samples;
  {
    std::lock_guard lock(s->Lock);
    // Oldest first: the ring from its write position round.
    std::rotate_copy(s->Recent.begin(), s->Recent.begin() + static_cast<ptrdiff_t>(s->RecentPos), s->Recent.end(),
                     samples.begin());
  }
  audio::FftMagnitudes(samples.data(), static_cast<float*>(buffer));
  return audio::kFftSize / 2 * sizeof(float);
}
