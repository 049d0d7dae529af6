#include "xml/XmlParser.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "system/CodePage.h"
#include "system/Unicode.h"

namespace {

// The first bytes of the input, compared row by row; the first match wins.
struct TSignature {
  std::array<uint8_t, 4> Bytes;
  int32_t Count;
  TXmlStringEncoding Encoding;
  bool IsBom;  // dropped before decoding; otherwise the bytes are text
};

constexpr TSignature kSignatures[] = {
    {{0x3C, 0x3F, 0x78, 0x6D}, 4, seAnsi, false},      {{0xEF, 0xBB, 0xBF, 0x00}, 3, seUTF8, true},
    {{0x00, 0x00, 0xFE, 0xFF}, 4, seUCS4BE, true},     {{0xFF, 0xFE, 0x00, 0x00}, 4, seUCS4LE, true},
    {{0x00, 0x00, 0xFF, 0xFE}, 4, seUCS4_2143, true},  {{0xFE, 0xFF, 0x00, 0x00}, 4, seUCS4_3412, true},
    {{0xFE, 0xFF, 0x00, 0x00}, 2, seUTF16BE, true},    {{0xFF, 0xFE, 0x00, 0x00}, 2, seUTF16LE, true},
    {{0x00, 0x00, 0x00, 0x3C}, 4, seUCS4BE, false},    {{0x3C, 0x00, 0x00, 0x00}, 4, seUCS4LE, false},
    {{0x00, 0x00, 0x3C, 0x00}, 4, seUCS4_2143, false}, {{0x00, 0x3C, 0x00, 0x00}, 4, seUCS4_3412, false},
    {{0x00, 0x3C, 0x00, 0x3F}, 4, seUTF16BE, false},   {{0x3C, 0x00, 0x3F, 0x00}, 4, seUTF16LE, false},
    {{0x4C, 0x6F, 0xA7, 0x94}, 4, seEBCDIC, false},
};

// Windows' own names and numbers (the names .NET and MLang give the code pages).
constexpr TXmlCodePageName kCodePageNames[] = {
    {"IBM037", 37},
    {"IBM437", 437},
    {"IBM500", 500},
    {"ASMO-708", 708},
    {"ASMO-449+", 709},
    {"BCON V4", 709},
    {"Arabic", 710},
    {"DOS-720", 720},
    {"ibm737", 737},
    {"ibm775", 775},
    {"ibm850", 850},
    {"ibm852", 852},
    {"IBM855", 855},
    {"ibm857", 857},
    {"IBM00858", 858},
    {"IBM860", 860},
    {"ibm861", 861},
    {"DOS-862", 862},
    {"IBM863", 863},
    {"IBM864", 864},
    {"IBM865", 865},
    {"cp866", 866},
    {"ibm869", 869},
    {"IBM870", 870},
    {"windows-874", 874},
    {"cp875", 875},
    {"shift_jis", 932},
    {"gb2312", 936},
    {"ks_c_5601-1987", 949},
    {"big5", 950},
    {"IBM1026", 1026},
    {"IBM01047", 1047},
    {"IBM01140", 1140},
    {"IBM01141", 1141},
    {"IBM01142", 1142},
    {"IBM01143", 1143},
    {"IBM01144", 1144},
    {"IBM01145", 1145},
    {"IBM01146", 1146},
    {"IBM01147", 1147},
    {"IBM01148", 1148},
    {"IBM01149", 1149},
    {"utf-16", 1200},
    {"unicodeFFFE", 1201},
    {"windows-1250", 1250},
    {"windows-1251", 1251},
    {"windows-1252", 1252},
    {"windows-1253", 1253},
    {"windows-1254", 1254},
    {"windows-1255", 1255},
    {"windows-1256", 1256},
    {"windows-1257", 1257},
    {"windows-1258", 1258},
    {"Johab", 1361},
    {"macintosh", 10000},
    {"x-mac-japanese", 10001},
    {"x-mac-chinesetrad", 10002},
    {"x-mac-korean", 10003},
    {"x-mac-arabic", 10004},
    {"x-mac-hebrew", 10005},
    {"x-mac-greek", 10006},
    {"x-mac-cyrillic", 10007},
    {"x-mac-chinesesimp", 10008},
    {"x-mac-romanian", 10010},
    {"x-mac-ukrainian", 10017},
    {"x-mac-thai", 10021},
    {"x-mac-ce", 10029},
    {"x-mac-icelandic", 10079},
    {"x-mac-turkish", 10081},
    {"x-mac-croatian", 10082},
    {"utf-32", 12000},
    {"utf-32BE", 12001},
    {"x-Chinese_CNS", 20000},
    {"x-cp20001", 20001},
    {"x_Chinese-Eten", 20002},
    {"x-cp20003", 20003},
    {"x-cp20004", 20004},
    {"x-cp20005", 20005},
    {"x-IA5", 20105},
    {"x-IA5-German", 20106},
    {"x-IA5-Swedish", 20107},
    {"x-IA5-Norwegian", 20108},
    {"us-ascii", 20127},
    {"x-cp20261", 20261},
    {"x-cp20269", 20269},
    {"IBM273", 20273},
    {"IBM277", 20277},
    {"IBM278", 20278},
    {"IBM280", 20280},
    {"IBM284", 20284},
    {"IBM285", 20285},
    {"IBM290", 20290},
    {"IBM297", 20297},
    {"IBM420", 20420},
    {"IBM423", 20423},
    {"IBM424", 20424},
    {"x-EBCDIC-KoreanExtended", 20833},
    {"IBM-Thai", 20838},
    {"koi8-r", 20866},
    {"IBM871", 20871},
    {"IBM880", 20880},
    {"IBM905", 20905},
    {"IBM00924", 20924},
    {"EUC-JP", 20932},
    {"x-cp20936", 20936},
    {"x-cp20949", 20949},
    {"cp1025", 21025},
    {"koi8-u", 21866},
    {"iso-8859-1", 28591},
    {"iso-8859-2", 28592},
    {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},
    {"iso-8859-5", 28595},
    {"iso-8859-6", 28596},
    {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},
    {"iso-8859-9", 28599},
    {"iso-8859-13", 28603},
    {"iso-8859-15", 28605},
    {"x-Europa", 29001},
    {"iso-8859-8-i", 38598},
    {"iso-2022-jp", 50220},
    {"csISO2022JP", 50221},
    {"iso-2022-jp", 50222},
    {"iso-2022-kr", 50225},
    {"x-cp50227", 50227},
    {"euc-jp", 51932},
    {"EUC-CN", 51936},
    {"euc-kr", 51949},
    {"hz-gb-2312", 52936},
    {"GB18030", 54936},
    {"x-iscii-de", 57002},
    {"x-iscii-be", 57003},
    {"x-iscii-ta", 57004},
    {"x-iscii-te", 57005},
    {"x-iscii-as", 57006},
    {"x-iscii-or", 57007},
    {"x-iscii-ka", 57008},
    {"x-iscii-ma", 57009},
    {"x-iscii-gu", 57010},
    {"x-iscii-pa", 57011},
    {"utf-7", 65000},
    {"utf-8", 65001},
};

constexpr int32_t kUtf8CodePage = 65001;
constexpr int32_t kUtf16LECodePage = 1200;
constexpr int32_t kUtf16BECodePage = 1201;

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

bool EqualFolded(const char* bytes, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i)
    if (FoldAscii(bytes[i]) != FoldAscii(text[i])) return false;
  return true;
}

// Sixteen bytes at a time where the machine has SSE2: this and AppendDecoded
// run over every byte of the input.
int64_t CountLineFeeds(const char* text, size_t count) {
  int64_t lineFeeds = 0;
  size_t at = 0;
#ifdef TOLLIVANE_XML_SSE2
  const __m128i lf = _mm_set1_epi8('\n');
  while (at + 16 <= count) {
    // Byte counters, summed before any of them can wrap.
    __m128i counts = _mm_setzero_si128();
    for (int round = 0; round < 255 && at + 16 <= count; ++round, at += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
      counts = _mm_sub_epi8(counts, _mm_cmpeq_epi8(bytes, lf));
    }
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    lineFeeds += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
  }
#endif
  for (; at < count; ++at) lineFeeds += text[at] == '\n';
  return lineFeeds;
}

bool SameNameIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && EqualFolded(a.data(), b);
}

// Code pages whose characters can span bytes. Decoding them byte by byte, as
// a single-byte code page is, would garble every such character.
bool IsStatefulCodePage(int32_t cp) {
  // ISO-2022 (50220-50229), HZ, ISCII and UTF-7 keep a shift state; by their
  // standards it is back at its start at every line end.
  return (cp >= 50220 && cp <= 50229) || cp == 52936 || (cp >= 57002 && cp <= 57011) || cp == 65000;
}

bool IsMultiByteCodePage(int32_t cp) {
  switch (cp) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 1200:
    case 1201:
    case 1361:
    case 10001:
    case 10002:
    case 10003:
    case 10008:
    case 12000:
    case 12001:
    case 20000:
    case 20001:
    case 20002:
    case 20003:
    case 20004:
    case 20005:
    case 20261:
    case 20932:
    case 20936:
    case 20949:
    case 51932:
    case 51936:
    case 51949:
    case 51950:
    case 54936:
      return true;
    default:
      return IsStatefulCodePage(cp);
  }
}

// How many of bytes[0, count) can be converted now without cutting a
// character; the rest waits for more input. [0, scanFrom) is known to hold no
// boundary.
size_t CompleteLength(int32_t cp, const char* bytes, size_t count, size_t scanFrom) {
  if (cp == kUtf16LECodePage || cp == kUtf16BECodePage) return count - count % 2;
  if (cp == 12000 || cp == 12001) return count - count % 4;
  // In every stateless multi-byte code page of Windows (Shift-JIS, GBK and
  // GB18030, Big5, UHC, Johab, the EUC forms) a byte below 0x30 is never part
  // of a longer character, so a character boundary follows it. A stateful
  // code page can only be cut at a line end.
  const bool stateful = IsStatefulCodePage(cp);
  for (size_t i = count; i > scanFrom; --i) {
    const auto byte = static_cast<unsigned char>(bytes[i - 1]);
    if (stateful ? byte == '\n' : byte < 0x30) return i;
  }
  return 0;
}

}  // namespace

std::span<const TXmlCodePageName> XmlCodePageNames() { return kCodePageNames; }

int32_t XmlCodePageOfName(std::string_view name) {
  for (const TXmlCodePageName& row : kCodePageNames)
    if (SameNameIgnoreCase(row.Name, name)) return row.CodePage;
  return kUtf8CodePage;
}

TXmlStringEncoding XmlEncodingOfName(std::string_view name) {
  switch (XmlCodePageOfName(name)) {
    case kUtf16LECodePage:
      return seUTF16LE;
    case kUtf16BECodePage:
      return seUTF16BE;
    case kUtf8CodePage:
      return seUTF8;
    default:
      return seAnsi;
  }
}

const char* XmlEncodingName(TXmlStringEncoding encoding) {
  static constexpr const char* kNames[] = {"Ansi",   "UTF8",      "UTF16BE",   "UTF16LE", "UCS4BE",
                                           "UCS4LE", "UCS4_2143", "UCS4_3412", "EBCDIC"};
  const int index = static_cast<int>(encoding);
  if (index < 0 || index >= static_cast<int>(std::size(kNames))) return "";
  return kNames[index];
}

// ---------------------------------------------------------------------------

void TXmlByteBuffer::erase_front(size_t count) {
  if (count == 0) return;
  std::memmove(FData.get(), FData.get() + count, FSize - count);
  FSize -= count;
}

void TXmlByteBuffer::Grow(size_t size) {
  const size_t capacity = std::max(size, FCapacity * 2);
  auto grown = std::make_unique_for_overwrite<char[]>(capacity);
  if (FSize > 0) std::memcpy(grown.get(), FData.get(), FSize);
  FData = std::move(grown);
  FCapacity = capacity;
}

TXmlParser::TXmlParser(sys::TStream& source, size_t chunkSize, const TDebugComponent* owner, size_t plainChunkSize)
    : FSource(source),
      FOwner(owner),
      FChunkSize(std::max<size_t>(chunkSize, 1)),
      FPlainChunkSize(std::max(FChunkSize, plainChunkSize)) {
  FRawBuffer.resize(FChunkSize);
  FRawBuffer.resize(FSource.Read(FRawBuffer.data(), FChunkSize));
}

void TXmlParser::Warn(TXmlWarnStyle style, const std::string& message) const {
  if (FOwner != nullptr && FOwner->OnDebugOut) DoDebugOut(style, message);
}

void TXmlParser::ReadBOM() {
  FStarted = true;
  const size_t count = FRawBuffer.size();
  if (count <= 4) {
    Warn(wsWarn, "stream terminated prematurely at pos " + std::to_string(count));
    FRawBuffer.clear();
    FEndOfStream = true;
    return;
  }
  const TSignature* match = nullptr;
  for (const TSignature& row : kSignatures) {
    if (std::memcmp(FRawBuffer.data(), row.Bytes.data(), static_cast<size_t>(row.Count)) == 0) {
      match = &row;
      break;
    }
  }
  if (match == nullptr) {
    Warn(wsWarn, "unknown encoding");
  } else {
    FBomInfo.BOM = match->Bytes;
    FBomInfo.Len = match->Count;
    FBomInfo.Encoding = match->Encoding;
    FBomInfo.HasBOM = match->IsBom;
    FEncoding = match->Encoding;
    const bool supported =
        FEncoding == seAnsi || FEncoding == seUTF8 || FEncoding == seUTF16BE || FEncoding == seUTF16LE;
    if (!supported) {
      Warn(wsFail, std::string("unsupported encoding (") + XmlEncodingName(FEncoding) + ")");
      FRawBuffer.clear();
      FEndOfStream = true;
      return;
    }
    if (match->IsBom) {
      FRawBuffer.erase_front(static_cast<size_t>(match->Count));
      Warn(wsInfo, std::string("BOM with encoding ") + XmlEncodingName(FEncoding));
    }
  }
  DecodeCurrentChunk();
}

TXmlParser::TDecodeMode TXmlParser::ModeFor(TXmlStringEncoding encoding, int32_t codePage) {
  switch (encoding) {
    case seUTF8:
      return TDecodeMode::Copy;
    case seUTF16LE:
      return TDecodeMode::Utf16LE;
    case seUTF16BE:
      return TDecodeMode::Utf16BE;
    case seAnsi:
      if (codePage == 0 || codePage == kUtf8CodePage) return TDecodeMode::Copy;
      return IsMultiByteCodePage(codePage) ? TDecodeMode::MultiByte : TDecodeMode::SingleByte;
    default:
      return TDecodeMode::None;
  }
}

void TXmlParser::SetCodePage(int32_t codePage) {
  FCodePage = codePage;
  if (!FStarted) return;
  const TDecodeMode mode = ModeFor(FEncoding, FCodePage);
  const bool byCodePage = mode == TDecodeMode::SingleByte || mode == TDecodeMode::MultiByte;
  if (mode == FMode && (!byCodePage || FCodePage == FModeCodePage)) return;
  KeepConsumedText();
  DecodeCurrentChunk();
}

void TXmlParser::KeepConsumedText() {
  if (FUtf8CurrentIdx <= FUtf8FirstIdx) return;
  // Find the raw bytes that the text read so far came from. The byte-wise
  // decoders tell by the lengths they gave each byte; a multi-byte code page
  // by the start of the chunk that decodes to that text. Where none is found,
  // and after any other decoder, the chunk is decoded again from its start.
  const size_t count = FRawBuffer.size();
  size_t text = FUtf8FirstIdx;
  if (FChunkPendingCR && count > 0 && FRawBuffer[0] != '\n') ++text;  // the CR held back before
  size_t raw = 0;
  if (FMode == TDecodeMode::Copy || FMode == TDecodeMode::SingleByte) {
    while (text < FUtf8CurrentIdx && raw < count) {
      const auto byte = static_cast<unsigned char>(FRawBuffer[raw++]);
      if (byte == '\r' && raw < count && FRawBuffer[raw] == '\n') continue;  // dropped before its LF
      text += (FMode == TDecodeMode::Copy || byte < 0x80) ? 1 : FHighBytes[byte - 0x80].Length;
    }
    if (text != FUtf8CurrentIdx) return;
  } else if (FMode == TDecodeMode::MultiByte) {
    const std::string_view consumed(FUtf8Buffer.data() + text, FUtf8CurrentIdx - text);
    const auto decodedStart = [this](size_t length) {
      std::string decoded = sys::WideToUtf8(
          sys::CodePageToWide(static_cast<unsigned>(FModeCodePage), std::string_view(FRawBuffer.data(), length)));
      for (size_t at = decoded.find("\r\n"); at != decoded.npos; at = decoded.find("\r\n", at)) decoded.erase(at, 1);
      return decoded;
    };
    // The text read ends at a declaration's ">", which no multi-byte code
    // page but Johab uses inside a character: the start of the chunk up to
    // as many ">" is tried first. Failing that, the decoded text grows with
    // the start taken, so a binary search finds the first start as long as
    // the text read; a character cut at its end may decode to a little more
    // or less, so the starts around it are tried. A few conversions at most.
    size_t found = count + 1;  // none
    if (!consumed.empty() && consumed.back() == '>') {
      auto ends = std::count(consumed.begin(), consumed.end(), '>');
      size_t start = 0;
      while (ends > 0 && start < count)
        if (FRawBuffer[start++] == '>') --ends;
      if (decodedStart(start) == consumed) found = start;
    }
    if (found > count) {
      size_t low = 0;
      size_t high = count;
      while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (decodedStart(middle).size() < consumed.size())
          low = middle + 1;
        else
          high = middle;
      }
      for (size_t start = low > 4 ? low - 4 : 0; start <= std::min(count, low + 4) && found > count; ++start)
        if (decodedStart(start) == consumed) found = start;
    }
    if (found > count) return;
    raw = found;
  } else {
    return;
  }
  FRawBuffer.erase_front(raw);
  FRawCarryIn = raw < FRawCarryIn ? FRawCarryIn - raw : 0;
  FUtf8FirstIdx = FUtf8CurrentIdx;
  FChunkPendingCR = false;
}

void TXmlParser::DeclareEncoding(std::string_view name) {
  TXmlStringEncoding encoding = XmlEncodingOfName(name);
  int32_t codePage = XmlCodePageOfName(name);
  if (FEncoding == seUTF16LE || FEncoding == seUTF16BE) {
    encoding = FEncoding;
    codePage = FEncoding == seUTF16LE ? kUtf16LECodePage : kUtf16BECodePage;
  } else if ((FBomInfo.HasBOM && FBomInfo.Encoding == seUTF8) || encoding == seUTF16LE || encoding == seUTF16BE) {
    // A UTF-8 mark governs; and input whose declaration was read a byte a
    // character is not UTF-16, whatever it says: it is read on as UTF-8.
    encoding = seUTF8;
    codePage = kUtf8CodePage;
  }
  SetEncoding(encoding);
  SetCodePage(codePage);
}

int64_t TXmlParser::LineNumber() const { return FBaseLineNumber + CountLineFeeds(FUtf8Buffer.data(), FUtf8CurrentIdx); }

size_t TXmlParser::MakeDataAvailable() {
  while (FUtf8CurrentIdx >= FUtf8Buffer.size())
    if (!ReadChunk()) return 0;
  return FUtf8Buffer.size() - FUtf8CurrentIdx;
}

char TXmlParser::NextCharSlow() {
  if (MakeDataAvailable() == 0) return 0;
  return FUtf8Buffer[FUtf8CurrentIdx++];
}

bool TXmlParser::ReadChunk() {
  if (FEndOfStream) return false;
  if (!FStarted) {
    // Read without ReadBOM: the first chunk as it is.
    FStarted = true;
    DecodeCurrentChunk();
    return true;
  }
  const size_t carry = FRawBuffer.size() - FRawDecodedCount;
  FRawBuffer.erase_front(FRawDecodedCount);
  const size_t chunkSize = FMode == TDecodeMode::Copy ? FPlainChunkSize : FChunkSize;
  FRawBuffer.resize(carry + chunkSize);
  const size_t count = FSource.Read(FRawBuffer.data() + carry, chunkSize);
  FRawBuffer.resize(carry + count);
  FRawCarryIn = carry;
  FRawCarryCodePage = FCarryCodePage;
  FRawDecodedCount = 0;
  FUtf8FirstIdx = FUtf8Buffer.size();
  FChunkPendingCR = FPendingCR;
  if (count == 0) {
    // What was held back for more input is all there is.
    FEndOfStream = true;
    FRawLast = true;
    const size_t before = FUtf8Buffer.size();
    DecodeCurrentChunk();
    return FUtf8Buffer.size() > before;
  }
  DecodeCurrentChunk();
  return true;
}

void TXmlParser::PrepareDecoder() {
  if (FModeEncoding == FEncoding && FModeCodePage == FCodePage) return;
  const TDecodeMode mode = ModeFor(FEncoding, FCodePage);
  const bool newTable = mode == TDecodeMode::SingleByte && (FMode != mode || FModeCodePage != FCodePage);
  FModeEncoding = FEncoding;
  FModeCodePage = FCodePage;
  FMode = mode;
  if (newTable) {
    // One conversion of all 128 high bytes; one a byte when the code page
    // does not give one character per byte.
    const auto cp = static_cast<unsigned>(FCodePage);
    std::string high(128, '\0');
    for (size_t i = 0; i < high.size(); ++i) high[i] = static_cast<char>(0x80 + i);
    std::wstring wide = sys::CodePageToWide(cp, high);
    const bool oneEach = wide.size() == high.size();
    for (size_t i = 0; i < high.size(); ++i) {
      if (!oneEach) {
        wide = sys::CodePageToWide(cp, std::string_view(&high[i], 1));
        if (wide.empty()) wide = L"\xFFFD";
      }
      std::string utf8;
      sys::AppendUtf8(utf8, static_cast<char32_t>(oneEach ? wide[i] : wide[0]));
      TUtf8Char& entry = FHighBytes[i];
      entry.Length = static_cast<uint8_t>(utf8.size());
      std::copy(utf8.begin(), utf8.end(), entry.Bytes.begin());
    }
  }
}

void TXmlParser::DecodeCurrentChunk() {
  PrepareDecoder();
  FUtf8Buffer.resize(FUtf8FirstIdx);
  FPendingCR = FChunkPendingCR;
  const char* raw = FRawBuffer.data();
  const size_t count = FRawBuffer.size();
  size_t used = count;
  switch (FMode) {
    case TDecodeMode::None:
      break;
    case TDecodeMode::Copy:
      AppendDecoded(raw, count);
      break;
    case TDecodeMode::SingleByte:
      used = DecodeSingleByte(raw, count);
      break;
    case TDecodeMode::MultiByte: {
      // The bytes carried in hold no boundary, unless another code page cut them.
      const size_t scanFrom = FRawCarryCodePage == FModeCodePage ? FRawCarryIn : 0;
      used = DecodeMultiByte(raw, FRawLast ? count : CompleteLength(FModeCodePage, raw, count, scanFrom));
      break;
    }
    case TDecodeMode::Utf16LE:
    case TDecodeMode::Utf16BE:
      used = DecodeUtf16(raw, count, FRawLast, FMode == TDecodeMode::Utf16BE);
      break;
  }
  FRawDecodedCount = used;
  FCarryCodePage = FMode == TDecodeMode::MultiByte ? FModeCodePage : -1;
  if (FRawLast && FPendingCR) {
    FUtf8Buffer += '\r';
    FPendingCR = false;
  }
  FUtf8CurrentIdx = std::min(FUtf8CurrentIdx, FUtf8Buffer.size());
}

size_t TXmlParser::DecodeSingleByte(const char* bytes, size_t count) {
  FScratch.clear();
  for (size_t i = 0; i < count; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      FScratch += static_cast<char>(byte);
    } else {
      const TUtf8Char& entry = FHighBytes[byte - 0x80];
      FScratch.append(entry.Bytes.data(), entry.Length);
    }
  }
  AppendDecoded(FScratch.data(), FScratch.size());
  return count;
}

size_t TXmlParser::DecodeMultiByte(const char* bytes, size_t count) {
  if (count == 0) return 0;
  FScratch = sys::WideToUtf8(sys::CodePageToWide(static_cast<unsigned>(FModeCodePage), std::string_view(bytes, count)));
  AppendDecoded(FScratch.data(), FScratch.size());
  return count;
}

size_t TXmlParser::DecodeUtf16(const char* bytes, size_t count, bool last, bool bigEndian) {
  const auto unit = [bytes, bigEndian](size_t at) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    return bigEndian ? (first << 8) | second : (second << 8) | first;
  };
  constexpr char32_t kReplacement = 0xFFFD;
  FScratch.clear();
  size_t at = 0;
  while (at + 1 < count) {
    const char32_t code = unit(at);
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (at + 3 >= count) {
        if (!last) break;  // the low half comes with the next chunk
        sys::AppendUtf8(FScratch, kReplacement);
        at += 2;
        continue;
      }
      const char32_t low = unit(at + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        sys::AppendUtf8(FScratch, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
        at += 4;
        continue;
      }
    }
    // A lone surrogate becomes U+FFFD.
    sys::AppendUtf8(FScratch, code);
    at += 2;
  }
  if (last && at < count) {
    sys::AppendUtf8(FScratch, kReplacement);  // an odd byte at the end
    at = count;
  }
  AppendDecoded(FScratch.data(), FScratch.size());
  return at;
}

void TXmlParser::AppendDecoded(const char* text, size_t count) {
  if (count == 0) return;
  if (FPendingCR) {
    FPendingCR = false;
    if (text[0] != '\n') FUtf8Buffer += '\r';
  }
  if (text[count - 1] == '\r') {
    FPendingCR = true;
    --count;
  }
  const size_t start = FUtf8Buffer.size();
  FUtf8Buffer.resize(start + count);
  char* out = FUtf8Buffer.data() + start;
  size_t at = 0;
#ifdef TOLLIVANE_XML_SSE2
  // Sixteen bytes are stored at once and the output then moves on to the
  // first CR among them: out never passes text + at, so no store leaves the
  // buffer. CR LF ends every line of the files this program writes.
  const __m128i cr = _mm_set1_epi8('\r');
  while (at + 16 <= count) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    const auto crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
    if (crs == 0) {
      out += 16;
      at += 16;
      continue;
    }
    const int first = std::countr_zero(crs);
    out += first;
    at += first + 1;
    if (!(at < count && text[at] == '\n')) ++out;  // a CR of its own stays
  }
#endif
  for (; at < count; ++at) {
    const char c = text[at];
    if (c == '\r' && at + 1 < count && text[at + 1] == '\n') continue;
    *out++ = c;
  }
  FUtf8Buffer.resize(static_cast<size_t>(out - FUtf8Buffer.data()));
}

// ---------------------------------------------------------------------------
// Reading primitives

char TXmlParser::NextCharAfterBlanks(std::string_view& blanks) {
  const size_t start = FUtf8CurrentIdx;
  size_t at = start;
  for (;;) {
    const size_t size = FUtf8Buffer.size();
    while (at < size && IsBlank(FUtf8Buffer[at])) ++at;
    if (at < size) {
      blanks = std::string_view(FUtf8Buffer.data() + start, at - start);
      FUtf8CurrentIdx = at + 1;
      return FUtf8Buffer[at];
    }
    if (!ReadChunk()) break;
  }
  FUtf8CurrentIdx = FUtf8Buffer.size();
  blanks = std::string_view(FUtf8Buffer.data() + start, FUtf8CurrentIdx - start);
  return 0;
}

void TXmlParser::SkipBlanks() {
  for (;;) {
    const size_t size = FUtf8Buffer.size();
    while (FUtf8CurrentIdx < size && IsBlank(FUtf8Buffer[FUtf8CurrentIdx])) ++FUtf8CurrentIdx;
    if (FUtf8CurrentIdx < size || !ReadChunk()) return;
  }
}

void TXmlParser::SkipBlankBytes() {
  for (;;) {
    const size_t size = FUtf8Buffer.size();
    while (FUtf8CurrentIdx < size && static_cast<unsigned char>(FUtf8Buffer[FUtf8CurrentIdx]) <= 0x20)
      ++FUtf8CurrentIdx;
    if (FUtf8CurrentIdx < size || !ReadChunk()) return;
  }
}

bool TXmlParser::CheckString(std::string_view text) {
  while (FUtf8Buffer.size() - FUtf8CurrentIdx < text.size())
    if (!ReadChunk()) return false;
  if (!EqualFolded(FUtf8Buffer.data() + FUtf8CurrentIdx, text)) return false;
  FUtf8CurrentIdx += text.size();
  return true;
}

std::string_view TXmlParser::ReadStringUntilChar(char c) {
  const size_t start = FUtf8CurrentIdx;
  size_t from = start;
  for (;;) {
    const size_t size = FUtf8Buffer.size();
    const char* data = FUtf8Buffer.data();
    const size_t at = static_cast<size_t>(Find(data + from, data + size, c) - data);
    if (at < size) {
      FUtf8CurrentIdx = at + 1;
      return std::string_view(data + start, at - start);
    }
    from = size;
    if (!ReadChunk()) break;
  }
  FUtf8CurrentIdx = FUtf8Buffer.size();
  return std::string_view(FUtf8Buffer.data() + start, FUtf8CurrentIdx - start);
}

std::string_view TXmlParser::ReadStringUntil(std::string_view terminator) {
  const size_t start = FUtf8CurrentIdx;
  if (terminator.empty()) return {};
  const char first = FoldAscii(terminator[0]);
  const bool letter = first >= 'a' && first <= 'z';
  size_t from = start;
  for (;;) {
    size_t size = FUtf8Buffer.size();
    const char* data = FUtf8Buffer.data();
    size_t at = size;
    if (letter) {
      for (size_t i = from; i < size; ++i)
        if (FoldAscii(data[i]) == first) {
          at = i;
          break;
        }
    } else if (from < size) {
      if (const void* hit = std::memchr(data + from, first, size - from))
        at = static_cast<size_t>(static_cast<const char*>(hit) - data);
    }
    if (at == size) {
      from = size;
      if (!ReadChunk()) break;
      continue;
    }
    bool more = true;
    while (size - at < terminator.size() && (more = ReadChunk())) size = FUtf8Buffer.size();
    if (!more) break;
    if (EqualFolded(FUtf8Buffer.data() + at, terminator)) {
      FUtf8CurrentIdx = at + terminator.size();
      return std::string_view(FUtf8Buffer.data() + start, at - start);
    }
    from = at + 1;
  }
  FUtf8CurrentIdx = FUtf8Buffer.size();
  Warn(wsWarn, "stream terminated prematurely at pos " + std::to_string(Position()));
  return {};
}

std::string_view TXmlParser::ReadStringUntilBlankOrEndTag() {
  const size_t start = FUtf8CurrentIdx;
  size_t at = start;
  for (;;) {
    const size_t size = FUtf8Buffer.size();
    at = static_cast<size_t>(FindNameStop(FUtf8Buffer.data() + at, FUtf8Buffer.data() + size) - FUtf8Buffer.data());
    if (at < size) {
      FUtf8CurrentIdx = at;
      return std::string_view(FUtf8Buffer.data() + start, at - start);
    }
    if (!ReadChunk()) break;
  }
  FUtf8CurrentIdx = FUtf8Buffer.size();
  Warn(wsWarn, "stream terminated prematurely at pos " + std::to_string(Position()));
  return {};
}

std::string_view TXmlParser::ReadStringUntilAny(std::string_view stops, char& found) {
  const size_t start = FUtf8CurrentIdx;
  size_t at = start;
  for (;;) {
    const size_t size = FUtf8Buffer.size();
    for (; at < size; ++at) {
      if (stops.find(FUtf8Buffer[at]) != stops.npos) {
        found = FUtf8Buffer[at];
        FUtf8CurrentIdx = at + 1;
        return std::string_view(FUtf8Buffer.data() + start, at - start);
      }
    }
    if (!ReadChunk()) break;
  }
  found = 0;
  FUtf8CurrentIdx = FUtf8Buffer.size();
  return std::string_view(FUtf8Buffer.data() + start, FUtf8CurrentIdx - start);
}

TXmlElementType TXmlParser::ReadOtherOpenTag() {
  if (MakeDataAvailable() == 0) return xeError;
  switch (NextChar()) {
    case '!': {
      const char kind = FoldAscii(NextChar());
      switch (kind) {
        case '-':
          return CheckString("-") ? xeComment : xeError;
        case '[':
          return CheckString("cdata[") ? xeCData : xeError;
        case 'a':
          return CheckString("ttlist") ? xeDtdAttList : xeError;
        case 'd':
          return CheckString("octype") ? xeDocType : xeError;
        case 'e':
          if (CheckString("lement")) return xeDtdElement;
          return CheckString("ntity") ? xeDtdEntity : xeError;
        case 'n':
          return CheckString("otation") ? xeDtdNotation : xeError;
        default: {
          const std::string shown = kind == 0 ? std::string() : std::string(1, kind);
          Warn(wsFail, "illegal tag (\"" + shown + "\") at pos " + std::to_string(Position()));
          return xeError;
        }
      }
    }
    case '/':
      return xeEndTag;
    case '?':
      if (!CheckString("xml")) return xeInstruction;
      return CheckString("-stylesheet") ? xeStylesheet : xeDeclaration;
    default:
      MoveBack();
      return xeElement;
  }
}

void TXmlParser::DropReadChunks() {
  const size_t drop = std::min(FUtf8CurrentIdx, FUtf8FirstIdx);
  if (drop == 0) return;
  FBaseLineNumber += CountLineFeeds(FUtf8Buffer.data(), drop);
  FUtf8BasePosition += static_cast<int64_t>(drop);
  FUtf8Buffer.erase_front(drop);
  FUtf8CurrentIdx -= drop;
  FUtf8FirstIdx -= drop;
}
