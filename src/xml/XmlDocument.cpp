#include "xml/XmlDocument.h"

namespace {

void AddAttribute(TXmlNode& node, const std::string& name, const std::string& value) {
  auto attribute = std::make_unique<TXmlAttribute>(node.Document());
  attribute->SetName(name);
  attribute->SetValue(value);
  node.NodeAdd(std::move(attribute));
}

}  // namespace

TXmlDocument::TXmlDocument() : FStringTable(this) {}

TXmlDocument::~TXmlDocument() { FRootNodes.Clear(); }

std::unique_ptr<TXmlDocument> TXmlDocument::Create() { return CreateEx(false, true); }

std::unique_ptr<TXmlDocument> TXmlDocument::CreateName(const std::string& rootName) {
  std::unique_ptr<TXmlDocument> document = CreateEx(true, true);
  document->Root()->SetName(rootName);
  return document;
}

std::unique_ptr<TXmlDocument> TXmlDocument::CreateEx(bool hasDeclaration, bool hasRootElement) {
  std::unique_ptr<TXmlDocument> document(new TXmlDocument());
  document->Clear();
  document->FFixStructuralErrors = false;
  if (hasDeclaration) {
    auto declaration = std::make_unique<TXmlDeclaration>(document.get());
    AddAttribute(*declaration, "version", "1.0");
    AddAttribute(*declaration, "encoding", "UTF-8");
    document->FRootNodes.Add(std::move(declaration));
  }
  if (hasRootElement) document->FRootNodes.Add(std::make_unique<TXmlElement>(document.get()));
  return document;
}

void TXmlDocument::Clear() {
  FRootNodes.Clear();
  FStringTable.Clear();
  // Move-assigned: assigning the literal trips GCC 12's false -Wrestrict at -O2.
  FIndentString = std::string("\t");
  FPreserveWhiteSpace = false;
  FExternalEncoding = seUTF8;
  FNodeClosingStyle = ncClose;
  FDirectCloseTag = std::string("/>");
  FXmlFormat = xfCompact;
  FEolStyle = esWindows;
  FWriteOnDefault = true;
}

TXmlElement* TXmlDocument::Root() const {
  for (int32_t i = 0; i < FRootNodes.Count(); ++i) {
    TXmlNode* node = FRootNodes.Items(i);
    if (node->ElementType() == xeElement) return static_cast<TXmlElement*>(node);
  }
  return nullptr;
}
