#include "core/foundation/xml_node.h"

#include <glib.h>
#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include "core/foundation/msxml_dom_document.h"
#include "platform/base/format.h"
#include "platform/base/glib_ptr.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

// The one place the parser is set up; it is never torn down, other users of
// libxml2 in the process may still need it.
void EnsureXmlParser() {
  static const bool ready = [] {
    xmlInitParser();
    return true;
  }();
  (void)ready;
}

template <auto FreeFn>
struct XmlDeleter {
  template <class T>
  void operator()(T* value) const noexcept {
    FreeFn(value);
  }
};

struct XmlFreeDeleter {
  void operator()(void* value) const noexcept { xmlFree(value); }
};

using XmlCharPtr = std::unique_ptr<xmlChar, XmlFreeDeleter>;
using XmlNsListPtr = std::unique_ptr<xmlNsPtr, XmlFreeDeleter>;
using DocPtr = std::unique_ptr<xmlDoc, XmlDeleter<&xmlFreeDoc>>;
using NodePtr = std::unique_ptr<xmlNode, XmlDeleter<&xmlFreeNode>>;
using ParserCtxtPtr = std::unique_ptr<xmlParserCtxt, XmlDeleter<&xmlFreeParserCtxt>>;
using XPathContextPtr = std::unique_ptr<xmlXPathContext, XmlDeleter<&xmlXPathFreeContext>>;
using XPathObjectPtr = std::unique_ptr<xmlXPathObject, XmlDeleter<&xmlXPathFreeObject>>;
using BufferPtr = std::unique_ptr<xmlBuffer, XmlDeleter<&xmlBufferFree>>;

const xmlChar* Xml(const std::string& text) { return reinterpret_cast<const xmlChar*>(text.c_str()); }

std::string ToString(const xmlChar* text) {
  return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

// Libxml2's messages end with a line break.
std::string TrimEnd(std::string text) {
  while (!text.empty() && g_ascii_isspace(text.back())) text.pop_back();
  return text;
}

// Catches everything libxml2 reports on this thread while it lives (nothing
// may reach stderr) and keeps what explains a failure.
class XmlErrorCapture {
 public:
  XmlErrorCapture() noexcept
      : m_oldStructured(xmlStructuredError),
        m_oldStructuredContext(xmlStructuredErrorContext),
        m_oldGeneric(xmlGenericError),
        m_oldGenericContext(xmlGenericErrorContext) {
    xmlSetStructuredErrorFunc(this, &XmlErrorCapture::OnStructured);
    xmlSetGenericErrorFunc(this, &XmlErrorCapture::OnGeneric);
  }
  XmlErrorCapture(const XmlErrorCapture&) = delete;
  XmlErrorCapture& operator=(const XmlErrorCapture&) = delete;
  ~XmlErrorCapture() {
    xmlSetStructuredErrorFunc(m_oldStructuredContext, m_oldStructured);
    xmlSetGenericErrorFunc(m_oldGenericContext, m_oldGeneric);
  }

  bool HasError() const noexcept { return m_fatal || m_error; }

  // A fatal error is the cause; errors before it (an undeclared prefix) are not.
  std::optional<XmlParseError> Cause() const { return m_fatal ? m_fatal : m_error; }

  std::string Reason() const {
    std::optional<XmlParseError> cause = Cause();
    return cause ? cause->reason : std::string("unknown error");
  }

 private:
  static void OnStructured(void* data, xmlErrorPtr error) {
    try {
      static_cast<XmlErrorCapture*>(data)->Record(error);
    } catch (...) {
      // Out of memory while copying a message: the failure still shows as
      // a failed call, only without its reason.
    }
  }
  static void OnGeneric(void* /*data*/, const char* /*message*/, ...) {}

  void Record(const xmlError* error) {
    if (!error || error->level < XML_ERR_ERROR) return;
    std::optional<XmlParseError>& slot = error->level == XML_ERR_FATAL ? m_fatal : m_error;
    if (slot) return;
    XmlParseError recorded;
    recorded.errorCode = error->code;
    recorded.reason = TrimEnd(error->message ? error->message : "");
    if (recorded.reason.empty()) recorded.reason = Format("XML error %d", {error->code});
    recorded.line = error->line;
    recorded.linepos = error->int2;
    recorded.url = error->file ? error->file : "";
    slot = std::move(recorded);
  }

  xmlStructuredErrorFunc m_oldStructured;
  void* m_oldStructuredContext;
  xmlGenericErrorFunc m_oldGeneric;
  void* m_oldGenericContext;
  std::optional<XmlParseError> m_fatal;
  std::optional<XmlParseError> m_error;
};

bool HasChildList(const xmlNode* node) {
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE:
      return true;
    default:
      return false;
  }
}

bool IsDocument(const xmlNode* node) { return node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE; }

const xmlNs* NamespaceOf(const xmlNode* node) {
  if (node->type == XML_ELEMENT_NODE) return node->ns;
  if (node->type == XML_ATTRIBUTE_NODE) return reinterpret_cast<const xmlAttr*>(node)->ns;
  return nullptr;
}

bool HasQualifiedName(const xmlNode* node) {
  return node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE;
}

std::string QualifiedName(const xmlNode* node) {
  std::string name = ToString(node->name);
  const xmlNs* ns = NamespaceOf(node);
  if (ns && ns->prefix) return ToString(ns->prefix) + ":" + name;
  return name;
}

// Text for a quoted namespace URI: the library's writer puts the URI between
// quotes as it is, so a "<" read from a reference would make the saved file
// unreadable, and a tab or line break read from one would come back as a
// blank. Without a raw double quote the writer always picks double quotes.
// (The parser keeps an ampersand of a URI as "&#38;", which is right as it is.)
std::string EscapedNamespaceUri(std::string_view uri) {
  std::string out;
  for (char c : uri) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default: out += c;
    }
  }
  return out;
}

bool NeedsEscaping(const xmlChar* uri) {
  return uri && std::strpbrk(reinterpret_cast<const char*>(uri), "<\"\t\n\r") != nullptr;
}

// Whether this library's writer escapes namespace URIs itself (later
// versions may); asked once by writing one.
bool WriterEscapesNamespaceUris() {
  static const bool escapes = [] {
    DocPtr doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    if (!doc) throw std::bad_alloc();
    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, reinterpret_cast<const xmlChar*>("r"), nullptr);
    if (!root) throw std::bad_alloc();
    xmlDocSetRootElement(doc.get(), root);
    if (!xmlNewNs(root, reinterpret_cast<const xmlChar*>("<"), nullptr)) throw std::bad_alloc();
    BufferPtr buffer(xmlBufferCreate());
    if (!buffer) throw std::bad_alloc();
    xmlNodeDump(buffer.get(), doc.get(), root, 0, 0);
    const std::string_view text(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                                static_cast<std::size_t>(xmlBufferLength(buffer.get())));
    return text.find("&lt;") != std::string_view::npos;
  }();
  return escapes;
}

// While it lives, the namespace URIs declared in a branch hold their escaped
// text, so the writer puts out what reads back as the URI; restored after.
class EscapedNamespaceUris {
 public:
  explicit EscapedNamespaceUris(xmlNode* top) {
    if (WriterEscapesNamespaceUris()) return;
    try {
      // Depth first without recursion: a built tree may be deeply nested.
      for (xmlNode* node = top; node; node = Next(node, top)) {
        if (node->type != XML_ELEMENT_NODE) continue;
        for (xmlNs* ns = node->nsDef; ns; ns = ns->next) Escape(ns);
      }
    } catch (...) {
      Restore();
      throw;
    }
  }
  EscapedNamespaceUris(const EscapedNamespaceUris&) = delete;
  EscapedNamespaceUris& operator=(const EscapedNamespaceUris&) = delete;
  ~EscapedNamespaceUris() { Restore(); }

 private:
  struct Swapped {
    xmlNs* ns;
    const xmlChar* original;
  };

  static xmlNode* Next(xmlNode* node, xmlNode* top) {
    const bool container = node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE ||
                           node->type == XML_HTML_DOCUMENT_NODE;
    if (container && node->children) return node->children;
    for (; node && node != top; node = node->parent) {
      if (node->next) return node->next;
    }
    return nullptr;
  }

  void Restore() noexcept {
    for (const Swapped& swapped : m_swapped) {
      xmlFree(const_cast<xmlChar*>(swapped.ns->href));
      swapped.ns->href = swapped.original;
    }
    m_swapped.clear();
  }

  void Escape(xmlNs* ns) {
    if (!NeedsEscaping(ns->href)) return;
    const std::string escaped = EscapedNamespaceUri(reinterpret_cast<const char*>(ns->href));
    m_swapped.reserve(m_swapped.size() + 1);
    xmlChar* copy = xmlStrdup(reinterpret_cast<const xmlChar*>(escaped.c_str()));
    if (!copy) throw std::bad_alloc();
    m_swapped.push_back({ns, ns->href});
    ns->href = copy;
  }

  std::vector<Swapped> m_swapped;
};

std::string Serialize(xmlNode* node, int options) {
  XmlErrorCapture capture;
  const EscapedNamespaceUris escaped(node);
  BufferPtr buffer(xmlBufferCreate());
  if (!buffer) throw std::bad_alloc();
  xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer.get(), "UTF-8", options);
  if (!save) throw EXmlDOMException(Format("The node cannot be written: %s", {capture.Reason()}));
  if (IsDocument(node))
    xmlSaveDoc(save, reinterpret_cast<xmlDoc*>(node));
  else
    xmlSaveTree(save, node);
  xmlSaveClose(save);
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

bool IsUtf8(std::string_view text) { return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr); }

// Text for a node: a character no file could hold would make the document unsaveable.
void RequireXmlText(std::string_view text) {
  if (const std::size_t at = FindNonXmlCharacter(text); at != std::string_view::npos)
    throw EXmlDOMException(NonXmlCharacterMessage(text, at));
  if (!IsUtf8(text)) throw EXmlDOMException("The text is not valid UTF-8");
}

void RequireName(std::string_view name) {
  std::string text(name);
  if (!IsUtf8(name) || name.empty() || xmlValidateQName(Xml(text), 0) != 0)
    throw EXmlDOMException(Format("Invalid XML name \"%s\"", {text}));
}

// A character the output encoding lacks becomes a character reference, which
// is right in text and attribute values only: in a name it makes the file
// unreadable, in a comment, CDATA section or processing instruction it
// changes the content. Such a document is refused instead.
class RepresentableCheck {
 public:
  explicit RepresentableCheck(std::string encoding) : m_encoding(std::move(encoding)) {}

  void Document(xmlDoc* doc) const {
    if (g_ascii_strncasecmp(m_encoding.c_str(), "UTF", 3) == 0 ||
        g_ascii_strncasecmp(m_encoding.c_str(), "UCS", 3) == 0)
      return;
    xmlNode* top = reinterpret_cast<xmlNode*>(doc);
    for (xmlNode* node = doc->children; node; node = Next(node, top)) Node(node);
  }

 private:
  static xmlNode* Next(xmlNode* node, xmlNode* top) {
    if (node->type == XML_ELEMENT_NODE && node->children) return node->children;
    for (; node && node != top; node = node->parent) {
      if (node->next) return node->next;
    }
    return nullptr;
  }

  void Node(const xmlNode* node) const {
    switch (node->type) {
      case XML_ELEMENT_NODE:
        Text(node->name);
        for (const xmlNs* ns = node->nsDef; ns; ns = ns->next) Text(ns->prefix);
        for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) Text(attribute->name);
        break;
      case XML_PI_NODE:
        Text(node->name);
        Text(node->content);
        break;
      case XML_COMMENT_NODE:
      case XML_CDATA_SECTION_NODE:
        Text(node->content);
        break;
      case XML_ENTITY_REF_NODE:
      case XML_DTD_NODE:
        Text(node->name);
        break;
      default:
        break;
    }
  }

  void Text(const xmlChar* text) const {
    if (!text) return;
    const char* chars = reinterpret_cast<const char*>(text);
    if (std::all_of(chars, chars + std::strlen(chars), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      return;
    GErrorPtr error;
    GCharPtr converted(g_convert(chars, -1, m_encoding.c_str(), "UTF-8", nullptr, nullptr, Out(error)));
    // An encoding the library knows and iconv does not cannot be checked here.
    if (!converted && error && g_error_matches(error.get(), G_CONVERT_ERROR, G_CONVERT_ERROR_ILLEGAL_SEQUENCE))
      throw EXmlDOMException(
          Format("The document cannot be written in %s: \"%s\" has characters it lacks", {m_encoding, chars}));
  }

  std::string m_encoding;
};

bool HasUtf8Bom(std::string_view bytes) { return bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF"; }

}  // namespace

// The tree every handle refers to: the parsed document and the nodes created
// for it that are not (or no longer) inside it.
class XmlTree final : public RefCounted {
 public:
  XmlTree(DocPtr doc, XmlParseError error) : m_doc(std::move(doc)), m_parseError(std::move(error)) {}

  xmlDoc* Doc() const noexcept { return m_doc.get(); }
  xmlNode* DocNode() const noexcept { return reinterpret_cast<xmlNode*>(m_doc.get()); }
  const XmlParseError& ParseError() const noexcept { return m_parseError; }
  bool Failed() const noexcept { return !m_parseError.reason.empty(); }

  // Keeps a created node until the tree goes; returns it.
  xmlNode* Adopt(NodePtr node) {
    if (!node) throw std::bad_alloc();
    m_created.push_back(node.get());
    return node.release();
  }

 private:
  ~XmlTree() override {
    // A created node that never got (or was moved out of) the document is
    // freed with the top of the detached branch it is in, once per branch.
    std::vector<xmlNode*> detached;
    for (xmlNode* node : m_created) {
      xmlNode* top = node;
      while (top->parent) top = top->parent;
      if (top != DocNode() && std::find(detached.begin(), detached.end(), top) == detached.end())
        detached.push_back(top);
    }
    for (xmlNode* top : detached) xmlFreeNode(top);
  }

  DocPtr m_doc;
  std::vector<xmlNode*> m_created;
  XmlParseError m_parseError;
};

// Builds handles from the parts the classes keep to themselves.
struct XmlAccess {
  static XmlNode Node(const RefPtr<XmlTree>& tree, xmlNode* node) { return node ? XmlNode(tree, node) : XmlNode(); }
  static xmlNode* Raw(const XmlNode& node) noexcept { return node.m_node; }
  static XmlTree* Tree(const XmlNode& node) noexcept { return node.m_tree.Get(); }
  static XmlNodeList List(const RefPtr<XmlTree>& tree, std::vector<xmlNode*> nodes) {
    return XmlNodeList(tree, std::move(nodes));
  }
  static XmlNamedNodeMap Map(XmlNodeList list) { return XmlNamedNodeMap(std::move(list)); }
  static XmlDocument Document(const RefPtr<XmlTree>& tree) { return XmlDocument(Node(tree, tree->DocNode())); }
  static const std::vector<xmlNode*>& Nodes(const XmlNodeList& list) noexcept { return list.m_nodes; }
  static const RefPtr<XmlTree>& TreeRef(const XmlNode& node) noexcept { return node.m_tree; }
  static const RefPtr<XmlTree>& TreeRef(const XmlNodeList& list) noexcept { return list.m_tree; }
};

namespace {

RefPtr<XmlTree> EmptyTree(XmlParseError error = {}) {
  EnsureXmlParser();
  DocPtr doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
  if (!doc) throw std::bad_alloc();
  return RefPtr<XmlTree>(new XmlTree(std::move(doc), std::move(error)));
}

XmlParseError FailureOf(std::string reason, const std::string& url) {
  XmlParseError error;
  error.errorCode = XML_ERR_INTERNAL_ERROR;
  error.reason = std::move(reason);
  error.url = url;
  return error;
}

enum class XmlSource { File, Text };

// Parses a file's bytes (its own encoding) or a text (UTF-8). External
// entities stay unexpanded references, no DTD is read, nothing is fetched.
RefPtr<XmlTree> ParseTree(std::string_view bytes, const std::string& url, XmlSource source) {
  EnsureXmlParser();
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return EmptyTree(FailureOf("The document is too large", url));

  XmlErrorCapture capture;
  ParserCtxtPtr context(xmlNewParserCtxt());
  if (!context) throw std::bad_alloc();
  context->sax->externalSubset = nullptr;

  int options = XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_BIG_LINES;
  const char* encoding = nullptr;
  // A byte-order mark outranks the declaration: a UTF-8 file that still says
  // windows-1251 would otherwise come out garbled.
  if (source == XmlSource::Text || HasUtf8Bom(bytes)) {
    options |= XML_PARSE_IGNORE_ENC;
    encoding = "UTF-8";
  }
  DocPtr doc(xmlCtxtReadMemory(context.get(), bytes.data(), static_cast<int>(bytes.size()),
                               url.empty() ? nullptr : url.c_str(), encoding, options));
  if (doc && context->wellFormed) return RefPtr<XmlTree>(new XmlTree(std::move(doc), {}));

  doc.reset();
  std::optional<XmlParseError> cause = capture.Cause();
  if (!cause) cause = FailureOf("The document is not well-formed", url);
  if (cause->url.empty()) cause->url = url;
  return EmptyTree(std::move(*cause));
}

RefPtr<XmlTree> LoadFileTree(const std::string& path) {
  GCharPtr contents;
  gsize length = 0;
  GErrorPtr error;
  if (!g_file_get_contents(path.c_str(), Out(contents), &length, Out(error))) {
    XmlParseError failure = FailureOf(error ? error->message : "The file cannot be read", path);
    failure.errorCode = XML_IO_LOAD_ERROR;
    return EmptyTree(std::move(failure));
  }
  return ParseTree(std::string_view(contents.get(), length), path, XmlSource::File);
}

void RegisterNamespaces(xmlXPathContext* context, xmlDoc* doc, xmlNode* node) {
  xmlNode* scope = node;
  if (IsDocument(node))
    scope = xmlDocGetRootElement(doc);
  else if (node->type != XML_ELEMENT_NODE)
    scope = node->parent;
  if (!scope || scope->type != XML_ELEMENT_NODE) return;
  XmlNsListPtr list(xmlGetNsList(doc, scope));
  if (!list) return;
  for (xmlNsPtr* ns = list.get(); *ns; ++ns) {
    if ((*ns)->prefix && (*ns)->href) xmlXPathRegisterNs(context, (*ns)->prefix, (*ns)->href);
  }
}

std::vector<xmlNode*> Select(const XmlTree& tree, xmlNode* node, std::string_view xpath) {
  std::string expression(xpath);
  if (expression.find('\0') != std::string::npos)
    throw EXmlDOMException(Format("Invalid XPath expression \"%s\"", {expression.c_str()}));

  XmlErrorCapture capture;
  XPathContextPtr context(xmlXPathNewContext(tree.Doc()));
  if (!context) throw std::bad_alloc();
  context->node = node;
  RegisterNamespaces(context.get(), tree.Doc(), node);

  XPathObjectPtr result(xmlXPathEvalExpression(Xml(expression), context.get()));
  if (!result) throw EXmlDOMException(Format("Invalid XPath expression \"%s\": %s", {expression, capture.Reason()}));
  if (result->type != XPATH_NODESET)
    throw EXmlDOMException(Format("The XPath expression \"%s\" does not select nodes", {expression}));

  std::vector<xmlNode*> nodes;
  xmlNodeSet* set = result->nodesetval;
  if (!set) return nodes;
  xmlXPathNodeSetSort(set);
  nodes.reserve(static_cast<std::size_t>(set->nodeNr));
  for (int i = 0; i < set->nodeNr; ++i) {
    // Namespace nodes are copies owned by the result; they cannot be handed out.
    if (set->nodeTab[i] && set->nodeTab[i]->type != XML_NAMESPACE_DECL) nodes.push_back(set->nodeTab[i]);
  }
  return nodes;
}

xmlAttr* FindAttribute(const xmlNode* element, std::string_view name) {
  if (element->type != XML_ELEMENT_NODE) return nullptr;
  for (xmlAttr* attribute = element->properties; attribute; attribute = attribute->next) {
    if (QualifiedName(reinterpret_cast<const xmlNode*>(attribute)) == name) return attribute;
  }
  return nullptr;
}

bool IsInside(const xmlNode* node, const xmlNode* ancestor) {
  for (const xmlNode* current = node; current; current = current->parent) {
    if (current == ancestor) return true;
  }
  return false;
}

}  // namespace

std::size_t FindNonXmlCharacter(std::string_view text) noexcept {
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return pos;
    // U+FFFE and U+FFFF are EF BF BE and EF BF BF.
    if (c == 0xEF && pos + 2 < text.size() && text[pos + 1] == '\xBF' &&
        (text[pos + 2] == '\xBE' || text[pos + 2] == '\xBF'))
      return pos;
  }
  return std::string_view::npos;
}

std::string NonXmlCharacterMessage(std::string_view text, std::size_t offset) {
  unsigned code = offset < text.size() ? static_cast<unsigned char>(text[offset]) : 0;
  if (code == 0xEF && offset + 2 < text.size()) code = text[offset + 2] == '\xBE' ? 0xFFFE : 0xFFFF;
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", code);
  return Format("The character %s cannot be written into an XML file", {name});
}

// ---- XmlNode ----

XmlNode::XmlNode() noexcept = default;
XmlNode::XmlNode(const XmlNode& other) noexcept = default;
XmlNode::XmlNode(XmlNode&& other) noexcept
    : m_tree(std::move(other.m_tree)), m_node(std::exchange(other.m_node, nullptr)) {}
XmlNode& XmlNode::operator=(const XmlNode& other) noexcept = default;
XmlNode& XmlNode::operator=(XmlNode&& other) noexcept {
  m_tree = std::move(other.m_tree);
  m_node = std::exchange(other.m_node, nullptr);
  return *this;
}
XmlNode::~XmlNode() = default;

XmlNode::XmlNode(RefPtr<XmlTree> tree, xmlNode* node) noexcept : m_tree(std::move(tree)), m_node(node) {}

XmlNodeType XmlNode::nodeType() const noexcept {
  if (!m_node) return XmlNodeType::None;
  switch (m_node->type) {
    case XML_HTML_DOCUMENT_NODE:
      return XmlNodeType::Document;
    case XML_DTD_NODE:
      return XmlNodeType::DocumentType;
    case XML_ENTITY_DECL:
      return XmlNodeType::Entity;
    default: {
      const int type = static_cast<int>(m_node->type);
      return type >= 1 && type <= 12 ? static_cast<XmlNodeType>(type) : XmlNodeType::None;
    }
  }
}

std::string XmlNode::nodeName() const {
  if (!m_node) return {};
  switch (m_node->type) {
    case XML_TEXT_NODE:
      return "#text";
    case XML_CDATA_SECTION_NODE:
      return "#cdata-section";
    case XML_COMMENT_NODE:
      return "#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE:
      return "#document";
    case XML_DOCUMENT_FRAG_NODE:
      return "#document-fragment";
    default:
      return HasQualifiedName(m_node) ? QualifiedName(m_node) : ToString(m_node->name);
  }
}

std::string XmlNode::baseName() const {
  if (!m_node) return {};
  switch (m_node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: {
      std::string name = ToString(m_node->name);
      if (NamespaceOf(m_node)) return name;
      // An undeclared prefix stays in the name the parser gives.
      const std::size_t colon = name.find(':');
      return colon == std::string::npos ? name : name.substr(colon + 1);
    }
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_DTD_NODE:
      return ToString(m_node->name);
    default:
      return {};
  }
}

std::string XmlNode::prefix() const {
  if (!m_node || !HasQualifiedName(m_node)) return {};
  if (const xmlNs* ns = NamespaceOf(m_node)) return ToString(ns->prefix);
  std::string name = ToString(m_node->name);
  const std::size_t colon = name.find(':');
  return colon == std::string::npos ? std::string() : name.substr(0, colon);
}

std::string XmlNode::namespaceURI() const {
  if (!m_node) return {};
  const xmlNs* ns = NamespaceOf(m_node);
  if (!ns) return {};
  // The parser keeps an ampersand of a namespace URI as "&#38;".
  std::string uri = ToString(ns->href);
  for (std::size_t at = uri.find("&#38;"); at != std::string::npos; at = uri.find("&#38;", at + 1))
    uri.replace(at, 5, "&");
  return uri;
}

Variant XmlNode::nodeValue() const {
  if (!m_node) return Variant::Null();
  switch (m_node->type) {
    case XML_ATTRIBUTE_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      return Variant(text());
    default:
      return Variant::Null();
  }
}

std::string XmlNode::text() const {
  if (!m_node || m_node->type == XML_DTD_NODE) return {};
  XmlCharPtr content(xmlNodeGetContent(m_node));
  return ToString(content.get());
}

std::string XmlNode::xml() const {
  if (!m_node) return {};
  if (IsDocument(m_node)) {
    const xmlDoc* doc = reinterpret_cast<const xmlDoc*>(m_node);
    const std::string version = doc->version ? ToString(doc->version) : std::string("1.0");
    return Format("<?xml version=\"%s\" encoding=\"%s\"?>\n", {version, XmlEncoding()}) +
           Serialize(m_node, XML_SAVE_NO_DECL);
  }
  std::string text = Serialize(m_node, 0);
  // The serializer writes an attribute as it stands in a tag, after a blank.
  if (m_node->type == XML_ATTRIBUTE_NODE && !text.empty() && text.front() == ' ') text.erase(0, 1);
  return text;
}

XmlNode XmlNode::parentNode() const {
  if (!m_node || m_node->type == XML_ATTRIBUTE_NODE || IsDocument(m_node)) return {};
  xmlNode* parent = m_node->parent;
  if (!parent || !HasChildList(parent)) return {};
  return XmlAccess::Node(m_tree, parent);
}

XmlNode XmlNode::firstChild() const {
  if (!m_node || !HasChildList(m_node)) return {};
  return XmlAccess::Node(m_tree, m_node->children);
}

XmlNode XmlNode::lastChild() const {
  if (!m_node || !HasChildList(m_node)) return {};
  return XmlAccess::Node(m_tree, m_node->last);
}

XmlNode XmlNode::previousSibling() const {
  if (!m_node || m_node->type == XML_ATTRIBUTE_NODE || IsDocument(m_node)) return {};
  return XmlAccess::Node(m_tree, m_node->prev);
}

XmlNode XmlNode::nextSibling() const {
  if (!m_node || m_node->type == XML_ATTRIBUTE_NODE || IsDocument(m_node)) return {};
  return XmlAccess::Node(m_tree, m_node->next);
}

int XmlNode::lineNumber() const noexcept {
  if (!m_node) return 0;
  const long line = xmlGetLineNo(m_node);
  return line > 0 ? static_cast<int>(line) : 0;
}

bool XmlNode::hasChildNodes() const { return m_node && HasChildList(m_node) && m_node->children; }

XmlNodeList XmlNode::childNodes() const {
  std::vector<xmlNode*> nodes;
  if (m_node && HasChildList(m_node)) {
    for (xmlNode* child = m_node->children; child; child = child->next) nodes.push_back(child);
  }
  return XmlAccess::List(m_tree, std::move(nodes));
}

XmlDocument XmlNode::ownerDocument() const {
  if (!m_node || IsDocument(m_node)) return {};
  return XmlAccess::Document(m_tree);
}

XmlNamedNodeMap XmlNode::attributes() const {
  std::vector<xmlNode*> nodes;
  if (m_node && m_node->type == XML_ELEMENT_NODE) {
    for (xmlAttr* attribute = m_node->properties; attribute; attribute = attribute->next)
      nodes.push_back(reinterpret_cast<xmlNode*>(attribute));
  }
  return XmlAccess::Map(XmlAccess::List(m_tree, std::move(nodes)));
}

Variant XmlNode::getAttribute(std::string_view name) const {
  XmlNode attribute = getAttributeNode(name);
  return attribute ? Variant(attribute.text()) : Variant::Null();
}

XmlNode XmlNode::getAttributeNode(std::string_view name) const {
  if (!m_node) return {};
  return XmlAccess::Node(m_tree, reinterpret_cast<xmlNode*>(FindAttribute(m_node, name)));
}

void XmlNode::setAttribute(std::string_view name, std::string_view value) {
  if (!m_node) throw EXmlDOMException("The node is not assigned");
  if (m_node->type != XML_ELEMENT_NODE) throw EXmlDOMException("Only an element has attributes");
  RequireName(name);
  RequireXmlText(value);
  const std::string text(value);
  if (xmlAttr* existing = FindAttribute(m_node, name)) {
    if (!xmlSetNsProp(m_node, existing->ns, existing->name, Xml(text))) throw std::bad_alloc();
    return;
  }
  const std::string qualified(name);
  const std::size_t colon = qualified.find(':');
  xmlNs* ns = nullptr;
  if (colon != std::string::npos) ns = xmlSearchNs(m_node->doc, m_node, Xml(qualified.substr(0, colon)));
  xmlAttr* added = ns ? xmlNewNsProp(m_node, ns, Xml(qualified.substr(colon + 1)), Xml(text))
                      : xmlNewProp(m_node, Xml(qualified), Xml(text));
  if (!added) throw std::bad_alloc();
}

XmlNode XmlNode::selectSingleNode(std::string_view xpath) const {
  if (!m_node) return {};
  std::vector<xmlNode*> nodes = Select(*m_tree, m_node, xpath);
  return nodes.empty() ? XmlNode() : XmlAccess::Node(m_tree, nodes.front());
}

XmlNodeList XmlNode::selectNodes(std::string_view xpath) const {
  if (!m_node) return {};
  return XmlAccess::List(m_tree, Select(*m_tree, m_node, xpath));
}

XmlNode XmlNode::appendChild(const XmlNode& child) {
  if (!m_node || !child.m_node) throw EXmlDOMException("The node is not assigned");
  if (child.m_tree.Get() != m_tree.Get()) throw EXmlDOMException("The node belongs to another document");
  if (!HasChildList(m_node)) throw EXmlDOMException("This node cannot have children");

  xmlNode* node = child.m_node;
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      break;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_ENTITY_REF_NODE:
      if (!IsDocument(m_node)) break;
      [[fallthrough]];
    default:
      throw EXmlDOMException(Format("A node of type %d cannot be appended here", {static_cast<int>(child.nodeType())}));
  }
  // Only nodes of the element tree move; the content of an entity is not one.
  if (node->parent && !HasChildList(node->parent))
    throw EXmlDOMException(Format("A node of type %d cannot be appended here", {static_cast<int>(child.nodeType())}));
  if (IsInside(m_node, node)) throw EXmlDOMException("A node cannot be appended to itself or to a node inside it");
  if (IsDocument(m_node) && node->type == XML_ELEMENT_NODE) {
    xmlNode* root = xmlDocGetRootElement(reinterpret_cast<xmlDoc*>(m_node));
    if (root && root != node) throw EXmlDOMException("Only one top level element is allowed in an XML document");
  }

  xmlUnlinkNode(node);
  // Linked by hand: the library's own append merges adjacent text nodes and
  // frees the appended one, which a handle still points at.
  node->parent = m_node;
  node->next = nullptr;
  node->prev = m_node->last;
  if (m_node->last)
    m_node->last->next = node;
  else
    m_node->children = node;
  m_node->last = node;
  if (node->type == XML_ELEMENT_NODE) xmlReconciliateNs(m_tree->Doc(), node);
  return child;
}

XmlDocument XmlNode::AsDocument() const {
  if (!m_node || !IsDocument(m_node)) return {};
  return XmlDocument(*this);
}

// ---- XmlNodeList ----

XmlNodeList::XmlNodeList() noexcept = default;
XmlNodeList::XmlNodeList(const XmlNodeList& other) = default;
XmlNodeList::XmlNodeList(XmlNodeList&& other) noexcept = default;
XmlNodeList& XmlNodeList::operator=(const XmlNodeList& other) = default;
XmlNodeList& XmlNodeList::operator=(XmlNodeList&& other) noexcept = default;
XmlNodeList::~XmlNodeList() = default;

XmlNodeList::XmlNodeList(RefPtr<XmlTree> tree, std::vector<xmlNode*> nodes) noexcept
    : m_tree(std::move(tree)), m_nodes(std::move(nodes)) {}

XmlNode XmlNodeList::item(int index) const {
  if (index < 0 || index >= length()) return {};
  return XmlAccess::Node(m_tree, m_nodes[static_cast<std::size_t>(index)]);
}

XmlNode XmlNamedNodeMap::getNamedItem(std::string_view name) const {
  const std::vector<xmlNode*>& nodes = XmlAccess::Nodes(*this);
  for (xmlNode* node : nodes) {
    if (QualifiedName(node) == name) return XmlAccess::Node(XmlAccess::TreeRef(*this), node);
  }
  return {};
}

// ---- XmlDocument ----

XmlDocument XmlDocument::Create() { return XmlAccess::Document(EmptyTree()); }

XmlNode XmlDocument::documentElement() const {
  XmlTree* tree = XmlAccess::Tree(*this);
  if (!tree) return {};
  return XmlAccess::Node(XmlAccess::TreeRef(*this), xmlDocGetRootElement(tree->Doc()));
}

XmlNode XmlDocument::createElement(std::string_view tagName) {
  XmlTree* tree = XmlAccess::Tree(*this);
  if (!tree) throw EXmlDOMException("The document is not assigned");
  RequireName(tagName);
  const std::string name(tagName);
  xmlNode* node = tree->Adopt(NodePtr(xmlNewDocNode(tree->Doc(), nullptr, Xml(name), nullptr)));
  return XmlAccess::Node(XmlAccess::TreeRef(*this), node);
}

XmlNode XmlDocument::createTextNode(std::string_view data) {
  XmlTree* tree = XmlAccess::Tree(*this);
  if (!tree) throw EXmlDOMException("The document is not assigned");
  RequireXmlText(data);
  const std::string text(data);
  xmlNode* node = tree->Adopt(NodePtr(xmlNewDocTextLen(tree->Doc(), Xml(text), static_cast<int>(text.size()))));
  return XmlAccess::Node(XmlAccess::TreeRef(*this), node);
}

void XmlDocument::load(std::string_view path) {
  RefPtr<XmlTree> tree = LoadFileTree(std::string(path));
  *this = XmlAccess::Document(tree);
  if (tree->Failed()) throw EXmlDOMDocument(tree->ParseError());
}

void XmlDocument::loadBytes(std::string_view bytes, std::string_view url) {
  RefPtr<XmlTree> tree = ParseTree(bytes, std::string(url), XmlSource::File);
  *this = XmlAccess::Document(tree);
  if (tree->Failed()) throw EXmlDOMDocument(tree->ParseError());
}

void XmlDocument::loadXML(std::string_view text) {
  RefPtr<XmlTree> tree = ParseTree(text, std::string(), XmlSource::Text);
  *this = XmlAccess::Document(tree);
  if (tree->Failed()) throw EXmlDOMDocument(tree->ParseError());
}

void XmlDocument::save(std::string_view path) const {
  XmlTree* tree = XmlAccess::Tree(*this);
  if (!tree) throw EXmlDOMException("The document is not assigned");
  const std::string encoding = XmlEncoding();

  RepresentableCheck(encoding).Document(tree->Doc());
  std::string bytes;
  {
    XmlErrorCapture capture;
    BufferPtr buffer(xmlBufferCreate());
    if (!buffer) throw std::bad_alloc();
    const EscapedNamespaceUris escaped(tree->DocNode());
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer.get(), encoding.c_str(), XML_SAVE_FORMAT);
    if (!save) throw EXmlDOMException(Format("Unsupported encoding \"%s\"", {encoding}));
    const long written = xmlSaveDoc(save, tree->Doc());
    const int closed = xmlSaveClose(save);
    if (written < 0 || closed < 0 || capture.HasError())
      throw EXmlDOMException(Format("The document cannot be written in %s: %s", {encoding, capture.Reason()}));
    bytes.assign(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                 static_cast<std::size_t>(xmlBufferLength(buffer.get())));
  }

  const std::string file(path);
  GErrorPtr error;
  if (!g_file_set_contents(file.c_str(), bytes.data(), static_cast<gssize>(bytes.size()), Out(error)))
    throw EXmlDOMException(error ? error->message : Format("Cannot write \"%s\"", {file}));
}

XmlParseError XmlDocument::parseError() const {
  XmlTree* tree = XmlAccess::Tree(*this);
  return tree ? tree->ParseError() : XmlParseError();
}

}  // namespace halbrin
