#include "platform/controls/showing_watch.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/controls/recording_control_backend.h"
#include "platform/controls/win_control.h"

namespace halbrin::platform {
namespace {

// A windowed control that logs each turn of its showing.
class TWatched : public TWinControl {
 public:
  TWatched(TComponent* owner, std::vector<bool>& log)
      : TWinControl(owner), m_watch(*this, [&log](bool showing) { log.push_back(showing); }) {}

 protected:
  void ParentChanged() override {
    TWinControl::ParentChanged();
    m_watch.Reparented();
  }

 private:
  TShowingWatch m_watch;
};

class ShowingWatchTest : public ::testing::Test {
 protected:
  ShowingWatchTest() {
    shown.HandleNeeded();
    hidden.SetVisible(false);
    hidden.HandleNeeded();
  }
  TRecordingControlBackend backend;
  ScopedControlBackend scope{backend};
  TComponent root;
  TWinControl& shown = MakeComponent<TWinControl>(root);
  TWinControl& hidden = MakeComponent<TWinControl>(root);
  std::vector<bool> log;
};

TEST_F(ShowingWatchTest, FollowsItsOwnAndItsParentsVisibility) {
  auto& pane = MakeComponent<TWinControl>(root);
  pane.SetParent(&shown);
  auto& control = MakeComponent<TWatched>(root, log);
  control.SetParent(&pane);
  EXPECT_EQ(log, std::vector<bool>{true});
  control.Hide();
  control.Show();
  pane.Hide();  // a parent's parent turns it too
  shown.Hide();  // already not showing: nothing to tell
  pane.Show();
  shown.Show();
  EXPECT_EQ(log, (std::vector<bool>{true, false, true, false, true}));
}

TEST_F(ShowingWatchTest, ANewParentIsWatchedAndTheOldOneForgotten) {
  auto& control = MakeComponent<TWatched>(root, log);
  control.SetParent(&hidden);
  EXPECT_TRUE(log.empty());
  control.SetParent(&shown);
  EXPECT_EQ(log, std::vector<bool>{true});
  hidden.Show();  // the old parent no longer counts
  hidden.Hide();
  EXPECT_EQ(log, std::vector<bool>{true});
  shown.Hide();
  EXPECT_EQ(log, (std::vector<bool>{true, false}));
}

TEST_F(ShowingWatchTest, AParentOutlivingTheControlIsLeftClean) {
  {
    auto& control = MakeComponent<TWatched>(root, log);
    control.SetParent(&shown);
    TComponent::Free(control);
  }
  shown.Hide();
  shown.Show();
  EXPECT_EQ(log, std::vector<bool>{true});
}

}  // namespace
}  // namespace halbrin::platform
