#include "audio/win32/WaveOutBackEnd.h"

#include <algorithm>

namespace audio {

TWaveOutBackEnd::TWaveOutBackEnd() : FDone(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

TWaveOutBackEnd::~TWaveOutBackEnd() {
  Close();
  if (FDone != nullptr) CloseHandle(FDone);
}

bool TWaveOutBackEnd::Open(uint32_t rate, size_t blockFrames) {
  Close();
  if (FDone == nullptr) return false;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = rate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = rate * 4;
  if (waveOutOpen(&FWave, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(FDone), 0, CALLBACK_EVENT) !=
      MMSYSERR_NOERROR) {
    FWave = nullptr;
    return false;
  }
  FBuffers = std::make_unique<TBuffers>();
  for (size_t i = 0; i < TBufferedDevice::kBuffers; ++i) {
    FBuffers->Samples[i].resize(blockFrames * 2);
    WAVEHDR& header = FBuffers->Headers[i];
    header.lpData = reinterpret_cast<LPSTR>(FBuffers->Samples[i].data());
    header.dwBufferLength = static_cast<DWORD>(blockFrames * 4);
    if (waveOutPrepareHeader(FWave, &header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
      Close();
      return false;
    }
  }
  return true;
}

void TWaveOutBackEnd::Close() {
  if (FWave == nullptr) return;
  // waveOutReset returns every queued buffer, marked done, at once.
  waveOutReset(FWave);
  bool released = true;
  for (auto& header : FBuffers->Headers)
    if ((header.dwFlags & WHDR_PREPARED) != 0)
      released = waveOutUnprepareHeader(FWave, &header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR && released;
  released = waveOutClose(FWave) == MMSYSERR_NOERROR && released;
  FWave = nullptr;
  // A device that went away may not let go of its buffers: they are left to
  // it, never reused, lest it mark them done later.
  if (released)
    FBuffers.reset();
  else
    static_cast<void>(FBuffers.release());
}

bool TWaveOutBackEnd::Write(size_t index, const int16_t* samples, size_t frames) {
  if (FWave == nullptr) return false;
  WAVEHDR& header = FBuffers->Headers[index];
  std::copy_n(samples, frames * 2, FBuffers->Samples[index].data());
  header.dwBufferLength = static_cast<DWORD>(frames * 4);
  header.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
  return waveOutWrite(FWave, &header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
}

bool TWaveOutBackEnd::IsDone(size_t index) const {
  if (FWave == nullptr) return true;
  // WHDR_DONE is set by the driver's thread when it hands the buffer back.
  const volatile DWORD* flags = &FBuffers->Headers[index].dwFlags;
  return (*flags & WHDR_DONE) != 0;
}

void TWaveOutBackEnd::Wait(uint32_t ms) {
  // The event is signalled once per returned buffer, so a wait may follow a
  // return that was already seen: the caller's flags decide.
  WaitForSingleObject(FDone, ms);
}

void TWaveOutBackEnd::Wake() { SetEvent(FDone); }

}  // namespace audio
