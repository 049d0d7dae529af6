#include "audio/VorbisDecoder.h"

#include <algorithm>

#define STB_VORBIS_HEADER_ONLY
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>

namespace audio {

namespace {

constexpr size_t kReadFrames = 1024;

}  // namespace

std::unique_ptr<TVorbisDecoder> TVorbisDecoder::Open(FILE* file) {
  if (!SeekFile(file, 0)) {
    std::fclose(file);
    return nullptr;
  }
  const uint64_t fileSize = FileSizeOf(file);
  int error = 0;
  // stb_vorbis closes the file from here on, also when it fails.
  stb_vorbis* vorbis = stb_vorbis_open_file(file, 1, &error, nullptr);
  if (vorbis == nullptr) return nullptr;
  std::unique_ptr<TVorbisDecoder> decoder(new TVorbisDecoder(vorbis));
  const stb_vorbis_info info = stb_vorbis_get_info(vorbis);
  if (info.channels < 1 || info.sample_rate == 0) return nullptr;
  decoder->FFormat = {info.sample_rate, static_cast<uint32_t>(info.channels)};
  decoder->FDecodeChannels = std::min(info.channels, 2);
  decoder->FFileSize = fileSize;
  const unsigned int length = stb_vorbis_stream_length_in_samples(vorbis);
  decoder->FLengthFrames = length == 0xFFFFFFFFu ? 0 : length;
  decoder->FScratch.resize(kReadFrames * 2);
  if (!decoder->Seek(0)) return nullptr;
  return decoder;
}

TVorbisDecoder::~TVorbisDecoder() { stb_vorbis_close(FVorbis); }

ptrdiff_t TVorbisDecoder::Read(float* stereo, size_t frames) {
  size_t done = 0;
  while (done < frames) {
    const int want = static_cast<int>(std::min(frames - done, kReadFrames));
    const int got =
        stb_vorbis_get_samples_float_interleaved(FVorbis, FDecodeChannels, FScratch.data(), want * FDecodeChannels);
    if (got <= 0) break;
    ToStereo(FScratch.data(), static_cast<uint32_t>(FDecodeChannels), static_cast<size_t>(got), stereo + 2 * done);
    done += static_cast<size_t>(got);
  }
  return static_cast<ptrdiff_t>(done);
}

bool TVorbisDecoder::Seek(uint64_t frame) {
  if (frame == 0) return stb_vorbis_seek_start(FVorbis) != 0;
  if (frame > FLengthFrames) return false;
  return stb_vorbis_seek(FVorbis, static_cast<unsigned int>(frame)) != 0;
}

}  // namespace audio
