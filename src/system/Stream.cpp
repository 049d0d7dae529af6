#include "system/Stream.h"

#include <algorithm>
#include <cstring>

namespace sys {

size_t TMemoryStream::Read(void* buffer, size_t count) {
  const size_t n = std::min(count, FBytes.size() - FPosition);
  std::memcpy(buffer, FBytes.data() + FPosition, n);
  FPosition += n;
  return n;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
  if (FPosition + count > FBytes.size()) FBytes.resize(FPosition + count);
  std::memcpy(FBytes.data() + FPosition, buffer, count);
  FPosition += count;
  return count;
}

size_t TFileStream::Read(void* buffer, size_t count) {
  char* out = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < count) {
    if (FReadPosition == FReadBuffer.size()) {
      // Large reads skip the buffer.
      if (count - done >= kBufferSize) return done + RawRead(out + done, count - done);
      FReadBuffer.resize(kBufferSize);
      FReadBuffer.resize(RawRead(FReadBuffer.data(), kBufferSize));
      FReadPosition = 0;
      if (FReadBuffer.empty()) break;
    }
    const size_t n = std::min(count - done, FReadBuffer.size() - FReadPosition);
    std::memcpy(out + done, FReadBuffer.data() + FReadPosition, n);
    FReadPosition += n;
    done += n;
  }
  return done;
}

size_t TFileStream::Write(const void* buffer, size_t count) {
  if (FWriteFailed) return 0;
  if (FWriteBuffer.size() + count > kBufferSize && !FlushBuffer()) return 0;
  if (count >= kBufferSize) return RawWrite(buffer, count);
  FWriteBuffer.append(static_cast<const char*>(buffer), count);
  return count;
}

bool TFileStream::FlushBuffer() {
  if (!FWriteBuffer.empty()) {
    if (RawWrite(FWriteBuffer.data(), FWriteBuffer.size()) != FWriteBuffer.size()) FWriteFailed = true;
    FWriteBuffer.clear();
  }
  return !FWriteFailed;
}

bool TFileStream::Flush() { return FlushBuffer() && RawFlush(); }

}  // namespace sys
