// The fuzzer's bytes choose a well-formed document (declaration, encoding and
// byte order mark, DOCTYPE with entities, elements, attributes in either
// quote, escaped and non-ASCII text, CDATA, comments, instructions, blanks
// anywhere XML allows them), which then goes through the round trip. Mutated
// arbitrary bytes are almost never well-formed, so this is what keeps the
// strict check busy.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "XmlRoundTrip.h"

namespace {

enum class TEncoding { Utf8Declared, Utf8Undeclared, Utf8Bom, Utf8Bare, Utf16LE, Latin1, Windows1252 };

// The last entry holds characters that no single-byte code page has.
constexpr std::array<std::string_view, 10> kNames = {"Root", "Entry", "Time", "Note", "a",
                                                     "B",    "x-y",   "_n.2", "Café", "目覚まし"};
constexpr std::array<std::string_view, 6> kAttributeNames = {"id", "version", "kind", "note", "x", "Äb"};
constexpr std::array<std::string_view, 27> kTextPieces = {
    "Alarm",    "07:30", " ",      "  ",     "\t",     "\n",       "\r\n",      "\r", "&amp;",
    "&lt;",     "&gt;",  "&quot;", "&apos;", "&#233;", "&#x263A;", "&#x1F600;", "é",  "Frühstück",
    "目覚まし", "😀",     ">",      "'",      "\"",     "]",        "-",         "?",  "Monday, Friday"};
constexpr std::array<std::string_view, 14> kValuePieces = {"1.0",    "x", "Say ", "&quot;", "&apos;", "&amp;", "&lt;",
                                                           "&#233;", "é", "目",   " ",      "\t",     ">",     "'"};
constexpr std::array<std::string_view, 10> kCommentPieces = {" note ", "é", "<", ">", "&", "\n", "]]>", "?>", "x", " "};
constexpr std::array<std::string_view, 10> kCDataPieces = {"a<b", "&amp;", "&", " ", "\n", "é", "]]", "]", ">", "x"};
constexpr std::array<std::string_view, 3> kTargets = {"pi", "php", "app"};
constexpr std::array<std::string_view, 9> kInstructionPieces = {" ", "data", "a=\"1\"", "&amp;", "&",
                                                                "<", ">",    "é",       "\n"};
constexpr std::array<std::string_view, 7> kDeclarations = {
    "<!ELEMENT Root (#PCDATA | a | Entry)*>",
    "<!ELEMENT a (b?, (c | d)+, e*)>",
    "<!ELEMENT\n  Entry   ANY >",
    "<!ATTLIST Root id CDATA #IMPLIED kind (x|y) \"x\" note CDATA '>'>",
    "<!NOTATION n SYSTEM \"viewer.exe\"><!NOTATION p PUBLIC '-//T//N//EN'>",
    "<!ENTITY % pe \"<!ELEMENT z EMPTY>\">%pe;",
    "<!ENTITY ext SYSTEM \"ext.xml\">"};
constexpr std::array<std::string_view, 5> kBlanks = {"", " ", "\n", "\r\n\t", "  "};

class TDocumentMaker {
 public:
  explicit TDocumentMaker(FuzzedDataProvider& data) : FData(data) {}

  std::string Make() {
    FEncoding = static_cast<TEncoding>(FData.ConsumeIntegralInRange<int>(0, 6));
    FSingleByte = FEncoding == TEncoding::Latin1 || FEncoding == TEncoding::Windows1252;
    std::string text;
    if (FEncoding != TEncoding::Utf8Bare && !(FEncoding == TEncoding::Utf16LE && FData.ConsumeBool()))
      text += Declaration();
    Misc(text);
    if (FData.ConsumeBool()) {
      text += DocType();
      Misc(text);
    }
    Element(text, 0);
    Misc(text);
    return Encode(text);
  }

 private:
  template <size_t N>
  std::string_view Pick(const std::array<std::string_view, N>& items) {
    return FData.PickValueInArray(items);
  }

  std::string_view Blank() { return Pick(kBlanks); }

  template <size_t N>
  std::string Run(const std::array<std::string_view, N>& pieces, std::string_view forbidden = {}) {
    std::string text;
    const int count = FData.ConsumeIntegralInRange<int>(0, 6);
    for (int i = 0; i < count; ++i) {
      const std::string_view piece = Pick(pieces);
      if (piece != forbidden) text += piece;
    }
    return text;
  }

  std::string Name() {
    // A single-byte code page cannot spell the last name.
    const std::string_view name = Pick(kNames);
    return std::string(FSingleByte && name == kNames.back() ? "a" : name);
  }

  std::string Quoted(const std::string& value, char quote) { return quote + value + quote; }

  std::string Declaration() {
    const char quote = FData.ConsumeBool() ? '"' : '\'';
    std::string text = "<?xml version=" + Quoted("1.0", quote);
    switch (FEncoding) {
      case TEncoding::Utf8Declared:
      case TEncoding::Utf8Bom:
        text += " encoding=" + Quoted(FData.ConsumeBool() ? "UTF-8" : "utf-8", quote);
        break;
      case TEncoding::Utf16LE:
        text += " encoding=" + Quoted("UTF-16", quote);
        break;
      case TEncoding::Latin1:
        text += " encoding=" + Quoted("ISO-8859-1", quote);
        break;
      case TEncoding::Windows1252:
        text += " encoding=" + Quoted("windows-1252", quote);
        break;
      default:
        break;
    }
    if (FData.ConsumeBool()) text += std::string(" standalone=") + Quoted(FData.ConsumeBool() ? "yes" : "no", quote);
    text += std::string(Blank()) + "?>";
    return text;
  }

  std::string DocType() {
    std::string text = "<!DOCTYPE " + Name();
    switch (FData.ConsumeIntegralInRange<int>(0, 2)) {
      case 1:
        text += " SYSTEM \"alarms.dtd\"";
        break;
      case 2:
        text += " PUBLIC \"-//Tollivane//Alarms//EN\" 'alarms.dtd'";
        break;
      default:
        break;
    }
    if (FData.ConsumeBool()) {
      text += " [";
      text += Blank();
      // Declarations with content models, attribute lists, notations and a
      // parameter entity, each at most once.
      for (const std::string_view declaration : kDeclarations) {
        if (!FData.ConsumeBool()) continue;
        text += declaration;
        text += Blank();
      }
      FEntities = FData.ConsumeIntegralInRange<int>(0, 2);
      for (int i = 0; i < FEntities; ++i) {
        const char quote = FData.ConsumeBool() ? '"' : '\'';
        text += "<!ENTITY e" + std::to_string(i) + " " + Quoted(Run(kValuePieces, std::string_view(&quote, 1)), quote) +
                ">";
        text += Blank();
        if (FData.ConsumeBool()) text += "<!--" + Run(kCommentPieces) + "-->";
      }
      text += "]";
    }
    text += std::string(Blank()) + ">";
    return text;
  }

  // Comments, instructions and blanks, where the top level allows them.
  void Misc(std::string& text) {
    const int count = FData.ConsumeIntegralInRange<int>(0, 2);
    for (int i = 0; i < count; ++i) {
      text += Blank();
      text += FData.ConsumeBool() ? Comment() : Instruction(true);
    }
    text += Blank();
  }

  std::string Comment() { return "<!--" + Run(kCommentPieces) + "-->"; }
  // The reader takes an xml-stylesheet instruction only at the top level.
  std::string Instruction(bool topLevel) {
    const std::string target = topLevel && FData.ConsumeBool() ? "xml-stylesheet" : std::string(Pick(kTargets));
    return "<?" + target + " " + Run(kInstructionPieces) + "?>";
  }

  void Element(std::string& text, int depth) {
    const std::string name = Name();
    text += "<" + name;
    std::vector<std::string_view> used;
    const int attributes = FData.ConsumeIntegralInRange<int>(0, 3);
    for (int i = 0; i < attributes; ++i) {
      const std::string_view attribute = Pick(kAttributeNames);
      bool seen = false;
      for (const std::string_view other : used) seen = seen || other == attribute;
      if (seen) continue;
      used.push_back(attribute);
      const char quote = FData.ConsumeBool() ? '"' : '\'';
      text += std::string(FData.ConsumeBool() ? " " : "\n\t") + std::string(attribute) +
              (FData.ConsumeBool() ? "=" : " = ") + Quoted(Run(kValuePieces, std::string_view(&quote, 1)), quote);
    }
    text += Blank();
    if (FData.ConsumeBool()) {
      text += "/>";
      return;
    }
    text += ">";
    const int children = depth < 6 ? FData.ConsumeIntegralInRange<int>(0, 4) : 0;
    for (int i = 0; i < children; ++i) {
      switch (FData.ConsumeIntegralInRange<int>(0, 5)) {
        case 0:
        case 1:
          Element(text, depth + 1);
          break;
        case 2:
          text += "<![CDATA[" + Run(kCDataPieces) + "]]>";
          break;
        case 3:
          text += Comment();
          break;
        case 4:
          text += Instruction(false);
          break;
        default:
          text += Run(kTextPieces);
          if (FEntities > 0 && FData.ConsumeBool())
            text += "&e" + std::to_string(FData.ConsumeIntegralInRange<int>(0, FEntities - 1)) + ";";
          break;
      }
    }
    if (FData.ConsumeBool()) text += Run(kTextPieces);
    text += "</" + name + std::string(FData.ConsumeBool() ? "" : " ") + ">";
  }

  // Code points of well-formed UTF-8 (all of it comes from the tables above).
  static std::vector<char32_t> CodePoints(const std::string& text) {
    std::vector<char32_t> points;
    for (size_t i = 0; i < text.size();) {
      const auto lead = static_cast<unsigned char>(text[i]);
      const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
      for (size_t k = 1; k < length; ++k) point = (point << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
      points.push_back(point);
      i += length;
    }
    return points;
  }

  std::string Encode(const std::string& text) {
    switch (FEncoding) {
      case TEncoding::Utf8Bom:
        return "\xEF\xBB\xBF" + text;
      case TEncoding::Utf16LE: {
        std::string out = "\xFF\xFE";
        const auto unit = [&out](char32_t u) {
          out += static_cast<char>(u & 0xFF);
          out += static_cast<char>(u >> 8);
        };
        for (const char32_t point : CodePoints(text)) {
          if (point < 0x10000) {
            unit(point);
          } else {
            unit(0xD800 + ((point - 0x10000) >> 10));
            unit(0xDC00 + ((point - 0x10000) & 0x3FF));
          }
        }
        return out;
      }
      case TEncoding::Latin1:
      case TEncoding::Windows1252: {
        // 0x80 to 0x9F differ between the two; a reference spells any character
        // outside the shared part (inside a comment it stays a literal text).
        std::string out;
        for (const char32_t point : CodePoints(text)) {
          if (point < 0x80 || (point >= 0xA0 && point <= 0xFF))
            out += static_cast<char>(point);
          else
            out += "&#" + std::to_string(static_cast<uint32_t>(point)) + ";";
        }
        return out;
      }
      default:
        return text;
    }
  }

  FuzzedDataProvider& FData;
  TEncoding FEncoding = TEncoding::Utf8Declared;
  bool FSingleByte = false;
  int FEntities = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  RoundTripInitialize();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider provider(data, size);
  RoundTrip(TDocumentMaker(provider).Make());
  return 0;
}
