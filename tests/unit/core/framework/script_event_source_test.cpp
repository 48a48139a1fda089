// TScriptEventSourceOf over a plain base: the bindings list made on first
// read and owned by the component, copies of script and active, a freed list
// forgotten, and the base's own notifications kept.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/framework/script_event_source.h"
#include "core/framework/script_events.h"
#include "fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

using platform::TOperation;

// A class-library base with a constructor of its own and a record of what it is told.
class TNotedBase : public TComponent {
 public:
  TNotedBase(TComponent* owner, std::string label) : TComponent(owner), label(std::move(label)) {}

  std::string label;
  std::vector<std::pair<TComponent*, TOperation>> told;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    told.emplace_back(component, operation);
  }
};

class TNotedSource : public TScriptEventSourceOf<TNotedBase> {
 public:
  explicit TNotedSource(TComponent* owner = nullptr) : TScriptEventSourceOf(owner, "noted") {}

  Variant FireEvent(std::string_view, std::span<const Variant>, TComponent*) override { return {}; }
  using TScriptEventSourceOf::FreeEvents;
};

class ScriptEventSourceTest : public FrameworkTest {};

TEST_F(ScriptEventSourceTest, TheListIsMadeOnFirstReadOwnedByTheSourceAndKept) {
  TNotedSource source;
  EXPECT_EQ(source.label, "noted");
  EXPECT_FALSE(source.HasEvents());
  EXPECT_TRUE(source.GetEventData().IsNull());

  TScriptEvents* events = source.GetEvents();
  ASSERT_NE(events, nullptr);
  EXPECT_TRUE(source.HasEvents());
  EXPECT_EQ(events->Owner(), &source);
  EXPECT_EQ(source.GetEvents(), events);
}

TEST_F(ScriptEventSourceTest, EventDataHoldsWhatWasLastWritten) {
  TNotedSource source;
  source.SetEventData(Variant(std::string("first")));
  source.SetEventData(Variant(7));
  EXPECT_EQ(source.GetEventData().AsInt64(), 7);
  EXPECT_FALSE(source.HasEvents()) << "event data never makes the bindings";
}

TEST_F(ScriptEventSourceTest, SettingEventsCopiesScriptAndActiveButNotTheBindings) {
  TFwButton other;
  TScriptEvents* given = other.GetEvents();
  given->SetScript("other.js");
  given->SetActive(false);
  given->AttachEvent("onclick");

  TNotedSource source;
  source.SetEvents(given);
  ASSERT_TRUE(source.HasEvents()) << "the own list is made to take the copy";
  TScriptEvents* own = source.GetEvents();
  EXPECT_NE(own, given);
  EXPECT_EQ(own->GetScript(), "other.js");
  EXPECT_FALSE(own->Active());
  EXPECT_EQ(own->Find("onclick"), nullptr);
  EXPECT_NE(given->Find("onclick"), nullptr) << "the given list keeps its binding";
}

TEST_F(ScriptEventSourceTest, SettingNoListOrTheOwnOneChangesNothing) {
  TNotedSource source;
  source.SetEvents(nullptr);
  EXPECT_FALSE(source.HasEvents());

  TScriptEvents* own = source.GetEvents();
  own->SetScript("own.js");
  source.SetEvents(own);
  EXPECT_EQ(source.GetEvents(), own);
  EXPECT_EQ(own->GetScript(), "own.js");
}

TEST_F(ScriptEventSourceTest, AListFreedAnyWayIsForgottenAndMadeAgainOnTheNextRead) {
  struct Case {
    const char* name;
    void (*free)(TNotedSource& source, TScriptEvents& events);
  };
  const Case cases[] = {
      {"freed from outside", [](TNotedSource&, TScriptEvents& events) { TComponent::Free(events); }},
      {"FreeEvents", [](TNotedSource& source, TScriptEvents&) { source.FreeEvents(); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TNotedSource source;
    TScriptEvents* first = source.GetEvents();
    first->SetScript("first.js");
    c.free(source, *first);
    EXPECT_FALSE(source.HasEvents());

    TScriptEvents* again = source.GetEvents();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Owner(), &source);
    EXPECT_EQ(again->GetScript(), std::string()) << "a new list, not the freed one";
  }
}

TEST_F(ScriptEventSourceTest, TheBaseIsStillToldOfItsComponents) {
  TNotedSource source;
  TScriptEvents* events = source.GetEvents();
  source.told.clear();
  TComponent::Free(*events);
  const std::pair<TComponent*, TOperation> removed{events, TOperation::opRemove};
  EXPECT_NE(std::find(source.told.begin(), source.told.end(), removed), source.told.end());
  EXPECT_FALSE(source.HasEvents());
}

}  // namespace
}  // namespace halbrin::framework_test
