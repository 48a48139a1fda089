#include "core/foundation/string_object_list.h"

#include <libxml/tree.h>

#include <climits>
#include <vector>

#include "core/foundation/escapes.h"
#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/record_set.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& StringObjectListXmlOptionEnumInfo() {
  static const TEnumInfo info("TStringObjectListXmlOption", {"soText", "soNames", "soValues"});
  return info;
}

HALBRIN_DEFINE_CLASS(TStringObjectListEx,
                     .Property("xml", &TStringObjectListEx::Xml, &TStringObjectListEx::SetXml)
                     .Property("textNode", &TStringObjectListEx::TextNode, &TStringObjectListEx::SetTextNode)
                     .Set(
                         "xmlOptions",
                         [](const TStringObjectListEx& list) { return list.XmlOptions().Bits(); },
                         [](TStringObjectListEx& list, std::uint32_t bits) {
                           list.SetXmlOptions(TStringObjectListXmlOptions::FromBits(bits));
                         },
                         StringObjectListXmlOptionEnumInfo(), "TStringObjectListXmlOptions"))

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kNameElement = "name";
constexpr std::string_view kValueElement = "value";

void AppendField(std::string& out, std::string_view element, std::string_view text) {
  out.append("    ").append(XmlElement(element, {}, RecordSetText(text))).append(kLineEnd);
}

}  // namespace

std::string TStringObjectListEx::Xml() const {
  const bool withText = m_xmlOptions.Contains(TStringObjectListXmlOption::soText);
  const bool withName = m_xmlOptions.Contains(TStringObjectListXmlOption::soNames);
  const bool withValue = m_xmlOptions.Contains(TStringObjectListXmlOption::soValues);
  // textNode is an XPath when reading; written, it must be an element name,
  // or the record set would not read back.
  if (withText && Count() > 0 &&
      (m_textNode.empty() || xmlValidateName(reinterpret_cast<const xmlChar*>(m_textNode.c_str()), 0) != 0))
    throw EXmlDOMException(Format("The text node \"%s\" is no element name: the lines cannot be written", {m_textNode}));
  std::string out = XmlDeclaration();
  out.append(kLineEnd).append(XmlOpenTag(RecordSetElementName)).append(kLineEnd);
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    out.append("  ").append(XmlOpenTag(RecordElementName)).append(kLineEnd);
    try {
      if (withText) AppendField(out, m_textNode, Strings(i));
      if (withName) AppendField(out, kNameElement, Names(i));
      if (withValue) AppendField(out, kValueElement, ValueFromIndex(i));
    } catch (const EXmlDOMException& error) {
      throw EXmlDOMException(Format("Line %d cannot be written: %s", {i, error.Message()}));
    }
    out.append("  ").append(XmlCloseTag(RecordElementName)).append(kLineEnd);
  }
  out.append(XmlCloseTag(RecordSetElementName)).append(kLineEnd);
  return out;
}

void TStringObjectListEx::SetXml(std::string_view xml) {
  TMSXMLDOMDocument document;
  document.LoadXML(xml);
  // Every line is read before the list changes: a bad textNode expression
  // raises while the old lines are still there.
  std::vector<std::string> lines;
  const bool withText = m_xmlOptions.Contains(TStringObjectListXmlOption::soText);
  const bool withName = m_xmlOptions.Contains(TStringObjectListXmlOption::soNames);
  const bool withValue = m_xmlOptions.Contains(TStringObjectListXmlOption::soValues);
  const std::string path = "//" + std::string(RecordElementName);
  for (const XmlNode record : document.Document().selectNodes(path)) {
    if (withText) {
      if (const XmlNode node = record.selectSingleNode(m_textNode)) lines.push_back(node.text());
      continue;
    }
    std::string line;
    if (withName) {
      const XmlNode node = record.selectSingleNode(kNameElement);
      std::string name = node ? node.text() : std::string();
      if (!name.empty()) line = std::move(name) + NameValueSeparator();
    }
    if (withValue) {
      if (const XmlNode node = record.selectSingleNode(kValueElement)) line += node.text();
    }
    if (!line.empty()) lines.push_back(std::move(line));
  }
  TUpdateScope update(*this);
  Clear();
  for (const std::string& line : lines) Add(line);
}

std::unique_ptr<TStringObject> TStringObjectListEx::ViewAt(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  return std::make_unique<TStringObject>(this, index);
}

std::unique_ptr<TStringObject> TStringObjectListEx::ViewByName(std::string_view name) {
  return ViewAt(IndexOfName(name));
}

void TStringObjectListEx::Assign(const TPersistent& source) {
  if (const auto* list = dynamic_cast<const TStringObjectListEx*>(&source)) {
    if (list == this) return;
    m_textNode = list->m_textNode;
    m_xmlOptions = list->m_xmlOptions;
  }
  TStringListEx::Assign(source);
}

FoundItem TStringObjectListEx::itemByName(std::string_view name) { return FoundItem(ViewByName(name)); }

FoundItem TStringObjectListEx::item(const Variant& value) {
  if (value.IsString()) return itemByName(value.AsString());
  if (!value.IsOrdinal()) return {};
  const std::int64_t index = value.ToInt64();
  if (index < 0 || index > INT_MAX) return {};
  return FoundItem(ViewAt(static_cast<int>(index)));
}

}  // namespace halbrin
