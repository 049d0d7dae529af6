#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "system/Stream.h"
#include "system/Unicode.h"
#include "xml/XmlDocument.h"

namespace {

// The thirteen fields of one alarm, in the order the alarm store writes them.
const std::pair<const char*, const char*> kFields[] = {
    {"Time", "07:30"},   {"Days", "Monday, Friday"}, {"Note", "Alarm"},         {"ShowMessage", "true"},
    {"Sound", "Bells1"}, {"TurnOnVolum", "true"},    {"SoundVolum", "100"},     {"Loop", "false"},
    {"Snooze", "true"},  {"WakeUp", "true"},         {"TurnOnMoniter", "true"}, {"Action", "(None)"},
    {"Checked", "true"},
};

std::unique_ptr<TXmlDocument> AlarmDocument(int entries) {
  auto doc = TXmlDocument::CreateName("Root");
  for (int i = 0; i < entries; ++i) {
    TXmlNode* entry = doc->Root()->NodeNew("Entry");
    for (const auto& [name, value] : kFields) entry->WriteString(name, value, "");
  }
  return doc;
}

// The saved file, line by line: each line's tabs, text and line end.
std::string ExpectedAlarmFile(const std::string& indent, const std::string& eol) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + eol + "<Root>" + eol;
  out += indent + "<Entry>" + eol;
  for (const auto& [name, value] : kFields) out += indent + indent + "<" + name + ">" + value + "</" + name + ">" + eol;
  out += indent + "</Entry>" + eol + "</Root>" + eol;
  return out;
}

std::string Save(TXmlDocument& doc) {
  sys::TMemoryStream stream;
  doc.SaveToStream(stream);
  return stream.Bytes();
}

TEST(XmlWriter, WorkedExampleInBothLayouts) {
  auto doc = AlarmDocument(1);
  doc->SetXmlFormat(xfReadable);
  const std::string readable = Save(*doc);
  EXPECT_EQ(readable.size(), 445u);
  EXPECT_EQ(readable, ExpectedAlarmFile("\t", "\r\n"));

  doc->SetXmlFormat(xfCompact);
  const std::string compact = Save(*doc);
  EXPECT_EQ(compact.size(), 381u);
  EXPECT_EQ(compact, ExpectedAlarmFile("", ""));

  doc->SetXmlFormat(xfPreserve);  // writes like the compact layout
  EXPECT_EQ(Save(*doc), compact);
}

TEST(XmlWriter, LayoutSettings) {
  auto doc = AlarmDocument(1);
  doc->SetXmlFormat(xfReadable);
  doc->SetEolStyle(esLinux);
  EXPECT_EQ(Save(*doc), ExpectedAlarmFile("\t", "\n"));
  EXPECT_EQ(Save(*doc).size(), 445u - 18u);

  doc->SetEolStyle(esWindows);
  doc->SetIndentString("  ");
  EXPECT_EQ(Save(*doc), ExpectedAlarmFile("  ", "\r\n"));
}

TEST(XmlWriter, EmptyDocuments) {
  auto doc = TXmlDocument::CreateName("Root");
  doc->SetXmlFormat(xfReadable);
  EXPECT_EQ(Save(*doc), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root/>\r\n");
  EXPECT_EQ(Save(*doc).size(), 49u);

  doc->Clear();
  EXPECT_EQ(Save(*doc), "");
}

TEST(XmlWriter, EmptyFieldsAndEscapedText) {
  auto doc = TXmlDocument::CreateName("Root");
  doc->SetXmlFormat(xfReadable);
  TXmlNode* entry = doc->Root()->NodeNew("Entry");
  entry->WriteString("Note", "", "");
  entry->WriteString("Days", "Tea & cake <5>", "");
  entry->WriteString("Time", "line1\r\nline2", "");
  const std::string body =
      "\t<Entry>\r\n\t\t<Note/>\r\n\t\t<Days>Tea &amp; cake &lt;5&gt;</Days>\r\n"
      "\t\t<Time>line1\nline2</Time>\r\n\t</Entry>\r\n";
  EXPECT_EQ(Save(*doc), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root>\r\n" + body + "</Root>\r\n");

  doc->SetNodeClosingStyle(ncFull);
  EXPECT_NE(Save(*doc).find("\t\t<Note></Note>\r\n"), std::string::npos);
}

TEST(XmlWriter, ElementsDeferToTheirOwnClosingStyle) {
  auto doc = TXmlDocument::CreateName("Root");
  doc->SetNodeClosingStyle(ncUnknown);
  auto* full = static_cast<TXmlElement*>(doc->Root()->NodeNew("A"));
  full->SetNodeClosingStyle(ncFull);
  auto* shortForm = static_cast<TXmlElement*>(doc->Root()->NodeNew("B"));
  shortForm->SetNodeClosingStyle(ncClose);
  doc->Root()->NodeNew("C");  // ncUnknown: neither
  EXPECT_EQ(Save(*doc), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root><A></A><B/><C></C></Root>");
}

TEST(XmlWriter, CommentsTakeTheirPlaceInTheLayout) {
  auto doc = AlarmDocument(2);
  doc->SetXmlFormat(xfReadable);
  auto between = std::make_unique<TXmlComment>(doc.get());
  between->SetValue(" second ");
  doc->Root()->NodeInsert(1, std::move(between));
  auto before = std::make_unique<TXmlComment>(doc.get());
  before->SetValue("top");
  doc->RootNodes().Insert(1, std::move(before));

  const std::string saved = Save(*doc);
  EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!--top--><Root>\r\n\t<Entry>", 0), 0u);
  EXPECT_NE(saved.find("\t</Entry>\r\n\t<!-- second -->\r\n\t<Entry>\r\n"), std::string::npos);
}

TEST(XmlWriter, AttributesKeepTheirQuotes) {
  auto doc = TXmlDocument::CreateName("Root");
  auto attribute = MakeAttribute(*doc, "id", "a\"b");
  attribute->CoreValue()->SetQuoteChar('\'');
  doc->Root()->NodeAdd(std::move(attribute));
  doc->Root()->NodeAdd(MakeAttribute(*doc, "n", "1"));
  EXPECT_EQ(Save(*doc), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Root id='a&quot;b' n=\"1\"/>");
}

TEST(XmlWriter, Utf16WithByteOrderMarks) {
  auto doc = TXmlDocument::Create();
  doc->Root()->SetName("R");
  doc->Root()->SetValue("\xC3\xA9\xF0\x9F\x98\x80");  // é and U+1F600
  doc->SetExternalEncoding(seUTF16LE);
  EXPECT_EQ(Save(*doc), std::string("\xFF\xFE<\0R\0>\0\xE9\0\x3D\xD8\x00\xDE<\0/\0R\0>\0", 22));
  EXPECT_TRUE(doc->ExternalBomInfo().HasBOM);
  EXPECT_EQ(doc->ExternalBomInfo().Len, 2);

  doc->SetExternalEncoding(seUTF16BE);
  EXPECT_EQ(Save(*doc), std::string("\xFE\xFF\0<\0R\0>\0\xE9\xD8\x3D\xDE\x00\0<\0/\0R\0>", 22));

  doc->SetExternalEncoding(seUTF8);
  EXPECT_EQ(Save(*doc), "<R>\xC3\xA9\xF0\x9F\x98\x80</R>");
  EXPECT_FALSE(doc->ExternalBomInfo().HasBOM);
}

TEST(XmlWriter, AnsiCodePageSubstitutesWithADiagnostic) {
  auto doc = TXmlDocument::Create();
  std::vector<TDiagnostic> diagnostics;
  CaptureDiagnostics(*doc, diagnostics);
  doc->Root()->SetName("R");
  doc->Root()->SetValue("caf\xC3\xA9 \xD0\x96");  // café Ж
  doc->SetExternalEncoding(seAnsi);
  doc->SetExternalCodepage(1252);
  EXPECT_EQ(Save(*doc), "<R>caf\xE9 ?</R>");
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].Style, wsWarn);
  EXPECT_EQ(diagnostics[0].Message, "default char used for codepage substitution");
}

TEST(XmlWriter, CodePageZeroWritesTheBytesBackUnchanged) {
  auto doc = TXmlDocument::Create();
  std::vector<TDiagnostic> diagnostics;
  CaptureDiagnostics(*doc, diagnostics);
  doc->Root()->SetName("R");
  doc->Root()->SetValue("caf\xC3\xA9 \xD0\x96");
  doc->SetExternalEncoding(seAnsi);
  doc->SetExternalCodepage(0);
  EXPECT_EQ(Save(*doc), "<R>caf\xC3\xA9 \xD0\x96</R>");
  EXPECT_TRUE(diagnostics.empty());
}

TEST(XmlWriter, UnsupportedEncodingWritesNothing) {
  auto doc = TXmlDocument::CreateName("Root");
  std::vector<TDiagnostic> diagnostics;
  CaptureDiagnostics(*doc, diagnostics);
  doc->SetExternalEncoding(seUCS4BE);
  EXPECT_EQ(Save(*doc), "");
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].Style, wsFail);
  EXPECT_EQ(diagnostics[0].Message, "unsupported encoding (%s)");
}

TEST(XmlWriter, DeclarationDiagnostic) {
  auto doc = TXmlDocument::CreateName("Root");
  std::vector<TDiagnostic> diagnostics;
  CaptureDiagnostics(*doc, diagnostics);
  Save(*doc);
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].Style, wsInfo);
  EXPECT_EQ(diagnostics[0].Message, "writing declaration with encoding \"UTF-8\" and codepage 0");
}

TEST(XmlWriter, MissingRootFailsOnlyWithParserWarnings) {
  auto doc = TXmlDocument::CreateEx(true, false);
  EXPECT_NO_THROW(Save(*doc));
  doc->SetParserWarnings(true);
  try {
    Save(*doc);
    FAIL() << "no error";
  } catch (const EXmlError& e) {
    EXPECT_STREQ(e.what(), "XML root element not defined.");
  }
}

// Records every write; stores at most Capacity bytes in all.
class RecordingStream : public sys::TStream {
 public:
  size_t Read(void*, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t count) override {
    const size_t n = std::min(count, Capacity - Bytes.size());
    Bytes.append(static_cast<const char*>(buffer), n);
    Writes.push_back(count);
    return n;
  }
  size_t Capacity = SIZE_MAX;
  std::string Bytes;
  std::vector<size_t> Writes;
};

TEST(XmlWriter, WritesWholeChunksToTheStream) {
  auto doc = AlarmDocument(3);
  doc->SetXmlFormat(xfReadable);
  RecordingStream stream;
  doc->SaveToStream(stream);
  ASSERT_EQ(stream.Bytes.size(), 445u + 2 * 388u);
  ASSERT_EQ(stream.Writes.size(), (stream.Bytes.size() + 255) / 256);
  for (size_t i = 0; i + 1 < stream.Writes.size(); ++i) EXPECT_EQ(stream.Writes[i], 256u);
  EXPECT_EQ(stream.Writes.back(), stream.Bytes.size() % 256);
}

TEST(XmlWriter, ShortWriteFails) {
  auto doc = AlarmDocument(3);
  RecordingStream stream;
  stream.Capacity = 300;
  try {
    doc->SaveToStream(stream);
    FAIL() << "no error";
  } catch (const EXmlError& e) {
    EXPECT_STREQ(e.what(), "Stream write error");
  }
}

TEST(XmlWriter, SaveToFileReportsWhyItCannotCreate) {
  auto doc = AlarmDocument(1);
  const std::wstring path =
      (std::filesystem::temp_directory_path() / "no-such-folder-tollivane" / "data.xml").wstring();
  try {
    doc->SaveToFile(path);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    const std::string message = e.what();
    const std::string expected = "Cannot create file \"" + sys::WideToUtf8(path) + "\". ";
    EXPECT_EQ(message.rfind(expected, 0), 0u) << message;
    EXPECT_GT(message.size(), expected.size()) << "no reason given";
  }
}

TEST(XmlWriter, SaveToFileWritesTheBytes) {
  auto doc = AlarmDocument(40);  // many chunks
  doc->SetXmlFormat(xfReadable);
  const auto path = std::filesystem::temp_directory_path() / "tollivane-writer-test.xml";
  doc->SaveToFile(path.wstring());
  EXPECT_EQ(std::filesystem::file_size(path), 445u + 39 * 388u);
  std::filesystem::remove(path);
}

TEST(XmlWriter, DeepNestingDoesNotExhaustTheStack) {
  auto doc = TXmlDocument::Create();
  doc->Root()->SetName("a");
  TXmlNode* node = doc->Root();
  constexpr int kDepth = 1000000;
  for (int i = 1; i < kDepth; ++i) node = node->NodeNew("a");
  const std::string saved = Save(*doc);
  EXPECT_EQ(saved.size(), (kDepth - 1) * 7u + 4u);  // <a>...</a> pairs around one <a/>
  doc.reset();                                      // and destroying it does not recurse either
}

TEST(XmlWriter, AReadableSaveOfADeepDocumentStaysWithinTwiceItsCompactSave) {
  auto doc = TXmlDocument::Create();
  doc->Root()->SetName("a");
  TXmlNode* node = doc->Root();
  for (int i = 1; i < 20000; ++i) {
    node = node->NodeNew("a");
    if (i % 1000 == 0) node->NodeAdd(std::make_unique<TXmlComment>(doc.get()));  // lays itself out
  }
  const std::string compact = Save(*doc);
  doc->SetXmlFormat(xfReadable);
  const std::string readable = Save(*doc);
  EXPECT_LE(readable.size(), 2 * compact.size() + 4096);
  // The layout of the levels it keeps, and nothing of it in those below.
  EXPECT_NE(readable.find("\r\n" + std::string(TXmlNode::kLaidOutDepth, '\t') + "<a>"), std::string::npos);
  EXPECT_EQ(readable.find(std::string(TXmlNode::kLaidOutDepth + 1, '\t')), std::string::npos);
  // Read back, it is the same document.
  auto again = TXmlDocument::Create();
  sys::TMemoryStream stream(readable);
  again->LoadFromStream(stream);
  EXPECT_TRUE(Save(*again) == compact);
  again->SetXmlFormat(xfReadable);
  EXPECT_TRUE(Save(*again) == readable);
}

TEST(XmlWriter, TheDeclarationNamesTheEncodingTheBytesAreWrittenIn) {
  // What governs the reading of the bytes wins over the declaration: a byte
  // order mark, or a declaration read a byte a character that names UTF-16.
  // Saved as UTF-8 without a mark, the declaration must not send the next
  // load astray.
  const std::string inputs[] = {
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding='windows-1252'?><r>caf\xC3\xA9</r>",
      "<?xml version=\"1.0\" encoding='UTF-16'?><r>caf\xC3\xA9</r>",
  };
  for (const std::string& input : inputs) {
    std::string bytes = input;
    for (int cycle = 1; cycle <= 3; ++cycle) {
      SCOPED_TRACE(input + ", cycle " + std::to_string(cycle));
      auto doc = TXmlDocument::Create();
      sys::TMemoryStream stream(bytes);
      doc->LoadFromStream(stream);
      ASSERT_NE(doc->Root(), nullptr);
      EXPECT_EQ(doc->Root()->Value(), "caf\xC3\xA9");
      bytes = Save(*doc);
      EXPECT_EQ(bytes, "<?xml version=\"1.0\" encoding='UTF-8'?><r>caf\xC3\xA9</r>");
    }
  }
}

}  // namespace
