#pragma once
// Plays sound files through the audio engine: files named ".wma" through its
// WMA entry, every other file through the main one. Reports through results
// only, never raises.

#include <cstdint>
#include <memory>
#include <string>

#include "audio/uSpectrumView.h"

enum TPlayState { psNormal, psOpenFile, psPlaying, psPause, psStop };

// A sound opened on any thread, ready to become a player's current sound
// (TSoundPlayer::UseSound); its stream is freed unless a player takes it.
class TOpenedSound {
 public:
  TOpenedSound() = default;
  TOpenedSound(TOpenedSound&& other) noexcept { *this = std::move(other); }
  TOpenedSound& operator=(TOpenedSound&& other) noexcept;
  ~TOpenedSound();
  explicit operator bool() const { return FChannel != 0; }

 private:
  friend class TSoundPlayer;
  uint32_t FChannel = 0;
  bool FIsWma = false;
};

class TSoundPlayer {
 public:
  // Initialises the engine on the default output device (h: the window
  // handle) and makes the spectrum view. False, with ErrCode() -2, when the
  // engine is of another version, the device cannot be opened, or the engine
  // was initialised already (by another player, whose streams this one then
  // shares).
  bool Init(void* h, int32_t ViewWidth, int32_t ViewHeight);
  // Opens filePath as a stream of its kind, stopped at its beginning, in
  // place of the earlier stream of that kind. filesize in bytes, duration in
  // seconds. A missing file changes nothing, not even the out values.
  bool OpenFile(const std::wstring& filePath, uint32_t& filesize, double& duration);
  // The engine's own alarm tone in place of the stream of every file not
  // named ".wma", as OpenFile of such a file: filesize 0, duration 2 s.
  bool OpenAlarmTone(uint32_t& filesize, double& duration);
  // What OpenFile opens, on any thread and without a player, for a thread
  // that may wait for the file (one on an unreachable share): empty when the
  // file is missing or cannot be played.
  static TOpenedSound OpenSound(const std::wstring& filePath);
  // What OpenAlarmTone opens, the same way.
  static TOpenedSound OpenAlarmToneSound();
  // An opened sound in place of the stream of its kind, as OpenFile; false
  // for an empty one, and nothing changes.
  bool UseSound(TOpenedSound sound, uint32_t& filesize, double& duration);
  // From the beginning, whatever the current stream is doing.
  void Play();
  void Resume();
  void Pause();
  // Frees the current stream.
  void Stop();
  bool CanPlay() const;
  TPlayState GetPlayState() const;
  // In bytes; -1 when no stream is open.
  int32_t GetChannelLength() const;
  int32_t GetCurrentPosition() const;
  void SetCurrentPosition(uint32_t pos);
  // The spectrum of the current stream while a stream plays; null otherwise.
  // Owned by the player.
  const TSpectrumBitmap* GetSpectrumView();
  // Releases the engine for the whole process and frees the view.
  void Uninit();

  int32_t ErrCode() const { return FErrCode; }

 private:
  // The stream of the kind, which the next sound replaces.
  uint32_t& Channel(bool isWma) { return isWma ? FWMAChannel : FPlayChannel; }
  // Frees the stream of the kind; the out values become 0.
  void FreeStream(bool isWma, uint32_t& filesize, double& duration);
  // What Play, Resume, Pause, Stop and GetSpectrumView act on; 0 is none.
  uint32_t CurrentChannel() const { return FisWMAMode ? FWMAChannel : FPlayChannel; }
  // What the queries act on: the WMA stream first, whatever the mode.
  uint32_t OpenChannel() const { return FWMAChannel != 0 ? FWMAChannel : FPlayChannel; }

  uint32_t FPlayChannel = 0;  // every file not named ".wma"
  uint32_t FWMAChannel = 0;
  int32_t FErrCode = 0;
  bool FisWMAMode = false;
  std::unique_ptr<TSpectrumView> FSpectrumView;
};
