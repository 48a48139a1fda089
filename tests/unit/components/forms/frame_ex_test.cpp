// Script frames: exec words, events and their eventData, firstShow through
// their own and their parents' visibility, clear, the companions and their
// notifications, release on the next idle, and declared frames in a parent.

#include "components/forms/frame_ex.h"

#include <gtest/gtest.h>

#include <functional>

#include "components/forms/control_skin_ex.h"
#include "components/forms/form_component_types.h"
#include "components/forms/skin_tool_buttons.h"
#include "core/framework/component_types.h"
#include "core/framework/xml_type_info_ex.h"
#include "core/foundation/property_values.h"
#include "platform/controls/recording_control_backend.h"
#include "skins/core/placement_sub_skin.h"
#include "skins/core/recording_window_host.h"
#include "skins/core/skin_manager.h"
#include "unit/core/framework/fixtures/framework_test_support.h"

namespace halbrin::framework_test {

// A windowed parent that declarations find by its id, as a form would be.
class THostPane : public platform::TWinControl {
  HALBRIN_CLASS(THostPane, platform::TWinControl)

  explicit THostPane(TComponent* owner = nullptr) : TWinControl(owner) { ApplicationHooks().RegisterComponent(*this); }
};

HALBRIN_DEFINE_CLASS(THostPane, )

namespace {

using platform::TRect;
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

constexpr int kCaption = 20;
constexpr platform::TMouseButton kLeft = platform::TMouseButton::mbLeft;
constexpr platform::TMouseButton kRight = platform::TMouseButton::mbRight;
constexpr platform::TMouseButton kMiddle = platform::TMouseButton::mbMiddle;

// A 300x200 window-backed parent ("Form") and one frame ("Tools") in it.
class FrameTest : public FrameworkTest {
 protected:
  FrameTest() {
    form.SetName("Form");
    form.SetBounds(0, 0, 300, 200);
    form.SetVisible(false);
  }
  ~FrameTest() override {
    m_hooks.root.DestroyComponents();
    skins::FreeSkinManager();
  }

  TFrameEx& Frame(const std::string& name = "Tools") {
    auto& frame = platform::MakeComponent<TFrameEx>(m_hooks.root);
    frame.SetName(name);
    frame.SetParent(&form);
    return frame;
  }
  // The frame shown at the left of the shown form, skinned with a caption.
  TFrameEx& SkinnedFrame() {
    TFrameEx& frame = Frame();
    frame.SetBounds(0, 0, 80, 200);
    frame.SetAlign(platform::alLeft);
    frame.Show();
    form.Show();
    frame.Skin()->Caption()->Add().Metrics()->SetSize(kCaption);
    frame.Skin()->SetEnabled(true);
    return frame;
  }
  TScriptEvent& Bind(TFrameEx& frame, const std::string& event, const std::string& procedure) {
    TScriptEvent& binding = frame.GetEvents()->AttachEvent(event);
    binding.SetXml(procedure);
    return binding;
  }
  // The parameters of each call, in order.
  std::vector<Variant> Parameters() const {
    std::vector<Variant> list;
    for (const ScriptCall& call : m_hooks.calls) list.push_back(call.parameters);
    return list;
  }
  static Variant Array(std::initializer_list<Variant> items) { return Variant(VariantArray(items)); }

  skins::TRecordingWindowHostFactory hosts;
  skins::ScopedWindowHostFactory hostScope{hosts};
  platform::TRecordingControlBackend backend;
  platform::ScopedControlBackend backendScope{backend};
  TWinControl& form = platform::MakeComponent<TWinControl>(m_hooks.root);
};

TEST_F(FrameTest, ExecWordsActOnlyWhereTheyApply) {
  struct ExecCase {
    const char* word;
    bool skinned;
    Variant result;
    std::function<bool(TFrameEx&)> done;
  } const cases[] = {
      {"minimize", false, false, [](TFrameEx& f) { return f.Width() == 80 && f.PeekSkin() == nullptr; }},
      {"restore", false, false, [](TFrameEx& f) { return f.PeekSkin() == nullptr; }},
      {"close", false, false, [](TFrameEx& f) { return f.Visible(); }},
      {"Minimize", true, true, [](TFrameEx& f) { return f.PeekSkin()->IsMinimized() && f.Width() < 80; }},
      {"close", true, true, [](TFrameEx& f) { return !f.Visible(); }},
      {"HIDE", false, true, [](TFrameEx& f) { return !f.Visible(); }},
      {"disableAlign", false, true, [](TFrameEx& f) { return f.AlignDisabled(); }},
      {"clear", false, Variant::Null(), [](TFrameEx& f) { return f.ComponentCount() == 0; }},
      {"maximize", true, false, [](TFrameEx& f) { return f.Width() == 80; }},
      {"", false, false, [](TFrameEx& f) { return f.Visible(); }},
  };
  for (const ExecCase& c : cases) {
    SCOPED_TRACE(std::string("word \"") + c.word + "\"" + (c.skinned ? " with a skin" : ""));
    TFrameEx& frame = c.skinned ? SkinnedFrame() : Frame();
    if (!c.skinned) {
      frame.SetBounds(0, 0, 80, 200);
      frame.Show();
      platform::MakeComponent<TComponent>(frame);
    }
    frame.SetExec(Variant(c.word));
    EXPECT_EQ(frame.GetExec(), c.result);
    EXPECT_TRUE(c.done(frame));
    TComponent::Free(frame);
  }
}

TEST_F(FrameTest, RestoreAndShowUndoMinimizeAndHide) {
  TFrameEx& frame = SkinnedFrame();
  frame.SetExec(Variant("minimize"));
  ASSERT_LT(frame.Width(), 80);
  frame.SetExec(Variant("RESTORE"));
  EXPECT_EQ(frame.Width(), 80);
  frame.SetExec(Variant("hide"));
  frame.SetExec(Variant("show"));
  EXPECT_TRUE(frame.Visible());
  frame.SetExec(Variant("disablealign"));
  frame.SetExec(Variant("enablealign"));
  EXPECT_FALSE(frame.AlignDisabled());
  EXPECT_EQ(frame.GetExec(), Variant(true));
}

TEST_F(FrameTest, AlignHeldByDisableAlignIsLaidOutAtEnableAlign) {
  TFrameEx& frame = Frame();
  frame.SetBounds(0, 0, 200, 100);
  TFrameEx& inner = Frame("Inner");
  inner.SetParent(&frame);
  inner.SetBounds(0, 0, 30, 30);
  inner.Show();
  frame.SetExec(Variant("disablealign"));
  inner.SetAlign(platform::alClient);
  EXPECT_EQ(inner.BoundsRect(), (TRect{0, 0, 30, 30})) << "nothing moves while held";
  frame.SetExec(Variant("enablealign"));
  EXPECT_EQ(inner.BoundsRect(), (TRect{0, 0, 200, 100}));
}

TEST_F(FrameTest, ReleaseFreesTheFrameOnTheNextIdleOnlyWhenItHasAWindow) {
  TFrameEx& frame = Frame();
  Bind(frame, "ondestroy", "gone");
  frame.SetExec(Variant("release"));
  EXPECT_EQ(frame.GetExec(), Variant(true));
  m_loop.RunIdle();
  ASSERT_EQ(form.ControlCount(), 1) << "without a window nothing happens";
  EXPECT_TRUE(m_hooks.calls.empty());

  form.Show();
  ASSERT_TRUE(frame.HandleAllocated());
  platform::TWeakRef<TFrameEx> alive(&frame);
  frame.SetExec(Variant("release"));
  EXPECT_TRUE(alive) << "not before the idle";
  m_loop.RunIdle();
  EXPECT_FALSE(alive);
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].procedure, "gone");
  EXPECT_EQ(m_hooks.calls[0].parameters, Variant("Tools")) << "\"destroy\" carries the name";
}

TEST_F(FrameTest, AReleasedFrameFreedBeforeTheIdleLeavesNothingBehind) {
  form.Show();
  TFrameEx& frame = Frame();
  frame.SetExec(Variant("release"));
  TComponent::Free(frame);
  m_loop.RunIdle();
  EXPECT_EQ(form.ControlCount(), 0);
}

TEST_F(FrameTest, ReleaseFromTheFramesOwnHandlerWaitsForTheHandler) {
  form.Show();
  TFrameEx& frame = Frame();
  frame.Show();
  Bind(frame, "onclick", "clicked");
  platform::TWeakRef<TFrameEx> alive(&frame);
  m_hooks.answer = [&](const ScriptCall& call) {
    if (call.procedure == "clicked") {
      frame.SetExec(Variant("release"));
      m_loop.RunIdle();  // a nested loop inside the handler
    }
    return Variant();
  };
  frame.Click();
  EXPECT_FALSE(alive) << "freed once the handler returned";
}

TEST_F(FrameTest, EventsCarryTheirData) {
  struct EventCase {
    const char* binding;
    std::function<void(TFrameEx&, TWinControl&)> cause;
    Variant data;
  } const cases[] = {
      {"onclick", [](TFrameEx& f, TWinControl&) { f.Click(); }, Variant("Tools")},
      {"onresize", [](TFrameEx& f, TWinControl&) { f.SetWidth(90); }, Variant("Tools")},
      {"onhide", [](TFrameEx& f, TWinControl&) { f.Hide(); }, Variant("Tools")},
      {"onhide", [](TFrameEx&, TWinControl& form) { form.Hide(); }, Variant("Tools")},
      {"onshow", [](TFrameEx& f, TWinControl&) {
         f.Hide();
         f.Show();
       },
       Array({Variant("Tools"), Variant(false)})},
      {"onenter", [](TFrameEx& f, TWinControl&) { f.SetFocus(); }, Variant("Tools")},
      {"onexit",
       [](TFrameEx& f, TWinControl& form) {
         f.SetFocus();
         form.SetFocus();
       },
       Variant("Tools")},
      // Pointer input as the window reports it, in client coordinates; buttons
      // are 1, 2, 4 (left, right, middle) and modifiers 1, 2, 4 (shift, ctrl, alt).
      {"ondblclick", [](TFrameEx& f, TWinControl&) { f.WindowMouseDownInput(kLeft, platform::ssDouble, 5, 6); },
       Variant("Tools")},
      {"onmousedown",
       [](TFrameEx& f, TWinControl&) { f.WindowMouseDownInput(kMiddle, platform::ssCtrl | platform::ssMiddle, 7, 8); },
       Array({Variant("Tools"), Variant(4), Variant(2), Variant(7), Variant(8)})},
      {"onmousedown", [](TFrameEx& f, TWinControl&) { f.WindowMouseDownInput(kLeft, platform::ssDouble, 1, 2); },
       Array({Variant("Tools"), Variant(1), Variant(0), Variant(1), Variant(2)})},
      {"onmouseup", [](TFrameEx& f, TWinControl&) { f.WindowMouseUpInput(kRight, platform::ssAlt, 30, 40); },
       Array({Variant("Tools"), Variant(2), Variant(4), Variant(30), Variant(40)})},
      {"onmousemove",
       [](TFrameEx& f, TWinControl&) { f.WindowMouseMoveInput(platform::ssShift | platform::ssAlt, 10, 11); },
       Array({Variant("Tools"), Variant(5), Variant(10), Variant(11)})},
      {"onmousewheeldown", [](TFrameEx& f, TWinControl&) { f.WindowMouseWheelInput(true, platform::ssShift, 12, 13); },
       Array({Variant("Tools"), Variant(1), Variant(12), Variant(13)})},
      {"onmousewheelup", [](TFrameEx& f, TWinControl&) { f.WindowMouseWheelInput(false, platform::ssCtrl, 0, 3); },
       Array({Variant("Tools"), Variant(2), Variant(0), Variant(3)})},
      {"onmousewheeldown", [](TFrameEx& f, TWinControl&) { f.WindowSmoothScrollInput(1.5, 0, 4, 5); },
       Array({Variant("Tools"), Variant(0), Variant(4), Variant(5)})},
      {"oncontextpopup", [](TFrameEx& f, TWinControl&) { f.WindowMouseUpInput(kRight, 0, 20, 30); },
       Array({Variant("Tools"), Variant(20), Variant(30)})},
      {"oncontextpopup",
       [](TFrameEx& f, TWinControl&) {
         f.SetFocus();
         f.WindowKeyDownInput(platform::kVkApps, 0);
       },
       Array({Variant("Tools"), Variant(-1), Variant(-1)})},
      {"onmouseenter", [](TFrameEx& f, TWinControl&) { f.WindowMouseEnterInput(); }, Variant("Tools")},
      {"onmouseleave", [](TFrameEx& f, TWinControl&) { f.WindowMouseLeaveInput(); }, Variant("Tools")},
  };
  for (const EventCase& c : cases) {
    SCOPED_TRACE(c.binding);
    TFrameEx& frame = Frame();
    frame.SetBounds(0, 0, 80, 60);
    frame.Show();
    form.Show();
    Bind(frame, c.binding, "handler");
    m_hooks.calls.clear();
    c.cause(frame, form);
    EXPECT_EQ(Parameters(), std::vector<Variant>{c.data});
    EXPECT_TRUE(frame.GetEventData().IsNull()) << "eventData is given back after the run";
    TComponent::Free(frame);
    form.Hide();
  }
}

TEST_F(FrameTest, WheelAndContextPopupAnswersTellWhetherTheyWereHandled) {
  struct AnswerCase {
    Variant answer;
    bool handled;
  } const answers[] = {
      {Variant(true), true}, {Variant(1), true},      {Variant(false), false},
      {Variant(0), false},   {Variant("yes"), false}, {Variant(), false},
  };
  struct InputCase {
    const char* binding;
    std::function<bool(TFrameEx&)> input;  // what the window is told it did
  } const inputs[] = {
      {"onmousewheeldown", [](TFrameEx& f) { return f.WindowMouseWheelInput(true, 0, 1, 1); }},
      {"onmousewheelup", [](TFrameEx& f) { return f.WindowMouseWheelInput(false, 0, 1, 1); }},
      {"oncontextpopup", [](TFrameEx& f) { return f.WindowContextMenuInput({1, 1}); }},
  };
  TFrameEx& frame = Frame();
  frame.SetBounds(0, 0, 80, 60);
  frame.Show();
  form.Show();
  for (const InputCase& input : inputs) {
    Bind(frame, input.binding, "handler");
    for (const AnswerCase& c : answers) {
      SCOPED_TRACE(std::string(input.binding) + " answered " + std::string(c.answer.TypeName()));
      m_hooks.calls.clear();
      m_hooks.answer = [&c](const ScriptCall&) { return c.answer; };
      EXPECT_EQ(input.input(frame), c.handled);
    }
  }
}

TEST_F(FrameTest, ShowReportsFirstShowUntilShownAndAgainAfterClear) {
  TFrameEx& frame = Frame();
  Bind(frame, "onshow", "shown");
  EXPECT_TRUE(frame.FirstShow());
  frame.Show();
  EXPECT_TRUE(m_hooks.calls.empty()) << "a visible frame in a hidden parent is not showing";
  form.Show();
  frame.Hide();
  frame.Show();
  frame.SetExec(Variant("clear"));
  EXPECT_TRUE(frame.FirstShow());
  Bind(frame, "onshow", "shown");
  frame.Hide();
  frame.Show();
  EXPECT_EQ(Parameters(), (std::vector<Variant>{Array({Variant("Tools"), Variant(true)}),
                                                Array({Variant("Tools"), Variant(false)}),
                                                Array({Variant("Tools"), Variant(true)})}));
  EXPECT_FALSE(frame.FirstShow());
}

TEST_F(FrameTest, ShowingFollowsEveryParentAndANewParent) {
  TWinControl& box = platform::MakeComponent<TWinControl>(m_hooks.root);
  box.SetParent(&form);
  TFrameEx& frame = Frame();
  frame.SetParent(&box);
  frame.Show();
  Bind(frame, "onshow", "shown");
  Bind(frame, "onhide", "hidden");
  form.Show();       // shown
  box.Hide();        // hidden
  box.Show();        // shown
  frame.SetParent(nullptr);  // hidden: no parent
  frame.SetParent(&box);     // shown
  std::vector<std::string> called;
  for (const ScriptCall& call : m_hooks.calls) called.push_back(call.procedure);
  EXPECT_EQ(called, (std::vector<std::string>{"shown", "hidden", "shown", "hidden", "shown"}));
}

TEST_F(FrameTest, FramesOwnedByTheirParentsGoWithThem) {
  // Declared frames belong to the control they sit in: the parent is half
  // gone (its control part destroyed) when it frees them.
  auto& outer = platform::MakeComponent<TWinControl>(m_hooks.root);
  outer.SetParent(&form);
  auto& middle = platform::MakeComponent<TFrameEx>(outer);
  middle.SetParent(&outer);
  auto& inner = platform::MakeComponent<TFrameEx>(middle);
  inner.SetParent(&middle);
  inner.Show();
  middle.Show();
  form.Show();
  TComponent::Free(outer);
  form.Hide();
  EXPECT_EQ(form.ControlCount(), 0);
}

TEST_F(FrameTest, ClearFreesEverythingItOwnsLastFirstAndResets) {
  std::vector<std::string> freed;
  TFrameEx& frame = Frame();
  for (const char* name : {"First", "Second", "Third"}) {
    auto& item = frame.InsertComponent(std::make_unique<TDying>(&frame, freed));
    item.SetName(name);
  }
  Bind(frame, "onclick", "clicked");
  frame.Skin();
  frame.SkinButtons();
  frame.SetEventData(Variant(5));
  EXPECT_EQ(frame.length(), 3) << "the companions do not count";
  EXPECT_FALSE(frame.empty());
  frame.SetExec(Variant("clear"));
  EXPECT_EQ(freed, (std::vector<std::string>{"Third", "Second", "First"}));
  EXPECT_EQ(frame.ComponentCount(), 0) << "the companions go too";
  EXPECT_EQ(frame.PeekSkin(), nullptr);
  EXPECT_FALSE(frame.HasEvents());
  EXPECT_TRUE(frame.GetEventData().IsNull());
  EXPECT_TRUE(frame.GetExec().IsNull());
  EXPECT_TRUE(frame.empty());
  m_hooks.calls.clear();
  frame.Click();
  EXPECT_TRUE(m_hooks.calls.empty()) << "the old binding went with the events";
  EXPECT_NE(frame.Skin(), nullptr) << "companions are made again on use";
}

TEST_F(FrameTest, EmptyWrittenTrueClearsAndFalseDoesNothing) {
  std::vector<std::string> freed;
  TFrameEx& frame = Frame();
  frame.InsertComponent(std::make_unique<TDying>(&frame, freed)).SetName("Item");
  SetPropertyValue(frame, "empty", Variant(false));
  EXPECT_EQ(frame.length(), 1);
  SetPropertyValue(frame, "empty", Variant(true));
  EXPECT_EQ(freed, std::vector<std::string>{"Item"});
}

TEST_F(FrameTest, ClearFromTheFramesOwnHandlerFreesItsBindingsSafely) {
  TFrameEx& frame = Frame();
  Bind(frame, "onclick", "clicked");
  m_hooks.answer = [&](const ScriptCall&) {
    frame.SetExec(Variant("clear"));
    return Variant();
  };
  frame.Click();
  EXPECT_FALSE(frame.HasEvents());
  frame.Click();
  EXPECT_EQ(m_hooks.calls.size(), 1u);
}

TEST_F(FrameTest, CompanionsAreMadeOnceAnnouncedAndConfigured) {
  struct TAnnounced : TComponent {
    using TComponent::TComponent;
    void Made(TObject* sender, TComponent* component) { made.emplace_back(sender, component); }
    std::vector<std::pair<TObject*, TComponent*>> made;
  };
  auto& listener = platform::MakeComponent<TAnnounced>(m_hooks.root);
  TFrameEx& frame = Frame();
  frame.OnCreateComponent().Bind(listener, &TAnnounced::Made);

  TZebrinPlacementSubSkin* placement = frame.Placement();
  TZebrinControlSkinEx* skin = frame.PeekSkin();
  ASSERT_NE(skin, nullptr) << "the placement makes the skin";
  EXPECT_EQ(frame.Skin(), skin);
  EXPECT_EQ(frame.Placement(), placement);
  EXPECT_EQ(skin->Control(), &frame);
  EXPECT_EQ(skin->Owner(), &frame);
  EXPECT_EQ(placement->Owner(), skin);
  EXPECT_EQ(skin->SubSkin(), placement);
  EXPECT_FALSE(placement->AdjustPosition());
  EXPECT_EQ(placement->Handler(), skins::pshVisible);
  TSkinToolButtons* buttons = frame.SkinButtons();
  EXPECT_EQ(buttons->Skin(), skin);
  EXPECT_EQ(buttons->Owner(), &frame);
  using Made = std::vector<std::pair<TObject*, TComponent*>>;
  EXPECT_EQ(listener.made, (Made{{&frame, skin}, {&frame, placement}, {&frame, buttons}}));

  // The key follows the frame's name as it is when asked.
  frame.SetName("Palette");
  const std::string path = placement->GetRegistryPath();
  EXPECT_EQ(path.rfind("Software\\Zebrin\\", 0), 0u) << path;
  EXPECT_EQ(path.substr(path.size() - 8), "\\Palette") << path;
}

TEST_F(FrameTest, ACompanionFreedOnItsOwnIsForgottenAndMadeAnew) {
  TFrameEx& frame = Frame();
  frame.Placement();
  TComponent::Free(*frame.Skin());
  EXPECT_EQ(frame.PeekSkin(), nullptr);
  EXPECT_EQ(frame.PeekPlacement(), nullptr) << "the placement went with its skin";
  TZebrinPlacementSubSkin* placement = frame.Placement();
  EXPECT_EQ(frame.PeekSkin()->SubSkin(), placement);

  TComponent::Free(*placement);
  EXPECT_EQ(frame.PeekPlacement(), nullptr);
  EXPECT_NE(frame.PeekSkin(), nullptr) << "the skin stays";

  TSkinToolButtons* buttons = frame.SkinButtons();
  TComponent::Free(*buttons);
  EXPECT_NE(frame.SkinButtons(), buttons);
  TComponent::Free(*frame.GetEvents());
  EXPECT_FALSE(frame.HasEvents());
}

TEST_F(FrameTest, FlashAndActiveNeedWhatTheyAct) {
  TFrameEx& frame = Frame();
  frame.SetFlash(3);
  EXPECT_EQ(frame.PeekSkin(), nullptr) << "flash makes no skin";
  frame.SetActive(true);
  EXPECT_FALSE(frame.GetActive()) << "no window, no focus";
  frame.Show();
  form.Show();
  frame.SetActive(false);
  EXPECT_TRUE(frame.GetActive()) << "any value written focuses";
  EXPECT_TRUE(frame.Focused());
}

TEST_F(FrameTest, HandleMakesTheWindowAndZOrderRestacks) {
  TFrameEx& first = Frame("First");
  TFrameEx& second = Frame("Second");
  const Variant handle = GetPropertyValue(first, "handle");
  EXPECT_TRUE(first.HandleAllocated()) << "reading handle made the window, its parent's first";
  EXPECT_EQ(handle, Variant(static_cast<std::int64_t>(backend.NativeWindowId(first.Window()))))
      << "the backend's id of the frame's window";
  EXPECT_TRUE(form.HandleAllocated());
  SetPropertyValue(first, "zOrder", Variant(true));
  EXPECT_EQ(form.Controls(1), &first);
  EXPECT_EQ(backend.Stacking(form.Window()).back(), first.Window());
  SetPropertyValue(first, "zOrder", Variant(false));
  EXPECT_EQ(form.Controls(0), &first);
  EXPECT_EQ(form.Controls(1), &second);
}

TEST_F(FrameTest, AFrameStartsHiddenEmptyAndRegisters) {
  TFrameEx& frame = Frame();
  EXPECT_FALSE(frame.Visible());
  EXPECT_EQ(frame.BoundsRect(), TRect{});
  EXPECT_EQ(frame.Color(), platform::SystemColor(5));
  EXPECT_TRUE(frame.GetEventData().IsNull());
  EXPECT_TRUE(frame.Data().IsNull());
  EXPECT_EQ(frame.GetTypeName(), "container");
  EXPECT_NE(std::find(m_hooks.registered.begin(), m_hooks.registered.end(), &frame), m_hooks.registered.end());
}

TEST_F(FrameTest, BorderWidthInsetsTheClientAreaAndTheLayout) {
  TFrameEx& frame = Frame();
  frame.SetBounds(0, 0, 100, 80);
  TFrameEx& inner = Frame("Inner");
  inner.SetParent(&frame);
  inner.SetAlign(platform::alClient);
  inner.Show();
  SetPropertyValue(frame, "BorderWidth", Variant(4));
  EXPECT_EQ(frame.ClientRect(), (TRect{4, 4, 96, 76}));
  EXPECT_EQ(inner.BoundsRect(), (TRect{4, 4, 96, 76}));
  EXPECT_EQ(GetPropertyValue(frame, "ClientWidth"), Variant(92));
  SetPropertyValue(frame, "ClientHeight", Variant(50));
  EXPECT_EQ(frame.Height(), 58);
  frame.SetBounds(0, 0, 6, 6);
  EXPECT_TRUE(frame.ClientRect().IsEmpty()) << "a border wider than the frame leaves nothing, never less";
  EXPECT_GE(frame.ClientWidth(), 0);
}

// --- Declarations ---------------------------------------------------------------

class FrameDeclarationTest : public FrameTest {
 protected:
  void SetUp() override {
    RegisterComponentClass<THostPane>("hostpane");
    RegisterFormComponentTypes();
  }
  void TearDown() override {
    UnregisterComponentType("hostpane");
    UnregisterComponentType("container");
    UnregisterComponentType("action");
    FrameTest::TearDown();
  }
  void Run(const std::string& body) {
    TXmlTypeInfoEx mapper;
    Variant result;
    mapper.Execute(Variant("<controls>" + body + "</controls>"), result);
  }
};

TEST_F(FrameDeclarationTest, ADeclaredFrameSitsInItsWindowedOwnerAndItsSkinDocksIt) {
  Run(R"(<control type="hostpane" id="Host" Visible="false" width="300" height="200">
           <control type="container" id="Tools" Align="alLeft" width="80" Visible="true">
             <events><event id="onshow" xml="toolsShown"/></events>
           </control>
         </control>)");
  ASSERT_TRUE(m_hooks.errors.empty()) << m_hooks.errors.front();
  auto* host = dynamic_cast<THostPane*>(m_hooks.registry.ItemByName("Host"));
  ASSERT_NE(host, nullptr);
  auto* tools = dynamic_cast<TFrameEx*>(host->FindComponent("Tools"));
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(tools->Parent(), host) << "the windowed owner is the parent";
  EXPECT_EQ(tools->BoundsRect(), (TRect{0, 0, 80, 200}));
  host->Show();
  ASSERT_EQ(Parameters(), std::vector<Variant>{Array({Variant("Tools"), Variant(true)})});

  TZebrinControlSkinEx& skin = *tools->Skin();
  skin.Caption()->Add().Metrics()->SetSize(kCaption);
  skin.SetEnabled(true);
  struct SideCase {
    platform::TAlign side;
    TRect bounds;
  } const sides[] = {
      {platform::alRight, {220, 0, 300, 200}},
      {platform::alTop, {0, 0, 300, 80}},
      {platform::alBottom, {0, 120, 300, 200}},
      {platform::alLeft, {0, 0, 80, 200}},
  };
  for (const SideCase& c : sides) {
    SCOPED_TRACE(std::string(platform::AlignInfo().Name(c.side)));
    EXPECT_TRUE(skin.MoveAligned(c.side));
    EXPECT_EQ(tools->Align(), c.side);
    EXPECT_EQ(tools->BoundsRect(), c.bounds);
  }
}

TEST_F(FrameDeclarationTest, AFrameOwnedByANonWindowedComponentHasNoParent) {
  Run(R"(<control type="container" id="Loose" Caption="Loose"/>)");
  auto* loose = dynamic_cast<TFrameEx*>(m_hooks.registry.ItemByName("Loose"));
  ASSERT_NE(loose, nullptr);
  EXPECT_EQ(loose->Owner(), &m_hooks.root);
  EXPECT_EQ(loose->Parent(), nullptr);
  EXPECT_EQ(loose->Text(), "Loose");
}

}  // namespace
}  // namespace halbrin::framework_test
