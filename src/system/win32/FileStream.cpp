#include <windows.h>

#include "system/Stream.h"
#include "system/Unicode.h"

namespace sys {

std::string LastErrorText() {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length ? std::wstring(text, length) : L"System error " + std::to_wstring(code);
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  return WideToUtf8(message);
}

namespace {
HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }
}  // namespace

std::unique_ptr<TFileStream> TFileStream::OpenRead(const std::wstring& path) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw EFileError("Cannot open file \"" + WideToUtf8(path) + "\". " + LastErrorText());
  return std::unique_ptr<TFileStream>(new TFileStream(reinterpret_cast<intptr_t>(h)));
}

std::unique_ptr<TFileStream> TFileStream::Create(const std::wstring& path) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE)
    throw EFileError("Cannot create file \"" + WideToUtf8(path) + "\". " + LastErrorText());
  return std::unique_ptr<TFileStream>(new TFileStream(reinterpret_cast<intptr_t>(h)));
}

TFileStream::~TFileStream() {
  FlushBuffer();
  CloseHandle(AsHandle(FHandle));
}

size_t TFileStream::RawRead(void* buffer, size_t count) {
  DWORD read = 0;
  if (!ReadFile(AsHandle(FHandle), buffer, static_cast<DWORD>(count), &read, nullptr)) return 0;
  return read;
}

size_t TFileStream::RawWrite(const void* buffer, size_t count) {
  DWORD written = 0;
  if (!WriteFile(AsHandle(FHandle), buffer, static_cast<DWORD>(count), &written, nullptr)) return 0;
  return written;
}

bool TFileStream::RawFlush() { return FlushFileBuffers(AsHandle(FHandle)) != FALSE; }

}  // namespace sys
