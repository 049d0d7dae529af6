#include "audio/win32/WaveOutDevice.h"

#include <cmath>

namespace audio {

TWaveOutDevice::~TWaveOutDevice() { Close(); }

bool TWaveOutDevice::Open(uint32_t rate) {
  Close();
  FRate = rate;
  FBlockFrames = rate * kBufferMs / 1000;
  FDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  FInterrupt = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // Opened now, so that Audio_Init fails when there is no device.
  if (FDone == nullptr || FInterrupt == nullptr || !OpenWave()) {
    Close();
    return false;
  }
  for (size_t i = 0; i < kBuffers; ++i) FBuffers[i].assign(FBlockFrames * 2, 0);
  FFlowing = false;
  return true;
}

bool TWaveOutDevice::OpenWave() {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = FRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = FRate * 4;
  if (waveOutOpen(&FWave, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(FDone), 0, CALLBACK_EVENT) !=
      MMSYSERR_NOERROR) {
    FWave = nullptr;
    return false;
  }
  for (size_t i = 0; i < kBuffers; ++i) {
    FBuffers[i].resize(FBlockFrames * 2);
    FHeaders[i] = WAVEHDR{};
    FHeaders[i].lpData = reinterpret_cast<LPSTR>(FBuffers[i].data());
    FHeaders[i].dwBufferLength = static_cast<DWORD>(FBlockFrames * 4);
    waveOutPrepareHeader(FWave, &FHeaders[i], sizeof(WAVEHDR));
    FQueued[i] = false;
  }
  FNext = 0;
  return true;
}

void TWaveOutDevice::CloseWave() {
  if (FWave == nullptr) return;
  // waveOutReset returns every queued buffer, marked done, at once.
  waveOutReset(FWave);
  for (auto& header : FHeaders) waveOutUnprepareHeader(FWave, &header, sizeof(WAVEHDR));
  waveOutClose(FWave);
  FWave = nullptr;
  FQueued.fill(false);
}

void TWaveOutDevice::Close() {
  CloseWave();
  if (FDone != nullptr) CloseHandle(FDone);
  if (FInterrupt != nullptr) CloseHandle(FInterrupt);
  FDone = FInterrupt = nullptr;
}

bool TWaveOutDevice::IsFree(size_t index) const {
  // WHDR_DONE is set by the driver's thread when it hands the buffer back.
  const volatile DWORD* flags = &FHeaders[index].dwFlags;
  return !FQueued[index] || (*flags & WHDR_DONE) != 0;
}

bool TWaveOutDevice::WaitForRoom() {
  const HANDLE handles[2] = {FInterrupt, FDone};
  while (!IsFree(FNext)) {
    // The event is auto-reset and signalled once per returned buffer, so a
    // wait may follow a return that was already seen: the flags decide.
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0) return false;
  }
  return WaitForSingleObject(FInterrupt, 0) != WAIT_OBJECT_0;
}

void TWaveOutDevice::Suspend() {
  for (size_t i = 0; i < kBuffers; ++i)
    if (!IsFree(i)) return;  // still playing: closing now would cut it off
  // Wine's winealsa keeps a thread waking every 10 ms for as long as a
  // waveOut is open, paused or not: 2-3 % of a core for a sleeping program.
  CloseWave();
}

void TWaveOutDevice::Write(const float* frames, size_t count) {
  // A device that went away while closed is tried again with the next block.
  if (FWave == nullptr && !OpenWave()) return;
  bool allPlayed = true;
  for (size_t i = 0; i < kBuffers; ++i) allPlayed = allPlayed && IsFree(i);
  if (FFlowing && allPlayed) ++FUnderruns;
  FFlowing = true;
  WAVEHDR& header = FHeaders[FNext];
  int16_t* out = FBuffers[FNext].data();
  for (size_t i = 0; i < count * 2; ++i) out[i] = static_cast<int16_t>(std::lrint(frames[i] * 32767.0f));
  header.dwBufferLength = static_cast<DWORD>(count * 4);
  header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
  FQueued[FNext] = true;
  waveOutWrite(FWave, &header, sizeof(WAVEHDR));
  FNext = (FNext + 1) % kBuffers;
}

void TWaveOutDevice::Interrupt() {
  if (FInterrupt != nullptr) SetEvent(FInterrupt);
}

}  // namespace audio
