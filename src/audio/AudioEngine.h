#pragma once
// The audio engine: streams decoded from files while they play, mixed on a
// thread of the engine and sent to one output device. Plain functions that
// report through their result; every call may come from any thread, though
// the program makes them all from its GUI thread.
//
// Only the calls that open or close something wait for a file: a seek (by a
// play from the beginning, or a new position) is made by the mixer before
// its next read, and the queries answer as if it were made already.
//
// Byte positions and lengths count the stream's decoded output as 16-bit PCM
// in the file's own channels and sample rate, whatever the device plays.

#include <cstdint>

// Version 2.4 in the upper 16 bits.
constexpr uint32_t AUDIO_VERSION = 0x02040000;

// Audio_StreamCreateFile flag: the file name is wchar_t text (UTF-16 on
// Windows). Without it the name is char text in the ANSI code page.
constexpr uint32_t AUDIO_UNICODE = 0x80000000;

// Audio_ChannelGetData request: 512 magnitudes of a 1024-point FFT of what the
// stream played last.
constexpr uint32_t AUDIO_DATA_FFT1024 = 0x80000002;

// Position mode: bytes.
constexpr uint32_t AUDIO_POS_BYTE = 0;
// Audio_StreamGetFilePosition mode: the end of the file, that is its size.
constexpr uint32_t AUDIO_FILEPOS_END = 2;

// Audio_ChannelIsActive results.
constexpr uint32_t AUDIO_ACTIVE_STOPPED = 0;
constexpr uint32_t AUDIO_ACTIVE_PLAYING = 1;
constexpr uint32_t AUDIO_ACTIVE_STALLED = 2;  // playing, but its file gives no data now
constexpr uint32_t AUDIO_ACTIVE_PAUSED = 3;

// What the 64-bit queries return for an unknown handle or mode.
constexpr uint64_t AUDIO_INVALID = ~uint64_t{0};

uint32_t Audio_GetVersion();

// Opens the output device and starts the mixer. device: -1 or 1 the default
// device, 0 no sound (a device that only keeps time). freq: the device's
// sample rate. flags, win and clsid are accepted and not used. Fails while
// the engine is initialised already: once per process until Audio_Free. The
// default device's system side opens with the first sound (and reopens after
// every idle spell); none there does not fail Init: streams play in time,
// unheard, until one opens.
bool Audio_Init(int32_t device, uint32_t freq, uint32_t flags, void* win, const void* clsid);

// Stops the mixer, frees every stream and closes the device.
bool Audio_Free();

// Opens a whole file as a stream, stopped at its beginning; 0 on every
// failure. The decoder is chosen by the file's content, not its name. Only
// files are supported: mem must be false, offset and length 0.
uint32_t Audio_StreamCreateFile(bool mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags);

// The same for files named ".wma": Windows Media Foundation decodes what the
// engine's own decoders do not.
uint32_t Audio_WMA_StreamCreateFile(bool mem, const void* file, uint64_t offset, uint64_t length, uint32_t flags);

// The engine's own alarm tone as a stream, stopped at its beginning: beeps
// of 2 kHz, four and a rest, twice, 2 s in all; 44.1 kHz mono, no file
// (its file size is 0). 0 while the engine is not initialised.
uint32_t Audio_StreamCreateAlarmTone();

// Plays the stream. restart: from its beginning; otherwise from where it is,
// and from the beginning when it has played to its end.
bool Audio_ChannelPlay(uint32_t handle, bool restart);
bool Audio_ChannelPause(uint32_t handle);
// Stops the stream where it is; it stays open.
bool Audio_ChannelStop(uint32_t handle);
// Silences the stream at once and closes it (its file, once the mixer lets
// go of it); the handle is invalid afterwards.
bool Audio_StreamFree(uint32_t handle);

// One of AUDIO_ACTIVE_*; stopped for an unknown handle. A stream that has
// played to its end is stopped.
uint32_t Audio_ChannelIsActive(uint32_t handle);

uint64_t Audio_ChannelGetLength(uint32_t handle, uint32_t mode);
uint64_t Audio_ChannelGetPosition(uint32_t handle, uint32_t mode);
bool Audio_ChannelSetPosition(uint32_t handle, uint64_t pos, uint32_t mode);
// Negative for an unknown handle.
double Audio_ChannelBytes2Seconds(uint32_t handle, uint64_t pos);

// Supports AUDIO_FILEPOS_END only.
uint64_t Audio_StreamGetFilePosition(uint32_t handle, uint32_t mode);

// Supports AUDIO_DATA_FFT1024 only: fills 512 floats and returns the bytes
// written, or 0xFFFFFFFF.
uint32_t Audio_ChannelGetData(uint32_t handle, void* buffer, uint32_t length);
