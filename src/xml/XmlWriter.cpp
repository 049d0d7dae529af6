#include "xml/XmlWriter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "system/CodePage.h"
#include "system/Unicode.h"
#include "xml/XmlDocument.h"
#include "xml/XmlParser.h"

// ---- Output buffers

TXmlBufferWriter::TXmlBufferWriter(sys::TStream& source, int32_t chunkSize)
    : FSource(&source), FChunkSize(static_cast<size_t>(chunkSize)), FRawBuffer(FChunkSize, '\0') {}

void TXmlBufferWriter::WriteRawFilling(const char* buffer, size_t count) {
  while (count > 0) {
    const size_t n = std::min(count, FChunkSize - FRawPosition);
    std::memcpy(FRawBuffer.data() + FRawPosition, buffer, n);
    FRawPosition += n;
    buffer += n;
    count -= n;
    if (FRawPosition == FChunkSize) SendChunk(FChunkSize);
  }
}

void TXmlBufferWriter::Flush() {
  if (FRawPosition > 0) SendChunk(FRawPosition);
}

void TXmlBufferWriter::SendChunk(size_t count) {
  FRawPosition = 0;
  if (FSource->Write(FRawBuffer.data(), count) != count) throw EXmlError("Stream write error");
}

TXmlWriter::TXmlWriter(const TXmlDocument& owner, sys::TStream& source, int32_t chunkSize)
    : TXmlBufferWriter(source, chunkSize), FOwner(owner) {}

void TXmlWriter::WriteConverted(std::string_view text) {
  switch (FEncoding) {
    case seUTF16LE:
      WriteUtf16(text, false);
      break;
    case seUTF16BE:
      WriteUtf16(text, true);
      break;
    case seAnsi:
      WriteAnsi(text);
      break;
    default:
      FOwner.DoDebugOut(&FOwner, wsFail, "unsupported encoding (%s)");
      break;
  }
}

void TXmlWriter::WriteUtf16(std::string_view text, bool bigEndian) {
  FConvertBuffer.clear();
  const auto unit = [&](char32_t u) {
    const char hi = static_cast<char>(u >> 8);
    const char lo = static_cast<char>(u & 0xFF);
    FConvertBuffer += bigEndian ? hi : lo;
    FConvertBuffer += bigEndian ? lo : hi;
  };
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = sys::NextUtf8(text, pos);
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  WriteRaw(FConvertBuffer.data(), FConvertBuffer.size());
}

void TXmlWriter::WriteAnsi(std::string_view text) {
  // Code page 0 is what a file without declaration or byte order mark reads
  // as: its bytes were taken unchanged, so they go back unchanged. Converting
  // them to the ANSI code page would garble every non-ASCII character of a
  // UTF-8 file on the next load.
  if (FCodePage == 0) {
    WriteRaw(text.data(), text.size());
    return;
  }
  FConvertBuffer.clear();
  bool defaulted = false;
  size_t pos = 0;
  while (pos < text.size()) {
    // ASCII runs go out as they are; only the rest meets the code page.
    size_t run = pos;
    while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80) ++run;
    FConvertBuffer.append(text.data() + pos, run - pos);
    pos = run;
    while (run < text.size() && static_cast<unsigned char>(text[run]) >= 0x80) ++run;
    if (run > pos) {
      bool used = false;
      FConvertBuffer +=
          sys::WideToCodePage(static_cast<unsigned>(FCodePage), sys::Utf8ToWide(text.substr(pos, run - pos)), &used);
      defaulted = defaulted || used;
      pos = run;
    }
  }
  if (defaulted) FOwner.DoDebugOut(&FOwner, wsWarn, "default char used for codepage substitution");
  WriteRaw(FConvertBuffer.data(), FConvertBuffer.size());
}

// ---- The document

namespace {

constexpr int32_t kChunkSize = 256;

bool IsText(const TXmlNode* node) { return IsCharDataType(node->ElementType()); }

}  // namespace

void TXmlDocument::SaveToFile(const std::wstring& fileName) {
  const auto file = sys::TFileStream::Create(fileName);
  SaveToStream(*file);
  if (!file->FlushBuffer()) throw EXmlError("Stream write error");
}

void TXmlDocument::SaveToStream(sys::TStream& stream) {
  TXmlWriter writer(*this, stream, kChunkSize);
  TXmlBomInfo bom;
  bom.Encoding = FExternalEncoding;
  switch (FExternalEncoding) {
    case seAnsi:
    case seUTF8:
      break;
    case seUTF16BE:
      bom.BOM = {0xFE, 0xFF, 0, 0};
      bom.Len = 2;
      bom.HasBOM = true;
      break;
    case seUTF16LE:
      bom.BOM = {0xFF, 0xFE, 0, 0};
      bom.Len = 2;
      bom.HasBOM = true;
      break;
    default:
      DoDebugOut(this, wsFail, "unsupported encoding (%s)");
      return;
  }
  FExternalBomInfo = bom;
  writer.WriteRaw(reinterpret_cast<const char*>(bom.BOM.data()), std::min<size_t>(bom.Len, bom.BOM.size()));
  writer.SetEncoding(FExternalEncoding);
  writer.SetCodePage(FExternalCodePage);
  WriteStream(writer);
  writer.Flush();
}

void TXmlDocument::WriteStream(TXmlWriter& writer) const {
  if (!Root() && FParserWarnings) throw EXmlError("XML root element not defined.");
  const TXmlNode* first = FRootNodes.Items(0);
  if (first && first->ElementType() == xeDeclaration) {
    const TXmlNode* encoding = first->NodeByName("encoding");
    DoDebugOut(this, wsInfo,
               "writing declaration with encoding \"" + (encoding ? encoding->Value() : std::string()) +
                   "\" and codepage " + std::to_string(FExternalCodePage));
  }
  for (int32_t i = 0; i < FRootNodes.Count(); ++i) FRootNodes.Items(i)->WriteStream(writer);
}

// ---- Nodes

void TXmlNode::WriteStream(TXmlWriter&) const {}

void TXmlContainerNode::WriteAttributeArea(TXmlWriter& writer, int32_t count, std::string_view encoding) const {
  for (int32_t i = 0; i < count && i < FNodes.Count(); ++i) {
    const TXmlNode* child = FNodes.Items(i);
    if (child->ElementType() == xeAttribute) {
      if (i == 0 || !IsText(FNodes.Items(i - 1))) writer.Write(" ");
      const auto& attribute = static_cast<const TXmlAttribute&>(*child);
      if (!encoding.empty() && attribute.Name() == "encoding") {
        const char quote[1] = {attribute.CoreValue()->QuoteChar()};
        writer.Write("encoding=");
        writer.Write(std::string_view(quote, 1));
        writer.Write(encoding);
        writer.Write(std::string_view(quote, 1));
        continue;
      }
      child->WriteStream(writer);
    } else if (IsText(child)) {
      writer.Write(static_cast<const TXmlCharData*>(child)->StoredText());
    }
  }
}

// Written without recursion, so that no depth of nesting can exhaust the
// stack: an explicit stack holds the open elements and where each stands.
void TXmlElement::WriteStream(TXmlWriter& writer) const {
  const TXmlDocument& doc = *Document();
  const bool readable = doc.XmlFormat() == xfReadable;
  const std::string eol = LineEndText();
  const size_t baseDepth = readable ? static_cast<size_t>(TreeDepth(kLaidOutDepth + 1)) : 0;
  const auto laidOut = [&](size_t depth) { return readable && depth <= static_cast<size_t>(kLaidOutDepth); };
  const auto indent = [&](size_t depth) {
    if (!laidOut(depth)) return;
    for (size_t level = 0; level < depth; ++level) writer.Write(doc.IndentString());
  };
  const auto lineEnd = [&](size_t depth) {
    if (laidOut(depth)) writer.Write(eol);
  };
  const auto closingStyle = [&](const TXmlElement& el) {
    return doc.NodeClosingStyle() != ncUnknown ? doc.NodeClosingStyle() : el.FNodeClosingStyle;
  };

  struct Frame {
    const TXmlElement* element;
    int32_t next;  // the child to write next
    bool hasElementChildren;
  };
  std::vector<Frame> open;

  // Writes the start tag; pushes a frame unless the element closes at once.
  const auto start = [&](const TXmlElement& el) {
    const bool hasElements = el.HasElementChildren();
    indent(baseDepth + open.size());
    writer.Write("<");
    writer.Write(doc.StringTable().GetString(el.FNameID));
    el.WriteAttributeArea(writer, el.FDirectNodeCount);
    if (el.FNodes.Count() <= el.FDirectNodeCount && closingStyle(el) == ncClose) {
      writer.Write(doc.DirectCloseTag());
      lineEnd(baseDepth + open.size());
      return;
    }
    writer.Write(">");
    open.push_back({&el, el.FDirectNodeCount, hasElements});
  };

  start(*this);
  while (!open.empty()) {
    Frame& frame = open.back();
    const TXmlElement& el = *frame.element;
    if (frame.next >= el.FNodes.Count()) {
      const bool hasElements = frame.hasElementChildren;
      open.pop_back();
      if (hasElements) indent(baseDepth + open.size());
      writer.Write("</");
      writer.Write(doc.StringTable().GetString(el.FNameID));
      writer.Write(">");
      lineEnd(baseDepth + open.size());
      continue;
    }
    const int32_t index = frame.next++;
    const TXmlNode* child = el.FNodes.Items(index);
    const bool text = IsText(child);
    const bool hasElements = frame.hasElementChildren;
    if (index == el.FDirectNodeCount && !text) lineEnd(baseDepth + open.size());
    if (index != el.FDirectNodeCount && text && hasElements) indent(baseDepth + open.size());
    if (child->ElementType() == xeElement) {
      start(*static_cast<const TXmlElement*>(child));  // may invalidate frame
    } else if (text) {
      child->WriteStream(writer);
      if (hasElements) lineEnd(baseDepth + open.size());
    } else if (IsElementClassType(child->ElementType())) {
      child->WriteStream(writer);  // DOCTYPE and DTD declarations write themselves
    }
  }
}

void TXmlDeclaration::WriteStream(TXmlWriter& writer) const {
  writer.Write(IndentText());
  writer.Write("<?xml");
  // UTF-8 is written without a byte order mark, so where a mark overrode
  // what the file declared, the declaration must now say UTF-8, or the next
  // load reads the bytes as the old name says. (UTF-16 keeps its mark, which
  // governs.)
  std::string_view written;
  if (const TXmlNode* declared = NodeByName("encoding");
      declared != nullptr && Document()->ExternalEncoding() == seUTF8 && XmlEncodingOfName(declared->Value()) != seUTF8)
    written = "UTF-8";
  WriteAttributeArea(writer, FNodes.Count(), written);
  writer.Write("?>");
  writer.Write(LineEndText());
}

void TXmlDocType::WriteStream(TXmlWriter& writer) const {
  writer.Write(IndentText());
  writer.Write("<!DOCTYPE ");
  writer.Write(Document()->StringTable().GetString(FNameID));
  const std::string& externalId = FExternalId->StoredText();
  if (externalId == "SYSTEM") {
    writer.Write(" SYSTEM ");
    FSystemLiteral->WriteStream(writer);
  } else if (externalId == "PUBLIC") {
    writer.Write(" PUBLIC ");
    FPubIDLiteral->WriteStream(writer);
    writer.Write(" ");
    FSystemLiteral->WriteStream(writer);
  }
  writer.Write(" ");
  if (FNodes.Count() > 0) {
    writer.Write("[ ");
    writer.Write(LineEndText());
    for (int32_t i = 0; i < FNodes.Count(); ++i) {
      const TXmlNode& node = *FNodes.Items(i);
      node.WriteStream(writer);
      // Declarations end their own lines.
      if (!IsElementClassType(node.ElementType())) writer.Write(LineEndText());
    }
    writer.Write("]");
  }
  writer.Write(">");
  writer.Write(LineEndText());
}

void TXmlDtdElement::WriteStream(TXmlWriter& writer) const {
  static const char* const keywords[] = {"ELEMENT", "ATTLIST", "ENTITY", "NOTATION"};
  writer.Write("<!");
  writer.Write(keywords[ElementType() - xeDtdElement]);
  writer.Write(" ");
  writer.Write(Document()->StringTable().GetString(FNameID));
  // The rest as it was read, blanks included.
  for (int32_t i = 0; i < FNodes.Count(); ++i) FNodes.Items(i)->WriteStream(writer);
  writer.Write(">");
  writer.Write(LineEndText());
}

void TXmlAttribute::WriteStream(TXmlWriter& writer) const {
  writer.Write(Document()->StringTable().GetString(FNameID));
  writer.Write("=");
  FCoreValue->WriteStream(writer);
}

void TXmlQuotedText::WriteStream(TXmlWriter& writer) const {
  const char quote[1] = {FQuoteChar};
  writer.Write(std::string_view(quote, 1));
  writer.Write(StoredText());
  writer.Write(std::string_view(quote, 1));
}

void TXmlCharData::WriteStream(TXmlWriter& writer) const { writer.Write(StoredText()); }

void TXmlComment::WriteStream(TXmlWriter& writer) const {
  writer.Write("<!--");
  writer.Write(StoredText());
  writer.Write("-->");
}

void TXmlCData::WriteStream(TXmlWriter& writer) const {
  writer.Write("<![CDATA[");
  writer.Write(StoredText());
  writer.Write("]]>");
}

// The reader keeps an instruction's text as the file spells it, so it is
// written back as stored: writing it unescaped would turn "&amp;amp;" into
// "&amp;" on one save and into "&" on the next.
void TXmlInstruction::WriteStream(TXmlWriter& writer) const {
  writer.Write(IndentText());
  writer.Write("<?");
  writer.Write(StoredText());
  writer.Write("?>");
  writer.Write(LineEndText());
}

void TXmlStyleSheet::WriteStream(TXmlWriter& writer) const {
  writer.Write(IndentText());
  writer.Write("<?xml-stylesheet");
  writer.Write(Value());
  writer.Write("?>");
  writer.Write(LineEndText());
}
