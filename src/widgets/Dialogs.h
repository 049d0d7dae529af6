#pragma once
// Message boxes and the file dialogs.

#include <cstdint>
#include <string>

// mtCustom: a plain box, without an icon.
enum TMsgDlgType { mtError, mtInformation, mtConfirmation, mtWarning, mtCustom };
enum TMsgDlgButtons { mbOK, mbYesNo, mbRetryCancel };

// A message box captioned with the application title; returns mrOk, mrYes,
// mrNo, mrRetry or mrCancel.
int MessageDlg(const std::wstring& text, TMsgDlgType type, TMsgDlgButtons buttons);

// Dialog options, as the Windows OFN_ flags they stand for.
enum TOpenOption : uint32_t {
  ofOverwritePrompt = 0x2,
  ofHideReadOnly = 0x4,
  ofNoChangeDir = 0x8,
  ofPathMustExist = 0x800,
  ofFileMustExist = 0x1000,
  ofEnableSizing = 0x800000,
};

class TFileDialog {
 public:
  virtual ~TFileDialog() = default;
  // The chosen file after Execute; the initial name before.
  std::wstring FileName;
  // "Description|*.ext;*.ext2|Description|*.*" pairs.
  std::wstring Filter;
  // 1-based index of the filter in use; Execute stores the user's choice.
  int FilterIndex = 1;
  // Added to a name typed without extension, without the dot.
  std::wstring DefaultExt;
  std::wstring InitialDir;
  std::wstring Title;
  uint32_t Options = ofHideReadOnly | ofEnableSizing;

  // Shows the dialog modally; true when the user chose a file.
  virtual bool Execute() = 0;
};

class TOpenDialog : public TFileDialog {
 public:
  bool Execute() override;
};

class TSaveDialog : public TFileDialog {
 public:
  bool Execute() override;
};
