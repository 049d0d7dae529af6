#include "widgets/TrayIcon.h"

#include "widgets/Backend.h"
#include "widgets/Control.h"
#include "widgets/Menu.h"

TTrayIcon::~TTrayIcon() { backend::DestroyTray(*this); }

void TTrayIcon::SetIcon(std::wstring icon) {
  FIcon = std::move(icon);
  Changed();
}

void TTrayIcon::SetHint(std::wstring hint) {
  FHint = std::move(hint);
  Changed();
}

void TTrayIcon::SetVisible(bool visible) {
  FVisible = visible;
  Changed();
}

void TTrayIcon::Changed() { backend::TrayChanged(*this); }

void TTrayIcon::DoDblClick() {
  if (OnDblClick) Guarded(OnDblClick);
}

void TTrayIcon::DoRightButtonUp(int x, int y) {
  if (!FPopupMenu) return;
  // Without the foreground the menu would not close when the user clicks
  // elsewhere (documented for TrackPopupMenu with notification icons).
  backend::ForegroundForTray(*this);
  FPopupMenu->Popup(x, y);
}
