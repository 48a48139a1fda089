#include "core/framework/xml_type_info_ex.h"

#include "core/foundation/xml_type_info_error.h"
#include "core/framework/application_components.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_operations.h"
#include "core/framework/component_types.h"
#include "core/framework/script_events.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"
#include "platform/classes/collection.h"
#include "platform/classes/property_access.h"
#include "platform/variant/number_text.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TXmlTypeInfoEx, )

namespace {

std::string Trimmed(std::string_view text) { return std::string(TrimBlanks(text)); }

bool StartsWithText(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// The expression of "eval(expression)", or nothing when the text has no such form.
std::optional<std::string> EvalExpression(std::string_view text) {
  if (!StartsWithText(text, "eval(") || text.back() != ')') return std::nullopt;
  return std::string(text.substr(5, text.size() - 6));
}

std::string Attribute(const XmlNode& node, std::string_view name) {
  const Variant value = GetNodeAttribute(node, name);
  return value.IsEmptyOrNull() ? std::string() : value.ToText();
}

// How messages name the object an attribute was applied to: its name path
// (a component's Name) or, for an object without one, its class.
std::string ObjectNameOf(const TObject& object) {
  if (const auto* persistent = dynamic_cast<const TPersistent*>(&object)) return persistent->GetNamePath();
  return std::string(object.ClassName());
}

[[noreturn]] void ThrowNotFound(const std::string& name, const XmlNode& node) {
  ThrowXmlTypeInfoError<EXMLTypeInfoPropertyObjectError>(XmlTypeInfoMessage::ObjectNotFoundFor,
                                                         {name, XmlNodePath(node.parentNode())});
}

}  // namespace

TXmlTypeInfoEx::TXmlTypeInfoEx(TComponent* owner) : TXmlTypeInfo(owner) {
  ReservedIndents()->Add("id");
  ReservedIndents()->Add("content");
  OnGetObject().Bind(*this, &TXmlTypeInfoEx::ResolveObject);
  OnSetPropertyValue().Bind(*this, &TXmlTypeInfoEx::ConvertAttribute);
  OnGetProperties().Bind(*this, &TXmlTypeInfoEx::WriteProperties);
  OnException().Bind(*this, &TXmlTypeInfoEx::ReportException);
}

void TXmlTypeInfoEx::ReportException(TObject*, const Exception& error) {
  ApplicationHooks().HandleException(this, error);
}

void TXmlTypeInfoEx::ResolveObject(TObject*, TObject* instance, const XmlNode& node, TObjectPartInfo& partInfo,
                                   FoundItem& object) {
  SetValue(false);
  const bool lastPart = partInfo.partIndex >= partInfo.partCount - 1;
  std::string command = lastPart ? Trimmed(Attribute(node, "content")) : "update";
  if (command.empty()) command = "new";
  if (SameText(command, "none")) {
    object = TXmlTypeObject::Make(nullptr, TXmlTypeObjectKind::None);
    return;
  }
  std::string id = Attribute(node, "id");
  if (id.empty()) id = Attribute(node, "name");
  const std::string type = Attribute(node, "type");
  if (const std::optional<std::string> expression = EvalExpression(command)) {
    command = Trimmed(ApplicationHooks().EvaluateExpression(*expression).ToText());
    if (SameText(command, "none")) {
      object = TXmlTypeObject::Make(nullptr, TXmlTypeObjectKind::None);
      return;
    }
  }

  bool created = false;
  std::string lookedUp = partInfo.name;
  if (!object) {
    if (TObject* found = FindObject(instance, node, partInfo.name, command, id, type, created, lookedUp))
      object = FoundItem(found);
  }
  SetValue(created);
  if (created) return;
  // Messages name what the author looked for ("A" of <control id="A"/>), not the element.
  if (lookedUp.empty()) lookedUp = partInfo.name;

  TObject* target = object.Get();
  if (SameText(command, "free")) {
    if (target && !ReleaseObject(*target)) {
      if (dynamic_cast<TComponent*>(target))
        throw EComponentError(Format("Component %s has no owner to free it", {ObjectNameOf(*target)}));
      throw EComponentError(Format("Object %s cannot be freed", {ObjectNameOf(*target)}));
    }
    object = TXmlTypeObject::Make(nullptr, TXmlTypeObjectKind::Freed);
  } else if (SameText(command, "update")) {
    if (!target) object = TXmlTypeObject::Make(nullptr, TXmlTypeObjectKind::SkipUpdate);
  } else if (StartsWithText(command, "exist")) {
    object = TXmlTypeObject::Make(target, TXmlTypeObjectKind::Exists);
  } else if (SameText(command, "get")) {
    if (!target) ThrowNotFound(lookedUp, node);
    const std::string property = Attribute(node, "property");
    object = property.empty() ? TXmlTypeObject::Make(target, TXmlTypeObjectKind::PropertyList, Variant(partInfo.name))
                              : TXmlTypeObject::Make(target, TXmlTypeObjectKind::PropertyValue, Variant(property));
  } else if (!target) {
    ThrowNotFound(lookedUp, node);
  }
}

TObject* TXmlTypeInfoEx::FindObject(TObject* instance, const XmlNode&, const std::string& element,
                                    std::string& command, const std::string& id, const std::string& type,
                                    bool& created, std::string& lookedUp) {
  IApplicationHooks& hooks = ApplicationHooks();
  const bool isNew = SameText(command, "new");
  const bool isControl = SameText(element, "control");
  lookedUp = isControl ? id : element;

  if (!instance && isControl) {
    if (type.empty() && id.empty()) return hooks.MainForm();
    if (SameText(type, "application")) return hooks.ApplicationComponent();
    if (SameText(type, "form") || SameText(type, "float")) {
      TCustomApplicationComponents* forms = hooks.FormList();
      if (TComponent* form = forms ? forms->ItemByName(id) : nullptr) return form;
      if (!isNew) return nullptr;
      TComponent* form = hooks.CreateForm(id, SameText(type, "float") ? "float" : "form");
      created = form != nullptr;
      return form;
    }
  }
  if (SameText(element, "this")) return instance;

  if (instance && instance == hooks.FormList()) {
    const std::string name = SameText(element, "item") || SameText(element, "form") ? id : element;
    lookedUp = name;
    if (TComponent* form = hooks.FormList()->ItemByName(name)) return form;
    if (!isNew) return nullptr;
    TComponent* form = hooks.CreateForm(name, "form");
    created = form != nullptr;
    return form;
  }
  if (auto* events = dynamic_cast<TScriptEvents*>(instance)) {
    const std::string name = SameText(element, "item") || SameText(element, "event") ? id : element;
    lookedUp = name;
    if (TScriptEvent* binding = events->Find(name)) return binding;
    if (!isNew) return nullptr;
    created = true;
    return &events->AttachEvent(name);
  }
  if (auto* items = dynamic_cast<IDeclaredItemList*>(instance)) {
    if (SameText(element, "item")) {
      lookedUp = id;
      if (!id.empty())
        if (TObject* found = items->FindItem(id)) return found;
      if (!isNew) return nullptr;
      TObject* made = items->NewItem(id);
      created = made != nullptr;
      return made;
    }
    lookedUp = element;
    if (const std::optional<std::int64_t> number = NumberedItem(element)) {
      if (*number > kMaxDeclaredItemIndex)
        throw EXMLTypeInfo(Format("Item index %s is too large (at most %d)",
                                  {std::string(element.substr(5)), kMaxDeclaredItemIndex}));
      const int index = static_cast<int>(*number);
      if (isNew)
        while (items->Count() <= index)
          if (!items->NewItem({})) break;
      return items->ItemAt(index);
    }
    // Other names are the list's items first; a miss goes on below (a
    // <control type="..."> element makes a component under the list).
    const std::string name = isControl ? id : element;
    if (TObject* found = items->FindItem(name)) return found;
    lookedUp = name;
  }
  if (auto* list = dynamic_cast<TCustomApplicationComponents*>(instance)) {
    lookedUp = SameText(element, "item") ? id : element;
    return list->ItemByName(lookedUp);
  }
  if (auto* collection = dynamic_cast<TCollection*>(instance)) {
    lookedUp = element;
    if (SameText(element, "item")) {
      if (!isNew) return nullptr;
      created = true;
      return CreateComponentByType(collection, "item", {});
    }
    const std::optional<std::int64_t> number = NumberedItem(element);
    if (!number) return nullptr;
    if (*number > kMaxDeclaredItemIndex)
      throw EXMLTypeInfo(
          Format("Item index %s is too large (at most %d)", {std::string(element.substr(5)), kMaxDeclaredItemIndex}));
    const int index = static_cast<int>(*number);
    if (isNew && index >= collection->Count()) {
      collection->BeginUpdate();
      while (collection->Count() <= index) collection->Add();
      collection->EndUpdate();
    }
    return index < collection->Count() ? collection->Items(index) : nullptr;
  }

  const std::string name = isControl ? id : element;
  auto* component = dynamic_cast<TComponent*>(instance);
  if (component && !name.empty())
    if (TComponent* found = component->FindComponent(name)) return found;
  if (TCustomApplicationComponents* registered = hooks.RegisteredComponents())
    if (TComponent* found = registered->ItemByName(name)) return found;
  if (!isNew || type.empty()) return nullptr;
  if (SameText(type, "none")) {
    command = "update";
    return nullptr;
  }
  TObject* made = CreateComponentByType(instance, type, id);
  created = made != nullptr;
  return made;
}

void TXmlTypeInfoEx::ConvertAttribute(TObject*, TObject* instance, const XmlNode& node, int& flags, Variant& value) {
  const std::string prefix = node.prefix();
  const std::string name = node.baseName();
  if (SameText(prefix, "skip") || SameText(prefix, "xmlns") || SameText(name, "xmlns") || IsReservedName(name)) {
    flags = XmlFlagConsumed;
    return;
  }
  if (!instance) return;
  const TPropInfo* prop = GetPropInfo(*instance, name);
  if (SameText(prefix, "new") && !Value()) {
    flags = XmlFlagConsumed;
    return;
  }
  if (StartsWithText(prefix, "exist") && Value()) {
    flags = XmlFlagConsumed;
    return;
  }
  if (!prop) {
    if (SameText(name, "index")) {
      if (auto* item = dynamic_cast<TCollectionItem*>(instance)) {
        item->SetIndex(value.ToInt());
        flags = XmlFlagConsumed;
        return;
      }
    }
    if (SameText(prefix, "update")) {
      flags = XmlFlagConsumed;
      return;
    }
    ThrowXmlTypeInfoError<EXMLTypeInfoPropertyError>(XmlTypeInfoMessage::PropertyNotFoundFor,
                                                     {name, ObjectNameOf(*instance)});
  }
  if (SameText(prefix, "get")) flags |= XmlFlagReadBack;
  if (EvalValues() && value.IsString())
    if (const std::optional<std::string> expression = EvalExpression(Trimmed(value.AsString())))
      value = ApplicationHooks().EvaluateExpression(*expression);
  value = ConvertDeclaredValue(*instance, *prop, prefix, value);
}

void TXmlTypeInfoEx::WriteProperties(TObject*, TObject* instance, const XmlNode&, int&, Variant& value) {
  if (!instance) return;
  value = Variant(GetPropertiesText(*instance, value.IsEmptyOrNull() ? std::string() : value.ToText()));
}

}  // namespace halbrin
