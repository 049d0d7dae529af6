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

void Startup(bool systemDecoders) {
  // Without Media Foundation WAV and Ogg still play.
  if (systemDecoders) TMediaFoundationDecoder::Startup();
}

void Shutdown() { TMediaFoundationDecoder::Shutdown(); }

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
  return TMediaFoundationDecoder::Open(path, fileSize);
}

}  // namespace platform

}  // namespace audio
