#include "audio/uSoundPlayer.h"

#include <functional>
#include <string_view>
#include <utility>

#include "audio/AudioEngine.h"
#include "audio/AudioTesting.h"
#include "system/FileSystem.h"

namespace {

constexpr int32_t kErrInit = -2;

// The extension runs from the last "." when no "\" or ":" comes after it.
// "/" needs no place here: an extension that took in a "/" can never equal
// ".wma", so a folder named "a.wma" never makes its files WMA.
bool HasWmaExtension(std::wstring_view path) {
  const size_t last = path.find_last_of(L".\\:");
  if (last == std::wstring_view::npos || path[last] != L'.') return false;
  const std::wstring_view extension = path.substr(last);
  constexpr std::wstring_view kWma = L".wma";
  if (extension.size() != kWma.size()) return false;
  for (size_t i = 0; i < kWma.size(); ++i) {
    const wchar_t c = extension[i];
    if ((c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c) != kWma[i]) return false;
  }
  return true;
}

}  // namespace

bool TSoundPlayer::Init(void* h, int32_t ViewWidth, int32_t ViewHeight) {
  if ((Audio_GetVersion() >> 16) != (AUDIO_VERSION >> 16) || !Audio_Init(-1, 44100, 0, h, nullptr)) {
    FErrCode = kErrInit;
    return false;
  }
  FSpectrumView = std::make_unique<TSpectrumView>(ViewWidth, ViewHeight);
  FPlayChannel = 0;
  FWMAChannel = 0;
  FisWMAMode = false;
  return true;
}

TOpenedSound& TOpenedSound::operator=(TOpenedSound&& other) noexcept {
  if (this != &other) {
    if (FChannel != 0) Audio_StreamFree(FChannel);
    FChannel = std::exchange(other.FChannel, 0);
    FIsWma = other.FIsWma;
  }
  return *this;
}

TOpenedSound::~TOpenedSound() {
  if (FChannel != 0) Audio_StreamFree(FChannel);
}

namespace {
std::function<void(const std::wstring&)> gOpenHook;
}

void audio::testing::SetOpenHook(std::function<void(const std::wstring& path)> hook) { gOpenHook = std::move(hook); }

TOpenedSound TSoundPlayer::OpenSound(const std::wstring& filePath) {
  if (gOpenHook) gOpenHook(filePath);
  TOpenedSound sound;
  if (!sys::FileExists(filePath)) return sound;
  sound.FIsWma = HasWmaExtension(filePath);
  sound.FChannel = sound.FIsWma ? Audio_WMA_StreamCreateFile(false, filePath.c_str(), 0, 0, AUDIO_UNICODE)
                                : Audio_StreamCreateFile(false, filePath.c_str(), 0, 0, AUDIO_UNICODE);
  return sound;
}

TOpenedSound TSoundPlayer::OpenAlarmToneSound() {
  TOpenedSound sound;
  sound.FChannel = Audio_StreamCreateAlarmTone();
  return sound;
}

bool TSoundPlayer::UseSound(TOpenedSound sound, uint32_t& filesize, double& duration) {
  if (!sound) return false;
  uint32_t& channel = Channel(sound.FIsWma);
  if (channel != 0) Audio_StreamFree(channel);
  channel = std::exchange(sound.FChannel, 0);
  const uint64_t length = Audio_ChannelGetLength(channel, AUDIO_POS_BYTE);
  duration = Audio_ChannelBytes2Seconds(channel, length);
  filesize = static_cast<uint32_t>(Audio_StreamGetFilePosition(channel, AUDIO_FILEPOS_END));
  FisWMAMode = sound.FIsWma;
  return true;
}

void TSoundPlayer::FreeStream(bool isWma, uint32_t& filesize, double& duration) {
  uint32_t& channel = Channel(isWma);
  if (channel != 0) Audio_StreamFree(channel);
  channel = 0;
  filesize = 0;
  duration = 0;
}

bool TSoundPlayer::OpenFile(const std::wstring& filePath, uint32_t& filesize, double& duration) {
  if (!sys::FileExists(filePath)) return false;
  // The earlier stream of the kind goes first, whether or not this one opens.
  FreeStream(HasWmaExtension(filePath), filesize, duration);
  return UseSound(OpenSound(filePath), filesize, duration);
}

bool TSoundPlayer::OpenAlarmTone(uint32_t& filesize, double& duration) {
  FreeStream(false, filesize, duration);
  return UseSound(OpenAlarmToneSound(), filesize, duration);
}

void TSoundPlayer::Play() {
  if (CurrentChannel() != 0) Audio_ChannelPlay(CurrentChannel(), true);
}

void TSoundPlayer::Resume() {
  if (CurrentChannel() != 0) Audio_ChannelPlay(CurrentChannel(), false);
}

void TSoundPlayer::Pause() {
  if (CurrentChannel() != 0) Audio_ChannelPause(CurrentChannel());
}

void TSoundPlayer::Stop() {
  uint32_t& channel = FisWMAMode ? FWMAChannel : FPlayChannel;
  if (channel == 0) return;
  Audio_ChannelStop(channel);
  Audio_StreamFree(channel);
  channel = 0;
}

bool TSoundPlayer::CanPlay() const { return FPlayChannel != 0 || FWMAChannel != 0; }

TPlayState TSoundPlayer::GetPlayState() const {
  switch (Audio_ChannelIsActive(OpenChannel())) {
    case AUDIO_ACTIVE_STOPPED:
      return psStop;
    case AUDIO_ACTIVE_PLAYING:
      return psPlaying;
    case AUDIO_ACTIVE_PAUSED:
      return psPause;
    default:
      return psNormal;
  }
}

int32_t TSoundPlayer::GetChannelLength() const {
  if (OpenChannel() == 0) return -1;
  return static_cast<int32_t>(static_cast<uint32_t>(Audio_ChannelGetLength(OpenChannel(), AUDIO_POS_BYTE)));
}

int32_t TSoundPlayer::GetCurrentPosition() const {
  if (OpenChannel() == 0) return -1;
  return static_cast<int32_t>(static_cast<uint32_t>(Audio_ChannelGetPosition(OpenChannel(), AUDIO_POS_BYTE)));
}

void TSoundPlayer::SetCurrentPosition(uint32_t pos) {
  if (OpenChannel() != 0) Audio_ChannelSetPosition(OpenChannel(), pos, AUDIO_POS_BYTE);
}

const TSpectrumBitmap* TSoundPlayer::GetSpectrumView() {
  if (FPlayChannel == 0 && FWMAChannel == 0) return nullptr;
  if (Audio_ChannelIsActive(FPlayChannel) != AUDIO_ACTIVE_PLAYING &&
      Audio_ChannelIsActive(FWMAChannel) != AUDIO_ACTIVE_PLAYING)
    return nullptr;
  // A player whose Init failed has no view to draw into.
  if (!FSpectrumView) return nullptr;
  TFFTData data{};
  Audio_ChannelGetData(CurrentChannel(), data.data(), AUDIO_DATA_FFT1024);
  return &FSpectrumView->GetView(data, 10, -10);
}

void TSoundPlayer::Uninit() {
  Audio_Free();
  FSpectrumView.reset();
}
