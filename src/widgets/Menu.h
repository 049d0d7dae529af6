#pragma once
// Menu bar and popup menus. A caption of "-" makes a separator.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "widgets/Action.h"

class TMenu;

class TMenuItem : public TActionClient {
 public:
  TMenuItem(TMenu* menu, TMenuItem* parent, std::wstring caption);
  ~TMenuItem() override;

  // A new item at the end of this one's submenu.
  TMenuItem* Add(std::wstring caption);
  TMenuItem* Add(TAction* action);
  TMenuItem* AddSeparator() { return Add(L"-"); }

  const std::wstring& Caption() const { return FCaption; }
  void SetCaption(std::wstring caption);
  bool IsSeparator() const { return FCaption == L"-"; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  // Drawn in bold; a double click on the tray icon means the same.
  bool Default() const { return FDefault; }
  void SetDefault(bool isDefault);
  std::function<void()> OnClick;
  // The action's Execute, or OnClick; guarded. Does nothing when disabled.
  void DoClick();

  const std::vector<std::unique_ptr<TMenuItem>>& Items() const { return FItems; }
  TMenuItem* Parent() const { return FParent; }
  // The visible items' captions in order; "-" for separators.
  std::vector<std::wstring> VisibleCaptions() const;
  // The first item with this caption in this item's tree, or null.
  TMenuItem* Find(const std::wstring& caption);

  // The back end's identifier of the item (a WM_COMMAND id).
  unsigned Id() const { return FId; }

  void ActionChanged() override;

 private:
  void Changed();
  TMenu* FMenu;        // not owned
  TMenuItem* FParent;  // not owned
  std::wstring FCaption;
  bool FEnabled = true;
  bool FVisible = true;
  bool FDefault = false;
  unsigned FId;
  std::vector<std::unique_ptr<TMenuItem>> FItems;
};

class TMenu {
 public:
  TMenu();
  virtual ~TMenu();
  TMenu(const TMenu&) = delete;
  TMenu& operator=(const TMenu&) = delete;

  TMenuItem& Items() { return *FItems; }
  // The item with this id anywhere in the menu, or null.
  TMenuItem* FindById(unsigned id);

  // The back end's menu, or null. Not owned.
  void* Handle() const { return FHandle; }
  void SetHandle(void* handle) { FHandle = handle; }
  void Changed();

 private:
  std::unique_ptr<TMenuItem> FItems;
  void* FHandle = nullptr;
};

class TForm;

class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TForm* form) : FForm(form) {}
  TForm* Form() const { return FForm; }

 private:
  TForm* FForm;  // not owned
};

class TPopupMenu : public TMenu {
 public:
  // Opens at the screen point; returns when the menu has closed. The chosen
  // item has run by then.
  void Popup(int x, int y);
};
