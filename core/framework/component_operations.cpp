#include "core/framework/component_operations.h"

#include <optional>
#include <set>

#include "core/foundation/colors.h"
#include "core/foundation/escapes.h"
#include "core/foundation/property_values.h"
#include "core/foundation/shortcuts.h"
#include "core/foundation/xml_type_info_error.h"
#include "core/framework/application_components.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/script_events.h"
#include "platform/base/case_fold.h"
#include "platform/classes/collection.h"
#include "platform/classes/property_access.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

using Msg = XmlTypeInfoMessage;

bool IsIntegerKind(TTypeKind kind) { return kind == TTypeKind::Integer || kind == TTypeKind::Int64; }

bool ContainsText(std::string_view text, std::string_view part) {
  const std::string folded = FoldCase(text);
  return folded.find(FoldCase(part)) != std::string::npos;
}

[[noreturn]] void InvalidValue(const TPropInfo& prop, const Variant& value) {
  ThrowXmlTypeInfoError<EXMLTypeInfoPropertyConvertError>(Msg::InvalidPropertyValue,
                                                          {prop.Name(), value.IsString() ? value.AsString() : ""});
}

// The parent a ratio is taken of: the object's published "Parent".
const TObject* RatioParent(const TObject& object) {
  const TPropInfo* parent = GetPropInfo(object, "Parent");
  if (!parent || parent->Kind() != TTypeKind::Class) return nullptr;
  return GetObjectProp(object, *parent);
}

void WriteProperties(const TObject& object, std::string_view name, int level, int depth,
                     std::set<const TObject*>& visited, std::string& out) {
  visited.insert(&object);
  const std::string tag = name.empty() ? "control" : std::string(name);
  std::string attributes;
  if (const auto* typed = dynamic_cast<const IComponentType*>(&object)) attributes += XmlAttribute("type", typed->GetTypeName());
  std::vector<std::pair<std::string, const TObject*>> nested;
  const auto* source = dynamic_cast<const IScriptEventSource*>(&object);
  for (const TPropInfo* prop : object.ClassInfo().AllProperties()) {
    // Reading "events" would make the bindings list, which changes how events fire.
    if (source && !source->HasEvents() && SameText(prop->Name(), "events")) continue;
    std::string attribute = prop->Name();
    std::string text;
    try {
      if (IsIntegerKind(prop->Kind()) && ContainsText(prop->TypeName(), "color")) {
        attribute = "color:" + attribute;
        text = ColorToText(static_cast<TColor>(GetOrdProp(object, *prop)));
      } else if (IsIntegerKind(prop->Kind()) && ContainsText(prop->TypeName(), "shortcut")) {
        attribute = "shortcut:" + attribute;
        text = ShortCutToText(static_cast<TShortCut>(GetOrdProp(object, *prop)));
      } else {
        const Variant value = GetPropertyValue(object, *prop);
        if (value.IsDispatch() || value.IsArray()) continue;
        text = value.ToText();
      }
      if (prop->Kind() == TTypeKind::Class)
        if (const TObject* child = GetObjectProp(object, *prop)) nested.emplace_back(prop->Name(), child);
    } catch (const std::exception&) {
      continue;  // a property that cannot be read now is left out
    }
    std::string escaped = XmlEscape(text);
    std::string spaced;
    for (char c : escaped) {
      spaced.push_back(c);
      if (c == ',') spaced.push_back(' ');
    }
    attributes += XmlAttribute(attribute, spaced);
  }
  out += XmlOpenTag(tag, attributes) + "\r\n";
  if (level <= 0 || depth < level) {
    for (const auto& [childName, child] : nested)
      if (!visited.count(child)) WriteProperties(*child, childName, level, depth + 1, visited, out);
  }
  out += XmlCloseTag(tag) + "\r\n";
}

// The object a class property's text names (see ConvertDeclaredValue).
TObject* ObjectByName(const std::string& text) {
  if (text.empty()) return nullptr;
  if (TCustomApplicationComponents* forms = ApplicationHooks().FormList())
    if (TComponent* form = forms->ItemByName(text)) return form;
  if (TCustomApplicationComponents* components = ApplicationHooks().RegisteredComponents())
    if (TComponent* component = components->ItemByName(text)) return component;
  bool digits = true;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  if (digits && text.size() <= 10) {
    if (TObject* live = TLiveObjects::Find(static_cast<std::uint32_t>(std::stoull(text)))) return live;
  }
  ThrowXmlTypeInfoError<EXMLTypeInfoPropertyObjectError>(Msg::ObjectNotFound, {text});
}

Variant ConvertPrefixedValue(const TObject& object, const TPropInfo& prop, std::string_view prefix,
                             const Variant& value) {
  if (prefix.empty()) return value;
  if (IsIntegerKind(prop.Kind())) {
    if (SameText(prefix, "shortcut")) {
      const std::string text = value.ToText();
      const TShortCut code = TextToShortCut(text);
      if (code == 0 && !text.empty()) InvalidValue(prop, value);
      return Variant(static_cast<int>(code));
    }
    if (SameText(prefix, "color")) return Variant(static_cast<int>(TextToColor(value.ToText())));
    if (SameText(prefix, "ratio")) {
      const TObject* parent = RatioParent(object);
      const TPropInfo* same = parent ? GetPropInfo(*parent, prop.Name()) : nullptr;
      if (!same || !IsIntegerKind(same->Kind())) return Variant(0);
      return Variant(static_cast<std::int64_t>(value.ToInt64() * GetOrdProp(*parent, *same) / 100));
    }
  }
  if (prop.Kind() == TTypeKind::Float && SameText(prefix, "datetime")) return Variant::Date(value.ToDate());
  return value;
}

}  // namespace

Variant ConvertDeclaredValue(const TObject& object, const TPropInfo& prop, std::string_view prefix,
                             const Variant& value) {
  Variant converted = ConvertPrefixedValue(object, prop, prefix, value);
  if (prop.Kind() != TTypeKind::Class || !converted.IsString()) return converted;
  TObject* named = ObjectByName(converted.AsString());
  if (!named) return Variant();
  // Checked here, while the author's text is at hand: past this point it is a handle number.
  if (prop.Type().classOf && !named->InheritsFrom(prop.Type().classOf())) InvalidValue(prop, converted);
  return Variant(static_cast<std::int64_t>(named->Handle()));
}

void SetPropertyValueEx(TObject& object, std::string_view name, const Variant& value, std::string_view prefix) {
  const TPropInfo* prop = GetPropInfo(object, name);
  if (!prop) ThrowXmlTypeInfoError<EXMLTypeInfoPropertyError>(Msg::PropertyNotFound, {name});
  SetPropertyValue(object, *prop, ConvertDeclaredValue(object, *prop, prefix, value));
}

std::optional<std::int64_t> NumberedItem(std::string_view name) {
  constexpr std::string_view prefix = "item_";
  if (name.size() <= prefix.size() || !SameText(name.substr(0, prefix.size()), prefix)) return std::nullopt;
  std::int64_t n = 0;
  for (char c : name.substr(prefix.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n > (INT64_MAX - 9) / 10 ? INT64_MAX : n * 10 + (c - '0');
  }
  return n;
}

std::string GetPropertiesText(const TObject& object, std::string_view name, int level) {
  std::set<const TObject*> visited;
  std::string out;
  WriteProperties(object, name, level, 0, visited, out);
  return out;
}

FoundItem GetChildByName(TObject& object, std::string_view name) {
  if (const TPropInfo* prop = GetPropInfo(object, name); prop && prop->Kind() == TTypeKind::Class)
    return FoundItem(GetObjectProp(object, *prop));
  if (auto* list = dynamic_cast<TCustomApplicationComponents*>(&object)) return FoundItem(list->ItemByName(name));
  if (auto* collection = dynamic_cast<TCollection*>(&object)) {
    if (auto* named = dynamic_cast<INamedItemCollection*>(&object)) {
      FoundItem found = named->itemByName(name);
      if (found) return found;
    }
    const std::optional<std::int64_t> index = NumberedItem(name);
    return FoundItem(index && *index < collection->Count() ? collection->Items(static_cast<int>(*index)) : nullptr);
  }
  if (auto* items = dynamic_cast<IDeclaredItemList*>(&object)) {
    // A list that is also a named collection finds (or, as it decides, makes) the item by name.
    if (auto* named = dynamic_cast<INamedItemCollection*>(&object))
      if (FoundItem found = named->itemByName(name)) return found;
    if (TObject* found = items->FindItem(name)) return FoundItem(found);
    const std::optional<std::int64_t> index = NumberedItem(name);
    return FoundItem(index && *index < items->Count() ? items->ItemAt(static_cast<int>(*index)) : nullptr);
  }
  if (auto* component = dynamic_cast<TComponent*>(&object)) return FoundItem(component->FindComponent(name));
  return FoundItem();
}

FoundItem GetChildByVariant(TObject& object, const Variant& value) {
  if (value.IsString()) return GetChildByName(object, value.AsString());
  if (value.IsOrdinal()) {
    const std::int64_t index = value.ToInt64();
    if (auto* list = dynamic_cast<TCustomApplicationComponents*>(&object)) {
      if (index >= 0 && index < list->GetLength()) return FoundItem(list->GetItem(static_cast<int>(index)));
    } else if (auto* items = dynamic_cast<IDeclaredItemList*>(&object)) {
      if (index >= 0 && index < items->Count()) return FoundItem(items->ItemAt(static_cast<int>(index)));
    } else if (auto* collection = dynamic_cast<TCollection*>(&object)) {
      if (index >= 0 && index < collection->Count()) return FoundItem(collection->Items(static_cast<int>(index)));
    } else if (auto* component = dynamic_cast<TComponent*>(&object)) {
      if (index >= 0 && index < component->ComponentCount())
        return FoundItem(component->Components(static_cast<int>(index)));
    }
  }
  if (auto* named = dynamic_cast<INamedItemCollection*>(&object)) {
    try {
      return named->item(value);
    } catch (const EListError&) {
      return FoundItem();
    }
  }
  return FoundItem();
}

int GetChildCount(const TObject& object) {
  // A class that publishes its own length (an image list's images, a form's
  // declared children) says how many it holds.
  if (const TPropInfo* prop = GetPropInfo(object, "length"); prop && IsIntegerKind(prop->Kind()))
    return static_cast<int>(GetOrdProp(object, *prop));
  if (const auto* collection = dynamic_cast<const TCollection*>(&object)) return collection->Count();
  if (const auto* list = dynamic_cast<const TCustomApplicationComponents*>(&object)) return list->GetLength();
  if (const auto* items = dynamic_cast<const IDeclaredItemList*>(&object)) return items->Count();
  if (const auto* component = dynamic_cast<const TComponent*>(&object)) return component->ComponentCount();
  if (const auto* items = dynamic_cast<const IItemCollection*>(&object)) return items->length();
  return 0;
}

TComponent* GetOwnedComponent(const TComponent& component, const Variant& value) {
  if (value.IsString()) return component.FindComponent(value.AsString());
  if (value.IsOrdinal()) {
    const std::int64_t index = value.ToInt64();
    if (index >= 0 && index < component.ComponentCount()) return component.Components(static_cast<int>(index));
  }
  return nullptr;
}

TObject* GetParentObject(const TObject& object) {
  if (const auto* component = dynamic_cast<const TComponent*>(&object)) return component->Owner();
  if (const auto* item = dynamic_cast<const TCollectionItem*>(&object)) return item->Collection();
  if (const auto* collection = dynamic_cast<const TCollection*>(&object)) return collection->GetOwner();
  return nullptr;
}

bool ReleaseObject(TObject& object) {
  if (auto* component = dynamic_cast<TComponent*>(&object)) {
    // Going already (its free waits for a running handler, or it is being destroyed).
    if (component->IsFreePending() || component->IsDestroying()) return true;
    if (!component->Owner()) return false;
    TComponent::Free(*component);
    return true;
  }
  if (auto* item = dynamic_cast<TCollectionItem*>(&object)) {
    if (TCollection* collection = item->Collection()) {
      collection->Delete(item->Index());
      return true;
    }
  }
  return false;
}

TScriptEvent* AttachScriptEvent(TObject& object, std::string_view name, const std::string& script,
                                const std::string& xml, int scriptType) {
  auto* source = dynamic_cast<IScriptEventSource*>(&object);
  if (!source) return nullptr;
  TScriptEvent& binding = source->GetEvents()->AttachEvent(name);
  if (!script.empty()) binding.SetScript(script);
  if (!xml.empty()) binding.SetXml(xml);
  binding.SetScriptType(scriptType);
  return &binding;
}

bool DetachScriptEvent(TObject& object, std::string_view name) {
  auto* source = dynamic_cast<IScriptEventSource*>(&object);
  return source && source->HasEvents() && source->GetEvents()->DetachEvent(name);
}

Variant TriggerScriptEvent(TObject& object, std::string_view name, const Variant& parameters) {
  auto* source = dynamic_cast<IScriptEventSource*>(&object);
  if (!source || !source->HasEvents()) return Variant();
  auto* component = dynamic_cast<TComponent*>(&object);
  std::optional<TComponent::TBusyGuard> busy;
  if (component) busy.emplace(*component);
  const TWeakRef<TObject> alive(&object);
  const Variant previous = source->GetEventData();
  Variant result;
  try {
    source->SetEventData(parameters);
    result = source->GetEvents()->Run(name);
  } catch (const std::exception& error) {
    ApplicationHooks().HandleException(&object, error);
    result = Variant();
  }
  if (alive) source->SetEventData(previous);
  return result;
}

bool HasScriptEvent(const TObject& object, std::string_view name) {
  const auto* source = dynamic_cast<const IScriptEventSource*>(&object);
  if (!source || !source->HasEvents()) return false;
  return const_cast<IScriptEventSource*>(source)->GetEvents()->Find(name) != nullptr;
}

bool AssignObject(TObject& target, const TObject& source) {
  auto* persistent = dynamic_cast<TPersistent*>(&target);
  const auto* from = dynamic_cast<const TPersistent*>(&source);
  if (!persistent || !from) return false;
  persistent->Assign(*from);
  return true;
}

Variant ExecObject(TObject& object, const Variant& command) {
  auto* executable = dynamic_cast<IExecutable*>(&object);
  if (!executable) return Variant();
  executable->SetExec(command);
  return executable->GetExec();
}

std::string GetComponentTypeName(const TObject& object) {
  const auto* typed = dynamic_cast<const IComponentType*>(&object);
  return typed ? typed->GetTypeName() : std::string();
}

std::string GetClassNameText(const TObject& object) {
  std::string name = object.ClassInfo().Name();
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return name;
}

}  // namespace halbrin
