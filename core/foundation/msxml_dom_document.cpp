#include "core/foundation/msxml_dom_document.h"

#include <utility>

#include "core/foundation/project_encoding.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

// The name goes between quotes into every header the program writes, so it
// must be a plain encoding name: a letter, then letters, digits, ".", "_", "-".
bool IsEncodingName(std::string_view name) {
  if (name.empty() || !((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) return false;
  for (char c : name) {
    const bool plain =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
    if (!plain) return false;
  }
  return true;
}

}  // namespace

// XML headers carry the project's code page: one setting for both.
std::string XmlEncoding() { return ProjectEncoding(); }

void SetXmlEncoding(std::string_view encoding) {
  if (encoding.empty()) encoding = DefaultXmlEncoding;
  if (!IsEncodingName(encoding)) throw EXmlDOMException(Format("Invalid encoding name \"%s\"", {encoding}));
  SetProjectEncoding(encoding);
}

HALBRIN_DEFINE_CLASS(TMSXMLDOMDocument)

TMSXMLDOMDocument::TMSXMLDOMDocument() : m_document(XmlDocument::Create()), m_defaultValue(Variant::Null()) {}

std::unique_ptr<TMSXMLDOMDocument> TMSXMLDOMDocument::CreateFromFile(std::string_view path) {
  auto document = std::make_unique<TMSXMLDOMDocument>();
  document->Load(path);
  return document;
}

void TMSXMLDOMDocument::Load(std::string_view path) { m_document.load(path); }

void TMSXMLDOMDocument::LoadXML(std::string_view text) { m_document.loadXML(text); }

XmlNode TMSXMLDOMDocument::DocumentElement() const { return m_document.documentElement(); }

Variant TMSXMLDOMDocument::GetNodeValue(std::string_view xpath) const {
  XmlNode node = m_document.selectSingleNode(xpath);
  return node ? node.nodeValue() : m_defaultValue;
}

}  // namespace halbrin
