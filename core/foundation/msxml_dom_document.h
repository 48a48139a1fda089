#pragma once

// The program's one way of reading an XML file or text: TMSXMLDOMDocument
// parses it (see xml_node.h for the DOM it hands out) and turns a failure into
// EXmlDOMDocument with the parser's reason. XmlEncoding() is the encoding every
// writer of XML and HTML texts declares.

#include <memory>
#include <string>
#include <string_view>

#include "core/foundation/project_encoding.h"
#include "core/foundation/xml_node.h"
#include "platform/classes/class_builder.h"
#include "platform/classes/object.h"
#include "platform/variant/variant.h"

namespace halbrin {

inline constexpr std::string_view DefaultXmlEncoding = DefaultProjectEncoding;

// The encoding written into XML headers and HTML meta tags; start-up sets it
// from the project. Safe to read from any thread.
std::string XmlEncoding();
// An empty name restores DefaultXmlEncoding. Raises EXmlDOMException for a
// name that would break a header, and as SetProjectEncoding for an encoding
// that cannot be used; the old one is kept then.
void SetXmlEncoding(std::string_view encoding);

class TMSXMLDOMDocument : public platform::TObject {
  HALBRIN_CLASS(TMSXMLDOMDocument, platform::TObject)

 public:
  // An empty document.
  TMSXMLDOMDocument();
  // Raises EXmlDOMDocument when the file does not load.
  static std::unique_ptr<TMSXMLDOMDocument> CreateFromFile(std::string_view path);

  // Both raise EXmlDOMDocument (message: the parser's reason) and leave the
  // wrapper on an empty document; it stays usable for another load.
  void Load(std::string_view path);
  void LoadXML(std::string_view text);

  // Null for an empty document.
  XmlNode DocumentElement() const;
  // The nodeValue of the first node the XPath selects (the text of an
  // attribute, Null for an element), or Null when it selects nothing.
  platform::Variant GetNodeValue(std::string_view xpath) const;
  // The current document; a later Load or LoadXML does not change a handle taken before.
  XmlDocument Document() const { return m_document; }

 private:
  XmlDocument m_document;
  platform::Variant m_defaultValue;
};

}  // namespace halbrin
