#pragma once
// RIFF/WAVE files: PCM of 8, 16, 24 and 32 bits and 32-bit float, plain or
// WAVE_FORMAT_EXTENSIBLE, any channel count from 1 to 8, any sample rate.

#include <cstdio>
#include <memory>
#include <vector>

#include "audio/Decoder.h"

namespace audio {

class TWavDecoder : public TDecoder {
 public:
  enum TOpenResult { orOk, orMalformed, orUnsupported };

  // Takes the file (closed with the decoder, or here on failure). A header
  // that names a coding this reader does not know is orUnsupported, so that
  // another decoder may try it; a broken one is orMalformed.
  static std::unique_ptr<TWavDecoder> Open(FILE* file, TOpenResult& result);

  ~TWavDecoder() override;
  ptrdiff_t Read(float* stereo, size_t frames) override;
  bool Seek(uint64_t frame) override;

 private:
  explicit TWavDecoder(FILE* file) : FFile(file) {}
  TOpenResult ReadHeader();

  FILE* FFile;
  bool FFloat = false;
  uint32_t FBytesPerSample = 0;
  uint32_t FBlockAlign = 0;
  uint64_t FDataOffset = 0;
  uint64_t FPosition = 0;  // frames
  std::vector<unsigned char> FScratch;
};

}  // namespace audio
