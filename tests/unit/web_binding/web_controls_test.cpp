#include "web/binding/web_controls.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/app/module_registry.h"
#include "platform/automation/dispatch.h"
#include "typelibs/web_controls_type_library.h"
#include "unit/core/framework/fixtures/framework_test_support.h"
#include "web/pages/page_protocol.h"

namespace halbrin::webcontrols {
namespace {

using namespace halbrin::platform;

// A page object that records every Invoke and answers as told.
class TFakePage final : public IDispatchObject {
 public:
  struct Call {
    DispId id;
    std::uint16_t kind;
    std::vector<Variant> args;
  };

  HResult GetIDsOfNames(std::span<const std::string>, std::span<DispId> ids) override {
    for (DispId& id : ids) id = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HResult Invoke(DispId id, std::uint16_t kind, DispParams& params, Variant* result, ExcepInfo* excep) override {
    calls.push_back({id, kind, params.args});
    if (Failed(code)) {
      if (excep) excep->description = description;
      return code;
    }
    if (result) *result = answer;
    return S_OK;
  }

  std::vector<Call> calls;
  HResult code = S_OK;
  std::string description;
  Variant answer;
};

// The settings of a job call as a map, and their names in order.
std::map<std::string, Variant> SettingsOf(const TFakePage::Call& call, std::vector<std::string>* names = nullptr) {
  std::map<std::string, Variant> settings;
  for (const Variant& pair : call.args.at(2).AsArray().Items()) {
    const VariantArray& item = pair.AsArray();
    EXPECT_EQ(item.Size(), 2u);
    settings[item.At(0).AsString()] = item.At(1);
    if (names) names->push_back(item.At(0).AsString());
  }
  return settings;
}

class WebControlsTest : public ::testing::Test {
 protected:
  WebControlsTest() {
    PutProperty(*m_data, "document", Variant(RefPtr<IDispatchObject>(m_document)));
  }

  RefPtr<IDispatchObject> Binder() { return GetProperty(*m_data, "binder").ToDispatch(); }
  RefPtr<IDispatchObject> Unbinder() { return GetProperty(*m_data, "unbinder").ToDispatch(); }
  // normalize and updateLinks each raise an EOleError of `text`, with `code` when one is given.
  void ExpectPageMethodsRaise(const std::string& text, std::optional<HResult> code = std::nullopt) {
    for (const char* method : {"normalize", "updateLinks"}) {
      SCOPED_TRACE(method);
      try {
        CallMethod(*m_data, method);
        ADD_FAILURE() << "no error";
      } catch (const EOleError& error) {
        if (code) {
          EXPECT_EQ(error.Code(), *code);
        }
        EXPECT_EQ(std::string(error.what()), text);
      }
    }
  }
  const TFakePage::Call& OnlyCall(const TFakePage& page) {
    EXPECT_EQ(page.calls.size(), 1u);
    return page.calls.at(0);
  }

  framework_test::TRecordingHooks m_hooks;
  ScopedApplicationHooks m_hooksScope{m_hooks};
  RefPtr<TFakePage> m_document = MakeRef<TFakePage>();
  RefPtr<IDispatchObject> m_data = [] {
    RefPtr<IDispatchObject> data;
    EXPECT_EQ(CreateWebControlsObject(kDataClassId, data), S_OK);
    return data;
  }();
};

// ---------------------------------------------------------------- binder run

TEST_F(WebControlsTest, BinderRunSendsOneJobWithEverySetting) {
  struct Case {
    const char* name;
    bool clearSource;
    bool debug;
    bool touch;  // write the reachable properties first
  };
  for (const Case& c : {Case{"defaults", false, false, false}, Case{"clear", true, false, false},
                        Case{"set", true, true, true}}) {
    SCOPED_TRACE(c.name);
    m_document->calls.clear();
    PutProperty(*m_data, "isDebugMode", Variant(c.debug));
    RefPtr<IDispatchObject> binder = Binder();
    if (c.touch) {
      PutProperty(*binder, "bindTag", Variant("div"));
      PutProperty(*binder, "defDataSrc", Variant("orders"));
      PutProperty(*binder, "isSeparateData", Variant(false));
    }
    EXPECT_EQ(CallMethod(*binder, "execute", {Variant(c.clearSource)}).ToInt(), 1);

    const TFakePage::Call& call = OnlyCall(*m_document);
    EXPECT_EQ(call.id, pages::kPageJobId);
    EXPECT_EQ(call.kind, DISPATCH_METHOD);
    ASSERT_EQ(call.args.size(), 3u);
    EXPECT_EQ(call.args[0], Variant("bind"));
    EXPECT_TRUE(call.args[1].IsEmpty());
    std::vector<std::string> names;
    auto settings = SettingsOf(call, &names);
    EXPECT_EQ(names, (std::vector<std::string>{"debugMode", "bindTag", "dataSrc", "separateSrc", "clearSource",
                                               "isDebugMode"}));
    EXPECT_EQ(settings["debugMode"], Variant(c.debug));
    EXPECT_EQ(settings["bindTag"], Variant(c.touch ? "div" : "span"));
    EXPECT_EQ(settings["dataSrc"], Variant(c.touch ? "orders" : "xmlData"));
    EXPECT_EQ(settings["separateSrc"], Variant(!c.touch));
    EXPECT_EQ(settings["clearSource"], Variant(c.clearSource));
    EXPECT_EQ(settings["isDebugMode"], Variant(c.debug));
  }
}

TEST_F(WebControlsTest, TargetElementTakesTheCall) {
  RefPtr<TFakePage> target = MakeRef<TFakePage>();
  PutProperty(*m_data, "targetElement", Variant(RefPtr<IDispatchObject>(target)));
  EXPECT_EQ(GetProperty(*m_data, "targetElement").AsDispatch(), target.Get());

  CallMethod(*Binder(), "execute", {Variant(false)});
  CallMethod(*Unbinder(), "execute");
  EXPECT_TRUE(m_document->calls.empty());
  ASSERT_EQ(target->calls.size(), 2u);
  for (const TFakePage::Call& call : target->calls) EXPECT_EQ(call.args[1].AsDispatch(), target.Get());
  EXPECT_EQ(target->calls[1].args[0], Variant("unbind"));
  target->calls.clear();  // they hold the target itself
}

TEST_F(WebControlsTest, BinderAndUnbinderAreNewObjectsEachRead) {
  RefPtr<IDispatchObject> first = Binder();
  PutProperty(*first, "bindTag", Variant("div"));
  RefPtr<IDispatchObject> second = Binder();
  EXPECT_NE(first.Get(), second.Get());
  EXPECT_EQ(GetProperty(*second, "bindTag"), Variant("span"));
  EXPECT_NE(Unbinder().Get(), Unbinder().Get());
  // A run object keeps its Data alive.
  m_data.Reset();
  EXPECT_EQ(CallMethod(*first, "execute", {Variant(true)}).ToInt(), 1);
  EXPECT_EQ(m_document->calls.size(), 1u);
}

// -------------------------------------------------------------- unbinder run

TEST_F(WebControlsTest, UnbinderRunSendsReachableAndDefaultSettings) {
  RefPtr<IDispatchObject> unbinder = Unbinder();
  EXPECT_EQ(GetProperty(*unbinder, "defDataSrc"), Variant("xmlData"));
  EXPECT_EQ(GetProperty(*unbinder, "isFillEmptyData"), Variant(true));
  PutProperty(*unbinder, "unbindTag", Variant("b"));
  PutProperty(*unbinder, "emptyTag", Variant("i"));
  PutProperty(*unbinder, "emptyClass", Variant("none"));
  PutProperty(*unbinder, "emptyData", Variant("-"));
  PutProperty(*unbinder, "isFillEmptyData", Variant(false));
  PutProperty(*unbinder, "defDataSrc", Variant("orders"));
  PutProperty(*unbinder, "bindTag", Variant("div"));
  EXPECT_EQ(GetProperty(*unbinder, "unbindTag"), Variant("b"));
  EXPECT_EQ(GetProperty(*unbinder, "defDataSrc"), Variant("orders"));
  PutProperty(*m_data, "isDebugMode", Variant(true));
  EXPECT_EQ(CallMethod(*unbinder, "execute").ToInt(), 1);

  const TFakePage::Call& call = OnlyCall(*m_document);
  EXPECT_EQ(call.args[0], Variant("unbind"));
  std::vector<std::string> names;
  auto settings = SettingsOf(call, &names);
  EXPECT_EQ(names, (std::vector<std::string>{"fillEmptyData", "emptyData", "emptyTag", "emptyClass", "unbindTag",
                                             "unbindClass", "errorClass", "respects", "debugMode", "bindTag",
                                             "clearSource", "isDebugMode"}));
  EXPECT_EQ(settings["bindTag"], Variant("div"));
  EXPECT_EQ(settings["fillEmptyData"], Variant(false));
  EXPECT_EQ(settings["emptyData"], Variant("-"));
  EXPECT_EQ(settings["emptyTag"], Variant("i"));
  EXPECT_EQ(settings["emptyClass"], Variant("none"));
  EXPECT_EQ(settings["unbindTag"], Variant("b"));
  // Out of the scripts' reach: the defaults.
  EXPECT_EQ(settings["unbindClass"], Variant("bindvalue"));
  EXPECT_EQ(settings["errorClass"], Variant("binderror"));
  EXPECT_EQ(settings["respects"], Variant("urId,urStyle"));
  EXPECT_EQ(settings["debugMode"], Variant(false));
  EXPECT_EQ(settings["clearSource"], Variant(false));
  EXPECT_EQ(settings["isDebugMode"], Variant(true));
}

// ---------------------------------------------- pages that cannot run a job

TEST_F(WebControlsTest, RunsWithoutDocumentSendNothing) {
  PutProperty(*m_data, "document", Variant::Null());
  EXPECT_FALSE(GetProperty(*m_data, "document").AsDispatch());
  EXPECT_EQ(CallMethod(*Binder(), "execute", {Variant(true)}).ToInt(), 1);
  EXPECT_EQ(CallMethod(*Unbinder(), "execute").ToInt(), 1);
  ExpectPageMethodsRaise(kNotPageDocument);
  EXPECT_TRUE(m_document->calls.empty());
  EXPECT_TRUE(m_hooks.logged.empty());
}

TEST_F(WebControlsTest, DocumentThatRunsNoJob) {
  m_document->code = DISP_E_MEMBERNOTFOUND;
  EXPECT_EQ(CallMethod(*Binder(), "execute", {Variant(false)}).ToInt(), 1);
  EXPECT_EQ(CallMethod(*Unbinder(), "execute").ToInt(), 1);
  EXPECT_EQ(m_hooks.logged, (std::vector<std::string>{"[TData]: The document is not a project page",
                                                      "[TData]: The document is not a project page"}));
  ExpectPageMethodsRaise(kNotPageDocument, DISP_E_EXCEPTION);
  EXPECT_EQ(m_document->calls.size(), 4u);
}

TEST_F(WebControlsTest, ErrorsOfARunAreLoggedAndTheChannelsErrorsRaised) {
  m_document->answer = Variant("TypeError: x is undefined");
  EXPECT_EQ(CallMethod(*Binder(), "execute", {Variant(false)}).ToInt(), 1);
  EXPECT_EQ(m_hooks.logged, (std::vector<std::string>{"[TData]: TypeError: x is undefined"}));

  m_document->code = RPC_E_SERVER_DIED_DNE;
  m_document->description = "The page process has gone";
  RefPtr<IDispatchObject> binder = Binder();
  DispParams params;
  params.args = {Variant(true)};
  Variant result;
  ExcepInfo excep;
  EXPECT_EQ(binder->Invoke(DISPID_BINDER_EXECUTE, DISPATCH_METHOD, params, &result, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.code, RPC_E_SERVER_DIED_DNE);
  EXPECT_EQ(excep.description, "The page process has gone");
  EXPECT_THROW(CallMethod(*m_data, "normalize"), EOleError);
}

TEST_F(WebControlsTest, NormalizeAndUpdateLinksRaiseTheErrorsThePageAnswers) {
  m_document->answer = Variant("print.js:12: TypeError: null is not an object");
  ExpectPageMethodsRaise("print.js:12: TypeError: null is not an object");
  m_document->answer = Variant();
  EXPECT_NO_THROW(CallMethod(*m_data, "normalize"));
}

TEST_F(WebControlsTest, NormalizeAndUpdateLinksWorkOnTheDocument) {
  RefPtr<TFakePage> target = MakeRef<TFakePage>();
  PutProperty(*m_data, "targetElement", Variant(RefPtr<IDispatchObject>(target)));
  PutProperty(*m_data, "isDebugMode", Variant(true));
  CallMethod(*m_data, "normalize");
  CallMethod(*m_data, "updateLinks");
  EXPECT_TRUE(target->calls.empty());
  ASSERT_EQ(m_document->calls.size(), 2u);
  EXPECT_EQ(m_document->calls[0].args[0], Variant("normalize"));
  EXPECT_EQ(m_document->calls[1].args[0], Variant("updatelinks"));
  for (const TFakePage::Call& call : m_document->calls) {
    EXPECT_TRUE(call.args[1].IsEmpty());
    std::vector<std::string> names;
    EXPECT_EQ(SettingsOf(call, &names)["isDebugMode"], Variant(true));
    EXPECT_EQ(names, std::vector<std::string>{"isDebugMode"});
  }
  // The target is kept for the runs that follow.
  EXPECT_EQ(GetProperty(*m_data, "targetElement").AsDispatch(), target.Get());
}

// --------------------------------------------------------------- saveislands

class SaveIslandsTest : public WebControlsTest {
 protected:
  SaveIslandsTest() {
    gchar* dir = g_dir_make_tmp("halbrin-islands-XXXXXX", nullptr);
    m_root = dir;
    g_free(dir);
  }
  ~SaveIslandsTest() override {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }

  TBinder& NewBinder() {
    m_binder = MakeRef<TBinder>(RefPtr<TData>(static_cast<TData*>(m_data.Get())));
    return *m_binder;
  }
  std::string Folder() const { return (m_root / "out").string() + "/"; }
  std::string Read(const std::string& name) const {
    std::ifstream in(m_root / "out" / name, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
  }
  static Variant Island(const char* id, const char* text) {
    return Variant(VariantArray(std::vector<Variant>{Variant(id), Variant(text)}));
  }

  std::filesystem::path m_root;
  RefPtr<TBinder> m_binder;
};

TEST_F(SaveIslandsTest, WritesEachIslandUnderItsSafeNameWithTheFullHeader) {
  const std::string header = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>";
  m_document->answer = Variant(VariantArray(std::vector<Variant>{
      Island("Orders", "<?xml version=\"1.0\"?><recordset><record><a/><b/></record></recordset>"),
      Island("", "<recordset>\n<record/>\n</recordset>"),
      Island("a/b:c*", "<r/>"),
      Island("/", "<s/>"),
  }));
  NewBinder().SaveIslands(Folder());

  const TFakePage::Call& call = OnlyCall(*m_document);
  EXPECT_EQ(call.id, pages::kPageJobId);
  EXPECT_EQ(call.args.at(0), Variant("saveislands"));
  const struct {
    const char* file;
    std::string text;
  } files[] = {
      {"Orders.xml", header + "<recordset><record><a/>\r\n<b/>\r\n</record></recordset>\r\n"},
      {"xml1.xml", header + "\r\n<recordset>\r\n<record/>\r\n</recordset>\r\n"},
      {"abc.xml", header + "\r\n<r/>\r\n"},
      {"xml3.xml", header + "\r\n<s/>\r\n"},
  };
  for (const auto& f : files) EXPECT_EQ(Read(f.file), f.text) << f.file;
}

TEST_F(SaveIslandsTest, WritesNothingWithoutAPageThatRunsJobs) {
  m_document->code = DISP_E_MEMBERNOTFOUND;
  NewBinder().SaveIslands(Folder());
  EXPECT_EQ(m_hooks.logged, (std::vector<std::string>{"[TData]: The document is not a project page"}));
  EXPECT_FALSE(std::filesystem::exists(m_root / "out"));

  m_document->code = S_OK;
  m_document->answer = Variant("binder.js:3: TypeError: x");
  EXPECT_THROW(NewBinder().SaveIslands(Folder()), Exception);
  EXPECT_FALSE(std::filesystem::exists(m_root / "out"));

  m_document->calls.clear();
  PutProperty(*m_data, "document", Variant::Null());
  NewBinder().SaveIslands(Folder());
  EXPECT_TRUE(m_document->calls.empty());
}

// ------------------------------------------------------------------- creator

TEST(WebControlsCreator, OnlyTheDataClass) {
  RefPtr<IDispatchObject> object;
  EXPECT_EQ(CreateWebControlsObject("{2087bfa6-c4b5-4eb2-b7e0-7952029e4461}", object), S_OK);
  ASSERT_TRUE(object);
  EXPECT_EQ(object->GetTypeInfo()->Name(), "IData");
  for (const char* id : {"{4E8BF08A-FEE0-4753-894C-5025A42664F5}", kDataProgId, ""}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(CreateWebControlsObject(id, object), static_cast<HResult>(0x80004002));
    EXPECT_FALSE(object);
  }
}

TEST(WebControlsCreator, ModuleClassByClassIdAndProgId) {
  RegisterWebControlsClasses();
  for (const char* id : {kDataClassId, kDataProgId, "zebrinwebcontrols.data"}) {
    SCOPED_TRACE(id);
    TModuleFactory factory = FindModuleClass(id);
    ASSERT_TRUE(factory);
    RefPtr<IDispatchObject> first = factory();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetTypeInfo(), &IDataTypeInfo());
    EXPECT_NE(factory().Get(), first.Get());
  }
  UnregisterModuleClass(kDataProgId);
  EXPECT_FALSE(FindModuleClass(kDataProgId));
}

}  // namespace
}  // namespace halbrin::webcontrols
