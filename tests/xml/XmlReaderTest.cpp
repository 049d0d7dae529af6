#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef TOLLIVANE_STRICT_XML
#include <libxml/parser.h>
#endif

#include "XmlTestSupport.h"
#include "system/Stream.h"
#include "xml/XmlDocument.h"

namespace {

using namespace std::string_literals;

// A document loaded from bytes, with its diagnostics.
class TLoaded {
 public:
  explicit TLoaded(const std::string& bytes, bool preserveWhiteSpace = false) : Document(TXmlDocument::Create()) {
    CaptureDiagnostics(*Document, Diagnostics);
    Document->SetPreserveWhiteSpace(preserveWhiteSpace);
    sys::TMemoryStream stream(bytes);
    Document->LoadFromStream(stream);
  }
  TLoaded(const TLoaded&) = delete;
  TLoaded& operator=(const TLoaded&) = delete;

  // "warn: ..." for each diagnostic at style or above, less the decoder's
  // "unknown encoding" for input without declaration and mark.
  std::vector<std::string> Messages(TXmlWarnStyle atLeast = wsHint) const {
    std::vector<std::string> messages;
    for (const TDiagnostic& d : Diagnostics)
      if (d.Style >= atLeast && d.Message != "unknown encoding")
        messages.push_back(std::string(XmlWarnStyleName(d.Style)) + ": " + d.Message);
    return messages;
  }

  TXmlElement& Root() const {
    TXmlElement* root = Document->Root();
    if (root == nullptr) throw std::runtime_error("no root element");
    return *root;
  }

  std::unique_ptr<TXmlDocument> Document;
  std::vector<TDiagnostic> Diagnostics;
};

// A compact picture of a subtree: type, name, stored text or value, children.
std::string Dump(const TXmlNode& node) {
  std::string out = node.ElementTypeName() + ":" + node.Name();
  if (const auto* text = dynamic_cast<const TXmlCharData*>(&node)) out += "=[" + text->StoredText() + "]";
  if (node.ElementType() == xeAttribute) out += "=[" + node.Value() + "]";
  if (node.NodeCount() > 0) {
    out += "(";
    for (int32_t i = 0; i < node.NodeCount(); ++i) {
      if (i > 0) out += ",";
      out += Dump(*node.Nodes(i));
    }
    out += ")";
  }
  return out;
}

std::string Dump(const TXmlDocument& document) {
  std::string out;
  for (int32_t i = 0; i < document.RootNodes().Count(); ++i) {
    if (i > 0) out += " ";
    out += Dump(*document.RootNodes().Items(i));
  }
  return out;
}

std::vector<TXmlElementType> TopLevelTypes(const TXmlDocument& document) {
  std::vector<TXmlElementType> types;
  for (int32_t i = 0; i < document.RootNodes().Count(); ++i)
    types.push_back(document.RootNodes().Items(i)->ElementType());
  return types;
}

const std::vector<std::pair<std::string, std::string>> kFields = {
    {"Time", "07:30"},   {"Days", "Monday, Friday"}, {"Note", "Alarm"},         {"ShowMessage", "true"},
    {"Sound", "Bells1"}, {"TurnOnVolum", "true"},    {"SoundVolum", "100"},     {"Loop", "false"},
    {"Snooze", "true"},  {"WakeUp", "true"},         {"TurnOnMoniter", "true"}, {"Action", "(None)"},
    {"Checked", "true"},
};

// The alarm file as the writer lays it out: entries of the thirteen fields.
std::string AlarmFile(const std::string& eol, const std::string& indent, int entries = 1) {
  std::string file = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + eol + "<Root>" + eol;
  for (int e = 0; e < entries; ++e) {
    file += indent + "<Entry>" + eol;
    for (const auto& [name, value] : kFields)
      file += indent + indent + "<" + name + ">" + value + "</" + name + ">" + eol;
    file += indent + "</Entry>" + eol;
  }
  return file + "</Root>" + eol;
}

void ExpectOneEntryOfThirteenFields(const TXmlElement& root) {
  EXPECT_EQ(root.Name(), "Root");
  ASSERT_EQ(root.NodeCount(), 1);
  const TXmlNode& entry = *root.Nodes(0);
  EXPECT_EQ(entry.Name(), "Entry");
  EXPECT_EQ(entry.DirectNodeCount(), 0);
  ASSERT_EQ(entry.NodeCount(), 13);
  for (int32_t i = 0; i < 13; ++i) {
    const TXmlNode& field = *entry.Nodes(i);
    EXPECT_EQ(field.Name(), kFields[static_cast<size_t>(i)].first);
    EXPECT_EQ(field.NodeCount(), 1);
    EXPECT_EQ(field.Value(), kFields[static_cast<size_t>(i)].second);
  }
}

TEST(XmlReader, TheAlarmFileLoadsAsOneEntryOfThirteenFieldsWhateverItsLayout) {
  ASSERT_EQ(AlarmFile("\r\n", "\t").size(), 445u);
  struct TCase {
    const char* Title;
    std::string File;
  };
  const TCase cases[] = {
      {"readable", AlarmFile("\r\n", "\t")},
      {"LF line ends", AlarmFile("\n", "\t")},
      {"spaces", AlarmFile("\n", "  ")},
      {"no line breaks", AlarmFile("", "")},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Title);
    TLoaded loaded(c.File);
    EXPECT_EQ(TopLevelTypes(*loaded.Document), (std::vector<TXmlElementType>{xeDeclaration, xeElement}));
    EXPECT_EQ(Dump(*loaded.Document->RootNodes().Items(0)),
              "Declaration:xml(Attribute:version=[1.0],Attribute:encoding=[UTF-8])");
    ExpectOneEntryOfThirteenFields(loaded.Root());
    EXPECT_EQ(loaded.Messages(), std::vector<std::string>{});
    EXPECT_EQ(loaded.Messages(wsInfo),
              std::vector<std::string>{"info: declaration with encoding \"UTF-8\" and codepage 65001"});
    EXPECT_EQ(loaded.Document->ExternalEncoding(), seUTF8);
    EXPECT_EQ(loaded.Document->ExternalCodepage(), 65001);
    EXPECT_EQ(loaded.Root().NodeClosingStyle(), ncFull);
  }
}

TEST(XmlReader, KeepingWhiteSpaceGivesTheRootThreeChildren) {
  TLoaded loaded(AlarmFile("\r\n", "\t"), true);
  const TXmlElement& root = loaded.Root();
  ASSERT_EQ(root.NodeCount(), 3);
  EXPECT_EQ(Dump(*root.Nodes(0)), "CharData:CharData=[\n\t]");
  EXPECT_EQ(root.Nodes(1)->Name(), "Entry");
  EXPECT_EQ(Dump(*root.Nodes(2)), "CharData:CharData=[\n]");
  const TXmlNode& entry = *root.Nodes(1);
  for (int32_t i = 0; i < entry.NodeCount(); ++i) {
    const TXmlNode& child = *entry.Nodes(i);
    if (child.ElementType() == xeElement)
      EXPECT_EQ(child.NodeCount(), 1);
    else
      EXPECT_EQ(Dump(child), i + 1 == entry.NodeCount() ? "CharData:CharData=[\n\t]" : "CharData:CharData=[\n\t\t]");
  }
  EXPECT_EQ(entry.ReadString("Note", ""), "Alarm");
}

TEST(XmlReader, TextIsStoredAsSpelledLessTheBlanksAtItsEnds) {
  struct TCase {
    std::string Note;  // between <Note> and </Note>
    std::string Value;
    std::string Children;
  };
  const TCase cases[] = {
      {"  Alarm  ", "Alarm", "CharData:CharData=[Alarm]"},
      {" \t\r\n ", "", ""},
      {"a &amp; b", "a & b", "CharData:CharData=[a &amp; b]"},
      {"&#65;", "&#65;", "CharData:CharData=[&#65;]"},
      {"line1\r\nline2", "line1\r\nline2", "CharData:CharData=[line1\nline2]"},
      {"<![CDATA[a<b]]>", "a<b", "CData:CData=[a<b]"},
      {" x <![CDATA[y]]>", "x", "CharData:CharData=[x],CData:CData=[y]"},
      {"<![CDATA[y]]> x", "y", "CData:CData=[y],CharData:CharData=[x]"},
      {"<!-- c --> x", "x", "Comment:Comment=[ c ],CharData:CharData=[x]"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Note);
    TLoaded loaded("<Entry><Note>" + c.Note + "</Note></Entry>");
    const TXmlNode& note = *loaded.Root().Nodes(0);
    EXPECT_EQ(loaded.Root().ReadString("Note", "default"), c.Value);
    const std::string dump = Dump(note);
    EXPECT_EQ(dump, c.Children.empty() ? "Element:Note" : "Element:Note(" + c.Children + ")");
    EXPECT_EQ(loaded.Messages(wsWarn), std::vector<std::string>{});
  }
}

// A stream that hands out its bytes a few at a time, by a fixed pattern of
// lengths, after a first read in full (the one the encoding is told from):
// the decoder's text at hand then ends at every kind of place.
class TTrickleStream : public sys::TStream {
 public:
  TTrickleStream(std::string bytes, std::vector<size_t> lengths) : FBytes(std::move(bytes)), FLengths(std::move(lengths)) {}
  size_t Read(void* buffer, size_t count) override {
    const size_t wanted = FTurn == 0 ? count : FLengths[(FTurn - 1) % FLengths.size()];
    ++FTurn;
    const size_t length = std::min({count, wanted, FBytes.size() - FPosition});
    std::copy_n(FBytes.data() + FPosition, length, static_cast<char*>(buffer));
    FPosition += length;
    return length;
  }
  size_t Write(const void*, size_t) override { return 0; }

 private:
  std::string FBytes;
  std::vector<size_t> FLengths;
  size_t FTurn = 0;
  size_t FPosition = 0;
};

// Everything the reader sets on a subtree: type, name, stored text, source
// position, closing style, text node and start-tag area, children.
std::string Picture(const TXmlNode& node) {
  std::string out = node.ElementTypeName() + ":" + node.Name() + "@" + std::to_string(node.SourcePos());
  if (const auto* text = dynamic_cast<const TXmlCharData*>(&node)) out += "=[" + text->StoredText() + "]";
  if (const auto* element = dynamic_cast<const TXmlElement*>(&node)) {
    // Piece by piece: "{" + std::string&& trips a false warning of g++ 12.
    out += '{';
    for (const int32_t value : {int32_t{element->NodeClosingStyle()}, element->ValueIndex(), element->DirectNodeCount()})
      out.append(std::to_string(value)).append(",");
    out += '}';
  }
  if (node.ElementType() == xeAttribute) out += "=[" + node.Value() + "]";
  out += "(";
  for (int32_t i = 0; i < node.NodeCount(); ++i) out += Picture(*node.Nodes(i)) + ",";
  return out + ")";
}

// The whole outcome of a load: the tree, the diagnostics and both saves.
std::string LoadOutcome(sys::TStream& stream) {
  auto document = TXmlDocument::Create();
  std::vector<TDiagnostic> diagnostics;
  CaptureDiagnostics(*document, diagnostics);
  std::string out;
  try {
    document->LoadFromStream(stream);
  } catch (const std::exception& e) {
    out += std::string("thrown: ") + e.what() + "\n";
  }
  for (int32_t i = 0; i < document->RootNodes().Count(); ++i) out += Picture(*document->RootNodes().Items(i)) + "\n";
  for (const TDiagnostic& d : diagnostics) out += std::string(XmlWarnStyleName(d.Style)) + ": " + d.Message + "\n";
  for (const bool readable : {false, true}) {
    document->SetXmlFormat(readable ? xfReadable : xfCompact);
    sys::TMemoryStream saved;
    document->SaveToStream(saved);
    out += saved.Bytes() + "\n";
  }
  return out;
}

// Element content is read by a quick path where the text at hand allows it
// and by the general reading elsewhere: whatever a load meets, and wherever
// the text at hand ends, the outcome is the same.
TEST(XmlReader, ALoadComesOutTheSameWhereverTheInputArrivesInPieces) {
  const std::string cases[] = {
      AlarmFile("\r\n", "\t", 3),
      AlarmFile("\n", "  ", 2),
      AlarmFile("", "", 2),
      "<a><b/><c /><d></d><e>x</e><e>y</e><e> </e><f>\t text \n</f><e>z</e></a>",
      "<a><b>text<c>more</c>tail</b><b>1</b><b>2<!-- c --></b><b><![CDATA[<x>]]></b><b><?pi x?></b></a>",
      "<a><b x=\"1\">v</b><b\ty='2'/><b >w</b ><b>w</b\t></a>",
      "<Entry><Time>07:30</time><Days>x</Days></Entry>",
      "<a><b></a></b><c/>",
      "<a>&lt;&amp;&gt;<b>&quot;&apos;</b><b>caf\xC3\xA9 \xE7\x9B\xAE</b></a>",
      "<a><\x01b\x01>t</\x01b\x01><b\x02>u</b></a>",
      "<a><b>unclosed<c>deeper",
      "<a><b>x</b",
      "<a><b/ ><c/x><d>e</d>",
      "<a><b>x</b><b>y</b><b>z</b></a><!-- after --><c/>",
  };
  const std::vector<std::vector<size_t>> patterns = {{1}, {2, 3, 5, 7, 11, 13}, {17, 1, 4}, {64}};
  // Past the decoder's first chunk, which comes whole.
  const std::string padding = "<!--" + std::string(300, '-') + "-->";
  for (const std::string& xml : cases) {
    const std::string bytes = padding + xml;
    SCOPED_TRACE(xml);
    sys::TMemoryStream whole(bytes);
    const std::string expected = LoadOutcome(whole);
    for (const auto& lengths : patterns) {
      SCOPED_TRACE(testing::PrintToString(lengths));
      TTrickleStream pieces(bytes, lengths);
      EXPECT_EQ(LoadOutcome(pieces), expected);
    }
  }
}

TEST(XmlReader, AMismatchedEndTagStillClosesTheElement) {
  TLoaded loaded("<Entry><Time>07:30</time></Entry>");
  EXPECT_EQ(loaded.Messages(wsWarn),
            std::vector<std::string>{"warn: begin and end tag mismatch: \"Time\" and \"time\" at pos 25"});
  EXPECT_EQ(loaded.Root().ReadString("Time", ""), "07:30");
  EXPECT_EQ(loaded.Root().NodeCount(), 1);

  // Each end tag closes whatever is open.
  TLoaded crossed("<a><b></a></b><c/>");
  EXPECT_EQ(Dump(*crossed.Document), "Element:a(Element:b) Element:c");
  EXPECT_EQ(crossed.Messages(wsWarn).size(), 2u);
}

TEST(XmlReader, TheClosingStyleIsTheOneTheInputUsed) {
  struct TCase {
    std::string Xml;
    TXmlNodeClosingStyle Style;
  };
  const TCase cases[] = {{"<Note/></Entry>", ncClose},
                         {"<Note /></Entry>", ncClose},
                         {"<Note></Note></Entry>", ncFull},
                         {"<Note></Entry>", ncFull},  // closed by the mismatched end tag
                         {"<Note>", ncUnknown}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Xml);
    TLoaded loaded("<Entry>" + c.Xml);
    const auto& note = dynamic_cast<const TXmlElement&>(*loaded.Root().Nodes(0));
    EXPECT_EQ(note.NodeClosingStyle(), c.Style);
    EXPECT_EQ(note.NodeCount(), 0);
  }
}

TEST(XmlReader, AttributesKeepTheirQuoteAndComeFirst) {
  TLoaded loaded("<?xml version='1.0'?>\n<r>\n  <a x='1' y = \"2\">text<b/></a></r>");
  const TXmlNode& declaration = *loaded.Document->RootNodes().Items(0);
  const auto& version = dynamic_cast<const TXmlAttribute&>(*declaration.Nodes(0));
  EXPECT_EQ(version.Value(), "1.0");
  EXPECT_EQ(version.CoreValue()->QuoteChar(), '\'');

  const auto& a = dynamic_cast<const TXmlElement&>(*loaded.Root().Nodes(0));
  EXPECT_EQ(Dump(a), "Element:a(Attribute:x=[1],Attribute:y=[2],CharData:CharData=[text],Element:b)");
  EXPECT_EQ(a.DirectNodeCount(), 2);
  EXPECT_EQ(a.ValueIndex(), 2);
  EXPECT_EQ(a.Value(), "text");
  EXPECT_EQ(dynamic_cast<const TXmlAttribute&>(*a.Nodes(1)).CoreValue()->QuoteChar(), '"');
  // Decoded offsets: the name, the attribute's name, and the text.
  EXPECT_EQ(loaded.Root().SourcePos(), 23);
  EXPECT_EQ(a.SourcePos(), 29);
  EXPECT_EQ(a.Nodes(0)->SourcePos(), 31);
  EXPECT_EQ(a.Nodes(2)->SourcePos(), 45);
  EXPECT_EQ(loaded.Messages(), std::vector<std::string>{});
}

TEST(XmlReader, IrregularAttributeListsAreReportedAndKept) {
  struct TCase {
    std::string Xml;
    bool Preserve;
    std::string Dump;
    std::vector<std::string> Messages;
  };
  const TCase cases[] = {
      {"<a  x='1'\ty='2'/>",
       false,
       "Element:a(Attribute:x=[1],Attribute:y=[2])",
       {"hint: non-default chardata at pos 2", "hint: non-default chardata at pos 9"}},
      {"<a  x='1'/>",
       true,
       "Element:a(WhiteSpace:WhiteSpace=[  ],Attribute:x=[1])",
       {"hint: non-default chardata at pos 2"}},
      {"<a x=1 y='2'/>", false, "Element:a(Attribute:x=[],Attribute:y=[2])", {"warn: quote char expected at pos 6"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Xml);
    TLoaded loaded(c.Xml, c.Preserve);
    EXPECT_EQ(Dump(loaded.Root()), c.Dump);
    EXPECT_EQ(loaded.Root().DirectNodeCount(), loaded.Root().NodeCount());
    EXPECT_EQ(loaded.Messages(), c.Messages);
  }
  TLoaded unquoted("<a x=1/>");
  EXPECT_EQ(dynamic_cast<const TXmlAttribute&>(*unquoted.Root().Nodes(0)).CoreValue()->QuoteChar(), '1');
}

TEST(XmlReader, AStartTagOrDeclarationThatEndsBadlyIsReported) {
  struct TCase {
    std::string Xml;
    std::string Message;
  };
  const TCase cases[] = {
      {"<a/ >", "warn: illegal end tag (\" \") at line 0 (streampos 4)"},
      {"\n<a b='1'?>", "warn: illegal end tag (\"?\") at line 1 (streampos 10)"},
      {"<?xml version=\"1.0\">", "warn: illegal end tag (\">\") at line 0 (streampos 20)"},
      {"<?xml version=\"1.0\"?x", "warn: illegal end tag (\"x\") at line 0 (streampos 21)"},
      {"<a b='1'", "warn: illegal end tag (\"\") at line 0 (streampos 8)"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Xml);
    TLoaded loaded(c.Xml);
    EXPECT_EQ(loaded.Messages(wsWarn), std::vector<std::string>{c.Message});
  }
}

TEST(XmlReader, ACommentBetweenEntriesIsAChildOfTheRoot) {
  TLoaded loaded("<Root>\n\t<Entry/>\n\t<!-- second -->\n\t<Entry/>\n</Root>");
  EXPECT_EQ(Dump(loaded.Root()), "Element:Root(Element:Entry,Comment:Comment=[ second ],Element:Entry)");
}

TEST(XmlReader, AFileCutOffInsideAnEntryKeepsWhatWasRead) {
  const std::string full = AlarmFile("\r\n", "\t", 2);
  const std::string fifth = "</Sound>\r\n";
  const size_t second = full.find(fifth, full.find(fifth) + 1);
  for (const size_t cut : {second + fifth.size() - 2, second + fifth.size()}) {
    SCOPED_TRACE(cut);
    const std::string file = full.substr(0, cut);
    TLoaded loaded(file);
    const TXmlElement& root = loaded.Root();
    ASSERT_EQ(root.NodeCount(), 2);
    EXPECT_EQ(root.Nodes(0)->NodeCount(), 13);
    EXPECT_EQ(root.Nodes(1)->NodeCount(), 5);
    EXPECT_EQ(root.Nodes(1)->Nodes(4)->Value(), "Bells1");
    EXPECT_EQ(root.NodeClosingStyle(), ncUnknown);
    const std::string end =
        std::to_string(file.size() - static_cast<size_t>(std::count(file.begin(), file.end(), '\r')));
    EXPECT_EQ(loaded.Messages(), (std::vector<std::string>{
                                     "fail: stream terminated prematurely at pos " + end,
                                     "warn: level mismatch between subnode \"Entry\" and endnode \"nil\" at pos " + end,
                                 }));
  }
}

TEST(XmlReader, InputWithoutElementsLeavesNoRoot) {
  struct TCase {
    std::string File;
    std::string Dump;
  };
  const TCase cases[] = {{"", ""}, {"   ", ""}, {" \r\n\t \n", ""}, {"just text\n", "CharData:CharData=[just text]"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    TLoaded loaded(c.File);
    EXPECT_EQ(Dump(*loaded.Document), c.Dump);
    EXPECT_EQ(loaded.Document->Root(), nullptr);
  }
}

TEST(XmlReader, TextOutsideTheRootIsKeptAtTheTopLevel) {
  TLoaded loaded("hello <a/> a &amp; b ");
  EXPECT_EQ(Dump(*loaded.Document), "CharData:CharData=[hello] Element:a CharData:CharData=[a &amp; b]");
}

TEST(XmlReader, KeywordsAreRecognisedInAnyCase) {
  for (const std::string& file :
       {"<!DOCTYPE Root><Root><![CDATA[x]]></Root>"s, "<!doctype Root><Root><![cdata[x]]></Root>"s,
        "<!DocType Root><Root><![CData[x]]></Root>"s}) {
    SCOPED_TRACE(file);
    TLoaded loaded(file);
    EXPECT_EQ(Dump(*loaded.Document), "DocType:Root Element:Root(CData:CData=[x])");
    EXPECT_EQ(loaded.Root().Value(), "x");
    EXPECT_EQ(loaded.Messages(), std::vector<std::string>{});
  }
}

TEST(XmlReader, ADocTypeKeepsItsExternalIdAndInternalSubset) {
  TLoaded system(
      "<!DOCTYPE Root SYSTEM \"root.dtd\" [\n"
      "  <!ENTITY e \"v\">  junk\n"
      "  <!-- c -->\n"
      "  <!ATTLIST Root x CDATA '1'>\n"
      "]>\n<Root/>");
  const auto& docType = dynamic_cast<const TXmlDocType&>(*system.Document->RootNodes().Items(0));
  EXPECT_EQ(docType.Name(), "Root");
  EXPECT_EQ(docType.ExternalId()->StoredText(), "SYSTEM");
  EXPECT_EQ(docType.SystemLiteral()->StoredText(), "root.dtd");
  EXPECT_EQ(docType.PubIDLiteral()->StoredText(), "");
  // What stands between declarations is kept (there, a parameter-entity
  // reference would), and a declaration as written.
  EXPECT_EQ(docType.NodeCount(), 4);
  EXPECT_EQ(Dump(*docType.Nodes(0)), "DtdEntity:e(CharData:CharData=[ ],QuotedText:QuotedText=[v])");
  EXPECT_EQ(Dump(*docType.Nodes(1)), "CharData:CharData=[junk]");
  EXPECT_EQ(Dump(*docType.Nodes(2)), "Comment:Comment=[ c ]");
  EXPECT_EQ(Dump(*docType.Nodes(3)), "DtdAttList:Root(CharData:CharData=[ x CDATA ],QuotedText:QuotedText=[1])");
  EXPECT_EQ(system.Root().Name(), "Root");

  TLoaded publicId("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0//EN\" 'x.dtd'><html/>");
  const auto& html = dynamic_cast<const TXmlDocType&>(*publicId.Document->RootNodes().Items(0));
  EXPECT_EQ(html.ExternalId()->StoredText(), "PUBLIC");
  EXPECT_EQ(html.PubIDLiteral()->StoredText(), "-//W3C//DTD XHTML 1.0//EN");
  EXPECT_EQ(html.SystemLiteral()->StoredText(), "x.dtd");
  EXPECT_EQ(html.SystemLiteral()->QuoteChar(), '\'');
  EXPECT_EQ(publicId.Messages(), std::vector<std::string>{});

  TLoaded bad("<!DOCTYPE r FOO><r/>");
  EXPECT_EQ(bad.Messages(wsWarn), std::vector<std::string>{"warn: illegal tag (\"F\") at pos 12"});
}

#ifdef TOLLIVANE_STRICT_XML
bool IsWellFormed(const std::string& bytes) {
  xmlDocPtr document = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (document == nullptr) return false;
  xmlFreeDoc(document);
  return true;
}
#endif

std::string Saved(TXmlDocument& document, TXmlFormatType format) {
  document.SetXmlFormat(format);
  sys::TMemoryStream stream;
  document.SaveToStream(stream);
  return stream.Bytes();
}

TEST(XmlReader, MarkupDeclarationsComeBackAsWrittenInEitherLayout) {
  // Each a subset, one line a piece; the line ends are the writer's to lay out.
  const std::vector<std::string> subsets[] = {
      {"<!ELEMENT doc (#PCDATA)>"},
      {"<!ELEMENT doc (a?, b*, (c | d)+)>", "<!ELEMENT a EMPTY>", "<!ELEMENT b ANY>"},
      {"<!ELEMENT doc  (#PCDATA|a)* >"},
      {"<!ATTLIST doc a1 CDATA #IMPLIED a2 (x|y) \"x\" a3 NMTOKEN #FIXED 'n'>"},
      {"<!ENTITY e \"v &#38; w\">"},
      {"<!ENTITY gt 'a > b \"quoted\"'>"},
      {"<!ENTITY % pe \"<!ELEMENT x ANY>\">", "%pe;"},
      {"<!ENTITY ext SYSTEM \"ext.xml\">", "<!ENTITY pub PUBLIC \"-//T//E//EN\" 'pub.xml'>"},
      {"<!NOTATION n SYSTEM \"viewer.exe\">", "<!NOTATION p PUBLIC '-//T//N//EN'>"},
      {"<!-- a comment [with] <markup> -->", "<?pi inside the subset?>", "<!ELEMENT doc ANY>"},
  };
  for (const std::vector<std::string>& pieces : subsets) {
    std::string subset;
    for (const std::string& piece : pieces) subset += piece + "\n";
    for (const bool external : {false, true}) {
      const std::string input = std::string("<?xml version=\"1.0\"?>\n<!DOCTYPE doc") +
                                (external ? " SYSTEM \"doc.dtd\"" : "") + " [\n" + subset + "]>\n<doc/>";
      SCOPED_TRACE(input);
      TLoaded loaded(input);
      EXPECT_EQ(loaded.Messages(wsWarn), std::vector<std::string>{});
      for (const TXmlFormatType format : {xfCompact, xfReadable}) {
        const std::string first = Saved(*loaded.Document, format);
        for (const std::string& piece : pieces) EXPECT_NE(first.find(piece), std::string::npos) << first;
#ifdef TOLLIVANE_STRICT_XML
        EXPECT_TRUE(IsWellFormed(first)) << first;
#endif
        TLoaded again(first);
        EXPECT_EQ(Dump(*again.Document), Dump(*loaded.Document));
        EXPECT_EQ(Saved(*again.Document, format), first);
      }
    }
  }
}

TEST(XmlReader, ADtdDeclarationNotEndingWithGreaterThanEndsTheLoad) {
  const struct {
    std::string Input;
    const char* Error;
    const char* Kept;
  } cases[] = {
      {"<!DOCTYPE Root [\n<!ELEMENT a (b?)", "illegal end tag (\"\") at line 1 (streampos 33)",
       "DocType:Root(DtdElement:a(CharData:CharData=[ (b?)]))"},
      // A ">" inside a literal does not end it.
      {"<!DOCTYPE Root [\n<!ENTITY e 'a > b", "illegal end tag (\"\") at line 1 (streampos 34)",
       "DocType:Root(DtdEntity:e(CharData:CharData=[ ],QuotedText:QuotedText=[a > b]))"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Input);
    auto document = TXmlDocument::Create();
    document->SetExternalEncoding(seUTF16BE);
    document->SetExternalCodepage(1201);
    sys::TMemoryStream stream(c.Input);
    try {
      document->LoadFromStream(stream);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), c.Error);
    }
    // What was read stays; the settings from the input do not change.
    EXPECT_EQ(Dump(*document), c.Kept);
    EXPECT_EQ(document->ExternalEncoding(), seUTF16BE);
    EXPECT_EQ(document->ExternalCodepage(), 1201);
    EXPECT_EQ(document->ExternalBomInfo().HasBOM, false);
  }
}

TEST(XmlReader, MarkupThatCannotStandWhereItIsStopsReading) {
  struct TCase {
    std::string File;
    std::string Dump;
    std::vector<std::string> Messages;
  };
  const TCase cases[] = {
      {"<Root><a/></Root></Root><b/>", "Element:Root(Element:a)", {"warn: unsupported tag (\"EndTag\") at pos 19"}},
      {"<a/><", "Element:a", {"warn: illegal tag (\"<\") at pos 5"}},
      {"<a/><!x><b/>", "Element:a", {"fail: illegal tag (\"x\") at pos 7", "warn: illegal tag (\"<\") at pos 7"}},
      // Inside an element the element ends; reading goes on at the top level.
      {"<r><!DOCTYPE x></r>",
       "Element:r CharData:CharData=[x>]",
       {"warn: illegal tag (\"DocType\") at pos 12", "warn: unsupported tag (\"EndTag\") at pos 17"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    TLoaded loaded(c.File);
    EXPECT_EQ(Dump(*loaded.Document), c.Dump);
    EXPECT_EQ(loaded.Messages(), c.Messages);
  }
}

TEST(XmlReader, ADeclarationInsideAnEntryClosesEveryOpenElement) {
  TLoaded loaded("<Root><Entry><Time>1</Time><?xml version=\"1.0\"?><Note>n</Note></Entry></Root>");
  EXPECT_EQ(Dump(*loaded.Document),
            "Element:Root(Element:Entry(Element:Time(CharData:CharData=[1]))) "
            "CharData:CharData=[version=\"1.0\"?>] Element:Note(CharData:CharData=[n])");
  EXPECT_EQ(loaded.Messages(wsWarn), (std::vector<std::string>{
                                         "warn: illegal tag (\"Declaration\") at pos 32",
                                         "warn: level mismatch between subnode \"Entry\" and endnode \"nil\" at pos 32",
                                         "warn: unsupported tag (\"EndTag\") at pos 64",
                                     }));
}

TEST(XmlReader, InstructionsAndCommentsKeepTheirText) {
  TLoaded loaded(
      "<?xml-stylesheet type=\"text/xsl\" href=\"a.xsl\"?><?php echo 1?>"
      "<r><!--x--><?pi a<b?></r>");
  EXPECT_EQ(Dump(*loaded.Document),
            "Stylesheet:xml-stylesheet=[ type=&quot;text/xsl&quot; href=&quot;a.xsl&quot;] "
            "Instruction:PI=[php echo 1] "
            "Element:r(Comment:Comment=[x],Instruction:PI=[pi a<b])");
  EXPECT_EQ(loaded.Document->RootNodes().Items(0)->Value(), " type=\"text/xsl\" href=\"a.xsl\"");

  TLoaded open("<r><!-- never closed");
  EXPECT_EQ(Dump(*open.Document), "Element:r(Comment:Comment=[])");
  EXPECT_EQ(open.Messages(), std::vector<std::string>{"warn: stream terminated prematurely at pos 20"});
}

TEST(XmlReader, AbortParsingStopsTheLoadAtTheNextTurn) {
  auto document = TXmlDocument::Create();
  document->SetAbortParsing(true);  // cleared when a load starts
  document->OnDebugOut = [&document](const void*, TXmlWarnStyle style, const std::string&) {
    if (style == wsHint) document->SetAbortParsing(true);
  };
  sys::TMemoryStream stream("<r><a/><b  x='1'/><c/></r><d/>");
  document->LoadFromStream(stream);
  EXPECT_EQ(Dump(*document), "Element:r(Element:a,Element:b(Attribute:x=[1]))");
  EXPECT_TRUE(document->AbortParsing());
}

TEST(XmlReader, TheInputDecidesTheEncodingToSaveIn) {
  const std::string e = "\xC3\xA9";  // é
  struct TCase {
    const char* Title;
    std::string File;
    TXmlStringEncoding Encoding;
    int32_t CodePage;
  };
  const std::string utf16Body = "<?xml version=\"1.0\" encoding=\"X\"?><r>\xE9</r>";
  const auto utf16 = [](const std::string& latin1, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : latin1) bytes += bigEndian ? "\0"s + c : c + "\0"s;
    return bytes;
  };
  const auto declaring = [&utf16Body](const std::string& name) {
    std::string body = utf16Body;
    return body.replace(body.find('X'), 1, name);
  };
  const TCase cases[] = {
      {"no declaration", "<r>" + e + "</r>", seAnsi, 0},
      {"no encoding named", "<?xml version=\"1.0\"?><r>" + e + "</r>", seUTF8, 65001},
      {"windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\xE9</r>", seAnsi, 1252},
      {"latin-9 unknown", "<?xml version=\"1.0\" encoding=\"latin-9\"?><r>" + e + "</r>", seUTF8, 65001},
      {"UTF-8 mark", "\xEF\xBB\xBF<r>" + e + "</r>", seUTF8, 0},
      {"UTF-8 mark, other name", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>" + e + "</r>",
       seUTF8, 65001},
      {"UTF-16LE", utf16(declaring("UTF-16"), false), seUTF16LE, 1200},
      {"UTF-16BE naming utf-16", utf16(declaring("utf-16"), true), seUTF16BE, 1201},
      {"UTF-16LE naming UTF-8", utf16(declaring("UTF-8"), false), seUTF16LE, 1200},
      {"UTF-16BE without mark", utf16(declaring("utf-16"), true).substr(2), seUTF16BE, 1201},
      // Its declaration read a byte a character, the input is not UTF-16.
      {"8-bit naming UTF-16", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>" + e + "</r>", seUTF8, 65001},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Title);
    TLoaded loaded(c.File);
    EXPECT_EQ(loaded.Root().Value(), e);
    EXPECT_EQ(loaded.Document->ExternalEncoding(), c.Encoding);
    EXPECT_EQ(loaded.Document->ExternalCodepage(), c.CodePage);
  }
}

TEST(XmlReader, EachDeclarationSwitchesTheEncoding) {
  // 0xA4 is the euro sign in ISO-8859-15 and the currency sign in windows-1252.
  TLoaded loaded(
      "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xA4</a>"
      "<?xml version=\"1.0\" encoding=\"iso-8859-15\"?><b>\xA4</b>");
  EXPECT_EQ(Dump(*loaded.Document),
            "Declaration:xml(Attribute:version=[1.0],Attribute:encoding=[windows-1252]) "
            "Element:a(CharData:CharData=[\xC2\xA4]) "
            "Declaration:xml(Attribute:version=[1.0],Attribute:encoding=[iso-8859-15]) "
            "Element:b(CharData:CharData=[\xE2\x82\xAC])");
  EXPECT_EQ(loaded.Document->ExternalCodepage(), 28605);
  EXPECT_EQ(loaded.Messages(wsInfo), (std::vector<std::string>{
                                         "info: declaration with encoding \"windows-1252\" and codepage 1252",
                                         "info: declaration with encoding \"iso-8859-15\" and codepage 28605",
                                     }));
}

TEST(XmlReader, ASecondDeclarationAfterAMultiByteOneReadsOnFromItsEnd) {
  // The text read since the first declaration is not read a second time.
  struct TCase {
    const char* First;
    std::string Text;
    std::string Decoded;
    const char* Second;
    std::string SecondText;
    std::string SecondDecoded;
  };
  const TCase cases[] = {
      {"shift_jis", "\x93\xFA\x96\x7B", "\xE6\x97\xA5\xE6\x9C\xAC", "windows-1252", "\xA4", "\xC2\xA4"},
      {"gb2312", "\xC4\xE3\r\n\xBA\xC3", "\xE4\xBD\xA0\n\xE5\xA5\xBD", "shift_jis", "\x93\xFA", "\xE6\x97\xA5"},
      {"big5", "\xA4\xA4", "\xE4\xB8\xAD", "utf-8", "\xC3\xA9", "\xC3\xA9"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.First);
    TLoaded loaded("<?xml version=\"1.0\" encoding=\""s + c.First + "\"?>\r\n<a>" + c.Text + "</a>\r\n" +
                   "<?xml version=\"1.0\" encoding=\"" + c.Second + "\"?><b>" + c.SecondText + "</b>");
    EXPECT_EQ(Dump(*loaded.Document), "Declaration:xml(Attribute:version=[1.0],Attribute:encoding=["s + c.First +
                                          "]) Element:a(CharData:CharData=[" + c.Decoded +
                                          "]) Declaration:xml(Attribute:version=[1.0],Attribute:encoding=[" + c.Second +
                                          "]) Element:b(CharData:CharData=[" + c.SecondDecoded + "])");
  }
}

TEST(XmlReader, AUtf16FileLoadsAsItsUtf8Twin) {
  const std::u16string text =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Root>\r\n\t<Entry a='\u00E9'>\r\n"
      u"\t\t<Note>Caf\u00E9 \u20AC \U0001F600 &amp;</Note>\r\n\t</Entry>\r\n</Root>\r\n";
  const std::string twin =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root>\r\n\t<Entry a='\xC3\xA9'>\r\n"
      "\t\t<Note>Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 &amp;</Note>\r\n\t</Entry>\r\n</Root>\r\n";
  std::string utf16 = "\xFF\xFE";
  for (const char16_t unit : text) {
    utf16 += static_cast<char>(unit & 0xFF);
    utf16 += static_cast<char>(unit >> 8);
  }
  TLoaded fromUtf16(utf16);
  TLoaded fromUtf8(twin);
  EXPECT_EQ(Dump(fromUtf16.Root()), Dump(fromUtf8.Root()));
  EXPECT_EQ(fromUtf16.Root().Nodes(0)->ReadString("Note", ""), "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 &");
}

TEST(XmlReader, ACharacterCutByTheChunkBoundaryDecodesWhole) {
  // Byte 256 falls on every offset of the characters across the paddings.
  struct TCase {
    const char* Title;
    std::string Head;  // before the padding
    std::string Unit;  // repeated
    std::string Utf8;
    bool Utf16;
    TXmlStringEncoding Encoding;
    int32_t CodePage;
  };
  const std::string grin = "\xF0\x9F\x98\x80";
  const TCase cases[] = {
      {"Shift-JIS", "<?xml version=\"1.0\" encoding=\"shift_jis\"?>\r\n<r>", "\x93\xFA\x96\x7B\x83\x5C ",
       "\xE6\x97\xA5\xE6\x9C\xAC\xE3\x82\xBD ", false, seAnsi, 932},
      {"Big5", "<?xml version=\"1.0\" encoding=\"big5\"?>\r\n<r>", "\xA4\xA4\xB3\x5C", "\xE4\xB8\xAD\xE8\xA8\xB1",
       false, seAnsi, 950},
      {"UTF-16 pair", "<r>", "\x3D\xD8\x00\xDE"s, grin, true, seUTF16LE, 0},
  };
  for (const TCase& c : cases) {
    for (size_t padding = 0; padding < c.Unit.size() + 2; ++padding) {
      SCOPED_TRACE(std::string(c.Title) + " " + std::to_string(padding));
      std::string file;
      std::string expected;
      const auto ascii = [&c](const std::string& text) {
        if (!c.Utf16) return text;
        std::string units;
        for (const char ch : text) units += ch + "\0"s;
        return units;
      };
      file = (c.Utf16 ? "\xFF\xFE" : "") + ascii(c.Head + std::string(padding, 'x'));
      expected = std::string(padding, 'x');
      while (file.size() < 600) {
        file += c.Unit;
        expected += c.Utf8;
      }
      file += ascii("</r>");
      TLoaded loaded(file);
      EXPECT_EQ(loaded.Root().Value(), TrimBlankBytes(expected));
      EXPECT_EQ(loaded.Document->ExternalEncoding(), c.Encoding);
      EXPECT_EQ(loaded.Document->ExternalCodepage(), c.CodePage);
    }
  }
}

TEST(XmlReader, LoadFromFileReadsTheFile) {
  auto document = TXmlDocument::Create();
  document->LoadFromFile(L"" TOLLIVANE_TEST_DATA "/xml/alarms-readable.xml");
  ASSERT_NE(document->Root(), nullptr);
  ExpectOneEntryOfThirteenFields(*document->Root());
}

TEST(XmlReader, AFileThatCannotBeOpenedFailsBeforeTheDocumentIsTouched) {
  auto document = TXmlDocument::CreateName("Root");
  document->Root()->NodeNew("Entry");
  const std::string path = TOLLIVANE_TEST_DATA "/xml/no-such-file.xml";
  try {
    document->LoadFromFile(L"" TOLLIVANE_TEST_DATA "/xml/no-such-file.xml");
    FAIL() << "no error";
  } catch (const sys::EFileError& e) {
    const std::string message = e.what();
    const std::string head = "Cannot open file \"" + path + "\". ";
    EXPECT_EQ(message.substr(0, head.size()), head);
    EXPECT_GT(message.size(), head.size());  // the system's reason
  }
  EXPECT_EQ(Dump(*document),
            "Declaration:xml(Attribute:version=[1.0],Attribute:encoding=[UTF-8]) Element:Root(Element:Entry)");
}

TEST(XmlReader, AMillionNestedElementsLoadWithoutExhaustingTheStack) {
  constexpr int kDepth = 1000000;
  std::string open;
  open.reserve(kDepth * 3);
  for (int i = 0; i < kDepth; ++i) open += "<a>";
  for (const bool closed : {false, true}) {
    SCOPED_TRACE(closed ? "closed" : "cut off");
    std::string file = open;
    if (closed) {
      file.reserve(kDepth * 7);
      for (int i = 0; i < kDepth; ++i) file += "</a>";
    }
    auto document = TXmlDocument::Create();
    int fails = 0;
    int mismatches = 0;
    int others = 0;
    document->OnDebugOut = [&](const void*, TXmlWarnStyle style, const std::string& message) {
      if (style == wsFail && message == "stream terminated prematurely at pos " + std::to_string(file.size()))
        ++fails;
      else if (message.starts_with("level mismatch between subnode \"a\" and endnode \"nil\""))
        ++mismatches;
      else if (style >= wsHint && message != "unknown encoding")
        ++others;
    };
    sys::TMemoryStream stream(file);
    document->LoadFromStream(stream);
    int depth = 0;
    for (const TXmlNode* node = document->Root(); node != nullptr; node = node->Nodes(0)) ++depth;
    EXPECT_EQ(depth, kDepth);
    EXPECT_EQ(fails, closed ? 0 : 1);
    EXPECT_EQ(mismatches, closed ? 0 : kDepth - 1);
    EXPECT_EQ(others, 0);
  }
}

}  // namespace
