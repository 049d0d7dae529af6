#include "widgets/Menu.h"

#include "widgets/Backend.h"
#include "widgets/Control.h"
#include "widgets/Form.h"

namespace {
// WM_COMMAND ids of menu items; below 0xF000, where the system commands start.
unsigned gNextMenuId = 1000;
}  // namespace

TMenuItem::TMenuItem(TMenu* menu, TMenuItem* parent, std::wstring caption)
    : FMenu(menu), FParent(parent), FCaption(std::move(caption)), FId(gNextMenuId++) {}

TMenuItem::~TMenuItem() = default;

TMenuItem* TMenuItem::Add(std::wstring caption) {
  FItems.push_back(std::make_unique<TMenuItem>(FMenu, this, std::move(caption)));
  Changed();
  return FItems.back().get();
}

TMenuItem* TMenuItem::Add(TAction* action) {
  TMenuItem* item = Add(action->Caption());
  item->SetAction(action);
  return item;
}

void TMenuItem::SetCaption(std::wstring caption) {
  if (caption == FCaption) return;
  FCaption = std::move(caption);
  Changed();
}

void TMenuItem::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  Changed();
}

void TMenuItem::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  Changed();
}

void TMenuItem::SetDefault(bool isDefault) {
  FDefault = isDefault;
  Changed();
}

void TMenuItem::ActionChanged() {
  SetCaption(Action()->Caption());
  SetEnabled(Action()->Enabled());
}

void TMenuItem::DoClick() {
  if (!FEnabled) return;
  if (Action())
    Action()->Execute();
  else if (OnClick)
    Guarded(OnClick);
}

std::vector<std::wstring> TMenuItem::VisibleCaptions() const {
  std::vector<std::wstring> captions;
  for (auto& item : FItems)
    if (item->FVisible) captions.push_back(item->FCaption);
  return captions;
}

TMenuItem* TMenuItem::Find(const std::wstring& caption) {
  if (FCaption == caption) return this;
  for (auto& item : FItems)
    if (TMenuItem* found = item->Find(caption)) return found;
  return nullptr;
}

void TMenuItem::Changed() {
  if (FMenu) FMenu->Changed();
}

TMenu::TMenu() : FItems(std::make_unique<TMenuItem>(this, nullptr, L"")) {}

TMenu::~TMenu() { backend::DestroyMenu(*this); }

namespace {
TMenuItem* FindId(TMenuItem& item, unsigned id) {
  if (item.Id() == id) return &item;
  for (auto& child : item.Items())
    if (TMenuItem* found = FindId(*child, id)) return found;
  return nullptr;
}
}  // namespace

TMenuItem* TMenu::FindById(unsigned id) { return FindId(*FItems, id); }

void TMenu::Changed() { backend::MenuChanged(*this); }

void TPopupMenu::Popup(int x, int y) {
  // The items as their actions are right now.
  Application.DoIdle();
  backend::Popup(*this, x, y);
}
