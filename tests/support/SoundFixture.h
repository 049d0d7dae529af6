#pragma once
// A small sound file made in the test: 8 kHz 8-bit mono WAV, a square wave
// of the given length. The content, not the name, picks the decoder, so it
// also stands in for an MP3.

#include <cstddef>
#include <string>

inline std::string SquareWav(int milliseconds) {
  std::string data;
  for (int i = 0; i < 8 * milliseconds; ++i) data += static_cast<char>(i % 16 < 8 ? 0x20 : 0xE0);
  auto le = [](size_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(v >> (8 * i));
    return s;
  };
  return "RIFF" + le(36 + data.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
         le(8000, 4) + le(1, 2) + le(8, 2) + "data" + le(data.size(), 4) + data;
}
