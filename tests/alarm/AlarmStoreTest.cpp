#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestFolder.h"
#include "alarm/AlarmExport.h"
#include "alarm/AlarmStore.h"
#include "system/Clock.h"
#include "system/Unicode.h"
#include "system/XmlCheck.h"

namespace {

const std::string kEmptyDataFile = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root/>\r\n";

const std::vector<std::string> kFieldOrder = {"Time",          "Days",       "Note",   "ShowMessage", "Sound",
                                              "TurnOnVolum",   "SoundVolum", "Loop",   "Snooze",      "WakeUp",
                                              "TurnOnMoniter", "Action",     "Checked"};

std::vector<std::string> ChildNames(const TXmlNode& node) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < node.NodeCount(); ++i) names.push_back(node.Nodes(i)->Name());
  return names;
}

std::string Serialized(TXmlDocument& document) {
  sys::TMemoryStream stream;
  document.SaveToStream(stream);
  return stream.Bytes();
}

void LoadXml(TXmlDocument& document, const std::string& xml) {
  sys::TMemoryStream stream(xml);
  document.LoadFromStream(stream);
}

// Every field away from its default, text with characters beyond ASCII.
TAlarm FullAlarm(const std::wstring& note, bool checked) {
  TAlarm alarm;
  alarm.Time = L"07:05";
  alarm.Days = L"Monday, Friday";
  alarm.Note = note;
  alarm.ShowMessage = true;
  alarm.Sound = L"C:\\Music\\R\u00E9veil.mp3";
  alarm.TurnOnVolum = true;
  alarm.SoundVolum = 70;
  alarm.Loop = true;
  alarm.Snooze = true;
  alarm.WakeUp = true;
  alarm.TurnOnMoniter = true;
  alarm.Action = L"Standby computer";
  alarm.Checked = checked;
  return alarm;
}

std::vector<TAlarm> AllAlarms(const TAlarmStore& store) {
  std::vector<TAlarm> alarms;
  for (int32_t i = 0; i < store.AlarmCount(); ++i) alarms.push_back(store.ReadAlarm(i));
  return alarms;
}

// A store over a folder that holds data.xml with these bytes, loaded.
// SaveAlarms fails, naming data.xml.
void ExpectSaveFailure(TAlarmStore& store, const TTestFolder& folder) {
  try {
    store.SaveAlarms();
    ADD_FAILURE() << "the save did not fail";
  } catch (const sys::EFileError& error) {
    EXPECT_TRUE(std::string(error.what())
                    .starts_with("Cannot save file \"" + sys::WideToUtf8(folder.File(L"data.xml")) + "\". "))
        << error.what();
  }
}

void LoadFrom(TAlarmStore& store, const TTestFolder& folder, const std::string& dataFile) {
  folder.Write(L"data.xml", dataFile);
  store.LoadAlarms();
}

const std::string kThreeAlarms =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<Root>"
    "<Entry><Time>06:00</Time><Note>First</Note><Checked>true</Checked></Entry>"
    "<Entry><Time>07:00</Time><Note>Second</Note><Checked>false</Checked></Entry>"
    "<Entry><Time>08:00</Time><Note>Third</Note><Checked>true</Checked></Entry>"
    "</Root>";

// Passes the first budget bytes on to the file, then stores nothing more: a
// disk that fills up part-way.
class TFailingStream : public sys::TStream {
 public:
  TFailingStream(sys::TStream& file, size_t budget) : FFile(file), FBudget(budget) {}
  size_t Read(void* buffer, size_t count) override { return FFile.Read(buffer, count); }
  size_t Write(const void* buffer, size_t count) override {
    const size_t written = FFile.Write(buffer, std::min(count, FBudget));
    FBudget -= written;
    return written;
  }

 private:
  sys::TStream& FFile;
  size_t FBudget;
};

sys::TLocalTime StampTime() {
  sys::TLocalTime t;
  t.Year = 2024;
  t.Month = 3;
  t.Day = 5;
  t.Hour = 14;
  t.Minute = 7;
  t.Second = 9;
  return t;
}
const std::wstring kAsideName = L"data.xml.unreadable-20240305-140709";

// ---- Writing and reading entries

TEST(AlarmEntry, WritesAllThirteenChildrenInOrderEvenAtTheirDefaults) {
  for (const TAlarm& alarm : {TAlarm{}, FullAlarm(L"Wake up", true)}) {
    SCOPED_TRACE(sys::WideToUtf8(alarm.Note));
    auto document = TXmlDocument::CreateName("Root");
    TXmlNode* entry = document->Root()->NodeNew("Entry");
    WriteAlarmToEntry(*entry, alarm);
    EXPECT_EQ(ChildNames(*entry), kFieldOrder);
    EXPECT_EQ(ReadAlarmFromEntry(*entry), alarm);
  }
}

TEST(AlarmEntry, StoresTheDocumentsTextForms) {
  auto document = TXmlDocument::CreateName("Root");
  TXmlNode* entry = document->Root()->NodeNew("Entry");
  WriteAlarmToEntry(*entry, FullAlarm(L"Caf\u00E9", false));
  EXPECT_EQ(entry->ReadString("Note", ""), "Caf\xC3\xA9");  // UTF-8
  EXPECT_EQ(entry->ReadString("ShowMessage", ""), "true");
  EXPECT_EQ(entry->ReadString("Checked", ""), "false");
  EXPECT_EQ(entry->ReadString("SoundVolum", ""), "70");
}

TEST(AlarmEntry, ChildrenInAnotherOrderOrLetterCaseReadTheSame) {
  auto document = TXmlDocument::Create();
  LoadXml(*document,
          "<Root>"
          "<Entry><Time>07:05</Time><Days>Monday, Friday</Days><Note>Wake up</Note>"
          "<ShowMessage>true</ShowMessage><Sound>C:\\Music\\R\xC3\xA9veil.mp3</Sound><TurnOnVolum>true</TurnOnVolum>"
          "<SoundVolum>70</SoundVolum><Loop>true</Loop><Snooze>true</Snooze><WakeUp>true</WakeUp>"
          "<TurnOnMoniter>true</TurnOnMoniter><Action>Standby computer</Action><Checked>true</Checked></Entry>"
          "<Entry><CHECKED>TRUE</CHECKED><action>Standby computer</action><turnonmoniter>true</turnonmoniter>"
          "<WAKEUP>true</WAKEUP><snooze>True</snooze><LOOP>true</LOOP><soundvolum>70</soundvolum>"
          "<turnonVOLUM>true</turnonVOLUM><SOUND>C:\\Music\\R\xC3\xA9veil.mp3</SOUND><showmessage>true</showmessage>"
          "<NOTE>Wake up</NOTE><days>Monday, Friday</days><tIME>07:05</tIME></Entry>"
          "</Root>");
  const TAlarm expected = FullAlarm(L"Wake up", true);
  EXPECT_EQ(ReadAlarmFromEntry(*document->Root()->Nodes(0)), expected);
  EXPECT_EQ(ReadAlarmFromEntry(*document->Root()->Nodes(1)), expected);
}

TEST(AlarmEntry, MissingChildrenReadAsDefaults) {
  auto document = TXmlDocument::Create();
  LoadXml(*document, "<Root><Entry><Note>Only a note</Note><Other>x</Other></Entry></Root>");
  TAlarm expected;
  expected.Note = L"Only a note";
  EXPECT_EQ(ReadAlarmFromEntry(*document->Root()->Nodes(0)), expected);
}

// ---- Load and save

TEST(AlarmStore, StartWithoutDataFileThenSaveWritesAnEmptyRootReadably) {
  TTestFolder folder;
  TAlarmStore store(folder.Path());
  store.LoadAlarms();
  EXPECT_EQ(store.AlarmCount(), 0);
  EXPECT_EQ(store.XMLData().XmlFormat(), xfCompact);  // the library's default until the save
  EXPECT_TRUE(folder.Names().empty());                // nothing written before the save
  store.SaveAlarms();
  EXPECT_EQ(folder.Read(L"data.xml"), kEmptyDataFile);
  EXPECT_EQ(folder.Names(), std::set<std::wstring>{L"data.xml"});
  EXPECT_EQ(store.XMLData().XmlFormat(), xfReadable);
  EXPECT_EQ(store.TakeNotice(), L"");
}

TEST(AlarmStore, SavedAlarmsLoadBackInOrderAndReadably) {
  TTestFolder folder;
  const std::vector<TAlarm> alarms = {FullAlarm(L"Two\r\nlines", true), TAlarm{},
                                      FullAlarm(L"<b>&amp; \u65E5\u672C</b>", false)};
  {
    TAlarmStore store(folder.Path());
    store.LoadAlarms();
    for (const TAlarm& alarm : alarms) store.AddAlarm(alarm);
    store.SaveAlarms();
  }
  TAlarmStore store(folder.Path());
  store.LoadAlarms();
  EXPECT_EQ(AllAlarms(store), alarms);
  EXPECT_EQ(store.XMLData().XmlFormat(), xfReadable);
  const std::string saved = folder.Read(L"data.xml");
  EXPECT_NE(saved.find("<Root>\r\n\t<Entry>\r\n\t\t<Time>07:05</Time>\r\n"), std::string::npos) << saved;
}

// ---- List operations

TEST(AlarmStore, AddAppendsAnEntryAsTheLastChild) {
  TTestFolder folder;
  TAlarmStore store(folder.Path());
  LoadFrom(store, folder, kThreeAlarms);
  const TAlarm added = FullAlarm(L"Added", true);
  EXPECT_EQ(store.AddAlarm(added), 3);
  ASSERT_EQ(store.AlarmCount(), 4);
  EXPECT_EQ(store.Entry(3)->Name(), "Entry");
  EXPECT_EQ(store.ReadAlarm(3), added);
  EXPECT_EQ(store.ReadAlarm(0).Note, L"First");
}

TEST(AlarmStore, DuplicatingTheFirstOfThreePutsTheCopyFourth) {
  const struct {
    int32_t source;
    const wchar_t* note;
    bool checked;
  } cases[] = {{0, L"First duplicate", true}, {1, L"Second duplicate", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    TTestFolder folder;
    TAlarmStore store(folder.Path());
    LoadFrom(store, folder, kThreeAlarms);
    const std::vector<TAlarm> before = AllAlarms(store);
    const TAlarm copy = store.ReadDuplicate(c.source);
    EXPECT_EQ(copy.ID, 0);
    EXPECT_EQ(store.AddAlarm(copy), 3);
    const std::vector<TAlarm> after = AllAlarms(store);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(std::vector<TAlarm>(after.begin(), after.begin() + 3), before);  // source untouched
    EXPECT_EQ(after[3].Note, c.note);
    EXPECT_EQ(after[3].Checked, c.checked);
    EXPECT_EQ(after[3].Time, before[static_cast<size_t>(c.source)].Time);
  }
}

TEST(AlarmStore, EditingKeepsChildrenInPlaceAndAppendsTheMissingOnes) {
  TTestFolder folder;
  TAlarmStore store(folder.Path());
  LoadFrom(store, folder,
           "<Root><Entry><Note>Old</Note><Custom>kept</Custom><TIME>06:00</TIME><Days>Sunday</Days></Entry>"
           "<Entry><Note>Other</Note></Entry></Root>");
  TAlarm alarm = store.ReadAlarm(0);
  alarm.Note = L"New";
  alarm.Checked = true;
  EXPECT_TRUE(store.EditAlarm(store.Entry(0), alarm));
  const TXmlNode& entry = *store.Entry(0);
  EXPECT_EQ(ChildNames(entry),
            (std::vector<std::string>{"Note", "Custom", "TIME", "Days", "ShowMessage", "Sound", "TurnOnVolum",
                                      "SoundVolum", "Loop", "Snooze", "WakeUp", "TurnOnMoniter", "Action", "Checked"}));
  EXPECT_EQ(entry.ReadString("Custom", ""), "kept");
  EXPECT_EQ(store.ReadAlarm(0), alarm);
  EXPECT_EQ(ChildNames(*store.Entry(1)), std::vector<std::string>{"Note"});
}

TEST(AlarmStore, DeletingTheLastEntryLeavesAnEmptyRoot) {
  TTestFolder folder;
  TAlarmStore store(folder.Path());
  LoadFrom(store, folder, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root><Entry><Note>Only</Note></Entry></Root>");
  store.DeleteAlarm(0);
  EXPECT_EQ(store.AlarmCount(), 0);
  store.SaveAlarms();
  EXPECT_EQ(folder.Read(L"data.xml"), kEmptyDataFile);
}

TEST(AlarmStore, DeletingRemovesOnlyThatEntry) {
  TTestFolder folder;
  TAlarmStore store(folder.Path());
  LoadFrom(store, folder, kThreeAlarms);
  store.DeleteAlarm(1);
  const std::vector<TAlarm> left = AllAlarms(store);
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0].Note, L"First");
  EXPECT_EQ(left[1].Note, L"Third");
}

TEST(AlarmStore, ASwitchWritesOnlyChecked) {
  const struct {
    int32_t index;
    bool checked;
    std::string from, to;
  } cases[] = {
      {0, false, "<Note>First</Note><Checked>true</Checked>", "<Note>First</Note><Checked>false</Checked>"},
      {1, true, "<Note>Second</Note><Checked>false</Checked>", "<Note>Second</Note><Checked>true</Checked>"},
      // An entry without Checked gets it appended.
      {3, true, "<Note>No check</Note></Entry>", "<Note>No check</Note><Checked>true</Checked></Entry>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    TTestFolder folder;
    TAlarmStore store(folder.Path());
    std::string file = kThreeAlarms;
    file.insert(file.find("</Root>"), "<Entry><Time>09:00</Time><Note>No check</Note></Entry>");
    LoadFrom(store, folder, file);
    store.XMLData().SetXmlFormat(xfCompact);  // one line, for the replacement below
    std::string expected = Serialized(store.XMLData());
    const size_t at = expected.find(c.from);
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, c.from.size(), c.to);
    store.SwitchAlarm(c.index, c.checked);
    EXPECT_EQ(Serialized(store.XMLData()), expected);
  }
}

TEST(AlarmStore, AnIndexWithoutEntryFailsAndChangesNothing) {
  TTestFolder folder;
  TAlarmStore store(folder.Path());
  LoadFrom(store, folder, kThreeAlarms);
  const std::string before = Serialized(store.XMLData());
  for (const int32_t index : {-1, 3}) {
    SCOPED_TRACE(index);
    EXPECT_THROW(store.ReadAlarm(index), EListError);
    EXPECT_THROW(store.ReadDuplicate(index), EListError);
    EXPECT_THROW(store.SwitchAlarm(index, true), EListError);
    EXPECT_THROW(store.DeleteAlarm(index), EListError);
  }
  EXPECT_EQ(Serialized(store.XMLData()), before);
  // An entry that is not in the list is not written, nor is any other.
  auto other = TXmlDocument::CreateName("Root");
  for (const TXmlNode* entry : {static_cast<TXmlNode*>(nullptr), other->Root()->NodeNew("Entry")})
    EXPECT_FALSE(store.EditAlarm(entry, FullAlarm(L"Lost", true)));
  EXPECT_EQ(Serialized(store.XMLData()), before);
}

// ---- Failing saves

TEST(AlarmStore, ASaveThatFailsPartWayLeavesDataFileAsItWas) {
  TTestFolder folder;
  TAlarmStore store(folder.Path());
  LoadFrom(store, folder, kThreeAlarms);
  for (int i = 0; i < 20; ++i) store.AddAlarm(FullAlarm(L"Alarm " + std::to_wstring(i), true));
  const std::string newList = Serialized(store.XMLData());
  ASSERT_GT(newList.size(), 2000u);
  // Nothing at all, a few bytes, past the writer's first 256-byte chunk, all but the last byte.
  for (const size_t budget : {size_t{0}, size_t{10}, size_t{700}, newList.size() - 1}) {
    SCOPED_TRACE(budget);
    store.SetSaveStreamFilter([budget](sys::TStream& file) { return std::make_unique<TFailingStream>(file, budget); });
    ExpectSaveFailure(store, folder);
    EXPECT_EQ(folder.Read(L"data.xml"), kThreeAlarms);
    EXPECT_EQ(folder.Names(), std::set<std::wstring>{L"data.xml"});  // no temporary file left
  }
  // The list is still in memory: a retry saves it.
  store.SetSaveStreamFilter(nullptr);
  store.SaveAlarms();
  EXPECT_EQ(folder.Read(L"data.xml"), newList);
}

TEST(AlarmStore, ASaveThatCannotReachTheDiskNamesTheFileAndLeavesNothingBehind) {
  TTestFolder folder;
  const struct {
    const char* what;
    std::wstring storeFolder;
  } cases[] = {
      {"missing folder", folder.File(L"missing") + L"/"},
      {"data.xml is a folder", folder.File(L"blocked") + L"/"},
  };
  std::filesystem::create_directories(std::filesystem::path(folder.File(L"blocked")) / "data.xml" / "inside");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TAlarmStore store(c.storeFolder);
    store.LoadAlarms();
    store.AddAlarm(FullAlarm(L"Lost?", true));
    try {
      store.SaveAlarms();
      ADD_FAILURE() << "the save did not fail";
    } catch (const sys::EFileError& error) {
      const std::string prefix = "Cannot save file \"" + sys::WideToUtf8(c.storeFolder) + "data.xml\". ";
      const std::string message = error.what();
      EXPECT_TRUE(message.starts_with(prefix)) << message;
      EXPECT_GT(message.size(), prefix.size()) << "no reason given";
    }
    EXPECT_EQ(store.AlarmCount(), 1);
  }
  EXPECT_EQ(folder.Names(), std::set<std::wstring>{L"blocked"});
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(folder.File(L"blocked")) / "data.xml" / "inside"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File(L"blocked")),
                          std::filesystem::directory_iterator()),
            1);
}

// ---- An unreadable data.xml

TEST(AlarmStore, AnUnreadableDataFileIsKeptAsideAndNeverOverwritten) {
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"plain text", "These are my alarms, not XML."},
      {"no element", "<?xml version=\"1.0\"?><!-- alarms -->"},
      // The reader has read Root and its entry when it gives up.
      {"DTD declaration the reader gives up on",
       "<?xml version=\"1.0\"?><Root><Entry><Note>Kept</Note></Entry></Root><!DOCTYPE x [<!ELEMENT x (y)"},
  };
  sys::TFixedClock clock(StampTime());
  sys::TScopedClock scoped(clock);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TTestFolder folder;
    TAlarmStore store(folder.Path());
    LoadFrom(store, folder, c.bytes);
    EXPECT_EQ(store.AlarmCount(), 0);
    EXPECT_EQ(folder.Names(), std::set<std::wstring>{kAsideName});
    EXPECT_EQ(folder.Read(kAsideName), c.bytes);

    const std::wstring notice = store.TakeNotice();
    EXPECT_NE(notice.find(L"\"" + folder.File(L"data.xml") + L"\""), std::wstring::npos) << sys::WideToUtf8(notice);
    EXPECT_NE(notice.find(L"\"" + folder.File(kAsideName) + L"\""), std::wstring::npos) << sys::WideToUtf8(notice);
    EXPECT_EQ(store.TakeNotice(), L"");  // told once

    store.AddAlarm(FullAlarm(L"New", true));
    store.SaveAlarms();
    EXPECT_EQ(folder.Read(kAsideName), c.bytes);
    EXPECT_EQ(folder.Names(), (std::set<std::wstring>{L"data.xml", kAsideName}));
    TAlarmStore reloaded(folder.Path());
    reloaded.LoadAlarms();
    EXPECT_EQ(AllAlarms(reloaded), std::vector<TAlarm>{FullAlarm(L"New", true)});
  }
}

TEST(AlarmStore, AKeptAsideFileTakesANameNotYetUsed) {
  sys::TFixedClock clock(StampTime());
  sys::TScopedClock scoped(clock);
  TTestFolder folder;
  folder.Write(kAsideName, "an earlier one");
  TAlarmStore store(folder.Path());
  LoadFrom(store, folder, "not XML");
  EXPECT_EQ(folder.Read(kAsideName), "an earlier one");
  EXPECT_EQ(folder.Read(kAsideName + L"-2"), "not XML");
  EXPECT_EQ(folder.Names(), (std::set<std::wstring>{kAsideName, kAsideName + L"-2"}));
}

TEST(AlarmStore, WhenTheUnreadableFileCannotBeMovedAsideTheSaveFails) {
  sys::TFixedClock clock(StampTime());
  sys::TScopedClock scoped(clock);
  TTestFolder folder;
  // A folder under the name the file would take, with every numbered name
  // taken too, blocks the move.
  for (int n = 1; n <= 100; ++n) {
    const std::wstring name = n == 1 ? kAsideName : kAsideName + L"-" + std::to_wstring(n);
    std::filesystem::create_directories(std::filesystem::path(folder.File(name)) / "x");
  }
  TAlarmStore store(folder.Path());
  LoadFrom(store, folder, "not XML");
  // Told at once all the same: the list is empty, and the file stays.
  const std::wstring notice = store.TakeNotice();
  EXPECT_NE(notice.find(L"could not read"), std::wstring::npos) << sys::WideToUtf8(notice);
  EXPECT_NE(notice.find(L"\"" + folder.File(L"data.xml") + L"\""), std::wstring::npos) << sys::WideToUtf8(notice);
  EXPECT_NE(notice.find(L"will not be overwritten"), std::wstring::npos) << sys::WideToUtf8(notice);
  store.AddAlarm(FullAlarm(L"New", true));
  ExpectSaveFailure(store, folder);
  EXPECT_EQ(folder.Read(L"data.xml"), "not XML");
  EXPECT_FALSE(folder.Names().contains(L"data.xml.saving"));

  // Once a name is free, the next save moves the file aside first.
  std::filesystem::remove_all(folder.File(kAsideName + L"-7"));
  store.SaveAlarms();
  EXPECT_EQ(folder.Read(kAsideName + L"-7"), "not XML");
  EXPECT_NE(store.TakeNotice().find(folder.File(kAsideName + L"-7")), std::wstring::npos);
  TAlarmStore reloaded(folder.Path());
  reloaded.LoadAlarms();
  EXPECT_EQ(reloaded.AlarmCount(), 1);
}

// ---- Import

TEST(AlarmStore, AnExportedXmlFileImportsBackToTheSameList) {
  TTestFolder folder;
  TAlarmStore store(folder.Path());
  LoadFrom(store, folder, kThreeAlarms);
  store.AddAlarm(FullAlarm(L"Two\r\nlines & <more>", false));
  const std::vector<TAlarm> exported = AllAlarms(store);
  ExportAlarms(store.XMLData(), efXml, folder.File(L"alarm.XML"));

  store.DeleteAlarm(0);
  store.AddAlarm(TAlarm{});
  ASSERT_TRUE(sys::IsWellFormedXmlFile(folder.File(L"alarm.XML")));
  store.ImportAlarms(folder.File(L"alarm.XML"));
  EXPECT_EQ(AllAlarms(store), exported);
  EXPECT_EQ(store.XMLData().XmlFormat(), xfCompact);
}

TEST(AlarmStore, UnrelatedChildElementsImportAsEmptyUncheckedEntries) {
  TTestFolder folder;
  folder.Write(L"other.xml", "<catalog><book id=\"1\"><title>A</title></book><cd/><note>text</note></catalog>");
  TAlarmStore store(folder.Path());
  store.LoadAlarms();
  store.AddAlarm(FullAlarm(L"Old", true));
  ASSERT_TRUE(sys::IsWellFormedXmlFile(folder.File(L"other.xml")));
  store.ImportAlarms(folder.File(L"other.xml"));
  EXPECT_EQ(AllAlarms(store), std::vector<TAlarm>(3, TAlarm{}));
}

TEST(AlarmStore, AFailedImportLeavesTheListAsItWas) {
  TTestFolder folder;
  const struct {
    const char* what;
    const char* bytes;  // null: no file
  } cases[] = {
      {"missing file", nullptr},
      {"empty file", ""},
      {"plain text", "Time,Days,Note,Sound"},
      {"load that fails part-way", "<Root><Entry/></Root><!DOCTYPE x [<!ELEMENT x (y)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring file = folder.File(L"import.xml");
    std::filesystem::remove(file);
    if (c.bytes != nullptr) folder.Write(L"import.xml", c.bytes);
    TAlarmStore store(folder.Path());
    LoadFrom(store, folder, kThreeAlarms);
    const std::string before = Serialized(store.XMLData());
    EXPECT_THROW(store.ImportAlarms(file), std::runtime_error);
    EXPECT_EQ(Serialized(store.XMLData()), before);
    EXPECT_EQ(store.XMLData().XmlFormat(), xfReadable);
  }
}

}  // namespace
