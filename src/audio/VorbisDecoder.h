#pragma once
// Ogg Vorbis files through stb_vorbis, decoded a packet at a time.

#include <cstdio>
#include <memory>
#include <vector>

#include "audio/Decoder.h"

struct stb_vorbis;

namespace audio {

class TVorbisDecoder : public TDecoder {
 public:
  // Takes the file (closed with the decoder, or here on failure). Null when
  // the file is not Ogg Vorbis (an Ogg file may hold another coding).
  static std::unique_ptr<TVorbisDecoder> Open(FILE* file);

  ~TVorbisDecoder() override;
  ptrdiff_t Read(float* stereo, size_t frames) override;
  bool Seek(uint64_t frame) override;

 private:
  explicit TVorbisDecoder(stb_vorbis* vorbis) : FVorbis(vorbis) {}

  stb_vorbis* FVorbis;
  int FDecodeChannels = 0;  // what is asked of stb_vorbis: 1 or 2
  std::vector<float> FScratch;
};

}  // namespace audio
