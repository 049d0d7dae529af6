#include <string>

#include "xml/XmlDocument.h"
#include "xml/XmlMarkup.h"
#include "xml/XmlNode.h"

void TXmlCharData::SetName(const std::string& name) {
  if (!name.empty()) DoDebugOut(wsHint, "cannot set name on this type of element");
}

std::string TXmlCharData::Value() const { return UnescapeMarkup(StoredText()); }

void TXmlCharData::SetValue(const std::string& value) { SetStoredText(EscapeMarkup(value)); }

void TXmlCharData::Clear() { FCoreValueID = 0; }

const std::string& TXmlCharData::StoredText() const { return Document()->StringTable().GetString(FCoreValueID); }

void TXmlCharData::SetStoredText(std::string_view text) { FCoreValueID = Document()->StringTable().AddString(text); }

std::string TXmlCData::Value() const { return StoredText(); }

void TXmlCData::SetValue(const std::string& value) { SetStoredText(value); }

TXmlAttribute::TXmlAttribute(TXmlDocument* document)
    : TXmlNode(document), FCoreValue(std::make_unique<TXmlQuotedText>(document)) {
  LinkParent(*FCoreValue, this);
}

TXmlAttribute::~TXmlAttribute() = default;

std::string TXmlAttribute::Name() const { return Document()->StringTable().GetString(FNameID); }

void TXmlAttribute::SetName(const std::string& name) { FNameID = Document()->StringTable().AddString(name); }

std::string TXmlAttribute::Value() const { return FCoreValue->Value(); }

void TXmlAttribute::SetValue(const std::string& value) { FCoreValue->SetValue(value); }

void TXmlAttribute::Clear() { FCoreValue->Clear(); }
