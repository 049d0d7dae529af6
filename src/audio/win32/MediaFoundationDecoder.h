#pragma once
// Everything the engine does not decode itself (MP3, WMA, AAC...) through a
// Media Foundation source reader that hands out float or 16-bit PCM.

#include <memory>
#include <string>
#include <vector>

#include "audio/Decoder.h"

struct IMFSourceReader;

namespace audio {

class TMediaFoundationDecoder : public TDecoder {
 public:
  // Loads Media Foundation's DLLs (once a process) and starts it; false on a
  // Windows without it, whose engine still plays WAV and Ogg.
  static bool Startup();
  static void Shutdown();
  // Null when Media Foundation is not started or cannot decode the file.
  static std::unique_ptr<TMediaFoundationDecoder> Open(const std::wstring& path, uint64_t fileSize);

  ~TMediaFoundationDecoder() override;
  ptrdiff_t Read(float* stereo, size_t frames) override;
  bool Seek(uint64_t frame) override;

 private:
  TMediaFoundationDecoder() = default;
  // Takes the next sample into FPending; false at the end.
  bool ReadSample();

  IMFSourceReader* FReader = nullptr;
  bool FFloat = true;  // else 16-bit PCM
  // Stereo frames of the last sample not handed out yet: one sample at a
  // time (an MP3 frame is 1152), never the file.
  std::vector<float> FPending;
  size_t FPendingPos = 0;
  bool FEnd = false;
  // After a seek: frames before this one are dropped, since the reader lands
  // on the packet before the target.
  uint64_t FSkipUntil = 0;
};

}  // namespace audio
