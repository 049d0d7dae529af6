#include <gtest/gtest.h>

#include <string>

#include "TestFolder.h"
#include "alarm/AlarmExport.h"
#include "alarm/AlarmStore.h"
#include "system/CodePage.h"
#include "system/Unicode.h"
#include "xml/XmlDocument.h"

namespace {

const std::string kTextHeading =
    "Time,Days,Note,Sound\r\n"
    "----,-----,----,-----\r\n";

const std::string kHtmlHeading =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
    "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n"
    "<head>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />\r\n"
    "<title>Tollivane</title>\r\n"
    "</head><body>\r\n"
    "<h1>Alarm</h1>\r\n"
    "<table width=\"100%\">\r\n"
    "<tr><td><b>Time</b></td>\r\n"
    "<td><b>Days</b></td>\r\n"
    "<td><b>Note</b></td>\r\n"
    "<td><b>Sound</b></td></tr>\r\n";
const std::string kHtmlEnd = "</table></body></html>\r\n";

std::string Serialized(TXmlDocument& document) {
  sys::TMemoryStream stream;
  document.SaveToStream(stream);
  return stream.Bytes();
}

TAlarm Alarm(const std::wstring& note) {
  TAlarm alarm;
  alarm.Time = L"07:05";
  alarm.Days = L"Monday, Friday";
  alarm.Note = note;
  alarm.Sound = L"Bells1";
  alarm.Checked = true;
  return alarm;
}

std::unique_ptr<TXmlDocument> DocumentWith(const std::vector<std::wstring>& notes) {
  auto document = TXmlDocument::CreateName("Root");
  for (const std::wstring& note : notes) WriteAlarmToEntry(*document->Root()->NodeNew("Entry"), Alarm(note));
  return document;
}

TEST(AlarmExport, AnEmptyListGivesTheHeadingsOnly) {
  const struct {
    const char* what;
    std::unique_ptr<TXmlDocument> document;
  } cases[] = {
      {"empty Root", TXmlDocument::CreateName("Root")},
      {"no root element", TXmlDocument::CreateEx(true, false)},
  };
  TTestFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExportAlarms(*c.document, efText, folder.File(L"alarm.txt"));
    ExportAlarms(*c.document, efHtml, folder.File(L"alarm.html"));
    EXPECT_EQ(folder.Read(L"alarm.txt"), kTextHeading);
    EXPECT_EQ(folder.Read(L"alarm.html"), kHtmlHeading + kHtmlEnd);
  }
}

TEST(AlarmExport, ValuesGoOutAsTheDocumentHoldsThem) {
  const bool windows1252 = sys::AnsiCodePage() == 1252;
  const struct {
    const char* what;
    std::wstring note;
    std::string text;  // the note in the text file
    std::string html;  // the note in the page
  } cases[] = {
      {"comma", L"Milk, eggs", "Milk, eggs", "Milk, eggs"},
      {"line break", L"Line one\r\nLine two", "Line one\r\nLine two", "Line one\r\nLine two"},
      {"line feed alone", L"Line one\nLine two", "Line one\r\nLine two", "Line one\r\nLine two"},
      {"HTML tag", L"<b>Bold</b> & more", "<b>Bold</b> & more", "<b>Bold</b> & more"},
      {"outside the ANSI code page", L"Caf\u00E9 \u20AC \u65E5",
       windows1252 ? "Caf\xE9 \x80 ?" : sys::WideToCodePage(sys::AnsiCodePage(), L"Caf\u00E9 \u20AC \u65E5"),
       "Caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5"},
  };
  TTestFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto document = DocumentWith({L"First", c.note});
    ExportAlarms(*document, efText, folder.File(L"alarm.txt"));
    ExportAlarms(*document, efHtml, folder.File(L"alarm.html"));
    EXPECT_EQ(folder.Read(L"alarm.txt"), kTextHeading + "07:05,Monday, Friday,First,Bells1\r\n" +
                                             "07:05,Monday, Friday," + c.text + ",Bells1\r\n");
    EXPECT_EQ(folder.Read(L"alarm.html"),
              kHtmlHeading + "<tr><td>07:05</td><td>Monday, Friday</td><td>First</td><td>Bells1</td></tr>\r\n" +
                  "<tr><td>07:05</td><td>Monday, Friday</td><td>" + c.html + "</td><td>Bells1</td></tr>\r\n" +
                  kHtmlEnd);
  }
}

TEST(AlarmExport, EveryNodeOfTheRootIsARowAndMissingValuesAreEmpty) {
  auto document = TXmlDocument::Create();
  sys::TMemoryStream input("<list><item><Note>n</Note><SOUND>s</SOUND></item><other/></list>");
  document->LoadFromStream(input);
  TTestFolder folder;
  ExportAlarms(*document, efText, folder.File(L"alarm.txt"));
  EXPECT_EQ(folder.Read(L"alarm.txt"), kTextHeading + ",,n,s\r\n,,,\r\n");
}

TEST(AlarmExport, XmlFollowsTheDocumentsLayout) {
  TTestFolder folder;
  folder.Write(L"data.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root><Entry><Note>A</Note></Entry></Root>");
  folder.Write(L"import.xml", "<Root><Entry><Note>A</Note></Entry></Root>");
  const std::string readable =
      "<?xml version=\"1.0\" "
      "encoding=\"UTF-8\"?>\r\n<Root>\r\n\t<Entry>\r\n\t\t<Note>A</Note>\r\n\t</Entry>\r\n</Root>\r\n";

  // A start that loaded data.xml: readable.
  TAlarmStore store(folder.Path());
  store.LoadAlarms();
  ExportAlarms(store.XMLData(), efXml, folder.File(L"alarm.XML"));
  EXPECT_EQ(folder.Read(L"alarm.XML"), readable);

  // Right after an import: compact.
  store.ImportAlarms(folder.File(L"import.xml"));
  ExportAlarms(store.XMLData(), efXml, folder.File(L"alarm.XML"));
  EXPECT_EQ(folder.Read(L"alarm.XML"), "<Root><Entry><Note>A</Note></Entry></Root>");

  // A start without data.xml: compact too.
  TTestFolder empty;
  TAlarmStore fresh(empty.Path());
  fresh.LoadAlarms();
  ExportAlarms(fresh.XMLData(), efXml, empty.File(L"alarm.XML"));
  EXPECT_EQ(empty.Read(L"alarm.XML"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root/>");
}

TEST(AlarmExport, ExportChangesNothingInTheDocument) {
  TTestFolder folder;
  const auto document = DocumentWith({L"One", L"Two"});
  const std::string before = Serialized(*document);
  for (const int32_t form : {efXml, efText, efHtml}) {
    SCOPED_TRACE(form);
    ExportAlarms(*document, form, folder.File(L"alarm.out"));
    EXPECT_EQ(Serialized(*document), before);
    EXPECT_EQ(document->XmlFormat(), xfCompact);
  }
}

TEST(AlarmExport, TheChosenFormDecidesAndReplacesTheFilesContent) {
  TTestFolder folder;
  const auto document = DocumentWith({L"One"});
  const std::wstring file = folder.File(L"alarm.txt");
  ExportAlarms(*document, efHtml, file);
  EXPECT_EQ(folder.Read(L"alarm.txt").substr(0, 9), "<!DOCTYPE");
  ExportAlarms(*document, efText, file);
  EXPECT_EQ(folder.Read(L"alarm.txt"), kTextHeading + "07:05,Monday, Friday,One,Bells1\r\n");
}

TEST(AlarmExport, AFileThatCannotBeCreatedIsReported) {
  TTestFolder folder;
  const auto document = DocumentWith({L"One"});
  const std::wstring file = folder.File(L"missing") + L"/alarm.out";
  for (const int32_t form : {efXml, efText, efHtml}) {
    SCOPED_TRACE(form);
    try {
      ExportAlarms(*document, form, file);
      ADD_FAILURE() << "no error";
    } catch (const sys::EFileError& error) {
      const std::string prefix = "Cannot create file \"" + sys::WideToUtf8(file) + "\". ";
      const std::string message = error.what();
      EXPECT_TRUE(message.starts_with(prefix)) << message;
      EXPECT_GT(message.size(), prefix.size()) << "no reason given";
    }
  }
}

TEST(AlarmExport, AFilterEntryOfNoFormWritesNothing) {
  TTestFolder folder;
  const auto document = DocumentWith({L"One"});
  for (const int32_t entry : {0, 4}) {
    SCOPED_TRACE(entry);
    EXPECT_THROW(ExportAlarms(*document, entry, folder.File(L"alarm.out")), std::runtime_error);
  }
  EXPECT_TRUE(folder.Names().empty());
}

}  // namespace
