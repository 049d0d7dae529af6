#include "xml/XmlStringTable.h"

#include <functional>

namespace {
size_t HashOf(std::string_view text) { return std::hash<std::string_view>{}(text); }
}  // namespace

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
