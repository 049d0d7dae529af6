#include <string>

#include "system/TextCompare.h"
#include "xml/XmlDocument.h"
#include "xml/XmlMarkup.h"
#include "xml/XmlNode.h"

std::string TXmlElement::Name() const { return Document()->StringTable().GetString(FNameID); }

bool TXmlElement::HasName(std::string_view name) const {
  return sys::SameTextIgnoreCase(Document()->StringTable().GetString(FNameID), name);
}

void TXmlElement::SetName(const std::string& name) { FNameID = Document()->StringTable().AddString(name); }

std::string TXmlElement::Value() const {
  const TXmlNode* text = FNodes.Items(FValueIndex);
  if (text == nullptr) return "";
  const std::string raw = text->Value();
  const std::string_view trimmed = TrimBlankBytes(raw);
  if (Document()->EolStyle() != esWindows) return std::string(trimmed);
  std::string value;
  value.reserve(trimmed.size());
  for (size_t i = 0; i < trimmed.size(); ++i) {
    // A CR already there is kept single.
    if (trimmed[i] == '\n' && (i == 0 || trimmed[i - 1] != '\r')) value += '\r';
    value += trimmed[i];
  }
  return value;
}

void TXmlElement::SetValue(const std::string& value) {
  const bool hasText = FNodes.Items(FValueIndex) != nullptr;
  if (value.empty()) {
    if (hasText) NodeDelete(FValueIndex);
    FValueIndex = -1;
    return;
  }
  std::string text;
  text.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i)
    if (!(value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n')) text += value[i];
  if (hasText) {
    FNodes.Items(FValueIndex)->SetValue(text);
    return;
  }
  auto charData = std::make_unique<TXmlCharData>(Document());
  charData->SetValue(text);
  NodeInsert(FDirectNodeCount, std::move(charData));
  FValueIndex = FDirectNodeCount;
}

TXmlDocType::TXmlDocType(TXmlDocument* document)
    : TXmlElement(document),
      FExternalId(std::make_unique<TXmlCharData>(document)),
      FSystemLiteral(std::make_unique<TXmlQuotedText>(document)),
      FPubIDLiteral(std::make_unique<TXmlQuotedText>(document)) {
  LinkParent(*FExternalId, this);
  LinkParent(*FSystemLiteral, this);
  LinkParent(*FPubIDLiteral, this);
}

TXmlDocType::~TXmlDocType() = default;

void TXmlDocType::Clear() {
  TXmlElement::Clear();
  FExternalId->Clear();
  FSystemLiteral->Clear();
  FPubIDLiteral->Clear();
}
