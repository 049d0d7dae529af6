#include "xml/XmlStringTable.h"

#include <algorithm>

namespace {

// Byte count first, then the bytes from both ends inwards (first, last,
// second, second-to-last, ...): texts of one document often share a prefix and
// differ at the end, so this settles most comparisons in a byte or two.
int CompareRefText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  size_t front = 0;
  size_t back = a.size();
  while (front < back) {
    const auto fa = static_cast<unsigned char>(a[front]);
    const auto fb = static_cast<unsigned char>(b[front]);
    if (fa != fb) return fa < fb ? -1 : 1;
    ++front;
    if (front == back) break;
    --back;
    const auto ba = static_cast<unsigned char>(a[back]);
    const auto bb = static_cast<unsigned char>(b[back]);
    if (ba != bb) return ba < bb ? -1 : 1;
  }
  return 0;
}

}  // namespace

int32_t TXmlStringTable::AddString(std::string_view text) {
  if (text.empty()) return 0;
  const auto pos = std::lower_bound(FByRS.begin(), FByRS.end(), text,
                                    [](const std::unique_ptr<TXmlRefString>& entry, std::string_view t) {
                                      return CompareRefText(entry->FFirst, t) < 0;
                                    });
  if (pos != FByRS.end() && CompareRefText((*pos)->FFirst, text) == 0) {
    ++(*pos)->FFrequency;
    return (*pos)->FID;
  }
  const int32_t id = FByID.empty() ? 1 : FByID.back()->FID + 1;
  auto entry = std::make_unique<TXmlRefString>(id, text);
  FByID.push_back(entry.get());
  FByRS.insert(pos, std::move(entry));
  return id;
}

const std::string& TXmlStringTable::GetString(int32_t id) const {
  static const std::string kEmpty;
  if (id <= 0) return kEmpty;
  const auto pos = std::lower_bound(FByID.begin(), FByID.end(), id,
                                    [](const TXmlRefString* entry, int32_t value) { return entry->FID < value; });
  if (pos == FByID.end() || (*pos)->FID != id) {
    DoDebugOut(wsWarn, "string ID not found");
    return kEmpty;
  }
  return (*pos)->FFirst;
}

void TXmlStringTable::Clear() {
  FByID.clear();
  FByRS.clear();
}

const TXmlRefString* TXmlStringTable::EntryInIdOrder(int32_t position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return FByID[static_cast<size_t>(position)];
}

const TXmlRefString* TXmlStringTable::EntryInStringOrder(int32_t position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return FByRS[static_cast<size_t>(position)].get();
}
