#pragma once

#include "widgets/Form.h"
#include "widgets/StdControls.h"

class TAboutForm : public TForm {
 public:
  explicit TAboutForm(TForm* owner);

  TImage* Image1;
  TLabel* Label1;
  TLabel* Label2;
  TLabel* Label7;
  TLabel* Label3;
  TLabel* Label4;
  TLabel* Label5;
  TLabel* Label6;
  TBevel* Panel1;
  TBitBtn* Button1;

  void Label4Click();
  void Label6Click();
  void Button1Click();
};

extern TAboutForm* AboutForm;
