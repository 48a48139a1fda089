#pragma once

// The XML DOM the program reads and writes documents through: handles to the
// nodes of a libxml2 tree, with the members named as the DOM names them.
//
// Every handle (node, list, document) holds a reference to the tree it came
// from, so a node stays readable however long it outlives the document
// variable or wrapper it was taken from. Handles are cheap to copy; a
// default-constructed one is null (the DOM's nil) and answers every query with
// an empty value.
//
// Parsing never resolves external entities, never loads a DTD and never
// touches the network. Whitespace-only text between elements is dropped while
// parsing; whitespace inside text (and text made only of blanks when it is an
// element's whole content) is kept as written. Selection is XPath 1.0.

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/exception.h"
#include "platform/base/ref_counted.h"
#include "platform/variant/variant.h"

struct _xmlNode;

namespace halbrin {

// Node kinds, numbered as the DOM numbers them.
enum class XmlNodeType : int {
  None = 0,  // a null handle
  Element = 1,
  Attribute = 2,
  Text = 3,
  CDataSection = 4,
  EntityReference = 5,
  Entity = 6,
  ProcessingInstruction = 7,
  Comment = 8,
  Document = 9,
  DocumentType = 10,
  DocumentFragment = 11,
  Notation = 12,
};

// Why the last load of a document failed; errorCode 0 after a successful load.
struct XmlParseError {
  int errorCode = 0;  // the parser's error number
  std::string reason;
  int line = 0;     // from 1; 0 when the failure has no position (a missing file)
  int linepos = 0;  // column, from 1
  std::string url;  // the file; empty for a text
};

HALBRIN_EXCEPTION(EXmlException, platform::Exception);
// An XML operation that cannot be done: an invalid XPath expression or name, a
// node moved where it cannot go, a document that cannot be written.
HALBRIN_EXCEPTION(EXmlDOMException, EXmlException);

// A file or text that does not load; the message is the parser's reason text.
class EXmlDOMDocument : public EXmlDOMException {
 public:
  explicit EXmlDOMDocument(XmlParseError error) : EXmlDOMException(error.reason), m_error(std::move(error)) {}
  std::string_view ClassName() const noexcept override { return "EXmlDOMDocument"; }

  const XmlParseError& ParseError() const noexcept { return m_error; }
  int Line() const noexcept { return m_error.line; }
  int Column() const noexcept { return m_error.linepos; }

 private:
  XmlParseError m_error;
};

// The offset of the first character of UTF-8 text that no XML 1.0 document
// can hold, not even as a reference (U+0000 to U+001F other than tab, LF and
// CR; U+FFFE, U+FFFF), or std::string_view::npos.
std::size_t FindNonXmlCharacter(std::string_view text) noexcept;
// "The character U+0001 cannot be written into an XML file" for the character at `offset`.
std::string NonXmlCharacterMessage(std::string_view text, std::size_t offset);

class XmlTree;
class XmlDocument;
class XmlNodeList;
class XmlNamedNodeMap;
struct XmlAccess;

// One node of a tree: element, attribute, text, comment, the document itself...
class XmlNode {
 public:
  XmlNode() noexcept;
  XmlNode(const XmlNode& other) noexcept;
  XmlNode(XmlNode&& other) noexcept;
  XmlNode& operator=(const XmlNode& other) noexcept;
  XmlNode& operator=(XmlNode&& other) noexcept;
  ~XmlNode();

  explicit operator bool() const noexcept { return m_node != nullptr; }
  // The same node (not equal content).
  friend bool operator==(const XmlNode& a, const XmlNode& b) noexcept { return a.m_node == b.m_node; }

  XmlNodeType nodeType() const noexcept;
  // The qualified name ("new:caption"), or "#text", "#comment", "#cdata-section", "#document".
  std::string nodeName() const;
  // The name without its prefix ("caption" for "new:caption"); empty for text and the document.
  std::string baseName() const;
  // The prefix of the name ("new" for "new:caption"), declared or not.
  std::string prefix() const;
  // The namespace the name is bound to; empty when none (also for an undeclared prefix).
  std::string namespaceURI() const;

  // The text of an attribute, text, CDATA, comment or processing instruction;
  // Null for elements, the document and a null handle.
  platform::Variant nodeValue() const;
  // The text of the node and all its descendants, as written (comments excluded).
  std::string text() const;
  // The node as XML text (UTF-8). For the document: a declaration naming
  // XmlEncoding(), then the content (UTF-8 whatever the declaration says, as
  // every text held in memory is).
  std::string xml() const;

  // Null for the document and for attributes (an attribute is not a child).
  XmlNode parentNode() const;
  // Children exist on elements and the document only.
  XmlNode firstChild() const;
  XmlNode lastChild() const;
  // Null for attributes; the document's children include the document type.
  XmlNode previousSibling() const;
  XmlNode nextSibling() const;
  bool hasChildNodes() const;
  // The source line the node was parsed from, from 1; 0 when not known.
  int lineNumber() const noexcept;
  // A snapshot of the children in document order (later changes do not show in it).
  XmlNodeList childNodes() const;
  // The document holding the node; null for the document itself.
  XmlDocument ownerDocument() const;

  // The attributes of an element in document order (namespace declarations
  // are not attributes); empty for other nodes.
  XmlNamedNodeMap attributes() const;
  // The value of the attribute with this qualified name, or Null when the
  // element has none (or this is not an element).
  platform::Variant getAttribute(std::string_view name) const;
  XmlNode getAttributeNode(std::string_view name) const;
  // Sets or adds an attribute of this element; a prefix bound in scope puts
  // it in that namespace, any other prefix stays part of the name.
  // Raises EXmlDOMException for a null handle, a non-element, an invalid name
  // or a value that is not UTF-8 or holds a character no XML file can hold.
  void setAttribute(std::string_view name, std::string_view value);

  // XPath 1.0 with this node as the context; prefixes declared in scope of the
  // node may be used. The first node in document order, or null.
  // An invalid expression, or one that selects no node set (count(...)),
  // raises EXmlDOMException. A null handle selects nothing.
  XmlNode selectSingleNode(std::string_view xpath) const;
  // Every selected node, in document order.
  XmlNodeList selectNodes(std::string_view xpath) const;

  // Moves the child (a new node or one from elsewhere in the same tree) to
  // the end of this element's or document's children and returns it. Raises
  // EXmlDOMException for a node of another document, a node this one is
  // inside of, a kind that cannot go there, or a second top-level element.
  XmlNode appendChild(const XmlNode& child);

  // The document node as a document handle; null for other nodes.
  XmlDocument AsDocument() const;

 private:
  friend struct XmlAccess;
  XmlNode(platform::RefPtr<XmlTree> tree, _xmlNode* node) noexcept;

  platform::RefPtr<XmlTree> m_tree;
  _xmlNode* m_node = nullptr;
};

// A list of nodes in document order, fixed when it was made.
class XmlNodeList {
 public:
  class Iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = XmlNode;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = XmlNode;

    Iterator() noexcept = default;
    Iterator(const XmlNodeList* list, int index) noexcept : m_list(list), m_index(index) {}
    XmlNode operator*() const { return m_list->item(m_index); }
    Iterator& operator++() noexcept {
      ++m_index;
      return *this;
    }
    Iterator operator++(int) noexcept {
      Iterator before = *this;
      ++m_index;
      return before;
    }
    friend bool operator==(const Iterator& a, const Iterator& b) noexcept { return a.m_index == b.m_index; }

   private:
    const XmlNodeList* m_list = nullptr;
    int m_index = 0;
  };

  XmlNodeList() noexcept;
  XmlNodeList(const XmlNodeList& other);
  XmlNodeList(XmlNodeList&& other) noexcept;
  XmlNodeList& operator=(const XmlNodeList& other);
  XmlNodeList& operator=(XmlNodeList&& other) noexcept;
  ~XmlNodeList();

  int length() const noexcept { return static_cast<int>(m_nodes.size()); }
  // Null outside 0..length-1.
  XmlNode item(int index) const;

  Iterator begin() const noexcept { return Iterator(this, 0); }
  Iterator end() const noexcept { return Iterator(this, length()); }

 private:
  friend struct XmlAccess;
  XmlNodeList(platform::RefPtr<XmlTree> tree, std::vector<_xmlNode*> nodes) noexcept;

  platform::RefPtr<XmlTree> m_tree;
  std::vector<_xmlNode*> m_nodes;
};

// The attributes of an element.
class XmlNamedNodeMap : public XmlNodeList {
 public:
  XmlNamedNodeMap() noexcept = default;

  // The attribute with this qualified name, or null.
  XmlNode getNamedItem(std::string_view name) const;

 private:
  friend struct XmlAccess;
  explicit XmlNamedNodeMap(XmlNodeList list) noexcept : XmlNodeList(std::move(list)) {}
};

// The document node, with the operations that make and load documents.
//
// load and loadXML make this handle refer to the newly parsed tree; nodes
// (and other document handles) taken before keep the tree they came from.
class XmlDocument : public XmlNode {
 public:
  // A null handle; load and loadXML work on it.
  XmlDocument() noexcept = default;
  // A new document without content.
  static XmlDocument Create();

  // The top-level element, or null for a document without one.
  XmlNode documentElement() const;

  // New nodes of this document, outside its tree until appended. Raise
  // EXmlDOMException for a null handle, an invalid name or a text that is not
  // UTF-8 or holds a character no XML file can hold (see FindNonXmlCharacter).
  XmlNode createElement(std::string_view tagName);
  XmlNode createTextNode(std::string_view data);

  // Loads a file, honouring its byte-order mark or else its declared encoding.
  // A failure raises EXmlDOMDocument and leaves this handle on an empty
  // document whose parseError() tells why.
  void load(std::string_view path);
  // Loads a file's bytes held in memory as load reads them; `url` names
  // them in the parse error.
  void loadBytes(std::string_view bytes, std::string_view url = {});
  // Loads a text held in memory: UTF-8 whatever its declaration names.
  void loadXML(std::string_view text);
  // Writes the document to a file, declared and encoded in XmlEncoding();
  // characters that encoding lacks become character references, and what the
  // writer would put out so that it reads back otherwise (a "<" in a namespace
  // URI) is escaped. Raises EXmlDOMException when the encoding is unknown or
  // the file cannot be written.
  void save(std::string_view path) const;

  // Why the load that made this document failed; empty after a success.
  XmlParseError parseError() const;

 private:
  friend struct XmlAccess;
  friend class XmlNode;
  explicit XmlDocument(XmlNode node) noexcept : XmlNode(std::move(node)) {}
};

}  // namespace halbrin
