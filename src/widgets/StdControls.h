#pragma once
// The plain controls of the forms.

#include <string>
#include <vector>

#include "widgets/Action.h"
#include "widgets/Control.h"

enum TAlignment { taLeftJustify, taCenter, taRightJustify };

class TLabel : public TControl {
 public:
  explicit TLabel(TControl* parent) : TControl(ckLabel, parent) {}
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  // Breaks lines at the width; text below the bottom is cut off.
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool wrap);

 private:
  TAlignment FAlignment = taLeftJustify;
  bool FWordWrap = false;
};

// A framed push button. A default button is pressed by Enter, a cancel
// button by Escape; a modal result closes the modal form with it.
class TBitBtn : public TControl, public TActionClient {
 public:
  explicit TBitBtn(TControl* parent) : TControl(ckButton, parent) {}
  bool Default() const { return FDefault; }
  void SetDefault(bool isDefault) { FDefault = isDefault; }
  bool Cancel() const { return FCancel; }
  void SetCancel(bool isCancel) { FCancel = isCancel; }
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int result) { FModalResult = result; }
  // The picture's resource name, drawn left of the caption; may be empty.
  const std::wstring& Picture() const { return FPicture; }
  void SetPicture(std::wstring picture);

  void DoClick() override;
  void ActionChanged() override;

 protected:
  // For kinds of button drawn differently (TGlowButton).
  TBitBtn(TControlKind kind, TControl* parent) : TControl(kind, parent) {}

 private:
  bool FDefault = false;
  bool FCancel = false;
  int FModalResult = 0;
  std::wstring FPicture;
};

// A toolbar button: its picture left of the caption, a glow under the mouse.
class TGlowButton : public TBitBtn {
 public:
  explicit TGlowButton(TControl* parent);
};

class TCheckBox : public TControl {
 public:
  explicit TCheckBox(TControl* parent) : TControl(ckCheckBox, parent) {}
  bool Checked() const { return FChecked; }
  void SetChecked(bool checked);
  // A click toggles the box, then runs OnClick.
  void DoClick() override;

 private:
  bool FChecked = false;
};

class TComboBox : public TControl {
 public:
  explicit TComboBox(TControl* parent) : TControl(ckComboBox, parent) {}
  // Editable: the user may type a text that is not in the list.
  bool Editable() const { return FEditable; }
  void SetEditable(bool editable) { FEditable = editable; }
  const std::vector<std::wstring>& Items() const { return FItems; }
  void SetItems(std::vector<std::wstring> items);
  // -1 when the text is no item.
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index);
  const std::wstring& Text() const { return FText; }
  // Selects the item with this text, or (editable only) shows the text.
  void SetText(std::wstring text);

  std::function<void()> OnChange;
  // User input: an item chosen from the list, or a text typed.
  void DoSelect(int index);
  void DoEdit(std::wstring text);

 private:
  bool FEditable = false;
  std::vector<std::wstring> FItems;
  int FItemIndex = -1;
  std::wstring FText;
};

class TMemo : public TControl {
 public:
  explicit TMemo(TControl* parent) : TControl(ckMemo, parent) {}
  // Lines are separated by "\r\n".
  const std::wstring& Text() const { return Caption(); }
  void SetText(std::wstring text) { SetCaption(std::move(text)); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
  void DoEdit(std::wstring text) { SetText(std::move(text)); }

 private:
  bool FReadOnly = false;
};

class TGroupBox : public TControl {
 public:
  explicit TGroupBox(TControl* parent) : TControl(ckGroupBox, parent) {}
};

// A group box of check boxes, one a line.
class TCheckGroup : public TControl {
 public:
  explicit TCheckGroup(TControl* parent) : TControl(ckCheckGroup, parent) {}
  const std::vector<std::wstring>& Items() const { return FItems; }
  void SetItems(std::vector<std::wstring> items);
  bool Checked(int index) const { return FChecked.at(index); }
  void SetChecked(int index, bool checked);
  // User input: toggles the box.
  void DoToggle(int index);

 private:
  std::vector<std::wstring> FItems;
  std::vector<bool> FChecked;
};

// A panel with a vertical gradient, the toolbar strip.
class TGradientPanel : public TControl {
 public:
  explicit TGradientPanel(TControl* parent) : TControl(ckPanel, parent) {}
  TColor ColorFrom = Rgb(0xFF, 0xFF, 0xFF);
  TColor ColorTo = Rgb(0xE0, 0xE5, 0xED);
  // A line under the panel.
  TColor BorderColor = Rgb(0xC8, 0xCD, 0xD2);
};

// A lowered separator line.
class TBevel : public TControl {
 public:
  explicit TBevel(TControl* parent) : TControl(ckBevel, parent) {}
};

class TImage : public TControl {
 public:
  explicit TImage(TControl* parent) : TControl(ckImage, parent) {}
  // An icon's resource name; empty for the program's icon.
  const std::wstring& Picture() const { return FPicture; }
  void SetPicture(std::wstring picture);

 private:
  std::wstring FPicture;
};
