// Media Foundation and waveOut: Windows only, run under Wine on Linux.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "AudioTestSupport.h"
#include "TestFolder.h"
#include "audio/Decoder.h"
#include "audio/uSoundPlayer.h"
#include "audio/win32/WaveOutBackEnd.h"
#include "system/Unicode.h"

namespace {

using namespace audiotest;

const std::wstring kMp3Tone = L"" TOLLIVANE_TEST_DATA L"/audio/tone-660hz-24000-stereo.mp3";
const std::wstring kOggTone = L"" TOLLIVANE_TEST_DATA L"/audio/tone-440hz-22050-mono.ogg";
const std::wstring kSounds = L"" TOLLIVANE_SOUNDS;

std::vector<float> DecodeAll(audio::TDecoder& decoder) {
  std::vector<float> frames;
  std::vector<float> chunk(2 * 1000);
  for (ptrdiff_t got; (got = decoder.Read(chunk.data(), 1000)) > 0;)
    frames.insert(frames.end(), chunk.begin(), chunk.begin() + 2 * got);
  return frames;
}

double Rms(const std::vector<float>& frames) {
  double sum = 0;
  for (const float s : frames) sum += static_cast<double>(s) * s;
  return frames.empty() ? 0 : std::sqrt(sum / static_cast<double>(frames.size()));
}

// Media Foundation needs the engine's start-up.
class MediaFoundation : public TCaptureEngine {};

TEST_F(MediaFoundation, DecodesAnMp3WithItsLengthAndLevel) {
  // sox -n -r 44100 -c 2 -t wav - synth 0.6 sine 660 vol 0.5 | lame -b 64 --resample 24 - tone.mp3
  const auto decoder = audio::OpenDecoder(kMp3Tone);
  ASSERT_NE(decoder, nullptr);
  EXPECT_EQ(decoder->Format().Rate, 24000u);
  EXPECT_EQ(decoder->Format().Channels, 2u);
  const std::vector<float> frames = DecodeAll(*decoder);
  // The encoder's padding adds a few milliseconds.
  EXPECT_NEAR(static_cast<double>(frames.size() / 2) / 24000, 0.6, 0.06);
  EXPECT_NEAR(static_cast<double>(decoder->LengthFrames()) / 24000, 0.6, 0.06);
  EXPECT_NEAR(Rms(frames), 0.5 / std::sqrt(2.0), 0.03);

  // From its beginning again, the same samples.
  ASSERT_TRUE(decoder->Seek(0));
  const std::vector<float> again = DecodeAll(*decoder);
  ASSERT_EQ(again.size(), frames.size());
  for (size_t i = 0; i < frames.size(); ++i) ASSERT_NEAR(again[i], frames[i], 1e-4) << i;
}

TEST_F(MediaFoundation, EveryBuiltInSoundOpensWithItsTrueDuration) {
  const wchar_t* names[] = {L"Alarm1",    L"Alarm2", L"Alarm3",      L"Alarm4", L"Bells1", L"Bells2",     L"Birds",
                            L"Christmas", L"Cuckoo", L"Electricity", L"Flute",  L"Phone",  L"SleighBells"};
  TSoundPlayer player;  // on the engine the fixture started
  for (const wchar_t* name : names) {
    const std::wstring path = kSounds + L"/" + name + L".mp3";
    SCOPED_TRACE(sys::WideToUtf8(path));
    const auto decoder = audio::OpenDecoder(path);
    ASSERT_NE(decoder, nullptr);
    const double rate = decoder->Format().Rate;
    const std::vector<float> frames = DecodeAll(*decoder);
    const double decoded = static_cast<double>(frames.size() / 2) / rate;
    EXPECT_NEAR(static_cast<double>(decoder->LengthFrames()) / rate, decoded, 0.1);
    EXPECT_GT(Rms(frames), 0.01) << "not silent";

    uint32_t size = 0;
    double seconds = 0;
    ASSERT_TRUE(player.OpenFile(path, size, seconds));
    EXPECT_NEAR(seconds, decoded, 0.1);
    EXPECT_EQ(size, std::filesystem::file_size(std::filesystem::path(path)));
  }
}

TEST_F(MediaFoundation, PlayerPlaysAnMp3ToItsEndAndAgain) {
  TSoundPlayer player;
  uint32_t size = 0;
  double seconds = 0;
  ASSERT_TRUE(player.OpenFile(kMp3Tone, size, seconds));
  for (int round = 0; round < 2; ++round) {
    player.Play();
    const std::vector<float> heard = Next(80);  // 0.8 s
    EXPECT_NEAR(Rms(heard), 0.5 / std::sqrt(2.0) * std::sqrt(0.6 / 0.8), 0.03);
    EXPECT_EQ(player.GetPlayState(), psStop);
  }
}

uint32_t Open(const std::wstring& path) { return Audio_StreamCreateFile(false, path.c_str(), 0, 0, AUDIO_UNICODE); }

// The engine as on a Windows without Media Foundation, brought back after.
class MediaFoundationMissing : public testing::Test {
 protected:
  void SetUp() override { audio::testing::SetMediaFoundationMissing(true); }
  void TearDown() override {
    Audio_Free();
    audio::testing::SetMediaFoundationMissing(false);
  }
};

TEST_F(MediaFoundationMissing, WavOggAndTheTonePlayAnMp3DoesNotOpen) {
  TTestFolder folder;
  folder.Write(L"a.wav", LevelWav(kPcmA, 4410));
  auto device = std::make_shared<audio::TCaptureDevice>(kBlock);
  audio::testing::UseDevice(device);
  ASSERT_TRUE(Audio_Init(-1, 44100, 0, nullptr, nullptr));
  EXPECT_EQ(Open(kMp3Tone), 0u);
  EXPECT_EQ(Audio_WMA_StreamCreateFile(false, kMp3Tone.c_str(), 0, 0, AUDIO_UNICODE), 0u);
  EXPECT_NE(Open(kOggTone), 0u);
  EXPECT_NE(Open(folder.File(L"a.wav")), 0u);
  const uint32_t tone = Audio_StreamCreateAlarmTone();
  ASSERT_TRUE(Audio_ChannelPlay(tone, true));
  device->Step(10);
  EXPECT_GT(Rms(device->Take()), 0.1) << "the tone is heard";
  EXPECT_TRUE(Audio_Free());

  // It was the hook that kept Media Foundation away.
  audio::testing::SetMediaFoundationMissing(false);
  audio::testing::UseDevice(std::make_shared<audio::TCaptureDevice>(kBlock));
  ASSERT_TRUE(Audio_Init(-1, 44100, 0, nullptr, nullptr));
  EXPECT_NE(Open(kMp3Tone), 0u);
}

// Played through waveOut, the sound reaches Wine's ALSA output, which the
// test's ALSA configuration writes into a WAV file (see CMakeLists.txt).
TEST(WaveOut, BuiltInSoundReachesTheSoundCard) {
  const char* capture = std::getenv("TOLLIVANE_ALSA_CAPTURE");
  if (capture == nullptr) GTEST_SKIP() << "TOLLIVANE_ALSA_CAPTURE names no capture file";
  const std::wstring capturePath = sys::Utf8ToWide(capture);
  std::filesystem::remove(std::filesystem::path(capturePath));
  {
    TSoundPlayer player;
    ASSERT_TRUE(player.Init(nullptr, 0, 0)) << "waveOut did not open";
    uint32_t size = 0;
    double seconds = 0;
    ASSERT_TRUE(player.OpenFile(kSounds + L"/Alarm1.mp3", size, seconds));
    player.Play();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(player.GetPlayState(), psPlaying);
    player.Uninit();
  }
  const auto decoder = audio::OpenDecoder(capturePath);
  ASSERT_NE(decoder, nullptr) << "no capture written";
  const std::vector<float> frames = DecodeAll(*decoder);
  EXPECT_GT(static_cast<double>(frames.size() / 2) / decoder->Format().Rate, 0.5);
  EXPECT_GT(Rms(frames), 0.01) << "silent";
}

// A waveOut that fails (a write refused, or buffers that never come back) is
// closed and opened again, and what plays after is heard.
TEST(WaveOut, AFailedDeviceIsOpenedAgainAndHeard) {
  const char* capture = std::getenv("TOLLIVANE_ALSA_CAPTURE");
  if (capture == nullptr) GTEST_SKIP() << "TOLLIVANE_ALSA_CAPTURE names no capture file";
  const std::wstring capturePath = sys::Utf8ToWide(capture);
  TTestFolder folder;
  folder.Write(L"sine.wav", SineWav(660, 0.5, 10 * 44100));
  for (const bool stuck : {false, true}) {
    SCOPED_TRACE(stuck ? "buffers never come back" : "a write fails");
    std::filesystem::remove(std::filesystem::path(capturePath));
    auto device = std::make_shared<audio::testing::TFaultyDevice>(std::make_unique<audio::TWaveOutBackEnd>());
    audio::testing::UseDevice(device);
    ASSERT_TRUE(Audio_Init(-1, 44100, 0, nullptr, nullptr)) << "waveOut did not open";
    ASSERT_TRUE(Audio_ChannelPlay(Open(folder.File(L"sine.wav")), true));
    const auto heard = [&](uint64_t frames) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (device->SoundFrames() < frames && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return device->SoundFrames() >= frames;
    };
    ASSERT_TRUE(heard(4410));
    device->Fail(stuck);
    EXPECT_TRUE(heard(device->SoundFrames() + 44100)) << "a second after the fault";
    EXPECT_EQ(device->Opens(), 2);
    EXPECT_TRUE(Audio_Free());

    // What waveOut played last, after it was opened again.
    const auto decoder = audio::OpenDecoder(capturePath);
    ASSERT_NE(decoder, nullptr) << "no capture written";
    const std::vector<float> frames = DecodeAll(*decoder);
    const size_t tail = std::min<size_t>(frames.size(), 2 * decoder->Format().Rate / 2);
    EXPECT_NEAR(Rms(std::vector<float>(frames.end() - static_cast<ptrdiff_t>(tail), frames.end())),
                0.5 / std::sqrt(2.0), 0.05);
  }
}

}  // namespace

#endif  // _WIN32
