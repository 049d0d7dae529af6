#pragma once
// Byte streams: in memory, and files with the system's sharing rules and
// error reasons.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace sys {

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to count bytes; fewer at the end. A read error counts as the end.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes up to count bytes and returns how many were stored.
  virtual size_t Write(const void* buffer, size_t count) = 0;
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : FBytes(std::move(bytes)) {}
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  const std::string& Bytes() const { return FBytes; }
  size_t Position() const { return FPosition; }
  void SetPosition(size_t position) { FPosition = position < FBytes.size() ? position : FBytes.size(); }

 private:
  std::string FBytes;
  size_t FPosition = 0;
};

// A file that cannot be opened or created. The message names the file and the
// system's reason.
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TFileStream : public TStream {
 public:
  // Opens for reading; other readers are allowed, writers are not. Throws
  // EFileError "Cannot open file "<path>". <reason>".
  static std::unique_ptr<TFileStream> OpenRead(const std::wstring& path);
  // Creates the file, or truncates it. Throws EFileError
  // "Cannot create file "<path>". <reason>".
  static std::unique_ptr<TFileStream> Create(const std::wstring& path);

  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  // Reads and writes go through a buffer of their own, so that callers may
  // work in small pieces without a system call for each.
  size_t Read(void* buffer, size_t count) override;
  size_t Write(const void* buffer, size_t count) override;
  // Hands the buffered bytes to the system; false when it did not take them
  // all. Closing the stream without it drops a failure unseen.
  bool FlushBuffer();
  // FlushBuffer, then forces the file's bytes to the disk.
  bool Flush();

 private:
  explicit TFileStream(intptr_t handle) : FHandle(handle) {}
  size_t RawRead(void* buffer, size_t count);
  size_t RawWrite(const void* buffer, size_t count);
  bool RawFlush();

  // 64 KiB: a save of a large list makes a system call per 64 KiB instead of
  // one per 256-byte chunk of the XML writer.
  static constexpr size_t kBufferSize = 64 * 1024;
  intptr_t FHandle;
  std::string FReadBuffer;
  size_t FReadPosition = 0;
  std::string FWriteBuffer;
  bool FWriteFailed = false;
};

// The system's text for its last error (GetLastError, errno), in UTF-8.
std::string LastErrorText();

}  // namespace sys
