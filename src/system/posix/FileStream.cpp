#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "system/Stream.h"
#include "system/Unicode.h"

namespace sys {

std::string LastErrorText() { return std::strerror(errno); }

std::unique_ptr<TFileStream> TFileStream::OpenRead(const std::wstring& path) {
  const int fd = open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EFileError("Cannot open file \"" + WideToUtf8(path) + "\". " + LastErrorText());
  return std::unique_ptr<TFileStream>(new TFileStream(fd));
}

std::unique_ptr<TFileStream> TFileStream::Create(const std::wstring& path) {
  const int fd = open(WideToUtf8(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw EFileError("Cannot create file \"" + WideToUtf8(path) + "\". " + LastErrorText());
  return std::unique_ptr<TFileStream>(new TFileStream(fd));
}

TFileStream::~TFileStream() {
  FlushBuffer();
  close(static_cast<int>(FHandle));
}

size_t TFileStream::RawRead(void* buffer, size_t count) {
  for (;;) {
    const ssize_t n = read(static_cast<int>(FHandle), buffer, count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) return 0;
  }
}

size_t TFileStream::RawWrite(const void* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = write(static_cast<int>(FHandle), static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool TFileStream::RawFlush() { return fsync(static_cast<int>(FHandle)) == 0; }

}  // namespace sys
