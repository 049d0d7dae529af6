// The plain controls as windows: what they are created as, how the model's
// changes reach them and how the user's input reaches the model.

#include <gtest/gtest.h>

#include "Win32TestSupport.h"
#include "widgets/Action.h"
#include "widgets/Form.h"
#include "widgets/StdControls.h"

using namespace testing_win32;

namespace {

// A small dialog with one control of each kind.
struct TDialog {
  TForm Form;
  TGroupBox Group{&Form};
  TLabel Label{&Group};
  TComboBox Hours{&Group};
  TCheckGroup Days{&Form};
  TMemo Note{&Form};
  TCheckBox ShowMessage{&Form};
  TComboBox Action{&Form};
  TBitBtn Ok{&Form};
  TBevel Line{&Form};
  TImage Picture{&Form};
  TGradientPanel Toolbar{&Form};
  TGlowButton Add{&Toolbar};
  TLabel Link{&Form};

  TDialog() {
    Form.SetClientSize(460, 576);
    Group.SetBounds(24, 8, 409, 57);
    Group.SetCaption(L"Time");
    Label.SetBounds(15, 22, 0, 0);
    Label.SetCaption(L"HH : MM");
    Hours.SetBounds(86, 19, 76, 21);
    Hours.SetItems({L"00", L"01", L"02"});
    Days.SetBounds(24, 71, 409, 162);
    Days.SetCaption(L"Repeat");
    Days.SetItems({L"Sunday", L"Monday", L"Tuesday"});
    Note.SetBounds(24, 258, 409, 63);
    Note.SetText(L"Wake up");
    ShowMessage.SetBounds(24, 336, 0, 0);
    ShowMessage.SetCaption(L"Show message");
    Action.SetEditable(true);
    Action.SetBounds(24, 455, 336, 21);
    Action.SetItems({L"(None)", L"Shut down computer"});
    Ok.SetBounds(296, 541, 0, 0);
    Ok.SetCaption(L"OK");
    Ok.SetDefault(true);
    Line.SetBounds(13, 526, 441, 3);
    Picture.SetBounds(400, 330, 32, 32);
    Toolbar.SetBounds(0, 480, 240, 40);
    Add.SetBounds(10, 2, 113, 36);
    Add.SetCaption(L"Add Alarm...");
    Link.SetBounds(250, 490, 0, 0);
    Link.SetCaption(L"www.example.org");
    Link.SetHandCursor(true);
    Form.Loaded();
    Form.Show();
  }
};

TEST(ControlsTest, EachControlIsAChildWindowOfTheFormWithTheModelsLook) {
  TDialog d;
  struct TCase {
    const char* Name;
    TControl* Control;
    const wchar_t* Class;
    LONG_PTR StyleMask, Style;  // (style & mask) == style
    const wchar_t* Text;
    RECT FormRect;  // at 96 DPI; a zero right edge is not checked
  };
  const TCase cases[] = {
      {"group box", &d.Group, L"Button", BS_TYPEMASK, BS_GROUPBOX, L"Time", {24, 8, 433, 65}},
      {"label inside the group",
       &d.Label,
       L"Static",
       SS_NOTIFY | SS_NOPREFIX,
       SS_NOTIFY | SS_NOPREFIX,
       L"HH : MM",
       {39, 30, 0, 0}},
      {"list-only combo", &d.Hours, L"ComboBox", 3, CBS_DROPDOWNLIST, L"", {110, 27, 186, 0}},
      {"editable combo", &d.Action, L"ComboBox", 3, CBS_DROPDOWN, L"", {24, 455, 360, 0}},
      {"memo",
       &d.Note,
       L"Edit",
       ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL,
       ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL,
       L"Wake up",
       {24, 258, 433, 321}},
      {"check box",
       &d.ShowMessage,
       L"Button",
       BS_TYPEMASK | WS_TABSTOP,
       BS_CHECKBOX | WS_TABSTOP,
       L"Show message",
       {24, 336, 0, 0}},
      {"default button", &d.Ok, L"Button", BS_TYPEMASK, BS_DEFPUSHBUTTON, L"OK", {296, 541, 371, 566}},
      {"glow button on the toolbar",
       &d.Add,
       L"Button",
       BS_TYPEMASK,
       BS_OWNERDRAW,
       L"Add Alarm...",
       {10, 482, 123, 518}},
  };
  UINT dpi = FormDpi(d.Form);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    HWND hwnd = Hwnd(*c.Control);
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetParent(hwnd), Hwnd(d.Form));
    EXPECT_EQ(_wcsicmp(ClassOf(hwnd).c_str(), c.Class), 0) << ClassOf(hwnd).c_str();
    EXPECT_EQ(Style(hwnd) & c.StyleMask, c.Style);
    EXPECT_EQ(Text(hwnd), c.Text);
    EXPECT_TRUE(IsWindowVisible(hwnd));
    RECT rect = RectInParent(hwnd);
    EXPECT_EQ(rect.left, win32::Scale(c.FormRect.left, dpi));
    EXPECT_EQ(rect.top, win32::Scale(c.FormRect.top, dpi));
    if (c.FormRect.right) {
      EXPECT_EQ(rect.right, win32::Scale(c.FormRect.right, dpi));
    }
    if (c.FormRect.bottom) {
      EXPECT_EQ(rect.bottom, win32::Scale(c.FormRect.bottom, dpi));
    }
  }
  // Controls without a size take their text's.
  RECT label = RectInParent(Hwnd(d.Label));
  EXPECT_GT(label.right - label.left, 20);
  EXPECT_GT(label.bottom - label.top, 8);
}

TEST(ControlsTest, CheckGroupHasOneBoxALineInsideItsFrame) {
  TDialog d;
  HWND form = Hwnd(d.Form);
  RECT frame = RectInParent(Hwnd(d.Days));
  std::vector<HWND> boxes;
  for (HWND child = GetWindow(form, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    for (const wchar_t* day : {L"Sunday", L"Monday", L"Tuesday"})
      if (Text(child) == day) boxes.push_back(child);
  ASSERT_EQ(boxes.size(), 3u);
  for (size_t i = 0; i < boxes.size(); ++i) {
    RECT box = RectInParent(boxes[i]);
    EXPECT_EQ(Style(boxes[i]) & BS_TYPEMASK, BS_CHECKBOX);
    EXPECT_GT(box.left, frame.left);
    EXPECT_LT(box.bottom, frame.bottom);
    EXPECT_GT(box.top, frame.top);
    if (i > 0) {
      EXPECT_GE(box.top, RectInParent(boxes[i - 1]).bottom);
    }
  }
  // The boxes are drawn above the frame: containers are at the bottom.
  HWND below = Hwnd(d.Days);
  for (HWND box : boxes) {
    bool boxFirst = false;
    for (HWND w = GetWindow(form, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      if (w == box) boxFirst = true;
      if (w == below) break;
    }
    EXPECT_TRUE(boxFirst);
  }
}

// The windows are made as the model stands when the form gets them.
TEST(ControlsTest, ControlsHiddenOrDisabledBeforeTheWindowsExistAreMadeSo) {
  TForm form;
  form.SetClientSize(300, 200);
  TGroupBox group{&form};
  group.SetBounds(8, 8, 200, 60);
  TLabel label{&group};
  label.SetBounds(10, 20, 0, 0);
  label.SetCaption(L"Inside");
  TBitBtn button{&form};
  button.SetBounds(8, 100, 75, 25);
  TCheckGroup days{&form};
  days.SetBounds(100, 80, 180, 100);
  days.SetItems({L"Monday", L"Friday"});
  TGradientPanel panel{&form};
  panel.SetBounds(0, 170, 300, 30);
  TGlowButton glow{&panel};
  glow.SetBounds(4, 2, 80, 26);
  group.SetVisible(false);
  button.SetEnabled(false);
  days.SetEnabled(false);
  panel.SetEnabled(false);
  form.Loaded();
  form.Show();

  EXPECT_FALSE(IsWindowVisible(Hwnd(group)));
  EXPECT_FALSE(IsWindowVisible(Hwnd(label))) << "hidden with its container";
  EXPECT_FALSE(IsWindowEnabled(Hwnd(button)));
  EXPECT_TRUE(IsWindowVisible(Hwnd(button)));
  EXPECT_FALSE(IsWindowEnabled(Hwnd(glow))) << "disabled with its container";
  int boxes = 0;
  for (HWND child = GetWindow(Hwnd(form), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (Text(child) != L"Monday" && Text(child) != L"Friday") continue;
    ++boxes;
    EXPECT_FALSE(IsWindowEnabled(child)) << "a box of the disabled group";
  }
  EXPECT_EQ(boxes, 2);

  group.SetVisible(true);
  button.SetEnabled(true);
  panel.SetEnabled(true);
  EXPECT_TRUE(IsWindowVisible(Hwnd(label)));
  EXPECT_TRUE(IsWindowEnabled(Hwnd(button)));
  EXPECT_TRUE(IsWindowEnabled(Hwnd(glow)));
}

TEST(ControlsTest, ModelChangesReachTheWindows) {
  TDialog d;
  HWND group = Hwnd(d.Group), label = Hwnd(d.Label);
  d.Label.SetCaption(L"Hours");
  EXPECT_EQ(Text(label), L"Hours");
  d.Note.SetText(L"one\r\ntwo");
  EXPECT_EQ(Text(Hwnd(d.Note)), L"one\r\ntwo");
  d.ShowMessage.SetChecked(true);
  EXPECT_EQ(SendMessageW(Hwnd(d.ShowMessage), BM_GETCHECK, 0, 0), BST_CHECKED);
  d.Hours.SetItemIndex(2);
  EXPECT_EQ(SendMessageW(Hwnd(d.Hours), CB_GETCURSEL, 0, 0), 2);
  d.Action.SetText(L"http://example.org");
  EXPECT_EQ(Text(Hwnd(d.Action)), L"http://example.org");
  d.Ok.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Hwnd(d.Ok)));

  // Hiding or disabling a container takes its controls along.
  d.Group.SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(group));
  EXPECT_FALSE(IsWindowVisible(label));
  d.Group.SetVisible(true);
  EXPECT_TRUE(IsWindowVisible(label));
  d.Group.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Hwnd(d.Hours)));

  // Moving a container moves what is inside.
  d.Group.SetBounds(34, 8, 409, 57);
  EXPECT_EQ(RectInParent(label).left, win32::Scale(49, FormDpi(d.Form)));

  d.Hours.SetItems({L"10", L"11"});
  EXPECT_EQ(SendMessageW(Hwnd(d.Hours), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(Hwnd(d.Hours), CB_GETCURSEL, 0, 0), CB_ERR);
}

// Keys as the edit control receives them from TranslateMessage.
void Type(HWND edit, const std::wstring& text) {
  SetFocus(edit);
  for (wchar_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
}

TEST(ControlsTest, UserInputReachesTheModel) {
  TDialog d;
  HWND form = Hwnd(d.Form);
  int clicks = 0, changes = 0, links = 0;
  d.ShowMessage.OnClick = [&] { ++clicks; };
  d.Hours.OnChange = [&] { ++changes; };
  d.Action.OnChange = [&] { ++changes; };
  d.Link.OnClick = [&] { ++links; };

  SendMessageW(Hwnd(d.ShowMessage), BM_CLICK, 0, 0);
  EXPECT_TRUE(d.ShowMessage.Checked());
  EXPECT_EQ(SendMessageW(Hwnd(d.ShowMessage), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(clicks, 1);

  HWND monday = FindWindowExW(form, nullptr, L"Button", L"Monday");
  SendMessageW(monday, BM_CLICK, 0, 0);
  EXPECT_TRUE(d.Days.Checked(1));
  EXPECT_FALSE(d.Days.Checked(0));
  EXPECT_EQ(SendMessageW(monday, BM_GETCHECK, 0, 0), BST_CHECKED);

  // A choice from the list: the combo box tells its parent CBN_SELCHANGE.
  SendMessageW(Hwnd(d.Hours), CB_SETCURSEL, 1, 0);
  SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Hwnd(d.Hours)), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(Hwnd(d.Hours)));
  EXPECT_EQ(d.Hours.ItemIndex(), 1);
  EXPECT_EQ(d.Hours.Text(), L"01");
  EXPECT_EQ(changes, 1);

  // Typing into the editable combo's edit box: EN_CHANGE becomes CBN_EDITCHANGE.
  HWND edit = FindWindowExW(Hwnd(d.Action), nullptr, L"Edit", nullptr);
  ASSERT_NE(edit, nullptr);
  Type(edit, L"notepad.exe");
  EXPECT_EQ(d.Action.Text(), L"notepad.exe");
  EXPECT_EQ(d.Action.ItemIndex(), -1);
  EXPECT_EQ(changes, 1 + 11);  // one a key
  EXPECT_EQ(Text(edit), L"notepad.exe");

  SendMessageW(Hwnd(d.Note), EM_SETSEL, 0, -1);
  Type(Hwnd(d.Note), L"typed");
  EXPECT_EQ(d.Note.Text(), L"typed");

  // A link: a press on the label is a click, and the cursor is a hand.
  SendMessageW(Hwnd(d.Link), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageW(Hwnd(d.Link), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(links, 1);
  EXPECT_TRUE(
      SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd(d.Link)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
  EXPECT_FALSE(
      SendMessageW(form, WM_SETCURSOR, reinterpret_cast<WPARAM>(Hwnd(d.Label)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
}

TEST(ControlsTest, ButtonsRunTheirActionsAndFollowTheirState) {
  TDialog d;
  TActionList actions;
  TAction* add = actions.Add(L"Add Alarm...");
  int executed = 0;
  bool enabled = true;
  add->OnExecute = [&] { ++executed; };
  add->OnUpdate = [&] { add->SetEnabled(enabled); };
  d.Add.SetAction(add);
  SendMessageW(Hwnd(d.Add), BM_CLICK, 0, 0);
  EXPECT_EQ(executed, 1);
  enabled = false;
  Application.DoIdle();
  EXPECT_FALSE(IsWindowEnabled(Hwnd(d.Add)));
  add->SetCaption(L"Add...");
  EXPECT_EQ(Text(Hwnd(d.Add)), L"Add...");
}

TEST(ControlsTest, ToolbarPaintsItsGradientAndTheGlowButtonLightsUp) {
  TDialog d;
  HWND form = Hwnd(d.Form);
  UINT dpi = FormDpi(d.Form);
  Flush();
  TPixels before = Capture(form);
  RECT panel = RectInParent(Hwnd(d.Toolbar));
  // Top row in ColorFrom, the line under the panel in BorderColor; a point
  // of the panel left of the button.
  int x = panel.right - 4;
  EXPECT_TRUE(Near(before.At(x, panel.top), d.Toolbar.ColorFrom)) << std::hex << before.At(x, panel.top);
  EXPECT_TRUE(Near(before.At(x, panel.bottom - 1), d.Toolbar.BorderColor))
      << std::hex << before.At(x, panel.bottom - 1);
  EXPECT_TRUE(Near(before.At(x, panel.bottom - 2), d.Toolbar.ColorTo, 10))
      << std::hex << before.At(x, panel.bottom - 2);

  // The mouse over the button: its pixels change (the glow), and they are
  // the gradient again once the mouse has left.
  RECT button = RectInParent(Hwnd(d.Add));
  auto changed = [&](const TPixels& a, const TPixels& b) {
    int n = 0;
    for (int yy = button.top; yy < button.bottom; ++yy)
      for (int xx = button.left; xx < button.right; ++xx) n += a.At(xx, yy) != b.At(xx, yy);
    return n;
  };
  SendMessageW(Hwnd(d.Add), WM_MOUSEMOVE, 0, MAKELPARAM(win32::Scale(60, dpi), win32::Scale(20, dpi)));
  TPixels hot = Capture(form);
  EXPECT_GT(changed(before, hot), (button.right - button.left) * (button.bottom - button.top) / 4);
  SendMessageW(Hwnd(d.Add), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(changed(before, Capture(form)), 0);

  // Disabled, the caption is greyed.
  d.Add.SetEnabled(false);
  EXPECT_GT(changed(before, Capture(form)), 0);
}

// The toolbar's pictures are blended in by the program itself: they must
// come out as the system draws the icon.
TEST(ControlsTest, AGlowButtonsPictureLooksAsTheSystemDrawsTheIcon) {
  TDialog d;
  HWND form = Hwnd(d.Form);
  const UINT dpi = FormDpi(d.Form);
  const RECT button = RectInParent(Hwnd(d.Add));
  const int size = win32::Scale(42, dpi), pad = win32::Scale(2, dpi);
  const int left = button.left + pad, top = button.top + (button.bottom - button.top - size) / 2;
  const TPixels without = Capture(form);
  d.Add.SetPicture(L"ADD");
  const TPixels with = Capture(form);

  // The same icon drawn by the system over the same background.
  auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"ADD", IMAGE_ICON, size, size, 0));
  ASSERT_NE(icon, nullptr);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
  HGDIOBJ old = SelectObject(memory, bitmap);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (top + y >= button.top && top + y < button.bottom) SetPixel(memory, x, y, without.At(left + x, top + y));
  DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  int compared = 0, differing = 0, apart = 0;
  for (int y = 0; y < size; ++y) {
    if (top + y < button.top || top + y >= button.bottom) continue;
    for (int x = 0; x < size; ++x) {
      const COLORREF expected = GetPixel(memory, x, y), actual = with.At(left + x, top + y);
      ++compared;
      apart += expected != without.At(left + x, top + y);
      differing += !Near(actual, expected, 2);
    }
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  DestroyIcon(icon);
  EXPECT_GT(apart, compared / 4) << "the icon covers much of its square";
  EXPECT_EQ(differing, 0) << "of " << compared << " pixels";
}

}  // namespace
