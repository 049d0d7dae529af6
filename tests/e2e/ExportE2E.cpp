// The Export command of the real program, driven from the keyboard and
// through Wine's save dialog: the file it writes holds, byte for byte, what
// the store's export writes for the same list, in the form of the chosen
// type whatever the file's name says.

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "E2ESupport.h"
#include "TestFolder.h"
#include "alarm/AlarmExport.h"
#include "alarm/AlarmStore.h"

namespace {

namespace fs = std::filesystem;

// Wine's save dialog: the file name box (a ComboBoxEx32 around an edit) and
// the list of types.
constexpr int kNameBox = 1148;
constexpr int kTypeList = 1136;

std::string SampleList() {
  e2e::TAlarmFields wake{.Time = "06:45", .Days = "Monday, Friday", .Note = "Wake up", .Sound = "Birds"};
  // A comma would split a field of the text form; a letter outside ASCII
  // shows each form's encoding.
  e2e::TAlarmFields tea{.Time = "16:00", .Note = "Tea, Caf\xC3\xA9", .Loop = true};
  e2e::TAlarmFields bed{.Time = "23:00", .Days = "Saturday", .Note = "Bed", .Checked = false};
  return e2e::AlarmList({wake, tea, bed});
}

// Typed keys, each pressed and let go, to the foreground window.
void PressKeys(std::initializer_list<WORD> keys) {
  for (WORD key : keys) {
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = key;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    Sleep(100);
  }
}

std::set<std::wstring> FileNames(const fs::path& folder) {
  std::set<std::wstring> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

struct TExportCase {
  int Form;  // the type's place in the list, 1-based
  const wchar_t* Name;
};

class ExportE2E : public testing::TestWithParam<TExportCase> {};

TEST_P(ExportE2E, WritesTheFormOfTheChosenType) {
  const TExportCase& c = GetParam();
  const std::string list = SampleList();

  TTestFolder reference;
  reference.Write(L"data.xml", list);
  TAlarmStore store(reference.Path());
  store.LoadAlarms();
  ExportAlarms(store.XMLData(), c.Form, reference.File(L"expected"));
  const std::string expected = reference.Read(L"expected");
  ASSERT_FALSE(expected.empty());

  e2e::TProgramFolder program(TOLLIVANE_EXE, "tollivane-export");
  e2e::WriteFile(program.Folder() / "data.xml", list);
  HWND main = program.StartMain();
  ASSERT_TRUE(main) << "no main window";
  const DWORD pid = program.Process(0).dwProcessId;

  // Another process cannot reach the program's menu, but it can type:
  // F10 to the menu bar, down into Files, down to its second item, Export...
  ASSERT_TRUE(e2e::WaitFor(
      [&] {
        SetForegroundWindow(main);
        return GetForegroundWindow() == main;
      },
      5000))
      << "the main window did not come to the front";
  PressKeys({VK_F10, VK_DOWN, VK_DOWN, VK_RETURN});
  HWND dialog = nullptr;
  ASSERT_TRUE(e2e::WaitFor([&] {
    dialog = e2e::FirstVisible(e2e::TopWindows(pid, [](HWND hwnd) { return e2e::ClassName(hwnd) == L"#32770"; }));
    return dialog != nullptr;
  })) << "no save dialog";
  HWND types = e2e::DescendantWithId(dialog, kTypeList);
  HWND nameBox = e2e::DescendantWithId(dialog, kNameBox);
  ASSERT_TRUE(types && nameBox);
  const std::vector<HWND> edits = e2e::DescendantsOfClass(nameBox, L"Edit");
  ASSERT_FALSE(edits.empty());
  HWND name = edits[0];

  // What the dialog offers before the user chooses.
  EXPECT_EQ(e2e::WindowText(name), L"alarm");
  EXPECT_EQ(SendMessageW(types, CB_GETCURSEL, 0, 0), 0);
  std::vector<std::wstring> typeNames;
  for (LRESULT i = 0, count = SendMessageW(types, CB_GETCOUNT, 0, 0); i < count; ++i) {
    wchar_t text[128] = {};
    SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    typeNames.push_back(text);
  }
  EXPECT_EQ(typeNames, (std::vector<std::wstring>{L"XML File (*.XML)", L"Text Files (*.txt)", L"HTML Files (*.html)"}));

  // The type first: choosing one may change the name's extension.
  SendMessageW(types, CB_SETCURSEL, c.Form - 1, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kTypeList, CBN_SELENDOK), reinterpret_cast<LPARAM>(types));
  const fs::path target = program.Folder() / c.Name;
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(e2e::WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); })) << "the dialog stayed";

  EXPECT_TRUE(e2e::WaitFor([&] { return e2e::ReadFile(target) == expected; }))
      << "written:\n"
      << e2e::ReadFile(target) << "\nexpected:\n"
      << expected;
  EXPECT_EQ(FileNames(program.Folder()), (std::set<std::wstring>{L"Tollivane.exe", L"data.xml", c.Name}))
      << "the file went elsewhere";
}

std::string CaseName(const testing::TestParamInfo<TExportCase>& param) {
  const char* names[] = {"", "Xml", "Text", "HtmlIntoTxt"};
  return names[param.param.Form];
}

// HTML into a .txt file: the type decides the form, not the name.
INSTANTIATE_TEST_SUITE_P(Forms, ExportE2E,
                         testing::Values(TExportCase{efXml, L"alarms.xml"}, TExportCase{efText, L"alarms.txt"},
                                         TExportCase{efHtml, L"list.txt"}),
                         CaseName);

}  // namespace
