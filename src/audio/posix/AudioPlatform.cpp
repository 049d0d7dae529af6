// POSIX: no decoders beyond the engine's own, the null device by default.
#include "audio/AudioPlatform.h"

#include <stdio.h>
#include <sys/stat.h>

#include "audio/AudioDevice.h"
#include "system/Unicode.h"

namespace audio {

FILE* OpenFileRead(const std::wstring& path) {
  FILE* file = fopen(sys::WideToUtf8(path).c_str(), "rbe");
  if (file == nullptr) return nullptr;
  struct stat info {};
  // fopen opens folders for reading too.
  if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
    fclose(file);
    return nullptr;
  }
  return file;
}

bool SeekFile(FILE* file, uint64_t offset) { return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0; }

uint64_t FileSizeOf(FILE* file) {
  struct stat info {};
  return fstat(fileno(file), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

std::shared_ptr<TOutputDevice> CreateDefaultDevice() { return std::make_shared<TNullDevice>(); }

namespace platform {

void Startup(bool) {}
void Shutdown() {}
void EnterMixerThread() {}
void LeaveMixerThread() {}

std::unique_ptr<TDecoder> OpenSystemDecoder(const std::wstring&, uint64_t) { return nullptr; }

}  // namespace platform

}  // namespace audio
