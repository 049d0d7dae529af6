#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "xml/XmlDocument.h"

namespace {

std::vector<TXmlElementType> TopLevelTypes(const TXmlDocument& document) {
  std::vector<TXmlElementType> types;
  for (int32_t i = 0; i < document.RootNodes().Count(); ++i)
    types.push_back(document.RootNodes().Items(i)->ElementType());
  return types;
}

void ExpectOutputDefaults(const TXmlDocument& document) {
  EXPECT_EQ(document.XmlFormat(), xfCompact);
  EXPECT_EQ(document.EolStyle(), esWindows);
  EXPECT_EQ(document.IndentString(), "\t");
  EXPECT_EQ(document.NodeClosingStyle(), ncClose);
  EXPECT_EQ(document.DirectCloseTag(), "/>");
  EXPECT_FALSE(document.PreserveWhiteSpace());
  EXPECT_TRUE(document.WriteOnDefault());
  EXPECT_EQ(document.ExternalEncoding(), seUTF8);
}

TEST(XmlDocument, CreateHoldsOnlyAnUnnamedRootWithDefaultSettings) {
  std::unique_ptr<TXmlDocument> document = TXmlDocument::Create();
  EXPECT_EQ(TopLevelTypes(*document), std::vector<TXmlElementType>{xeElement});
  ASSERT_NE(document->Root(), nullptr);
  EXPECT_EQ(document->Root()->Name(), "");
  EXPECT_EQ(document->Root()->Parent(), nullptr);
  EXPECT_EQ(document->Root()->NodeCount(), 0);
  ExpectOutputDefaults(*document);
  EXPECT_FALSE(document->FixStructuralErrors());
  EXPECT_FALSE(document->ParserWarnings());
  EXPECT_FALSE(document->AbortParsing());
  EXPECT_EQ(document->ExternalCodepage(), 0);
  EXPECT_FALSE(document->ExternalBomInfo().HasBOM);
  EXPECT_EQ(document->ExternalBomInfo().Len, 0);
}

TEST(XmlDocument, CreateNameAddsTheDeclarationBeforeTheNamedRoot) {
  std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateName("Root");
  EXPECT_EQ(TopLevelTypes(*document), (std::vector<TXmlElementType>{xeDeclaration, xeElement}));
  EXPECT_EQ(document->Root(), document->RootNodes().Items(1));
  EXPECT_EQ(document->Root()->Name(), "Root");
  EXPECT_EQ(document->Root()->NodeCount(), 0);

  const TXmlNode* declaration = document->RootNodes().Items(0);
  ASSERT_EQ(declaration->NodeCount(), 2);
  EXPECT_EQ(declaration->DirectNodeCount(), 2);
  EXPECT_EQ(declaration->Nodes(0)->Name(), "version");
  EXPECT_EQ(declaration->Nodes(0)->Value(), "1.0");
  EXPECT_EQ(declaration->Nodes(1)->Name(), "encoding");
  EXPECT_EQ(declaration->Nodes(1)->Value(), "UTF-8");
  EXPECT_EQ(document->ExternalEncoding(), seUTF8);
  ExpectOutputDefaults(*document);
}

TEST(XmlDocument, CreateExAddsWhatItIsAskedFor) {
  struct TCase {
    bool HasDeclaration;
    bool HasRoot;
    std::vector<TXmlElementType> Types;
  };
  const TCase cases[] = {
      {false, false, {}},
      {true, false, {xeDeclaration}},
      {false, true, {xeElement}},
      {true, true, {xeDeclaration, xeElement}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.HasDeclaration) + std::to_string(c.HasRoot));
    std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateEx(c.HasDeclaration, c.HasRoot);
    EXPECT_EQ(TopLevelTypes(*document), c.Types);
    EXPECT_EQ(document->Root() != nullptr, c.HasRoot);
    ExpectOutputDefaults(*document);
  }
}

TEST(XmlDocument, ClearDropsEveryNodeAndStringAndRestoresOutputSettings) {
  std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateName("Root");
  document->Root()->NodeNew("Entry")->WriteString("Note", "Alarm", "");
  document->SetXmlFormat(xfReadable);
  document->SetEolStyle(esLinux);
  document->SetIndentString("  ");
  document->SetNodeClosingStyle(ncFull);
  document->SetPreserveWhiteSpace(true);
  document->SetWriteOnDefault(false);
  document->SetExternalEncoding(seUTF16LE);
  document->SetExternalCodepage(1252);
  document->SetFixStructuralErrors(true);

  document->Clear();
  EXPECT_EQ(document->Root(), nullptr);
  EXPECT_EQ(document->RootNodes().Count(), 0);
  EXPECT_EQ(document->StringTable().Count(), 0);
  ExpectOutputDefaults(*document);
  // Settings of reading and the code page are not output settings.
  EXPECT_EQ(document->ExternalCodepage(), 1252);
  EXPECT_TRUE(document->FixStructuralErrors());

  document->RootNodes().Add(std::make_unique<TXmlElement>(document.get()));
  document->Root()->SetName("Fresh");
  EXPECT_EQ(document->StringTable().AddString("Fresh"), 1);
}

TEST(XmlDocument, RootIsTheFirstTopLevelElement) {
  std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateEx(true, false);
  TXmlNodeList& nodes = document->RootNodes();
  nodes.Add(std::make_unique<TXmlComment>(document.get()));
  nodes.Add(std::make_unique<TXmlDocType>(document.get()));
  EXPECT_EQ(document->Root(), nullptr);

  auto first = std::make_unique<TXmlElement>(document.get());
  TXmlElement* firstPtr = first.get();
  nodes.Add(std::move(first));
  nodes.Add(std::make_unique<TXmlElement>(document.get()));
  EXPECT_EQ(document->Root(), firstPtr);

  nodes.Delete(3);
  ASSERT_NE(document->Root(), nullptr);
  EXPECT_EQ(document->Root(), nodes.Items(3));
}

TEST(XmlDocument, TheTopLevelListReportsBadIndexesLikeAChildList) {
  std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateName("Root");
  TXmlNodeList& nodes = document->RootNodes();
  EXPECT_EQ(nodes.Items(-1), nullptr);
  EXPECT_EQ(nodes.Items(2), nullptr);
  try {
    nodes.Delete(2);
    ADD_FAILURE() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
  EXPECT_THROW(nodes.Extract(-1), EListError);
  EXPECT_THROW(nodes.Insert(3, std::make_unique<TXmlComment>(document.get())), EListError);
  EXPECT_EQ(nodes.Count(), 2);
}

// The alarm store's use: entries addressed by position among the root's children.
TEST(XmlDocument, EntriesAreAddressedByTheirPositionUnderTheRoot) {
  std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateName("Root");
  TXmlElement* root = document->Root();
  for (const char* time : {"07:30", "12:00", "18:45"}) root->NodeNew("Entry")->WriteString("Time", time, "");
  root->NodeInsert(1, std::make_unique<TXmlComment>(document.get()));
  ASSERT_EQ(root->NodeCount(), 4);
  EXPECT_EQ(root->Nodes(2)->ReadString("Time", ""), "12:00");

  root->NodeDelete(2);
  EXPECT_EQ(root->NodeCount(), 3);
  EXPECT_EQ(root->Nodes(2)->ReadString("Time", ""), "18:45");
  EXPECT_EQ(root->Nodes(3), nullptr);
}

TEST(XmlDocument, InternsSharedNamesAndValuesOnce) {
  std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateName("Root");
  for (int i = 0; i < 50; ++i) {
    TXmlNode* entry = document->Root()->NodeNew("Entry");
    entry->WriteBool("Loop", true, false);
    entry->WriteInteger("SoundVolum", 100, 0);
  }
  // version, 1.0, encoding, UTF-8, Root, Entry, Loop, true, SoundVolum, 100
  EXPECT_EQ(document->StringTable().Count(), 10);
}

}  // namespace
