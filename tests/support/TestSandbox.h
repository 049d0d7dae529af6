#pragma once
// Include in one file of a test executable that runs the program's forms:
// sound goes to a null device in real time (under Wine without a sound card
// the real device would not open), and shell and power calls are recorded,
// not made (an alarm's shutdown action must not end the test run). Set up
// before the first test: the audio engine opens one device per process.

#include <gtest/gtest.h>

#include <memory>

#include "audio/AudioDevice.h"
#include "audio/AudioEngine.h"
#include "audio/AudioTesting.h"
#include "system/Shell.h"

class TTestSandbox : public testing::Environment {
 public:
  void SetUp() override {
    audio::testing::UseDevice(std::make_shared<audio::TNullDevice>());
    sys::SetRecordSystemActions(true);
  }
};

// Ends the audio engine, so that the next program started opens it afresh
// on device (a test's own, to be put back after).
inline void RestartAudioOn(std::shared_ptr<audio::TOutputDevice> device) {
  Audio_Free();
  audio::testing::UseDevice(std::move(device));
}

inline const testing::Environment* const kTestSandbox = testing::AddGlobalTestEnvironment(new TTestSandbox);
