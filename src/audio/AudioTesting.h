#pragma once
// Hooks for tests and benchmarks; the program never calls them.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/AudioDevice.h"
#include "audio/Decoder.h"
#include "audio/FaultyDevice.h"

namespace audio::testing {

// The device that the next Audio_Init opens in place of its own (once).
void UseDevice(std::shared_ptr<TOutputDevice> device);

// Makes Audio_GetVersion report version; 0 brings back the real one.
void SetReportedVersion(uint32_t version);

// From the next Audio_Init on, the engine starts as on a Windows without
// Media Foundation, as if its DLLs failed to load: MP3 and WMA do not open.
// false brings it back. No effect elsewhere.
void SetMediaFoundationMissing(bool missing);

// Runs first in every TSoundPlayer::OpenSound, on the thread that opens the
// file, given its path: a test makes it block as an unreachable share would.
// Empty for nothing.
void SetOpenHook(std::function<void(const std::wstring& path)> hook);

// Handles of the open streams, in the order they were made.
std::vector<uint32_t> OpenStreams();

// Opens a stream over decoder, as Audio_StreamCreateFile does over a file's.
uint32_t CreateStream(std::unique_ptr<TDecoder> decoder);

// While stalled, the stream's file gives no data, as if reading it failed.
bool SetStalled(uint32_t handle, bool stalled);

}  // namespace audio::testing
