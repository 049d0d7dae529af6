#pragma once
// The widget set's portable model. Every control keeps its whole state here;
// a back end (win32 or headless, chosen at link time) mirrors that state on
// the screen, or not at all, and reports the user's input back through the
// Do* entry points, so that form code and its tests run unchanged on both.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TForm;

// 0x00BBGGRR, as Windows keeps colours.
using TColor = uint32_t;
constexpr TColor Rgb(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (static_cast<uint32_t>(b) << 16); }
constexpr TColor clBlack = Rgb(0, 0, 0);
constexpr TColor clRed = Rgb(255, 0, 0);
constexpr TColor clBlue = Rgb(0, 0, 255);
constexpr TColor clWhite = Rgb(255, 255, 255);
// The system's own colour for the element (window text, button face).
constexpr TColor clDefault = 0xFF000000;

// Sizes are in pixels at 96 DPI; the win32 back end scales them with the
// monitor's DPI.
struct TFont {
  std::wstring Name = L"Tahoma";
  int Height = 11;  // character height in pixels
  bool Bold = false;
  bool Underline = false;
  TColor Color = clDefault;
};

struct TRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int Right() const { return Left + Width; }
  int Bottom() const { return Top + Height; }
  bool operator==(const TRect&) const = default;
};

enum TAlign { alNone, alTop, alBottom, alClient };

// What changed on a control; lets a back end update only that.
enum TChange { chBounds, chCaption, chEnabled, chVisible, chFont, chState, chItems, chSelection, chPicture };

enum TControlKind {
  ckForm,
  ckLabel,
  ckButton,      // TBitBtn: a framed push button
  ckGlowButton,  // a toolbar button with picture and glow
  ckCheckBox,
  ckComboBox,
  ckMemo,
  ckGroupBox,
  ckCheckGroup,
  ckPanel,  // TGradientPanel
  ckBevel,  // a lowered separator line
  ckImage,
  ckSmoothListBox,
};

// A control is made with new and belongs to its parent, which deletes it.
class TControl {
 public:
  TControl(TControlKind kind, TControl* parent);
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  TControlKind Kind() const { return FKind; }
  TControl* Parent() const { return FParent; }
  const std::vector<TControl*>& Controls() const { return FControls; }
  TForm* Form();

  const std::wstring& Name() const { return FName; }
  void SetName(std::wstring name) { FName = std::move(name); }

  const TRect& BoundsRect() const { return FBounds; }
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return FBounds.Left; }
  int Top() const { return FBounds.Top; }
  int Width() const { return FBounds.Width; }
  int Height() const { return FBounds.Height; }
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align);

  const std::wstring& Caption() const { return FCaption; }
  void SetCaption(std::wstring caption);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& font);
  // A pointing hand over the control (links).
  bool HandCursor() const { return FHandCursor; }
  void SetHandCursor(bool hand) { FHandCursor = hand; }

  std::function<void()> OnClick;
  std::function<void()> OnDblClick;

  // The back end's window, or null (headless, or not created yet). Not owned.
  void* Handle() const { return FHandle; }
  void SetHandle(void* handle) { FHandle = handle; }
  // A back end's own per-control data. Owned.
  struct TPeer {
    virtual ~TPeer() = default;
  };
  TPeer* Peer() const { return FPeer.get(); }
  void SetPeer(std::unique_ptr<TPeer> peer) { FPeer = std::move(peer); }

  // User input, from the back end or a test.
  virtual void DoClick();
  void DoDblClick();

  // Lays out the aligned children within the client area.
  void Realign();
  TRect ClientRect() const { return {0, 0, FBounds.Width, FBounds.Height}; }
  virtual int ClientTop() const { return 0; }

 protected:
  void Changed(TChange change);

 private:
  TControlKind FKind;
  TControl* FParent;  // not owned
  std::vector<TControl*> FControls;
  std::wstring FName;
  TRect FBounds;
  TAlign FAlign = alNone;
  std::wstring FCaption;
  bool FEnabled = true;
  bool FVisible = true;
  bool FHandCursor = false;
  TFont FFont;
  void* FHandle = nullptr;
  std::unique_ptr<TPeer> FPeer;
};

// A control of type T at its place in the parent (sizes at 96 DPI).
template <class T>
T* NewControl(TControl* parent, int left, int top, int width, int height, std::wstring caption = {}) {
  auto* control = new T(parent);
  control->SetBounds(left, top, width, height);
  if (!caption.empty()) control->SetCaption(std::move(caption));
  return control;
}

// Runs an event handler; an error that escapes it is shown in the standard
// error box and the program goes on.
void Guarded(const std::function<void()>& handler);
