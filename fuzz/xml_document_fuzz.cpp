// A file as the XML wrapper loads it (its byte-order mark or declared
// encoding), a few selections over what it read, and a save in the project's
// code page or UTF-8 that must load again as the same tree.
//
// Input: one byte (bit 0: save as UTF-8; bit 1: run the XPath that follows),
// an XPath up to a NUL byte when asked for, then the file.

#include <cstdint>
#include <string>

#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/xml_node.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

using fuzzing::Check;

// Reads every kind of value a node gives, so each conversion runs.
void Visit(const XmlNode& node) {
  node.nodeName();
  node.baseName();
  node.prefix();
  node.namespaceURI();
  node.nodeValue();
  for (const XmlNode& attribute : node.attributes()) {
    attribute.nodeValue();
    attribute.namespaceURI();
  }
}

int ElementCount(const XmlDocument& document) { return document.selectNodes("//*").length(); }

void Select(const XmlDocument& document, std::string_view xpath) {
  try {
    for (const XmlNode& node : document.selectNodes(xpath)) Visit(node);
    document.selectSingleNode(xpath).xml();
  } catch (const EXmlDOMException&) {
    // An expression that is no node set, or no expression at all.
  }
}

void Run(fuzzing::InputReader& input) {
  const std::uint8_t flags = input.Byte();
  const std::string xpath(flags & 2 ? input.Part().substr(0, 64) : std::string_view());
  const std::string_view bytes = input.Rest();
  SetXmlEncoding(flags & 1 ? "UTF-8" : "");

  XmlDocument document;
  try {
    document.loadBytes(bytes, "in.xml");
  } catch (const EXmlDOMDocument&) {
    Check(document.parseError().errorCode != 0, "a failed load without its reason");
    return;
  }
  for (std::string_view fixed : {"//*", "//@*", "//text()", "//comment() | //processing-instruction()",
                                 "/*/*[1]", "//*[@id]/@id", "//*[local-name()='record']"})
    Select(document, fixed);
  if (!xpath.empty()) Select(document, xpath);
  document.documentElement().text();
  document.xml();

  const std::string saved = fuzzing::ScratchFolder().Path("saved.xml");
  try {
    document.save(saved);
  } catch (const EXmlDOMException&) {
    return;  // refused with a clear error: nothing was claimed to be written
  }
  XmlDocument again;
  try {
    again.load(saved);
  } catch (const EXmlDOMDocument& error) {
    fuzzing::Fail(std::string("a saved document does not load again: ") + error.what());
  }
  Check(again.documentElement().nodeName() == document.documentElement().nodeName(),
        "the saved document has another top element");
  Check(ElementCount(again) == ElementCount(document), "the saved document has other elements");
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::fuzzing::InputReader input(data, size);
  halbrin::Run(input);
  halbrin::SetXmlEncoding("");
  return 0;
}
