#pragma once

// What the script form and frame tests share: recording hooks that can name a
// main form, the recording control backend and window hosts, a fake loop, and
// helpers to make forms, bind events and read the calls' eventData.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "components/forms/form_ex.h"
#include "core/framework/script_events.h"
#include "platform/controls/recording_control_backend.h"
#include "skins/core/recording_window_host.h"
#include "skins/core/skin_manager.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {

class TFormHooks : public TRecordingHooks {
 public:
  TComponent* MainForm() override { return mainForm; }
  // The project's "folder" attribute when set.
  Variant ProjectAttribute(std::string_view name) override {
    if (name == "folder" && !projectFolder.empty()) return Variant(projectFolder);
    return TRecordingHooks::ProjectAttribute(name);
  }
  TComponent* mainForm = nullptr;
  std::string projectFolder;
};

class FormExTestBase : public ::testing::Test {
 protected:
  ~FormExTestBase() override {
    m_hooks.root.DestroyComponents();
    skins::FreeSkinManager();
  }
  void TearDown() override { DropAsyncScriptEvents(); }

  template <class T = TFormEx>
  T& Make(const std::string& name = "Main") {
    auto& form = platform::MakeComponent<T>(m_hooks.root);
    form.SetName(name);
    form.SetBounds(10, 20, 300, 200);
    return form;
  }
  TScriptEvent& Bind(IScriptEventSource& source, const std::string& event, const std::string& procedure = "handler") {
    TScriptEvent& binding = source.GetEvents()->AttachEvent(event);
    binding.SetXml(procedure);
    return binding;
  }
  // The eventData of each call, in order.
  std::vector<Variant> Parameters() const {
    std::vector<Variant> list;
    for (const ScriptCall& call : m_hooks.calls) list.push_back(call.parameters);
    return list;
  }
  std::vector<std::string> Procedures() const {
    std::vector<std::string> list;
    for (const ScriptCall& call : m_hooks.calls) list.push_back(call.procedure);
    return list;
  }
  // Every recorded backend call that starts with `prefix`.
  std::vector<std::string> Calls(const std::string& prefix) const {
    std::vector<std::string> list;
    for (const std::string& call : backend.Calls())
      if (call.rfind(prefix, 0) == 0) list.push_back(call);
    return list;
  }
  static Variant Array(std::initializer_list<Variant> items) { return Variant(VariantArray(items)); }

  platform::FakeEventLoop m_loop;
  platform::ScopedMainEventLoop m_loopScope{m_loop};
  TFormHooks m_hooks;
  ScopedApplicationHooks m_hooksScope{m_hooks};
  skins::TRecordingWindowHostFactory hosts;
  skins::ScopedWindowHostFactory hostScope{hosts};
  platform::TRecordingControlBackend backend;
  platform::ScopedControlBackend backendScope{backend};
};

}  // namespace halbrin::framework_test
