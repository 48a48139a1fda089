#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/automation/dispatch.h"
#include "platform/jsc/jsc_object_dispatch.h"

namespace halbrin::pages {

class PageMembrane;

// A JS object of the page (its document, an element, a function) as the
// client process holds it. Calls reach the object itself; values cross the
// membrane on the way in and out, so whatever the client gets from here is
// wrapped too. Reading a member that holds a function without arguments
// answers DISP_E_MEMBERNOTFOUND: the client's script bridge then binds the
// member as a method instead of taking the function as a value, so
// `document.getElementById('x')` works in client scripts.
class TPageObject final : public platform::IDispatchObject {
 public:
  TPageObject(std::shared_ptr<PageMembrane> membrane, platform::RefPtr<platform::TJsObjectDispatch> target);
  ~TPageObject() override;

  platform::HResult GetIDsOfNames(std::span<const std::string> names, std::span<platform::DispId> ids) override;
  platform::HResult Invoke(platform::DispId id, std::uint16_t kind, platform::DispParams& params,
                           platform::Variant* result, platform::ExcepInfo* excep) override;

  platform::TJsObjectDispatch& Target() const noexcept { return *m_target; }

 private:
  std::shared_ptr<PageMembrane> m_membrane;
  platform::RefPtr<platform::TJsObjectDispatch> m_target;
  const void* m_key;
};

// An object of the client process as page scripts hold it (window.external
// and what its members return). Remembers which members answered a plain
// read with "call me", so each later call of them costs one round trip.
class TClientObject final : public platform::IDispatchObject {
 public:
  TClientObject(std::shared_ptr<PageMembrane> membrane, platform::RefPtr<platform::IDispatchObject> remote);
  ~TClientObject() override;

  platform::HResult GetIDsOfNames(std::span<const std::string> names, std::span<platform::DispId> ids) override;
  platform::HResult Invoke(platform::DispId id, std::uint16_t kind, platform::DispParams& params,
                           platform::Variant* result, platform::ExcepInfo* excep) override;

  platform::IDispatchObject& Remote() const noexcept { return *m_remote; }

 private:
  std::shared_ptr<PageMembrane> m_membrane;
  platform::RefPtr<platform::IDispatchObject> m_remote;
  std::unordered_set<platform::DispId> m_callable;
};

// The boundary between the page's scripts and the client process. Page JS
// objects leave wrapped in TPageObject and the client's objects arrive wrapped
// in TClientObject; each comes back as itself. One wrapper per object while it
// lives, so identity holds across the boundary. Main thread only.
class PageMembrane : public std::enable_shared_from_this<PageMembrane> {
 public:
  PageMembrane() = default;
  PageMembrane(const PageMembrane&) = delete;
  PageMembrane& operator=(const PageMembrane&) = delete;

  // A value on its way to the client: page JS objects wrapped, the client's
  // own objects unwrapped; arrays element by element.
  platform::Variant Outward(const platform::Variant& value);
  // A value from the client: its objects wrapped, the page's own unwrapped.
  platform::Variant Inward(const platform::Variant& value);

  // The node of a page's latest context menu, kept until the next one (or
  // ForgetPage); `handle` names it for the client (kContextNodeId).
  void SetContextNode(std::uint64_t pageId, std::uint64_t handle, platform::Variant node);
  // The node `handle` names, Null when it is no page's latest.
  platform::Variant ContextNode(std::uint64_t handle) const;
  void ForgetPage(std::uint64_t pageId);

  // Runs a job of the binding module (kPageJobId) on a page object: `object`
  // is the object called, `target` the target element or null. Nothing when
  // no job can run on that object's document.
  using JobRunner = std::function<std::optional<platform::Variant>(
      JSCValue* object, const platform::Variant& job, JSCValue* target, const platform::Variant& settings)>;
  void SetJobRunner(JobRunner runner) { m_jobRunner = std::move(runner); }

  std::size_t PageObjectCount() const noexcept { return m_pageObjects.size(); }
  std::size_t ClientObjectCount() const noexcept { return m_clientObjects.size(); }

 private:
  friend class TPageObject;
  friend class TClientObject;

  platform::RefPtr<platform::IDispatchObject> Outward(platform::IDispatchObject* object);
  platform::RefPtr<platform::IDispatchObject> Inward(platform::IDispatchObject* object);

  // Keyed by the JS value (JavaScriptCore keeps one wrapper per value and
  // context) and by the client's proxy.
  std::unordered_map<const void*, TPageObject*> m_pageObjects;
  std::unordered_map<const void*, TClientObject*> m_clientObjects;
  struct ContextNodeEntry {
    std::uint64_t handle;
    platform::Variant node;
  };
  // By page id.
  std::unordered_map<std::uint64_t, ContextNodeEntry> m_contextNodes;
  JobRunner m_jobRunner;
};

}  // namespace halbrin::pages
