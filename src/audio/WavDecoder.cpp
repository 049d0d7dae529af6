#include "audio/WavDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audio {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The KSDATAFORMAT_SUBTYPE GUIDs of WAVE_FORMAT_EXTENSIBLE are the format tag
// followed by these 14 bytes.
constexpr unsigned char kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// Larger blocks than this are a broken header, not a real file.
constexpr uint32_t kMaxChannels = 8;
constexpr uint32_t kMaxRate = 768000;
// Frames decoded by one fread: 16 KiB of 8-channel 32-bit samples.
constexpr size_t kReadFrames = 512;
// Chunks walked before fmt and data are both found. Each costs a seek and a
// read: 2.2 us from a local disk (a file of 100 MB of empty chunks took 29 s),
// a round trip from a share. Recorders and editors put a handful (fact,
// bext, iXML, LIST, JUNK...) before the data; 64 leaves room for odd ones.
constexpr int kMaxChunks = 64;

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

float Sample(const unsigned char* p, uint32_t bytes, bool isFloat) {
  if (isFloat) {
    float value;
    const uint32_t bits = Le32(p);
    std::memcpy(&value, &bits, 4);
    return std::isfinite(value) ? value : 0.0f;
  }
  switch (bytes) {
    case 1:
      return static_cast<float>(p[0] - 128) * (1.0f / 128.0f);
    case 2:
      return static_cast<float>(static_cast<int16_t>(Le16(p))) * (1.0f / 32768.0f);
    case 3: {
      // The top byte of an int32 carries the sign; the shift brings it down.
      const int32_t value = static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                                 static_cast<uint32_t>(p[2]) << 24) >>
                            8;
      return static_cast<float>(value) * (1.0f / 8388608.0f);
    }
    default:
      return static_cast<float>(static_cast<int32_t>(Le32(p))) * (1.0f / 2147483648.0f);
  }
}

}  // namespace

std::unique_ptr<TWavDecoder> TWavDecoder::Open(FILE* file, TOpenResult& result) {
  std::unique_ptr<TWavDecoder> decoder(new TWavDecoder(file));
  result = decoder->ReadHeader();
  if (result != orOk) return nullptr;
  return decoder;
}

TWavDecoder::~TWavDecoder() { std::fclose(FFile); }

TWavDecoder::TOpenResult TWavDecoder::ReadHeader() {
  FFileSize = FileSizeOf(FFile);
  unsigned char riff[12];
  if (!SeekFile(FFile, 0) || std::fread(riff, 1, 12, FFile) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0)
    return orMalformed;

  // The RIFF size is often wrong in files written while recording; the
  // chunks are walked up to the real end of the file instead.
  uint64_t offset = 12;
  bool haveFormat = false;
  bool haveData = false;
  uint16_t tag = 0;
  uint32_t channels = 0, rate = 0, blockAlign = 0, bits = 0;
  uint64_t dataBytes = 0;
  for (int chunks = 0; !(haveFormat && haveData) && offset + 8 <= FFileSize; ++chunks) {
    if (chunks == kMaxChunks) return orMalformed;
    unsigned char chunk[8];
    if (!SeekFile(FFile, offset) || std::fread(chunk, 1, 8, FFile) != 8) return orMalformed;
    const uint32_t size = Le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      unsigned char fmt[40] = {};
      if (size < 16 || std::fread(fmt, 1, std::min<uint32_t>(size, 40), FFile) != std::min<uint32_t>(size, 40))
        return orMalformed;
      tag = Le16(fmt);
      channels = Le16(fmt + 2);
      rate = Le32(fmt + 4);
      blockAlign = Le16(fmt + 12);
      bits = Le16(fmt + 14);
      if (tag == kFormatExtensible) {
        if (size < 40 || Le16(fmt + 16) < 22) return orMalformed;
        if (std::memcmp(fmt + 26, kSubFormatTail, sizeof kSubFormatTail) != 0) return orUnsupported;
        tag = Le16(fmt + 24);
      }
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      FDataOffset = offset + 8;
      dataBytes = size;
      haveData = true;
    }
    offset += 8 + static_cast<uint64_t>(size) + (size & 1);
  }
  if (!haveFormat || !haveData) return orMalformed;
  if (channels == 0 || rate == 0 || bits == 0 || blockAlign != channels * ((bits + 7) / 8)) return orMalformed;
  if (tag == kFormatPcm) {
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return orUnsupported;
  } else if (tag == kFormatFloat) {
    if (bits != 32) return orUnsupported;
  } else {
    return orUnsupported;
  }
  if (channels > kMaxChannels || rate > kMaxRate) return orUnsupported;

  // A file cut short plays what it has.
  dataBytes = std::min(dataBytes, FFileSize - std::min(FFileSize, FDataOffset));
  FFloat = tag == kFormatFloat;
  FBytesPerSample = bits / 8;
  FBlockAlign = blockAlign;
  FFormat = {rate, channels};
  FLengthFrames = dataBytes / blockAlign;
  FScratch.resize(kReadFrames * blockAlign);
  return SeekFile(FFile, FDataOffset) ? orOk : orMalformed;
}

ptrdiff_t TWavDecoder::Read(float* stereo, size_t frames) {
  size_t done = 0;
  while (done < frames && FPosition < FLengthFrames) {
    const size_t want =
        static_cast<size_t>(std::min<uint64_t>({frames - done, kReadFrames, FLengthFrames - FPosition}));
    const size_t got = std::fread(FScratch.data(), 1, want * FBlockAlign, FFile) / FBlockAlign;
    const unsigned char* p = FScratch.data();
    for (size_t i = 0; i < got; ++i, p += FBlockAlign) {
      const float left = Sample(p, FBytesPerSample, FFloat);
      stereo[2 * (done + i)] = left;
      stereo[2 * (done + i) + 1] = FFormat.Channels > 1 ? Sample(p + FBytesPerSample, FBytesPerSample, FFloat) : left;
    }
    done += got;
    FPosition += got;
    if (got < want) {
      // Back to a whole frame. A read error (a share that went away) is
      // tried again by the next call; the end of a file that shrank is the
      // end of the stream.
      const bool failed = std::ferror(FFile) != 0;
      std::clearerr(FFile);
      SeekFile(FFile, FDataOffset + FPosition * FBlockAlign);
      if (done == 0 && failed) return kReadFailed;
      break;
    }
  }
  return static_cast<ptrdiff_t>(done);
}

bool TWavDecoder::Seek(uint64_t frame) {
  if (frame > FLengthFrames || !SeekFile(FFile, FDataOffset + frame * FBlockAlign)) return false;
  FPosition = frame;
  return true;
}

}  // namespace audio
