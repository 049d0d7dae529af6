#pragma once
// Plays sound files through the audio engine: files named ".wma" through its
// WMA entry, every other file through the main one. Reports through results
// only, never raises.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/uSpectrumView.h"

enum TPlayState { psNormal, psOpenFile, psPlaying, psPause, psStop };

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
  // The stream create makes, in place of the earlier one of its kind.
  bool OpenStream(bool isWma, const std::function<uint32_t()>& create, uint32_t& filesize, double& duration);
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
