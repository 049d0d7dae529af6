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

}  // namespace sys
