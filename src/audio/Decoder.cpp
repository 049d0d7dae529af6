#include "audio/Decoder.h"

#include <cstring>

#include "audio/AudioPlatform.h"
#include "audio/VorbisDecoder.h"
#include "audio/WavDecoder.h"

namespace audio {

void ToStereo(const float* in, uint32_t channels, size_t frames, float* stereo) {
  for (size_t i = 0; i < frames; ++i, in += channels) {
    stereo[2 * i] = in[0];
    stereo[2 * i + 1] = channels > 1 ? in[1] : in[0];
  }
}

std::unique_ptr<TDecoder> OpenDecoder(const std::wstring& path) {
  FILE* file = OpenFileRead(path);
  if (file == nullptr) return nullptr;
  unsigned char magic[12] = {};
  const size_t got = std::fread(magic, 1, sizeof magic, file);
  const uint64_t fileSize = FileSizeOf(file);

  if (got == 12 && std::memcmp(magic, "RIFF", 4) == 0 && std::memcmp(magic + 8, "WAVE", 4) == 0) {
    TWavDecoder::TOpenResult result;
    if (auto wav = TWavDecoder::Open(file, result)) return wav;
    // A broken header is refused; a coding the reader does not know (ADPCM,
    // MP3 in RIFF) may still be known to the system.
    if (result == TWavDecoder::orMalformed) return nullptr;
    return platform::OpenSystemDecoder(path, fileSize);
  }
  if (got >= 4 && std::memcmp(magic, "OggS", 4) == 0) {
    if (auto vorbis = TVorbisDecoder::Open(file)) return vorbis;
    // Opus or FLAC in Ogg: perhaps the system's.
    return platform::OpenSystemDecoder(path, fileSize);
  }
  std::fclose(file);
  return platform::OpenSystemDecoder(path, fileSize);
}

}  // namespace audio
