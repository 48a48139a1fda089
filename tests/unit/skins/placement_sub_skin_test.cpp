#include "skins/core/placement_sub_skin.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "fixtures/skin_window_scopes.h"
#include "fixtures/three_button_skin.h"
#include "platform/classes/class_builder.h"
#include "platform/controls/recording_control_backend.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "platform/registry/registry.h"
#include "platform/services/desktop_service.h"
#include "skins/core/form_skin.h"
#include "skins/core/recording_window_host.h"
#include "skins/core/skin_log.h"
#include "support/test_support.h"

namespace halbrin::skins::test {

// A pane skin that takes a side change through its published ControlAlign, as pane skins do.
class TSidedSkin : public TThreeButtonSkin {
  HALBRIN_CLASS(TSidedSkin, TThreeButtonSkin)
  using TThreeButtonSkin::TThreeButtonSkin;
  platform::TAlign ControlAlign() const { return Control() ? Control()->Align() : platform::alNone; }
  void SetControlAlign(platform::TAlign align) {
    if (Control()) Control()->SetAlign(align);
    ++sideChanges;
  }
  int sideChanges = 0;
};

HALBRIN_DEFINE_CLASS(TSidedSkin, .Enum("ControlAlign", &TSidedSkin::ControlAlign, &TSidedSkin::SetControlAlign, platform::AlignInfo()))

}  // namespace halbrin::skins::test

namespace halbrin::skins {
namespace {

using test::TSidedSkin;

using platform::TComponent;
using platform::TRegistry;
using platform::TWindowTraits;

constexpr const char* kPath = "Software\\Zebrin\\Test\\Main";
constexpr TRect kDeclared{100, 80, 500, 380};
// Two monitors' work areas: the primary with a top panel, a second one to its right.
constexpr std::array<TRect, 2> kWorkAreas{TRect{0, 30, 1920, 1080}, TRect{1920, 0, 3200, 1024}};

class TwoMonitors final : public platform::HeadlessDesktopService {
 public:
  TRect WorkArea(const TRect& rect) const override { return kWorkAreas[platform::NearestMonitor(kWorkAreas, rect)]; }
};

TWindowTraits SizableTraits() {
  TWindowTraits t;
  t.caption = t.border = t.sizable = t.framed = t.sysMenu = t.minBox = t.maxBox = true;
  return t;
}

std::vector<std::uint8_t> RectBytes(const TRect& r) {
  std::vector<std::uint8_t> data;
  for (int v : {r.Left, r.Top, r.Right, r.Bottom})
    for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> shift));
  return data;
}

class PlacementTest : public ::testing::Test, protected TSkinWindowScopes {
 protected:
  PlacementTest() {
    CreateSkinManager();
    TakeSkinLogMessages();
  }
  ~PlacementTest() override {
    root.DestroyComponents();
    FreeSkinManager();
  }

  std::string FilePath() const { return config.Path("Zebrin/registry/HKEY_CURRENT_USER.ini"); }

  // A top-level form, hidden until Show(), with a form skin and its placement.
  struct Form {
    TWinControl* control;
    TZebrinFormSkin* skin;
    TZebrinPlacementSubSkin* placement;
  };
  Form MakeForm(const std::string& path = kPath) {
    auto& control = platform::MakeComponent<TWinControl>(root);
    control.SetVisible(false);
    control.SetBoundsRect(kDeclared);
    control.SetWindowTraits(SizableTraits());
    control.HandleNeeded();
    auto& skin = platform::MakeComponent<TZebrinFormSkin>(root);
    skin.Caption()->Add().Metrics()->SetSize(20);
    auto& placement = platform::MakeComponent<TZebrinPlacementSubSkin>(root);
    placement.SetRegistryPath(path);
    skin.SetSubSkin(&placement);
    skin.SetForm(&control);
    skin.SetEnabled(true);
    return {&control, &skin, &placement};
  }
  // Closing: the window goes off the screen, then the skin lets go.
  static void Close(const Form& f) {
    f.control->Hide();
    TComponent::Free(*f.skin);
    TComponent::Free(*f.control);
  }

  static void Store(const std::string& name, const TRect& r) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kPath, true));
    reg.WriteBinaryData(name, RectBytes(r));
  }
  static void Store(const std::string& name, int value) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kPath, true));
    reg.WriteInteger(name, value);
  }
  static std::optional<TRect> StoredRect(const std::string& name) {
    TRegistry reg(platform::RootKey::CurrentUser, true);
    if (!reg.OpenKeyReadOnly(kPath) || !reg.ValueExists(name)) return std::nullopt;
    const std::vector<std::uint8_t> d = reg.ReadBinaryData(name);
    if (d.size() != 16) return std::nullopt;
    auto at = [&](int i) {
      return static_cast<int>(static_cast<std::uint32_t>(d[i]) | d[i + 1] << 8 | d[i + 2] << 16 |
                              static_cast<std::uint32_t>(d[i + 3]) << 24);
    };
    return TRect{at(0), at(4), at(8), at(12)};
  }
  static std::optional<int> StoredInt(const std::string& name) {
    TRegistry reg(platform::RootKey::CurrentUser, true);
    if (!reg.OpenKeyReadOnly(kPath) || !reg.ValueExists(name)) return std::nullopt;
    return reg.ReadInteger(name);
  }

  testing::TempFolder config;
  testing::ScopedEnv env{"XDG_CONFIG_HOME", config.Path().string()};
  TwoMonitors monitors;
  platform::ScopedDesktopService desktop{monitors};
  TComponent root;
};

TEST_F(PlacementTest, PublishedMembersAndDefaults) {
  const platform::TClassInfo& info = TZebrinPlacementSubSkin::StaticClassInfo();
  for (const char* name : {"AdjustPosition", "Enabled", "Handler", "RegistryPath", "OnGetRegistryPath", "SubSkin"})
    EXPECT_NE(info.FindProperty(name), nullptr) << name;
  EXPECT_EQ(info.FindProperty("AdjustPosition")->Default(), platform::Variant(true));
  EXPECT_EQ(info.FindProperty("Enabled")->Default(), platform::Variant(true));
  EXPECT_EQ(info.FindProperty("Handler")->Default(), platform::Variant(0));
  auto& p = platform::MakeComponent<TZebrinPlacementSubSkin>(root);
  EXPECT_TRUE(p.Pending());
  EXPECT_TRUE(p.AdjustPosition());
  EXPECT_EQ(p.Handler(), pshShowing);
  EXPECT_FALSE(p.StoredVisible());
}

TEST_F(PlacementTest, AFormComesBackWhereItWasAndMaximised) {
  Form first = MakeForm();
  first.control->Show();
  EXPECT_FALSE(first.placement->Pending());
  EXPECT_EQ(first.control->BoundsRect(), kDeclared) << "nothing stored yet: the declared bounds";
  first.control->SetBoundsRect({2000, 100, 2600, 500});  // on the second monitor
  Close(first);
  EXPECT_EQ(StoredRect("bounds"), (TRect{2000, 100, 2600, 500}));
  EXPECT_EQ(StoredInt("state"), 1);

  Form second = MakeForm();
  second.control->Show();
  EXPECT_EQ(second.control->BoundsRect(), (TRect{2000, 100, 2600, 500})) << "a secondary monitor is kept";
  second.skin->Maximize();
  Close(second);
  EXPECT_EQ(StoredInt("state"), 3);
  EXPECT_EQ(StoredRect("bounds"), (TRect{2000, 100, 2600, 500})) << "maximised, the normal rectangle is kept";

  Form third = MakeForm();
  third.control->Show();
  EXPECT_TRUE(third.skin->IsMaximized());
  EXPECT_EQ(third.skin->NormalBounds(), (TRect{2000, 100, 2600, 500}));
  third.skin->Restore();
  EXPECT_EQ(third.control->BoundsRect(), (TRect{2000, 100, 2600, 500}));
}

TEST_F(PlacementTest, AWindowNeverShownChangesNothing) {
  Store("bounds", TRect{10, 40, 610, 440});
  Store("state", 3);
  const std::string before = testing::ReadFile(FilePath());
  Form f = MakeForm();
  f.control->SetBoundsRect({0, 0, 300, 200});
  TComponent::Free(*f.skin);
  TComponent::Free(*f.control);
  EXPECT_EQ(testing::ReadFile(FilePath()), before);

  // Visible-handled on a window visible from the start: never loaded, never saved.
  auto& control = platform::MakeComponent<TWinControl>(root);
  control.SetBoundsRect(kDeclared);
  control.HandleNeeded();
  auto& skin = platform::MakeComponent<TZebrinFormSkin>(root);
  auto& placement = platform::MakeComponent<TZebrinPlacementSubSkin>(root);
  placement.SetHandler(pshVisible);
  placement.SetRegistryPath(kPath);
  skin.SetSubSkin(&placement);
  skin.SetForm(&control);
  skin.SetEnabled(true);
  EXPECT_TRUE(placement.Pending());
  skin.Close();
  skin.SetEnabled(false);
  EXPECT_EQ(testing::ReadFile(FilePath()), before);
}

TEST_F(PlacementTest, VisibleHandlerLoadsOnTheFirstChangeToVisible) {
  Store("bounds", TRect{300, 300, 900, 700});
  auto& control = platform::MakeComponent<TWinControl>(root);
  control.SetBoundsRect(kDeclared);
  control.HandleNeeded();
  auto& skin = platform::MakeComponent<TZebrinFormSkin>(root);
  auto& placement = platform::MakeComponent<TZebrinPlacementSubSkin>(root);
  placement.SetHandler(pshVisible);
  placement.SetRegistryPath(kPath);
  skin.SetSubSkin(&placement);
  skin.SetForm(&control);
  skin.SetEnabled(true);
  EXPECT_TRUE(placement.Pending()) << "showing at hook time does not trigger it";
  control.Hide();
  EXPECT_TRUE(placement.Pending()) << "a change to hidden keeps it pending";
  control.Show();
  EXPECT_FALSE(placement.Pending());
  EXPECT_EQ(control.BoundsRect(), (TRect{300, 300, 900, 700}));
}

TEST_F(PlacementTest, ARolledUpFormSavesItsKeptNormalBounds) {
  Form f = MakeForm();
  f.skin->SetMinimizeStyle(smsRollUp);
  f.control->Show();
  f.skin->RecalcFrame();
  f.skin->Minimize();
  ASSERT_LT(f.control->Height(), kDeclared.Height());
  f.skin->Close();
  EXPECT_EQ(StoredRect("bounds"), kDeclared) << "not the caption-only height";
  EXPECT_EQ(StoredInt("state"), 1);
}

TEST_F(PlacementTest, AMinimisedFormIsStoredAsNormal) {
  for (const TZebrinSkinMinimizeStyle style : {smsSystem, smsTaskBar}) {
    SCOPED_TRACE(style == smsSystem ? "system" : "taskbar");
    Form f = MakeForm();
    f.skin->SetMinimizeStyle(style);
    f.control->Show();
    f.skin->Minimize();
    ASSERT_TRUE(f.skin->IsMinimized());
    Close(f);
    EXPECT_EQ(StoredInt("state"), 1) << "only 1 or 3 is ever stored";
    EXPECT_EQ(StoredRect("bounds"), kDeclared);
  }
}

// Stored values the window cannot use give its own; positions are kept on the monitor they lie on.
TEST_F(PlacementTest, StoredValuesAreCheckedAndClampedToTheirMonitor) {
  const struct {
    const char* what;
    std::optional<TRect> bounds;
    std::optional<int> state;
    TRect expected;
    bool maximized;
  } cases[] = {
      {"state 0 (hidden)", TRect{200, 200, 600, 500}, 0, TRect{200, 200, 600, 500}, false},
      {"state 2 (minimised)", TRect{200, 200, 600, 500}, 2, TRect{200, 200, 600, 500}, false},
      {"unknown state", std::nullopt, 77, kDeclared, false},
      {"maximised", std::nullopt, 3, kDeclared, true},
      {"empty rectangle", TRect{0, 0, 0, 0}, 1, kDeclared, false},
      {"inverted rectangle", TRect{500, 500, 100, 100}, 1, kDeclared, false},
      {"below the minimum height", TRect{200, 200, 600, 205}, 1, kDeclared, false},
      {"wider than the monitor", TRect{0, 100, 5000, 500}, 1, kDeclared, false},
      {"off every monitor", TRect{-5000, -5000, -4600, -4700}, 1, kDeclared, false},
      {"under the top panel", TRect{300, 10, 700, 310}, 1, TRect{300, 30, 700, 330}, false},
      {"past the right edge of the second monitor", TRect{3000, 100, 3400, 400}, 1, TRect{2800, 100, 3200, 400}, false},
      {"inside a left part of the primary", TRect{5, 40, 405, 340}, 1, TRect{5, 40, 405, 340}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    {
      TRegistry reg;
      reg.DeleteKey(kPath);
    }
    if (c.bounds) Store("bounds", *c.bounds);
    if (c.state) Store("state", *c.state);
    Form f = MakeForm();
    f.control->Show();
    EXPECT_EQ(f.skin->IsMaximized(), c.maximized);
    EXPECT_EQ(f.skin->PlacementBounds(), c.expected);
    TComponent::Free(*f.skin);
    TComponent::Free(*f.control);
  }
}

TEST_F(PlacementTest, AdjustPositionOffLeavesThePositionAlone) {
  Store("bounds", TRect{300, 10, 700, 310});
  Form f = MakeForm();
  f.placement->SetAdjustPosition(false);
  f.control->Show();
  EXPECT_EQ(f.control->BoundsRect(), (TRect{300, 10, 700, 310}));
}

TEST_F(PlacementTest, ADamagedFileIsReportedOnceAndLeftAsItIs) {
  const std::string damaged = "[Software\\Zebrin\\Test\\Main]\nbounds=nonsense:12\n";
  testing::WriteFile(FilePath(), damaged, testing::MakeFolders::Yes);
  Form f = MakeForm();
  f.control->Show();
  EXPECT_TRUE(f.placement->Damaged());
  EXPECT_EQ(f.control->BoundsRect(), kDeclared) << "the declared bounds";
  f.control->SetBoundsRect({0, 40, 300, 300});
  f.skin->Close();
  Close(f);
  EXPECT_EQ(testing::ReadFile(FilePath()), damaged) << "byte for byte";
  const std::vector<std::string> log = TakeSkinLogMessages();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find("Registry file \""), std::string::npos) << log[0];
  EXPECT_NE(log[0].find("is damaged"), std::string::npos) << log[0];
}

TEST_F(PlacementTest, AnEmptyPathTouchesNothing) {
  Form f = MakeForm("");
  f.control->Show();
  f.control->SetBoundsRect({0, 40, 300, 300});
  Close(f);
  EXPECT_FALSE(std::filesystem::exists(FilePath()));

  // OnGetRegistryPath may give the path.
  struct Paths : TComponent {
    using TComponent::TComponent;
    void Give(platform::TObject*, std::string& path) { path = kPath; }
  };
  auto& paths = platform::MakeComponent<Paths>(root);
  Form g = MakeForm("");
  g.placement->OnGetRegistryPath().Bind(paths, &Paths::Give);
  g.control->Show();
  Close(g);
  EXPECT_EQ(StoredRect("bounds"), kDeclared);
}

// A pane: bounds, align, state, visible and restore, in the pane's own coordinates.
class PanePlacementTest : public PlacementTest {
 protected:
  struct Pane {
    TWinControl* control;
    TSidedSkin* skin;
    TZebrinPlacementSubSkin* placement;
  };
  Pane MakePane() {
    if (!form) {
      form = &platform::MakeComponent<TWinControl>(root);
      form->SetBounds(0, 0, 800, 600);
      form->HandleNeeded();
    }
    auto& control = platform::MakeComponent<TWinControl>(root);
    control.SetParent(form);
    control.SetAlign(platform::alLeft);
    control.SetBounds(0, 0, 200, 600);
    auto& skin = platform::MakeComponent<TSidedSkin>(root);
    auto& placement = platform::MakeComponent<TZebrinPlacementSubSkin>(root);
    placement.SetRegistryPath(kPath);
    skin.SetSubSkin(&placement);
    skin.SetControl(&control);
    skin.SetEnabled(true);
    return {&control, &skin, &placement};
  }
  TWinControl* form = nullptr;
};

TEST_F(PanePlacementTest, RoundTrip) {
  Pane first = MakePane();
  ASSERT_FALSE(first.placement->Pending()) << "showing already when skinned";
  first.control->SetBounds(0, 0, 260, 600);
  first.skin->SetNormalBounds({0, 0, 300, 600});
  first.control->SetAlign(platform::alRight);
  first.skin->SetEnabled(false);
  // The parent's layout has put the pane at its new side.
  EXPECT_EQ(StoredRect("bounds"), (TRect{540, 0, 800, 600}));
  EXPECT_EQ(StoredInt("align"), platform::alRight);
  EXPECT_EQ(StoredInt("state"), 0);
  EXPECT_EQ(StoredInt("visible"), 1);
  EXPECT_EQ(StoredRect("restore"), (TRect{0, 0, 300, 600}));

  Store("visible", 0);
  Pane second = MakePane();
  EXPECT_EQ(second.control->Align(), platform::alRight) << "through the pane skin's side change";
  EXPECT_EQ(second.skin->sideChanges, 1);
  // Beside the first pane, which still holds the right edge, at the stored size.
  EXPECT_EQ(second.control->BoundsRect(), (TRect{280, 0, 540, 600}));
  EXPECT_EQ(second.skin->NormalBounds(), (TRect{0, 0, 300, 600}));
  EXPECT_FALSE(second.placement->StoredVisible());
  EXPECT_TRUE(second.control->Visible()) << "the stored visibility is only kept";
}

TEST_F(PanePlacementTest, CheckedValues) {
  Store("align", platform::alClient);
  Store("restore", TRect{0, 0, 0, 0});
  Store("bounds", TRect{0, 0, 0, 600});
  Store("state", 5);
  Pane p = MakePane();
  EXPECT_EQ(p.control->Align(), platform::alLeft) << "alClient is read but changes nothing";
  EXPECT_EQ(p.skin->sideChanges, 0);
  EXPECT_EQ(p.control->BoundsRect(), (TRect{0, 0, 200, 600})) << "a zero width keeps the declared bounds";
  EXPECT_EQ(p.skin->NormalBounds(), (TRect{0, 0, 200, 600})) << "a zero restore falls back to the declared size";
  EXPECT_FALSE(p.skin->IsMinimized());
}

// ---- The chain ----

class Link : public TZebrinCustomSubSkin {
 public:
  Link(TComponent* owner, std::vector<std::string>& log, std::string name, bool handles)
      : TZebrinCustomSubSkin(owner), m_log(log), m_name(std::move(name)), m_handles(handles) {}
  bool WantsMessage(TSubSkinMessage message) const override { return message == TSubSkinMessage::Close; }
  bool HandleMessage(TZebrinCustomSkin&, TSubSkinMessage) override {
    m_log.push_back(m_name);
    return m_handles;
  }

 private:
  std::vector<std::string>& m_log;
  std::string m_name;
  bool m_handles;
};

TEST_F(PlacementTest, SubSkinChainChecksOrderAndStop) {
  std::vector<std::string> log;
  auto& skin = platform::MakeComponent<TZebrinFormSkin>(root);
  auto& a = platform::MakeComponent<Link>(root, log, "a", false);
  auto& b = platform::MakeComponent<Link>(root, log, "b", true);
  auto& c = platform::MakeComponent<Link>(root, log, "c", false);
  skin.SetSubSkin(&a);
  a.SetSubSkin(&b);
  b.SetSubSkin(&c);
  EXPECT_EQ(c.OwnerSkin(), &skin);

  try {
    a.SetSubSkin(&a);
    ADD_FAILURE() << "no exception";
  } catch (const ESubSkinException& e) {
    EXPECT_STREQ(e.what(), "Impossible to set SubSkin property to itself");
  }
  try {
    c.SetSubSkin(&a);
    ADD_FAILURE() << "no exception";
  } catch (const ESubSkinException& e) {
    EXPECT_STREQ(e.what(), "Impossible to insert SubSkin to the same chain");
  }
  EXPECT_THROW(skin.SetSubSkin(&c), ESubSkinException);
  EXPECT_EQ(skin.SubSkin(), &a);
  EXPECT_EQ(a.SubSkin(), &b);
  EXPECT_EQ(b.SubSkin(), &c);
  EXPECT_EQ(c.SubSkin(), nullptr);

  EXPECT_TRUE(skin.OfferSubSkins(TSubSkinMessage::Close));
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b"})) << "stops at the link that handled it";
  log.clear();
  EXPECT_FALSE(skin.OfferSubSkins(TSubSkinMessage::Destroy)) << "nobody wants it";
  b.SetEnabled(false);
  EXPECT_FALSE(skin.OfferSubSkins(TSubSkinMessage::Close));
  EXPECT_EQ(log, (std::vector<std::string>{"a", "c"})) << "a disabled link is skipped";

  // A freed link leaves the chain; a link set elsewhere leaves its old place.
  TComponent::Free(b);
  EXPECT_EQ(a.SubSkin(), nullptr);
  auto& d = platform::MakeComponent<Link>(root, log, "d", false);
  a.SetSubSkin(&c);
  d.SetSubSkin(&c);
  EXPECT_EQ(a.SubSkin(), nullptr);
  EXPECT_EQ(c.ParentLink(), &d);
  EXPECT_EQ(c.OwnerSkin(), nullptr);
}

}  // namespace
}  // namespace halbrin::skins
