#include "audio/win32/MediaFoundationDecoder.h"

// clang-format off
// windows.h first: the others build on it.
#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>
// clang-format on

#include <algorithm>
#include <cstring>

namespace audio {

namespace {

constexpr DWORD kAudioStream = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
constexpr uint64_t kHnsPerSecond = 10'000'000;  // Media Foundation time: 100 ns

// Media Foundation's entry points, loaded at run time: the exe imports
// none of its DLLs, so that it starts on a Windows edition without them.
struct TMediaFoundationApi {
  decltype(&::MFStartup) Startup = nullptr;
  decltype(&::MFShutdown) Shutdown = nullptr;
  decltype(&::MFCreateMediaType) CreateMediaType = nullptr;
  decltype(&::MFCreateSourceReaderFromURL) CreateSourceReaderFromURL = nullptr;
};

template <class T>
bool Find(HMODULE library, const char* name, T& function) {
  function = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return function != nullptr;
}

// Null when the DLLs or their entry points are missing. Loaded once and
// never freed: Media Foundation's threads may outlive MFShutdown.
const TMediaFoundationApi* LoadApi() {
  static TMediaFoundationApi api;
  static const bool loaded = [] {
    const HMODULE platform = LoadLibraryW(L"mfplat.dll");
    const HMODULE readWrite = LoadLibraryW(L"mfreadwrite.dll");
    return platform != nullptr && readWrite != nullptr && Find(platform, "MFStartup", api.Startup) &&
           Find(platform, "MFShutdown", api.Shutdown) && Find(platform, "MFCreateMediaType", api.CreateMediaType) &&
           Find(readWrite, "MFCreateSourceReaderFromURL", api.CreateSourceReaderFromURL);
  }();
  return loaded ? &api : nullptr;
}

// Set between Startup and Shutdown.
const TMediaFoundationApi* gApi = nullptr;

template <class T>
void Release(T*& p) {
  if (p != nullptr) p->Release();
  p = nullptr;
}

// COM for the calling thread, only for as long as it needs it: a thread that
// has COM already (the GUI thread, in an STA) keeps its own.
class TComScope {
 public:
  TComScope() : FInitialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
  ~TComScope() {
    if (FInitialised) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  bool FInitialised;
};

bool SetOutput(IMFSourceReader* reader, const GUID& subtype, UINT32 bits) {
  IMFMediaType* type = nullptr;
  if (FAILED(gApi->CreateMediaType(&type))) return false;
  bool ok = SUCCEEDED(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio)) &&
            SUCCEEDED(type->SetGUID(MF_MT_SUBTYPE, subtype)) &&
            SUCCEEDED(type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, bits)) &&
            SUCCEEDED(reader->SetCurrentMediaType(kAudioStream, nullptr, type));
  Release(type);
  return ok;
}

}  // namespace

bool TMediaFoundationDecoder::Startup() {
  const TMediaFoundationApi* api = LoadApi();
  if (api == nullptr) return false;
  // MFStartup wants COM on the calling thread only while it runs.
  TComScope com;
  if (FAILED(api->Startup(MF_VERSION, MFSTARTUP_LITE))) return false;
  gApi = api;
  return true;
}

void TMediaFoundationDecoder::Shutdown() {
  if (gApi != nullptr) gApi->Shutdown();
  gApi = nullptr;
}

std::unique_ptr<TMediaFoundationDecoder> TMediaFoundationDecoder::Open(const std::wstring& path, uint64_t fileSize) {
  if (gApi == nullptr) return nullptr;
  TComScope com;
  std::unique_ptr<TMediaFoundationDecoder> decoder(new TMediaFoundationDecoder());
  if (FAILED(gApi->CreateSourceReaderFromURL(path.c_str(), nullptr, &decoder->FReader))) return nullptr;
  IMFSourceReader* reader = decoder->FReader;
  reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
  if (FAILED(reader->SetStreamSelection(kAudioStream, TRUE))) return nullptr;
  if (SetOutput(reader, MFAudioFormat_Float, 32)) {
    decoder->FFloat = true;
  } else if (SetOutput(reader, MFAudioFormat_PCM, 16)) {
    decoder->FFloat = false;
  } else {
    return nullptr;
  }
  IMFMediaType* type = nullptr;
  if (FAILED(reader->GetCurrentMediaType(kAudioStream, &type))) return nullptr;
  const UINT32 channels = MFGetAttributeUINT32(type, MF_MT_AUDIO_NUM_CHANNELS, 0);
  const UINT32 rate = MFGetAttributeUINT32(type, MF_MT_AUDIO_SAMPLES_PER_SECOND, 0);
  Release(type);
  if (channels == 0 || rate == 0) return nullptr;
  decoder->FFormat = {rate, channels};
  decoder->FFileSize = fileSize;

  PROPVARIANT duration;
  PropVariantInit(&duration);
  if (SUCCEEDED(reader->GetPresentationAttribute(static_cast<DWORD>(MF_SOURCE_READER_MEDIASOURCE), MF_PD_DURATION,
                                                 &duration)) &&
      duration.vt == VT_UI8) {
    decoder->FLengthFrames = (duration.uhVal.QuadPart * rate + kHnsPerSecond / 2) / kHnsPerSecond;
  }
  PropVariantClear(&duration);

  // The first sample now: a file the reader opens but cannot decode is
  // refused here, and play starts without waiting for the decoder.
  if (!decoder->ReadSample()) return nullptr;
  return decoder;
}

TMediaFoundationDecoder::~TMediaFoundationDecoder() { Release(FReader); }

bool TMediaFoundationDecoder::ReadSample() {
  FPending.clear();
  FPendingPos = 0;
  while (!FEnd && FPending.empty()) {
    DWORD flags = 0;
    LONGLONG time = 0;
    IMFSample* sample = nullptr;
    // A failure is taken as the end: the reader cannot go on after it.
    if (FAILED(FReader->ReadSample(kAudioStream, 0, nullptr, &flags, &time, &sample)) ||
        (flags & (MF_SOURCE_READERF_ENDOFSTREAM | MF_SOURCE_READERF_ERROR)) != 0) {
      FEnd = true;
      Release(sample);
      break;
    }
    if (sample == nullptr) continue;  // a gap or a type change: no data
    IMFMediaBuffer* buffer = nullptr;
    BYTE* data = nullptr;
    DWORD bytes = 0;
    if (SUCCEEDED(sample->ConvertToContiguousBuffer(&buffer)) && SUCCEEDED(buffer->Lock(&data, nullptr, &bytes))) {
      const uint32_t channels = FFormat.Channels;
      const size_t sampleBytes = FFloat ? 4 : 2;
      const size_t frames = bytes / (sampleBytes * channels);
      std::vector<float> samples(frames * channels);
      if (FFloat) {
        std::memcpy(samples.data(), data, samples.size() * 4);
      } else {
        for (size_t i = 0; i < samples.size(); ++i) {
          int16_t value;
          std::memcpy(&value, data + 2 * i, 2);
          samples[i] = static_cast<float>(value) * (1.0f / 32768.0f);
        }
      }
      buffer->Unlock();
      FPending.resize(frames * 2);
      ToStereo(samples.data(), channels, frames, FPending.data());
      // Drop what lies before a seek's target.
      const uint64_t first = static_cast<uint64_t>(std::max<LONGLONG>(time, 0)) * FFormat.Rate / kHnsPerSecond;
      if (first < FSkipUntil) FPendingPos = static_cast<size_t>(std::min<uint64_t>(FSkipUntil - first, frames));
      if (FPendingPos == frames) FPending.clear();
    }
    Release(buffer);
    Release(sample);
  }
  FSkipUntil = 0;
  return !FPending.empty();
}

ptrdiff_t TMediaFoundationDecoder::Read(float* stereo, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    if (FPendingPos * 2 == FPending.size() && !ReadSample()) break;
    const size_t n = std::min(frames - done, FPending.size() / 2 - FPendingPos);
    std::copy_n(FPending.begin() + static_cast<ptrdiff_t>(2 * FPendingPos), 2 * n, stereo + 2 * done);
    FPendingPos += n;
    done += n;
  }
  return static_cast<ptrdiff_t>(done);
}

bool TMediaFoundationDecoder::Seek(uint64_t frame) {
  PROPVARIANT position;
  PropVariantInit(&position);
  position.vt = VT_I8;
  position.hVal.QuadPart = static_cast<LONGLONG>(frame * kHnsPerSecond / FFormat.Rate);
  // GUID_NULL, the time format of 100 ns units, spelled out: no uuid library.
  const bool ok = SUCCEEDED(FReader->SetCurrentPosition(GUID{}, position));
  PropVariantClear(&position);
  if (!ok) return false;
  FPending.clear();
  FPendingPos = 0;
  FEnd = false;
  FSkipUntil = frame;
  return true;
}

}  // namespace audio
