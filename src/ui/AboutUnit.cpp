#include "ui/AboutUnit.h"

#include "system/Shell.h"
#include "ui/MakerLinks.h"

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm(TForm* owner) : TForm(owner) {
  SetCaption(L"About");
  SetClientSize(320, 192);
  SetBorderStyle(bsSingle);
  SetMaximizeBox(false);
  SetPosition(poOwnerFormCenter);
  Image1 = NewControl<TImage>(this, 16, 16, 32, 32);
  Label1 = NewControl<TLabel>(this, 64, 16, 220, 16, L"Tollivane");
  TFont bold = Label1->Font();
  bold.Bold = true;
  Label1->SetFont(bold);
  Label2 = NewControl<TLabel>(this, 64, 35, 220, 16, L"Version: 1.2");
  Label7 = NewControl<TLabel>(this, 16, 62, 272, 16, L"Copyright \u00A9 2026 the Tollivane developers");
  Label3 = NewControl<TLabel>(this, 16, 88, 45, 16, L"Webiste:");
  Label4 = NewControl<TLabel>(this, 65, 88, 240, 16, kWebsiteUrl);
  Label5 = NewControl<TLabel>(this, 16, 114, 45, 16, L"Email:");
  Label6 = NewControl<TLabel>(this, 64, 114, 240, 16, kSupportMail);
  for (TLabel* link : {Label4, Label6}) {
    TFont font = link->Font();
    font.Color = clBlue;
    link->SetFont(font);
    link->SetHandCursor(true);
  }
  Label4->OnClick = [this] { Label4Click(); };
  Label6->OnClick = [this] { Label6Click(); };
  Panel1 = NewControl<TBevel>(this, -8, 147, 409, 2);
  Button1 = NewControl<TBitBtn>(this, 237, 159, 75, 25, L"OK");
  Button1->SetDefault(true);
  Button1->SetCancel(true);
  Button1->OnClick = [this] { Button1Click(); };
  Loaded();
}

void TAboutForm::Label4Click() { sys::OpenLink(kWebsiteUrl); }
void TAboutForm::Label6Click() { sys::OpenLink(L"mailto:" + kSupportMail); }
void TAboutForm::Button1Click() { Close(); }
