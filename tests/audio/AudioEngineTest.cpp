#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <new>
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
  EXPECT_EQ(Audio_StreamCreateAlarmTone(), 0u);
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

TEST_F(AudioStreams, AlarmToneBeepsFourTimesTwiceWithoutClicks) {
  const uint32_t tone = Audio_StreamCreateAlarmTone();
  ASSERT_NE(tone, 0u);
  const uint64_t length = Audio_ChannelGetLength(tone, AUDIO_POS_BYTE);
  EXPECT_EQ(length, 2 * 88200u) << "2 s of 44.1 kHz mono";
  EXPECT_DOUBLE_EQ(Audio_ChannelBytes2Seconds(tone, length), 2.0);
  EXPECT_EQ(Audio_StreamGetFilePosition(tone, AUDIO_FILEPOS_END), 0u);
  EXPECT_EQ(NextLevel(), 0.0f) << "opened, not playing";
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(Audio_ChannelPlay(tone, true));
    const std::vector<float> left = Left(Next(201));
    EXPECT_EQ(Audio_ChannelIsActive(tone), AUDIO_ACTIVE_STOPPED);
    EXPECT_EQ(Audio_ChannelGetPosition(tone, AUDIO_POS_BYTE), length);

    // Runs of sound at least 10 ms apart.
    struct TBeep {
      size_t First, Last;
      float Peak;
    };
    std::vector<TBeep> beeps;
    float largestStep = 0;
    for (size_t i = 0; i < left.size(); ++i) {
      if (i > 0) largestStep = std::max(largestStep, std::abs(left[i] - left[i - 1]));
      if (left[i] == 0) continue;
      if (beeps.empty() || i > beeps.back().Last + kBlock) beeps.push_back({i, i, 0});
      beeps.back().Last = i;
      beeps.back().Peak = std::max(beeps.back().Peak, std::abs(left[i]));
    }
    ASSERT_EQ(beeps.size(), 8u);
    for (size_t b = 0; b < beeps.size(); ++b) {
      SCOPED_TRACE(b);
      const TBeep& beep = beeps[b];
      EXPECT_NEAR(static_cast<double>(beep.First) / 44.1, (b / 4) * 1000.0 + (b % 4) * 150.0, 1);
      EXPECT_NEAR(static_cast<double>(beep.Last - beep.First) / 44.1, 90, 1);
      EXPECT_GT(beep.Peak, 0.25f) << "loud enough to wake";
      EXPECT_LT(beep.Peak, 0.5f);
      size_t rising = 0;
      for (size_t i = beep.First + 1; i <= beep.Last; ++i) rising += left[i - 1] < 0 && left[i] >= 0;
      EXPECT_NEAR(static_cast<double>(rising), 2000 * 0.09, 2) << "2 kHz";
      // It swells in and fades out: nothing near its peak in its first and
      // last millisecond.
      for (size_t i = 0; i < 44; ++i) {
        ASSERT_LT(std::abs(left[beep.First + i]), 0.5f * beep.Peak) << i;
        ASSERT_LT(std::abs(left[beep.Last - i]), 0.5f * beep.Peak) << i;
      }
    }
    // No step larger than the tone's own steepest.
    EXPECT_LT(largestStep, 2 * std::numbers::pi * 2000 / 44100 * beeps[0].Peak * 1.02);
  }
  EXPECT_TRUE(Audio_StreamFree(tone));
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

// Where a decoder's Read waits while the test holds it shut, as a read from a
// share that stalled.
class TGate {
 public:
  // The next Read waits until Open.
  void Shut() {
    std::lock_guard lock(FLock);
    FShut = true;
  }
  void Open() {
    std::lock_guard lock(FLock);
    FShut = false;
    FChanged.notify_all();
  }
  // Waits until a Read waits at the gate, 10 s at most.
  bool WaitForReader() {
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, std::chrono::seconds(10), [this] { return FWaiting; });
  }
  void Pass() {
    std::unique_lock lock(FLock);
    FWaiting = FShut;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return !FShut; });
    FWaiting = false;
  }

 private:
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FShut = false;
  bool FWaiting = false;
};

// Ten seconds of mono ramp, frame i being i / 32768 as in RampWav, that
// reads through a gate.
class TGatedDecoder : public audio::TDecoder {
 public:
  explicit TGatedDecoder(std::shared_ptr<TGate> gate) : FGate(std::move(gate)) {
    FFormat = {44100, 1};
    FLengthFrames = 441000;
  }
  ptrdiff_t Read(float* stereo, size_t frames) override {
    FGate->Pass();
    const size_t n = static_cast<size_t>(std::min<uint64_t>(frames, FLengthFrames - FPosition));
    for (size_t i = 0; i < n; ++i) stereo[2 * i] = stereo[2 * i + 1] = static_cast<float>(FPosition + i) / 32768;
    FPosition += n;
    return static_cast<ptrdiff_t>(n);
  }
  bool Seek(uint64_t frame) override {
    FPosition = frame;
    return true;
  }

 private:
  std::shared_ptr<TGate> FGate;
  uint64_t FPosition = 0;
};

// Runs call on a thread of its own while a read waits at gate, then opens
// the gate; whether call returned before that (10 s at most).
bool ReturnsWhileBlocked(TGate& gate, const std::function<void()>& call) {
  auto done = std::async(std::launch::async, call);
  const bool returned = done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  gate.Open();
  done.get();
  return returned;
}

TEST(AudioEngineBlockedRead, EveryCallAnswersAtOnceWhileADecoderBlocks) {
  ASSERT_TRUE(Audio_Init(0, 44100, 0, nullptr, nullptr));
  TTestFolder folder;
  folder.Write(L"other.wav", LevelWav(kPcmA, 44100));
  const auto gate = std::make_shared<TGate>();
  const uint32_t handle = audio::testing::CreateStream(std::make_unique<TGatedDecoder>(gate));
  ASSERT_NE(handle, 0u);
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"play from the start",
       [&] {
         EXPECT_TRUE(Audio_ChannelPlay(handle, true));
         EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_PLAYING);
         EXPECT_EQ(Audio_ChannelGetPosition(handle, AUDIO_POS_BYTE), 0u);
       }},
      {"seek",
       [&] {
         EXPECT_TRUE(Audio_ChannelSetPosition(handle, 2 * 5000, AUDIO_POS_BYTE));
         EXPECT_EQ(Audio_ChannelGetPosition(handle, AUDIO_POS_BYTE), 2 * 5000u);
       }},
      {"pause",
       [&] {
         EXPECT_TRUE(Audio_ChannelPause(handle));
         EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_PAUSED);
       }},
      {"stop",
       [&] {
         EXPECT_TRUE(Audio_ChannelStop(handle));
         EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_STOPPED);
       }},
      {"queries",
       [&] {
         EXPECT_EQ(Audio_ChannelGetLength(handle, AUDIO_POS_BYTE), 2 * 441000u);
         EXPECT_DOUBLE_EQ(Audio_ChannelBytes2Seconds(handle, 2 * 44100), 1.0);
         EXPECT_EQ(Audio_StreamGetFilePosition(handle, AUDIO_FILEPOS_END), 0u);
         std::vector<float> fft(512);
         EXPECT_EQ(Audio_ChannelGetData(handle, fft.data(), AUDIO_DATA_FFT1024), 512 * sizeof(float));
       }},
      {"another stream",
       [&] {
         const uint32_t other = Open(folder.File(L"other.wav"));
         EXPECT_TRUE(Audio_ChannelPlay(other, true));
         EXPECT_TRUE(Audio_StreamFree(other));
       }},
      {"free",
       [&] {
         EXPECT_TRUE(Audio_StreamFree(handle));
         EXPECT_EQ(Audio_ChannelIsActive(handle), AUDIO_ACTIVE_STOPPED);
       }},
  };
  for (const auto& [name, call] : steps) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(Audio_ChannelPlay(handle, false));
    gate->Shut();
    ASSERT_TRUE(gate->WaitForReader());
    EXPECT_TRUE(ReturnsWhileBlocked(*gate, call));
  }
  EXPECT_TRUE(Audio_Free());
}

TEST_F(AudioStreams, CallsDuringABlockedReadHoldAfterIt) {
  struct TCase {
    const char* Name;
    std::function<void(uint32_t)> Call;
    bool BlockHeard;    // the block that was being read when the call came
    int64_t NextStart;  // the frame the block after it starts at; -1 silent
  };
  const std::vector<TCase> cases = {
      {"restart", [](uint32_t h) { Audio_ChannelPlay(h, true); }, false, 0},
      {"seek", [](uint32_t h) { Audio_ChannelSetPosition(h, 2 * 5000, AUDIO_POS_BYTE); }, false, 5000},
      {"pause", [](uint32_t h) { Audio_ChannelPause(h); }, true, -1},
      {"free", [](uint32_t h) { Audio_StreamFree(h); }, false, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto gate = std::make_shared<TGate>();
    const uint32_t handle = audio::testing::CreateStream(std::make_unique<TGatedDecoder>(gate));
    Audio_ChannelPlay(handle, true);
    Next();
    gate->Shut();
    FDevice->Take();
    auto stepped = std::async(std::launch::async, [&] { FDevice->Step(1); });
    ASSERT_TRUE(gate->WaitForReader());
    EXPECT_TRUE(ReturnsWhileBlocked(*gate, [&] { c.Call(handle); }));
    stepped.get();
    const std::vector<float> during = FDevice->Take();
    if (c.BlockHeard) {
      EXPECT_EQ(Left(during).at(0), static_cast<float>(kBlock) / 32768);
    } else {
      EXPECT_EQ(SteadyLevel(during), 0.0f);
    }
    const std::vector<float> after = Next();
    if (c.NextStart < 0) {
      EXPECT_EQ(SteadyLevel(after), 0.0f);
    } else {
      EXPECT_EQ(Left(after).at(5), static_cast<float>(c.NextStart + 5) / 32768);
    }
    Audio_StreamFree(handle);
  }
}

// Out of memory after two reads, or in its first seek.
class TThrowingDecoder : public audio::TDecoder {
 public:
  explicit TThrowingDecoder(bool inSeek) : FInSeek(inSeek) {
    FFormat = {44100, 1};
    FLengthFrames = 44100;
  }
  ptrdiff_t Read(float* stereo, size_t frames) override {
    if (!FInSeek && ++FReads > 2) throw std::bad_alloc();
    std::fill(stereo, stereo + 2 * frames, kLevelB);
    return static_cast<ptrdiff_t>(frames);
  }
  bool Seek(uint64_t) override {
    if (FInSeek) throw std::bad_alloc();
    return true;
  }

 private:
  bool FInSeek;
  int FReads = 0;
};

TEST_F(AudioStreams, ADecoderThatThrowsEndsItsOwnStreamOnly) {
  TTestFolder folder;
  folder.Write(L"a.wav", LevelWav(kPcmA, 44100));
  for (const bool inSeek : {false, true}) {
    SCOPED_TRACE(inSeek ? "seek" : "read");
    const uint32_t a = Open(folder.File(L"a.wav"));
    const uint32_t broken = audio::testing::CreateStream(std::make_unique<TThrowingDecoder>(inSeek));
    Audio_ChannelPlay(a, true);
    Audio_ChannelPlay(broken, inSeek);
    if (!inSeek) {
      EXPECT_EQ(NextLevel(2), kLevelA + kLevelB);
    }
    EXPECT_EQ(NextLevel(), kLevelA);
    EXPECT_EQ(Audio_ChannelIsActive(broken), AUDIO_ACTIVE_STOPPED);
    EXPECT_EQ(NextLevel(), kLevelA) << "the mixer goes on";
    Audio_StreamFree(a);
    Audio_StreamFree(broken);
  }
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
