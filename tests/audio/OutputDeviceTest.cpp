// The buffered device (waveOut's logic) on a device that fails as an
// unplugged one does, in real time.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AudioTestSupport.h"
#include "TestFolder.h"
#include "audio/AudioEngine.h"
#include "audio/AudioTesting.h"

namespace {

using namespace audiotest;
using TClock = std::chrono::steady_clock;

// The engine on a faulty device, with a 20-second stream that sounds.
class FaultyDevice : public testing::Test {
 protected:
  void SetUp() override {
    audio::testing::UseDevice(FDevice);
    ASSERT_TRUE(Audio_Init(-1, 44100, 0, nullptr, nullptr));
    FFolder.Write(L"long.wav", LevelWav(kPcmA, 20 * 44100));
    FFolder.Write(L"short.wav", LevelWav(kPcmA, 4410));
    FLong = Audio_StreamCreateFile(false, FFolder.File(L"long.wav").c_str(), 0, 0, AUDIO_UNICODE);
    ASSERT_NE(FLong, 0u);
  }
  void TearDown() override { Audio_Free(); }

  // Waits for done, 10 s at most.
  static bool Eventually(const std::function<bool()>& done) {
    const auto deadline = TClock::now() + std::chrono::seconds(10);
    while (!done() && TClock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
  }
  // Waits until the device has taken this many more frames of sound.
  bool Heard(uint64_t frames) {
    const uint64_t before = FDevice->SoundFrames();
    return Eventually([&] { return FDevice->SoundFrames() >= before + frames; });
  }
  // The stream has played, in real time, for about as long as it has been
  // playing: never ahead (the device keeps 40 ms queued), behind by at most
  // lag.
  void ExpectInTime(uint32_t handle, TClock::time_point started, double lag) {
    const double position = Audio_ChannelBytes2Seconds(handle, Audio_ChannelGetPosition(handle, AUDIO_POS_BYTE));
    const double elapsed = std::chrono::duration<double>(TClock::now() - started).count();
    EXPECT_LE(position, elapsed + 0.1);
    EXPECT_GE(position, elapsed - lag);
  }

  std::shared_ptr<audio::testing::TFaultyDevice> FDevice = std::make_shared<audio::testing::TFaultyDevice>();
  TTestFolder FFolder;
  uint32_t FLong = 0;
};

TEST_F(FaultyDevice, ReopensAfterAFaultAndStreamsKeepTime) {
  struct TCase {
    const char* Name;
    bool Stuck;
    int FailedOpens;
    // Behind by a loaded machine's scheduling at most, and a buffer that
    // never comes back costs the wait for it.
    double Lag;
  };
  const std::vector<TCase> cases = {
      {"writes fail", false, 0, 0.5},
      {"writes fail, then no device for a while", false, 3, 0.5},
      {"buffers never come back", true, 0, 1.0},
      {"buffers never come back, then no device for a while", true, 3, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto started = TClock::now();
    ASSERT_TRUE(Audio_ChannelPlay(FLong, true));
    ASSERT_TRUE(Heard(441));
    const int opens = FDevice->Opens();
    FDevice->FailOpens(c.FailedOpens);
    FDevice->Fail(c.Stuck);
    EXPECT_TRUE(Heard(4410)) << "silent after the fault";
    EXPECT_EQ(FDevice->Opens(), opens + 1);
    EXPECT_EQ(Audio_ChannelIsActive(FLong), AUDIO_ACTIVE_PLAYING);
    ExpectInTime(FLong, started, c.Lag);
  }
}

TEST_F(FaultyDevice, PlaysInTimeWhileNoDeviceOpensAndIsHeardOnceOneDoes) {
  // Played and let rest, so that the device is closed when the next play
  // finds it gone.
  const uint32_t warm = Audio_StreamCreateFile(false, FFolder.File(L"short.wav").c_str(), 0, 0, AUDIO_UNICODE);
  ASSERT_TRUE(Audio_ChannelPlay(warm, true));
  ASSERT_TRUE(Eventually([&] { return Audio_ChannelIsActive(warm) == AUDIO_ACTIVE_STOPPED; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  FDevice->FailOpens(1'000'000);
  const auto started = TClock::now();
  ASSERT_TRUE(Audio_ChannelPlay(FLong, true));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Audio_ChannelIsActive(FLong), AUDIO_ACTIVE_PLAYING);
  ExpectInTime(FLong, started, 0.5);

  // And a sound that ends while there is no device ends in its own time.
  ASSERT_TRUE(Audio_ChannelPlay(warm, true));
  EXPECT_TRUE(Eventually([&] { return Audio_ChannelIsActive(warm) == AUDIO_ACTIVE_STOPPED; }));

  FDevice->FailOpens(0);
  EXPECT_TRUE(Heard(4410)) << "the device came back";
  ExpectInTime(FLong, started, 0.5);
}

}  // namespace
