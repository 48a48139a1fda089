#include "web/pages/page_membrane.h"

#include <utility>
#include <vector>

#include "platform/automation/remote_dispatch.h"
#include "web/pages/page_protocol.h"

namespace halbrin::pages {

using namespace halbrin::platform;

namespace {

// Failures of a plain read that mean "this member wants to be called".
bool MeansCallable(HResult hr) {
  return hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTFOUND;
}

bool IsPlainRead(std::uint16_t kind, const DispParams& params) {
  return kind == DISPATCH_PROPERTYGET && params.args.empty();
}

template <class Convert>
Variant MapValue(const Variant& value, Convert&& convert) {
  if (value.IsDispatch()) {
    IDispatchObject* object = value.AsDispatch();
    return object ? Variant(convert(object)) : value;
  }
  if (value.IsArray()) {
    VariantArray copy = value.AsArray();
    for (Variant& item : copy.Items()) item = MapValue(item, convert);
    return Variant(std::move(copy));
  }
  return value;
}

// The same call with each argument taken across the membrane.
template <class Convert>
DispParams MapParams(const DispParams& params, Convert&& convert) {
  DispParams mapped;
  mapped.namedIds = params.namedIds;
  mapped.args.reserve(params.args.size());
  for (const Variant& arg : params.args) mapped.args.push_back(convert(arg));
  return mapped;
}

}  // namespace

// --- TPageObject

TPageObject::TPageObject(std::shared_ptr<PageMembrane> membrane, RefPtr<TJsObjectDispatch> target)
    : m_membrane(std::move(membrane)), m_target(std::move(target)), m_key(m_target->Value()) {
  if (m_key) m_membrane->m_pageObjects[m_key] = this;
}

TPageObject::~TPageObject() {
  if (!m_key) return;
  auto found = m_membrane->m_pageObjects.find(m_key);
  if (found != m_membrane->m_pageObjects.end() && found->second == this) m_membrane->m_pageObjects.erase(found);
}

HResult TPageObject::GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) {
  return m_target->GetIDsOfNames(names, ids);
}

HResult TPageObject::Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) {
  Variant scratch;
  Variant& out = result ? *result : scratch;
  out = Variant();
  if (id == kContextNodeId) {
    if (params.args.size() != 1) return DISP_E_BADPARAMCOUNT;
    try {
      out = m_membrane->Outward(m_membrane->ContextNode(static_cast<std::uint64_t>(params.args[0].ToInt64())));
      return S_OK;
    } catch (...) {
      return ExceptionToHResult(excep);
    }
  }
  if (id == kMemberNamesId) {
    try {
      std::vector<Variant> names;
      for (std::string& name : m_target->PropertyNames()) names.emplace_back(std::move(name));
      out = Variant(VariantArray(std::move(names)));
      return S_OK;
    } catch (...) {
      return ExceptionToHResult(excep);
    }
  }
  // The object may lose its last other reference while the call runs.
  RefPtr<TPageObject> self(this);
  std::shared_ptr<PageMembrane> membrane = m_membrane;
  if (id == kPageJobId) {
    if (!membrane->m_jobRunner) return DISP_E_MEMBERNOTFOUND;
    if (params.args.size() != 3) return DISP_E_BADPARAMCOUNT;
    try {
      // The target comes back from the client as the page's own element.
      const Variant target = membrane->Inward(params.args[1]);
      auto* element = target.IsDispatch() ? dynamic_cast<TJsObjectDispatch*>(target.AsDispatch()) : nullptr;
      // A target that is no object of this page process (another view's, the client's) has no module here.
      if (target.IsDispatch() && target.AsDispatch() && !element) return DISP_E_MEMBERNOTFOUND;
      std::optional<Variant> answer =
          membrane->m_jobRunner(m_target->Value(), params.args[0], element ? element->Value() : nullptr, params.args[2]);
      if (!answer) return DISP_E_MEMBERNOTFOUND;
      out = membrane->Outward(*answer);
      return S_OK;
    } catch (...) {
      return ExceptionToHResult(excep);
    }
  }
  DispParams inward = MapParams(params, [&](const Variant& arg) { return membrane->Inward(arg); });
  Variant raw;
  const HResult hr = m_target->Invoke(id, kind, inward, &raw, excep);
  if (Failed(hr)) return hr;
  if (IsPlainRead(kind, params) && raw.IsDispatch()) {
    if (auto* js = dynamic_cast<TJsObjectDispatch*>(raw.AsDispatch()); js && js->IsFunction())
      return DISP_E_MEMBERNOTFOUND;
  }
  out = membrane->Outward(raw);
  return hr;
}

// --- TClientObject

TClientObject::TClientObject(std::shared_ptr<PageMembrane> membrane, RefPtr<IDispatchObject> remote)
    : m_membrane(std::move(membrane)), m_remote(std::move(remote)) {
  m_membrane->m_clientObjects[m_remote.Get()] = this;
}

TClientObject::~TClientObject() {
  auto found = m_membrane->m_clientObjects.find(m_remote.Get());
  if (found != m_membrane->m_clientObjects.end() && found->second == this) m_membrane->m_clientObjects.erase(found);
}

HResult TClientObject::GetIDsOfNames(std::span<const std::string> names, std::span<DispId> ids) {
  return m_remote->GetIDsOfNames(names, ids);
}

HResult TClientObject::Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result,
                              ExcepInfo* excep) {
  if (result) *result = Variant();
  const bool plainRead = IsPlainRead(kind, params);
  if (plainRead && m_callable.contains(id)) return DISP_E_MEMBERNOTFOUND;
  RefPtr<TClientObject> self(this);
  std::shared_ptr<PageMembrane> membrane = m_membrane;
  DispParams outward = MapParams(params, [&](const Variant& arg) { return membrane->Outward(arg); });
  Variant raw;
  const HResult hr = m_remote->Invoke(id, kind, outward, result ? &raw : nullptr, excep);
  if (plainRead && MeansCallable(hr)) m_callable.insert(id);
  if (result && Succeeded(hr)) *result = membrane->Inward(raw);
  return hr;
}

// --- PageMembrane

RefPtr<IDispatchObject> PageMembrane::Outward(IDispatchObject* object) {
  if (auto* client = dynamic_cast<TClientObject*>(object)) return RefPtr<IDispatchObject>(&client->Remote());
  auto* js = dynamic_cast<TJsObjectDispatch*>(object);
  if (!js) return RefPtr<IDispatchObject>(object);
  if (JSCValue* value = js->Value()) {
    if (auto found = m_pageObjects.find(value); found != m_pageObjects.end())
      return RefPtr<IDispatchObject>(found->second);
  }
  return MakeRef<TPageObject>(shared_from_this(), RefPtr<TJsObjectDispatch>(js));
}

RefPtr<IDispatchObject> PageMembrane::Inward(IDispatchObject* object) {
  if (auto* page = dynamic_cast<TPageObject*>(object)) return RefPtr<IDispatchObject>(&page->Target());
  if (!dynamic_cast<TRemoteDispatch*>(object)) return RefPtr<IDispatchObject>(object);
  if (auto found = m_clientObjects.find(object); found != m_clientObjects.end())
    return RefPtr<IDispatchObject>(found->second);
  return MakeRef<TClientObject>(shared_from_this(), RefPtr<IDispatchObject>(object));
}

Variant PageMembrane::Outward(const Variant& value) {
  return MapValue(value, [this](IDispatchObject* object) { return Outward(object); });
}

Variant PageMembrane::Inward(const Variant& value) {
  return MapValue(value, [this](IDispatchObject* object) { return Inward(object); });
}

// --- context nodes

void PageMembrane::SetContextNode(std::uint64_t pageId, std::uint64_t handle, Variant node) {
  m_contextNodes[pageId] = ContextNodeEntry{handle, std::move(node)};
}

Variant PageMembrane::ContextNode(std::uint64_t handle) const {
  for (const auto& [pageId, entry] : m_contextNodes)
    if (entry.handle == handle && handle != 0) return entry.node;
  return Variant::Null();
}

void PageMembrane::ForgetPage(std::uint64_t pageId) { m_contextNodes.erase(pageId); }

}  // namespace halbrin::pages
