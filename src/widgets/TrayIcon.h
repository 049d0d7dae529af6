#pragma once
// The notification-area icon.

#include <functional>
#include <string>

class TForm;
class TPopupMenu;

class TTrayIcon {
 public:
  explicit TTrayIcon(TForm* owner) : FOwner(owner) {}
  ~TTrayIcon();
  TTrayIcon(const TTrayIcon&) = delete;
  TTrayIcon& operator=(const TTrayIcon&) = delete;

  TForm* Owner() const { return FOwner; }
  // The icon's resource name.
  const std::wstring& Icon() const { return FIcon; }
  void SetIcon(std::wstring icon);
  const std::wstring& Hint() const { return FHint; }
  void SetHint(std::wstring hint);
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu) { FPopupMenu = menu; }

  std::function<void()> OnDblClick;

  // User input. The right button's release brings the program to the front
  // and opens the popup menu at the point; a single left click does nothing.
  void DoDblClick();
  void DoRightButtonUp(int x, int y);

 private:
  void Changed();
  TForm* FOwner;  // not owned
  std::wstring FIcon;
  std::wstring FHint;
  bool FVisible = false;
  TPopupMenu* FPopupMenu = nullptr;  // not owned
};
