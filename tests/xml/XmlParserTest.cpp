#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "system/CodePage.h"
#include "system/Stream.h"
#include "xml/XmlDocument.h"
#include "xml/XmlParser.h"

namespace {

using namespace std::string_literals;

// A decoder over bytes, with a document that collects its diagnostics.
class TDecoder {
 public:
  explicit TDecoder(const std::string& bytes, size_t chunkSize = 256)
      : FDocument(TXmlDocument::CreateEx(false, false)), FStream(bytes) {
    CaptureDiagnostics(*FDocument, Diagnostics);
    Parser = std::make_unique<TXmlParser>(FStream, chunkSize, FDocument.get());
  }

  // The rest of the decoded text.
  std::string Drain() {
    std::string text;
    while (Parser->MakeDataAvailable() > 0) text += Parser->NextChar();
    return text;
  }

  std::vector<std::string> Messages() const {
    std::vector<std::string> messages;
    for (const TDiagnostic& d : Diagnostics)
      messages.push_back(std::string(XmlWarnStyleName(d.Style)) + ": " + d.Message);
    return messages;
  }

  std::vector<TDiagnostic> Diagnostics;
  std::unique_ptr<TXmlParser> Parser;

 private:
  std::unique_ptr<TXmlDocument> FDocument;
  sys::TMemoryStream FStream;
};

std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes;
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

TEST(XmlParser, TheFirstBytesChooseTheEncoding) {
  struct TCase {
    const char* Title;
    std::string Bytes;
    TXmlStringEncoding Encoding;
    bool HasBom;
    int32_t BomLength;
    std::string Text;
    std::vector<std::string> Messages;
  };
  const TCase cases[] = {
      {"UTF-8 mark",
       "\xEF\xBB\xBF<a>\xC3\xA9</a>",
       seUTF8,
       true,
       3,
       "<a>\xC3\xA9</a>",
       {"info: BOM with encoding UTF8"}},
      {"declaration", "<?xml version=\"1.0\"?>", seAnsi, false, 4, "<?xml version=\"1.0\"?>", {}},
      {"anything else", " <Root/>", seAnsi, false, 0, " <Root/>", {"warn: unknown encoding"}},
      {"UTF-16LE mark",
       "\xFF\xFE" + Utf16(u"<a>\u20AC</a>", false),
       seUTF16LE,
       true,
       2,
       "<a>\xE2\x82\xAC</a>",
       {"info: BOM with encoding UTF16LE"}},
      {"UTF-16BE mark",
       "\xFE\xFF" + Utf16(u"<a>\u20AC</a>", true),
       seUTF16BE,
       true,
       2,
       "<a>\xE2\x82\xAC</a>",
       {"info: BOM with encoding UTF16BE"}},
      {"UTF-16LE declaration", Utf16(u"<?xml?>", false), seUTF16LE, false, 4, "<?xml?>", {}},
      {"UTF-16BE declaration", Utf16(u"<?xml?>", true), seUTF16BE, false, 4, "<?xml?>", {}},
      {"UCS-4 mark", "\0\0\xFE\xFF\0\0\0<"s, seUCS4BE, true, 4, "", {"fail: unsupported encoding (UCS4BE)"}},
      // Four bytes of mark come before the two-byte UTF-16 one.
      {"UCS-4LE mark", "\xFF\xFE\0\0<\0\0\0"s, seUCS4LE, true, 4, "", {"fail: unsupported encoding (UCS4LE)"}},
      {"UCS-4 text", "\0\0\0<\0\0\0a"s, seUCS4BE, false, 4, "", {"fail: unsupported encoding (UCS4BE)"}},
      {"EBCDIC", "\x4C\x6F\xA7\x94\x93", seEBCDIC, false, 4, "", {"fail: unsupported encoding (EBCDIC)"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Title);
    TDecoder decoder(c.Bytes);
    decoder.Parser->ReadBOM();
    EXPECT_EQ(decoder.Drain(), c.Text);
    EXPECT_EQ(decoder.Parser->Encoding(), c.Encoding);
    EXPECT_EQ(decoder.Parser->CodePage(), 0);
    EXPECT_EQ(decoder.Parser->BomInfo().HasBOM, c.HasBom);
    EXPECT_EQ(decoder.Parser->BomInfo().Len, c.BomLength);
    EXPECT_EQ(decoder.Messages(), c.Messages);
    EXPECT_TRUE(decoder.Parser->EndOfStream());
  }
}

TEST(XmlParser, AnInputOfFourBytesOrFewerReadsAsEmpty) {
  for (const std::string& bytes : {""s, "<"s, "<a/>"s, "\xEF\xBB\xBF<"s, "\0\0\xFE\xFF"s}) {
    SCOPED_TRACE(bytes.size());
    TDecoder decoder(bytes);
    decoder.Parser->ReadBOM();
    EXPECT_EQ(decoder.Drain(), "");
    EXPECT_TRUE(decoder.Parser->EndOfStream());
    EXPECT_EQ(decoder.Messages(),
              std::vector<std::string>{"warn: stream terminated prematurely at pos " + std::to_string(bytes.size())});
  }
}

TEST(XmlParser, AUtf8FileShorterThanAChunkDecodesToTheBytesAfterItsMark) {
  std::string text;
  while (text.size() < 97) text += "<Note>x</Note>\n";
  text.resize(97);
  TDecoder decoder("\xEF\xBB\xBF" + text);
  decoder.Parser->ReadBOM();
  EXPECT_EQ(decoder.Drain(), text);
  EXPECT_EQ(decoder.Parser->Position(), 97);
}

// Chunk sizes from the smallest that a signature fits in: every boundary
// falls at every offset of the interesting characters somewhere.
const size_t kChunkSizes[] = {5, 6, 7, 8, 9, 10, 11, 13, 256};

TEST(XmlParser, Utf16DecodesLikeItsUtf8TwinWhereverTheChunksEnd) {
  // U+1F600 is a surrogate pair; CR LF becomes LF.
  const std::u16string text = u"<a b='\u00E9'>\u20AC \U0001F600x\U0001F600\r\n\U0001F600</a>";
  const std::string twin = "<a b='\xC3\xA9'>\xE2\x82\xAC \xF0\x9F\x98\x80x\xF0\x9F\x98\x80\n\xF0\x9F\x98\x80</a>";
  for (const bool bigEndian : {false, true}) {
    for (const size_t chunkSize : kChunkSizes) {
      SCOPED_TRACE(std::to_string(chunkSize) + (bigEndian ? " BE" : " LE"));
      TDecoder decoder((bigEndian ? "\xFE\xFF" : "\xFF\xFE") + Utf16(text, bigEndian), chunkSize);
      decoder.Parser->ReadBOM();
      EXPECT_EQ(decoder.Drain(), twin);
    }
  }
}

TEST(XmlParser, BrokenUtf16BecomesReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  struct TCase {
    const char* Title;
    std::string Bytes;
    std::string Text;
  };
  const TCase cases[] = {
      {"lone low half", Utf16(u"<a>", false) + "\x00\xDC"s + Utf16(u"b", false), "<a>" + replacement + "b"},
      {"high half before a letter", Utf16(u"<a>", false) + "\x3D\xD8"s + Utf16(u"b", false), "<a>" + replacement + "b"},
      {"high half at the end", Utf16(u"<a>", false) + "\x3D\xD8"s, "<a>" + replacement},
      {"odd byte at the end", Utf16(u"<a>", false) + "b", "<a>" + replacement},
  };
  for (const TCase& c : cases) {
    for (const size_t chunkSize : kChunkSizes) {
      SCOPED_TRACE(std::string(c.Title) + " " + std::to_string(chunkSize));
      TDecoder decoder("\xFF\xFE" + c.Bytes, chunkSize);
      decoder.Parser->ReadBOM();
      EXPECT_EQ(decoder.Drain(), c.Text);
    }
  }
}

TEST(XmlParser, CrLfBecomesLfAcrossChunkBoundariesAndALoneCrStays) {
  for (const size_t chunkSize : kChunkSizes) {
    SCOPED_TRACE(chunkSize);
    TDecoder decoder("ab\r\ncd\r\r\nef\rg\r\n\r\nh\r", chunkSize);
    decoder.Parser->ReadBOM();
    EXPECT_EQ(decoder.Drain(), "ab\ncd\r\nef\rg\n\nh\r");
  }
}

// The decoder handles runs of text many bytes at a time: a line end must come
// out the same at every offset in such a run, and every line feed be counted.
TEST(XmlParser, LineEndsAreDecodedAlikeAtEveryOffsetInALongRun) {
  const auto decoded = [](const std::string& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i)
      if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) text += bytes[i];
    return text;
  };
  for (const std::string lineEnd : {"\r\n", "\r", "\n", "\r\r\n", "\r\n\r\n\r"}) {
    for (size_t offset = 0; offset < 40; ++offset) {
      const std::string bytes = std::string(offset, 'a') + lineEnd + std::string(37, 'b') + lineEnd + "c";
      for (const size_t chunkSize : {size_t{7}, size_t{256}}) {
        SCOPED_TRACE(testing::PrintToString(lineEnd) + " at " + std::to_string(offset) + ", chunk " +
                     std::to_string(chunkSize));
        TDecoder decoder(bytes, chunkSize);
        decoder.Parser->ReadBOM();
        const std::string expected = decoded(bytes);
        EXPECT_EQ(decoder.Drain(), expected);
        EXPECT_EQ(decoder.Parser->LineNumber(), std::count(expected.begin(), expected.end(), '\n'));
      }
    }
  }
}

TEST(XmlParser, LineNumbersCountEveryLineOfALongChunk) {
  // More line feeds in one chunk than a byte counter holds.
  std::string file(10000, '\n');
  file += "x";
  TDecoder decoder(file, 65536);
  decoder.Parser->ReadBOM();
  EXPECT_EQ(decoder.Parser->ReadStringUntilChar('x').size(), 10000u);
  EXPECT_EQ(decoder.Parser->LineNumber(), 10000);
  decoder.Parser->Flush();
  EXPECT_EQ(decoder.Parser->LineNumber(), 10000);
}

TEST(XmlParser, PositionAndLineNumberCountDecodedBytes) {
  // UTF-8 without a mark, CR LF line ends: line n starts n - 1 bytes before
  // its file offset. Flush in between must change neither count.
  const std::vector<std::string> lines = {"<?xml version=\"1.0\"?>", "<Root>", "", "\t<Entry/>", "</Root>"};
  std::string file;
  std::vector<int64_t> offsets;
  for (const std::string& line : lines) {
    offsets.push_back(static_cast<int64_t>(file.size()));
    file += line + "\r\n";
  }
  for (const size_t chunkSize : kChunkSizes) {
    SCOPED_TRACE(chunkSize);
    TDecoder decoder(file, chunkSize);
    decoder.Parser->ReadBOM();
    for (size_t n = 0; n < lines.size(); ++n) {
      EXPECT_EQ(decoder.Parser->Position(), offsets[n] - static_cast<int64_t>(n));
      EXPECT_EQ(decoder.Parser->LineNumber(), static_cast<int64_t>(n));
      EXPECT_EQ(decoder.Parser->ReadStringUntilChar('\n'), lines[n]);
      decoder.Parser->Flush();
    }
    EXPECT_EQ(decoder.Parser->MakeDataAvailable(), 0u);
  }
}

TEST(XmlParser, ReadOpenTagClassifiesTheMarkupAfterALessThanSign) {
  struct TCase {
    std::string After;
    TXmlElementType Type;
    std::vector<std::string> Messages;
    char Next;  // the character read next
  };
  const TCase cases[] = {
      {"!-- x -->", xeComment, {}, ' '},
      {"!-x", xeError, {}, 'x'},
      {"!x", xeError, {"fail: illegal tag (\"x\") at pos 7"}, 0},
      {"!X", xeError, {"fail: illegal tag (\"x\") at pos 7"}, 0},
      {"![CDATA[a]]>", xeCData, {}, 'a'},
      {"![cdata[a]]>", xeCData, {}, 'a'},
      {"![CDAT", xeError, {}, 'C'},
      {"!DOCTYPE r>", xeDocType, {}, ' '},
      {"!doctype r>", xeDocType, {}, ' '},
      {"!ELEMENT a>", xeDtdElement, {}, ' '},
      {"!ENTITY a>", xeDtdEntity, {}, ' '},
      {"!Eggs", xeError, {}, 'g'},
      {"!ATTLIST a>", xeDtdAttList, {}, ' '},
      {"!NOTATION a>", xeDtdNotation, {}, ' '},
      {"/Root>", xeEndTag, {}, 'R'},
      {"?xml-stylesheet href='a'?>", xeStylesheet, {}, ' '},
      {"?XML version='1.0'?>", xeDeclaration, {}, ' '},
      {"?xmlfoo?>", xeDeclaration, {}, 'f'},
      {"?php echo?>", xeInstruction, {}, 'p'},
      {"Root>", xeElement, {}, 'R'},
      {"", xeError, {}, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.After);
    TDecoder decoder("    <" + c.After);
    decoder.Parser->ReadBOM();
    decoder.Diagnostics.clear();  // "unknown encoding"
    decoder.Parser->ReadStringUntilChar('<');
    EXPECT_EQ(decoder.Parser->ReadOpenTag(), c.Type);
    EXPECT_EQ(decoder.Messages(), c.Messages);
    EXPECT_EQ(decoder.Parser->NextChar(), c.Next);
  }
}

TEST(XmlParser, ReadStringUntilFindsTheTerminatorAcrossChunks) {
  struct TCase {
    std::string Input;
    std::string Text;
    std::string Rest;
    std::vector<std::string> Messages;
  };
  const TCase cases[] = {
      {"     a - -> -- b -->c", "     a - -> -- b ", "c", {}},
      {"     a -- b --", "", "", {"warn: stream terminated prematurely at pos 14"}},
  };
  for (const TCase& c : cases) {
    for (const size_t chunkSize : kChunkSizes) {
      SCOPED_TRACE(c.Input + " " + std::to_string(chunkSize));
      TDecoder decoder(c.Input, chunkSize);
      decoder.Parser->ReadBOM();
      decoder.Diagnostics.clear();
      EXPECT_EQ(decoder.Parser->ReadStringUntil("-->"), c.Text);
      EXPECT_EQ(decoder.Drain(), c.Rest);
      EXPECT_EQ(decoder.Messages(), c.Messages);
    }
  }
}

TEST(XmlParser, ANameEndsAtABlankSlashGreaterThanOrBracket) {
  struct TCase {
    std::string Input;
    std::string Name;
    char Next;
    size_t Messages;
  };
  const TCase cases[] = {
      {"Entry>", "Entry", '>', 0},  {"Entry/>", "Entry", '/', 0}, {"Entry\tb='1'>", "Entry", '\t', 0},
      {"root[ ]>", "root", '[', 0}, {"Entry", "", 0, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Input);
    TDecoder decoder("     " + c.Input, 6);
    decoder.Parser->ReadBOM();
    decoder.Diagnostics.clear();
    decoder.Parser->SkipBlanks();
    EXPECT_EQ(decoder.Parser->ReadStringUntilBlankOrEndTag(), c.Name);
    EXPECT_EQ(decoder.Parser->NextChar(), c.Next);
    EXPECT_EQ(decoder.Diagnostics.size(), c.Messages);
  }
}

TEST(XmlParser, NextCharSkipBlanksReturnsTheBlanksItSkipped) {
  TDecoder decoder("   \t\r\n x", 5);
  decoder.Parser->ReadBOM();
  std::string_view blanks;
  EXPECT_EQ(decoder.Parser->NextCharSkipBlanks(blanks), 'x');
  EXPECT_EQ(blanks, "   \t\n ");
  EXPECT_EQ(decoder.Parser->NextCharSkipBlanks(blanks), 0);
  EXPECT_EQ(blanks, "");
  EXPECT_TRUE(decoder.Parser->EndOfStream());
}

TEST(XmlParser, EncodingNamesGiveWindowsCodePages) {
  struct TCase {
    const char* Name;
    int32_t CodePage;
    TXmlStringEncoding Encoding;
  };
  const TCase cases[] = {
      {"UTF-8", 65001, seUTF8},
      {"utf-8", 65001, seUTF8},
      {"uTf-8", 65001, seUTF8},
      {"latin-9", 65001, seUTF8},
      {"", 65001, seUTF8},
      {"utf-16", 1200, seUTF16LE},
      {"UnicodeFFFE", 1201, seUTF16BE},
      {"euc-jp", 20932, seAnsi},
      {"EUC-JP", 20932, seAnsi},
      {"iso-2022-jp", 50220, seAnsi},
      {"ASMO-449+", 709, seAnsi},
      {"BCON V4", 709, seAnsi},
      {"windows-1252", 1252, seAnsi},
      {"ISO-8859-1", 28591, seAnsi},
      {"us-ascii", 20127, seAnsi},
      {"utf-7", 65000, seAnsi},
      {"utf-32", 12000, seAnsi},
      {"utf-32BE", 12001, seAnsi},
      {"shift_jis", 932, seAnsi},
      {"x-mac-croatian", 10082, seAnsi},
      {"x-iscii-pa", 57011, seAnsi},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(XmlCodePageOfName(c.Name), c.CodePage);
    EXPECT_EQ(XmlEncodingOfName(c.Name), c.Encoding);
  }
}

TEST(XmlParser, TheCodePageTableHoldsItsRunsOfNumberedNames) {
  const auto rows = XmlCodePageNames();
  EXPECT_EQ(rows.size(), 143u);
  const auto codePage = [&rows](const std::string& name) {
    for (const TXmlCodePageName& row : rows)
      if (row.Name == name) return row.CodePage;
    return -1;
  };
  for (int i = 0; i <= 9; ++i) {
    EXPECT_EQ(codePage("IBM0114" + std::to_string(i)), 1140 + i);
    if (i < 9) {
      EXPECT_EQ(codePage("windows-125" + std::to_string(i)), 1250 + i);
    }
    if (i >= 1) {
      EXPECT_EQ(codePage("iso-8859-" + std::to_string(i)), 28590 + i);
    }
  }
  // The second row of a doubled name is never found by name.
  int32_t second = 0;
  for (const TXmlCodePageName& row : rows)
    if (std::string(row.Name) == "iso-2022-jp") second = row.CodePage;
  EXPECT_EQ(second, 50222);
}

TEST(XmlParser, ACodePageDecodesTheCurrentChunkAgainAndTheChunksAfterIt) {
  // 0xE9 is é in windows-1252; the second one comes in a later chunk.
  const std::string file = "<?xml?>\xE9" + std::string(20, ' ') + "\xE9";
  for (const size_t chunkSize : kChunkSizes) {
    SCOPED_TRACE(chunkSize);
    TDecoder decoder(file, chunkSize);
    decoder.Parser->ReadBOM();
    decoder.Parser->ReadStringUntilChar('>');
    decoder.Parser->SetEncoding(seAnsi);
    decoder.Parser->SetCodePage(1252);
    EXPECT_EQ(decoder.Drain(), "\xC3\xA9" + std::string(20, ' ') + "\xC3\xA9");
  }
}

// The code page's text, read after a short declaration-like head.
std::string DecodeInCodePage(const std::string& bytes, size_t chunkSize, int32_t codePage) {
  TDecoder decoder("<?xml?>" + bytes, chunkSize);
  decoder.Parser->ReadBOM();
  decoder.Parser->ReadStringUntilChar('>');
  decoder.Parser->SetEncoding(seAnsi);
  decoder.Parser->SetCodePage(codePage);
  return decoder.Drain();
}

TEST(XmlParser, MultiByteCodePagesDecodeWholeCharactersWhereverTheChunksEnd) {
  struct TCase {
    int32_t CodePage;
    std::string Unit;  // in the code page
    std::string Utf8;
  };
  const TCase cases[] = {
      // Shift-JIS, with trail bytes 0x5C that are "\" on their own.
      {932, "\x93\xFA\x96\x7B\x83\x5C\x95\x5C ", "\xE6\x97\xA5\xE6\x9C\xAC\xE3\x82\xBD\xE8\xA1\xA8 "},
      {936, "\xD6\xD0\xCE\xC4\xBA\xBA\xD7\xD6 ", "\xE4\xB8\xAD\xE6\x96\x87\xE6\xB1\x89\xE5\xAD\x97 "},
      {950, "\xA4\xA4\xA4\xE5\xB3\x5C\xA5\x5C ", "\xE4\xB8\xAD\xE6\x96\x87\xE8\xA8\xB1\xE5\x8A\x9F "},
  };
  for (const TCase& c : cases) {
    ASSERT_TRUE(sys::IsCodePageSupported(static_cast<unsigned>(c.CodePage))) << c.CodePage;
    std::string bytes;
    std::string expected;
    for (int i = 0; i < 8; ++i) {
      bytes += c.Unit;
      expected += c.Utf8;
    }
    for (const size_t chunkSize : kChunkSizes) {
      SCOPED_TRACE(std::to_string(c.CodePage) + " " + std::to_string(chunkSize));
      EXPECT_EQ(DecodeInCodePage(bytes, chunkSize, c.CodePage), expected);
    }
  }
}

TEST(XmlParser, AStatefulCodePageIsCutOnlyAtLineEnds) {
  // Wine has no ISO-2022-JP; Windows and iconv have.
  if (!sys::IsCodePageSupported(50220)) GTEST_SKIP() << "no code page 50220 here";
  // Each line shifts to JIS X 0208 for two characters and back.
  std::string bytes;
  std::string expected;
  for (int i = 0; i < 6; ++i) {
    bytes += "\x1B$BF|K\\\x1B(B\n";
    expected += "\xE6\x97\xA5\xE6\x9C\xAC\n";
  }
  for (const size_t chunkSize : kChunkSizes) {
    SCOPED_TRACE(chunkSize);
    EXPECT_EQ(DecodeInCodePage(bytes, chunkSize, 50220), expected);
  }
}

}  // namespace
