#include "core/foundation/xml_type_info.h"

#include <utility>

#include "core/foundation/delimited_text.h"
#include "core/foundation/msxml_dom_document.h"
#include "platform/classes/property_access.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TCustomTypeInfo, )

HALBRIN_DEFINE_CLASS(TXmlTypeInfo,
                     .Property("exec", &TXmlTypeInfo::Exec, &TXmlTypeInfo::SetExec)
                     .Property("content", &TXmlTypeInfo::Content, &TXmlTypeInfo::SetContent)
                     .Owned()
                     .Property("controlPath", &TXmlTypeInfo::ControlPath, &TXmlTypeInfo::SetControlPath)
                     .Property("reservedIndents", &TXmlTypeInfo::ReservedIndents, &TXmlTypeInfo::SetReservedIndents)
                     .Owned()
                     .Property("stopOnException", &TXmlTypeInfo::StopOnException, &TXmlTypeInfo::SetStopOnException)
                     .Property("evalValues", &TXmlTypeInfo::EvalValues, &TXmlTypeInfo::SetEvalValues)
                     .Property("value", &TXmlTypeInfo::Value, &TXmlTypeInfo::SetValue)
                     .Event("OnGetObject", &TXmlTypeInfo::m_onGetObject, "TGetObjectEvent")
                     .Event("OnSetPropertyValue", &TXmlTypeInfo::m_onSetPropertyValue, "TPropertyValueEvent")
                     .Event("OnGetProperties", &TXmlTypeInfo::m_onGetProperties, "TPropertyValueEvent")
                     .Event("OnException", &TXmlTypeInfo::m_onException, "TTypeInfoExceptionEvent"))

namespace {

using Msg = XmlTypeInfoMessage;

bool IsElement(const XmlNode& node) { return node.nodeType() == XmlNodeType::Element; }

// An element name needs the delimited-text split only when it has a "." (XML
// names hold no blanks or quotes, the split's other separators).
bool IsDottedName(std::string_view name) { return name.find_first_of(".\" \t") != std::string_view::npos; }

void ReadOption(const XmlNode& controls, std::string_view name, bool& option) {
  const Variant text = controls.getAttribute(name);
  if (text.IsNull()) return;
  try {
    option = text.ToBool();
  } catch (const EVariantError&) {
    ThrowXmlTypeInfoError<EXMLTypeInfoPropertyConvertError>(Msg::InvalidPropertyValue, {name, text.AsString()});
  }
}

// Drops what a run handed to the keep-alive list, also when the run fails.
class KeepAliveScope {
 public:
  explicit KeepAliveScope(std::vector<std::unique_ptr<TObject>>& list) : m_list(list), m_size(list.size()) {}
  KeepAliveScope(const KeepAliveScope&) = delete;
  KeepAliveScope& operator=(const KeepAliveScope&) = delete;
  ~KeepAliveScope() {
    while (m_list.size() > m_size) m_list.pop_back();
  }

 private:
  std::vector<std::unique_ptr<TObject>>& m_list;
  std::size_t m_size;
};

}  // namespace

TXmlTypeInfo::TXmlTypeInfo(TComponent* owner)
    : TCustomTypeInfo(owner),
      m_content(std::make_unique<TStringList>()),
      m_reservedIndents(std::make_unique<TStringList>()) {
  for (const char* name : {"type", "class", "property", "object"}) m_reservedIndents->Add(name);
}

TXmlTypeInfo::~TXmlTypeInfo() = default;

void TXmlTypeInfo::SetExec(const Variant&) {
  m_exec = Variant::Null();
  Variant result = Variant::Null();
  ExecuteContent(result);
  m_exec = std::move(result);
}

void TXmlTypeInfo::SetContent(TStringList* content) {
  if (content) {
    m_content->Assign(*content);
  } else {
    m_content->Clear();
  }
}

void TXmlTypeInfo::SetReservedIndents(TStringList* names) {
  if (names) {
    m_reservedIndents->Assign(*names);
  } else {
    m_reservedIndents->Clear();
  }
}

bool TXmlTypeInfo::IsReservedName(std::string_view name) const { return halbrin::IsReservedName(*m_reservedIndents, name); }

void TXmlTypeInfo::Execute(const Variant& source, Variant& result) {
  if (source.IsDispatch() || source.Type() == VarType::Unknown) {
    const RefCounted* object = source.IsDispatch() ? source.AsDispatch() : source.AsUnknown();
    const auto* nodeSource = dynamic_cast<const IXmlNodeSource*>(object);
    if (!nodeSource) throw EXMLTypeInfo("Interface not supported");
    Execute(nodeSource->SourceNode(), result);
    return;
  }
  m_content->SetText(source.ToText());
  ExecuteContent(result);
}

void TXmlTypeInfo::Execute(const XmlNode& source, Variant& result) {
  if (const XmlDocument document = source.AsDocument()) {
    ExecuteDocument(document, result);
  } else {
    ExecuteNode(source, result);
  }
}

void TXmlTypeInfo::ExecuteContent(Variant& result) {
  TMSXMLDOMDocument document;
  document.LoadXML(m_content->Text());
  ExecuteDocument(document.Document(), result);
}

void TXmlTypeInfo::ExecuteDocument(const XmlDocument& document, Variant& result) {
  result = Variant::Null();
  const XmlNode node = document.selectSingleNode(m_controlPath);
  if (node) ExecuteNode(node, result);
}

void TXmlTypeInfo::ReadOptions(const XmlNode& node) {
  // Options a declaration chose hold for its own run only.
  m_stopOnException = m_stopOnExceptionSetting;
  m_evalValues = m_evalValuesSetting;
  const XmlNode document = node.nodeType() == XmlNodeType::Document ? node : XmlNode(node.ownerDocument());
  if (!document) return;
  const XmlNode controls = document.selectSingleNode("//controls");
  if (!controls) return;
  ReadOption(controls, "stopOnException", m_stopOnException);
  ReadOption(controls, "evalValues", m_evalValues);
}

void TXmlTypeInfo::ExecuteNode(const XmlNode& node, Variant& result) {
  ReadOptions(node);
  KeepAliveScope keepAlive(m_keepAlive);
  result = Variant::Null();
  for (XmlNode current = node; current && result.IsNull(); current = current.nextSibling()) {
    if (!IsElement(current)) continue;
    try {
      TObjectPartInfo partInfo{current.baseName()};
      FoundItem object = GetChildObject(nullptr, current, partInfo);
      ProcessObject(std::move(object), current, result);
    } catch (const Exception& e) {
      HandleError(e);
    }
  }
}

void TXmlTypeInfo::HandleError(const Exception& e) {
  // Without a handler an error would vanish: it goes to the caller instead.
  if (m_stopOnException || !DoException(e)) throw;
}

bool TXmlTypeInfo::DoException(const Exception& e) {
  if (!m_onException.Assigned()) return false;
  m_onException(this, e);
  return true;
}

void TXmlTypeInfo::ProcessObject(FoundItem object, const XmlNode& node, Variant& result) {
  if (const auto* marker = object.As<TXmlTypeObject>()) {
    const TXmlTypeObjectKind kind = marker->Kind();
    TObject* target = marker->Target();
    std::string name = marker->Name().IsEmptyOrNull() ? std::string() : marker->Name().ToText();
    if (name.empty()) name = "control";
    object = FoundItem();
    AnswerQuery(kind, target, name, node, result);
    return;
  }
  TObject* target = object.Get();
  if (!target) return;
  const TWeakRef<TObject> alive(target);
  ApplyAttributes(*target, node, result);
  if (!alive) return;
  for (XmlNode child = node.firstChild(); child && result.IsNull(); child = child.nextSibling()) {
    if (!IsElement(child)) continue;
    // A child element may have freed the object the rest would be applied to.
    if (!alive) break;
    ProcessObject(ResolveObjectPath(target, child), child, result);
  }
}

void TXmlTypeInfo::AnswerQuery(TXmlTypeObjectKind kind, TObject* target, const std::string& name, const XmlNode& node,
                               Variant& result) {
  switch (kind) {
    case TXmlTypeObjectKind::Exists:
      result = Variant(target != nullptr);
      return;
    case TXmlTypeObjectKind::PropertyList: {
      if (!target) ThrowXmlTypeInfoError<EXMLTypeInfoPropertyObjectError>(Msg::ObjectNotFound, {name});
      if (!m_onGetProperties.Assigned()) {
        result = Variant();
        return;
      }
      int flags = static_cast<int>(kind);
      Variant value(name);
      m_onGetProperties(this, target, node, flags, value);
      result = Variant(value.ToText());
      return;
    }
    case TXmlTypeObjectKind::PropertyValue:
      if (!target) ThrowXmlTypeInfoError<EXMLTypeInfoPropertyObjectError>(Msg::ObjectNotFound, {name});
      result = GetPropertyValue(*target, name);
      return;
    default:
      // Skip, freed and none markers end the element.
      return;
  }
}

void TXmlTypeInfo::ApplyAttributes(TObject& object, const XmlNode& node, Variant& result) {
  result = Variant::Null();
  if (!IsElement(node)) return;
  const TWeakRef<TObject> alive(&object);
  const auto* component = dynamic_cast<const TComponent*>(&object);
  for (const XmlNode& attribute : node.attributes()) {
    if (!alive || (component && component->IsDestroying())) return;
    try {
      SetAttribute(object, node, attribute, result);
    } catch (const Exception& e) {
      HandleError(e);
    }
    if (!result.IsNull()) break;
  }
  if (!alive) return;
  if (auto* list = dynamic_cast<TStrings*>(&object); list && node.hasChildNodes()) list->SetText(node.text());
}

void TXmlTypeInfo::SetAttribute(TObject& object, const XmlNode& element, const XmlNode& attribute, Variant& result) {
  result = Variant::Null();
  const std::string name = attribute.baseName();
  if (IsReservedName(name)) return;
  Variant value = attribute.nodeValue();
  const TPropInfo* prop = GetPropInfo(object, name);
  int flags = prop ? static_cast<int>(prop->Kind()) : XmlFlagConsumed;
  if (m_onSetPropertyValue.Assigned()) {
    m_onSetPropertyValue(this, &object, attribute, flags, value);
    if (flags == XmlFlagConsumed) return;
  }
  if (!prop || flags == XmlFlagNoProperty) {
    if (!element.parentNode()) ThrowXmlTypeInfoError<EXMLTypeInfoPropertyError>(Msg::PropertyNotFound, {name});
    ThrowXmlTypeInfoError<EXMLTypeInfoPropertyError>(Msg::PropertyNotFoundFor, {name, XmlNodePath(element)});
  }
  SetPropertyValue(object, *prop, value);
  if ((flags & XmlFlagReadBack) != 0) result = GetPropertyValue(object, *prop);
}

void TXmlTypeInfo::GetNodeProperty(const TObject& object, const XmlNode& node, Variant& value) {
  value = GetPropertyValue(object, node.baseName());
}

FoundItem TXmlTypeInfo::ResolveObjectPath(TObject* object, const XmlNode& node) {
  const std::string name = node.baseName();
  std::unique_ptr<TStringList> parts;
  if (IsDottedName(name)) parts = SplitDelimited(name, '.');
  const int count = parts ? parts->Count() : 1;
  FoundItem current(object);
  for (int i = 0; i < count; ++i) {
    std::string part = parts ? std::string(TrimBlanks(parts->Strings(i))) : name;
    if (part.empty()) continue;
    TObjectPartInfo partInfo{std::move(part), i, count};
    FoundItem next = GetChildObject(current.Get(), node, partInfo);
    if (current.IsOwned()) m_keepAlive.push_back(current.TakeOwned());
    current = std::move(next);
    if (current.As<TXmlTypeObject>()) break;
  }
  return current;
}

FoundItem TXmlTypeInfo::GetChildObject(TObject* object, const XmlNode& node, TObjectPartInfo& partInfo) {
  FoundItem candidate;
  if (object) {
    if (const TPropInfo* prop = GetPropInfo(*object, partInfo.name)) {
      if (prop->Kind() != TTypeKind::Class)
        ThrowXmlTypeInfoError<EXMLTypeInfoPropertyObjectError>(Msg::PropertyNotObject, {partInfo.name});
      candidate = FoundItem(GetObjectProp(*object, *prop));
    }
  }
  if (m_onGetObject.Assigned()) m_onGetObject(this, object, node, partInfo, candidate);
  if (!candidate) {
    if (!node) ThrowXmlTypeInfoError<EXMLTypeInfoPropertyObjectError>(Msg::ObjectNotFound, {partInfo.name});
    ThrowXmlTypeInfoError<EXMLTypeInfoPropertyObjectError>(Msg::ObjectNotFoundFor,
                                                           {partInfo.name, XmlNodePath(node.parentNode())});
  }
  return candidate;
}

Variant GetNodeAttribute(const XmlNode& node, std::string_view name, const Variant& defaultValue) {
  Variant value = node.getAttribute(name);
  return value.IsNull() ? defaultValue : value;
}

bool IsReservedName(const TStrings& reservedNames, std::string_view name) { return reservedNames.IndexOf(name) >= 0; }

std::string XmlNodePath(const XmlNode& node) {
  std::vector<std::string> names;
  for (XmlNode current = node; current; current = current.parentNode()) names.push_back(current.baseName());
  std::string path;
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    path += '.';
    path += *name;
  }
  const std::size_t first = path.find_first_not_of('.');
  return first == std::string::npos ? std::string() : path.substr(first);
}

}  // namespace halbrin
