#include "XmlRoundTrip.h"

#include <libxml/parser.h>

#include <climits>
#include <cstdio>
#include <exception>

#include "system/Stream.h"
#include "xml/XmlDocument.h"

namespace {

// libxml2 2.9 takes a NUL character for the end of the input and so passes
// "<a/>\0<b" as well-formed; NUL is never a character of XML.
bool HoldsNulCharacter(const std::string& bytes) {
  const bool utf16 = bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0 ||
                     bytes.rfind(std::string("<\0?\0", 4), 0) == 0 || bytes.rfind(std::string("\0<\0?", 4), 0) == 0;
  if (!utf16) return bytes.find('\0') != std::string::npos;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    if (bytes[i] == 0 && bytes[i + 1] == 0) return true;
  return false;
}

// The judge of import files (system/XmlCheck) with the same options: no DTD
// is fetched or used.
bool IsWellFormed(const std::string& bytes) {
  if (bytes.size() > INT_MAX || HoldsNulCharacter(bytes)) return false;
  xmlDocPtr document = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (document == nullptr) return false;
  xmlFreeDoc(document);
  return true;
}

// Whether the writer can spell back what the reader kept:
// - an attribute value quoted with a character other than " or ' (a=b keeps
//   "b" as the quote of an empty value) is written as that character twice;
// - a stored text that holds CR LF: the reader removes a CR only where the
//   input had it right before an LF, so "\r\r\n" keeps "\r\n", which the next
//   load turns into "\n";
// - markup not allowed inside an element (an xml-stylesheet instruction, say)
//   breaks off the elements around it, and the rest can leave an element whose
//   name is empty or starts with "?", "!" or "/", or an attribute whose name
//   starts with one of "?!/>", which read back as other markup.
bool IsSpellableText(const TXmlCharData* text) {
  if (text == nullptr) return true;
  if (text->ElementType() == xeQuotedText) {
    const char quote = static_cast<const TXmlQuotedText*>(text)->QuoteChar();
    if (quote != '"' && quote != '\'') return false;
  }
  return text->StoredText().find("\r\n") == std::string::npos;
}

bool IsSpellable(const TXmlNode& node) {
  switch (node.ElementType()) {
    case xeElement: {
      const std::string name = node.Name();
      if (name.empty() || name[0] == '?' || name[0] == '!' || name[0] == '/') return false;
      break;
    }
    case xeAttribute: {
      const std::string name = node.Name();
      if (!name.empty() && (name[0] == '?' || name[0] == '!' || name[0] == '/' || name[0] == '>')) return false;
      return IsSpellableText(static_cast<const TXmlAttribute&>(node).CoreValue());
    }
    case xeDocType: {
      const auto& docType = static_cast<const TXmlDocType&>(node);
      if (!IsSpellableText(docType.SystemLiteral()) || !IsSpellableText(docType.PubIDLiteral())) return false;
      break;
    }
    default:
      if (!IsSpellableText(dynamic_cast<const TXmlCharData*>(&node))) return false;
      break;
  }
  for (int32_t i = 0; i < node.NodeCount(); ++i)
    if (!IsSpellable(*node.Nodes(i))) return false;
  return true;
}

bool IsSpellable(const TXmlDocument& document) {
  for (int32_t i = 0; i < document.RootNodes().Count(); ++i)
    if (!IsSpellable(*document.RootNodes().Items(i))) return false;
  return true;
}

std::string Save(TXmlDocument& document, TXmlFormatType format) {
  document.SetXmlFormat(format);
  sys::TMemoryStream stream;
  document.SaveToStream(stream);
  return stream.Bytes();
}

// Saved bytes may hold NULs (UTF-16), so they go out whole.
void Dump(const char* title, const std::string& bytes) {
  std::fprintf(stderr, "*** %s, %zu bytes:\n", title, bytes.size());
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
  std::fputc('\n', stderr);
}

[[noreturn]] void Fail(const std::string& what, TXmlFormatType format, const std::string& input,
                       const std::string& first, const std::string& second) {
  std::fprintf(stderr, "\n*** xml round trip, %s format: %s\n", format == xfReadable ? "readable" : "compact",
               what.c_str());
  Dump("input", input);
  Dump("first save", first);
  Dump("second save", second);
  __builtin_trap();
}

}  // namespace

void RoundTripInitialize() {
  // libxml2's global state, made once here, would otherwise count as a leak of the first input.
  xmlInitParser();
}

bool RoundTrip(const std::string& input) {
  auto document = TXmlDocument::Create();
  try {
    sys::TMemoryStream stream(input);
    document->LoadFromStream(stream);
  } catch (const std::exception&) {
    // The reader's one fatal error, a DTD declaration not ended by ">".
    return false;
  }
  const bool strict = IsWellFormed(input) && IsSpellable(*document);

  for (const TXmlFormatType format : {xfCompact, xfReadable}) {
    const std::string first = Save(*document, format);
    auto reloaded = TXmlDocument::Create();
    try {
      sys::TMemoryStream saved(first);
      reloaded->LoadFromStream(saved);
    } catch (const std::exception& e) {
      if (strict) Fail(std::string("the saved bytes do not load again: ") + e.what(), format, input, first, "");
      continue;
    }
    const std::string second = Save(*reloaded, format);
    // The decoder reads an input of 4 bytes or fewer as empty: "<a/>" is one.
    if (strict && first.size() > 4 && second != first)
      Fail("the second save differs from the first", format, input, first, second);
  }
  return strict;
}
