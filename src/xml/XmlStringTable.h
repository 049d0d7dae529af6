#pragma once
// Interned names and stored texts of one document. Nodes hold only the ID of
// their string, so the many entries that share names and values ("Entry",
// "true") store each string once.

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xml/XmlDebug.h"

class TXmlRefString {
 public:

  int32_t ID() const { return FID; }
  // How often the string was added.
  int32_t Frequency() const { return FFrequency; }
  const std::string& Text() const { return FFirst; }
  int32_t CharCount() const { return static_cast<int32_t>(FFirst.size()); }

 private:
  friend class TXmlStringTable;

  int32_t FID = 0;
  int32_t FFrequency = 1;
  std::string FFirst;  // the bytes; its size is the byte count
};

class TXmlStringTable : public TDebugPersistent {
 public:
  // owner receives the "string ID not found" diagnostic (not owned, may be null).
  explicit TXmlStringTable(const TDebugComponent* owner) : FOwner(owner) {}

  // The ID of text, adding it when it is new; the empty text is ID 0 and is
  // never stored. Inline up to the look into the recent strings, which finds
  // most of a load's names and values.
  int32_t AddString(std::string_view text) {
    if (text.empty()) return 0;
    int32_t& recent = FRecent[RecentSlot(text)];
    if (recent != 0) {
      TXmlRefString& entry = Entry(recent - 1);
      if (SameText(entry.FFirst, text)) {
        ++entry.FFrequency;
        return recent;
      }
    }
    recent = Lookup(text);
    return recent;
  }

  // The text of an ID; "" for 0 or less, and for an unknown ID, which also
  // raises a wsWarn diagnostic. The reference lives as long as the table's
  // content (until Clear).
  const std::string& GetString(int32_t id) const {
    if (id > 0 && id <= Count()) return Entry(id - 1).FFirst;
    return NoString(id);
  }

  // Forgets every string; IDs restart at 1.
  void Clear();

  int32_t Count() const { return FCount; }
  // The entry at a position in ID order; null outside 0..Count-1.
  const TXmlRefString* EntryInIdOrder(int32_t position) const;

 protected:
  const TDebugComponent* DebugOwner() const override { return FOwner; }

 private:
  static constexpr int32_t kBlockShift = 7;
  static constexpr int32_t kBlockSize = 1 << kBlockShift;

  TXmlRefString& Entry(int32_t position) const {
    return FBlocks[static_cast<size_t>(position >> kBlockShift)][position & (kBlockSize - 1)];
  }
  const std::string& NoString(int32_t id) const;

  static size_t RecentSlot(std::string_view text) {
    // Length and three bytes, mixed by a multiply: names of one length that
    // share their ends ("Time", "true") still land apart.
    const auto byte = [&text](size_t at) { return static_cast<uint32_t>(static_cast<unsigned char>(text[at])); };
    const uint32_t key = static_cast<uint32_t>(text.size()) ^ (byte(0) << 8) ^ (byte(text.size() / 2) << 16) ^
                         (byte(text.size() - 1) << 24);
    return (key * 0x9E3779B1u) >> 24;
  }

  // Most names and values are short: compared in two words, not through memcmp.
  static bool SameText(const std::string& stored, std::string_view text) {
    const size_t count = text.size();
    if (stored.size() != count) return false;
    const char* a = stored.data();
    const char* b = text.data();
    if (count >= 8 && count <= 16) return SameWords<uint64_t>(a, b, count);
    if (count >= 4 && count < 8) return SameWords<uint32_t>(a, b, count);
    if (count < 4) {
      for (size_t i = 0; i < count; ++i)
        if (a[i] != b[i]) return false;
      return true;
    }
    return std::memcmp(a, b, count) == 0;
  }
  // The first and the last word of a and b, which overlap for count below
  // twice a word.
  template <class TWord>
  static bool SameWords(const char* a, const char* b, size_t count) {
    TWord a1, a2, b1, b2;
    std::memcpy(&a1, a, sizeof(TWord));
    std::memcpy(&b1, b, sizeof(TWord));
    std::memcpy(&a2, a + count - sizeof(TWord), sizeof(TWord));
    std::memcpy(&b2, b + count - sizeof(TWord), sizeof(TWord));
    return a1 == b1 && a2 == b2;
  }
  void Grow();
  // AddString through the hash table.
  int32_t Lookup(std::string_view text);

  const TDebugComponent* FOwner;
  // The entries in ID order, in blocks of kBlockSize; IDs are dense, so an ID
  // is its position + 1. An entry never moves, and there is no allocation
  // for each.
  std::vector<std::unique_ptr<TXmlRefString[]>> FBlocks;
  int32_t FCount = 0;
  // Lookup by string: an open-addressing hash table of IDs (0 = free slot),
  // at most half full. A sorted index would cost a shift of the whole index
  // for every new string, quadratic for a document of many distinct texts.
  std::vector<int32_t> FByRS;
  // The ID last added in each slot of a small table chosen by length and three
  // bytes, looked at before the hash: a file repeats the same few names and
  // values, and hashing them was an eighth of a load. 0 = none.
  std::array<int32_t, 256> FRecent{};
};
