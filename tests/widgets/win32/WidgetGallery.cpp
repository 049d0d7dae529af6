// Not a test: a main window and a dialog built from every control of the
// widget set, to look at the win32 back end's drawing (screenshots under
// Wine's virtual desktop, and at other DPIs). Closing the main window ends it.

#include <windows.h>

#include <cwchar>
#include <memory>
#include <string>

#include "widgets/Action.h"
#include "widgets/Form.h"
#include "widgets/Menu.h"
#include "widgets/SmoothListBox.h"
#include "widgets/StdControls.h"
#include "widgets/TrayIcon.h"

namespace {

struct TGalleryMain : TForm {
  TActionList Actions;
  TAction* Add = Actions.Add(L"Add Alarm...");
  TAction* Delete = Actions.Add(L"Delete Alarm");
  TAction* Website = Actions.Add(L"Website...");
  TAction* About = Actions.Add(L"About...");
  TMainMenu Menu{this};
  TGradientPanel Toolbar{this};
  TGlowButton Buttons[4] = {TGlowButton(&Toolbar), TGlowButton(&Toolbar), TGlowButton(&Toolbar), TGlowButton(&Toolbar)};
  TSmoothListBox List{this};

  TGalleryMain() {
    SetCaption(L"Tollivane");
    SetClientSize(629, 531);
    SetPosition(poDesigned);
    TMenuItem* files = Menu.Items().Add(L"Files");
    files->Add(L"Import...");
    files->Add(L"Export...");
    files->AddSeparator();
    files->Add(L"Exit")->OnClick = [this] { Close(); };
    TMenuItem* alarm = Menu.Items().Add(L"Alarm");
    alarm->Add(Add);
    alarm->Add(L"Edit Alarm...");
    alarm->Add(Delete);
    Menu.Items().Add(L"Tools")->Add(L"Online Alarm Clock...");
    Menu.Items().Add(L"Software")->Add(L"Other products...");
    TMenuItem* help = Menu.Items().Add(L"Help");
    help->Add(Website);
    help->Add(About);
    SetMenu(&Menu);

    Toolbar.SetBounds(0, 0, 629, 65);
    Toolbar.SetAlign(alTop);
    const int lefts[4] = {16, 169, 322, 476}, widths[4] = {113, 115, 115, 115};
    TAction* actions[4] = {Add, Delete, Website, About};
    const wchar_t* pictures[4] = {L"ADD", L"DELETE", L"WEBSITE", L"ABOUT"};
    for (int i = 0; i < 4; ++i) {
      Buttons[i].SetBounds(lefts[i], 10, widths[i], 50);
      Buttons[i].SetAction(actions[i]);
      Buttons[i].SetPicture(pictures[i]);
    }
    Delete->OnUpdate = [this] { Delete->SetEnabled(List.ItemIndex() >= 0); };

    List.SetAlign(alClient);
    List.SetColorScheme(lcsSilver);
    List.SetHeaderCaption(L"Alarm Clock");
    Loaded();
    struct TRow {
      const wchar_t *Time, *Note, *Days;
      bool Checked;
    };
    const TRow rows[] = {
        {L"07:30", L"Get up", L"Monday, Tuesday, Wednesday, Thursday, Friday", true},
        {L"12:15", L"Lunch with Anna\r\nat the corner place", L"All days", true},
        {L"18:00", L"Call home", L"Sunday", false},
        {L"22:45", L"Bed", L"Saturday, Sunday", true},
    };
    List.BeginUpdate();
    for (const TRow& row : rows) {
      int index = List.AddItem();
      TSmoothListItem item = List.Item(index);
      item.Caption = row.Time;
      item.Info = row.Note;
      item.Notes = std::wstring(L"<font color=\"clred\">") + row.Days + L"</font>";
      item.Checked = row.Checked;
      List.SetItem(index, item);
    }
    List.EndUpdate();
    List.SetItemIndex(1);
  }
};

struct TGalleryDialog : TForm {
  TGroupBox GroupBox1{this};
  TLabel Label3{&GroupBox1};
  TComboBox ComboBox2{&GroupBox1};
  TLabel Label4{&GroupBox1};
  TComboBox ComboBox3{&GroupBox1};
  TCheckGroup CheckGroup1{this};
  TLabel Label1{this};
  TMemo Memo1{this};
  TCheckBox CheckBox1{this};
  TLabel Label2{this};
  TComboBox ComboBox1{this};
  TBitBtn BitBtn1{this}, BitBtn2{this};
  TCheckBox CheckBox3{this};
  TLabel Label5{this};
  TComboBox ComboBox5{this};
  TBitBtn BitBtn5{this};
  TLabel Label6{this};
  TBevel Panel1{this};
  TBitBtn BitBtn3{this}, BitBtn4{this};

  explicit TGalleryDialog(TForm* owner) : TForm(owner) {
    SetCaption(L"Add/Edit Alarm Clock");
    SetClientSize(460, 576);
    GroupBox1.SetBounds(24, 8, 409, 57);
    GroupBox1.SetCaption(L"Time");
    Label3.SetBounds(15, 22, 0, 0);
    Label3.SetCaption(L"HH : MM");
    ComboBox2.SetBounds(86, 19, 76, 21);
    std::vector<std::wstring> hours, minutes;
    for (int i = 0; i < 60; ++i) (i < 24 ? hours : minutes).push_back((i < 10 ? L"0" : L"") + std::to_wstring(i));
    for (int i = 0; i < 24; ++i) minutes.insert(minutes.begin() + i, (i < 10 ? L"0" : L"") + std::to_wstring(i));
    ComboBox2.SetItems(hours);
    ComboBox2.SetItemIndex(7);
    Label4.SetBounds(168, 22, 0, 0);
    Label4.SetCaption(L" :");
    ComboBox3.SetBounds(178, 19, 65, 21);
    ComboBox3.SetItems(minutes);
    ComboBox3.SetItemIndex(30);
    CheckGroup1.SetBounds(24, 71, 409, 162);
    CheckGroup1.SetCaption(L"Repeat");
    CheckGroup1.SetItems({L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday"});
    CheckGroup1.SetChecked(1, true);
    CheckGroup1.SetChecked(5, true);
    Label1.SetBounds(24, 239, 0, 0);
    Label1.SetCaption(L"Note:");
    Memo1.SetBounds(24, 258, 409, 63);
    Memo1.SetText(L"Get up\r\nand water the plants");
    CheckBox1.SetBounds(24, 336, 0, 0);
    CheckBox1.SetCaption(L"Show message");
    CheckBox1.SetChecked(true);
    Label2.SetBounds(24, 358, 0, 0);
    Label2.SetCaption(L"Sound:");
    ComboBox1.SetBounds(24, 379, 289, 21);
    ComboBox1.SetItems({L"(None)", L"Alarm1", L"Alarm2", L"Bells1", L"Birds", L"Cuckoo"});
    ComboBox1.SetText(L"Bells1");
    BitBtn1.SetBounds(319, 376, 41, 25);
    BitBtn1.SetCaption(L"Play");
    BitBtn2.SetBounds(366, 376, 67, 25);
    BitBtn2.SetCaption(L"Browse...");
    CheckBox3.SetBounds(24, 412, 0, 0);
    CheckBox3.SetCaption(L"Loop");
    Label5.SetBounds(24, 436, 0, 0);
    Label5.SetCaption(L"Action:");
    ComboBox5.SetEditable(true);
    ComboBox5.SetBounds(24, 455, 336, 21);
    ComboBox5.SetItems({L"(None)", L"Shut down computer", L"Restart computer", L"Standby computer"});
    ComboBox5.SetText(L"(None)");
    BitBtn5.SetBounds(366, 452, 67, 25);
    BitBtn5.SetCaption(L"Browse...");
    Label6.SetBounds(24, 486, 0, 0);
    Label6.SetCaption(L"(Select a file or enter a URL)");
    Panel1.SetBounds(13, 526, 441, 3);
    BitBtn3.SetBounds(296, 541, 75, 25);
    BitBtn3.SetCaption(L"OK");
    BitBtn3.SetDefault(true);
    BitBtn4.SetBounds(377, 541, 75, 25);
    BitBtn4.SetCaption(L"Cancel");
    Loaded();
  }
};

struct TGalleryAbout : TForm {
  TImage Image1{this};
  TLabel Label1{this}, Label2{this}, Label7{this}, Label3{this}, Label4{this}, Label5{this}, Label6{this};
  TBevel Panel1{this};
  TBitBtn Button1{this};

  explicit TGalleryAbout(TForm* owner) : TForm(owner) {
    SetCaption(L"About");
    SetBorderStyle(bsSingle);
    SetClientSize(320, 192);
    Image1.SetBounds(16, 16, 32, 32);
    TFont bold = Font();
    bold.Bold = true;
    Label1.SetFont(bold);
    Label1.SetBounds(64, 16, 0, 0);
    Label1.SetCaption(L"Tollivane");
    Label2.SetBounds(64, 35, 0, 0);
    Label2.SetCaption(L"Version: 1.2");
    Label7.SetBounds(16, 62, 272, 0);
    Label7.SetCaption(L"Free for personal use.");
    Label3.SetBounds(16, 88, 0, 0);
    Label3.SetCaption(L"Webiste:");
    TFont link = Font();
    link.Color = clBlue;
    Label4.SetFont(link);
    Label4.SetHandCursor(true);
    Label4.SetBounds(65, 88, 0, 0);
    Label4.SetCaption(L"https://www.example.org/");
    Label5.SetBounds(16, 114, 0, 0);
    Label5.SetCaption(L"Email:");
    Label6.SetFont(link);
    Label6.SetHandCursor(true);
    Label6.SetBounds(64, 114, 0, 0);
    Label6.SetCaption(L"support@example.org");
    Panel1.SetBounds(-8, 147, 409, 2);
    Button1.SetBounds(237, 159, 75, 25);
    Button1.SetCaption(L"OK");
    Button1.SetDefault(true);
    Loaded();
  }
};

void Place(TForm& form, int x, int y) {
  SetWindowPos(static_cast<HWND>(form.Handle()), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// "states" on the command line shows the tool buttons' other looks: the
// first under the mouse, the third pressed, the fourth disabled.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  Application.SetTitle(L"Widget gallery");
  TGalleryMain main;
  TGalleryDialog dialog(&main);
  TGalleryAbout about(&main);
  Place(main, 10, 10);
  RECT mainRect;
  GetWindowRect(static_cast<HWND>(main.Handle()), &mainRect);
  Place(dialog, mainRect.right + 10, 10);
  Place(about, 120, mainRect.bottom + 10);
  TPopupMenu popup;
  popup.Items().Add(L"Tollivane")->SetDefault(true);
  popup.Items().AddSeparator();
  popup.Items().Add(main.Add);
  popup.Items().Add(main.Delete);
  popup.Items().Add(L"Exit")->OnClick = [&main] { main.Close(); };
  TTrayIcon tray(&main);
  tray.SetHint(L"Tollivane");
  tray.SetPopupMenu(&popup);
  tray.SetVisible(true);
  main.Show();
  dialog.Show();
  about.Show();
  if (wcsstr(commandLine, L"states")) {
    SendMessageW(static_cast<HWND>(main.Buttons[0].Handle()), WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    SendMessageW(static_cast<HWND>(main.Buttons[2].Handle()), BM_SETSTATE, TRUE, 0);
    main.About->OnUpdate = [&main] { main.About->SetEnabled(false); };
  }
  Application.Run();
  return 0;
}
