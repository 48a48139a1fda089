// Script forms: exec words, events with their eventData and what their
// answers do, firstShow, clear and the companions, user-interface options,
// flash, icons, drop shadow, z-order, MDI children and the type word.

#include "components/forms/form_ex.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "components/forms/action_ex.h"
#include "components/forms/control_skin_ex.h"
#include "components/forms/form_component_types.h"
#include "components/forms/form_skin_ex.h"
#include "components/forms/frame_ex.h"
#include "components/forms/icon_decoder.h"
#include "components/forms/skin_tool_buttons.h"
#include "core/foundation/property_values.h"
#include "core/framework/component_types.h"
#include "platform/eventloop/modal_loop.h"
#include "skins/core/placement_sub_skin.h"
#include "unit/components/forms/form_ex_test_support.h"

namespace halbrin::framework_test {
namespace {

using platform::TCloseAction;
using platform::TMouseButton;
using platform::TPoint;
using platform::TWinControl;
using skins::TZebrinPlacementSubSkin;

// Writes its name to a shared list when it goes.
class TDying : public TComponent {
 public:
  TDying(TComponent* owner, std::vector<std::string>& log) : TComponent(owner), m_log(log) {}
  ~TDying() override { m_log.push_back(Name()); }

 private:
  std::vector<std::string>& m_log;
};

class FormExTest : public FormExTestBase {};

TEST_F(FormExTest, ExecWordsActWithoutRegardToCaseAndUnknownOnesChangeNothing) {
  struct ExecCase {
    Variant word;
    Variant result;
    std::function<bool(TFormEx&)> done;
  } const cases[] = {
      {Variant("CLOSE"), true, [](TFormEx& f) { return !f.Visible(); }},
      {Variant("Minimize"), true, [](TFormEx& f) { return f.WindowState() == platform::wsMinimized; }},
      {Variant("maximize"), true, [](TFormEx& f) { return f.WindowState() == platform::wsMaximized; }},
      {Variant("hide"), true, [](TFormEx& f) { return !f.Visible(); }},
      {Variant("activate"), true, [](TFormEx& f) { return platform::Screen().ActiveForm() == &f && f.GetActive(); }},
      {Variant("cascade"), true, [](TFormEx& f) { return f.Visible(); }},
      {Variant("refresh"), true, [](TFormEx& f) { return f.Visible(); }},
      {Variant("release"), true, [](TFormEx& f) { return f.ReleasePending() && f.Visible(); }},
      {Variant("clear"), Variant::Null(), [](TFormEx& f) { return f.ComponentCount() == 0 && f.Visible(); }},
      {Variant("bogus"), false,
       [](TFormEx& f) { return f.Visible() && f.WindowState() == platform::wsNormal && f.ComponentCount() == 1; }},
      {Variant(""), false, [](TFormEx& f) { return f.Visible() && f.ComponentCount() == 1; }},
      {Variant(7), false, [](TFormEx& f) { return f.Visible() && f.ComponentCount() == 1; }},
  };
  for (const ExecCase& c : cases) {
    SCOPED_TRACE("word " + c.word.ToText());
    TFormEx& form = Make();
    form.Show();
    platform::MakeComponent<TComponent>(form);
    form.SetExec(c.word);
    EXPECT_EQ(form.GetExec(), c.result);
    EXPECT_TRUE(c.done(form));
    TComponent::Free(form);
  }
}

TEST_F(FormExTest, ExecShowRestoreAndRepaintReachTheWindow) {
  TFormEx& form = Make();
  form.SetExec(Variant("show"));
  EXPECT_TRUE(form.Visible());
  EXPECT_TRUE(backend.IsVisible(form.Window()));
  form.SetExec(Variant("maximize"));
  form.SetExec(Variant("RESTORE"));
  EXPECT_EQ(form.WindowState(), platform::wsNormal);
  backend.ClearCalls();
  form.SetExec(Variant("Repaint"));
  EXPECT_EQ(Calls("Invalidate"), std::vector<std::string>{"Invalidate(Main)"});
  EXPECT_EQ(form.GetExec(), Variant(true));
}

TEST_F(FormExTest, ShowModalReadsTheModalResult) {
  TFormEx& form = Make();
  platform::ScopedModalLoopRunner runner([&](platform::TModalLoop&) { form.SetModalResult(2); });
  form.SetExec(Variant("ShowModal"));
  EXPECT_EQ(form.GetExec(), Variant(2));
  EXPECT_TRUE(form.GetExec().IsInteger());
  EXPECT_FALSE(form.Visible()) << "the modal loop hides the form";
}

TEST_F(FormExTest, ReleaseFreesTheFormOnTheNextIdle) {
  TFormEx& form = Make();
  Bind(form, "ondestroy", "gone");
  platform::TWeakRef<TFormEx> alive(&form);
  form.SetExec(Variant("release"));
  EXPECT_TRUE(alive);
  m_loop.RunIdle();
  EXPECT_FALSE(alive);
  EXPECT_EQ(Procedures(), std::vector<std::string>{"gone"});
  EXPECT_EQ(Parameters(), std::vector<Variant>{Variant("Main")});
}

TEST_F(FormExTest, EventsCarryTheirData) {
  using platform::ssAlt;
  using platform::ssCtrl;
  using platform::ssDouble;
  using platform::ssLeft;
  using platform::ssShift;
  struct EventCase {
    const char* binding;
    std::function<void(TFormEx&)> cause;
    Variant data;
  } const cases[] = {
      {"onclick", [](TFormEx& f) { f.Click(); }, Variant("Main")},
      {"ondblclick", [](TFormEx& f) { f.WindowMouseDownInput(TMouseButton::mbLeft, ssDouble, 5, 5); }, Variant("Main")},
      {"onhide", [](TFormEx& f) { f.Hide(); }, Variant("Main")},
      {"onresize", [](TFormEx& f) { f.SetWidth(310); }, Variant("Main")},
      {"onactivate", [](TFormEx& f) { f.WindowActivationChanged(true); }, Variant("Main")},
      {"ondeactivate",
       [](TFormEx& f) {
         f.WindowActivationChanged(true);
         f.WindowActivationChanged(false);
       },
       Variant("Main")},
      {"oncreate", [](TFormEx& f) { f.DoCreate(); }, Variant("Main")},
      {"onmouseenter", [](TFormEx& f) { f.WindowMouseEnterInput(); }, Variant("Main")},
      {"onmouseleave", [](TFormEx& f) { f.WindowMouseLeaveInput(); }, Variant("Main")},
      {"onshow",
       [](TFormEx& f) {
         f.Hide();
         f.Show();
       },
       Array({"Main", false})},
      {"onclosequery", [](TFormEx& f) { f.Close(); }, Variant("Main")},
      {"onclose", [](TFormEx& f) { f.Close(); }, Array({"Main", 1})},
      {"oncontextpopup", [](TFormEx& f) { f.WindowContextMenuInput({7, 8}); }, Array({"Main", 7, 8})},
      {"oncontextpopup", [](TFormEx& f) { f.WindowKeyDownInput(platform::kVkApps, 0); }, Array({"Main", -1, -1})},
      {"onhelp",
       [](TFormEx& f) {
         f.SetHelpContext(42);
         f.WindowKeyDownInput(platform::kVkF1, 0);
       },
       Array({"Main", 1, 42})},
      {"onkeydown", [](TFormEx& f) { f.WindowKeyDownInput(0x41, ssShift | ssCtrl); }, Array({"Main", 0x41, 3})},
      {"onkeyup", [](TFormEx& f) { f.WindowKeyUpInput(0x41, ssAlt); }, Array({"Main", 0x41, 4})},
      {"onkeypress", [](TFormEx& f) { f.WindowKeyPressInput('\xE9'); }, Array({"Main", 0xE9})},
      {"onmousedown", [](TFormEx& f) { f.WindowMouseDownInput(TMouseButton::mbRight, ssShift, 3, 4); },
       Array({"Main", 2, 1, 3, 4})},
      {"onmouseup", [](TFormEx& f) { f.WindowMouseUpInput(TMouseButton::mbMiddle, ssCtrl | ssAlt, 5, 6); },
       Array({"Main", 4, 6, 5, 6})},
      {"onmousemove", [](TFormEx& f) { f.WindowMouseMoveInput(ssAlt | ssLeft, 7, 8); }, Array({"Main", 4, 7, 8})},
      {"onmousewheeldown", [](TFormEx& f) { f.WindowMouseWheelInput(true, ssCtrl, 9, 10); },
       Array({"Main", 2, 9, 10})},
      {"onmousewheelup", [](TFormEx& f) { f.WindowMouseWheelInput(false, 0, 1, 2); }, Array({"Main", 0, 1, 2})},
  };
  for (const EventCase& c : cases) {
    SCOPED_TRACE(c.binding);
    TFormEx& form = Make();
    form.Show();
    Bind(form, c.binding);
    m_hooks.calls.clear();
    c.cause(form);
    EXPECT_EQ(Parameters(), std::vector<Variant>{c.data});
    EXPECT_TRUE(form.GetEventData().IsNull()) << "eventData is given back after the run";
    TComponent::Free(form);
  }
}

// What the form does after the handler answered, as text.
std::string CloseOutcome(TFormEx& form) {
  if (form.ReleasePending()) return "released";
  if (form.WindowState() == platform::wsMinimized) return "minimized";
  return form.Visible() ? "visible" : "hidden";
}

TEST_F(FormExTest, OnlyIntegerAndBooleanAnswersApply) {
  const auto key = [](std::uint16_t k) { return [k](TFormEx& f) { return Variant(int(f.WindowKeyDownInput(k, 0))); }; };
  const auto keyUp = [](TFormEx& f) { return Variant(int(f.WindowKeyUpInput(0x41, 0))); };
  const auto press = [](TFormEx& f) { return Variant(int(static_cast<unsigned char>(f.WindowKeyPressInput('a')))); };
  const auto close = [](TFormEx& f) {
    f.Close();
    return Variant(CloseOutcome(f));
  };
  const auto popup = [](TFormEx& f) { return Variant(f.WindowContextMenuInput({1, 1})); };
  const auto wheel = [](TFormEx& f) { return Variant(f.WindowMouseWheelInput(true, 0, 1, 1)); };
  const auto help = [](TFormEx& f) { return Variant(f.DoHelp(1, 0)); };
  struct AnswerCase {
    const char* binding;
    Variant answer;
    std::function<Variant(TFormEx&)> act;
    Variant outcome;
  } const cases[] = {
      {"onkeydown", 0, key(0x41), 0},
      {"onkeydown", 0x42, key(0x41), 0x42},
      {"onkeydown", "x", key(0x41), 0x41},
      {"onkeydown", false, key(0x41), 0},
      {"onkeydown", true, key(0x41), 0x41},
      {"onkeydown", 2.5, key(0x41), 0x41},
      {"onkeydown", Variant::Null(), key(0x41), 0x41},
      {"onkeyup", 0, keyUp, 0},
      {"onkeyup", true, keyUp, 0x41},
      {"onkeypress", 0, press, 0},
      {"onkeypress", 0x62, press, 0x62},
      {"onkeypress", 0x1E9, press, 0xE9},
      {"onkeypress", true, press, 0x61},
      {"onkeypress", false, press, 0},
      {"onkeypress", "b", press, 0x61},
      {"onclose", 0, close, "visible"},
      {"onclose", 2, close, "released"},
      {"onclose", 3, close, "minimized"},
      {"onclose", false, close, "visible"},
      {"onclose", true, close, "hidden"},
      {"onclose", 9, close, "hidden"},
      {"onclose", -1, close, "hidden"},
      {"onclose", "0", close, "hidden"},
      {"onclosequery", false, close, "visible"},
      {"onclosequery", 0, close, "visible"},
      {"onclosequery", 1, close, "hidden"},
      {"onclosequery", "false", close, "hidden"},
      {"oncontextpopup", true, popup, true},
      {"oncontextpopup", 1, popup, true},
      {"oncontextpopup", "true", popup, false},
      {"onmousewheeldown", true, wheel, true},
      {"onmousewheeldown", "1", wheel, false},
      {"onhelp", false, help, true},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(std::string(c.binding) + " answering " + c.answer.ToText() + " (" + std::string(c.answer.TypeName()) +
                 ")");
    TFormEx& form = Make();
    form.Show();
    Bind(form, c.binding);
    m_hooks.answer = [&](const ScriptCall&) { return c.answer; };
    EXPECT_EQ(c.act(form), c.outcome);
    m_hooks.answer = nullptr;
    TComponent::Free(form);
  }
}

TEST_F(FormExTest, ShowReportsFirstShowUntilShownAndAgainAfterClear) {
  TFormEx& form = Make();
  EXPECT_TRUE(form.FirstShow());
  Bind(form, "onshow");
  form.Show();
  EXPECT_FALSE(form.FirstShow());
  form.Hide();
  form.Show();
  form.SetExec(Variant("clear"));
  EXPECT_TRUE(form.FirstShow());
  Bind(form, "onshow");
  form.Hide();
  form.Show();
  EXPECT_EQ(Parameters(), (std::vector<Variant>{Array({"Main", true}), Array({"Main", false}), Array({"Main", true})}));
}

TEST_F(FormExTest, ClearFreesEverythingItOwnsLastFirstAndResets) {
  std::vector<std::string> freed;
  TFormEx& form = Make();
  for (const char* name : {"First", "Second", "Third"})
    form.InsertComponent(std::make_unique<TDying>(&form, freed)).SetName(name);
  Bind(form, "onclick");
  form.Skin();
  form.SkinButtons();
  form.Actions();
  form.SetEventData(Variant(5));
  form.SetExec(Variant("hide"));
  EXPECT_EQ(form.length(), 3) << "the companions do not count";
  EXPECT_FALSE(form.empty());

  form.clear();
  EXPECT_EQ(freed, (std::vector<std::string>{"Third", "Second", "First"}));
  EXPECT_EQ(form.ComponentCount(), 0) << "the companions go too";
  EXPECT_EQ(form.PeekSkin(), nullptr);
  EXPECT_FALSE(form.HasEvents());
  EXPECT_TRUE(form.GetEventData().IsNull());
  EXPECT_TRUE(form.GetExec().IsNull());
  EXPECT_TRUE(form.empty());
  form.Click();
  EXPECT_TRUE(m_hooks.calls.empty()) << "the old binding went with the events";
  EXPECT_NE(form.Skin(), nullptr) << "companions are made again on use";
  EXPECT_TRUE(form.empty());
}

TEST_F(FormExTest, EmptyWrittenTrueClearsAndFalseDoesNothing) {
  std::vector<std::string> freed;
  TFormEx& form = Make();
  form.InsertComponent(std::make_unique<TDying>(&form, freed)).SetName("Item");
  SetPropertyValue(form, "empty", Variant(false));
  EXPECT_EQ(form.length(), 1);
  SetPropertyValue(form, "empty", Variant(true));
  EXPECT_EQ(freed, std::vector<std::string>{"Item"});
}

TEST_F(FormExTest, ClearFromTheFormsOwnHandlerFreesItsBindingsSafely) {
  TFormEx& form = Make();
  form.Show();
  Bind(form, "onclick", "clicked");
  m_hooks.answer = [&](const ScriptCall&) {
    form.SetExec(Variant("clear"));
    return Variant();
  };
  form.Click();
  EXPECT_FALSE(form.HasEvents());
  form.Click();
  EXPECT_EQ(m_hooks.calls.size(), 1u);
}

struct TAnnounced : TComponent {
  using TComponent::TComponent;
  void Made(TObject* sender, TComponent* component) { made.emplace_back(sender, component); }
  std::vector<std::pair<TObject*, TComponent*>> made;
};

TEST_F(FormExTest, CompanionsAreMadeOnceAnnouncedAndConfigured) {
  auto& listener = platform::MakeComponent<TAnnounced>(m_hooks.root);
  TFormEx& form = Make();
  form.OnCreateComponent().Bind(listener, &TAnnounced::Made);

  TZebrinPlacementSubSkin* placement = form.Placement();
  TZebrinFormSkinEx* skin = form.PeekSkin();
  ASSERT_NE(skin, nullptr) << "the placement makes the skin";
  EXPECT_EQ(form.Skin(), skin);
  EXPECT_EQ(form.Placement(), placement);
  EXPECT_EQ(skin->Control(), &form);
  EXPECT_EQ(skin->Owner(), &form);
  EXPECT_TRUE(skin->Caption()->DefaultText());
  EXPECT_FALSE(skin->Enabled()) << "reading skin does not switch it on";
  EXPECT_EQ(placement->Owner(), skin);
  EXPECT_EQ(skin->SubSkin(), placement);
  EXPECT_TRUE(placement->AdjustPosition());
  EXPECT_EQ(placement->Handler(), skins::pshShowing);
  TSkinToolButtons* buttons = form.SkinButtons();
  EXPECT_EQ(buttons->Skin(), skin);
  EXPECT_EQ(buttons->Owner(), &form);
  TActionListEx* actions = form.Actions();
  EXPECT_EQ(actions->Owner(), &form);
  EXPECT_EQ(form.Actions(), actions);
  TScriptEvents* events = form.GetEvents();
  form.GetEvents();
  using Made = std::vector<std::pair<TObject*, TComponent*>>;
  EXPECT_EQ(listener.made,
            (Made{{&form, skin}, {&form, placement}, {&form, buttons}, {&form, actions}, {&form, events}}));

  form.SetName("Editor");
  const std::string path = placement->GetRegistryPath();
  EXPECT_EQ(path.rfind("Software\\Zebrin\\", 0), 0u) << path;
  EXPECT_EQ(path.substr(path.size() - 7), "\\Editor") << path;
}

TEST_F(FormExTest, ACompanionFreedOnItsOwnIsForgottenAndMadeAnew) {
  TFormEx& form = Make();
  form.Placement();
  TComponent::Free(*form.Skin());
  EXPECT_EQ(form.PeekSkin(), nullptr);
  EXPECT_EQ(form.PeekPlacement(), nullptr) << "the placement went with its skin";
  EXPECT_EQ(form.PeekSkin(), nullptr);
  TActionListEx* actions = form.Actions();
  TComponent::Free(*actions);
  EXPECT_NE(form.Actions(), nullptr);
  EXPECT_EQ(form.length(), 0);
  TSkinToolButtons* buttons = form.SkinButtons();
  TComponent::Free(*buttons);
  EXPECT_NE(form.SkinButtons(), nullptr);
  EXPECT_EQ(form.length(), 0);
}

TEST_F(FormExTest, UserInterfaceOptionsActOnceWhenAdded) {
  TFormEx& form = Make();
  form.Show();
  form.SetUserInterfaceOptions(uioMouseAlphaBlend);
  EXPECT_TRUE(form.AlphaBlend());
  EXPECT_EQ(form.AlphaBlendValue(), 128) << "an opaque alpha becomes half";
  EXPECT_EQ(Calls("SetOpacity").back(), "SetOpacity(Main 128)");

  form.WindowMouseEnterInput();
  EXPECT_FALSE(form.AlphaBlend()) << "opaque under the mouse";
  form.WindowMouseLeaveInput();
  EXPECT_TRUE(form.AlphaBlend());

  // The same value again changes nothing, even what was changed meanwhile.
  form.SetAlphaBlendValue(255);
  form.SetUserInterfaceOptions(uioMouseAlphaBlend);
  EXPECT_EQ(form.AlphaBlendValue(), 255);

  form.SetUserInterfaceOptions(uioMouseAlphaBlend | uioSkin | uioPlacement);
  ASSERT_NE(form.PeekSkin(), nullptr);
  EXPECT_TRUE(form.PeekSkin()->Enabled());
  EXPECT_TRUE(form.PeekSkin()->Hooked());
  ASSERT_NE(form.PeekPlacement(), nullptr);
  EXPECT_TRUE(form.PeekPlacement()->Enabled());
  EXPECT_EQ(form.AlphaBlendValue(), 128) << "re-added with the rest";

  form.SetUserInterfaceOptions(0);
  EXPECT_TRUE(form.PeekSkin()->Enabled()) << "removing undoes nothing";
  EXPECT_TRUE(form.PeekPlacement()->Enabled());
  EXPECT_TRUE(form.AlphaBlend());
  form.WindowMouseEnterInput();
  EXPECT_TRUE(form.AlphaBlend()) << "without the option the mouse changes nothing";
}

TEST_F(FormExTest, UserInterfaceOptionsKeepAnAlphaBelowOpaque) {
  TFormEx& form = Make();
  form.SetAlphaBlendValue(200);
  SetPropertyValue(form, "userInterfaceOptions", Variant("[uioMouseAlphaBlend]"));
  EXPECT_EQ(form.UserInterfaceOptions(), uioMouseAlphaBlend);
  EXPECT_EQ(form.AlphaBlendValue(), 200);
}

TEST_F(FormExTest, FlashNeedsAnActiveSkin) {
  TFormEx& form = Make();
  SetPropertyValue(form, "flash", Variant(3));
  EXPECT_EQ(form.PeekSkin(), nullptr) << "flash makes no skin";
  form.Show();
  form.SetUserInterfaceOptions(uioSkin);
  form.WindowActivationChanged(true);
  ASSERT_TRUE(form.PeekSkin()->GetActive());
  form.SetFlash(3);
  EXPECT_EQ(form.PeekSkin()->FlashCount(), 6);
  form.PeekSkin()->StopFlash();
  form.WindowActivationChanged(false);
  ASSERT_FALSE(form.PeekSkin()->GetActive());
  form.SetFlash(3);
  EXPECT_FALSE(form.PeekSkin()->Flashing());
}

TEST_F(FormExTest, ActiveTrueActivatesAndFalseDoesNothing) {
  TFormEx& form = Make();
  Bind(form, "onactivate");
  SetPropertyValue(form, "active", Variant(false));
  EXPECT_TRUE(m_hooks.calls.empty());
  EXPECT_FALSE(form.GetActive());
  SetPropertyValue(form, "active", Variant(true));
  EXPECT_EQ(Procedures(), std::vector<std::string>{"handler"});
  EXPECT_TRUE(form.GetActive());
  EXPECT_EQ(Calls("Present"), std::vector<std::string>{}) << "the window is not presented";
}

TEST_F(FormExTest, ImageLoadsDecodesClearsAndLogsWhatItCannotLoad) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "halbrin-form-icon";
  std::filesystem::create_directories(folder);
  const std::string png = (folder / "icon.png").string();
  std::ofstream(png, std::ios::binary) << "\x89PNG\r\n\x1A\n....";
  int decoded = 0;
  SetIconDecoder([&](const IconImage& image) -> std::optional<platform::TArgbImage> {
    ++decoded;
    if (image.bytes.size() < 8) return std::nullopt;
    return platform::TArgbImage(16, 16);
  });
  TFormEx& form = Make();
  form.Show();
  backend.ClearCalls();
  SetPropertyValue(form, "image", Variant(png));
  EXPECT_EQ(decoded, 1);
  ASSERT_NE(form.Icon(), nullptr);
  EXPECT_EQ(Calls("SetIcon"), std::vector<std::string>{"SetIcon(Main 16x16)"});

  const std::string missing = (folder / "none.ico").string();
  form.SetImage(Variant(missing));
  EXPECT_NE(form.Icon(), nullptr) << "a missing file leaves the icon";
  ASSERT_FALSE(m_hooks.logged.empty());
  EXPECT_EQ(m_hooks.logged.back(), "[TFormEx]: Icon \"" + missing + "\" not loaded");

  form.SetImage(Variant(""));
  EXPECT_EQ(form.Icon(), nullptr);
  EXPECT_EQ(Calls("SetIcon").back(), "SetIcon(Main none)");
  SetIconDecoder(nullptr);
  std::filesystem::remove_all(folder);
}

TEST_F(FormExTest, DropShadowIsAskedOfTheWindowAndOfAWindowMadeLater) {
  TFormEx& form = Make();
  SetPropertyValue(form, "dropShadow", Variant(true));
  EXPECT_TRUE(Calls("SetDropShadow").empty()) << "no window yet";
  form.Show();
  EXPECT_EQ(Calls("SetDropShadow"), std::vector<std::string>{"SetDropShadow(Main true)"});
  form.SetDropShadow(true);
  form.SetDropShadow(false);
  EXPECT_EQ(Calls("SetDropShadow").back(), "SetDropShadow(Main false)");
  EXPECT_EQ(Calls("DestroyWindow"), std::vector<std::string>{}) << "the window is kept";
}

TEST_F(FormExTest, ZOrderRaisesAndLowersTheWindow) {
  TFormEx& first = Make("First");
  TFormEx& second = Make("Second");
  first.Show();
  second.Show();
  SetPropertyValue(first, "zOrder", Variant(true));
  EXPECT_EQ(backend.Stacking(platform::kNoWindow).back(), first.Window());
  SetPropertyValue(first, "zOrder", Variant(false));
  EXPECT_EQ(backend.Stacking(platform::kNoWindow).front(), first.Window());
}

TEST_F(FormExTest, MDIChildrenAreTheChildrenWithAFormSkinAndCascade) {
  TFormEx& form = Make();
  form.Show();
  EXPECT_EQ(form.MDIChildCount(), 0);
  EXPECT_EQ(form.ActiveMDIChild(), nullptr);
  form.SetExec(Variant("cascade"));
  EXPECT_EQ(form.GetExec(), Variant(true)) << "true without children";

  std::vector<TWinControl*> children;
  for (int i = 0; i < 3; ++i) {
    auto& child = platform::MakeComponent<TWinControl>(form);
    child.SetParent(&form);
    child.SetBounds(100, 100, 200, 150);
    children.push_back(&child);
  }
  platform::MakeComponent<skins::TZebrinFormSkin>(form).SetControl(children[0]);
  platform::MakeComponent<skins::TZebrinFormSkin>(form).SetControl(children[2]);
  EXPECT_EQ(form.MDIChildCount(), 2);
  EXPECT_EQ(form.ActiveMDIChild(), children[2]) << "the topmost";
  children[0]->SetFocus();
  EXPECT_EQ(form.ActiveMDIChild(), children[0]) << "the one holding the focus";

  form.SetExec(Variant("Cascade"));
  const platform::TRect client = form.ClientRect();
  EXPECT_EQ(children[0]->BoundsRect(), (platform::TRect{0, 0, 200, 150}));
  EXPECT_EQ(children[2]->BoundsRect(), (platform::TRect{kCascadeStep, kCascadeStep, kCascadeStep + 200,
                                                        kCascadeStep + std::min(150, client.Height() - kCascadeStep)}));
  EXPECT_EQ(children[1]->BoundsRect(), (platform::TRect{100, 100, 300, 250})) << "no form skin, not a child window";
  EXPECT_EQ(form.Controls(form.ControlCount() - 1), children[2]) << "the last one cascaded is on top";
}

TEST_F(FormExTest, TheTypeWordsMakeFormsAndReadyFloatForms) {
  RegisterFormComponentTypes();
  TObject* made = CreateComponentByType(&m_hooks.root, "Form", "Editor");
  auto* form = dynamic_cast<TFormEx*>(made);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Name(), "Editor");
  EXPECT_EQ(form->GetTypeName(), "form");
  EXPECT_FALSE(form->HandleAllocated()) << "a form's window comes when it is shown";
  ASSERT_FALSE(m_hooks.registered.empty());
  EXPECT_EQ(m_hooks.registered.back(), form) << "a form registers with the application";
  EXPECT_EQ(form->Color(), platform::SystemColor(5));
  EXPECT_EQ(form->Font().Name(), kFormFontName);
  EXPECT_EQ(form->BoundsRect(), (platform::TRect{0, 0, 0, 0}));
}

TEST_F(FormExTest, AFormWithASkinEventsAndAFrameIsClearedThenFreed) {
  TFormEx& form = Make();
  form.SetUserInterfaceOptions(uioSkin | uioPlacement);
  form.Show();
  Bind(form, "onclick");
  Bind(form, "onhide");
  auto& frame = platform::MakeComponent<TFrameEx>(form);
  frame.SetName("Pane");
  frame.SetParent(&form);
  frame.SetAlign(platform::alLeft);
  frame.SetWidth(80);
  frame.Show();
  frame.Skin()->SetEnabled(true);
  frame.GetEvents()->AttachEvent("onclick").SetXml("paneClicked");
  form.SkinButtons();
  form.Actions();
  form.clear();
  EXPECT_EQ(form.ControlCount(), 0);
  EXPECT_EQ(form.ComponentCount(), 0);
  form.Click();
  form.Hide();
  EXPECT_TRUE(m_hooks.calls.empty());
  form.SetUserInterfaceOptions(uioSkin);
  ASSERT_NE(form.PeekSkin(), nullptr) << "a new value makes the skin the clear freed";
  EXPECT_TRUE(form.PeekSkin()->Hooked());
  form.Show();
  TComponent::Free(form);
  EXPECT_EQ(m_hooks.root.ComponentCount(), 0);
}

}  // namespace
}  // namespace halbrin::framework_test
