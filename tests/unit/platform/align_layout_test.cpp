#include "platform/controls/align_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/controls/recording_control_backend.h"
#include "platform/controls/win_control.h"

namespace halbrin::platform {
namespace {

// --- The arithmetic -----------------------------------------------------------

struct AlignCase {
  const char* name;
  std::vector<TAlignItem> items;
  std::vector<TRect> expected;
};

TAlignItem Item(TAlign align, int width, int height, bool visible = true) {
  TAlignItem item;
  item.align = align;
  item.bounds = {7, 9, 7 + width, 9 + height};
  item.visible = visible;
  return item;
}

TAlignItem Limited(TAlignItem item, int minWidth, int minHeight, int maxWidth = 0, int maxHeight = 0) {
  item.minWidth = minWidth;
  item.minHeight = minHeight;
  item.maxWidth = maxWidth;
  item.maxHeight = maxHeight;
  return item;
}

class AlignLayoutTable : public ::testing::TestWithParam<AlignCase> {};

// Client area 200x100 at the origin throughout.
TEST_P(AlignLayoutTable, PlacesEachItem) {
  const AlignCase& c = GetParam();
  const std::vector<TRect> rects = AlignLayout(TRect{0, 0, 200, 100}, c.items);
  ASSERT_EQ(rects.size(), c.expected.size());
  for (std::size_t i = 0; i < rects.size(); ++i) EXPECT_EQ(rects[i], c.expected[i]) << c.name << " item " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AlignLayoutTable,
    ::testing::Values(
        // Listed client first: it still takes only what the sides leave.
        AlignCase{"every side",
                  {Item(alClient, 5, 5), Item(alRight, 30, 5), Item(alLeft, 20, 5), Item(alBottom, 5, 15),
                   Item(alTop, 5, 10)},
                  {{20, 10, 170, 85}, {170, 10, 200, 85}, {0, 10, 20, 85}, {0, 85, 200, 100}, {0, 0, 200, 10}}},
        AlignCase{"same side in list order",
                  {Item(alTop, 5, 10), Item(alTop, 5, 20), Item(alLeft, 30, 5), Item(alLeft, 40, 5)},
                  {{0, 0, 200, 10}, {0, 10, 200, 30}, {0, 30, 30, 100}, {30, 30, 70, 100}}},
        AlignCase{"hidden and unaligned keep their bounds",
                  {Item(alTop, 5, 10, false), Item(alNone, 50, 50), Item(alCustom, 40, 40), Item(alTop, 5, 20)},
                  {{7, 9, 12, 19}, {7, 9, 57, 59}, {7, 9, 47, 49}, {0, 0, 200, 20}}},
        AlignCase{"minimum and maximum sizes",
                  {Limited(Item(alTop, 5, 4), 0, 12), Limited(Item(alLeft, 90, 5), 0, 0, 50),
                   Limited(Item(alClient, 5, 5), 0, 0, 0, 30)},
                  {{0, 0, 200, 12}, {0, 12, 50, 100}, {50, 12, 200, 42}}},
        // A minimum width wider than the client overflows instead of shrinking.
        AlignCase{"minimum beyond the client",
                  {Limited(Item(alTop, 5, 10), 260, 0)}, {{0, 0, 260, 10}}},
        AlignCase{"sides that do not fit leave the rest empty",
                  {Item(alTop, 5, 70), Item(alBottom, 5, 50), Item(alLeft, 150, 5), Item(alRight, 80, 5),
                   Item(alClient, 5, 5)},
                  {{0, 0, 200, 70}, {0, 50, 200, 100}, {0, 70, 150, 70}, {120, 70, 200, 70}, {150, 70, 150, 70}}}),
    [](const ::testing::TestParamInfo<AlignCase>& info) {
      std::string name = info.param.name;
      std::replace(name.begin(), name.end(), ' ', '_');
      return name;
    });

TEST(AlignLayout, AnOffsetClientIsKept) {
  const auto rects = AlignLayout(TRect{4, 20, 104, 80}, {Item(alLeft, 10, 1), Item(alClient, 1, 1)});
  EXPECT_EQ(rects[0], (TRect{4, 20, 14, 80}));
  EXPECT_EQ(rects[1], (TRect{14, 20, 104, 80}));
}

// --- Controls that realign ----------------------------------------------------

class RealignTest : public ::testing::Test {
 protected:
  RealignTest() {
    form.SetBounds(0, 0, 200, 100);
    form.HandleNeeded();
  }
  TWinControl& Child(const std::string& name, TAlign align, int width, int height) {
    auto& control = MakeComponent<TWinControl>(m_owner);
    control.SetName(name);
    control.SetBounds(0, 0, width, height);
    control.SetAlign(align);
    control.SetParent(&form);
    return control;
  }
  int BoundsCalls() const {
    return static_cast<int>(std::count_if(m_backend.Calls().begin(), m_backend.Calls().end(),
                                          [](const std::string& c) { return c.rfind("SetBounds(", 0) == 0; }));
  }
  bool Called(const std::string& call) const {
    return std::find(m_backend.Calls().begin(), m_backend.Calls().end(), call) != m_backend.Calls().end();
  }

  TRecordingControlBackend m_backend;
  ScopedControlBackend m_scope{m_backend};
  TComponent m_owner;
  TWinControl& form = MakeComponent<TWinControl>(m_owner);
};

TEST_F(RealignTest, ChildrenFollowAddsResizesAndTheParentsSize) {
  TWinControl& top = Child("Top", alTop, 10, 20);
  TWinControl& client = Child("Client", alClient, 10, 10);
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 20, 200, 100}));
  // The window gets the computed rectangle (the GTK backend moves the child frame there).
  EXPECT_TRUE(Called("SetBounds(Client 0,20,200,100)"));

  top.SetHeight(35);
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 35, 200, 100}));
  EXPECT_TRUE(Called("SetBounds(Client 0,35,200,100)"));

  form.SetBounds(0, 0, 300, 150);
  EXPECT_EQ(top.BoundsRect(), (TRect{0, 0, 300, 35}));
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 35, 300, 150}));
}

TEST_F(RealignTest, HidingRealigningAndNewMarginsLayOutAgain) {
  TWinControl& left = Child("Left", alLeft, 40, 10);
  TWinControl& client = Child("Client", alClient, 10, 10);
  left.Hide();
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 0, 200, 100}));
  left.Show();
  EXPECT_EQ(client.BoundsRect(), (TRect{40, 0, 200, 100}));

  left.SetAlign(alRight);
  EXPECT_EQ(left.BoundsRect(), (TRect{160, 0, 200, 100}));
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 0, 160, 100}));

  // A skin's frame: the children live inside the non-client margins.
  form.SetNonClientMargins(TRect{2, 20, 2, 10});
  EXPECT_EQ(left.BoundsRect(), (TRect{156, 0, 196, 70}));
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 0, 156, 70}));

  left.SetParent(nullptr);
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 0, 196, 70}));
}

TEST_F(RealignTest, AnAlignedChildMovedElsewhereSnapsBack) {
  TWinControl& top = Child("Top", alTop, 10, 20);
  top.SetBounds(30, 40, 50, 25);
  EXPECT_EQ(top.BoundsRect(), (TRect{0, 0, 200, 25}));
  TWinControl& free = Child("Free", alNone, 10, 10);
  free.SetBounds(30, 40, 50, 25);
  EXPECT_EQ(free.BoundsRect(), (TRect{30, 40, 80, 65}));
}

TEST_F(RealignTest, StackingChangesDoNotReorderTheLayout) {
  TWinControl& first = Child("First", alTop, 10, 10);
  TWinControl& second = Child("Second", alTop, 10, 20);
  first.BringToFront();
  form.Realign();
  EXPECT_EQ(first.BoundsRect(), (TRect{0, 0, 200, 10}));
  EXPECT_EQ(second.BoundsRect(), (TRect{0, 10, 200, 30}));
  EXPECT_EQ(form.AlignOrder(), (std::vector<TControl*>{&first, &second}));
}

TEST_F(RealignTest, DisableAlignFreezesUntilTheLastEnable) {
  TWinControl& top = Child("Top", alTop, 10, 20);
  TWinControl& client = Child("Client", alClient, 10, 10);
  const int before = BoundsCalls();
  form.DisableAlign();
  form.DisableAlign();
  EXPECT_TRUE(form.AlignDisabled());
  top.SetHeight(50);
  form.SetWidth(240);
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 20, 200, 100}));
  form.EnableAlign();
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 20, 200, 100}));
  form.EnableAlign();
  EXPECT_FALSE(form.AlignDisabled());
  EXPECT_EQ(top.BoundsRect(), (TRect{0, 0, 240, 50}));
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 50, 240, 100}));
  // Top's own height, the form's width, then one pass for both children.
  EXPECT_EQ(BoundsCalls() - before, 4);
  // An extra enable does nothing.
  form.EnableAlign();
  EXPECT_FALSE(form.AlignDisabled());
}

TEST_F(RealignTest, ThawingWithNothingAskedForLaysNothingOut) {
  Child("Top", alTop, 10, 20);
  const int before = BoundsCalls();
  form.DisableAlign();
  form.EnableAlign();
  EXPECT_EQ(BoundsCalls(), before);
}

TEST_F(RealignTest, AnObserverChangingTheLayoutWhilePlacedIsCaughtUp) {
  TWinControl& top = Child("Top", alTop, 10, 20);
  TWinControl& client = Child("Client", alClient, 10, 10);
  TWinControl& left = Child("Left", alNone, 30, 10);
  // Told of its new width during a pass, Top brings Left into the layout.
  top.AddObserver([&](TControl&, ControlEvent e) {
    if (e == ControlEvent::Resized) left.SetAlign(alLeft);
  });
  form.SetWidth(220);
  EXPECT_EQ(left.BoundsRect(), (TRect{0, 20, 30, 100}));
  EXPECT_EQ(client.BoundsRect(), (TRect{30, 20, 220, 100}));
}

TEST_F(RealignTest, DestroyingChildrenAndParentsLeavesConsistentBounds) {
  TWinControl& left = Child("Left", alLeft, 40, 10);
  TWinControl& client = Child("Client", alClient, 10, 10);
  TComponent::Free(left);
  EXPECT_EQ(client.BoundsRect(), (TRect{0, 0, 200, 100}));
  m_owner.DestroyComponents();
}

}  // namespace
}  // namespace halbrin::platform
