#pragma once
// What the engine needs of the operating system beyond the C library. One
// implementation in win32/, one in posix/.

#include <cstdint>
#include <memory>
#include <string>

#include "audio/Decoder.h"

namespace audio::platform {

// Around the engine's life: Audio_Init calls Startup before it opens the
// device, Audio_Free calls Shutdown after every stream is gone.
// systemDecoders false: as on a system without them.
void Startup(bool systemDecoders);
void Shutdown();

// At the start and the end of the mixer thread.
void EnterMixerThread();
void LeaveMixerThread();

// The system's own decoders for what the engine does not decode itself;
// null when there are none or they cannot decode the file.
std::unique_ptr<TDecoder> OpenSystemDecoder(const std::wstring& path, uint64_t fileSize);

}  // namespace audio::platform
