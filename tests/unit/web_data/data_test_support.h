#pragma once

// Recording hooks with a data-provider list and a project name, over a
// temporary $XDG_DATA_HOME that each case gets fresh.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/framework/application_components.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::data_test {

using namespace halbrin::framework_test;

class TDataHooks : public TRecordingHooks {
 public:
  TApplicationComponents* DataProviderList() override { return withList ? &providers : nullptr; }
  Variant ProjectAttribute(std::string_view name) override {
    return name == "name" ? Variant(projectName) : Variant::Null();
  }

  bool withList = true;
  std::string projectName = "demo";
  // Declared last: goes first, freeing the providers it adopted.
  TApplicationComponents providers;
};

class DataTest : public ::testing::Test {
 protected:
  DataTest() {
    char pattern[] = "/tmp/halbrin-data-XXXXXX";
    m_home = mkdtemp(pattern);
    const char* previous = std::getenv("XDG_DATA_HOME");
    if (previous) m_previousHome = previous;
    m_hadHome = previous != nullptr;
    setenv("XDG_DATA_HOME", m_home.c_str(), 1);
  }
  ~DataTest() override {
    DropAsyncScriptEvents();
    if (m_hadHome)
      setenv("XDG_DATA_HOME", m_previousHome.c_str(), 1);
    else
      unsetenv("XDG_DATA_HOME");
    std::error_code ec;
    std::filesystem::permissions(m_home, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_home, ec);
  }

  // The eventData of each recorded script call.
  std::vector<Variant> EventData() const {
    std::vector<Variant> data;
    for (const ScriptCall& call : m_hooks.calls) data.push_back(call.parameters);
    return data;
  }

  std::string m_home;
  std::string m_previousHome;
  bool m_hadHome = false;
  platform::FakeEventLoop m_loop;
  platform::ScopedMainEventLoop m_loopScope{m_loop};
  TDataHooks m_hooks;
  ScopedApplicationHooks m_hooksScope{m_hooks};
};

inline Variant Array(std::vector<Variant> items) { return Variant(platform::VariantArray(std::move(items))); }

}  // namespace halbrin::data_test
