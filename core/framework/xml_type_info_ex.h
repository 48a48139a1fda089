#pragma once

// The creating mapper: XML declarations that find components by name, create
// them from type words, free them, and answer existence and property queries.
//
//   <control type="form" id="Main" caption="Hello">
//     <control type="timer" id="Tick" interval="500">
//       <events><event id="ontimer" xml="onTick"/></events>
//     </control>
//   </control>
//
// Each element's "content" is its command: "new" (the default: find, or create
// when a type is given), "update" (skip when absent), "none", "free", "exist",
// "get" (with "property": one value; without: the property list), or
// "eval(expression)" whose result is the command. Attribute prefixes: skip:,
// new: (only on a created object), exist: (only on an existing one), update:
// (a missing property is ignored), get: (read back as the result), and the
// conversions shortcut:, color:, ratio:, datetime:. Errors go to the
// application unless stopOnException is set.

#include "core/foundation/xml_type_info.h"

namespace halbrin {

// More items than this are never made for an "item_" + n element.
inline constexpr int kMaxDeclaredItemIndex = 65536;

class TXmlTypeInfoEx : public TXmlTypeInfo {
  HALBRIN_CLASS(TXmlTypeInfoEx, TXmlTypeInfo)

  explicit TXmlTypeInfoEx(platform::TComponent* owner = nullptr);

 private:
  void ResolveObject(platform::TObject* sender, platform::TObject* instance, const XmlNode& node,
                     TObjectPartInfo& partInfo, FoundItem& object);
  void ConvertAttribute(platform::TObject* sender, platform::TObject* instance, const XmlNode& node, int& flags,
                        platform::Variant& value);
  void WriteProperties(platform::TObject* sender, platform::TObject* instance, const XmlNode& node, int& flags,
                       platform::Variant& value);
  void ReportException(platform::TObject* sender, const platform::Exception& error);

  // The object step 4 finds (or makes) under `instance`; `created` tells which,
  // `lookedUp` the name it was looked for by (for the message when none is found).
  platform::TObject* FindObject(platform::TObject* instance, const XmlNode& node, const std::string& element,
                                std::string& command, const std::string& id, const std::string& type,
                                bool& created, std::string& lookedUp);
};

}  // namespace halbrin
