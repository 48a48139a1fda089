#pragma once

// TStringObjectListEx: the string list that scripts reach line by line
// (through TStringObject views) and that reads and writes itself as
// record-set XML.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "core/foundation/collection_interfaces.h"
#include "core/foundation/string_list_ex.h"
#include "core/foundation/string_object.h"

namespace halbrin {

// What each record of the list's XML carries: the whole line (in the element
// named by textNode), its name part ("name") and its value part ("value").
enum class TStringObjectListXmlOption { soText, soNames, soValues };

// Names of the options, for the published set property.
const platform::TEnumInfo& StringObjectListXmlOptionEnumInfo();

// A set of TStringObjectListXmlOption; bit n holds option n.
class TStringObjectListXmlOptions {
 public:
  constexpr TStringObjectListXmlOptions() noexcept = default;
  constexpr TStringObjectListXmlOptions(std::initializer_list<TStringObjectListXmlOption> options) noexcept {
    for (TStringObjectListXmlOption option : options) m_bits |= Bit(option);
  }
  // Bits beyond the three options are dropped.
  static constexpr TStringObjectListXmlOptions FromBits(std::uint32_t bits) noexcept {
    TStringObjectListXmlOptions options;
    options.m_bits = bits & 7u;
    return options;
  }

  constexpr std::uint32_t Bits() const noexcept { return m_bits; }
  constexpr bool Contains(TStringObjectListXmlOption option) const noexcept { return (m_bits & Bit(option)) != 0; }
  friend constexpr bool operator==(TStringObjectListXmlOptions, TStringObjectListXmlOptions) noexcept = default;

 private:
  static constexpr std::uint32_t Bit(TStringObjectListXmlOption option) noexcept {
    return 1u << static_cast<unsigned>(option);
  }

  std::uint32_t m_bits = 0;
};

class TStringObjectListEx : public TStringListEx, public IItemCollection, public INamedItemCollection {
  HALBRIN_CLASS(TStringObjectListEx, TStringListEx)

  TStringObjectListEx() = default;

  // The element that carries a whole line; also read as an XPath relative to
  // each record. "text" by default.
  const std::string& TextNode() const noexcept { return m_textNode; }
  void SetTextNode(const std::string& textNode) { m_textNode = textNode; }
  // [soText] by default.
  TStringObjectListXmlOptions XmlOptions() const noexcept { return m_xmlOptions; }
  void SetXmlOptions(TStringObjectListXmlOptions options) noexcept { m_xmlOptions = options; }

  // The lines as a record set, lines ended by CR LF: the declaration naming
  // XmlEncoding(), "<recordset>", per line a "<record>" indented by two
  // blanks holding (indented by four) the escaped text, name and value
  // elements the options ask for, and "</recordset>". Escaped by
  // RecordSetText: a line holding a character no XML file can hold raises
  // EXmlDOMException naming the line.
  std::string Xml() const;
  // Replaces the lines, in one update, by one line per "record" element
  // anywhere in the text: with soText the text of the first node textNode
  // selects (no node, no line); otherwise the "name" text and the separator
  // (soNames; only for a name that is not empty) followed by the "value" text
  // (soValues), a line that stays empty being left out. A text that does not
  // parse raises EXmlDOMDocument, and an invalid textNode EXmlDOMException,
  // before the list is touched.
  void SetXml(std::string_view xml);

  // A new view of a line; null outside 0..Count-1.
  std::unique_ptr<TStringObject> ViewAt(int index);
  // A new view of the first line whose name part matches (as IndexOfName); null when none.
  std::unique_ptr<TStringObject> ViewByName(std::string_view name);

  // From another TStringObjectListEx: textNode, xmlOptions and, as the string
  // list's Assign, the lines. From any other source: the string list's Assign.
  void Assign(const platform::TPersistent& source) override;

  // IItemCollection
  void clear() override { Clear(); }
  bool empty() const override { return Empty(); }
  void setEmpty(bool value) override { SetEmpty(value); }
  int length() const override { return Count(); }

  // INamedItemCollection: the views found belong to the caller.
  FoundItem itemByName(std::string_view name) override;
  int indexOfName(std::string_view name) const override { return IndexOfName(name); }
  // A string: by name; an integer kind or Boolean (True is -1): by index,
  // nothing outside the lines; any other kind: nothing.
  FoundItem item(const platform::Variant& value) override;
  bool exists(std::string_view name) const override { return IndexOfName(name) >= 0; }

 private:
  std::string m_textNode = "text";
  TStringObjectListXmlOptions m_xmlOptions{TStringObjectListXmlOption::soText};
};

}  // namespace halbrin
