#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "AudioTestSupport.h"
#include "TestFolder.h"
#include "audio/uSoundPlayer.h"

namespace {

using namespace audiotest;

// A player initialised on the capture device; the test steps the sound.
class SoundPlayer : public TCaptureEngine {
 protected:
  void SetUp() override {
    audio::testing::UseDevice(FDevice);
    ASSERT_TRUE(FPlayer.Init(nullptr, 0, 0));
    FFolder.Write(L"a.mp3", LevelWav(kPcmA, 44100));
    FFolder.Write(L"b.mp3", LevelWav(kPcmB, 44100));
    FFolder.Write(L"b.wma", LevelWav(kPcmB, 44100));
    FFolder.Write(L"broken.wma", "RIFF\x04\0\0\0WAVE");
    FFolder.Write(L"broken.mp3", "RIFF\x04\0\0\0WAVE");
  }
  void TearDown() override { FPlayer.Uninit(); }

  bool Open(const std::wstring& name) {
    uint32_t size = 0;
    double seconds = 0;
    return FPlayer.OpenFile(FFolder.File(name), size, seconds);
  }

  TTestFolder FFolder;
  TSoundPlayer FPlayer;
};

TEST_F(SoundPlayer, OpenFileGivesSizeAndDuration) {
  FFolder.Write(L"stereo.ogg", MakeWav({1, 2, 22050, 16}, std::string(33075 * 4, '\0')));
  uint32_t size = 7;
  double seconds = 7;
  ASSERT_TRUE(FPlayer.OpenFile(FFolder.File(L"stereo.ogg"), size, seconds));
  EXPECT_EQ(size, std::filesystem::file_size(FFolder.Dir() / "stereo.ogg"));
  EXPECT_DOUBLE_EQ(seconds, 1.5);
  EXPECT_EQ(FPlayer.GetChannelLength(), 33075 * 4);
  EXPECT_EQ(FPlayer.GetPlayState(), psStop) << "opened stopped";
  EXPECT_EQ(NextLevel(), 0.0f);
}

TEST_F(SoundPlayer, MissingFileChangesNothing) {
  ASSERT_TRUE(Open(L"a.mp3"));
  FPlayer.Play();
  std::filesystem::create_directory(FFolder.Dir() / "folder.mp3");
  for (const wchar_t* name : {L"missing.mp3", L"missing.wma", L"folder.mp3"}) {
    uint32_t size = 1234;
    double seconds = 5.5;
    EXPECT_FALSE(FPlayer.OpenFile(FFolder.File(name), size, seconds));
    EXPECT_EQ(size, 1234u);
    EXPECT_EQ(seconds, 5.5);
  }
  EXPECT_EQ(NextLevel(), kLevelA) << "the earlier stream plays on";
}

TEST_F(SoundPlayer, ExtensionWmaTakesTheWmaPath) {
  std::filesystem::create_directory(FFolder.Dir() / "a.wma");
  // Whether a file of each name goes beside a playing ".mp3" (the WMA path)
  // or in its place (the main path).
  const std::vector<std::pair<std::wstring, bool>> cases = {
      {L"tone.wma", true}, {L"tone.WMA", true},   {L"tone.Wma", true},     {L"tone.wma.mp3", false},
      {L"tone", false},    {L"tone.wmav", false}, {L"a.wma/sound", false}, {L"tone.mp3", false},
  };
  for (const auto& [name, wma] : cases) {
    SCOPED_TRACE(std::filesystem::path(name).string());
    const std::wstring path = (FFolder.Dir() / std::filesystem::path(name)).wstring();
    FFolder.Write(path, LevelWav(kPcmB, 44100));
    uint32_t size;
    double seconds;
    ASSERT_TRUE(FPlayer.OpenFile(FFolder.File(L"a.mp3"), size, seconds));
    FPlayer.Play();
    ASSERT_TRUE(FPlayer.OpenFile(path, size, seconds));
    FPlayer.Play();
    EXPECT_EQ(NextLevel(), wma ? kLevelA + kLevelB : kLevelB);
    FPlayer.Stop();
    FPlayer.Stop();
  }
}

TEST_F(SoundPlayer, SecondFileOfAKindSilencesTheFirst) {
  ASSERT_TRUE(Open(L"a.mp3"));
  FPlayer.Play();
  EXPECT_EQ(NextLevel(), kLevelA);
  ASSERT_TRUE(Open(L"b.mp3"));
  EXPECT_EQ(NextLevel(), 0.0f);
  FPlayer.Play();
  EXPECT_EQ(NextLevel(), kLevelB);
  EXPECT_EQ(audio::testing::OpenStreams().size(), 1u);
}

TEST_F(SoundPlayer, Mp3AndWmaSoundTogether) {
  ASSERT_TRUE(Open(L"b.wma"));
  FPlayer.Play();
  ASSERT_TRUE(Open(L"a.mp3"));
  FPlayer.Play();
  EXPECT_EQ(NextLevel(2), kLevelA + kLevelB);
  // The queries follow the WMA stream whatever the mode.
  FFolder.Write(L"long.mp3", LevelWav(kPcmA, 88200));
  ASSERT_TRUE(Open(L"long.mp3"));
  EXPECT_EQ(FPlayer.GetChannelLength(), 44100 * 2);
  FPlayer.SetCurrentPosition(1000);
  EXPECT_EQ(FPlayer.GetCurrentPosition(), 1000);
}

TEST_F(SoundPlayer, FailedOpenFreesTheStreamOfItsKindAndKeepsTheMode) {
  // mode before | the file that fails | what Play does then
  struct TCase {
    const wchar_t* First;
    const wchar_t* Broken;
    float LevelAfterPlay;
    bool Mp3Restarted;
  };
  const std::vector<TCase> cases = {
      // WMA mode: the current stream is the freed WMA one, Play does nothing.
      {L"b.wma", L"broken.wma", kLevelA, false},
      // Main mode: Play restarts the ".mp3" from its beginning.
      {nullptr, L"broken.wma", kLevelA, true},
      // The failed ".mp3" itself: nothing left to play.
      {nullptr, L"broken.mp3", 0.0f, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::filesystem::path(c.Broken).string() + (c.First ? " after a WMA" : ""));
    ASSERT_TRUE(Open(L"a.mp3"));
    FPlayer.Play();
    if (c.First) {
      ASSERT_TRUE(Open(c.First));
      FPlayer.Play();
    }
    Next(3);
    uint32_t size = 9;
    double seconds = 9;
    EXPECT_FALSE(FPlayer.OpenFile(FFolder.File(c.Broken), size, seconds));
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(seconds, 0.0);
    FPlayer.Play();
    const bool mp3Open = FPlayer.GetCurrentPosition() >= 0;
    EXPECT_EQ(mp3Open && FPlayer.GetCurrentPosition() == 0, c.Mp3Restarted);
    EXPECT_EQ(NextLevel(), c.LevelAfterPlay);
    FPlayer.Stop();
  }
}

TEST_F(SoundPlayer, AlarmToneTakesThePlaceOfTheMainStream) {
  for (const bool wmaMode : {false, true}) {
    SCOPED_TRACE(wmaMode ? "after a WMA" : "after an MP3");
    ASSERT_TRUE(Open(L"a.mp3"));
    FPlayer.Play();
    if (wmaMode) {
      ASSERT_TRUE(Open(L"b.wma"));
      FPlayer.Play();
    }
    uint32_t size = 7;
    double seconds = 7;
    ASSERT_TRUE(FPlayer.OpenAlarmTone(size, seconds));
    EXPECT_EQ(size, 0u);
    EXPECT_DOUBLE_EQ(seconds, 2.0);
    // The ".mp3" stream is gone; a WMA one plays on.
    const float others = wmaMode ? kLevelB : 0.0f;
    EXPECT_EQ(NextLevel(), others);
    EXPECT_EQ(audio::testing::OpenStreams().size(), wmaMode ? 2u : 1u);
    const uint32_t tone = audio::testing::OpenStreams().back();
    // Play is the tone's, whatever the mode was, and starts it over once it
    // has ended, as a loop does.
    for (int round = 0; round < 2; ++round) {
      FPlayer.Play();
      EXPECT_EQ(Audio_ChannelIsActive(tone), AUDIO_ACTIVE_PLAYING);
      float peak = 0;
      for (const float sample : Next()) peak = std::max(peak, std::abs(sample - others));
      EXPECT_GT(peak, 0.2f) << "the tone is heard";
      Next(200);
      EXPECT_EQ(Audio_ChannelIsActive(tone), AUDIO_ACTIVE_STOPPED);
    }
    FPlayer.Stop();
    EXPECT_EQ(audio::testing::OpenStreams().size(), wmaMode ? 1u : 0u) << "Stop frees the tone";
  }
}

TEST_F(SoundPlayer, PlayAfterTheEndStartsOver) {
  FFolder.Write(L"short.mp3", LevelWav(kPcmA, 1000));
  ASSERT_TRUE(Open(L"short.mp3"));
  FPlayer.Play();
  Next(4);
  EXPECT_EQ(FPlayer.GetPlayState(), psStop);
  EXPECT_EQ(NextLevel(), 0.0f);
  FPlayer.Play();
  EXPECT_EQ(FPlayer.GetPlayState(), psPlaying);
  EXPECT_EQ(FPlayer.GetCurrentPosition(), 0);
  EXPECT_EQ(NextLevel(), kLevelA);
  // And while it plays, from its beginning again.
  FPlayer.Play();
  EXPECT_EQ(FPlayer.GetCurrentPosition(), 0);
}

TEST_F(SoundPlayer, StopInWmaModeFreesOnlyTheWmaStream) {
  ASSERT_TRUE(Open(L"a.mp3"));
  FPlayer.Play();
  ASSERT_TRUE(Open(L"b.wma"));
  FPlayer.Play();
  FPlayer.Stop();
  EXPECT_EQ(NextLevel(), kLevelA);
  EXPECT_TRUE(FPlayer.CanPlay());
  EXPECT_EQ(FPlayer.GetPlayState(), psPlaying);
  FPlayer.Stop();  // the WMA handle is 0 now: nothing
  EXPECT_EQ(NextLevel(), kLevelA);
  EXPECT_EQ(audio::testing::OpenStreams().size(), 1u);
}

TEST_F(SoundPlayer, PlayStateFollowsTheEngine) {
  ASSERT_TRUE(Open(L"a.mp3"));
  const uint32_t handle = audio::testing::OpenStreams().at(0);
  struct TStep {
    const char* Name;
    std::function<void()> Do;
    TPlayState State;
  };
  const std::vector<TStep> steps = {
      {"opened", [] {}, psStop},
      {"play", [&] { FPlayer.Play(); }, psPlaying},
      {"pause", [&] { FPlayer.Pause(); }, psPause},
      {"resume", [&] { FPlayer.Resume(); }, psPlaying},
      {"stalled", [&] { audio::testing::SetStalled(handle, true), Next(); }, psNormal},
      {"recovered", [&] { audio::testing::SetStalled(handle, false), Next(); }, psPlaying},
      {"stop", [&] { FPlayer.Stop(); }, psStop},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Name);
    step.Do();
    EXPECT_EQ(FPlayer.GetPlayState(), step.State);
  }
  EXPECT_FALSE(FPlayer.CanPlay());
  EXPECT_EQ(FPlayer.GetChannelLength(), -1);
  EXPECT_EQ(FPlayer.GetCurrentPosition(), -1);
  EXPECT_EQ(FPlayer.GetSpectrumView(), nullptr);
}

TEST_F(SoundPlayer, PauseAndResumeActOnTheCurrentStreamOnly) {
  ASSERT_TRUE(Open(L"a.mp3"));
  FPlayer.Play();
  ASSERT_TRUE(Open(L"b.wma"));
  FPlayer.Pause();  // the WMA stream, which is not playing
  EXPECT_EQ(NextLevel(), kLevelA);
  FPlayer.Resume();
  EXPECT_EQ(NextLevel(), kLevelA + kLevelB);
  FPlayer.Pause();
  EXPECT_EQ(NextLevel(), kLevelA);
}

TEST_F(SoundPlayer, SecondPlayerWhoseInitFailedPlaysNormally) {
  TSoundPlayer editor;
  EXPECT_FALSE(editor.Init(nullptr, 0, 0));
  EXPECT_EQ(editor.ErrCode(), -2);
  uint32_t size = 0;
  double seconds = 0;
  ASSERT_TRUE(editor.OpenFile(FFolder.File(L"b.mp3"), size, seconds));
  EXPECT_EQ(seconds, 1.0);
  editor.Play();
  EXPECT_EQ(NextLevel(), kLevelB);
  EXPECT_EQ(editor.GetSpectrumView(), nullptr) << "it has no view";
  ASSERT_TRUE(Open(L"a.mp3"));
  FPlayer.Play();
  EXPECT_EQ(NextLevel(), kLevelA + kLevelB);
}

TEST_F(SoundPlayer, SpectrumOnlyWhileAStreamPlays) {
  FPlayer.Uninit();
  audio::testing::UseDevice(FDevice);
  ASSERT_TRUE(FPlayer.Init(nullptr, 64, 32));
  FFolder.Write(L"sine.mp3", SineWav(1000, 0.9, 44100));
  EXPECT_EQ(FPlayer.GetSpectrumView(), nullptr) << "nothing open";
  ASSERT_TRUE(Open(L"sine.mp3"));
  EXPECT_EQ(FPlayer.GetSpectrumView(), nullptr) << "not playing";
  FPlayer.Play();
  Next(3);
  const TSpectrumBitmap* view = FPlayer.GetSpectrumView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->Width(), 64);
  EXPECT_EQ(view->Height(), 32);
  int lit = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) lit += view->Pixel(x, y) == TSpectrumView::kBarColor;
  EXPECT_GT(lit, 0);
}

struct TInitFailure {
  const char* Name;
  uint32_t Version;
  bool DeviceOpens;
};

class FailingDevice : public audio::TCaptureDevice {
 public:
  bool Open(uint32_t) override { return false; }
};

TEST(SoundPlayerInit, FailsWithMinus2WhenTheEngineCannotBeUsed) {
  TTestFolder folder;
  folder.Write(L"a.mp3", LevelWav(kPcmA, 100));
  const std::vector<TInitFailure> cases = {
      {"version 2.3", 0x02030000, true},
      {"version 3.4", 0x03040000, true},
      {"no output device", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    audio::testing::SetReportedVersion(c.Version);
    auto device = c.DeviceOpens ? std::make_shared<audio::TCaptureDevice>() : std::make_shared<FailingDevice>();
    audio::testing::UseDevice(device);
    TSoundPlayer player;
    EXPECT_FALSE(player.Init(nullptr, 0, 0));
    EXPECT_EQ(player.ErrCode(), -2);
    // After a wrong version the engine was never asked to start.
    EXPECT_FALSE(device->IsOpen());
    uint32_t size = 0;
    double seconds = 0;
    EXPECT_FALSE(player.OpenFile(folder.File(L"a.mp3"), size, seconds));
    EXPECT_FALSE(player.OpenAlarmTone(size, seconds));
    EXPECT_FALSE(player.CanPlay());
    audio::testing::SetReportedVersion(0);
    audio::testing::UseDevice(nullptr);
  }
  EXPECT_FALSE(Audio_Free()) << "nothing was initialised";
}

}  // namespace
