#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "unit/platform/fixtures/sample_classes.h"

namespace halbrin::platform {
namespace {

using testing::TSample;

// Records the notifications it receives and drops its reference to a removed
// component; it listens to its siblings too.
class TWatcher : public TComponent {
  HALBRIN_CLASS(TWatcher, TComponent)

  explicit TWatcher(TComponent* owner = nullptr) : TComponent(owner) { ListenToSiblings(); }
  void Watch(TComponent* target) {
    m_target = target;
    FreeNotification(target);
  }
  TComponent* m_target = nullptr;
  std::vector<std::string> m_log;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    m_log.push_back((operation == TOperation::opInsert ? "insert " : "remove ") + component->Name());
    if (operation == TOperation::opRemove && component == m_target) m_target = nullptr;
  }
  void Renamed(TComponent& component, const std::string& oldName) override {
    m_log.push_back("renamed " + oldName + " to " + component.Name());
  }
};

HALBRIN_DEFINE_CLASS(TWatcher, )

TEST(Component, OwnerDestroysItsComponentsLastFirst) {
  int destroyed = 0;
  std::vector<std::string> order;
  {
    TComponent owner;
    for (const char* name : {"a", "b", "c"}) {
      TSample& child = MakeComponent<TSample>(owner);
      child.SetName(name);
      child.m_destroyedCounter = &destroyed;
      MakeComponent<TSample>(child).m_destroyedCounter = &destroyed;  // a grandchild
    }
    EXPECT_EQ(owner.ComponentCount(), 3);
    EXPECT_EQ(owner.Components(2)->Name(), "c");
  }
  EXPECT_EQ(destroyed, 6);
}

TEST(Component, FindComponentIgnoresCase) {
  TComponent owner;
  TSample& child = MakeComponent<TSample>(owner);
  child.SetName("MainForm");
  EXPECT_EQ(owner.FindComponent("mainform"), &child);
  EXPECT_EQ(owner.FindComponent("MAINFORM"), &child);
  EXPECT_EQ(owner.FindComponent("other"), nullptr);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
}

TEST(Component, NamesAreCheckedAndUnique) {
  TComponent owner;
  TSample& first = MakeComponent<TSample>(owner);
  first.SetName("button1");
  TSample& second = MakeComponent<TSample>(owner);
  struct Row {
    const char* name;
    const char* message;
  };
  const Row rows[] = {
      {"BUTTON1", "A component named BUTTON1 already exists"},
      {"1button", "'1button' is not a valid component name"},
      {"my button", "'my button' is not a valid component name"},
  };
  for (const Row& row : rows) {
    try {
      second.SetName(row.name);
      ADD_FAILURE() << row.name;
    } catch (const EComponentError& e) {
      EXPECT_EQ(e.Message(), row.message);
    }
  }
  second.SetName("_button2");
  first.SetName("Button1");  // renaming itself with other letter case is fine
  EXPECT_EQ(first.Name(), "Button1");
}

TEST(Component, IndexOutOfBoundsRaisesListError) {
  TComponent owner;
  try {
    owner.Components(0);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (0)");
  }
}

TEST(Component, ComponentIndexMovesWithinOwner) {
  TComponent owner;
  TSample& a = MakeComponent<TSample>(owner);
  TSample& b = MakeComponent<TSample>(owner);
  TSample& c = MakeComponent<TSample>(owner);
  c.SetComponentIndex(0);
  EXPECT_EQ(owner.Components(0), &c);
  EXPECT_EQ(owner.Components(1), &a);
  EXPECT_EQ(b.ComponentIndex(), 2);
  a.SetComponentIndex(99);  // clamped to the end
  EXPECT_EQ(a.ComponentIndex(), 2);
}

TEST(Component, InsertAndRemoveNotifyTheOwner) {
  TWatcher owner;
  TSample& child = MakeComponent<TSample>(owner);
  child.SetName("kid");
  std::unique_ptr<TComponent> released = owner.RemoveComponent(child);
  ASSERT_NE(released, nullptr);
  EXPECT_EQ(released->Owner(), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 0);
  // Moving into another owner.
  TComponent other;
  other.InsertComponent(std::move(released));
  EXPECT_EQ(other.ComponentCount(), 1);
  EXPECT_EQ(owner.m_log, (std::vector<std::string>{"insert ", "remove kid"}));
}

TEST(Component, FreeNotificationClearsReferenceWhenTargetDies) {
  TWatcher watcher;
  auto target = std::make_unique<TSample>();
  target->SetName("target");
  watcher.Watch(target.get());
  target.reset();
  EXPECT_EQ(watcher.m_target, nullptr);
  EXPECT_EQ(watcher.m_log, (std::vector<std::string>{"remove target"}));
}

TEST(Component, FreeNotificationIsUnlinkedWhenWatcherDiesFirst) {
  auto target = std::make_unique<TSample>();
  {
    TWatcher watcher;
    watcher.Watch(target.get());
  }
  // Destroying the target must not call into the dead watcher (the sanitizer would see it).
  target.reset();
  SUCCEED();
}

TEST(Component, NotificationReachesOwnedComponents) {
  TComponent owner;
  TWatcher& watcher = MakeComponent<TWatcher>(owner);
  TSample& sibling = MakeComponent<TSample>(owner);
  sibling.SetName("sib");
  TComponent::Free(sibling);
  EXPECT_EQ(watcher.m_log.back(), "remove sib");
}

TEST(Component, OnlyListenersHearOfTheirSiblings) {
  TComponent owner;
  TWatcher& listener = MakeComponent<TWatcher>(owner);
  TSample& quiet = MakeComponent<TSample>(owner);
  TWatcher deaf;  // a watcher of its own kind, but not one of owner's components
  quiet.SetName("quiet");
  deaf.Watch(&quiet);
  listener.m_log.clear();
  MakeComponent<TSample>(owner).SetName("late");
  TComponent::Free(*owner.FindComponent("late"));
  EXPECT_EQ(listener.m_log, (std::vector<std::string>{"insert ", "remove late"}));
  EXPECT_TRUE(deaf.m_log.empty()) << "not an owned component, no sibling news";
  quiet.SetName("renamed");
  EXPECT_EQ(deaf.m_log, (std::vector<std::string>{"renamed quiet to renamed"})) << "linked: told of the rename";
}

// The owner finds its components by name through an index: every way a name
// or an owner changes must keep it true.
TEST(Component, NameIndexFollowsRenamesRemovalsAndOwnerChanges) {
  TComponent owner;
  TComponent other;
  std::vector<TSample*> made;
  TSample* reborn = nullptr;
  for (int i = 0; i < 40; ++i) {  // long enough for the owner's position index
    TSample& child = MakeComponent<TSample>(owner);
    child.SetName("item" + std::to_string(i));
    made.push_back(&child);
  }
  struct Step {
    const char* label;
    std::function<void()> change;
    std::vector<std::pair<std::string, TComponent*>> found;  // name -> component in owner (nullptr: none)
  };
  const Step steps[] = {
      {"as made", [] {}, {{"ITEM0", made[0]}, {"item39", made[39]}, {"Item17", made[17]}}},
      {"renamed",
       [&] { made[3]->SetName("Third"); },
       {{"item3", nullptr}, {"third", made[3]}, {"THIRD", made[3]}}},
      {"renamed to another letter case", [&] { made[3]->SetName("THIRD"); }, {{"third", made[3]}}},
      {"name cleared", [&] { made[4]->SetName(""); }, {{"item4", nullptr}, {"", nullptr}}},
      {"freed", [&] { TComponent::Free(*made[5]); }, {{"item5", nullptr}, {"item6", made[6]}}},
      {"moved to another owner",
       [&] { other.InsertComponent(owner.RemoveComponent(*made[7])); },
       {{"item7", nullptr}, {"item8", made[8]}}},
      {"a freed name can be taken again",
       [&] {
         reborn = &MakeComponent<TSample>(owner);
         reborn->SetName("item5");
       },
       {}},
      {"moved in position", [&] { made[9]->SetComponentIndex(0); }, {{"item9", made[9]}}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.label);
    step.change();
    for (const auto& [name, expected] : step.found) EXPECT_EQ(owner.FindComponent(name), expected) << name;
  }
  EXPECT_EQ(owner.FindComponent("ITEM5"), reborn);
  EXPECT_EQ(other.FindComponent("ITEM7"), made[7]);
  EXPECT_EQ(made[9]->ComponentIndex(), 0);
  EXPECT_EQ(owner.Components(1), made[0]);
  EXPECT_EQ(made[39]->ComponentIndex(), 37) << "two left the owner, one came at the end";
  EXPECT_EQ(owner.ComponentCount(), 39);
  EXPECT_THROW(made[10]->SetName("third"), EComponentError) << "the index keeps names unique ignoring case";
  TSample& stray = MakeComponent<TSample>(other);
  stray.SetName("Item8");
  EXPECT_THROW(owner.InsertComponent(other.RemoveComponent(stray)), EComponentError);
}

TEST(Component, FreeDestroysAnOwnedComponent) {
  int destroyed = 0;
  TComponent owner;
  TSample& child = MakeComponent<TSample>(owner);
  child.m_destroyedCounter = &destroyed;
  TComponent::Free(child);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(Component, FreeOfUnownedComponentRaises) {
  TSample lonely;
  EXPECT_THROW(TComponent::Free(lonely), EComponentError);
}

TEST(Component, FreeDuringOwnHandlerIsDeferredUntilItReturns) {
  int destroyed = 0;
  TComponent owner;
  TSample& child = MakeComponent<TSample>(owner);
  child.SetName("busy");
  child.m_destroyedCounter = &destroyed;
  TWeakRef<TSample> weak(&child);
  {
    TComponent::TBusyGuard guard(child);
    TComponent::Free(child);
    EXPECT_EQ(destroyed, 0);
    EXPECT_TRUE(weak);                      // still alive for the running handler
    EXPECT_EQ(owner.FindComponent("busy"), nullptr);  // but gone from its owner
    EXPECT_TRUE(child.ComponentState() & csFreePending);
    TComponent::Free(child);  // a second request changes nothing
  }
  EXPECT_EQ(destroyed, 1);
  EXPECT_FALSE(weak);
}

TEST(Component, FreeingTheOwnerFromAChildHandlerWaits) {
  int destroyed = 0;
  TComponent root;
  TSample& form = MakeComponent<TSample>(root);
  form.m_destroyedCounter = &destroyed;
  TSample& button = MakeComponent<TSample>(form);
  button.m_destroyedCounter = &destroyed;
  {
    TComponent::TBusyGuard guard(button);
    TComponent::Free(form);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(button.Owner(), &form);
  }
  EXPECT_EQ(destroyed, 2);
  EXPECT_EQ(root.ComponentCount(), 0);
}

TEST(Component, NestedGuardsWaitForTheOutermost) {
  int destroyed = 0;
  TComponent owner;
  TSample& child = MakeComponent<TSample>(owner);
  child.m_destroyedCounter = &destroyed;
  {
    TComponent::TBusyGuard outer(child);
    {
      TComponent::TBusyGuard inner(child);
      TComponent::Free(child);
    }
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(LiveObjects, HandlesFindLiveObjectsOnly) {
  std::uint32_t handle;
  {
    TSample object;
    handle = object.Handle();
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(object.Handle(), handle);
    EXPECT_EQ(TLiveObjects::Find(handle), &object);
    EXPECT_EQ(TLiveObjects::FindAs<TSample>(handle), &object);
    EXPECT_EQ(TLiveObjects::FindAs<testing::TSampleFont>(handle), nullptr);
  }
  EXPECT_EQ(TLiveObjects::Find(handle), nullptr);
  TSample next;
  EXPECT_NE(next.Handle(), handle);  // never reused
}

}  // namespace
}  // namespace halbrin::platform
