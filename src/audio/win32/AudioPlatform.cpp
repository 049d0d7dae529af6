// Windows: waveOut for output, Media Foundation for what the engine does not
// decode itself.
#include "audio/AudioPlatform.h"

// clang-format off
// windows.h first: the others build on it.
#include <windows.h>
#include <io.h>
#include <objbase.h>
#include <stdio.h>
// clang-format on

#include <mutex>

#include "audio/BufferedDevice.h"
#include "audio/win32/MediaFoundationDecoder.h"
#include "audio/win32/WaveOutBackEnd.h"

namespace audio {

FILE* OpenFileRead(const std::wstring& path) {
  // _wfopen opens no folder; share mode as fopen's: others may read and write.
  return _wfopen(path.c_str(), L"rb");
}

bool SeekFile(FILE* file, uint64_t offset) { return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0; }

uint64_t FileSizeOf(FILE* file) {
  LARGE_INTEGER size{};
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return GetFileSizeEx(handle, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

std::shared_ptr<TOutputDevice> CreateDefaultDevice() {
  return std::make_shared<TBufferedDevice>(std::make_unique<TWaveOutBackEnd>());
}

namespace platform {

namespace {

thread_local bool tMixerCom = false;

}  // namespace

// Media Foundation starts with the first file the engine does not decode
// itself: loading and starting it takes some 10 ms of a cold start under
// Wine, and most alarms never need it.
struct TSystemDecoders {
  std::mutex Lock;
  bool Allowed = false;
  bool Tried = false;
  bool Started = false;
};

TSystemDecoders& SystemDecoders() {
  static TSystemDecoders decoders;
  return decoders;
}

void Startup(bool systemDecoders) {
  TSystemDecoders& decoders = SystemDecoders();
  std::lock_guard lock(decoders.Lock);
  // Without Media Foundation WAV and Ogg still play.
  decoders.Allowed = systemDecoders;
}

void Shutdown() {
  TSystemDecoders& decoders = SystemDecoders();
  std::lock_guard lock(decoders.Lock);
  if (decoders.Started) TMediaFoundationDecoder::Shutdown();
  decoders.Allowed = decoders.Tried = decoders.Started = false;
}

void EnterMixerThread() {
  // The mixer thread decodes through Media Foundation: it joins the MTA, and
  // keeps it alive for readers made on other threads. A late block is heard
  // as a gap, so it runs above the GUI.
  tMixerCom = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
}

void LeaveMixerThread() {
  if (tMixerCom) CoUninitialize();
}

std::unique_ptr<TDecoder> OpenSystemDecoder(const std::wstring& path, uint64_t fileSize) {
  TSystemDecoders& decoders = SystemDecoders();
  {
    std::lock_guard lock(decoders.Lock);
    if (decoders.Allowed && !decoders.Tried) {
      // Once an engine life: a system without it stays without.
      decoders.Tried = true;
      decoders.Started = TMediaFoundationDecoder::Startup();
    }
    if (!decoders.Started) return nullptr;
  }
  return TMediaFoundationDecoder::Open(path, fileSize);
}

}  // namespace platform

}  // namespace audio
