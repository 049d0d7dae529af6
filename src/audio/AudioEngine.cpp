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

// One open stream. Its lock guards every field; the mixer holds it while it
// decodes a block of this stream, and no other lock at the same time.
struct TStream {
  std::mutex Lock;
  std::unique_ptr<TDecoder> Decoder;  // null once freed
  TResampler Resampler;
  uint32_t State = AUDIO_ACTIVE_STOPPED;
  bool Ended = false;  // played to its end; play starts it over
  uint32_t Rate = 0;
  uint32_t DeviceRate = 0;
  uint32_t BytesPerFrame = 0;
  uint64_t LengthFrames = 0;
  uint64_t FileSize = 0;
  // The last kFftSize frames it played, mixed to mono, for the spectrum.
  std::array<float, kFftSize> Recent{};
  size_t RecentPos = 0;

  bool SeekTo(uint64_t frame) {
    if (!Decoder->Seek(frame)) return false;
    Resampler.Reset(Rate, DeviceRate, frame);
    Ended = false;
    return true;
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
  std::lock_guard lock(s.Lock);
  if (!s.Decoder || (s.State != AUDIO_ACTIVE_PLAYING && s.State != AUDIO_ACTIVE_STALLED)) return false;
  TResampler::TStatus status;
  const size_t got = s.Resampler.Render(*s.Decoder, part, frames, status);
  for (size_t i = 0; i < got; ++i) {
    mix[2 * i] += part[2 * i];
    mix[2 * i + 1] += part[2 * i + 1];
    s.Recent[s.RecentPos] = 0.5f * (part[2 * i] + part[2 * i + 1]);
    s.RecentPos = (s.RecentPos + 1) % kFftSize;
  }
  if (status == TResampler::rsEnd) {
    s.State = AUDIO_ACTIVE_STOPPED;
    s.Ended = true;
  } else {
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
  for (auto& entry : streams) {
    std::lock_guard lock(entry.second->Lock);
    entry.second->Decoder.reset();
  }
  streams.clear();
  platform::Shutdown();
  return true;
}

uint32_t CreateStream(bool mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags) {
  TEngine& engine = Engine();
  if (mem || file == nullptr || offset != 0 || length != 0) return 0;
  {
    std::lock_guard lock(engine.TableLock);
    if (!engine.Initialised) return 0;
  }
  const std::wstring path = (flags & AUDIO_UNICODE) != 0
                                ? std::wstring(static_cast<const wchar_t*>(file))
                                : sys::CodePageToWide(sys::AnsiCodePage(), static_cast<const char*>(file));
  auto stream = std::make_shared<TStream>();
  stream->Decoder = OpenDecoder(path);
  if (!stream->Decoder) return 0;
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

}  // namespace

namespace testing {

void UseDevice(std::shared_ptr<TOutputDevice> device) {
  std::lock_guard lock(Engine().TableLock);
  Engine().TestDevice = std::move(device);
}

void SetReportedVersion(uint32_t version) { Engine().ReportedVersion = version; }

std::vector<uint32_t> OpenStreams() {
  std::lock_guard lock(Engine().TableLock);
  std::vector<uint32_t> handles;
  for (const auto& entry : Engine().Streams) handles.push_back(entry.first);
  return handles;
}

namespace {

// Gives no data, as a file that fails to read, until it hands back the
// decoder it stands in for.
class TStalledDecoder : public TDecoder {
 public:
  explicit TStalledDecoder(std::unique_ptr<TDecoder> inner) : FInner(std::move(inner)) {}
  ptrdiff_t Read(float*, size_t) override { return kReadFailed; }
  bool Seek(uint64_t frame) override { return FInner->Seek(frame); }
  std::unique_ptr<TDecoder> Release() { return std::move(FInner); }

 private:
  std::unique_ptr<TDecoder> FInner;
};

}  // namespace

bool SetStalled(uint32_t handle, bool stalled) {
  const auto s = Engine().Find(handle);
  if (!s) return false;
  std::lock_guard lock(s->Lock);
  if (!s->Decoder) return false;
  auto* stand = dynamic_cast<TStalledDecoder*>(s->Decoder.get());
  if (stalled && stand == nullptr) s->Decoder = std::make_unique<TStalledDecoder>(std::move(s->Decoder));
  if (!stalled && stand != nullptr) s->Decoder = stand->Release();
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
  audio::platform::Startup();
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

bool Audio_ChannelPlay(uint32_t handle, bool restart) {
  const auto s = Engine().Find(handle);
  if (!s) return false;
  {
    std::lock_guard lock(s->Lock);
    if (!s->Decoder) return false;
    if ((restart || s->Ended) && !s->SeekTo(0)) return false;
    s->State = AUDIO_ACTIVE_PLAYING;
  }
  Engine().WakeMixer();
  return true;
}

bool Audio_ChannelPause(uint32_t handle) {
  const auto s = Engine().Find(handle);
  if (!s) return false;
  std::lock_guard lock(s->Lock);
  if (s->State != AUDIO_ACTIVE_PLAYING && s->State != AUDIO_ACTIVE_STALLED) return false;
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
  // Under the stream's lock the mixer is not inside it; afterwards it finds
  // no decoder, so nothing more of the stream is heard. The file is closed
  // here, not whenever the mixer lets go of its last reference.
  std::lock_guard lock(s->Lock);
  s->Decoder.reset();
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
  std::lock_guard lock(s->Lock);
  return s->LengthFrames * s->BytesPerFrame;
}

uint64_t Audio_ChannelGetPosition(uint32_t handle, uint32_t mode) {
  const auto s = Engine().Find(handle);
  if (!s || mode != AUDIO_POS_BYTE) return AUDIO_INVALID;
  std::lock_guard lock(s->Lock);
  // A decoder may end a little before or after the length its file gave.
  const uint64_t frame = s->Ended ? s->LengthFrames : s->Resampler.Position();
  return frame * s->BytesPerFrame;
}

bool Audio_ChannelSetPosition(uint32_t handle, uint64_t pos, uint32_t mode) {
  const auto s = Engine().Find(handle);
  if (!s || mode != AUDIO_POS_BYTE) return false;
  std::lock_guard lock(s->Lock);
  const uint64_t frame = pos / s->BytesPerFrame;
  if (!s->Decoder || frame > s->LengthFrames) return false;
  return s->SeekTo(frame);
}

double Audio_ChannelBytes2Seconds(uint32_t handle, uint64_t pos) {
  const auto s = Engine().Find(handle);
  if (!s) return -1.0;
  std::lock_guard lock(s->Lock);
  return static_cast<double>(pos) / (static_cast<double>(s->Rate) * s->BytesPerFrame);
}

uint64_t Audio_StreamGetFilePosition(uint32_t handle, uint32_t mode) {
  const auto s = Engine().Find(handle);
  if (!s || mode != AUDIO_FILEPOS_END) return AUDIO_INVALID;
  std::lock_guard lock(s->Lock);
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
