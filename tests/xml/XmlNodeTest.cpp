#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "xml/XmlNode.h"

namespace {

using Names = std::vector<std::string>;

class XmlNodeTest : public ::testing::Test {
 protected:
  void SetUp() override { CaptureDiagnostics(*document, diagnostics); }

  // An element with the layout of a loaded start tag and content:
  // attributes id and kind, its text "text", then the elements a and b.
  TXmlElement* MakeItem() {
    TXmlElement* item = static_cast<TXmlElement*>(root->NodeNew("Item"));
    item->NodeNew("a");
    item->NodeAdd(MakeAttribute(*document, "id", "7"));
    item->SetValue("text");
    item->NodeAdd(MakeAttribute(*document, "kind", "x"));
    item->NodeNew("b");
    return item;
  }

  std::unique_ptr<TXmlDocument> document = TXmlDocument::CreateName("Root");
  TXmlElement* root = document->Root();
  std::vector<TDiagnostic> diagnostics;
};

TEST_F(XmlNodeTest, NodesOutsideTheListIsNull) {
  TXmlElement* item = MakeItem();
  for (const int32_t index : {-1, item->NodeCount(), item->NodeCount() + 1, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(item->Nodes(index), nullptr);
  }
  TXmlNode* text = item->Nodes(item->ValueIndex());
  EXPECT_EQ(text->NodeCount(), 0);
  EXPECT_EQ(text->Nodes(0), nullptr);
}

TEST_F(XmlNodeTest, AttributesAndWhitespaceGoToTheStartTagAreaAndTheTextFollowsIt) {
  TXmlElement* item = MakeItem();
  EXPECT_EQ(ChildNames(*item), (Names{"id", "kind", "CharData", "a", "b"}));
  EXPECT_EQ(item->DirectNodeCount(), 2);
  EXPECT_EQ(item->AttributeCount(), 2);
  EXPECT_EQ(item->ChildContainerCount(), 2);
  EXPECT_EQ(item->ValueIndex(), 2);
  EXPECT_EQ(item->Value(), "text");

  EXPECT_EQ(item->NodeAdd(std::make_unique<TXmlWhiteSpace>(document.get())), 2);
  EXPECT_EQ(item->NodeAdd(std::make_unique<TXmlComment>(document.get())), 6);
  EXPECT_EQ(item->NodeAdd(nullptr), -1);
  EXPECT_EQ(ChildNames(*item), (Names{"id", "kind", "WhiteSpace", "CharData", "a", "b", "Comment"}));
  EXPECT_EQ(item->DirectNodeCount(), 3);
  EXPECT_EQ(item->AttributeCount(), 2);
  EXPECT_EQ(item->Value(), "text");
  for (int32_t i = 0; i < item->NodeCount(); ++i) EXPECT_EQ(item->Nodes(i)->Parent(), item);
}

TEST_F(XmlNodeTest, NodeNewAppendsAChildOfTheContainersOwnClass) {
  TXmlElement* item = MakeItem();
  TXmlNode* added = item->NodeNew("c");
  EXPECT_EQ(item->Nodes(item->NodeCount() - 1), added);
  EXPECT_EQ(added->Name(), "c");
  EXPECT_EQ(added->Parent(), item);

  const TXmlElementType containers[] = {xeElement, xeDocType, xeDtdElement, xeDtdAttList, xeDtdEntity, xeDtdNotation};
  for (const TXmlElementType type : containers) {
    SCOPED_TRACE(XmlElementTypeName(type));
    std::unique_ptr<TXmlNode> parent = NewXmlNode(document.get(), type);
    EXPECT_EQ(parent->NodeNew("child")->ElementType(), type);
  }
}

TEST_F(XmlNodeTest, NodeDeleteOutsideTheListFailsAndChangesNothing) {
  TXmlElement* item = MakeItem();
  const Names before = ChildNames(*item);
  for (const int32_t index : {item->NodeCount(), item->NodeCount() + 3, -1}) {
    SCOPED_TRACE(index);
    try {
      item->NodeDelete(index);
      ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), ("List index out of bounds (" + std::to_string(index) + ")").c_str());
    }
    EXPECT_EQ(ChildNames(*item), before);
    EXPECT_EQ(item->DirectNodeCount(), 2);
    EXPECT_EQ(item->Value(), "text");
  }
}

// Whatever is added or removed around the text node, Value keeps reading it,
// and clearing the value removes that node and nothing else.
TEST_F(XmlNodeTest, ValueFollowsItsTextNodeThroughOtherChanges) {
  struct TCase {
    const char* Description;
    std::function<void(TXmlElement&)> Change;
    int32_t DirectAfter;
    Names After;  // children after the change and after SetValue("")
  };
  const TCase cases[] = {
      {"delete the first attribute", [](TXmlElement& e) { e.NodeDelete(0); }, 1, {"kind", "a", "b"}},
      {"extract the second attribute", [](TXmlElement& e) { e.NodeExtract(e.Nodes(1)); }, 1, {"id", "a", "b"}},
      {"remove an element after the text", [](TXmlElement& e) { e.NodeRemove(e.Nodes(3)); }, 2, {"id", "kind", "b"}},
      {"add an attribute",
       [this](TXmlElement& e) { e.NodeAdd(MakeAttribute(*document, "n", "1")); },
       3,
       {"id", "kind", "n", "a", "b"}},
      {"insert an element in front",
       [this](TXmlElement& e) { e.NodeInsert(0, std::make_unique<TXmlElement>(document.get())); },
       2,
       {"id", "kind", "", "a", "b"}},
      {"insert a comment at the text's place",
       [this](TXmlElement& e) { e.NodeInsert(2, std::make_unique<TXmlComment>(document.get())); },
       2,
       {"id", "kind", "Comment", "a", "b"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Description);
    root->NodesClear();
    TXmlElement* item = MakeItem();
    c.Change(*item);
    EXPECT_EQ(item->DirectNodeCount(), c.DirectAfter);
    EXPECT_EQ(item->Value(), "text");
    item->SetValue("changed");
    EXPECT_EQ(item->Value(), "changed");
    item->SetValue("");
    EXPECT_EQ(ChildNames(*item), c.After);
    EXPECT_EQ(item->ValueIndex(), -1);
  }
}

TEST_F(XmlNodeTest, DeletingTheTextNodeLeavesNoValueAndSparesTheOthers) {
  TXmlElement* item = MakeItem();
  item->NodeDelete(2);
  EXPECT_EQ(item->ValueIndex(), -1);
  EXPECT_EQ(item->Value(), "");
  item->SetValue("");
  EXPECT_EQ(ChildNames(*item), (Names{"id", "kind", "a", "b"}));
  item->SetValue("again");
  EXPECT_EQ(ChildNames(*item), (Names{"id", "kind", "CharData", "a", "b"}));
  EXPECT_EQ(item->Value(), "again");
}

TEST_F(XmlNodeTest, NodeInsertKeepsEachNodeOnItsSideOfTheStartTagArea) {
  TXmlElement* item = MakeItem();
  item->NodeInsert(5, MakeAttribute(*document, "late", ""));
  item->NodeInsert(0, std::make_unique<TXmlComment>(document.get()));
  item->NodeInsert(1, MakeAttribute(*document, "early", ""));
  EXPECT_EQ(ChildNames(*item), (Names{"id", "early", "kind", "late", "Comment", "CharData", "a", "b"}));
  EXPECT_EQ(item->DirectNodeCount(), 4);
  EXPECT_EQ(item->Value(), "text");

  for (const int32_t index : {-1, item->NodeCount() + 1}) {
    SCOPED_TRACE(index);
    EXPECT_THROW(item->NodeInsert(index, std::make_unique<TXmlComment>(document.get())), EListError);
  }
  item->NodeInsert(0, nullptr);
  EXPECT_EQ(item->NodeCount(), 8);
}

TEST_F(XmlNodeTest, NodeExtractHandsOverTheNodeWithItsSubtree) {
  TXmlElement* item = MakeItem();
  TXmlNode* a = item->Nodes(3);
  a->NodeNew("inner")->SetValue("deep");

  std::unique_ptr<TXmlNode> extracted = item->NodeExtract(a);
  ASSERT_EQ(extracted.get(), a);
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(ChildNames(*item), (Names{"id", "kind", "CharData", "b"}));
  EXPECT_EQ(item->NodeExtract(a), nullptr);
  EXPECT_EQ(item->NodeIndexOf(a), -1);

  root->NodeAdd(std::move(extracted));
  EXPECT_EQ(a->Parent(), root);
  EXPECT_EQ(root->NodeIndexOf(a), 1);
  EXPECT_EQ(a->ReadString("inner", "?"), "deep");
  EXPECT_EQ(a->Nodes(0)->TreeDepth(), 2);
}

TEST_F(XmlNodeTest, NodeRemoveIgnoresANodeThatIsNotAChild) {
  TXmlElement* item = MakeItem();
  TXmlNode* other = root->NodeNew("Other");
  item->NodeRemove(other);
  item->NodeRemove(nullptr);
  EXPECT_EQ(item->NodeCount(), 5);
  item->NodeRemove(item->Nodes(4));
  EXPECT_EQ(ChildNames(*item), (Names{"id", "kind", "CharData", "a"}));
}

TEST_F(XmlNodeTest, NodesClearEmptiesTheListAndItsBookkeeping) {
  TXmlElement* item = MakeItem();
  item->NodesClear();
  EXPECT_EQ(item->NodeCount(), 0);
  EXPECT_EQ(item->DirectNodeCount(), 0);
  EXPECT_EQ(item->ValueIndex(), -1);
  EXPECT_EQ(item->Value(), "");
  item->NodeAdd(MakeAttribute(*document, "id", "1"));
  item->SetValue("new");
  EXPECT_EQ(ChildNames(*item), (Names{"id", "CharData"}));
  EXPECT_EQ(item->Value(), "new");
}

TEST_F(XmlNodeTest, NodeByNameIgnoresCaseAsUnicodeAndTakesTheFirstMatch) {
  TXmlElement* entry = static_cast<TXmlElement*>(root->NodeNew("Entry"));
  TXmlNode* time = entry->NodeNew("Time");
  TXmlNode* umlaut = entry->NodeNew("\xC3\x84rger");                                        // Ärger
  TXmlNode* cyrillic = entry->NodeNew("\xD0\x91\xD1\x83\xD0\xB4\xD0\xB8\xD0\xBB\xD0\xBE");  // Будило
  entry->NodeNew("time");
  entry->SetValue("x");
  entry->NodeAdd(std::make_unique<TXmlComment>(document.get()));

  struct TCase {
    const char* Name;
    TXmlNode* Expected;
  };
  const TCase cases[] = {
      {"Time", time},
      {"TIME", time},
      {"tIme", time},
      {"\xC3\xA4RGER", umlaut},                                        // äRGER
      {"\xD0\xB1\xD0\xA3\xD0\x94\xD0\x98\xD0\x9B\xD0\x9E", cyrillic},  // бУДИЛО
      {"CharData", entry->Nodes(entry->ValueIndex())},
      {"comment", entry->Nodes(entry->NodeCount() - 1)},
      {"Tim", nullptr},
      {"Times", nullptr},
      {"", nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(entry->NodeByName(c.Name), c.Expected);
  }
}

TEST_F(XmlNodeTest, AnAttributeShadowsAnElementOfTheSameName) {
  TXmlElement* entry = static_cast<TXmlElement*>(root->NodeNew("Entry"));
  entry->WriteString("Time", "07:30", "");
  entry->NodeAdd(MakeAttribute(*document, "time", "08:00"));
  EXPECT_EQ(entry->NodeByName("Time")->ElementType(), xeAttribute);
  EXPECT_EQ(entry->ReadString("Time", ""), "08:00");
}

TEST_F(XmlNodeTest, ChildlessNodesRefuseChildOperations) {
  const char* const kAdd = "cannot add node to this type of element";
  const char* const kManipulate = "cannot manipulate nodes in this type of element";
  struct TOperation {
    const char* Name;
    std::function<void(TXmlNode&)> Run;
    const char* Error;
  };
  const TOperation operations[] = {
      {"NodeAdd", [this](TXmlNode& n) { n.NodeAdd(std::make_unique<TXmlElement>(document.get())); }, kAdd},
      {"NodeInsert", [this](TXmlNode& n) { n.NodeInsert(0, std::make_unique<TXmlElement>(document.get())); }, kAdd},
      {"NodeNew", [](TXmlNode& n) { n.NodeNew(""); }, kAdd},
      {"WriteString", [](TXmlNode& n) { n.WriteString("x", "1", ""); }, kAdd},
      {"NodeDelete", [](TXmlNode& n) { n.NodeDelete(0); }, kManipulate},
      {"NodeExtract", [](TXmlNode& n) { n.NodeExtract(nullptr); }, kManipulate},
      {"NodeRemove", [](TXmlNode& n) { n.NodeRemove(nullptr); }, kManipulate},
      {"NodesClear", [](TXmlNode& n) { n.NodesClear(); }, kManipulate},
  };
  for (const TXmlElementType type : {xeCharData, xeCData, xeComment, xeInstruction, xeQuotedText, xeAttribute}) {
    std::unique_ptr<TXmlNode> node = NewXmlNode(document.get(), type);
    for (const TOperation& operation : operations) {
      SCOPED_TRACE(std::string(XmlElementTypeName(type)) + " " + operation.Name);
      try {
        operation.Run(*node);
        ADD_FAILURE() << "no error";
      } catch (const EXmlError& e) {
        EXPECT_STREQ(e.what(), operation.Error);
      }
      EXPECT_EQ(node->NodeCount(), 0);
      EXPECT_EQ(node->NodeIndexOf(node.get()), -1);
    }
  }
}

TEST_F(XmlNodeTest, TextNodesKeepTheirNameWithAHint) {
  TXmlCharData text(document.get());
  text.SetName("");
  EXPECT_TRUE(diagnostics.empty());
  text.SetName("Note");
  EXPECT_EQ(text.Name(), "CharData");
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].Style, wsHint);
  EXPECT_EQ(diagnostics[0].Message, "cannot set name on this type of element");
  EXPECT_EQ(diagnostics[0].Sender, static_cast<const void*>(&text));

  document->OnDebugOut = nullptr;
  text.SetName("Note");  // dropped without a receiver
}

TEST_F(XmlNodeTest, TheDeclarationTakesNeitherNameNorValue) {
  TXmlNode* declaration = document->RootNodes().Items(0);
  ASSERT_EQ(declaration->ElementType(), xeDeclaration);
  EXPECT_EQ(declaration->Name(), "xml");
  EXPECT_EQ(declaration->Value(), "");
  try {
    declaration->SetName("x");
    ADD_FAILURE() << "no error";
  } catch (const EXmlError& e) {
    EXPECT_STREQ(e.what(), "cannot set name on this type of element");
  }
  try {
    declaration->SetValue("x");
    ADD_FAILURE() << "no error";
  } catch (const EXmlError& e) {
    EXPECT_STREQ(e.what(), "cannot set value on this type of element");
  }
  EXPECT_EQ(declaration->ReadString("encoding", ""), "UTF-8");
}

TEST_F(XmlNodeTest, EachTypeMakesItsClassWithItsNames) {
  struct TCase {
    TXmlElementType Type;
    TXmlElementType Reported;
    const char* TypeName;
    const char* Name;  // for nodes without a name of their own
  };
  const TCase cases[] = {
      {xeElement, xeElement, "Element", nullptr},
      {xeAttribute, xeAttribute, "Attribute", nullptr},
      {xeComment, xeComment, "Comment", "Comment"},
      {xeCData, xeCData, "CData", "CData"},
      {xeCondSection, xeComment, "Comment", "Comment"},
      {xeDeclaration, xeDeclaration, "Declaration", "xml"},
      {xeStylesheet, xeStylesheet, "Stylesheet", "xml-stylesheet"},
      {xeDocType, xeDocType, "DocType", nullptr},
      {xeDtdElement, xeDtdElement, "DtdElement", nullptr},
      {xeDtdAttList, xeDtdAttList, "DtdAttList", nullptr},
      {xeDtdEntity, xeDtdEntity, "DtdEntity", nullptr},
      {xeDtdNotation, xeDtdNotation, "DtdNotation", nullptr},
      {xeInstruction, xeInstruction, "Instruction", "PI"},
      {xeCharData, xeCharData, "CharData", "CharData"},
      {xeWhiteSpace, xeWhiteSpace, "WhiteSpace", "WhiteSpace"},
      {xeQuotedText, xeQuotedText, "QuotedText", "QuotedText"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.TypeName);
    std::unique_ptr<TXmlNode> node = NewXmlNode(document.get(), c.Type);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->ElementType(), c.Reported);
    EXPECT_EQ(node->ElementTypeName(), c.TypeName);
    EXPECT_EQ(node->Document(), document.get());
    if (c.Name != nullptr) {
      EXPECT_EQ(node->Name(), c.Name);
    } else {
      node->SetName("Named");
      EXPECT_EQ(node->Name(), "Named");
    }
  }
  for (const TXmlElementType type : {xeUnknown, xeEndTag, xeError})
    EXPECT_EQ(NewXmlNode(document.get(), type), nullptr) << XmlElementTypeName(type);
  EXPECT_STREQ(XmlElementTypeName(xeCondSection), "ConditionalSection");
  EXPECT_STREQ(XmlElementTypeName(xeEndTag), "EndTag");
}

TEST_F(XmlNodeTest, ANodeNeedsADocument) {
  for (const TXmlElementType type : {xeElement, xeAttribute, xeCharData, xeDocType}) {
    SCOPED_TRACE(XmlElementTypeName(type));
    try {
      NewXmlNode(nullptr, type);
      ADD_FAILURE() << "no error";
    } catch (const EXmlError& e) {
      EXPECT_STREQ(e.what(), "XML owner is not assigned");
    }
  }
}

TEST_F(XmlNodeTest, ANodeOfAnotherDocumentIsRefused) {
  std::unique_ptr<TXmlDocument> other = TXmlDocument::CreateName("Other");
  auto foreign = std::make_unique<TXmlElement>(other.get());
  foreign->SetName("Foreign");
  EXPECT_THROW(root->NodeAdd(std::move(foreign)), EXmlError);
  EXPECT_THROW(root->NodeInsert(0, std::make_unique<TXmlElement>(other.get())), EXmlError);
  EXPECT_EQ(root->NodeCount(), 0);
}

TEST_F(XmlNodeTest, TreeDepthCountsAncestors) {
  TXmlNode* entry = root->NodeNew("Entry");
  TXmlNode* field = entry->NodeNew("Time");
  auto attribute = MakeAttribute(*document, "id", "1");
  TXmlAttribute* attributePtr = attribute.get();
  field->NodeAdd(std::move(attribute));

  EXPECT_EQ(root->TreeDepth(), 0);
  EXPECT_EQ(document->RootNodes().Items(0)->TreeDepth(), 0);
  EXPECT_EQ(entry->TreeDepth(), 1);
  EXPECT_EQ(field->TreeDepth(), 2);
  EXPECT_EQ(attributePtr->TreeDepth(), 3);
  EXPECT_EQ(attributePtr->CoreValue()->Parent(), attributePtr);
  EXPECT_EQ(attributePtr->CoreValue()->TreeDepth(), 4);
}

TEST_F(XmlNodeTest, LayoutTextFollowsFormatDepthAndLineEnds) {
  TXmlNode* field = root->NodeNew("Entry")->NodeNew("Time");
  struct TCase {
    TXmlFormatType Format;
    TXmlEolStyle Eol;
    const char* Indent;
    const char* LineEnd;
  };
  const TCase cases[] = {
      {xfReadable, esWindows, "\t\t", "\r\n"},
      {xfReadable, esLinux, "\t\t", "\n"},
      {xfCompact, esWindows, "", ""},
      {xfPreserve, esWindows, "", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Format) * 10 + static_cast<int>(c.Eol));
    document->SetXmlFormat(c.Format);
    document->SetEolStyle(c.Eol);
    EXPECT_EQ(field->IndentText(), c.Indent);
    EXPECT_EQ(field->LineEndText(), c.LineEnd);
    EXPECT_EQ(root->IndentText(), "");
  }
  document->SetXmlFormat(xfReadable);
  document->SetIndentString("  ");
  EXPECT_EQ(field->IndentText(), "    ");
}

TEST_F(XmlNodeTest, OnlyContainersAfterTheStartTagAreElementChildren) {
  TXmlElement* entry = static_cast<TXmlElement*>(root->NodeNew("Entry"));
  entry->NodeAdd(MakeAttribute(*document, "id", "1"));
  entry->SetValue("text");
  entry->NodeAdd(std::make_unique<TXmlComment>(document.get()));
  EXPECT_FALSE(entry->HasElementChildren());
  EXPECT_EQ(entry->ChildContainerCount(), 0);
  entry->NodeNew("Time");
  EXPECT_TRUE(entry->HasElementChildren());
  EXPECT_EQ(entry->ChildContainerCount(), 1);
}

TEST_F(XmlNodeTest, ClearEmptiesContentAndKeepsTheName) {
  TXmlElement* item = MakeItem();
  item->Clear();
  EXPECT_EQ(item->NodeCount(), 0);
  EXPECT_EQ(item->Name(), "Item");

  auto attribute = MakeAttribute(*document, "id", "1");
  attribute->Clear();
  EXPECT_EQ(attribute->Value(), "");
  EXPECT_EQ(attribute->Name(), "id");
}

}  // namespace
