#pragma once
// The reader's input decoder: it reads the stream in chunks, decides the
// encoding from the first bytes (and again on each declaration), turns every
// chunk into UTF-8 with LF line ends, and offers the reading primitives that
// the node parsers are built from. The reader never sees a raw byte.
//
// Positions count decoded UTF-8 bytes after the byte order mark, with CR LF
// counted as one byte; they are not file offsets.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#if defined(__SSE2__) || defined(_M_X64)
// Every x86-64 has it: the decoder and the reader's quick path look at
// sixteen bytes at a time.
#define TOLLIVANE_XML_SSE2 1
#include <emmintrin.h>
#endif

#include "system/Stream.h"
#include "xml/XmlDebug.h"
#include "xml/XmlTypes.h"

struct TXmlCodePageName {
  const char* Name;
  int32_t CodePage;
};

// The encoding names a declaration may give, with the Windows code page of
// each, in lookup order (a name may appear twice; the first row wins).
std::span<const TXmlCodePageName> XmlCodePageNames();

// The code page of an encoding name, ignoring case; 65001 for a name in no row.
int32_t XmlCodePageOfName(std::string_view name);

// seUTF16LE for code page 1200, seUTF16BE for 1201, seUTF8 for 65001, and
// seAnsi for every other code page.
TXmlStringEncoding XmlEncodingOfName(std::string_view name);

// "Ansi", "UTF8", ... "EBCDIC"; "" outside the enumeration.
const char* XmlEncodingName(TXmlStringEncoding encoding);

// A byte buffer that, unlike std::string, leaves the bytes it grows by
// unset: the decoder writes every byte of its buffers before reading it, and
// zeroing them first cost a twentieth of a load.
class TXmlByteBuffer {
 public:
  char* data() { return FData.get(); }
  const char* data() const { return FData.get(); }
  size_t size() const { return FSize; }
  char& operator[](size_t at) { return FData[at]; }
  char operator[](size_t at) const { return FData[at]; }
  void resize(size_t size) {
    if (size > FCapacity) Grow(size);
    FSize = size;
  }
  void clear() { FSize = 0; }
  TXmlByteBuffer& operator+=(char c) {
    resize(FSize + 1);
    FData[FSize - 1] = c;
    return *this;
  }
  // Drops the first count bytes.
  void erase_front(size_t count);

 private:
  void Grow(size_t size);

  std::unique_ptr<char[]> FData;
  size_t FSize = 0;
  size_t FCapacity = 0;
};

class TXmlParser : public TDebugPersistent {
 public:
  // Reads the first chunk at once; nothing is decoded before ReadBOM. source
  // and owner (which receives the diagnostics, may be null) are not owned.
  // Input found to be UTF-8 (or plain ASCII) is read on in chunks of
  // plainChunkSize when that is larger: it is only copied, and the reader's
  // quick path stops at every chunk's end.
  TXmlParser(sys::TStream& source, size_t chunkSize, const TDebugComponent* owner, size_t plainChunkSize = 0);

  // Chooses the encoding from the start of the input and decodes the first chunk.
  void ReadBOM();

  TXmlStringEncoding Encoding() const { return FEncoding; }
  // Takes effect from the next chunk, or when SetCodePage decodes this one again.
  void SetEncoding(TXmlStringEncoding encoding) { FEncoding = encoding; }
  int32_t CodePage() const { return FCodePage; }
  // Decodes the current chunk again, from the read position on; the text
  // before it stays as it was read.
  void SetCodePage(int32_t codePage);
  // Applies the encoding a declaration names. A byte order mark, or input
  // found to be UTF-16, keeps its own encoding and byte order, and input
  // found not to be (a declaration naming UTF-16 read a byte a character) is
  // read on as UTF-8: honouring a contradicting name would only garble the
  // rest of the input.
  void DeclareEncoding(std::string_view name);

  const TXmlBomInfo& BomInfo() const { return FBomInfo; }
  int64_t Position() const { return FUtf8BasePosition + static_cast<int64_t>(FUtf8CurrentIdx); }
  // Line feeds before the read position: 0 on the first line.
  int64_t LineNumber() const;
  // Nothing is left to read and no more input can be had.
  bool EndOfStream() const { return FEndOfStream && FUtf8CurrentIdx >= FUtf8Buffer.size(); }

  // Decoded bytes after the read position, reading on while there are none;
  // 0 once the input is exhausted.
  size_t MakeDataAvailable();

  // The byte at the read position, consumed; 0 at the end of the input.
  char NextChar() {
    if (FUtf8CurrentIdx < FUtf8Buffer.size()) return FUtf8Buffer[FUtf8CurrentIdx++];
    return NextCharSlow();
  }
  void MoveBack() {
    if (FUtf8CurrentIdx > 0) --FUtf8CurrentIdx;
  }
  // Consumes blanks (tab, LF, CR, space), which blanks then views, and then
  // the next byte, which it returns; 0 at the end of the input.
  char NextCharSkipBlanks(std::string_view& blanks) {
    if (FUtf8CurrentIdx < FUtf8Buffer.size()) {
      const char c = FUtf8Buffer[FUtf8CurrentIdx];
      if (!IsBlank(c)) {
        blanks = {};
        ++FUtf8CurrentIdx;
        return c;
      }
    }
    return NextCharAfterBlanks(blanks);
  }
  // Consumes blanks only.
  void SkipBlanks();
  // Consumes the bytes 0x00 to 0x20 (what TrimBlankBytes drops).
  void SkipBlankBytes();
  // Consumes text, when the bytes at the read position are text and then
  // stop; false, consuming nothing, otherwise.
  bool SkipTextBefore(std::string_view text, char stop) {
    if (FUtf8Buffer.size() - FUtf8CurrentIdx <= text.size()) return false;
    const char* at = FUtf8Buffer.data() + FUtf8CurrentIdx;
    if (at[text.size()] != stop || text.compare(0, text.size(), at, text.size()) != 0) return false;
    FUtf8CurrentIdx += text.size() + 1;
    return true;
  }
  // Whether the bytes at the read position are text, folding A-Z to a-z on
  // both sides; consumed only when they are.
  bool CheckString(std::string_view text);

  // The readers below return a view into the decoder's buffer. It stays valid
  // until the next call on the decoder: use or copy it at once.

  // The text up to the next c, which is consumed; the rest of the input when
  // there is none.
  std::string_view ReadStringUntilChar(char c);
  std::string_view ReadQuotedString(char quote) { return ReadStringUntilChar(quote); }
  // The text up to the next terminator (compared as CheckString does), which is
  // consumed. Empty, with a diagnostic, when the input ends first.
  std::string_view ReadStringUntil(std::string_view terminator);
  // The text up to the next blank, "/", ">" or "[", which is not consumed.
  // Empty, with a diagnostic, when the input ends first.
  std::string_view ReadStringUntilBlankOrEndTag();
  // The text up to the next of the stop characters, which is consumed and
  // found; found is 0 when the input ends first.
  std::string_view ReadStringUntilAny(std::string_view stops, char& found);

  // For a reader's fast path over the common markup: the decoded bytes at
  // hand after the read position are [Cursor, Limit). The pointers stay valid
  // until the next call that reads or flushes.
  const char* Cursor() const { return FUtf8Buffer.data() + FUtf8CurrentIdx; }
  const char* Limit() const { return FUtf8Buffer.data() + FUtf8Buffer.size(); }
  // Moves the read position to at, anywhere up to Limit in the text at hand
  // (back to where a quick look began, too).
  void MoveTo(const char* at) { FUtf8CurrentIdx = static_cast<size_t>(at - FUtf8Buffer.data()); }
  // What Position would be at at.
  int64_t PositionOf(const char* at) const { return FUtf8BasePosition + (at - FUtf8Buffer.data()); }
  // The first c in [from, end), or end. Most searches end a few bytes on,
  // where a call of memchr would cost more than the search.
  static const char* Find(const char* from, const char* end, char c) {
    const char* at = from;
#ifdef TOLLIVANE_XML_SSE2
    const __m128i wanted = _mm_set1_epi8(c);
    for (; end - at >= 16; at += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wanted)));
      if (hits != 0) return at + std::countr_zero(hits);
    }
#endif
    while (at < end && *at != c) ++at;
    return at;
  }
  // The first blank, "/", ">" or "[" in [from, end), or end.
  static const char* FindNameStop(const char* from, const char* end) {
    const char* at = from;
#ifdef TOLLIVANE_XML_SSE2
    const auto is = [](__m128i bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
    for (; end - at >= 16; at += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
      const __m128i blank = _mm_or_si128(_mm_or_si128(is(bytes, ' '), is(bytes, '\t')),
                                         _mm_or_si128(is(bytes, '\n'), is(bytes, '\r')));
      const __m128i stop = _mm_or_si128(_mm_or_si128(is(bytes, '/'), is(bytes, '>')), is(bytes, '['));
      const auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(blank, stop)));
      if (hits != 0) return at + std::countr_zero(hits);
    }
#endif
    while (at < end && !IsNameStop(*at)) ++at;
    return at;
  }

  // Classifies the markup after a "<" that has just been read. A start or end
  // tag, by far the most frequent, is told here; the rest out of line.
  TXmlElementType ReadOpenTag() {
    if (FUtf8CurrentIdx < FUtf8Buffer.size()) {
      const char c = FUtf8Buffer[FUtf8CurrentIdx];
      if (c == '/') {
        ++FUtf8CurrentIdx;
        return xeEndTag;
      }
      if (c != '!' && c != '?') return xeElement;
    }
    return ReadOtherOpenTag();
  }

  // Drops the decoded text before the current chunk; Position and LineNumber
  // stay as they are. Every element start calls it, and most find nothing to
  // drop.
  void Flush() {
    if (FUtf8CurrentIdx > 0 && FUtf8FirstIdx > 0) DropReadChunks();
  }

 protected:
  const TDebugComponent* DebugOwner() const override { return FOwner; }

 private:
  enum class TDecodeMode { None, Copy, SingleByte, MultiByte, Utf16LE, Utf16BE };

  // The UTF-8 form of one byte of a single-byte code page.
  struct TUtf8Char {
    uint8_t Length = 0;
    std::array<char, 4> Bytes{};
  };

  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
  static bool IsNameStop(char c) { return IsBlank(c) || c == '/' || c == '>' || c == '['; }
  static TDecodeMode ModeFor(TXmlStringEncoding encoding, int32_t codePage);
  char NextCharSlow();
  char NextCharAfterBlanks(std::string_view& blanks);
  TXmlElementType ReadOtherOpenTag();
  void DropReadChunks();
  // Reads and decodes one more chunk; false when no more input can be had.
  bool ReadChunk();
  // Decodes the raw bytes of the current chunk into the buffer from FUtf8FirstIdx.
  void DecodeCurrentChunk();
  // Before the chunk is decoded again: the text already read stays as it is,
  // and the chunk restarts at the read position. A multi-byte decoder could
  // otherwise hold back bytes that the reader has already consumed.
  void KeepConsumedText();
  void PrepareDecoder();
  size_t DecodeSingleByte(const char* bytes, size_t count);
  size_t DecodeMultiByte(const char* bytes, size_t count);
  size_t DecodeUtf16(const char* bytes, size_t count, bool last, bool bigEndian);
  // Appends decoded text, dropping each CR that directly precedes an LF.
  void AppendDecoded(const char* text, size_t count);
  void Warn(TXmlWarnStyle style, const std::string& message) const;

  sys::TStream& FSource;          // not owned
  const TDebugComponent* FOwner;  // not owned
  size_t FChunkSize;
  size_t FPlainChunkSize;

  // The current chunk: the bytes the chunk before could not decode yet (a
  // character cut by the chunk boundary), then the bytes read.
  TXmlByteBuffer FRawBuffer;
  size_t FRawDecodedCount = 0;     // the rest waits for the next chunk
  size_t FRawCarryIn = 0;          // bytes of FRawBuffer that came from the chunk before
  int32_t FRawCarryCodePage = -1;  // the multi-byte code page that left them, or -1
  int32_t FCarryCodePage = -1;     // the same for what the current chunk leaves
  bool FRawLast = false;           // the current chunk ends the input

  TXmlByteBuffer FUtf8Buffer;
  size_t FUtf8FirstIdx = 0;    // where the current chunk's text starts
  size_t FUtf8CurrentIdx = 0;  // the read position
  int64_t FUtf8BasePosition = 0;
  int64_t FBaseLineNumber = 0;
  // A CR that ended the decoded text is held back until the next chunk
  // shows whether an LF follows it.
  bool FPendingCR = false;
  bool FChunkPendingCR = false;  // FPendingCR before the current chunk

  TXmlStringEncoding FEncoding = seAnsi;
  int32_t FCodePage = 0;
  TXmlBomInfo FBomInfo;
  bool FEndOfStream = false;
  bool FStarted = false;  // the first chunk has been decoded

  TDecodeMode FMode = TDecodeMode::None;
  TXmlStringEncoding FModeEncoding = seAnsi;
  int32_t FModeCodePage = -1;
  std::array<TUtf8Char, 128> FHighBytes{};
  std::string FScratch;
};
