#include "widgets/StdControls.h"

#include "widgets/Form.h"

void TLabel::SetAlignment(TAlignment alignment) {
  FAlignment = alignment;
  Changed(chState);
}

void TLabel::SetWordWrap(bool wrap) {
  FWordWrap = wrap;
  Changed(chState);
}

void TBitBtn::SetPicture(std::wstring picture) {
  FPicture = std::move(picture);
  Changed(chPicture);
}

void TBitBtn::ActionChanged() {
  SetCaption(Action()->Caption());
  SetEnabled(Action()->Enabled());
}

void TBitBtn::DoClick() {
  if (!Enabled()) return;
  if (Action())
    Action()->Execute();
  else
    TControl::DoClick();
  if (FModalResult != mrNone)
    if (TForm* form = Form(); form && form->Modal()) form->SetModalResult(FModalResult);
}

TGlowButton::TGlowButton(TControl* parent) : TBitBtn(ckGlowButton, parent) {}

void TCheckBox::SetChecked(bool checked) {
  if (checked == FChecked) return;
  FChecked = checked;
  Changed(chState);
}

void TCheckBox::DoClick() {
  if (!Enabled()) return;
  SetChecked(!FChecked);
  TControl::DoClick();
}

void TComboBox::SetItems(std::vector<std::wstring> items) {
  FItems = std::move(items);
  FItemIndex = -1;
  if (!FEditable) FText.clear();
  Changed(chItems);
}

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(FItems.size())) index = -1;
  FItemIndex = index;
  FText = index >= 0 ? FItems[index] : std::wstring();
  Changed(chSelection);
}

void TComboBox::SetText(std::wstring text) {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i] == text) return SetItemIndex(static_cast<int>(i));
  if (!FEditable) return SetItemIndex(-1);
  FItemIndex = -1;
  FText = std::move(text);
  Changed(chSelection);
}

void TComboBox::DoSelect(int index) {
  SetItemIndex(index);
  if (OnChange) Guarded(OnChange);
}

void TComboBox::DoEdit(std::wstring text) {
  SetText(std::move(text));
  if (OnChange) Guarded(OnChange);
}

void TCheckGroup::SetItems(std::vector<std::wstring> items) {
  FItems = std::move(items);
  FChecked.assign(FItems.size(), false);
  Changed(chItems);
}

void TCheckGroup::SetChecked(int index, bool checked) {
  FChecked.at(index) = checked;
  Changed(chState);
}

void TCheckGroup::DoToggle(int index) { SetChecked(index, !FChecked.at(index)); }

void TImage::SetPicture(std::wstring picture) {
  FPicture = std::move(picture);
  Changed(chPicture);
}
