#pragma once
// The node tree of an XML document. Every node belongs to one document, which
// holds the string table for its names and texts and the format settings.
// A container owns its children; a child removed from it is destroyed with its
// subtree unless it is extracted. Pointers returned by lookups are not owned.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xml/XmlDebug.h"
#include "xml/XmlTypes.h"

class TXmlDocument;
class TXmlNode;
class TXmlQuotedText;
class TXmlCharData;
class TXmlParser;
class TXmlWriter;

// An owning list of nodes; the children of a container and the top-level nodes
// of a document.
class TXmlNodeList {
 public:
  TXmlNodeList() : FOne(nullptr) {}
  ~TXmlNodeList();
  TXmlNodeList(const TXmlNodeList&) = delete;
  TXmlNodeList& operator=(const TXmlNodeList&) = delete;

  int32_t Count() const { return static_cast<int32_t>(FCount); }
  // The node at index, or null outside 0..Count-1.
  TXmlNode* Items(int32_t index) const {
    return index >= 0 && static_cast<uint32_t>(index) < FCount ? Data()[index] : nullptr;
  }
  int32_t IndexOf(const TXmlNode* node) const;

  // Appends and returns the position. Inline: the reader adds every node.
  int32_t Add(std::unique_ptr<TXmlNode> node) {
    if (FCapacity == 0) FCapacity = 1;  // the one inline slot
    if (FCount == FCapacity) return AddGrowing(std::move(node));
    Data()[FCount] = node.release();
    return static_cast<int32_t>(FCount++);
  }
  // Room for capacity nodes without another allocation.
  void Reserve(uint32_t capacity);
  // index runs from 0 to Count; anything else throws EListError.
  void Insert(int32_t index, std::unique_ptr<TXmlNode> node);
  // Destroys the node at index with its subtree; a bad index throws EListError.
  void Delete(int32_t index);
  // Hands the node at index to the caller; a bad index throws EListError.
  std::unique_ptr<TXmlNode> Extract(int32_t index);
  // Destroys every node, last first.
  void Clear();

 private:
  // Most elements of an alarm file hold one child, their text: a list of
  // capacity 1 keeps it in place of the array pointer and allocates nothing.
  TXmlNode* const* Data() const { return FCapacity <= 1 ? &FOne : FMany; }
  TXmlNode** Data() { return FCapacity <= 1 ? &FOne : FMany; }
  int32_t AddGrowing(std::unique_ptr<TXmlNode> node);
  // Takes every node out, leaving the list empty; the caller owns them.
  void MoveOut(std::vector<TXmlNode*>& out);

  union {
    TXmlNode* FOne;    // FCapacity <= 1
    TXmlNode** FMany;  // FCapacity > 1, owned
  };
  uint32_t FCount = 0;
  uint32_t FCapacity = 0;
};

class TXmlNode : public TDebugPersistent {
 public:
  ~TXmlNode() override;

  // Nodes come from per-thread free lists by size: a load makes tens of
  // nodes per alarm, and malloc was a quarter of its time.
  static void* operator new(size_t size);
  static void operator delete(void* node, size_t size) noexcept;

  // The owner document; never null. It must outlive the node.
  TXmlDocument* Document() const { return FDocument; }
  // The container (or, for a quoted text, the attribute) holding this node;
  // null for top-level and detached nodes.
  TXmlNode* Parent() const { return FParent; }
  // Free for the caller.
  int32_t Tag() const { return FTag; }
  void SetTag(int32_t tag) { FTag = tag; }
  // Where the reader found the node's text.
  int64_t SourcePos() const { return FSourcePos; }
  void SetSourcePos(int64_t pos) { FSourcePos = pos; }

  virtual std::string Name() const;
  // Name() equals name, ignoring case; without a copy of the name.
  virtual bool HasName(std::string_view name) const;
  virtual std::string Value() const;
  virtual void SetName(const std::string& name);
  virtual void SetValue(const std::string& value);

  virtual int32_t DirectNodeCount() const;
  virtual int32_t ChildContainerCount() const;
  virtual int32_t NodeCount() const;
  virtual int32_t AttributeCount() const;

  // The child at index, or null when there is none; never throws.
  virtual TXmlNode* Nodes(int32_t index) const;

  // Layout for the writer: one IndentString per ancestor, and the line end,
  // both only in the readable format.
  // Nothing past kLaidOutDepth.
  virtual std::string IndentText() const;
  virtual std::string LineEndText() const;

  // Reads this node from the decoder. Returns the node itself when it is
  // complete, null when its content did not end properly.
  virtual TXmlNode* ParseStream(TXmlParser& parser);
  // Writes this part of the tree as UTF-8 text.
  virtual void WriteStream(TXmlWriter& writer) const;

  virtual TXmlElementType ElementType() const;
  virtual std::string ElementTypeName() const;
  // Empties the node's content (children, text); the name stays.
  virtual void Clear();

  // Attributes and kept whitespace go to the end of the start-tag area, every
  // other node to the end of the list. Returns the position; -1 for null.
  virtual int32_t NodeAdd(std::unique_ptr<TXmlNode> node);
  virtual void NodeDelete(int32_t index);
  // Detaches node and hands it over; null when it is not a child.
  virtual std::unique_ptr<TXmlNode> NodeExtract(TXmlNode* node);
  virtual void NodeRemove(TXmlNode* node);
  virtual int32_t NodeIndexOf(const TXmlNode* node) const;
  virtual void NodeInsert(int32_t index, std::unique_ptr<TXmlNode> node);
  virtual TXmlNode* NodeFindOrCreate(std::string_view name);
  // A new child of this node's own class, named name and added with NodeAdd.
  virtual TXmlNode* NodeNew(const std::string& name);
  virtual void NodesClear();

  // Typed access to the Value of the child found by NodeByName. A missing
  // child or a text that does not parse gives def.
  virtual bool ReadBool(std::string_view name, bool def) const;
  virtual int32_t ReadInteger(std::string_view name, int32_t def) const;
  virtual std::string ReadString(std::string_view name, const std::string& def) const;
  // Store through NodeFindOrCreate, unless WriteOnDefault is off and value
  // equals def.
  virtual void WriteBool(std::string_view name, bool value, bool def);
  virtual void WriteInteger(std::string_view name, int32_t value, int32_t def);
  virtual void WriteString(std::string_view name, const std::string& value, const std::string& def);

  // The first child whose Name matches without regard to case (as Unicode);
  // attributes come first and so shadow elements of the same name.
  TXmlNode* NodeByName(std::string_view name) const;
  // The number of ancestors, counted no further than limit.
  int32_t TreeDepth(int32_t limit = INT32_MAX) const;

  // A readable save lays out nodes down to this depth, and writes what lies
  // deeper as a compact save would: indentation that grew with the depth
  // would make the save grow with its square. No real document, and no
  // alarm file (3 deep), comes near it.
  static constexpr int32_t kLaidOutDepth = 32;

 protected:
  // Throws EXmlError when document is null. Inline: a load makes every node.
  explicit TXmlNode(TXmlDocument* document) : FDocument(document) {
    if (document == nullptr) FailNoDocument();
  }

  const TDebugComponent* DebugOwner() const override;

  static void LinkParent(TXmlNode& child, TXmlNode* parent) { child.FParent = parent; }
  [[noreturn]] static void FailNoDocument();
  [[noreturn]] static void FailAdd();
  [[noreturn]] static void FailManipulate();

 private:
  TXmlDocument* FDocument;      // not owned
  TXmlNode* FParent = nullptr;  // not owned
  int64_t FSourcePos = 0;
  int32_t FTag = 0;  // last, so that a subclass's first field fills the padding after it
};

// A node with an owned child list: the start-tag area (attributes and kept
// whitespace, the "direct" nodes) comes first, every other child after it.
class TXmlContainerNode : public TXmlNode {
 public:
  int32_t DirectNodeCount() const override { return FDirectNodeCount; }
  int32_t ChildContainerCount() const override;
  int32_t NodeCount() const override { return FNodes.Count(); }
  int32_t AttributeCount() const override;
  TXmlNode* Nodes(int32_t index) const override { return FNodes.Items(index); }

  void Clear() override;

  int32_t NodeAdd(std::unique_ptr<TXmlNode> node) override;
  void NodeDelete(int32_t index) override;
  std::unique_ptr<TXmlNode> NodeExtract(TXmlNode* node) override;
  void NodeRemove(TXmlNode* node) override;
  int32_t NodeIndexOf(const TXmlNode* node) const override { return FNodes.IndexOf(node); }
  // index runs from 0 to NodeCount (else EListError). The node is kept on its
  // own side of the start-tag area: an attribute no further than its end, any
  // other node no nearer than its end.
  void NodeInsert(int32_t index, std::unique_ptr<TXmlNode> node) override;
  void NodesClear() override;

  // Whether a child after the start-tag area is a container.
  bool HasElementChildren() const;
  // Writes the first count children: the start-tag area.
  // encoding, when not empty, is written as the value of an attribute named
  // "encoding".
  void WriteAttributeArea(TXmlWriter& writer, int32_t count, std::string_view encoding = {}) const;
  // Reader: the attributes of a start tag or declaration. Returns the
  // character that ended the list ("!", "/", ">" or "?"), or 0 when the input
  // ended.
  char ReadAttributeArea(TXmlParser& parser);
  // Position of the text node that Value reads, or -1.
  int32_t ValueIndex() const { return FValueIndex; }

 protected:
  using TXmlNode::TXmlNode;

  friend class TXmlNodeList;  // takes the children apart when it destroys a subtree

  TXmlNodeList FNodes;
  int32_t FDirectNodeCount = 0;
  // Kept pointing at its text node whatever is added or removed before it.
  int32_t FValueIndex = -1;

 private:
  void CheckNewChild(const TXmlNode& node) const;
  void NoteInserted(int32_t index, bool direct);
  void NoteRemoved(int32_t index);
};

// A set of element types, one bit each: the markup allowed in some content.
using TXmlElementTypeSet = uint32_t;
constexpr TXmlElementTypeSet XmlTypeBit(TXmlElementType type) { return TXmlElementTypeSet{1} << type; }

class TXmlElement : public TXmlContainerNode {
 public:
  explicit TXmlElement(TXmlDocument* document) : TXmlContainerNode(document) {}

  std::string Name() const override;
  bool HasName(std::string_view name) const override;
  void SetName(const std::string& name) override;
  // The text node's text, unescaped, trimmed of blank bytes, and with CR LF
  // line ends under esWindows; "" without a text node.
  std::string Value() const override;
  // Empty text removes the text node. Otherwise line ends are stored as LF, in
  // the one text node, which sits right after the start-tag area.
  void SetValue(const std::string& value) override;
  TXmlElementType ElementType() const override { return xeElement; }
  void WriteStream(TXmlWriter& writer) const override;

  // The style the reader saw; ncUnknown for a new element.
  TXmlNodeClosingStyle NodeClosingStyle() const { return FNodeClosingStyle; }
  void SetNodeClosingStyle(TXmlNodeClosingStyle style) { FNodeClosingStyle = style; }

  TXmlNode* ParseStream(TXmlParser& parser) override;
  // Reader: keeps the text up to the next "<" as a text node unless it is blank.
  void ReadTextRun(TXmlParser& parser);
  // Appends text, unless empty, as a text node read at position.
  void AddTextRun(int64_t position, std::string_view text);
  // Reader: the children up to this element's end tag, where kinds is the
  // markup allowed. This element when an end tag ended it, else null.
  TXmlNode* ReadContent(TXmlParser& parser, TXmlElementTypeSet kinds);

 protected:
  int32_t FNameID = 0;
  TXmlNodeClosingStyle FNodeClosingStyle = ncUnknown;

 private:
  // Start tag up to its end; returns the character that ended it.
  char ReadStartTag(TXmlParser& parser);
  // A child list with room for as many children as the previous sibling of
  // the same name has: an alarm entry's list then grows once, not three times.
  void ReserveAsPreviousSibling(const TXmlElement& parent);
  // This element's share of ReadContent: true when its content ended (result
  // is what ReadContent returns), false when a child element's start tag has
  // been read (child, already added, has its content still to be read).
  bool ReadChildren(TXmlParser& parser, TXmlElementTypeSet kinds, TXmlNode*& result, TXmlElement*& child);
  enum TQuickStep {
    qsNext,     // a child without content was read; read on
    qsChild,    // as ReadChildren returning false
    qsEnded,    // this element's end tag was read
    qsGeneral,  // what is next is for the general reading
  };
  TQuickStep ReadChildQuickly(TXmlParser& parser, TXmlElement*& child);
};

// The XML declaration; version and encoding are attribute children.
class TXmlDeclaration : public TXmlContainerNode {
 public:
  explicit TXmlDeclaration(TXmlDocument* document) : TXmlContainerNode(document) {}

  std::string Name() const override { return "xml"; }
  TXmlElementType ElementType() const override { return xeDeclaration; }
  TXmlNode* ParseStream(TXmlParser& parser) override;
  void WriteStream(TXmlWriter& writer) const override;
};

class TXmlDocType : public TXmlElement {
 public:
  explicit TXmlDocType(TXmlDocument* document);
  ~TXmlDocType() override;

  TXmlElementType ElementType() const override { return xeDocType; }
  void Clear() override;
  // Null when it had an internal subset, as the subset ends without an end tag.
  TXmlNode* ParseStream(TXmlParser& parser) override;
  void WriteStream(TXmlWriter& writer) const override;

  // Owned by the DOCTYPE. The external ID holds "SYSTEM", "PUBLIC" or nothing.
  TXmlCharData* ExternalId() const { return FExternalId.get(); }
  TXmlQuotedText* SystemLiteral() const { return FSystemLiteral.get(); }
  TXmlQuotedText* PubIDLiteral() const { return FPubIDLiteral.get(); }

 private:
  std::unique_ptr<TXmlCharData> FExternalId;
  std::unique_ptr<TXmlQuotedText> FSystemLiteral;
  std::unique_ptr<TXmlQuotedText> FPubIDLiteral;
};

// A markup declaration of the internal subset; its quoted literals are children.
class TXmlDtdElement : public TXmlElement {
 public:
  explicit TXmlDtdElement(TXmlDocument* document) : TXmlElement(document) {}
  TXmlElementType ElementType() const override { return xeDtdElement; }
  // Throws EXmlError when the declaration does not end with ">".
  TXmlNode* ParseStream(TXmlParser& parser) override;
  void WriteStream(TXmlWriter& writer) const override;
};

class TXmlDtdAttList : public TXmlDtdElement {
 public:
  explicit TXmlDtdAttList(TXmlDocument* document) : TXmlDtdElement(document) {}
  TXmlElementType ElementType() const override { return xeDtdAttList; }
};

class TXmlDtdEntity : public TXmlDtdElement {
 public:
  explicit TXmlDtdEntity(TXmlDocument* document) : TXmlDtdElement(document) {}
  TXmlElementType ElementType() const override { return xeDtdEntity; }
};

class TXmlDtdNotation : public TXmlDtdElement {
 public:
  explicit TXmlDtdNotation(TXmlDocument* document) : TXmlDtdElement(document) {}
  TXmlElementType ElementType() const override { return xeDtdNotation; }
};

// A text node. It stores its text escaped, as it stands between tags in a file.
class TXmlCharData : public TXmlNode {
 public:
  explicit TXmlCharData(TXmlDocument* document) : TXmlNode(document) {}

  std::string Name() const override { return "CharData"; }
  // A text node has a fixed name: a non-empty name is ignored with a wsHint.
  void SetName(const std::string& name) override;
  // The stored text unescaped; setting escapes.
  std::string Value() const override;
  void SetValue(const std::string& value) override;
  TXmlElementType ElementType() const override { return xeCharData; }
  void Clear() override;
  void WriteStream(TXmlWriter& writer) const override;

  // Lives as long as the document's string table content.
  const std::string& StoredText() const;
  void SetStoredText(std::string_view text);

 protected:
  int32_t FCoreValueID = 0;
};

// Blanks kept between attributes.
class TXmlWhiteSpace : public TXmlCharData {
 public:
  explicit TXmlWhiteSpace(TXmlDocument* document) : TXmlCharData(document) {}
  std::string Name() const override { return "WhiteSpace"; }
  TXmlElementType ElementType() const override { return xeWhiteSpace; }
};

// An attribute value or DTD literal with its quote character.
class TXmlQuotedText : public TXmlCharData {
 public:
  explicit TXmlQuotedText(TXmlDocument* document) : TXmlCharData(document) {}
  std::string Name() const override { return "QuotedText"; }
  TXmlElementType ElementType() const override { return xeQuotedText; }
  void WriteStream(TXmlWriter& writer) const override;

  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char quote) { FQuoteChar = quote; }

 private:
  char FQuoteChar = '"';
};

class TXmlComment : public TXmlCharData {
 public:
  explicit TXmlComment(TXmlDocument* document) : TXmlCharData(document) {}
  std::string Name() const override { return "Comment"; }
  TXmlElementType ElementType() const override { return xeComment; }
  TXmlNode* ParseStream(TXmlParser& parser) override;
  void WriteStream(TXmlWriter& writer) const override;
};

// Its text is stored and returned as it is: CDATA content is never escaped.
class TXmlCData : public TXmlComment {
 public:
  explicit TXmlCData(TXmlDocument* document) : TXmlComment(document) {}
  std::string Name() const override { return "CData"; }
  std::string Value() const override;
  void SetValue(const std::string& value) override;
  TXmlElementType ElementType() const override { return xeCData; }
  TXmlNode* ParseStream(TXmlParser& parser) override;
  void WriteStream(TXmlWriter& writer) const override;
};

// Behaves as a comment.
class TXmlConditionalSection : public TXmlComment {
 public:
  explicit TXmlConditionalSection(TXmlDocument* document) : TXmlComment(document) {}
};

// A processing instruction: its text is everything after "<?".
class TXmlInstruction : public TXmlCharData {
 public:
  explicit TXmlInstruction(TXmlDocument* document) : TXmlCharData(document) {}
  std::string Name() const override { return "PI"; }
  TXmlElementType ElementType() const override { return xeInstruction; }
  TXmlNode* ParseStream(TXmlParser& parser) override;
  void WriteStream(TXmlWriter& writer) const override;
};

// The "xml-stylesheet" instruction: its text is what follows the target.
class TXmlStyleSheet : public TXmlInstruction {
 public:
  explicit TXmlStyleSheet(TXmlDocument* document) : TXmlInstruction(document) {}
  std::string Name() const override { return "xml-stylesheet"; }
  TXmlElementType ElementType() const override { return xeStylesheet; }
  TXmlNode* ParseStream(TXmlParser& parser) override;
  void WriteStream(TXmlWriter& writer) const override;
};

class TXmlAttribute : public TXmlNode {
 public:
  explicit TXmlAttribute(TXmlDocument* document);
  ~TXmlAttribute() override;

  std::string Name() const override;
  void SetName(const std::string& name) override;
  // The quoted text's value: unescaped on reading, escaped on writing.
  std::string Value() const override;
  void SetValue(const std::string& value) override;
  TXmlElementType ElementType() const override { return xeAttribute; }
  void Clear() override;
  TXmlNode* ParseStream(TXmlParser& parser) override;
  void WriteStream(TXmlWriter& writer) const override;

  // Owned by the attribute, whose child it is (though not in a child list).
  TXmlQuotedText* CoreValue() const { return FCoreValue.get(); }

 private:
  int32_t FNameID = 0;
  std::unique_ptr<TXmlQuotedText> FCoreValue;
};

// The class families by element type; cheaper than dynamic_cast in loops that
// visit every node.
inline bool IsContainerType(TXmlElementType type) {
  return type == xeElement || type == xeDeclaration || (type >= xeDocType && type <= xeDtdNotation);
}
inline bool IsElementClassType(TXmlElementType type) {  // TXmlElement and its subclasses
  return type == xeElement || (type >= xeDocType && type <= xeDtdNotation);
}
inline bool IsCharDataType(TXmlElementType type) {  // TXmlCharData and its subclasses
  return type == xeComment || type == xeCData || type == xeCondSection || type == xeInstruction ||
         type == xeStylesheet || (type >= xeCharData && type <= xeQuotedText);
}

// A new node of the class for type, or null for a type without a class
// (xeUnknown, xeEndTag, xeError). Throws EXmlError when document is null.
std::unique_ptr<TXmlNode> NewXmlNode(TXmlDocument* document, TXmlElementType type);
