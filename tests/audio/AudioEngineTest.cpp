#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "AudioTestSupport.h"
#include "TestFolder.h"
#include "audio/AudioEngine.h"
#include "system/Unicode.h"

namespace {

using namespace audiotest;

uint32_t Open(const std::wstring& path) { return Audio_StreamCreateFile(false, path.c_str(), 0, 0, AUDIO_UNICODE); }

// Left channel of interleaved frames.
std::vector<float> Left(const std::vector<float>& frames) {
  std::vector<float> left;
  for (size_t i = 0; i < frames.size(); i += 2) left.push_back(frames[i]);
  return left;
}

TEST(AudioEngine, ReportsVersion24) { EXPECT_EQ(Audio_GetVersion() >> 16, 0x0204u); }

TEST(AudioEngine, InitialisesOncePerProcessUntilFreed) {
  TTestFolder folder;
  folder.Write(L"a.wav", LevelWav(kPcmA, 100));
  EXPECT_EQ(Open(folder.File(L"a.wav")), 0u) << "not initialised";
  EXPECT_FALSE(Audio_Free());

  audio::testing::UseDevice(std::make_shared<audio::TCaptureDevice>());
  ASSERT_TRUE(Audio_Init(-1, 44100, 0, nullptr, nullptr));
  EXPECT_FALSE(Audio_Init(-1, 44100, 0, nullptr, nullptr));
  const uint32_t handle = Open(folder.File(L"a.wav"));
  EXPECT_NE(handle, 0u) << "still usable after the second Init";
  EXPECT_TRUE(Audio_Free());
  EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_STOPPED);
  EXPECT_FALSE(Audio_ChannelPlay(handle, true)) << "Free closes every stream";
  EXPECT_EQ(Open(folder.File(L"a.wav")), 0u);
  EXPECT_FALSE(Audio_Free());

  // And again, on the device that plays nothing.
  ASSERT_TRUE(Audio_Init(0, 44100, 0, nullptr, nullptr));
  EXPECT_TRUE(Audio_Free());
  EXPECT_FALSE(Audio_Init(7, 44100, 0, nullptr, nullptr)) << "no such device";
  EXPECT_FALSE(Audio_Init(-1, 0, 0, nullptr, nullptr)) << "no such rate";
}

using AudioStreams = TCaptureEngine;

TEST_F(AudioStreams, RefuseWhatTheyCannotOpen) {
  TTestFolder folder;
  folder.Write(L"good.wav", LevelWav(kPcmA, 100));
  folder.Write(L"bad.wav", "RIFF\x10\0\0\0WAVEfmt ");
  std::filesystem::create_directory(folder.Dir() / "folder.wav");
  const std::wstring good = folder.File(L"good.wav");
  EXPECT_EQ(Open(folder.File(L"missing.wav")), 0u);
  EXPECT_EQ(Open(folder.File(L"bad.wav")), 0u);
  EXPECT_EQ(Open(folder.File(L"folder.wav")), 0u);
  EXPECT_EQ(Audio_StreamCreateFile(true, good.c_str(), 0, 0, AUDIO_UNICODE), 0u) << "memory";
  EXPECT_EQ(Audio_StreamCreateFile(false, good.c_str(), 44, 0, AUDIO_UNICODE), 0u) << "offset";
  EXPECT_EQ(Audio_StreamCreateFile(false, nullptr, 0, 0, AUDIO_UNICODE), 0u);
  EXPECT_EQ(Audio_WMA_StreamCreateFile(false, folder.File(L"bad.wav").c_str(), 0, 0, AUDIO_UNICODE), 0u);
  EXPECT_NE(Open(good), 0u);
}

TEST_F(AudioStreams, OpenUnicodeAndAnsiNames) {
  TTestFolder folder;
  const std::wstring name = L"Gr\u00f6\u00dfe \u20ac \u65e5\u672c.wav";
  const std::string utf8 = sys::WideToUtf8(name);
  std::ofstream(folder.Dir() / std::filesystem::path(std::u8string(utf8.begin(), utf8.end())), std::ios::binary)
      << LevelWav(kPcmA, 100);
  folder.Write(L"plain.wav", LevelWav(kPcmA, 100));
  EXPECT_NE(Open(folder.Path() + name), 0u);
  const std::string ansi = (folder.Dir() / "plain.wav").string();
  EXPECT_NE(Audio_StreamCreateFile(false, ansi.c_str(), 0, 0, 0), 0u);
  EXPECT_NE(Audio_WMA_StreamCreateFile(false, (folder.Path() + name).c_str(), 0, 0, AUDIO_UNICODE), 0u);
}

TEST_F(AudioStreams, ReportLengthsInDecodedBytesAndTheFileSize) {
  struct TCase {
    TWavFormat Format;
    size_t Frames;
    uint64_t Bytes;  // as 16-bit samples of the file's channels
  };
  const std::vector<TCase> cases = {
      {{1, 2, 22050, 16}, 22050, 22050 * 4},
      {{1, 1, 8000, 8}, 4000, 4000 * 2},
      {{3, 2, 48000, 32}, 12000, 12000 * 4},
  };
  TTestFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Format.Rate);
    const std::string wav = MakeWav(c.Format, std::string(c.Frames * c.Format.Channels * c.Format.Bits / 8, '\0'));
    const std::wstring name = L"len" + std::to_wstring(c.Format.Rate) + L".wav";
    folder.Write(name, wav);
    const uint32_t handle = Open(folder.File(name));
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(Audio_ChannelGetLength(handle, AUDIO_POS_BYTE), c.Bytes);
    EXPECT_DOUBLE_EQ(Audio_ChannelBytes2Seconds(handle, c.Bytes), static_cast<double>(c.Frames) / c.Format.Rate);
    EXPECT_EQ(Audio_StreamGetFilePosition(handle, AUDIO_FILEPOS_END), wav.size());
    EXPECT_EQ(Audio_ChannelGetPosition(handle, AUDIO_POS_BYTE), 0u);
    EXPECT_EQ(Audio_ChannelGetLength(handle, 1), AUDIO_INVALID) << "only bytes";
    EXPECT_EQ(Audio_StreamGetFilePosition(handle, 0), AUDIO_INVALID);
  }
  EXPECT_EQ(Audio_ChannelGetLength(12345, AUDIO_POS_BYTE), AUDIO_INVALID);
  EXPECT_LT(Audio_ChannelBytes2Seconds(12345, 100), 0);
}

TEST_F(AudioStreams, PlayEverySampleThenStopAtTheEnd) {
  TTestFolder folder;
  constexpr size_t kFrames = 1000;  // 2 blocks and a bit
  folder.Write(L"ramp.wav", RampWav(kFrames));
  const uint32_t handle = Open(folder.File(L"ramp.wav"));
  ASSERT_NE(handle, 0u);
  EXPECT_TRUE(Audio_ChannelPlay(handle, false));
  EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_PLAYING);
  const std::vector<float> left = Left(Next(4));
  ASSERT_EQ(left.size(), 4 * kBlock);
  for (size_t i = 0; i < left.size(); ++i) ASSERT_EQ(left[i], i < kFrames ? static_cast<float>(i) / 32768 : 0.0f) << i;
  EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_STOPPED);
  EXPECT_EQ(Audio_ChannelGetPosition(handle, AUDIO_POS_BYTE), Audio_ChannelGetLength(handle, AUDIO_POS_BYTE));

  // Played to its end, it starts over with or without restart.
  for (const bool restart : {false, true}) {
    EXPECT_TRUE(Audio_ChannelPlay(handle, restart));
    EXPECT_EQ(Audio_ChannelGetPosition(handle, AUDIO_POS_BYTE), 0u);
    EXPECT_EQ(Left(Next())[5], 5.0f / 32768);
    Next(3);
    EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_STOPPED);
  }
}

TEST_F(AudioStreams, MixTogetherAndFallSilentWhenFreed) {
  TTestFolder folder;
  folder.Write(L"a.wav", LevelWav(kPcmA, 44100));
  folder.Write(L"b.wav", LevelWav(kPcmB, 44100));
  folder.Write(L"loud.wav", LevelWav(30000, 44100));
  const uint32_t a = Open(folder.File(L"a.wav"));
  const uint32_t b = Open(folder.File(L"b.wav"));
  ASSERT_TRUE(a != 0 && b != 0 && a != b);
  EXPECT_EQ(NextLevel(), 0.0f) << "opened, not playing";
  Audio_ChannelPlay(a, true);
  EXPECT_EQ(NextLevel(), kLevelA);
  Audio_ChannelPlay(b, true);
  EXPECT_EQ(NextLevel(2), kLevelA + kLevelB);
  EXPECT_TRUE(Audio_StreamFree(a));
  EXPECT_EQ(NextLevel(), kLevelB);
  EXPECT_FALSE(Audio_StreamFree(a));
  EXPECT_FALSE(Audio_ChannelPlay(a, true));
  // A sum past full scale is clipped, not wrapped.
  const uint32_t loud = Open(folder.File(L"loud.wav"));
  Audio_ChannelPlay(loud, true);
  Audio_ChannelPlay(Open(folder.File(L"loud.wav")), true);
  EXPECT_EQ(NextLevel(), 1.0f);
}

TEST_F(AudioStreams, PauseStopAndSeekKeepTheirPlace) {
  TTestFolder folder;
  folder.Write(L"ramp.wav", RampWav(20000));
  const uint32_t handle = Open(folder.File(L"ramp.wav"));
  Audio_ChannelPlay(handle, true);
  Next(2);
  EXPECT_TRUE(Audio_ChannelPause(handle));
  EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_PAUSED);
  EXPECT_EQ(NextLevel(3), 0.0f);
  EXPECT_EQ(Audio_ChannelGetPosition(handle, AUDIO_POS_BYTE), 2 * kBlock * 2);
  EXPECT_FALSE(Audio_ChannelPause(handle)) << "already paused";
  Audio_ChannelPlay(handle, false);
  EXPECT_EQ(Left(Next())[0], static_cast<float>(2 * kBlock) / 32768) << "resumes where it paused";

  EXPECT_TRUE(Audio_ChannelStop(handle));
  EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_STOPPED);
  EXPECT_EQ(NextLevel(), 0.0f);
  Audio_ChannelPlay(handle, false);
  EXPECT_EQ(Left(Next())[0], static_cast<float>(3 * kBlock) / 32768) << "goes on after a stop";

  EXPECT_TRUE(Audio_ChannelSetPosition(handle, 2 * 12345, AUDIO_POS_BYTE));
  EXPECT_EQ(Audio_ChannelGetPosition(handle, AUDIO_POS_BYTE), 2 * 12345u);
  EXPECT_EQ(Left(Next())[0], 12345.0f / 32768);
  EXPECT_FALSE(Audio_ChannelSetPosition(handle, 2 * 20001, AUDIO_POS_BYTE)) << "past the end";
  EXPECT_FALSE(Audio_ChannelSetPosition(handle, 0, 1));
  Audio_ChannelPlay(handle, true);
  EXPECT_EQ(Left(Next())[0], 0.0f);
}

TEST_F(AudioStreams, ResampleToTheDeviceRateWithoutClicks) {
  TTestFolder folder;
  // 1 kHz at 22050 Hz for 0.3 s: at 44.1 kHz the largest step between two
  // samples of the sine is 2 pi 1000 / 44100 * 0.5 = 0.071.
  folder.Write(L"sine.wav", SineWav(1000, 0.5, 6615, 22050));
  const uint32_t handle = Open(folder.File(L"sine.wav"));
  Audio_ChannelPlay(handle, true);
  const std::vector<float> left = Left(Next(32));
  size_t sounding = 0;
  float largestStep = 0;
  for (size_t i = 1; i < left.size(); ++i) {
    if (left[i] != 0) sounding = i + 1;
    // Up to the last source frame, which fades to silence.
    if (i < 13200) largestStep = std::max(largestStep, std::abs(left[i] - left[i - 1]));
  }
  EXPECT_NEAR(static_cast<double>(sounding), 13230, 2);
  EXPECT_LT(largestStep, 0.075f);
}

TEST_F(AudioStreams, StallWhenTheFileGivesNoDataAndGoOnAfter) {
  TTestFolder folder;
  folder.Write(L"ramp.wav", RampWav(20000));
  const uint32_t handle = Open(folder.File(L"ramp.wav"));
  Audio_ChannelPlay(handle, true);
  Next();
  ASSERT_TRUE(audio::testing::SetStalled(handle, true));
  EXPECT_EQ(NextLevel(), 0.0f);
  EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_STALLED);
  ASSERT_TRUE(audio::testing::SetStalled(handle, false));
  EXPECT_EQ(Left(Next())[0], static_cast<float>(kBlock) / 32768);
  EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_PLAYING);
}

TEST_F(AudioStreams, AnalyseWhatTheyPlay) {
  TTestFolder folder;
  // On bin 20 of a 1024-point FFT at 44.1 kHz.
  const double hz = 20 * 44100.0 / 1024;
  folder.Write(L"sine.wav", SineWav(hz, 0.5, 44100));
  const uint32_t handle = Open(folder.File(L"sine.wav"));
  Audio_ChannelPlay(handle, true);
  Next(3);
  std::vector<float> fft(513, -1.0f);
  ASSERT_EQ(Audio_ChannelGetData(handle, fft.data(), AUDIO_DATA_FFT1024), 512 * sizeof(float));
  EXPECT_NEAR(fft[20], 0.5, 0.01);
  for (size_t k = 0; k < 512; ++k) {
    if (k >= 18 && k <= 22) continue;
    ASSERT_LT(fft[k], 0.005) << k;
  }
  EXPECT_EQ(fft[512], -1.0f) << "512 values, no more";
  EXPECT_EQ(Audio_ChannelGetData(handle, fft.data(), 1024), 0xFFFFFFFFu);
  EXPECT_EQ(Audio_ChannelGetData(0, fft.data(), AUDIO_DATA_FFT1024), 0xFFFFFFFFu);
}

TEST(AudioEngineRealTime, PlaysOnByItselfAndSleepsWhenDone) {
  // The null device keeps real time: the stream ends after its 0.1 s with
  // nobody pumping, the mixer then waits for the next play.
  TTestFolder folder;
  folder.Write(L"short.wav", LevelWav(kPcmA, 4410));
  ASSERT_TRUE(Audio_Init(0, 44100, 0, nullptr, nullptr));
  const uint32_t handle = Open(folder.File(L"short.wav"));
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(Audio_ChannelPlay(handle, true));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Audio_ChannelIsActive(handle) == AUDIO_ACTIVE_PLAYING && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_STOPPED);
    EXPECT_EQ(Audio_ChannelGetPosition(handle, AUDIO_POS_BYTE), 4410u * 2);
  }
  EXPECT_TRUE(Audio_Free());
}

}  // namespace
