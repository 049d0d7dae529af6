#include "xml/XmlStringTable.h"

#include <functional>

namespace {
size_t HashOf(std::string_view text) { return std::hash<std::string_view>{}(text); }

size_t RecentSlot(std::string_view text) {
  return (text.size() * 31 + static_cast<unsigned char>(text.front()) + static_cast<unsigned char>(text.back()) * 7) &
         63;
}
}  // namespace

int32_t TXmlStringTable::AddString(std::string_view text) {
  if (text.empty()) return 0;
  int32_t& recent = FRecent[RecentSlot(text)];
  if (recent != 0) {
    TXmlRefString& entry = *FByID[static_cast<size_t>(recent - 1)];
    if (entry.FFirst == text) {
      ++entry.FFrequency;
      return recent;
    }
  }
  recent = Lookup(text);
  return recent;
}

int32_t TXmlStringTable::Lookup(std::string_view text) {
  if ((FByID.size() + 1) * 2 > FByRS.size()) Grow();
  const size_t mask = FByRS.size() - 1;
  size_t slot = HashOf(text) & mask;
  while (const int32_t id = FByRS[slot]) {
    TXmlRefString& entry = *FByID[static_cast<size_t>(id - 1)];
    if (entry.FFirst == text) {
      ++entry.FFrequency;
      return id;
    }
    slot = (slot + 1) & mask;
  }
  const int32_t id = Count() + 1;
  FByID.push_back(std::make_unique<TXmlRefString>(id, text));
  FByRS[slot] = id;
  return id;
}

void TXmlStringTable::Grow() {
  std::vector<int32_t> slots(FByRS.empty() ? 64 : FByRS.size() * 2, 0);
  const size_t mask = slots.size() - 1;
  for (const auto& entry : FByID) {
    size_t slot = HashOf(entry->FFirst) & mask;
    while (slots[slot]) slot = (slot + 1) & mask;
    slots[slot] = entry->FID;
  }
  FByRS.swap(slots);
}

const std::string& TXmlStringTable::GetString(int32_t id) const {
  static const std::string kEmpty;
  if (id <= 0) return kEmpty;
  if (id > Count()) {
    DoDebugOut(wsWarn, "string ID not found");
    return kEmpty;
  }
  return FByID[static_cast<size_t>(id - 1)]->FFirst;
}

void TXmlStringTable::Clear() {
  FByID.clear();
  FByRS.clear();
  FRecent.fill(0);
}

const TXmlRefString* TXmlStringTable::EntryInIdOrder(int32_t position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return FByID[static_cast<size_t>(position)].get();
}
