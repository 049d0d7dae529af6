#pragma once
// Decoders turn a file into interleaved stereo float frames at the file's own
// rate, a piece at a time, so that a stream needs little memory however long
// its file is.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace audio {

struct TSourceFormat {
  uint32_t Rate = 0;
  uint32_t Channels = 0;  // of the file; the frames handed out are stereo
};

class TDecoder {
 public:
  virtual ~TDecoder() = default;

  // What Read returns when the file gives no data now (a read error); the
  // next call tries again.
  static constexpr ptrdiff_t kReadFailed = -1;

  // Decodes up to frames frames into stereo (2 floats a frame). Returns how
  // many; 0 only at the end of the stream.
  virtual ptrdiff_t Read(float* stereo, size_t frames) = 0;
  // Continues at frame; false when the decoder cannot get there.
  virtual bool Seek(uint64_t frame) = 0;

  const TSourceFormat& Format() const { return FFormat; }
  uint64_t LengthFrames() const { return FLengthFrames; }
  uint64_t FileSize() const { return FFileSize; }

 protected:
  TSourceFormat FFormat;
  uint64_t FLengthFrames = 0;
  uint64_t FFileSize = 0;
};

// Interleaved samples of channels channels to stereo: mono goes to both
// sides, and of more channels the first two are kept.
void ToStereo(const float* in, uint32_t channels, size_t frames, float* stereo);

// Opens the decoder that the file's first bytes call for: RIFF/WAVE by the
// engine's own reader, Ogg Vorbis by stb_vorbis, anything else by the
// system's decoders (Media Foundation on Windows; none elsewhere). Null when
// the file cannot be opened or decoded.
std::unique_ptr<TDecoder> OpenDecoder(const std::wstring& path);

// Files through the C library with wide names and 64-bit positions.
FILE* OpenFileRead(const std::wstring& path);
bool SeekFile(FILE* file, uint64_t offset);
uint64_t FileSizeOf(FILE* file);

}  // namespace audio
