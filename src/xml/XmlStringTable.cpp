#include "xml/XmlStringTable.h"

#include <cstring>
#include <functional>

namespace {
size_t HashOf(std::string_view text) { return std::hash<std::string_view>{}(text); }

// Most names and values are short: compared in two words, not through memcmp.
bool SameText(const std::string& stored, std::string_view text) {
  const size_t count = text.size();
  if (stored.size() != count) return false;
  const char* a = stored.data();
  const char* b = text.data();
  if (count >= 8 && count <= 16) {
    uint64_t a1, a2, b1, b2;
    std::memcpy(&a1, a, 8);
    std::memcpy(&b1, b, 8);
    std::memcpy(&a2, a + count - 8, 8);
    std::memcpy(&b2, b + count - 8, 8);
    return a1 == b1 && a2 == b2;
  }
  if (count >= 4 && count < 8) {
    uint32_t a1, a2, b1, b2;
    std::memcpy(&a1, a, 4);
    std::memcpy(&b1, b, 4);
    std::memcpy(&a2, a + count - 4, 4);
    std::memcpy(&b2, b + count - 4, 4);
    return a1 == b1 && a2 == b2;
  }
  if (count < 4) {
    for (size_t i = 0; i < count; ++i)
      if (a[i] != b[i]) return false;
    return true;
  }
  return std::memcmp(a, b, count) == 0;
}

size_t RecentSlot(std::string_view text) {
  // Length and three bytes, mixed by a multiply: names of one length that
  // share their ends ("Time", "true") still land apart.
  const auto byte = [&text](size_t at) { return static_cast<uint32_t>(static_cast<unsigned char>(text[at])); };
  const uint32_t key = static_cast<uint32_t>(text.size()) ^ (byte(0) << 8) ^ (byte(text.size() / 2) << 16) ^
                       (byte(text.size() - 1) << 24);
  return (key * 0x9E3779B1u) >> 24;
}
}  // namespace

int32_t TXmlStringTable::AddString(std::string_view text) {
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

int32_t TXmlStringTable::Lookup(std::string_view text) {
  if ((static_cast<size_t>(FCount) + 1) * 2 > FByRS.size()) Grow();
  const size_t mask = FByRS.size() - 1;
  size_t slot = HashOf(text) & mask;
  while (const int32_t id = FByRS[slot]) {
    TXmlRefString& entry = Entry(id - 1);
    if (SameText(entry.FFirst, text)) {
      ++entry.FFrequency;
      return id;
    }
    slot = (slot + 1) & mask;
  }
  const int32_t id = Count() + 1;
  if ((FCount & (kBlockSize - 1)) == 0) FBlocks.push_back(std::make_unique<TXmlRefString[]>(kBlockSize));
  TXmlRefString& entry = Entry(FCount++);
  entry.FID = id;
  entry.FFirst = text;
  FByRS[slot] = id;
  return id;
}

void TXmlStringTable::Grow() {
  std::vector<int32_t> slots(FByRS.empty() ? 64 : FByRS.size() * 2, 0);
  const size_t mask = slots.size() - 1;
  for (int32_t position = 0; position < FCount; ++position) {
    const TXmlRefString& entry = Entry(position);
    size_t slot = HashOf(entry.FFirst) & mask;
    while (slots[slot]) slot = (slot + 1) & mask;
    slots[slot] = entry.FID;
  }
  FByRS.swap(slots);
}

const std::string& TXmlStringTable::NoString(int32_t id) const {
  static const std::string kEmpty;
  if (id > 0) DoDebugOut(wsWarn, "string ID not found");
  return kEmpty;
}

void TXmlStringTable::Clear() {
  FBlocks.clear();
  FCount = 0;
  FByRS.clear();
  FRecent.fill(0);
}

const TXmlRefString* TXmlStringTable::EntryInIdOrder(int32_t position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return &Entry(position);
}
