#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unit/platform/fixtures/sample_classes.h"

namespace halbrin::platform {
namespace {

using testing::TSample;

// Records the notifications it receives and drops its reference to a removed component.
class TWatcher : public TComponent {
  HALBRIN_CLASS(TWatcher, TComponent)

  using TComponent::TComponent;
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
