#include "xml/XmlNode.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

#include "system/TextCompare.h"
#include "xml/XmlDocument.h"

namespace {

bool SameAsciiIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// A number counts as a Boolean (non-zero is true). The number format is fixed,
// not the user's locale: optional sign, "." as decimal point, optional
// exponent; no blanks, no hex, no inf or nan, and the whole text.
bool TryParseBool(std::string_view text, bool& result) {
  // from_chars takes a minus sign but no plus sign.
  std::string_view number = text;
  std::string_view digits = text;
  if (!text.empty() && text.front() == '+') {
    number.remove_prefix(1);
    digits = number;
  } else if (!text.empty() && text.front() == '-') {
    digits.remove_prefix(1);
  }
  if (!digits.empty() && ((digits.front() >= '0' && digits.front() <= '9') || digits.front() == '.')) {
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc() && end == number.data() + number.size()) {
      result = value != 0;
      return true;
    }
  }
  if (SameAsciiIgnoreCase(text, "true")) {
    result = true;
    return true;
  }
  if (SameAsciiIgnoreCase(text, "false")) {
    result = false;
    return true;
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Leading spaces, an optional sign, then decimal digits or hex digits after
// "$", "x", "X", "0x" or "0X"; the whole text, within int32.
bool TryParseInteger(std::string_view text, int32_t& result) {
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  int base = 10;
  const std::string_view rest = text.substr(pos);
  if (rest.starts_with("$") || rest.starts_with("x") || rest.starts_with("X")) {
    base = 16;
    pos += 1;
  } else if (rest.starts_with("0x") || rest.starts_with("0X")) {
    base = 16;
    pos += 2;
  }
  if (pos >= text.size()) return false;
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : static_cast<int64_t>(std::numeric_limits<int32_t>::max());
  int64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = HexDigit(text[pos]);
    if (digit < 0 || digit >= base) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return false;
  }
  result = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

bool IsDirectKind(const TXmlNode& node) {
  const TXmlElementType type = node.ElementType();
  return type == xeAttribute || type == xeWhiteSpace;
}

bool IsContainer(const TXmlNode* node) { return IsContainerType(node->ElementType()); }

}  // namespace

// ---------------------------------------------------------------------------
// TXmlNodeList

TXmlNodeList::~TXmlNodeList() { Clear(); }

int32_t TXmlNodeList::IndexOf(const TXmlNode* node) const {
  if (node == nullptr) return -1;
  const TXmlNode* const* items = Data();
  for (uint32_t i = 0; i < FCount; ++i)
    if (items[i] == node) return static_cast<int32_t>(i);
  return -1;
}

void TXmlNodeList::Reserve(uint32_t capacity) {
  if (capacity <= FCapacity) return;
  uint32_t grown = FCapacity < 4 ? 4 : FCapacity * 2;
  if (grown < capacity) grown = capacity;
  auto** many = new TXmlNode*[grown];
  std::copy(Data(), Data() + FCount, many);
  if (FCapacity > 1) delete[] FMany;
  FMany = many;
  FCapacity = grown;
}

int32_t TXmlNodeList::AddGrowing(std::unique_ptr<TXmlNode> node) {
  Insert(Count(), std::move(node));
  return Count() - 1;
}

void TXmlNodeList::Insert(int32_t index, std::unique_ptr<TXmlNode> node) {
  if (index < 0 || index > Count()) throw EListError(index);
  if (FCapacity == 0) FCapacity = 1;  // the one inline slot
  if (FCount == FCapacity) Reserve(FCount + 1);
  TXmlNode** items = Data();
  std::copy_backward(items + index, items + FCount, items + FCount + 1);
  items[index] = node.release();
  ++FCount;
}

void TXmlNodeList::Delete(int32_t index) {
  // Out of the list first, so that the list is consistent while the subtree dies.
  std::unique_ptr<TXmlNode> doomed = Extract(index);
}

std::unique_ptr<TXmlNode> TXmlNodeList::Extract(int32_t index) {
  if (index < 0 || index >= Count()) throw EListError(index);
  TXmlNode** items = Data();
  std::unique_ptr<TXmlNode> node(items[index]);
  std::copy(items + index + 1, items + FCount, items + index);
  --FCount;
  return node;
}

void TXmlNodeList::MoveOut(std::vector<TXmlNode*>& out) {
  out.insert(out.end(), Data(), Data() + FCount);
  if (FCapacity > 1) delete[] FMany;
  FOne = nullptr;
  FCount = 0;
  FCapacity = 0;
}

// Destroys without recursion, so that no depth of nesting can exhaust the
// stack: each container hands its children over before it dies.
void TXmlNodeList::Clear() {
  std::vector<TXmlNode*> doomed;
  MoveOut(doomed);
  while (!doomed.empty()) {
    std::unique_ptr<TXmlNode> node(doomed.back());
    doomed.pop_back();
    if (IsContainerType(node->ElementType())) static_cast<TXmlContainerNode*>(node.get())->FNodes.MoveOut(doomed);
  }
}

// ---------------------------------------------------------------------------
// TXmlNode: the behaviour of a node that cannot hold children and has no
// name or value of its own (containers other than elements inherit the latter).

void TXmlNode::FailNoDocument() { throw EXmlError("XML owner is not assigned"); }

TXmlNode::~TXmlNode() = default;

const TDebugComponent* TXmlNode::DebugOwner() const { return FDocument; }

void TXmlNode::FailAdd() { throw EXmlError("cannot add node to this type of element"); }
void TXmlNode::FailManipulate() { throw EXmlError("cannot manipulate nodes in this type of element"); }

std::string TXmlNode::Name() const { return ""; }
bool TXmlNode::HasName(std::string_view name) const { return sys::SameTextIgnoreCase(Name(), name); }
std::string TXmlNode::Value() const { return ""; }
void TXmlNode::SetName(const std::string&) { throw EXmlError("cannot set name on this type of element"); }
void TXmlNode::SetValue(const std::string&) { throw EXmlError("cannot set value on this type of element"); }

int32_t TXmlNode::DirectNodeCount() const { return 0; }
int32_t TXmlNode::ChildContainerCount() const { return 0; }
int32_t TXmlNode::NodeCount() const { return 0; }
int32_t TXmlNode::AttributeCount() const { return 0; }
TXmlNode* TXmlNode::Nodes(int32_t) const { return nullptr; }

std::string TXmlNode::IndentText() const {
  if (FDocument->XmlFormat() != xfReadable) return "";
  std::string indent;
  const int32_t depth = TreeDepth(kLaidOutDepth + 1);
  if (depth > kLaidOutDepth) return indent;
  for (int32_t level = depth; level > 0; --level) indent += FDocument->IndentString();
  return indent;
}

std::string TXmlNode::LineEndText() const {
  if (FDocument->XmlFormat() != xfReadable || TreeDepth(kLaidOutDepth + 1) > kLaidOutDepth) return "";
  return FDocument->EolStyle() == esWindows ? "\r\n" : "\n";
}

TXmlElementType TXmlNode::ElementType() const { return xeUnknown; }
std::string TXmlNode::ElementTypeName() const { return XmlElementTypeName(ElementType()); }
void TXmlNode::Clear() {}

int32_t TXmlNode::NodeAdd(std::unique_ptr<TXmlNode>) { FailAdd(); }
void TXmlNode::NodeDelete(int32_t) { FailManipulate(); }
std::unique_ptr<TXmlNode> TXmlNode::NodeExtract(TXmlNode*) { FailManipulate(); }
void TXmlNode::NodeRemove(TXmlNode*) { FailManipulate(); }
int32_t TXmlNode::NodeIndexOf(const TXmlNode*) const { return -1; }
void TXmlNode::NodeInsert(int32_t, std::unique_ptr<TXmlNode>) { FailAdd(); }
void TXmlNode::NodesClear() { FailManipulate(); }

TXmlNode* TXmlNode::NodeFindOrCreate(std::string_view name) {
  if (TXmlNode* node = NodeByName(name)) return node;
  return NodeNew(std::string(name));
}

TXmlNode* TXmlNode::NodeNew(const std::string& name) {
  std::unique_ptr<TXmlNode> node = NewXmlNode(FDocument, ElementType());
  if (!node) FailAdd();
  node->SetName(name);
  TXmlNode* added = node.get();
  NodeAdd(std::move(node));
  return added;
}

TXmlNode* TXmlNode::NodeByName(std::string_view name) const {
  const int32_t count = NodeCount();
  for (int32_t i = 0; i < count; ++i) {
    TXmlNode* node = Nodes(i);
    if (node->HasName(name)) return node;
  }
  return nullptr;
}

int32_t TXmlNode::TreeDepth(int32_t limit) const {
  int32_t depth = 0;
  for (const TXmlNode* node = FParent; node != nullptr && depth < limit; node = node->FParent) ++depth;
  return depth;
}

bool TXmlNode::ReadBool(std::string_view name, bool def) const {
  const TXmlNode* node = NodeByName(name);
  bool result = def;
  if (node == nullptr || !TryParseBool(node->Value(), result)) return def;
  return result;
}

int32_t TXmlNode::ReadInteger(std::string_view name, int32_t def) const {
  const TXmlNode* node = NodeByName(name);
  int32_t result = def;
  if (node == nullptr || !TryParseInteger(node->Value(), result)) return def;
  return result;
}

std::string TXmlNode::ReadString(std::string_view name, const std::string& def) const {
  const TXmlNode* node = NodeByName(name);
  return node != nullptr ? node->Value() : def;
}

void TXmlNode::WriteBool(std::string_view name, bool value, bool def) {
  if (FDocument->WriteOnDefault() || value != def) NodeFindOrCreate(name)->SetValue(value ? "true" : "false");
}

void TXmlNode::WriteInteger(std::string_view name, int32_t value, int32_t def) {
  if (FDocument->WriteOnDefault() || value != def) NodeFindOrCreate(name)->SetValue(std::to_string(value));
}

void TXmlNode::WriteString(std::string_view name, const std::string& value, const std::string& def) {
  if (FDocument->WriteOnDefault() || value != def) NodeFindOrCreate(name)->SetValue(value);
}

// ---------------------------------------------------------------------------
// TXmlContainerNode

int32_t TXmlContainerNode::ChildContainerCount() const {
  int32_t count = 0;
  for (int32_t i = FDirectNodeCount; i < FNodes.Count(); ++i)
    if (IsContainer(FNodes.Items(i))) ++count;
  return count;
}

int32_t TXmlContainerNode::AttributeCount() const {
  int32_t count = 0;
  for (int32_t i = 0; i < FNodes.Count(); ++i)
    if (FNodes.Items(i)->ElementType() == xeAttribute) ++count;
  return count;
}

bool TXmlContainerNode::HasElementChildren() const {
  for (int32_t i = FDirectNodeCount; i < FNodes.Count(); ++i)
    if (IsContainer(FNodes.Items(i))) return true;
  return false;
}

void TXmlContainerNode::Clear() { NodesClear(); }

void TXmlContainerNode::CheckNewChild(const TXmlNode& node) const {
  // Its names and texts are IDs in its own document's string table.
  if (node.Document() != Document()) throw EXmlError("cannot add node of another document");
}

void TXmlContainerNode::NoteInserted(int32_t index, bool direct) {
  if (direct) ++FDirectNodeCount;
  if (FValueIndex >= index) ++FValueIndex;
}

void TXmlContainerNode::NoteRemoved(int32_t index) {
  if (index < FDirectNodeCount) --FDirectNodeCount;
  if (index == FValueIndex)
    FValueIndex = -1;
  else if (index < FValueIndex)
    --FValueIndex;
}

int32_t TXmlContainerNode::NodeAdd(std::unique_ptr<TXmlNode> node) {
  if (!node) return -1;
  CheckNewChild(*node);
  LinkParent(*node, this);
  if (IsDirectKind(*node)) {
    const int32_t index = FDirectNodeCount;
    FNodes.Insert(index, std::move(node));
    NoteInserted(index, true);
    return index;
  }
  return FNodes.Add(std::move(node));
}

void TXmlContainerNode::NodeInsert(int32_t index, std::unique_ptr<TXmlNode> node) {
  if (!node) return;
  CheckNewChild(*node);
  if (index < 0 || index > FNodes.Count()) throw EListError(index);
  // Writing puts out the first FDirectNodeCount children as the start tag and
  // only content after them: a node on the wrong side would be lost.
  const bool direct = IsDirectKind(*node);
  index = direct ? std::min(index, FDirectNodeCount) : std::max(index, FDirectNodeCount);
  LinkParent(*node, this);
  FNodes.Insert(index, std::move(node));
  NoteInserted(index, direct);
}

void TXmlContainerNode::NodeDelete(int32_t index) {
  FNodes.Delete(index);
  NoteRemoved(index);
}

std::unique_ptr<TXmlNode> TXmlContainerNode::NodeExtract(TXmlNode* node) {
  const int32_t index = FNodes.IndexOf(node);
  if (index < 0) return nullptr;
  std::unique_ptr<TXmlNode> extracted = FNodes.Extract(index);
  NoteRemoved(index);
  LinkParent(*extracted, nullptr);
  return extracted;
}

void TXmlContainerNode::NodeRemove(TXmlNode* node) {
  const int32_t index = FNodes.IndexOf(node);
  if (index >= 0) NodeDelete(index);
}

void TXmlContainerNode::NodesClear() {
  FNodes.Clear();
  FDirectNodeCount = 0;
  FValueIndex = -1;
}

// ---------------------------------------------------------------------------

std::unique_ptr<TXmlNode> NewXmlNode(TXmlDocument* document, TXmlElementType type) {
  switch (type) {
    case xeElement:
      return std::make_unique<TXmlElement>(document);
    case xeAttribute:
      return std::make_unique<TXmlAttribute>(document);
    case xeComment:
      return std::make_unique<TXmlComment>(document);
    case xeCData:
      return std::make_unique<TXmlCData>(document);
    case xeCondSection:
      return std::make_unique<TXmlConditionalSection>(document);
    case xeDeclaration:
      return std::make_unique<TXmlDeclaration>(document);
    case xeStylesheet:
      return std::make_unique<TXmlStyleSheet>(document);
    case xeDocType:
      return std::make_unique<TXmlDocType>(document);
    case xeDtdElement:
      return std::make_unique<TXmlDtdElement>(document);
    case xeDtdAttList:
      return std::make_unique<TXmlDtdAttList>(document);
    case xeDtdEntity:
      return std::make_unique<TXmlDtdEntity>(document);
    case xeDtdNotation:
      return std::make_unique<TXmlDtdNotation>(document);
    case xeInstruction:
      return std::make_unique<TXmlInstruction>(document);
    case xeCharData:
      return std::make_unique<TXmlCharData>(document);
    case xeWhiteSpace:
      return std::make_unique<TXmlWhiteSpace>(document);
    case xeQuotedText:
      return std::make_unique<TXmlQuotedText>(document);
    case xeUnknown:
    case xeEndTag:
    case xeError:
      break;
  }
  return nullptr;
}
