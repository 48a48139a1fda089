// The forms layer's component hooks under a real application object: forms
// made through the type words, the main form on the screen and its close,
// floating forms withdrawn and back, modal loops ended by the application,
// the skin handler bodies, the icon and the window id, and teardown.

#include "components/forms/form_component_hooks.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "components/forms/control_skin_ex.h"
#include "components/forms/form_skin_ex.h"
#include "components/forms/form_component_types.h"
#include "components/forms/form_ex.h"
#include "components/forms/icon_decoder.h"
#include "core/app/application_ex.h"
#include "core/app/command_line.h"
#include "core/app/project.h"
#include "core/app/project_info.h"
#include "core/foundation/collection_interfaces.h"
#include "core/framework/component_types.h"
#include "core/framework/script_events.h"
#include "core/framework/xml_type_info_ex.h"
#include "platform/controls/action_list.h"
#include "platform/controls/form.h"
#include "platform/eventloop/modal_loop.h"
#include "platform/graphics/recording_canvas.h"
#include "skins/core/band_items.h"
#include "skins/core/caption_bands.h"
#include "skins/core/skin_manager.h"
#include "skins/core/tool_buttons.h"
#include "unit/core/app/fixtures/application_test_support.h"
#include "unit/core/scripting/fixtures/script_test_support.h"
#include "unit/skins/fixtures/skin_window_scopes.h"

namespace halbrin::forms_hooks_test {

using platform::TComponent;
using platform::TForm;
using platform::TObject;
using platform::Variant;
using platform::VariantArray;

// A form as the script form classes are, as far as the hooks know them: a
// platform form that registers itself, clears through IItemCollection and
// publishes refreshSkin and ActiveMDIChild.
class TStandInForm : public TForm, public IItemCollection {
  HALBRIN_CLASS(TStandInForm, TForm)

  explicit TStandInForm(TComponent* owner = nullptr) : TForm(owner) { ApplicationHooks().RegisterComponent(*this); }

  void clear() override {
    Log("clear " + Name());
    DestroyComponents();
  }
  bool empty() const override { return ComponentCount() == 0; }
  void setEmpty(bool value) override {
    if (value) clear();
  }
  int length() const override { return ComponentCount(); }
  void RefreshSkin() { Log("refresh " + Name()); }
  void KeepOpen(TObject*, platform::TCloseAction& action) { action = platform::caNone; }
  // Stands for a show or hide handler in the log.
  void Shown(TObject*) { Log("shown " + Name()); }

  TComponent* mdiChild = nullptr;
  static inline std::vector<std::string>* log = nullptr;

 private:
  static void Log(const std::string& line) {
    if (log) log->push_back(line);
  }
};

// A floating one never takes the activation.
class TStandInFloat : public TStandInForm {
 public:
  explicit TStandInFloat(TComponent* owner = nullptr) : TStandInForm(owner) { SetNeverActivate(true); }
};

HALBRIN_DEFINE_CLASS(TStandInForm, .Method("refreshSkin", &TStandInForm::RefreshSkin)
                                       .Property("ActiveMDIChild", [](const TStandInForm& f) { return f.mdiChild; }))

struct ScriptCall {
  std::string script;
  std::string procedure;
  Variant parameters;
  friend bool operator==(const ScriptCall&, const ScriptCall&) = default;
};

// The application with its script runs recorded instead of run.
class TRecordingApplication final : public TApplicationEx {
 public:
  Variant RunScriptProcedure(std::string_view script, const std::string& procedure, const Variant& parameters,
                             int) override {
    calls.push_back({std::string(script), procedure, parameters});
    return Variant();
  }
  std::vector<ScriptCall> calls;
};

class FormHooksTest : public ApplicationProjectTest, protected skins::TSkinWindowScopes {
 protected:
  FormHooksTest() : ApplicationProjectTest("{00000000-0000-0000-0000-0000000000F2}") {}
  void SetUp() override {
    ApplicationProjectTest::SetUp();
    RegisterComponentClass<TStandInForm>("form");
    RegisterComponentClass<TStandInFloat>("float");
    TStandInForm::log = &m_formLog;
  }
  void TearDown() override {
    m_app.reset();
    TStandInForm::log = nullptr;
    UnregisterComponentType("form");
    UnregisterComponentType("float");
    RegisterFormComponentTypes();
    ApplicationProjectTest::TearDown();
  }

  TRecordingApplication& App() {
    if (!m_app) {
      m_app = std::make_unique<TRecordingApplication>();
      m_app->SetUi(&m_ui);
      m_app->SetSilent(true);
      m_ui.app = m_app.get();
    }
    return *m_app;
  }
  TStandInForm& Form(const std::string& name, const std::string& type = "form") {
    TComponent* form = App().CreateForm(name, type);
    EXPECT_NE(form, nullptr) << name;
    return dynamic_cast<TStandInForm&>(*form);
  }
  // The calls the backend got for `name`'s window since the last ClearCalls.
  std::vector<std::string> CallsOf(const std::string& name) const {
    std::vector<std::string> calls;
    for (const std::string& call : backend.Calls())
      if (call.find("(" + name) != std::string::npos) calls.push_back(call);
    return calls;
  }

  TFormComponentHooks m_hooks;
  ScopedApplicationComponentHooks m_hooksScope{m_hooks};
  TFakeApplicationUi m_ui;
  std::vector<std::string> m_formLog;
  std::unique_ptr<TRecordingApplication> m_app;
};

// ------------------------------------------------------------------- forms

TEST_F(FormHooksTest, FormsComeFromTheTypeWordsAndTheFirstIsTheScreensMainForm) {
  struct Row {
    const char* type;
    const char* name;
    bool made;
    bool floating;
  } const rows[] = {
      {"form", "Main", true, false},
      {"FLOAT", "Palette", true, true},
      {"form", "Second", true, false},
      {"container", "Pane", false, false},
  };
  TApplicationEx& app = App();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TComponent* made = app.CreateForm(row.name, row.type);
    ASSERT_EQ(made != nullptr, row.made);
    if (!made) continue;
    auto& form = dynamic_cast<TForm&>(*made);
    EXPECT_EQ(form.Name(), row.name);
    EXPECT_EQ(form.Owner(), &app);
    EXPECT_EQ(m_hooks.IsFloatForm(form), row.floating);
    EXPECT_TRUE(m_hooks.IsForm(form));
    EXPECT_EQ(form.HandleAllocated(), row.floating) << "a floating form has its window at once";
    EXPECT_FALSE(form.Visible()) << "nothing is shown";
  }
  ASSERT_NE(app.MainForm(), nullptr);
  EXPECT_EQ(app.MainForm()->Name(), "Main");
  EXPECT_EQ(platform::Screen().MainForm(), app.MainForm());
  EXPECT_EQ(app.ScreenForms().GetItem(1)->Name(), "Palette");
  EXPECT_EQ(app.Components().ItemByName("Pane"), nullptr);
}

TEST_F(FormHooksTest, ANameThatCannotBeGivenFailsBeforeAFormIsMade) {
  TApplicationEx& app = App();
  platform::MakeComponent<TComponent>(app).SetName("Taken");
  for (const char* name : {"1st", "Taken"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(app.CreateForm(name, "form"), platform::EComponentError);
    EXPECT_EQ(app.MainForm(), nullptr);
    EXPECT_EQ(app.ScreenForms().GetLength(), 0);
    EXPECT_FALSE(app.Terminated()) << "no main form was made and freed";
  }
  EXPECT_EQ(Form("Main").Name(), "Main");
  EXPECT_EQ(app.MainForm()->Name(), "Main");
}

TEST_F(FormHooksTest, TheMainFormsCloseOrEndTerminatesTheApplication) {
  struct Row {
    const char* name;
    std::function<void(TStandInForm& main, TStandInForm& other)> act;
    bool terminated;
  } const rows[] = {
      {"main form closed", [](TStandInForm& main, TStandInForm&) { main.Close(); }, true},
      {"main form closed with caNone",
       [](TStandInForm& main, TStandInForm&) {
         main.OnClose().Bind(main, &TStandInForm::KeepOpen);
         main.Close();
       },
       false},
      {"main form freed", [](TStandInForm& main, TStandInForm&) { TComponent::Free(main); }, true},
      {"another form closed", [](TStandInForm&, TStandInForm& other) { other.Close(); }, false},
      {"another form freed", [](TStandInForm&, TStandInForm& other) { TComponent::Free(other); }, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    m_app.reset();
    TStandInForm& main = Form("Main");
    TStandInForm& other = Form("Other");
    main.Show();
    other.Show();
    row.act(main, other);
    EXPECT_EQ(App().Terminated(), row.terminated);
  }
  m_app.reset();
  EXPECT_EQ(platform::Screen().MainForm(), nullptr) << "the main form went with the application";
}

TEST_F(FormHooksTest, ClosingTheMainFormEndsTheRunningLoop) {
  TApplicationEx& app = App();
  TStandInForm& main = Form("Main");
  main.Show();
  g_idle_add(
      [](gpointer data) -> gboolean {
        static_cast<TStandInForm*>(data)->Close();
        return G_SOURCE_REMOVE;
      },
      &main);
  // Only when the close left the loop running does this later idle end it.
  struct Fallback {
    TApplicationEx* app;
    bool ran = false;
  } fallback{&app};
  const guint fallbackSource = g_idle_add_full(
      G_PRIORITY_LOW,
      [](gpointer data) -> gboolean {
        auto* state = static_cast<Fallback*>(data);
        state->ran = true;
        state->app->Terminate();
        return G_SOURCE_REMOVE;
      },
      &fallback, nullptr);
  app.Run();
  if (!fallback.ran) g_source_remove(fallbackSource);
  EXPECT_FALSE(fallback.ran) << "the close did not end the loop";
  EXPECT_TRUE(app.Terminated());
  EXPECT_FALSE(main.Visible()) << "closed with caHide";
  EXPECT_EQ(app.MainForm(), &main) << "the form stays until the application goes";
}

TEST_F(FormHooksTest, TerminatingEndsEveryModalLoopWithCancel) {
  TApplicationEx& app = App();
  TStandInForm& main = Form("Main");
  TStandInForm& dialog = Form("Dialog");
  main.Show();
  std::vector<int> results;
  bool nested = false;
  // The outer loop shows the dialog modally too; the inner one terminates the application.
  platform::ScopedModalLoopRunner runner([&](platform::TModalLoop& loop) {
    if (!nested) {
      nested = true;
      results.push_back(dialog.ShowModal());
    } else {
      EXPECT_TRUE(m_hooks.IsInModalLoop(dialog));
      app.Terminate();
    }
    EXPECT_TRUE(loop.Ended()) << "the application ended the loop before its runner returned";
  });
  TStandInForm& modal = Form("Modal");
  results.push_back(modal.ShowModal());
  EXPECT_EQ(results, (std::vector<int>{platform::mrCancel, platform::mrCancel}));
  EXPECT_FALSE(m_hooks.IsInModalLoop(modal));
  EXPECT_TRUE(app.Terminated());
}

// ---------------------------------------------------------- floating forms

TEST_F(FormHooksTest, FloatingFormsAreWithdrawnAndBackWithoutEventsOrAVisibilityChange) {
  TApplicationEx& app = App();
  TStandInForm& main = Form("Main");
  TStandInForm& palette = Form("Palette", "float");
  TStandInForm& hidden = Form("Hidden", "float");
  main.Show();
  palette.Show();
  palette.OnShow().Bind(palette, &TStandInForm::Shown);
  palette.OnHide().Bind(palette, &TStandInForm::Shown);
  m_formLog.clear();
  struct Row {
    const char* name;
    std::function<void()> act;
    bool withdrawn;
    std::vector<std::string> calls;
  } const rows[] = {
      {"to another program", [&] { app.ActivationChanged(false, false); }, true, {"SetWithdrawn(Palette true)"}},
      {"back", [&] { app.ActivationChanged(true, false); }, false,
       {"SetWithdrawn(Palette false)", "RaiseWithoutActivating(Palette)", "RaiseWithoutActivating(Palette)"}},
      {"to our own window", [&] { app.ActivationChanged(false, true); }, false, {"RaiseWithoutActivating(Palette)"}},
      {"away again", [&] { app.ActivationChanged(false, false); }, true, {"SetWithdrawn(Palette true)"}},
      {"back below a modal main form", [&] { m_hooks.ShowFloatForm(palette, false); }, false,
       {"SetWithdrawn(Palette false)"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    backend.ClearCalls();
    row.act();
    EXPECT_EQ(CallsOf("Palette"), row.calls);
    EXPECT_EQ(palette.Withdrawn(), row.withdrawn);
    EXPECT_TRUE(palette.Visible()) << "visible is left alone";
    EXPECT_FALSE(hidden.Withdrawn()) << "a hidden floating form is left alone";
    EXPECT_TRUE(CallsOf("Hidden").empty());
    EXPECT_TRUE(CallsOf("Main").empty()) << "a form that is not floating is left alone";
  }
  EXPECT_TRUE(m_formLog.empty()) << "no show or hide fired";
  palette.Hide();
  palette.Show();
  EXPECT_EQ(m_formLog, (std::vector<std::string>{"shown Palette", "shown Palette"})) << "the handlers were bound";
}

// ------------------------------------------------------------------- skins

TEST_F(FormHooksTest, ASkinMadeForAControlAddsItemsThroughTheApplication) {
  skins::CreateSkinManager();
  TApplicationEx& app = App();
  TStandInForm& main = Form("Main");
  auto& skin = platform::MakeComponent<TZebrinControlSkinEx>(main);
  app.controlCreateComponent(&main, &skin);
  ASSERT_TRUE(skin.OnAddItem().Assigned());
  EXPECT_EQ(skin.OnAddItem().Method().data.Get(), static_cast<TObject*>(&app));
  EXPECT_EQ(skin.OnAddItem().Method().code, app.ClassInfo().FindMethod("skinAddItem"));
  EXPECT_TRUE(skin.Caption()->DefaultText());
  EXPECT_FALSE(skin.Caption()->Transparent());
  EXPECT_TRUE(skin.Moveable());

  skins::TZebrinSkinBand& plain = skin.Caption()->Add();
  skins::TZebrinSkinBand& edged = skin.Caption()->Add();
  edged.SetEdgeBorders(5);
  struct Row {
    const char* name;
    std::function<skins::TZebrinSkinCustomToolButton&()> add;
    int margin;
    int indent;
    bool transparent;  // in the normal state
    skins::TZebrinSkinEdgeBorders edges;
  } const rows[] = {
      {"tool bar button",
       [&]() -> skins::TZebrinSkinCustomToolButton& {
         skin.ToolButtons()->SetBandIndex(plain.Index());
         return skin.ToolButtons()->Add();
       },
       8, 8, false, 0},
      {"tool bar button on an edged band",
       [&]() -> skins::TZebrinSkinCustomToolButton& {
         skin.ToolButtons()->SetBandIndex(edged.Index());
         return skin.ToolButtons()->Add();
       },
       8, 8, false, 15},
      {"band item button", [&]() -> skins::TZebrinSkinCustomToolButton& { return plain.Item()->Buttons()->Add(); }, 4,
       0, true, 0},
      {"band item button on an edged band",
       [&]() -> skins::TZebrinSkinCustomToolButton& { return edged.ItemEx()->Buttons()->Add(); }, 4, 0, true, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    skins::TZebrinSkinCustomToolButton& button = row.add();
    EXPECT_EQ(button.Margin(), row.margin);
    EXPECT_EQ(button.Indent(), row.indent);
    EXPECT_EQ(button.Transparent(), row.transparent);
    EXPECT_FALSE(button.TransparentHot());
    EXPECT_FALSE(button.TransparentDown());
    EXPECT_EQ(button.EdgeBorders(), row.edges);
    EXPECT_TRUE(static_cast<bool>(button.executeHook));
  }
  skins::FreeSkinManager();
}

// A main form declared with uioSkin and a caption item, as a project does:
// the skin the form makes is announced, its caption area is opaque, and the
// area paints the skin manager's caption colour (active and inactive) at the
// manager's caption height, while the declared band keeps its own
// transparency and shows the item.
TEST_F(FormHooksTest, ADeclaredSkinnedFormPaintsTheSkinManagersCaption) {
  UnregisterComponentType("form");
  RegisterFormComponentTypes();
  skins::TZebrinSkinManager& manager = skins::CreateSkinManager();
  manager.Caption()->SetColor(platform::RGBColor(0x2E, 0x5C, 0x8A));
  manager.Caption()->SetInactiveColor(platform::RGBColor(0x8F, 0xA3, 0xB8));
  manager.Caption()->SetSize(22);
  App();
  TXmlTypeInfoEx mapper;
  Variant made;
  mapper.Execute(Variant(std::string(
                     "<controls><control type=\"form\" id=\"Welcome\" Caption=\"Welcome\" Width=\"480\" Height=\"300\" "
                     "userInterfaceOptions=\"uioSkin,uioPlacement\"><skin><Caption><item_0>"
                     "<ItemEx Text=\"start number 1\"/></item_0></Caption></skin></control></controls>")),
                 made);
  auto* form = dynamic_cast<TFormEx*>(App().Forms().FindScreenForm("Welcome"));
  ASSERT_NE(form, nullptr);
  TZebrinFormSkinEx* skin = form->Skin();
  ASSERT_NE(skin, nullptr);
  ASSERT_EQ(skin->Caption()->Count(), 1);
  const skins::TZebrinSkinBand& band = *skin->Caption()->Items(0);
  EXPECT_EQ(band.ItemEx()->Text(), "start number 1");
  EXPECT_TRUE(band.Transparent()) << "a declared band lets the area's colour through";
  EXPECT_FALSE(skin->Caption()->Transparent());
  EXPECT_TRUE(skin->Moveable()) << "announced to the application";
  form->Show();
  ASSERT_TRUE(skin->Hooked());
  EXPECT_EQ(skin->Caption()->BoundsRect().Height(), 22);

  const struct {
    bool active;
    TColor color;
  } states[] = {{true, platform::RGBColor(0x2E, 0x5C, 0x8A)}, {false, platform::RGBColor(0x8F, 0xA3, 0xB8)}};
  for (const auto& state : states) {
    SCOPED_TRACE(state.active ? "active" : "inactive");
    skin->SetActive(state.active);
    skins::TRecordingWindowHost* host = hosts.HostOf(*form);
    ASSERT_NE(host, nullptr);
    host->surfaces.clear();
    platform::TRecordingCanvas canvas;
    static_cast<skins::IWindowHostClient&>(*skin).PaintFrame(canvas);
    ASSERT_FALSE(host->surfaces.empty()) << "the caption area paints on a surface of its own";
    const std::vector<std::string>& calls = host->surfaces.front()->Calls();
    const platform::TRect area = skin->Caption()->BoundsRect();
    const std::string fill = "FillRect(" + platform::TRecordingCanvas::RectText({0, 0, area.Width(), area.Height()}) +
                             " " + platform::TRecordingCanvas::ColorText(state.color) + ")";
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), fill);
    bool itemDrawn = false;
    for (const std::string& call : calls) itemDrawn = itemDrawn || call.find("start number 1") != std::string::npos;
    EXPECT_TRUE(itemDrawn);
  }
  form->Hide();
  m_app.reset();
  skins::FreeSkinManager();
}

TEST_F(FormHooksTest, AToolButtonsCommandRunsWithItsScriptAndTheThreeArguments) {
  skins::CreateSkinManager();
  TRecordingApplication& app = App();
  TStandInForm& main = Form("Main");
  auto& skin = platform::MakeComponent<TZebrinFormSkinEx>(main);
  skin.SetForm(&main);
  app.controlCreateComponent(&main, &skin);
  skins::TZebrinSkinToolButtons& bar = *skin.ToolButtons();
  bar.setScript("tools.js");
  bar.Add().SetName("First");
  skins::TZebrinSkinCustomToolButton& open = bar.Add();
  open.SetName("Open");
  open.SetXml("onTool");
  skins::TZebrinSkinCustomToolButton& silent = bar.Add();
  silent.SetName("Silent");
  struct Row {
    const char* name;
    std::function<void()> act;
    std::vector<ScriptCall> calls;
  } const rows[] = {
      {"executed", [&] { open.Execute(); },
       {{"tools.js", "onTool", Variant(VariantArray({Variant("Main"), Variant("Open"), Variant(1)}))}}},
      {"through the handler", [&] { app.componentExecute(&open); },
       {{"tools.js", "onTool", Variant(VariantArray({Variant("Main"), Variant("Open"), Variant(1)}))}}},
      {"without a command text", [&] { silent.Execute(); }, {}},
      {"not a tool button", [&] { app.componentExecute(&main); }, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    app.calls.clear();
    row.act();
    EXPECT_EQ(app.calls, row.calls);
  }
  skins::FreeSkinManager();
}

TEST_F(FormHooksTest, AnActionListGetsTheImageListOnlyWhenItCanBeHad) {
  TApplicationEx& app = App();
  TStandInForm& main = Form("Main");
  auto& list = platform::MakeComponent<platform::TCustomActionList>(main);
  app.controlCreateComponent(&main, &list);
  EXPECT_EQ(list.Images(), nullptr) << "no image list and no factory";
  app.SetObjectFactory(TApplicationObject::Images, [] { return std::make_unique<platform::TCustomImageList>(); });
  app.controlCreateComponent(&main, &list);
  ASSERT_NE(list.Images(), nullptr);
  EXPECT_EQ(list.Images(), app.FindObject(TApplicationObject::Images));
}

TEST_F(FormHooksTest, TheSkinManagerTakesTheApplicationsFirstColour) {
  TApplicationEx& app = App();
  app.SetObjectFactory(TApplicationObject::Skins, [] { return std::make_unique<skins::TZebrinSkinManager>(); });
  auto& manager = dynamic_cast<skins::TZebrinSkinManager&>(app.GetObject(TApplicationObject::Skins));
  app.SetColor(0x00336699);
  EXPECT_EQ(manager.Margin()->Color(), app.FirstColor());
  EXPECT_EQ(manager.ButtonBrush()->Color(), 0x00336699);
}

// -------------------------------------------------- the main form's members

TEST_F(FormHooksTest, TheMainFormIsRefreshedClearedAndAskedForItsActiveChildren) {
  TApplicationEx& app = App();
  TStandInForm& main = Form("Main");
  TStandInForm& second = Form("Second");
  platform::MakeComponent<TComponent>(main).SetName("Inner");
  main.mdiChild = &platform::MakeComponent<TComponent>(second);
  m_formLog.clear();
  app.SetColor(0x00112233);
  EXPECT_EQ(m_formLog, std::vector<std::string>{"refresh Main"});
  EXPECT_EQ(app.Forms().ActiveMDIChild(), main.mdiChild);
  EXPECT_EQ(app.Forms().ActiveForm(), nullptr);
  second.Activate();
  EXPECT_EQ(app.Forms().ActiveForm(), &second);
  m_formLog.clear();
  app.CloseProject();
  EXPECT_EQ(m_formLog, std::vector<std::string>{"clear Main"});
  EXPECT_TRUE(main.empty());
  EXPECT_EQ(app.Forms().FindScreenForm("Second"), nullptr) << "the other forms were freed";
}

TEST_F(FormHooksTest, HandleIsTheMainFormsWindowId) {
  TApplicationEx& app = App();
  EXPECT_EQ(app.Handle(), 0);
  TStandInForm& main = Form("Main");
  EXPECT_EQ(app.Handle(), 0) << "no window yet";
  main.HandleNeeded();
  EXPECT_NE(app.Handle(), 0);
  EXPECT_EQ(app.Handle(), static_cast<std::int64_t>(main.NativeWindowId()));
}

TEST_F(FormHooksTest, TheIconReachesTheSinkAndTheDecoderServesForms) {
  const std::string png = Script("pic.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12));
  std::vector<std::string> sunk;
  m_hooks.SetApplicationIconSink([&](const IconImage* image) { sunk.push_back(image ? image->path : "none"); });
  TApplicationEx& app = App();
  app.SetImage(Variant(png));
  app.SetImage(Variant(ProjectFolder() + "missing.ico"));
  app.SetImage(Variant(""));
  EXPECT_EQ(sunk, (std::vector<std::string>{png, "none"}));

  IconImage icon{png, 0, {1, 2, 3}};
  EXPECT_FALSE(DecodeIcon(icon).has_value()) << "no decoder";
  const TIconDecoder previous = SetIconDecoder([](const IconImage& image) -> std::optional<platform::TArgbImage> {
    if (image.bytes.size() != 3) return std::nullopt;
    return platform::TArgbImage(2, 1, 0xFF000000u | image.bytes[2]);
  });
  const std::optional<platform::TArgbImage> decoded = DecodeIcon(icon);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(*decoded, platform::TArgbImage(2, 1, 0xFF000003u));
  SetIconDecoder(previous);
}

// ---------------------------------------------------------------- teardown

TEST_F(FormHooksTest, TheApplicationGoesWithItsFormsHowEverItEnded) {
  const char* const endings[] = {"main form closed", "main form freed", "terminate", "nothing"};
  for (const char* ending : endings) {
    SCOPED_TRACE(ending);
    skins::CreateSkinManager();
    TStandInForm& main = Form("Main");
    TStandInForm& palette = Form("Palette", "float");
    auto& skin = platform::MakeComponent<TZebrinFormSkinEx>(main);
    skin.SetForm(&main);
    App().controlCreateComponent(&main, &skin);
    skin.ToolButtons()->Add().SetXml("onTool");
    main.Show();
    palette.Show();
    App().ActivationChanged(false, false);
    const std::string how = ending;
    if (how == "main form closed") main.Close();
    if (how == "main form freed") TComponent::Free(main);
    if (how == "terminate") App().Terminate();
    m_app.reset();
    EXPECT_TRUE(platform::Screen().FormList().empty());
    EXPECT_EQ(platform::Screen().MainForm(), nullptr);
    skins::FreeSkinManager();
  }
}

}  // namespace halbrin::forms_hooks_test
