// The reader: how the document and each node class build the tree from the
// decoder's primitives. It never rejects a document; irregular input is
// reported to the document's OnDebugOut and reading goes on.

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xml/XmlDocument.h"
#include "xml/XmlMarkup.h"
#include "xml/XmlNode.h"
#include "xml/XmlParser.h"

namespace {

// The format's reader has always read 256 bytes at a time. UTF-8 input, only
// copied, is read in larger chunks, as the quick path of element content
// stops at each chunk's end. Measured on a 10,000-entry alarm file
// (callgrind): 125.9 M instructions at 256 bytes, 119.5 M at 4 KiB, and no
// fewer beyond.
constexpr size_t kChunkSize = 256;
constexpr size_t kPlainChunkSize = 4096;

constexpr TXmlElementTypeSet kElementContent = XmlTypeBit(xeElement) | XmlTypeBit(xeComment) | XmlTypeBit(xeCData) |
                                               XmlTypeBit(xeInstruction) | XmlTypeBit(xeEndTag);
constexpr TXmlElementTypeSet kSubsetContent = XmlTypeBit(xeComment) | XmlTypeBit(xeDtdElement) |
                                              XmlTypeBit(xeDtdAttList) | XmlTypeBit(xeDtdEntity) |
                                              XmlTypeBit(xeDtdNotation) | XmlTypeBit(xeInstruction);

// A message is formatted only when someone listens: a deep file that ends
// early sends one diagnostic a level.
template <class TMessage>
void Report(const TXmlNode& node, TXmlWarnStyle style, TMessage&& message) {
  const TXmlDocument& document = *node.Document();
  if (document.OnDebugOut) document.DoDebugOut(static_cast<const TDebugPersistent*>(&node), style, message());
}

// A character for a message; 0 stands for the end of the input and shows as nothing.
std::string Shown(char c) { return c == 0 ? std::string() : std::string(1, c); }

std::string IllegalEndTag(char found, const TXmlParser& parser) {
  return "illegal end tag (\"" + Shown(found) + "\") at line " + std::to_string(parser.LineNumber()) + " (streampos " +
         std::to_string(parser.Position()) + ")";
}

std::string IllegalTag(const std::string& what, int64_t position) {
  return "illegal tag (\"" + what + "\") at pos " + std::to_string(position);
}

std::string LevelMismatch(const TXmlNode& child, const TXmlNode* returned, int64_t position) {
  return "level mismatch between subnode \"" + child.Name() + "\" and endnode \"" +
         (returned != nullptr ? returned->Name() : std::string("nil")) + "\" at pos " + std::to_string(position);
}

int32_t Intern(const TXmlNode& node, std::string_view text) { return node.Document()->StringTable().AddString(text); }

// An attribute value or DTD literal: its quote character, then the text up to
// the same character again. Anything else is kept as the quote character of
// an empty literal.
void ReadLiteral(TXmlParser& parser, TXmlQuotedText& literal, const TXmlNode& reporter) {
  std::string_view blanks;
  const char quote = parser.NextCharSkipBlanks(blanks);
  literal.SetSourcePos(parser.Position());
  if (quote == '"' || quote == '\'') {
    literal.SetQuoteChar(quote);
    literal.SetStoredText(parser.ReadQuotedString(quote));
    return;
  }
  Report(reporter, wsWarn, [&] { return "quote char expected at pos " + std::to_string(parser.Position()); });
  // At the end of the input there is no character to keep.
  if (quote != 0 || !parser.EndOfStream()) literal.SetQuoteChar(quote);
}

// The name of a start tag, DOCTYPE or DTD declaration.
int32_t ReadName(TXmlParser& parser, const TXmlNode& node) {
  return Intern(node, TrimBlankBytes(parser.ReadStringUntilBlankOrEndTag()));
}

std::string DeclaredEncoding(const TXmlNode& declaration) {
  for (int32_t i = 0; i < declaration.NodeCount(); ++i) {
    const TXmlNode* node = declaration.Nodes(i);
    if (node->ElementType() != xeAttribute) continue;
    const std::string name = node->Name();
    if (name.size() == 8 && std::equal(name.begin(), name.end(), "encoding", [](char a, char b) {
          return (a >= 'A' && a <= 'Z' ? static_cast<char>(a + 32) : a) == b;
        }))
      return node->Value();
  }
  return "";
}

void ReadDocument(TXmlDocument& document, TXmlParser& parser) {
  const auto report = [&document](TXmlWarnStyle style, auto&& message) {
    if (document.OnDebugOut) document.DoDebugOut(&document, style, message());
  };
  document.SetAbortParsing(false);
  parser.ReadBOM();
  document.SetExternalBomInfo(parser.BomInfo());
  TXmlNodeList& nodes = document.RootNodes();
  while (!document.AbortParsing() && !parser.EndOfStream()) {
    parser.Flush();
    const int64_t position = parser.Position();
    std::string_view text = parser.ReadStringUntilChar('<');
    if (!document.PreserveWhiteSpace()) text = TrimBlankBytes(text);
    if (!text.empty()) {
      // Kept as the input spells it, like text inside elements.
      auto charData = std::make_unique<TXmlCharData>(&document);
      charData->SetSourcePos(position);
      charData->SetStoredText(text);
      nodes.Add(std::move(charData));
    }
    if (parser.EndOfStream()) break;
    parser.MoveBack();
    parser.NextChar();
    const TXmlElementType type = parser.ReadOpenTag();
    if (type == xeError) {
      report(wsWarn, [&] { return IllegalTag("<", parser.Position()); });
      break;
    }
    std::unique_ptr<TXmlNode> node = NewXmlNode(&document, type);
    if (!node) {
      report(wsWarn, [&] {
        return "unsupported tag (\"" + std::string(XmlElementTypeName(type)) + "\") at pos " +
               std::to_string(parser.Position());
      });
      break;
    }
    TXmlNode* added = node.get();
    nodes.Add(std::move(node));
    added->ParseStream(parser);
    if (type == xeDeclaration) {
      const std::string name = DeclaredEncoding(*added);
      parser.DeclareEncoding(name);
      report(wsInfo, [&] {
        return "declaration with encoding \"" + name + "\" and codepage " + std::to_string(parser.CodePage());
      });
    }
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Document

void TXmlDocument::LoadFromFile(const std::wstring& fileName) {
  // Opening fails before the document is touched.
  const std::unique_ptr<sys::TFileStream> file = sys::TFileStream::OpenRead(fileName);
  LoadFromStream(*file);
}

void TXmlDocument::LoadFromStream(sys::TStream& stream) {
  FRootNodes.Clear();
  FStringTable.Clear();
  TXmlParser parser(stream, kChunkSize, this, kPlainChunkSize);
  ReadDocument(*this, parser);
  // Only a load that got through tells the encoding to save in.
  FExternalEncoding = parser.Encoding();
  FExternalCodePage = parser.CodePage();
}

// ---------------------------------------------------------------------------
// Nodes

TXmlNode* TXmlNode::ParseStream(TXmlParser&) { return this; }

char TXmlContainerNode::ReadAttributeArea(TXmlParser& parser) {
  while (!parser.EndOfStream()) {
    const int64_t position = parser.Position();
    std::string_view blanks;
    const char c = parser.NextCharSkipBlanks(blanks);
    if (!blanks.empty() && blanks != " ") {
      Report(*this, wsHint, [&] { return "non-default chardata at pos " + std::to_string(position); });
      if (Document()->PreserveWhiteSpace()) {
        auto whiteSpace = std::make_unique<TXmlWhiteSpace>(Document());
        whiteSpace->SetSourcePos(position);
        whiteSpace->SetStoredText(blanks);
        NodeAdd(std::move(whiteSpace));
      }
    }
    if (c == '!' || c == '/' || c == '>' || c == '?') return c;
    if (c == 0 && parser.EndOfStream()) break;
    parser.MoveBack();
    auto attribute = std::make_unique<TXmlAttribute>(Document());
    TXmlAttribute* added = attribute.get();
    NodeAdd(std::move(attribute));
    added->ParseStream(parser);
  }
  return 0;
}

TXmlNode* TXmlAttribute::ParseStream(TXmlParser& parser) {
  SetSourcePos(parser.Position());
  FNameID = Intern(*this, TrimBlankBytes(parser.ReadStringUntilChar('=')));
  ReadLiteral(parser, *FCoreValue, *this);
  return this;
}

TXmlNode* TXmlDeclaration::ParseStream(TXmlParser& parser) {
  SetSourcePos(parser.Position());
  char found = ReadAttributeArea(parser);
  if (found == '?') {
    found = parser.NextChar();
    if (found == '>') return this;
  }
  Report(*this, wsWarn, [&] { return IllegalEndTag(found, parser); });
  return this;
}

TXmlNode* TXmlComment::ParseStream(TXmlParser& parser) {
  SetSourcePos(parser.Position());
  SetStoredText(parser.ReadStringUntil("-->"));
  return this;
}

TXmlNode* TXmlCData::ParseStream(TXmlParser& parser) {
  SetSourcePos(parser.Position());
  SetStoredText(parser.ReadStringUntil("]]>"));
  return this;
}

TXmlNode* TXmlInstruction::ParseStream(TXmlParser& parser) {
  SetSourcePos(parser.Position());
  SetStoredText(parser.ReadStringUntil("?>"));
  return this;
}

TXmlNode* TXmlStyleSheet::ParseStream(TXmlParser& parser) {
  SetSourcePos(parser.Position());
  // Stored escaped, through Value; the writer puts out Value again.
  SetValue(std::string(parser.ReadStringUntil("?>")));
  return this;
}

// ---------------------------------------------------------------------------
// Elements

TXmlNode* TXmlElement::ParseStream(TXmlParser& parser) {
  if (ReadStartTag(parser) != '>') return this;
  return ReadContent(parser, kElementContent);
}

char TXmlElement::ReadStartTag(TXmlParser& parser) {
  // The text before this chunk is read: memory stays bounded by the tree.
  parser.Flush();
  FValueIndex = -1;
  SetSourcePos(parser.Position());
  FNameID = ReadName(parser, *this);
  const char end = ReadAttributeArea(parser);
  FDirectNodeCount = NodeCount();
  if (end == '>') return end;
  char found = end;
  if (end == '/') {
    found = parser.NextChar();
    if (found == '>') {
      FNodeClosingStyle = ncClose;
      return end;
    }
  }
  Report(*this, wsWarn, [&] { return IllegalEndTag(found, parser); });
  return end;
}

void TXmlElement::ReadTextRun(TXmlParser& parser) {
  const int64_t position = parser.Position();
  const bool trim = !Document()->PreserveWhiteSpace();
  // The blanks of the layout, most runs, are passed over before the search.
  if (trim) parser.SkipBlankBytes();
  std::string_view text = parser.ReadStringUntilChar('<');
  if (trim) text = TrimBlankBytes(text);
  AddTextRun(position, text);
}

void TXmlElement::AddTextRun(int64_t position, std::string_view text) {
  if (text.empty()) return;
  auto charData = std::make_unique<TXmlCharData>(Document());
  charData->SetSourcePos(position);
  charData->SetStoredText(text);
  // Appended where NodeAdd would put it, without its checks: the node is new
  // and of this document.
  LinkParent(*charData, this);
  const int32_t index = FNodes.Add(std::move(charData));
  if (FValueIndex == -1) FValueIndex = index;
}

// Element content nests without limit, so the open elements are kept on a
// stack of their own and not on the call stack: a hostile file cannot
// overflow it. Each element's share (ReadChildren) stops where the recursive
// reading would call a child element's ParseStream; what that child's
// content returns is handed to its parent exactly as a return value would be,
// with the same diagnostics and the same cascade of a null result.
TXmlNode* TXmlElement::ReadContent(TXmlParser& parser, TXmlElementTypeSet kinds) {
  std::vector<TXmlElement*> open{this};  // not owned: each is in its parent's child list
  TXmlNode* result = nullptr;
  for (;;) {
    TXmlElement* element = open.back();
    TXmlElement* child = nullptr;
    if (!element->ReadChildren(parser, element == this ? kinds : kElementContent, result, child)) {
      open.push_back(child);
      continue;
    }
    for (;;) {
      TXmlElement* finished = open.back();
      open.pop_back();
      if (open.empty()) return result;
      if (result == finished) break;  // its parent reads on
      // The parent stops too and returns the same.
      TXmlElement* parent = open.back();
      Report(*parent, wsWarn, [&] { return LevelMismatch(*finished, result, parser.Position()); });
    }
  }
}

void TXmlElement::ReserveAsPreviousSibling(const TXmlElement& parent) {
  const int32_t count = parent.FNodes.Count();
  const TXmlNode* previous = parent.FNodes.Items(count - 2);
  if (previous == nullptr || previous->ElementType() != xeElement) return;
  const auto& sibling = static_cast<const TXmlElement&>(*previous);
  const int32_t siblingCount = sibling.FNodes.Count();
  // One child fits the list's inline slot.
  if (sibling.FNameID == FNameID && siblingCount > 1) FNodes.Reserve(static_cast<uint32_t>(siblingCount));
}

// What the general reading below does, for the markup of nearly every file:
// a text run (blanks of the layout dropped), then a start tag without
// attributes, an empty-element tag or this element's own end tag, all within
// the decoded text at hand. Anything else, or markup cut by the end of the
// text at hand, is left at its "<" for the general reading (the text run
// before it is taken, so the general reading meets an empty one there).
TXmlElement::TQuickStep TXmlElement::ReadChildQuickly(TXmlParser& parser, TXmlElement*& child) {
  const char* at = parser.Cursor();
  const char* const limit = parser.Limit();
  const int64_t runPosition = parser.PositionOf(at);
  while (at < limit && static_cast<unsigned char>(*at) <= 0x20) ++at;
  const char* const textStart = at;
  at = TXmlParser::Find(at, limit, '<');
  if (limit - at < 2) return qsGeneral;
  AddTextRun(runPosition, TrimBlankBytes(std::string_view(textStart, static_cast<size_t>(at - textStart))));
  parser.MoveTo(at);
  const char* const markup = at + 1;
  if (*markup == '/') {
    const std::string& own = Document()->StringTable().GetString(FNameID);
    parser.MoveTo(markup + 1);
    if (!parser.SkipTextBefore(own, '>')) {
      parser.MoveTo(at);
      return qsGeneral;
    }
    FNodeClosingStyle = ncFull;
    return qsEnded;
  }
  if (*markup == '!' || *markup == '?') return qsGeneral;
  const char* const nameEnd = TXmlParser::FindNameStop(markup, limit);
  if (nameEnd == limit || !(*nameEnd == '>' || (*nameEnd == '/' && nameEnd + 1 < limit && nameEnd[1] == '>')))
    return qsGeneral;
  auto element = std::make_unique<TXmlElement>(Document());
  TXmlElement* added = element.get();
  LinkParent(*element, this);
  FNodes.Add(std::move(element));
  added->SetSourcePos(parser.PositionOf(markup));
  added->FNameID = Intern(*added, TrimBlankBytes(std::string_view(markup, static_cast<size_t>(nameEnd - markup))));
  if (*nameEnd == '/') {
    added->FNodeClosingStyle = ncClose;
    parser.MoveTo(nameEnd + 2);
    return qsNext;
  }
  // A leaf, the most frequent element: its text and end tag at hand too.
  const char* const content = nameEnd + 1;
  at = content;
  while (at < limit && static_cast<unsigned char>(*at) <= 0x20) ++at;
  const char* const leafText = at;
  at = TXmlParser::Find(at, limit, '<');
  if (limit - at >= 2 && at[1] == '/') {
    parser.MoveTo(at + 2);
    if (parser.SkipTextBefore(Document()->StringTable().GetString(added->FNameID), '>')) {
      added->AddTextRun(parser.PositionOf(content),
                        TrimBlankBytes(std::string_view(leafText, static_cast<size_t>(at - leafText))));
      added->FNodeClosingStyle = ncFull;
      return qsNext;
    }
  }
  parser.MoveTo(content);
  added->ReserveAsPreviousSibling(*this);
  child = added;
  return qsChild;
}

bool TXmlElement::ReadChildren(TXmlParser& parser, TXmlElementTypeSet kinds, TXmlNode*& result, TXmlElement*& child) {
  TXmlDocument& document = *Document();
  const bool subset = ElementType() == xeDocType;
  const bool quick = !subset && !document.PreserveWhiteSpace() && (kinds & kElementContent) == kElementContent;
  result = nullptr;
  while (!document.AbortParsing() && !parser.EndOfStream()) {
    parser.Flush();
    if (quick) {
      switch (ReadChildQuickly(parser, child)) {
        case qsNext:
          continue;
        case qsChild:
          return false;
        case qsEnded:
          result = this;
          return true;
        case qsGeneral:
          break;
      }
    }
    if (subset) {
      // What stands between declarations (parameter-entity references) is
      // kept, but for the blanks of the layout; a "]" ends the subset.
      const int64_t position = parser.Position();
      char found = 0;
      AddTextRun(position, TrimBlankBytes(parser.ReadStringUntilAny("<]", found)));
      if (found == ']') return true;
    } else {
      ReadTextRun(parser);
    }
    if (parser.EndOfStream()) {
      Report(*this, wsFail,
             [&] { return "stream terminated prematurely at pos " + std::to_string(parser.Position()); });
      return true;
    }
    parser.MoveBack();
    parser.NextChar();
    const TXmlElementType type = parser.ReadOpenTag();
    if ((kinds & XmlTypeBit(type)) == 0) {
      Report(*this, wsWarn, [&] { return IllegalTag(XmlElementTypeName(type), parser.Position()); });
      return true;
    }
    if (type == xeEndTag) {
      FNodeClosingStyle = ncFull;
      const std::string& own = document.StringTable().GetString(FNameID);
      result = this;
      if (parser.SkipTextBefore(own, '>')) return true;  // the end tag as it mostly is
      const std::string_view name = TrimBlankBytes(parser.ReadStringUntilChar('>'));
      if (name != own) {
        Report(*this, wsWarn, [&] {
          return "begin and end tag mismatch: \"" + own + "\" and \"" + std::string(name) + "\" at pos " +
                 std::to_string(parser.Position());
        });
      }
      return true;
    }
    std::unique_ptr<TXmlNode> node =
        type == xeElement ? std::make_unique<TXmlElement>(&document) : NewXmlNode(&document, type);
    if (!node) {  // a kind without a node class, allowed by a caller
      Report(*this, wsWarn, [&] { return IllegalTag(XmlElementTypeName(type), parser.Position()); });
      return true;
    }
    TXmlNode* added = node.get();
    LinkParent(*node, this);  // as NodeAdd: content goes after the start-tag area
    const int32_t index = FNodes.Add(std::move(node));
    if (type == xeElement) {
      child = static_cast<TXmlElement*>(added);
      if (child->ReadStartTag(parser) != '>') continue;  // no content to read
      child->ReserveAsPreviousSibling(*this);
      return false;
    }
    TXmlNode* returned = added->ParseStream(parser);
    if (returned != added) {
      Report(*this, wsWarn, [&] { return LevelMismatch(*added, returned, parser.Position()); });
      result = returned;
      return true;
    }
    if (type == xeCData && FValueIndex < 0) FValueIndex = index;
  }
  return true;
}

TXmlNode* TXmlDocType::ParseStream(TXmlParser& parser) {
  SetSourcePos(parser.Position());
  parser.SkipBlanks();
  FNameID = ReadName(parser, *this);
  parser.SkipBlanks();
  char c = parser.MakeDataAvailable() > 0 ? parser.NextChar() : 0;
  if (c != '>' && c != '[') {
    if (c != 0 || !parser.EndOfStream()) parser.MoveBack();
    if (parser.CheckString("system")) {
      FExternalId->SetStoredText("SYSTEM");
      ReadLiteral(parser, *FSystemLiteral, *this);
    } else if (parser.CheckString("public")) {
      FExternalId->SetStoredText("PUBLIC");
      ReadLiteral(parser, *FPubIDLiteral, *this);
      ReadLiteral(parser, *FSystemLiteral, *this);
    } else {
      Report(*this, wsWarn, [&] { return IllegalTag(Shown(c), parser.Position()); });
      return this;
    }
    std::string_view blanks;
    c = parser.NextCharSkipBlanks(blanks);
  }
  TXmlNode* result = this;
  if (c == '[') {
    ReadContent(parser, kSubsetContent);
    result = nullptr;
    std::string_view blanks;
    c = parser.NextCharSkipBlanks(blanks);
  }
  if (c != '>') Report(*this, wsWarn, [&] { return IllegalTag(Shown(c), parser.Position()); });
  return result;
}

// After the name, the declaration as written: each quoted literal a child of
// its own (a ">" may stand in one), and every run between them, blanks,
// content models and parameter-entity references included, a text child.
TXmlNode* TXmlDtdElement::ParseStream(TXmlParser& parser) {
  SetSourcePos(parser.Position());
  parser.SkipBlanks();
  FNameID = ReadName(parser, *this);
  for (;;) {
    const int64_t position = parser.Position();
    char found = 0;
    AddTextRun(position, parser.ReadStringUntilAny(">\"'", found));
    // The one irregularity that ends a load.
    if (found == 0) throw EXmlError(IllegalEndTag(0, parser));
    if (found == '>') return this;
    auto literal = std::make_unique<TXmlQuotedText>(Document());
    literal->SetSourcePos(parser.Position());
    literal->SetQuoteChar(found);
    literal->SetStoredText(parser.ReadQuotedString(found));
    NodeAdd(std::move(literal));
  }
}
