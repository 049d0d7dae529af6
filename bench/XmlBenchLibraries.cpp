#include "XmlBenchLibraries.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <tinyxml2.h>

#include <pugixml.hpp>
#include <stdexcept>

#include "xml/XmlDocument.h"

namespace {

std::wstring WidePath(const std::string& path) { return std::wstring(path.begin(), path.end()); }

class TTollivaneLibrary : public TBenchLibrary {
 public:
  const char* Name() const override { return "Tollivane"; }
  void Prepare() override { FDocument = TXmlDocument::Create(); }
  void Load(const std::string& path) override {
    FDocument->LoadFromFile(WidePath(path));
    // What the alarm store does after loading data.xml.
    FDocument->SetXmlFormat(xfReadable);
  }
  void Save(const std::string& path) override { FDocument->SaveToFile(WidePath(path)); }
  void Release() override { FDocument.reset(); }
  size_t EntryCount() const override {
    const TXmlElement* root = FDocument->Root();
    return root ? static_cast<size_t>(root->NodeCount()) : 0;
  }
  std::string LastEntryField(const std::string& name) const override {
    const TXmlElement* root = FDocument->Root();
    const TXmlNode* entry = root ? root->Nodes(root->NodeCount() - 1) : nullptr;
    return entry ? entry->ReadString(name, "") : "";
  }

 private:
  std::unique_ptr<TXmlDocument> FDocument;
};

class TPugiXmlLibrary : public TBenchLibrary {
 public:
  const char* Name() const override { return "pugixml"; }
  void Prepare() override { FDocument = std::make_unique<pugi::xml_document>(); }
  void Load(const std::string& path) override {
    const pugi::xml_parse_result result = FDocument->load_file(path.c_str());
    if (!result) throw std::runtime_error(std::string("pugixml: ") + result.description());
  }
  void Save(const std::string& path) override {
    if (!FDocument->save_file(path.c_str(), "\t", pugi::format_default, pugi::encoding_utf8))
      throw std::runtime_error("pugixml: cannot save " + path);
  }
  void Release() override { FDocument.reset(); }
  size_t EntryCount() const override {
    size_t count = 0;
    for (pugi::xml_node entry = FDocument->document_element().first_child(); entry; entry = entry.next_sibling())
      if (entry.type() == pugi::node_element) ++count;
    return count;
  }
  std::string LastEntryField(const std::string& name) const override {
    return FDocument->document_element().last_child().child(name.c_str()).text().get();
  }

 private:
  std::unique_ptr<pugi::xml_document> FDocument;
};

class TTinyXml2Library : public TBenchLibrary {
 public:
  const char* Name() const override { return "tinyxml2"; }
  void Prepare() override { FDocument = std::make_unique<tinyxml2::XMLDocument>(); }
  void Load(const std::string& path) override {
    if (FDocument->LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS)
      throw std::runtime_error(std::string("tinyxml2: ") + FDocument->ErrorStr());
  }
  void Save(const std::string& path) override {
    if (FDocument->SaveFile(path.c_str(), false) != tinyxml2::XML_SUCCESS)
      throw std::runtime_error("tinyxml2: cannot save " + path);
  }
  void Release() override { FDocument.reset(); }
  size_t EntryCount() const override {
    size_t count = 0;
    for (const tinyxml2::XMLElement* entry = FDocument->RootElement()->FirstChildElement(); entry;
         entry = entry->NextSiblingElement())
      ++count;
    return count;
  }
  std::string LastEntryField(const std::string& name) const override {
    const tinyxml2::XMLElement* field = FDocument->RootElement()->LastChildElement()->FirstChildElement(name.c_str());
    const char* text = field ? field->GetText() : nullptr;
    return text ? text : "";
  }

 private:
  std::unique_ptr<tinyxml2::XMLDocument> FDocument;
};

class TLibXml2Library : public TBenchLibrary {
 public:
  TLibXml2Library() {
    xmlInitParser();
    // Indentation for the formatted save, as the others write it.
    xmlKeepBlanksDefault(0);
    xmlTreeIndentString = "\t";
  }
  ~TLibXml2Library() override {
    Release();
    xmlCleanupParser();
  }
  const char* Name() const override { return "libxml2"; }
  void Prepare() override {}
  void Load(const std::string& path) override {
    // Blank text between elements is dropped, as the other three do by default.
    FDocument = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NOBLANKS | XML_PARSE_NONET);
    if (!FDocument) throw std::runtime_error("libxml2: cannot parse " + path);
  }
  void Save(const std::string& path) override {
    if (xmlSaveFormatFileEnc(path.c_str(), FDocument, "UTF-8", 1) < 0)
      throw std::runtime_error("libxml2: cannot save " + path);
  }
  void Release() override {
    if (FDocument) xmlFreeDoc(FDocument);
    FDocument = nullptr;
  }
  size_t EntryCount() const override { return xmlChildElementCount(xmlDocGetRootElement(FDocument)); }
  std::string LastEntryField(const std::string& name) const override {
    for (xmlNode* field = xmlLastElementChild(xmlDocGetRootElement(FDocument))->children; field; field = field->next)
      if (field->type == XML_ELEMENT_NODE && name == reinterpret_cast<const char*>(field->name)) {
        xmlChar* content = xmlNodeGetContent(field);
        std::string text = content ? reinterpret_cast<const char*>(content) : "";
        xmlFree(content);
        return text;
      }
    return "";
  }

 private:
  xmlDoc* FDocument = nullptr;
};

}  // namespace

std::vector<std::unique_ptr<TBenchLibrary>> MakeBenchLibraries() {
  std::vector<std::unique_ptr<TBenchLibrary>> libraries;
  libraries.push_back(std::make_unique<TTollivaneLibrary>());
  libraries.push_back(std::make_unique<TPugiXmlLibrary>());
  libraries.push_back(std::make_unique<TTinyXml2Library>());
  libraries.push_back(std::make_unique<TLibXml2Library>());
  return libraries;
}
