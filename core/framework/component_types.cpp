#include "core/framework/component_types.h"

#include <unordered_map>

#include "core/framework/application_hooks.h"
#include "core/framework/interpreter_ex.h"
#include "core/framework/object_ex.h"
#include "core/framework/text_ex.h"
#include "core/framework/window_switch.h"
#include "platform/base/case_fold.h"
#include "platform/classes/collection.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

using TypeTable = std::unordered_map<std::string, TComponentTypeFactory, CaseInsensitiveHash, CaseInsensitiveEqual>;

TypeTable& Types() {
  static TypeTable types;
  return types;
}

}  // namespace

void RegisterComponentType(std::string_view word, TComponentTypeFactory factory) {
  Types()[std::string(word)] = std::move(factory);
}

void UnregisterComponentType(std::string_view word) { Types().erase(std::string(word)); }

bool IsComponentType(std::string_view word) { return Types().count(std::string(word)) != 0; }

void RegisterCoreComponentTypes() {
  RegisterComponentClass<TTextEx>("text");
  RegisterComponentClass<TObjectEx>("object");
  RegisterComponentClass<TInterpreterEx>("interpreter");
  RegisterComponentClass<TWindowSwitch>("windowswitch");
}

TObject* CreateComponentByType(TObject* owner, std::string_view type, const std::string& name) {
  if (SameText(type, "item")) {
    auto* collection = dynamic_cast<TCollection*>(owner);
    if (!collection) return nullptr;
    collection->BeginUpdate();
    TCollectionItem& item = collection->Add();
    collection->EndUpdate();
    return &item;
  }
  auto found = Types().find(std::string(type));
  if (found == Types().end()) return nullptr;
  auto* parent = dynamic_cast<TComponent*>(owner);
  if (!parent) parent = ApplicationHooks().ApplicationComponent();
  if (!parent) return nullptr;
  std::unique_ptr<TComponent> made = found->second(*parent);
  if (!made) return nullptr;
  // A factory may make the component for another owner than the one asked
  // (a menu's items belong to its root item): it joins that one.
  TComponent& into = made->Owner() ? *made->Owner() : *parent;
  // Named before it joins its owner: a name the owner has already leaves nothing behind.
  if (!name.empty()) made->SetName(name);
  return &into.InsertComponent(std::move(made));
}

}  // namespace halbrin
