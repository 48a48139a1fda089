// What scripts hold of components: the type library's members, late-bound
// names and their dispatch ids, stale objects and handles, and a script that
// declares components and then drives them by name.

#include <functional>

#include "../scripting/fixtures/script_test_support.h"
#include "core/foundation/string_object_list.h"
#include "core/framework/component_operations.h"
#include "core/framework/component_types.h"
#include "core/framework/component_wrappers.h"
#include "core/framework/xml_type_info_ex.h"
#include "fixtures/framework_test_support.h"
#include "platform/automation/dispatch.h"
#include "typelibs/client_type_library.h"

namespace halbrin::framework_test {
namespace {

using platform::DispId;
using platform::DispParams;
using platform::HResult;
using platform::IDispatchObject;
using platform::RefPtr;

class WrapperTest : public FrameworkTest {
 protected:
  WrapperTest() {
    m_panel.SetName("Main");
    m_panel.m_caption = "Hello";
  }
  RefPtr<IDispatchObject> Wrap(platform::TObject* object) { return platform::MakeRef<halbrin::TComponent>(object); }
  static DispId IdOf(IDispatchObject& object, const std::string& name) {
    const std::string names[] = {name};
    DispId id = platform::DISPID_UNKNOWN;
    const HResult hr = object.GetIDsOfNames(names, std::span<DispId>(&id, 1));
    return hr == platform::S_OK ? id : platform::DISPID_UNKNOWN;
  }
  static HResult Invoke(IDispatchObject& object, DispId id, std::uint16_t kind, DispParams params,
                        Variant* result = nullptr, platform::ExcepInfo* excep = nullptr) {
    return object.Invoke(id, kind, params, result, excep);
  }

  TFwPanel m_panel;
};

TEST_F(WrapperTest, TypeLibraryNamesComeFirstThenMethodsPropertiesAndChildren) {
  platform::MakeComponent<TFwButton>(m_panel).SetName("Ok");
  RefPtr<IDispatchObject> wrapper = Wrap(&m_panel);
  EXPECT_EQ(IdOf(*wrapper, "EXEC"), DISPID_COMPONENT_EXEC) << "not the published exec property";
  const DispId sum = IdOf(*wrapper, "Sum");
  const DispId caption = IdOf(*wrapper, "caption");
  const DispId ok = IdOf(*wrapper, "ok");
  for (DispId id : {sum, caption, ok}) EXPECT_GE(id, 0x10000);
  EXPECT_EQ(IdOf(*wrapper, "caption"), caption) << "found again, same id";
  EXPECT_EQ(IdOf(*wrapper, "clickHandler"), platform::DISPID_UNKNOWN) << "a handler takes no script call";
  EXPECT_EQ(IdOf(*wrapper, "nothing"), platform::DISPID_UNKNOWN);
  EXPECT_EQ(IdOf(*wrapper, "caption\xC4\x80"), platform::DISPID_UNKNOWN);
  EXPECT_EQ(platform::CallMethod(*wrapper, "sum", {Variant(2), Variant(3)}), Variant(std::int64_t{5}));
  EXPECT_EQ(platform::GetProperty(*wrapper, "Caption"), Variant("Hello"));
  platform::PutProperty(*wrapper, "caption", Variant("Changed"));
  EXPECT_EQ(m_panel.m_caption, "Changed");
  Variant child = platform::GetProperty(*wrapper, "OK");
  EXPECT_EQ(WrappedObject(child), m_panel.FindComponent("Ok"));
}

TEST_F(WrapperTest, LateBoundCallsAreCheckedLikeAutomationCalls) {
  RefPtr<IDispatchObject> wrapper = Wrap(&m_panel);
  const DispId caption = IdOf(*wrapper, "caption");
  Variant result;
  EXPECT_EQ(Invoke(*wrapper, caption, platform::DISPATCH_PROPERTYGET, {{Variant(1)}, {}}, &result),
            platform::DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Invoke(*wrapper, caption, platform::DISPATCH_PROPERTYPUT, {{Variant("x")}, {}}),
            platform::DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Invoke(*wrapper, 0x10000 + 999, platform::DISPATCH_PROPERTYGET, {}), platform::DISP_E_MEMBERNOTFOUND);
  platform::ExcepInfo excep;
  EXPECT_EQ(Invoke(*wrapper, DISPID_COMPONENT_REMOVECHILD, platform::DISPATCH_METHOD, {{Variant::Null()}, {}}, &result,
                   &excep),
            platform::DISP_E_EXCEPTION);
  EXPECT_EQ(excep.description, "Invalid parameter") << "the member's own error, not a missing member";
}

TEST_F(WrapperTest, ManyLateBoundNamesNeverMeetTheTypeLibrarysIds) {
  for (int i = 0; i < 150; ++i) platform::MakeComponent<TFwButton>(m_panel).SetName("c" + std::to_string(i));
  RefPtr<IDispatchObject> wrapper = Wrap(&m_panel);
  std::vector<DispId> ids;
  for (int i = 0; i < 150; ++i) ids.push_back(IdOf(*wrapper, "c" + std::to_string(i)));
  TComponent::Free(*m_panel.FindComponent("c0"));  // an earlier sibling goes
  for (int i = 1; i < 150; ++i) {
    ASSERT_EQ(halbrin::IComponentTypeInfo().FindById(ids[i]), nullptr) << i;
    Variant child;
    ASSERT_EQ(Invoke(*wrapper, ids[i], platform::DISPATCH_PROPERTYGET, {}, &child), platform::S_OK);
    EXPECT_EQ(WrappedObject(child), m_panel.FindComponent("c" + std::to_string(i))) << i;
  }
}

TEST_F(WrapperTest, AFreedObjectMakesEveryCallAnErrorAndStaleHandlesFindNothing) {
  auto doomed = std::make_unique<TFwPanel>();
  RefPtr<IDispatchObject> wrapper = Wrap(doomed.get());
  const Variant handle = platform::GetProperty(*wrapper, "handle");
  EXPECT_EQ(WrappedObject(platform::CallMethod(*Wrap(&m_panel), "getComponent", {handle})), doomed.get());
  doomed.reset();
  try {
    platform::GetProperty(*wrapper, "caption");
    ADD_FAILURE() << "no error";
  } catch (const platform::EOleError& e) {
    EXPECT_NE(std::string(e.what()).find("Object has been freed"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(platform::CallMethod(*Wrap(&m_panel), "getComponent", {handle}).IsNull());
  EXPECT_TRUE(platform::CallMethod(*Wrap(&m_panel), "getComponent", {Variant(123456789)}).IsNull());
}

TEST_F(WrapperTest, MembersReachTheObject) {
  TFwButton& ok = platform::MakeComponent<TFwButton>(m_panel);
  ok.SetName("Ok");
  RefPtr<IDispatchObject> wrapper = Wrap(&m_panel);
  EXPECT_EQ(platform::GetProperty(*wrapper, "componentClass"), Variant("TFWPANEL"));
  EXPECT_EQ(platform::GetProperty(*wrapper, "componentType"), Variant("fwpanel"));
  EXPECT_EQ(platform::GetProperty(*wrapper, "length"), Variant(1));
  EXPECT_EQ(WrappedObject(platform::CallMethod(*wrapper, "item", {Variant("ok")})), &ok);
  EXPECT_EQ(WrappedObject(platform::CallMethod(*wrapper, "item", {Variant(0)})), &ok);
  EXPECT_TRUE(platform::CallMethod(*wrapper, "item", {Variant(1.0)}).IsNull());
  EXPECT_EQ(WrappedObject(platform::GetProperty(*platform::CallMethod(*wrapper, "item", {Variant(0)}).AsDispatch(),
                                                "parent")),
            &m_panel);
  platform::CallMethod(*wrapper, "setAttribute", {Variant("color"), Variant("#0000FF"), Variant("color")});
  EXPECT_EQ(m_panel.m_color, 0xFF0000);
  EXPECT_EQ(platform::CallMethod(*wrapper, "exec", {Variant("ping")}), Variant(false));
  EXPECT_EQ(platform::CallMethod(*Wrap(&ok), "exec", {Variant("ping")}), Variant("pong"));
  Variant children = platform::GetProperty(*wrapper, "children");
  EXPECT_EQ(platform::GetProperty(*children.AsDispatch(), "length"), Variant(1));
  EXPECT_EQ(platform::CallMethod(*children.AsDispatch(), "remove", {Variant("OK")}), Variant(true));
  EXPECT_EQ(m_panel.ComponentCount(), 0);
  EXPECT_THROW(platform::MakeRef<TApplicationObjects>(&m_panel), platform::EComponentError);
}

// remove and removeChild answer whether something was freed, and free what
// they can: owned components, collection items, a view only its wrapper holds.
TEST_F(WrapperTest, RemoveAndRemoveChildAnswerWhatHappened) {
  TFwButton lonely;  // made here without owner: only this test may free it
  lonely.SetName("Lonely");
  TStringObjectListEx lines;
  lines.Add("alpha=1");
  m_panel.m_items->Add();
  struct Case {
    const char* label;
    std::function<Variant()> call;
    bool answer;
    std::function<bool()> freed;
  };
  RefPtr<IDispatchObject> panel = Wrap(&m_panel);
  RefPtr<IDispatchObject> list = Wrap(&lines);
  Variant view;
  const Case cases[] = {
      {"remove: an owned component",
       [&] {
         platform::MakeComponent<TFwButton>(m_panel).SetName("Ok");
         return platform::CallMethod(*panel, "remove", {Variant("ok")});
       },
       true, [&] { return m_panel.FindComponent("Ok") == nullptr; }},
      {"remove: nothing of that name", [&] { return platform::CallMethod(*panel, "remove", {Variant("none")}); }, false,
       [] { return true; }},
      {"remove: a collection item", [&] { return platform::CallMethod(*Wrap(m_panel.m_items.get()), "remove", {Variant(0)}); },
       true, [&] { return m_panel.m_items->Count() == 0; }},
      {"remove: a line only viewed", [&] { return platform::CallMethod(*list, "remove", {Variant(0)}); }, false,
       [&] { return lines.Count() == 1; }},
      {"removeChild: a component without owner",
       [&] { return platform::CallMethod(*panel, "removeChild", {WrapObject(&lonely)}); }, false,
       [&] { return lonely.Name() == "Lonely"; }},
      {"removeChild: a view only its wrapper holds",
       [&] {
         view = platform::CallMethod(*list, "item", {Variant(0)});
         return platform::CallMethod(*list, "removeChild", {view});
       },
       true,
       [&] {
         try {
           WrappedObject(view);
           return false;
         } catch (const platform::EObjectFreed&) {
           return true;  // the wrapper reports its object freed
         }
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(c.call(), Variant(c.answer));
    EXPECT_TRUE(c.freed());
  }
}

TEST_F(WrapperTest, FireEventNeedsTheBindingsFullName) {
  RefPtr<IDispatchObject> wrapper = Wrap(&m_panel);
  EXPECT_FALSE(platform::CallMethod(*wrapper, "isEvent", {Variant("onclick")}).ToBool());
  EXPECT_FALSE(m_panel.HasEvents()) << "asking makes no bindings";
  platform::CallMethod(*wrapper, "attachEvent", {Variant("onclick"), Variant("ui.js"), Variant("go"), Variant(1)});
  m_hooks.answer = [&](const ScriptCall& call) { return call.parameters; };
  EXPECT_TRUE(platform::CallMethod(*wrapper, "fireEvent", {Variant("click"), Variant(5)}).IsEmpty());
  EXPECT_EQ(platform::CallMethod(*wrapper, "fireEvent", {Variant("onclick"), Variant(5)}), Variant(5));
  EXPECT_TRUE(m_panel.GetEventData().IsEmpty());
  EXPECT_EQ(platform::CallMethod(*wrapper, "detachEvent", {Variant("onclick"), Variant(0)}), Variant(true));
  EXPECT_FALSE(m_panel.m_onClick.Assigned());
}

TEST_F(WrapperTest, ApplicationListsTakeIntegersAsIndexesOnly) {
  TApplicationComponents list;
  TFwButton a, b;
  list.Add(&a);
  list.Add(&b);
  RefPtr<IDispatchObject> objects = platform::MakeRef<TApplicationObjects>(&list);
  EXPECT_EQ(WrappedObject(platform::CallMethod(*objects, "item", {Variant(1)})), &b);
  EXPECT_TRUE(platform::CallMethod(*objects, "item", {Variant(1.0)}).IsNull());
  EXPECT_EQ(platform::GetProperty(*objects, "length"), Variant(2));
}

TEST_F(WrapperTest, ALineViewBelongsToTheWrapperThatWasHandedIt) {
  TStringObjectListEx lines;
  lines.Add("alpha=1");
  lines.Add("beta=2");
  RefPtr<IDispatchObject> wrapper = Wrap(&lines);
  Variant view = platform::CallMethod(*wrapper, "item", {Variant(1)});
  ASSERT_TRUE(view.IsDispatch());
  const Variant handle = platform::GetProperty(*view.AsDispatch(), "handle");
  Variant again = platform::CallMethod(*wrapper, "getComponent", {handle});
  view = Variant();
  EXPECT_THROW(platform::GetProperty(*again.AsDispatch(), "handle"), platform::EOleError)
      << "the view went with its only owner";
}

// A script declares components through a host object and then drives them.
class ScriptedWrapperTest : public scripting_test::ScriptHostTest {
 protected:
  void SetUp() override {
    ScriptHostTest::SetUp();
    RegisterComponentClass<TFwPanel>("fwpanel");
    RegisterComponentClass<TFwButton>("fwbutton");
    GetScriptControlDefaultImplementation().NamedObjectSources().client = [this] {
      return RefPtr<IDispatchObject>(platform::MakeRef<halbrin::TComponent>(&m_hooks.root));
    };
  }
  void TearDown() override {
    UnregisterComponentType("fwpanel");
    UnregisterComponentType("fwbutton");
    ScriptHostTest::TearDown();
  }
  TRecordingHooks m_hooks;
  ScopedApplicationHooks m_scope{m_hooks};
};

// The root's exec runs a declaration, as the client object's will.
class TDeclaringRoot : public TCustomExecutableComponentEx {
 public:
  using TCustomExecutableComponentEx::TCustomExecutableComponentEx;
  void SetExec(const Variant& value) override {
    TXmlTypeInfoEx mapper;
    Variant result;
    mapper.Execute(value, result);
    ExecResult() = result;
  }
};

TEST_F(ScriptedWrapperTest, DeclaredComponentsAreReachedByPropertyMethodAndChildName) {
  TDeclaringRoot& root = platform::MakeComponent<TDeclaringRoot>(m_hooks.root);
  root.SetName("Root");
  Script("init.js",
         "function main() {\n"
         "  var root = client.item('root');\n"
         "  root.exec('<control id=\"Box\" type=\"fwpanel\" caption=\"Made\">' +\n"
         "            '<control id=\"Ok\" type=\"fwbutton\"/></control>');\n"
         "  var box = client.BOX;\n"
         "  box.Caption = box.caption + ' here';\n"
         "  return [box.CAPTION, box.sum(20, 22), box.ok.componentType, box.item('OK').parent.handle == box.handle,\n"
         "          root.exec('<control content=\"exist\" id=\"Box\"/>')].join('|');\n"
         "}\n");
  EXPECT_EQ(RunScriptProcedure("init", "main", {}), Variant("Made here|42|fwbutton|true|true"));
  EXPECT_TRUE(m_hooks.errors.empty()) << m_hooks.errors.front();
}

}  // namespace
}  // namespace halbrin::framework_test
