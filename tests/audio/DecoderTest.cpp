#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "AudioTestSupport.h"
#include "TestFolder.h"
#include "audio/Decoder.h"
#include "audio/Resampler.h"

namespace {

using audiotest::MakeWav;
using audiotest::PutLe;
using audiotest::TWavFormat;

std::vector<float> DecodeAll(audio::TDecoder& decoder) {
  std::vector<float> frames;
  std::vector<float> chunk(2 * 300);
  for (;;) {
    const ptrdiff_t got = decoder.Read(chunk.data(), 300);
    if (got <= 0) break;
    frames.insert(frames.end(), chunk.begin(), chunk.begin() + 2 * got);
  }
  return frames;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (const int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

std::string Floats(std::initializer_list<float> values) {
  std::string out;
  for (const float v : values) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    PutLe(out, bits, 4);
  }
  return out;
}

struct TWavCase {
  const char* Name;
  TWavFormat Format;
  std::string Data;
  std::vector<float> Stereo;  // what the decoder hands out
};

// Each coding with values that land exactly on simple fractions, mono ones
// copied to both sides.
const std::vector<TWavCase> kWavCases = {
    {"pcm8 mono", {1, 1, 8000, 8}, Bytes({0x00, 0x40, 0x80, 0xC0}), {-1, -1, -0.5f, -0.5f, 0, 0, 0.5f, 0.5f}},
    {"pcm16 stereo", {1, 2, 44100, 16}, Bytes({0x00, 0x80, 0x00, 0x40, 0x00, 0xC0, 0x00, 0x00}), {-1, 0.5f, -0.5f, 0}},
    {"pcm24 mono",
     {1, 1, 48000, 24},
     Bytes({0x00, 0x00, 0x80, 0x00, 0x00, 0x40, 0xFF, 0xFF, 0xFF}),
     {-1, -1, 0.5f, 0.5f, -1.0f / 8388608, -1.0f / 8388608}},
    {"pcm32 stereo",
     {1, 2, 96000, 32},
     Bytes({0, 0, 0, 0x80, 0, 0, 0, 0x40, 0, 0, 0, 0xE0, 0, 0, 0, 0}),
     {-1, 0.5f, -0.25f, 0}},
    {"float mono, non-finite to silence",
     {3, 1, 22050, 32},
     Floats({0.75f, -0.125f, std::numeric_limits<float>::quiet_NaN(), 1.5f}),
     {0.75f, 0.75f, -0.125f, -0.125f, 0, 0, 1.5f, 1.5f}},
    {"extensible pcm16 stereo", {1, 2, 44100, 16, true}, Bytes({0x00, 0x20, 0x00, 0xE0}), {0.25f, -0.25f}},
    {"extensible pcm24 stereo", {1, 2, 44100, 24, true}, Bytes({0, 0, 0x20, 0, 0, 0xE0}), {0.25f, -0.25f}},
    {"extensible float mono", {3, 1, 32000, 32, true}, Floats({-0.5f}), {-0.5f, -0.5f}},
};

TEST(WavDecoder, DecodesEveryCodingSampleExact) {
  TTestFolder folder;
  for (const auto& c : kWavCases) {
    SCOPED_TRACE(c.Name);
    folder.Write(L"case.wav", MakeWav(c.Format, c.Data));
    const auto decoder = audio::OpenDecoder(folder.File(L"case.wav"));
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(decoder->Format().Rate, c.Format.Rate);
    EXPECT_EQ(decoder->Format().Channels, c.Format.Channels);
    EXPECT_EQ(decoder->LengthFrames(), c.Stereo.size() / 2);
    EXPECT_EQ(DecodeAll(*decoder), c.Stereo);
    // Seeking back lands on the same samples.
    ASSERT_TRUE(decoder->Seek(1));
    EXPECT_EQ(DecodeAll(*decoder), std::vector<float>(c.Stereo.begin() + 2, c.Stereo.end()));
  }
}

TEST(WavDecoder, WalksChunksInAnyOrderAndPlaysWhatACutFileHas) {
  TTestFolder folder;
  const std::string pcm = Bytes({0x00, 0x40, 0x00, 0xC0, 0x00, 0x20});
  // A RIFF size never filled in, a LIST chunk of odd size (padded), and the
  // data before the fmt chunk.
  std::string fmt;
  PutLe(fmt, 1, 2), PutLe(fmt, 1, 2), PutLe(fmt, 44100, 4), PutLe(fmt, 88200, 4), PutLe(fmt, 2, 2), PutLe(fmt, 16, 2);
  std::string wav = "RIFF";
  PutLe(wav, 0, 4);
  wav += "WAVELIST";
  PutLe(wav, 3, 4);
  wav += std::string("abc\0", 4) + "data";
  PutLe(wav, static_cast<uint32_t>(pcm.size()), 4);
  wav += pcm + "fmt ";
  PutLe(wav, 16, 4);
  wav += fmt;
  folder.Write(L"reordered.wav", wav);
  const auto reordered = audio::OpenDecoder(folder.File(L"reordered.wav"));
  ASSERT_NE(reordered, nullptr);
  EXPECT_EQ(DecodeAll(*reordered), (std::vector<float>{0.5f, 0.5f, -0.5f, -0.5f, 0.25f, 0.25f}));

  std::string truncated = MakeWav({1, 1, 44100, 16}, pcm + pcm);
  truncated.resize(truncated.size() - 5);  // the last frame and a half gone
  folder.Write(L"truncated.wav", truncated);
  const auto shortened = audio::OpenDecoder(folder.File(L"truncated.wav"));
  ASSERT_NE(shortened, nullptr);
  EXPECT_EQ(shortened->LengthFrames(), 3u);
  EXPECT_EQ(DecodeAll(*shortened), (std::vector<float>{0.5f, 0.5f, -0.5f, -0.5f, 0.25f, 0.25f}));
}

TEST(WavDecoder, GivesUpOnAHeaderOfEndlessChunks) {
  // fmt, then empty chunks (zero bytes read as chunks of no name and no
  // size), then the data: a few are walked past, a megabyte of them is
  // refused before the data is reached.
  const std::string wav = MakeWav({1, 1, 44100, 16}, Bytes({0x00, 0x40}));
  const size_t dataAt = wav.find("data");
  const std::vector<std::pair<size_t, bool>> cases = {{16, true}, {1 << 17, false}};
  TTestFolder folder;
  for (const auto& [chunks, opens] : cases) {
    SCOPED_TRACE(chunks);
    folder.Write(L"chunks.wav", wav.substr(0, dataAt) + std::string(8 * chunks, '\0') + wav.substr(dataAt));
    EXPECT_EQ(audio::OpenDecoder(folder.File(L"chunks.wav")) != nullptr, opens);
  }
}

TEST(WavDecoder, RefusesBrokenHeaders) {
  const std::string good = MakeWav({1, 2, 44100, 16}, std::string(8, '\0'));
  const auto patched = [&](size_t at, std::string bytes) {
    std::string wav = good;
    wav.replace(at, bytes.size(), bytes);
    return wav;
  };
  // fmt fields sit at 20 (tag), 22 (channels), 24 (rate), 32 (block align),
  // 34 (bits); the fmt size at 16.
  std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"RIFF only", "RIFF"},
      {"not WAVE", patched(8, "AVI ")},
      {"header cut in fmt", good.substr(0, 30)},
      {"no data chunk", good.substr(0, 36)},
      {"fmt shorter than 16", patched(16, Bytes({14, 0, 0, 0}))},
      {"no channels", patched(22, Bytes({0, 0}))},
      {"rate 0", patched(24, Bytes({0, 0, 0, 0}))},
      {"block align off", patched(32, Bytes({3, 0}))},
      {"extensible without its extension", patched(20, Bytes({0xFE, 0xFF}))},
  };
#ifndef _WIN32
  // Well-formed, but codings only a system decoder might know; Windows hands
  // them to Media Foundation.
  cases.insert(cases.end(), {
                                {"12-bit samples", patched(32, Bytes({4, 0, 12, 0}))},
                                {"ADPCM", patched(20, Bytes({2, 0}))},
                                {"64-bit float", patched(32, Bytes({16, 0, 64, 0})).replace(20, 2, Bytes({3, 0}))},
                            });
#endif
  TTestFolder folder;
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    folder.Write(L"bad.wav", bytes);
    EXPECT_EQ(audio::OpenDecoder(folder.File(L"bad.wav")), nullptr);
  }
  EXPECT_EQ(audio::OpenDecoder(folder.File(L"missing.wav")), nullptr);
  std::filesystem::create_directory(folder.Dir() / "folder.wav");
  EXPECT_EQ(audio::OpenDecoder(folder.File(L"folder.wav")), nullptr);
}

const std::wstring kOggTone = L"" TOLLIVANE_TEST_DATA L"/audio/tone-440hz-22050-mono.ogg";

// Zero crossings from below, over the left channel.
size_t RisingCrossings(const std::vector<float>& stereo) {
  size_t count = 0;
  for (size_t i = 2; i < stereo.size(); i += 2)
    if (stereo[i - 2] < 0 && stereo[i] >= 0) ++count;
  return count;
}

double Rms(const std::vector<float>& stereo) {
  double sum = 0;
  for (const float s : stereo) sum += static_cast<double>(s) * s;
  return stereo.empty() ? 0 : std::sqrt(sum / static_cast<double>(stereo.size()));
}

TEST(VorbisDecoder, DecodesTheToneWithItsLengthAndLevel) {
  // sox -n -r 22050 -c 1 tone.ogg synth 0.5 sine 440 vol 0.5
  const auto decoder = audio::OpenDecoder(kOggTone);
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(decoder->Format().Rate, 22050u);
  EXPECT_EQ(decoder->Format().Channels, 1u);
  EXPECT_EQ(decoder->LengthFrames(), 11025u);
  EXPECT_EQ(decoder->FileSize(), std::filesystem::file_size(std::filesystem::path(kOggTone)));
  const std::vector<float> frames = DecodeAll(*decoder);
  ASSERT_EQ(frames.size(), 2 * 11025u);
  EXPECT_NEAR(Rms(frames), 0.5 / std::numbers::sqrt2, 0.01);
  EXPECT_NEAR(static_cast<double>(RisingCrossings(frames)), 220, 2);  // 440 Hz for half a second
  for (size_t i = 0; i < frames.size(); i += 2) ASSERT_EQ(frames[i], frames[i + 1]) << "mono to both sides";

  // Seeking is sample-exact.
  ASSERT_TRUE(decoder->Seek(5000));
  const std::vector<float> tail = DecodeAll(*decoder);
  ASSERT_EQ(tail.size(), frames.size() - 2 * 5000);
  for (size_t i = 0; i < tail.size(); ++i) ASSERT_NEAR(tail[i], frames[2 * 5000 + i], 1e-6) << i;
}

TEST(Decoder, ContentChoosesTheDecoderNotTheName) {
  TTestFolder folder;
  const std::string wav = MakeWav({1, 1, 44100, 16}, Bytes({0x00, 0x40}));
  std::string ogg(std::filesystem::file_size(std::filesystem::path(kOggTone)), '\0');
  {
    std::ifstream in(std::filesystem::path(kOggTone), std::ios::binary);
    in.read(ogg.data(), static_cast<std::streamsize>(ogg.size()));
  }
  const std::vector<std::tuple<const wchar_t*, std::string, uint32_t>> cases = {
      {L"wave.mp3", wav, 44100u}, {L"wave.wma", wav, 44100u}, {L"vorbis.wav", ogg, 22050u}, {L"vorbis", ogg, 22050u}};
  for (const auto& [name, bytes, rate] : cases) {
    SCOPED_TRACE(std::filesystem::path(name).string());
    folder.Write(name, bytes);
    const auto decoder = audio::OpenDecoder(folder.File(name));
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(decoder->Format().Rate, rate);
  }
  // Neither our decoders' nor (on Windows) the system's.
  folder.Write(L"noise.wav", std::string(4000, 'x'));
  folder.Write(L"broken.ogg", "OggS" + std::string(200, '\0'));
  EXPECT_EQ(audio::OpenDecoder(folder.File(L"noise.wav")), nullptr);
  EXPECT_EQ(audio::OpenDecoder(folder.File(L"broken.ogg")), nullptr);
}

// A sine of a given rate, handed out in pieces of odd sizes, that can be
// made to fail a read once.
class TSineSource : public audio::TDecoder {
 public:
  TSineSource(uint32_t rate, double hz, uint64_t frames, size_t piece) : FHz(hz), FPiece(piece) {
    FFormat = {rate, 1};
    FLengthFrames = frames;
  }
  static double Value(double hz, double seconds) { return 0.8 * std::sin(2 * std::numbers::pi * hz * seconds); }
  ptrdiff_t Read(float* stereo, size_t frames) override {
    if (FFailNext) {
      FFailNext = false;
      return kReadFailed;
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>({frames, FPiece, FLengthFrames - FPosition}));
    for (size_t i = 0; i < n; ++i, ++FPosition)
      stereo[2 * i] = stereo[2 * i + 1] = static_cast<float>(Value(FHz, static_cast<double>(FPosition) / FFormat.Rate));
    return static_cast<ptrdiff_t>(n);
  }
  bool Seek(uint64_t frame) override {
    FPosition = frame;
    return true;
  }
  bool FFailNext = false;

 private:
  double FHz;
  size_t FPiece;
  uint64_t FPosition = 0;
};

TEST(Resampler, FollowsTheSignalAcrossBlocksAtEveryRate) {
  constexpr double kHz = 441;
  // Worst error of linear interpolation for this tone at each rate, with room.
  const std::vector<std::pair<uint32_t, double>> cases = {
      {8000, 0.03}, {22050, 0.005}, {32000, 0.003}, {48000, 0.002}, {96000, 0.001}};
  for (const auto& [rate, tolerance] : cases) {
    SCOPED_TRACE(rate);
    TSineSource source(rate, kHz, rate / 2, 77);
    audio::TResampler resampler;
    resampler.Reset(rate, 44100);
    std::vector<float> out;
    std::vector<float> block(2 * 100);
    audio::TResampler::TStatus status = audio::TResampler::rsData;
    int failures = 0;
    for (int call = 0; status != audio::TResampler::rsEnd; ++call) {
      // A read error now and then must lose nothing.
      if (call == 2 || call == 50) source.FFailNext = true;
      const size_t got = resampler.Render(source, block.data(), 100, status);
      out.insert(out.end(), block.begin(), block.begin() + 2 * got);
      if (status == audio::TResampler::rsFailed) ++failures;
      ASSERT_LT(out.size(), 2 * 44100u) << "never ends";
    }
    EXPECT_GT(failures, 0);
    // Half a second, give or take the one frame that fades out.
    EXPECT_NEAR(static_cast<double>(out.size() / 2), 22050, 2);
    double worst = 0;
    for (size_t i = 0; i + 2 < out.size() / 2; ++i)
      worst = std::max(worst, std::abs(out[2 * i] - TSineSource::Value(kHz, static_cast<double>(i) / 44100)));
    EXPECT_LT(worst, tolerance);
    EXPECT_EQ(resampler.Position(), rate / 2);
  }
}

TEST(Resampler, PassesSamplesThroughUnchangedAtTheDeviceRate) {
  TSineSource source(44100, 1000, 1000, 33);
  TSineSource reference(44100, 1000, 1000, 1000);
  std::vector<float> expected(2 * 1000);
  reference.Read(expected.data(), 1000);
  audio::TResampler resampler;
  resampler.Reset(44100, 44100);
  std::vector<float> out(2 * 1000);
  audio::TResampler::TStatus status;
  EXPECT_EQ(resampler.Render(source, out.data(), 1000, status), 1000u);
  EXPECT_EQ(out, expected);
  EXPECT_EQ(resampler.Render(source, out.data(), 10, status), 0u);
  EXPECT_EQ(status, audio::TResampler::rsEnd);
}

}  // namespace
