#include "widgets/Control.h"

#include <algorithm>

#include "widgets/Backend.h"
#include "widgets/Form.h"

TControl::TControl(TControlKind kind, TControl* parent) : FKind(kind), FParent(parent) {
  if (FParent) {
    FParent->FControls.push_back(this);
    FFont = FParent->FFont;
  }
}

TControl::~TControl() {
  // Children first: their windows live inside this one's.
  while (!FControls.empty()) delete FControls.back();
  backend::DestroyControl(*this);
  if (FParent) std::erase(FParent->FControls, this);
}

TForm* TControl::Form() {
  TControl* control = this;
  while (control->FParent) control = control->FParent;
  return control->FKind == ckForm ? static_cast<TForm*>(control) : nullptr;
}

void TControl::Changed(TChange change) { backend::Changed(*this, change); }

void TControl::SetBounds(int left, int top, int width, int height) {
  TRect bounds{left, top, width, height};
  if (bounds == FBounds) return;
  FBounds = bounds;
  Changed(chBounds);
  Realign();
}

void TControl::SetAlign(TAlign align) {
  FAlign = align;
  if (FParent) FParent->Realign();
}

void TControl::SetCaption(std::wstring caption) {
  if (caption == FCaption) return;
  FCaption = std::move(caption);
  Changed(chCaption);
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Changed(chEnabled);
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  Changed(chVisible);
}

void TControl::SetFont(const TFont& font) {
  FFont = font;
  Changed(chFont);
}

void TControl::DoClick() {
  if (FEnabled && OnClick) Guarded(OnClick);
}

void TControl::DoDblClick() {
  if (FEnabled && OnDblClick) Guarded(OnDblClick);
}

void TControl::Realign() {
  int top = ClientTop(), bottom = FBounds.Height;
  for (TControl* child : FControls) {
    if (child->FAlign == alTop) {
      child->SetBounds(0, top, FBounds.Width, child->Height());
      top += child->Height();
    } else if (child->FAlign == alBottom) {
      bottom -= child->Height();
      child->SetBounds(0, bottom, FBounds.Width, child->Height());
    }
  }
  for (TControl* child : FControls)
    if (child->FAlign == alClient) child->SetBounds(0, top, FBounds.Width, std::max(0, bottom - top));
}

void Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    Application.ShowException(error);
  }
}
