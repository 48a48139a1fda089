#include "core/scripting/variables.h"

#include <array>
#include <optional>

#include "core/foundation/escapes.h"
#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/project_encoding.h"
#include "core/foundation/record_set.h"
#include "core/foundation/text_files.h"
#include "core/foundation/text_helpers.h"
#include "core/foundation/xml_node.h"
#include "core/scripting/script_host.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

enum : DispId {
  kVarIndex = 0xC9,
  kVarName = 0xCA,
  kVarValue = 0xCB,
  kVarXml = 0xCC,
};

enum : DispId {
  kItem = 0xC9,
  kLength = 0xCA,
  kExists = 0xCB,
  kClear = 0xCC,
  kRemove = 0xCD,
  kAdd = 0xCE,
  kAuto = 0xCF,
  kGetItemByName = 0xD0,
  kGetIndexByName = 0xD1,
  kDefaultValue = 0xD2,
  kValues = 0xD3,
  kScript = 0xD4,
  kSave = 0xD5,
  kOpen = 0xD6,
  kXml = 0xD7,
  kGroups = 0xD8,
  kName = 0xD9,
  kAddGroup = 0xDA,
  kRemoveGroup = 0xDB,
  kGroup = 0xDC,
  kGetGroupByName = 0xDD,
};

constexpr std::uint16_t kGet = DISPATCH_PROPERTYGET;
constexpr std::uint16_t kGetPut = DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT;
constexpr std::uint16_t kMethod = DISPATCH_METHOD;

bool NameMatches(std::string_view a, std::string_view b, int flags) {
  return flags == ITEM_MATCH_CASESENSITIVE ? a == b : SameText(a, b);
}

std::vector<std::string_view> SplitPath(std::string_view name) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t dot = name.find('.', start);
    parts.push_back(name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    if (dot == std::string_view::npos) return parts;
    start = dot + 1;
  }
}

// The position an ordinal index names: integers, and Booleans (True is -1).
// None for a text (a name) and any other kind.
std::optional<std::int64_t> OrdinalIndex(const Variant& index) {
  if (index.IsBool()) return index.AsBool() ? -1 : 0;
  if (index.IsInteger()) return index.ToInt64();
  return std::nullopt;
}

// The list entry at an ordinal index; null outside the list.
template <class T>
RefPtr<T> EntryAt(const std::vector<RefPtr<T>>& list, std::int64_t index) {
  return index >= 0 && index < static_cast<std::int64_t>(list.size()) ? list[static_cast<std::size_t>(index)] : nullptr;
}

Variant Object(const RefPtr<IDispatchObject>& object) { return Variant(object); }

// The kinds a loaded value is turned back into by its saved type name.
constexpr std::array kScalarKinds{VarType::Empty, VarType::Null,     VarType::I2,      VarType::I4,
                                  VarType::R4,    VarType::R8,       VarType::Currency, VarType::Date,
                                  VarType::String, VarType::Boolean, VarType::I1,      VarType::UI1,
                                  VarType::UI2,   VarType::UI4,      VarType::I8};

Variant TypedValue(const std::string& text, std::string_view typeName) {
  for (VarType kind : kScalarKinds) {
    if (VarTypeName(kind) != typeName) continue;
    if (kind == VarType::Empty) return Variant();
    if (kind == VarType::Null) return Variant::Null();
    if (kind == VarType::String) return Variant(text);
    try {
      return Variant(text).ChangeType(kind);
    } catch (const Exception&) {
      return Variant(text);
    }
  }
  // Objects, arrays, errors and unknown types come back as their text.
  return Variant(text);
}

// The text in `encoding`; characters it lacks become character references,
// which the XML text allows everywhere the values stand.
std::string EncodeXmlText(const std::string& text, const std::string& encoding) {
  if (IsUtf8EncodingName(encoding)) return text;
  try {
    return EncodeText(text, encoding);
  } catch (const EEncodingError&) {
  }
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    const Utf8Char c = DecodeUtf8At(text, pos);
    const std::string_view one = std::string_view(text).substr(pos, c.length);
    try {
      out += EncodeText(one, encoding);
    } catch (const EEncodingError&) {
      out += "&#" + std::to_string(static_cast<std::uint32_t>(c.code)) + ";";
    }
    pos += c.length;
  }
  return out;
}

// A name for a message: control characters as "?".
std::string Printable(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = '?';
  return text;
}

// A parse failure of a variables file, told with the file and the place.
EXmlDOMDocument FileError(const EXmlDOMDocument& error, std::string_view fileName) {
  XmlParseError parseError = error.ParseError();
  const std::string where =
      parseError.line > 0 ? Format(" (line %d, column %d)", {parseError.line, parseError.linepos}) : std::string();
  parseError.reason =
      Format("The variables file \"%s\" cannot be read%s: %s", {fileName, where, parseError.reason});
  parseError.url = fileName;
  return EXmlDOMDocument(std::move(parseError));
}

}  // namespace

const TypeInfo& VariableTypeInfo() {
  static const TypeInfo info("IVariable", "{A68B4330-5EBE-4C40-B25D-9F2E0D9E9C16}",
                             {
                                 {"index", kVarIndex, kGet, {}, VarType::I4},
                                 {"name", kVarName, kGet, {}, VarType::String},
                                 {"Value", kVarValue, kGetPut, {}, VarType::Variant},
                                 {"xml", kVarXml, kGetPut, {}, VarType::String},
                             });
  return info;
}

const TypeInfo& VariablesTypeInfo() {
  const ParamDesc index{"index", VarType::Variant};
  const ParamDesc name{"name", VarType::String};
  const ParamDesc flags{"flags", VarType::I4};
  const ParamDesc fileName{"fileName", VarType::String};
  static const TypeInfo info("IVariables", "{7DB42629-901B-4E81-92AC-82577342F4EC}",
                             {
                                 {"item", kItem, kGet, {index}, VarType::Dispatch},
                                 {"length", kLength, kGet, {}, VarType::I4},
                                 {"exists", kExists, kMethod, {name, flags}, VarType::Boolean},
                                 {"clear", kClear, kMethod, {}, VarType::Empty},
                                 {"remove", kRemove, kMethod, {index}, VarType::Empty},
                                 {"add", kAdd, kMethod, {name, {"Value", VarType::Variant}}, VarType::Dispatch},
                                 {"auto", kAuto, kGetPut, {}, VarType::Boolean},
                                 {"getItemByName", kGetItemByName, kMethod, {name, flags}, VarType::Dispatch},
                                 {"getIndexByName", kGetIndexByName, kMethod, {name, flags}, VarType::I4},
                                 {"defaultValue", kDefaultValue, kGetPut, {}, VarType::Variant},
                                 {"values", kValues, kGet, {index}, VarType::Variant},
                                 {"script", kScript, kGetPut, {}, VarType::String},
                                 {"save", kSave, kMethod, {fileName}, VarType::Variant},
                                 {"open", kOpen, kMethod, {fileName}, VarType::Variant},
                                 {"xml", kXml, kGetPut, {}, VarType::String},
                                 {"groups", kGroups, kGet, {}, VarType::Dispatch},
                                 {"name", kName, kGetPut, {}, VarType::String},
                                 {"addGroup", kAddGroup, kMethod, {name}, VarType::Dispatch},
                                 {"removeGroup", kRemoveGroup, kMethod, {index}, VarType::Empty},
                                 {"group", kGroup, kGet, {index}, VarType::Dispatch},
                                 {"getGroupByName", kGetGroupByName, kMethod, {name, flags}, VarType::Dispatch},
                             });
  return info;
}

std::string VariableValueText(const Variant& value) {
  switch (value.Type()) {
    case VarType::Empty: return "undefined";
    case VarType::Null: return "null";
    case VarType::Error: return "[error]";
    case VarType::Dispatch:
    case VarType::Unknown: return "[object]";
    case VarType::Array: return "[array]";
    default: return value.ToText();
  }
}

// ---- TVariable ----

TVariable::TVariable() : TAutoObject(VariableTypeInfo()) {}

TVariable::~TVariable() = default;

int TVariable::Index() const { return m_owner ? m_owner->GetIndexByName(m_name, ITEM_MATCH_CASEINSENSITIVE) : -1; }

void TVariable::SetValue(const Variant& value) {
  m_value = value;
  if (m_notifying || !m_owner) return;
  // Keeps the variable alive and marks it while its procedure runs.
  RefPtr<TVariable> self(this);
  m_notifying = true;
  try {
    m_owner->Changed(*this);
  } catch (...) {
    m_notifying = false;
    throw;
  }
  m_notifying = false;
}

void TVariable::Reset() {
  m_owner = nullptr;
  m_name.clear();
  m_value = Variant::Null();
}

Variant TVariable::InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) {
  switch (member.id) {
    case kVarIndex: return Variant(Index());
    case kVarName: return Variant(m_name);
    case kVarValue:
      if (access == MemberAccess::Put) SetValue(args[0]);
      return m_value;
    case kVarXml:
      if (access == MemberAccess::Put) m_xml = args[0].AsString();
      return Variant(m_xml);
    default: return Variant();
  }
}

// ---- TVariables ----

TVariables::TVariables() : TAutoObject(VariablesTypeInfo()) {}

TVariables::~TVariables() {
  for (const RefPtr<TVariable>& item : m_items) item->Reset();
  for (const RefPtr<TVariables>& group : m_groupList) group->m_parent = nullptr;
  if (m_groups) {
    for (const RefPtr<TVariables>& group : m_groups->m_groupList) group->m_parent = nullptr;
    m_groups->m_parent = nullptr;
  }
}

RefPtr<TVariable> TVariables::Item(const Variant& index) {
  if (const std::optional<std::int64_t> i = OrdinalIndex(index)) return EntryAt(m_items, *i);
  if (!index.IsString()) return nullptr;
  const std::string& name = index.AsString();
  if (RefPtr<TVariable> found = GetItemByName(name, ITEM_MATCH_CASEINSENSITIVE)) return found;
  if (!m_auto) return nullptr;
  // A dotted name makes its groups, so the next lookup finds the same item.
  const std::vector<std::string_view> parts = SplitPath(name);
  TVariables* group = this;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    RefPtr<TVariables> next = group->GetGroupByName(parts[i], ITEM_MATCH_CASEINSENSITIVE);
    if (!next) next = group->AddGroup(std::string(parts[i]));
    group = next.Get();
  }
  return group->Add(std::string(parts.back()), m_defaultValue);
}

RefPtr<TVariable> TVariables::GetItemByName(std::string_view name, int flags) const {
  if (name.find('.') != std::string_view::npos) {
    const std::vector<std::string_view> parts = SplitPath(name);
    const TVariables* group = this;
    RefPtr<TVariables> hold;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
      hold = group->GetGroupByName(parts[i], flags);
      if (!hold) return nullptr;
      group = hold.Get();
    }
    return group->GetItemByName(parts.back(), flags);
  }
  const int index = GetIndexByName(name, flags);
  return index < 0 ? nullptr : m_items[static_cast<std::size_t>(index)];
}

int TVariables::GetIndexByName(std::string_view name, int flags) const {
  for (std::size_t i = 0; i < m_items.size(); ++i)
    if (NameMatches(m_items[i]->Name(), name, flags)) return static_cast<int>(i);
  return -1;
}

RefPtr<TVariable> TVariables::Add(const std::string& name, const Variant& value) {
  auto variable = MakeRef<TVariable>();
  variable->m_owner = this;
  variable->m_name = name;
  m_items.push_back(variable);
  variable->SetValue(value);
  return variable;
}

void TVariables::Remove(const Variant& index) {
  const std::int64_t i = index.IsString() ? GetIndexByName(index.AsString(), ITEM_MATCH_CASEINSENSITIVE)
                                          : OrdinalIndex(index).value_or(-1);
  if (!EntryAt(m_items, i)) return;
  RefPtr<TVariable> removed = m_items[static_cast<std::size_t>(i)];
  m_items.erase(m_items.begin() + i);
  removed->Reset();
}

void TVariables::Clear() {
  while (!m_items.empty()) {
    RefPtr<TVariable> removed = m_items.back();
    m_items.pop_back();
    removed->Reset();
  }
}

Variant TVariables::Values(const Variant& index) const {
  RefPtr<TVariable> found;
  if (const std::optional<std::int64_t> i = OrdinalIndex(index))
    found = EntryAt(m_items, *i);
  else if (index.IsString())
    found = GetItemByName(index.AsString(), ITEM_MATCH_CASEINSENSITIVE);
  return found ? found->Value() : m_defaultValue;
}

TVariables& TVariables::Groups() {
  if (m_isContainer) return *this;
  if (!m_groups) {
    m_groups = MakeRef<TVariables>();
    m_groups->m_isContainer = true;
    m_groups->m_parent = this;
  }
  return *m_groups;
}

std::vector<RefPtr<TVariables>>* TVariables::GroupList() const {
  if (m_isContainer) return &const_cast<TVariables*>(this)->m_groupList;
  return m_groups ? &m_groups->m_groupList : nullptr;
}

RefPtr<TVariables> TVariables::AddGroup(const std::string& name) {
  auto group = MakeRef<TVariables>();
  group->m_name = name;
  group->m_parent = m_isContainer ? m_parent : this;
  (m_isContainer ? m_groupList : Groups().m_groupList).push_back(group);
  return group;
}

void TVariables::RemoveGroup(const Variant& index) {
  std::vector<RefPtr<TVariables>>* list = GroupList();
  if (!list) return;
  const std::int64_t i = index.IsString() ? GetGroupIndexByName(index.AsString(), ITEM_MATCH_CASEINSENSITIVE)
                                          : OrdinalIndex(index).value_or(-1);
  if (!EntryAt(*list, i)) return;
  (*list)[static_cast<std::size_t>(i)]->m_parent = nullptr;
  list->erase(list->begin() + i);
}

void TVariables::ClearGroups() {
  std::vector<RefPtr<TVariables>>* list = GroupList();
  while (list && !list->empty()) {
    list->back()->m_parent = nullptr;
    list->pop_back();
  }
}

RefPtr<TVariables> TVariables::Group(const Variant& index) {
  if (const std::optional<std::int64_t> i = OrdinalIndex(index)) {
    const std::vector<RefPtr<TVariables>>* list = GroupList();
    return list ? EntryAt(*list, *i) : nullptr;
  }
  if (!index.IsString()) return nullptr;
  if (RefPtr<TVariables> found = GetGroupByName(index.AsString(), ITEM_MATCH_CASEINSENSITIVE)) return found;
  const bool create = m_isContainer ? m_auto : Groups().m_auto;
  return create ? AddGroup(index.AsString()) : nullptr;
}

RefPtr<TVariables> TVariables::GetGroupByName(std::string_view name, int flags) const {
  const std::vector<RefPtr<TVariables>>* list = GroupList();
  const int index = GetGroupIndexByName(name, flags);
  return index < 0 ? nullptr : (*list)[static_cast<std::size_t>(index)];
}

int TVariables::GetGroupIndexByName(std::string_view name, int flags) const {
  if (const std::vector<RefPtr<TVariables>>* list = GroupList())
    for (std::size_t i = 0; i < list->size(); ++i)
      if (NameMatches((*list)[i]->m_name, name, flags)) return static_cast<int>(i);
  return -1;
}

int TVariables::GroupCount() const {
  const std::vector<RefPtr<TVariables>>* list = GroupList();
  return list ? static_cast<int>(list->size()) : 0;
}

void TVariables::Changed(TVariable& variable) {
  if (m_script.empty() || variable.Xml().empty()) return;
  const Variant args[] = {Variant(RefPtr<TVariable>(&variable))};
  RunScriptProcedure(m_script, variable.Xml(), args, 1);
}

std::string TVariables::Xml() const {
  std::string xml = XmlDeclaration();
  xml += "\r\n";
  try {
    xml += XmlOpenTag(RecordSetElementName, XmlAttribute("name", RecordSetAttributeText(m_name)));
  } catch (const EXmlDOMException& error) {
    throw EXmlDOMException(
        Format("The name of the group \"%s\" cannot be written: %s", {Printable(m_name), error.Message()}));
  }
  xml += "\r\n";
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    const TVariable& item = *m_items[i];
    xml += "  ";
    xml += XmlOpenTag(RecordElementName, XmlAttribute("id", std::to_string(i)));
    try {
      xml += "\r\n    " + XmlElement("name", {}, RecordSetText(item.Name()));
      xml += "\r\n    " + XmlElement("value", {}, RecordSetText(VariableValueText(item.Value())));
      xml += "\r\n    " + XmlElement("type", {}, RecordSetText(VarTypeName(item.Value().Type())));
      xml += "\r\n    " + XmlElement("xml", {}, RecordSetText(item.Xml()));
    } catch (const EXmlDOMException& error) {
      // Nothing is written that would not load again.
      throw EXmlDOMException(Format("The variable \"%s\" (item %d) cannot be written: %s",
                                    {Printable(item.Name()), i, error.Message()}));
    }
    xml += "\r\n  " + XmlCloseTag(RecordElementName) + "\r\n";
  }
  xml += XmlCloseTag(RecordSetElementName);
  xml += "\r\n";
  return xml;
}

void TVariables::Load(const XmlDocument& document) {
  struct Record {
    std::string name;
    std::string value;
    std::string type;
    std::string xml;
  };
  // Read everything before the items are touched; children by name, any missing.
  std::vector<Record> records;
  for (const XmlNode& node : document.documentElement().selectNodes("//record")) {
    Record record;
    for (const XmlNode& child : node.childNodes()) {
      if (child.nodeType() != XmlNodeType::Element) continue;
      const std::string name = child.nodeName();
      if (name == "name") record.name = child.text();
      else if (name == "value") record.value = child.text();
      else if (name == "type") record.type = child.text();
      else if (name == "xml") record.xml = child.text();
    }
    records.push_back(std::move(record));
  }
  Clear();
  for (Record& record : records) {
    auto variable = MakeRef<TVariable>();
    variable->m_owner = this;
    variable->m_name = std::move(record.name);
    variable->m_xml = std::move(record.xml);
    m_items.push_back(variable);
    variable->SetValue(TypedValue(record.value, record.type));
  }
}

void TVariables::SetXml(std::string_view xml) {
  RequireItemList();
  XmlDocument document = XmlDocument::Create();
  document.loadXML(xml);
  Load(document);
}

void TVariables::Save(const std::string& fileName) const {
  SaveBytesToFile(EncodeXmlText(Xml(), XmlEncoding()), fileName, true);
}

void TVariables::Open(const std::string& fileName) {
  RequireItemList();
  XmlDocument document = XmlDocument::Create();
  try {
    document.load(fileName);
  } catch (const EXmlDOMDocument& error) {
    throw FileError(error, fileName);
  }
  Load(document);
}

void TVariables::OpenBytes(std::string_view bytes, const std::string& fileName) {
  RequireItemList();
  XmlDocument document = XmlDocument::Create();
  try {
    document.loadBytes(bytes, fileName);
  } catch (const EXmlDOMDocument& error) {
    throw FileError(error, fileName);
  }
  Load(document);
}

void TVariables::RequireItemList() const {
  if (m_isContainer) throw EListError("The groups container holds groups, not variables");
}

std::optional<Variant> TVariables::InvokeContainerMember(const MemberDesc& member, std::span<Variant> args) {
  switch (member.id) {
    case kItem: return Object(Group(args[0]));
    case kLength: return Variant(GroupCount());
    case kExists: return Variant(GetGroupByName(args[0].AsString(), args[1].ToInt()) != nullptr);
    case kClear: ClearGroups(); return Variant();
    case kRemove: RemoveGroup(args[0]); return Variant();
    case kAdd: throw EListError("The groups container holds groups: add one with addGroup");
    case kGetItemByName: return Object(GetGroupByName(args[0].AsString(), args[1].ToInt()));
    case kGetIndexByName: return Variant(GetGroupIndexByName(args[0].AsString(), args[1].ToInt()));
    case kValues: {
      RefPtr<TVariables> found;
      if (const std::optional<std::int64_t> i = OrdinalIndex(args[0]))
        found = EntryAt(m_groupList, *i);
      else if (args[0].IsString())
        found = GetGroupByName(args[0].AsString(), ITEM_MATCH_CASEINSENSITIVE);
      return found ? Object(found) : m_defaultValue;
    }
    default: return std::nullopt;
  }
}

Variant TVariables::InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) {
  if (m_isContainer)
    if (std::optional<Variant> answer = InvokeContainerMember(member, args)) return *answer;
  const bool put = access == MemberAccess::Put;
  switch (member.id) {
    case kItem: return Object(Item(args[0]));
    case kLength: return Variant(Length());
    case kExists: return Variant(Exists(args[0].AsString(), args[1].ToInt()));
    case kClear: Clear(); return Variant();
    case kRemove: Remove(args[0]); return Variant();
    case kAdd: return Object(Add(args[0].AsString(), args[1]));
    case kAuto:
      if (put) m_auto = args[0].ToBool();
      return Variant(m_auto);
    case kGetItemByName: return Object(GetItemByName(args[0].AsString(), args[1].ToInt()));
    case kGetIndexByName: return Variant(GetIndexByName(args[0].AsString(), args[1].ToInt()));
    case kDefaultValue:
      if (put) m_defaultValue = args[0];
      return m_defaultValue;
    case kValues: return Values(args[0]);
    case kScript:
      if (put) m_script = args[0].AsString();
      return Variant(m_script);
    case kSave: Save(args[0].AsString()); return Variant(true);
    case kOpen: Open(args[0].AsString()); return Variant(true);
    case kXml:
      if (put) SetXml(args[0].AsString());
      return put ? Variant() : Variant(Xml());
    case kGroups: return Object(RefPtr<TVariables>(&Groups()));
    case kName:
      if (put) m_name = args[0].AsString();
      return Variant(m_name);
    case kAddGroup: return Object(AddGroup(args[0].AsString()));
    case kRemoveGroup: RemoveGroup(args[0]); return Variant();
    case kGroup: return Object(Group(args[0]));
    case kGetGroupByName: return Object(GetGroupByName(args[0].AsString(), args[1].ToInt()));
    default: return Variant();
  }
}

TVariables& GetVariables() {
  thread_local RefPtr<TVariables> root;
  if (!root) root = MakeRef<TVariables>();
  root->SetName("variables");
  return *root;
}

}  // namespace halbrin
