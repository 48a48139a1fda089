// Data providers: the default provider's files under a temporary
// $XDG_DATA_HOME (every row also checks its "response"), the script
// provider's events, and an external provider through a built-in module class.

#include "web/data/data_providers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "core/app/module_registry.h"
#include "core/foundation/text_files.h"
#include "platform/automation/dispatch.h"
#include "typelibs/client_type_library.h"
#include "unit/web_data/data_test_support.h"
#include "web/data/data_items.h"

namespace halbrin::data_test {
namespace {

namespace fs = std::filesystem;

TEST_F(DataTest, DefaultProviderFolderReplacesCharactersFilesCannotName) {
  EXPECT_EQ(TDefaultDataProvider::ProjectRoot("a/b:c"), m_home + "/Zebrin/HalbrinLite/projects/a_b_c/");
  m_hooks.projectName = "x|y";
  TDefaultDataProvider provider;
  EXPECT_EQ(provider.Root(), m_home + "/Zebrin/HalbrinLite/projects/x_y/");
  EXPECT_EQ(provider.GetProvider(), "#default");
  EXPECT_EQ(provider.GetTypeName(), "dataprovider");
  EXPECT_TRUE(m_hooks.providers.Contains(&provider)) << "made providers join the list";
}

class DefaultProviderTest : public DataTest {
 protected:
  DefaultProviderTest() {
    m_provider.SetName("store");
    m_provider.GetEvents()->AttachEvent("onresponse").SetXml("answer");
  }
  std::string Root() const { return m_provider.Root(); }
  // The last "response" eventData.
  Variant LastResponse() const { return m_hooks.calls.empty() ? Variant() : m_hooks.calls.back().parameters; }
  void ExpectResponse(const Variant& names, const Variant& data, const char* context) const {
    EXPECT_EQ(LastResponse(), Array({Variant("store"), names, data, Variant(context)})) << context;
  }

  TDefaultDataProvider m_provider;
};

TEST_F(DefaultProviderTest, OpenSaveLoadAndClose) {
  EXPECT_EQ(m_provider.Open(), Variant(false)) << "no folder before the first save";
  ExpectResponse(Variant(Root()), Variant(false), "open");
  EXPECT_EQ(m_provider.Save(Variant("sub/deep/a.xml"), Variant("<a/>")), Variant(true));
  ExpectResponse(Variant("sub/deep/a.xml"), Variant(true), "save");
  EXPECT_EQ(LoadTextFromFile(Root() + "sub/deep/a.xml"), "<a/>");
  EXPECT_EQ(m_provider.Open(), Variant(true));
  ASSERT_EQ(m_provider.Save(Variant("b.txt"), Variant("bee")), Variant(true));
  EXPECT_EQ(m_provider.Load(Variant("b.txt")), Variant("bee"));
  ExpectResponse(Variant("b.txt"), Variant("bee"), "load");
  const Variant two = Array({Variant("b.txt"), Variant("missing.txt")});
  EXPECT_EQ(m_provider.Load(two), Array({Variant("bee"), Variant::Null()}));
  ExpectResponse(two, Array({Variant("bee"), Variant::Null()}), "load");
  EXPECT_EQ(m_provider.Save(two, Variant("x")), Variant(false)) << "an array of names";
  EXPECT_EQ(m_provider.Close(), Variant(true));
  ExpectResponse(Variant(Root()), Variant(true), "close");
}

TEST_F(DefaultProviderTest, EraseDeletesFilesAndFoldersForGood) {
  ASSERT_EQ(m_provider.Save(Variant("f/one.txt"), Variant("1")), Variant(true));
  ASSERT_EQ(m_provider.Save(Variant("g.txt"), Variant("2")), Variant(true));
  EXPECT_EQ(m_provider.Erase(Variant("g.txt")), Variant(true));
  ExpectResponse(Variant("g.txt"), Variant(true), "erase");
  EXPECT_FALSE(fs::exists(Root() + "g.txt"));
  EXPECT_EQ(m_provider.Erase(Variant("f")), Variant(true));
  EXPECT_FALSE(fs::exists(Root() + "f"));
  EXPECT_FALSE(fs::exists(m_home + "/Trash")) << "not moved to the trash";
  EXPECT_EQ(m_provider.Erase(Variant("")), Variant());
  ExpectResponse(Variant(""), Variant(), "erase");
  EXPECT_EQ(m_provider.Erase(Variant("never.txt")), Variant(false));
}

TEST_F(DefaultProviderTest, CreateItemsMakesFoldersExecAnswersNothing) {
  EXPECT_EQ(m_provider.CreateItems(Variant("a/b/")), Variant(true));
  ExpectResponse(Variant("a/b/"), Variant(true), "create");
  EXPECT_TRUE(fs::is_directory(Root() + "a/b"));
  EXPECT_EQ(m_provider.CreateItems(Variant("c/file.xml")), Variant(true));
  EXPECT_TRUE(fs::is_directory(Root() + "c"));
  EXPECT_FALSE(fs::exists(Root() + "c/file.xml")) << "without a trailing separator the last part is a file";
  const std::size_t calls = m_hooks.calls.size();
  EXPECT_EQ(m_provider.Exec(Variant("anything")), Variant());
  EXPECT_EQ(m_hooks.calls.size(), calls) << "exec sends no response";
}

TEST_F(DefaultProviderTest, NamesOutsideTheFolderAreRefused) {
  const std::string outside = m_home + "/outside.txt";
  { std::ofstream(outside) << "keep"; }
  ASSERT_EQ(m_provider.CreateItems(Variant("x/")), Variant(true));
  fs::create_directory_symlink(m_home, Root() + "link");
  struct Case {
    const char* name;
  };
  for (const Case& row : {Case{"../../../../outside.txt"}, Case{"x/../../outside.txt"}, Case{"/etc/passwd"},
                          Case{"link/outside.txt"}, Case{"..\\..\\outside.txt"}}) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(m_provider.Load(Variant(row.name)), Variant::Null());
    ExpectResponse(Variant(row.name), Variant::Null(), "load");
    EXPECT_EQ(m_provider.Save(Variant(row.name), Variant("bad")), Variant(false));
    ExpectResponse(Variant(row.name), Variant(false), "save");
    EXPECT_EQ(m_provider.Erase(Variant(row.name)), Variant(false));
    EXPECT_EQ(m_provider.CreateItems(Variant(row.name)), Variant(false));
  }
  EXPECT_EQ(LoadTextFromFile(outside), "keep");
}

TEST_F(DefaultProviderTest, FailedWritesKeepTheOldFile) {
  ASSERT_EQ(m_provider.Save(Variant("dir/old.txt"), Variant("old")), Variant(true));
  EXPECT_EQ(m_provider.Save(Variant("dir"), Variant("over a folder")), Variant(false));
  EXPECT_EQ(m_provider.Save(Variant("dir/old.txt/under"), Variant("under a file")), Variant(false));
  EXPECT_EQ(m_provider.Load(Variant("dir")), Variant::Null()) << "a folder cannot be read";
  if (geteuid() != 0) {
    fs::permissions(Root() + "dir", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(m_provider.Save(Variant("dir/old.txt"), Variant("new")), Variant(false));
    fs::permissions(Root() + "dir", fs::perms::owner_all);
  }
  EXPECT_EQ(LoadTextFromFile(Root() + "dir/old.txt"), "old");
}

TEST_F(DataTest, ResponseWithoutHandlerIsNull) {
  TDefaultDataProvider provider;
  EXPECT_EQ(provider.Response(Variant("n"), Variant("d"), Variant("c")), Variant::Null());
}

// ------------------------------------------------------------ script provider

TEST_F(DataTest, ScriptProviderFiresOneEventPerOperation) {
  TDataProviderEx provider;
  provider.SetName("store");
  EXPECT_TRUE(provider.GetActive());
  EXPECT_EQ(provider.GetProvider(), "#store");
  provider.SetSource("src");
  EXPECT_EQ(provider.Load(Variant("n")), Variant::Null()) << "no handler";
  const Variant names("n"), data("d"), context("c");
  struct Case {
    const char* event;
    std::function<Variant()> call;
    Variant eventData;
  };
  const Variant name("store");
  const std::vector<Case> cases = {
      {"open", [&] { return provider.Open(); }, Array({name, Variant("#store"), Variant("src")})},
      {"load", [&] { return provider.Load(names); }, Array({name, names})},
      {"save", [&] { return provider.Save(names, data); }, Array({name, names, data})},
      {"erase", [&] { return provider.Erase(names); }, Array({name, names})},
      {"exec", [&] { return provider.Exec(data); }, Array({name, data})},
      {"create", [&] { return provider.CreateItems(names); }, Array({name, names})},
      {"response", [&] { return provider.Response(names, data, context); }, Array({name, names, data, context})},
      {"cancel", [&] { return provider.Cancel(names, data, context); }, Array({name, names, data, context})},
  };
  m_hooks.answer = [](const ScriptCall& call) { return Variant("answer of " + call.procedure); };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.event);
    provider.GetEvents()->AttachEvent(std::string("on") + row.event).SetXml(row.event);
    m_hooks.calls.clear();
    EXPECT_EQ(row.call(), Variant(std::string("answer of ") + row.event));
    ASSERT_EQ(m_hooks.calls.size(), 1u);
    EXPECT_EQ(m_hooks.calls[0].parameters, row.eventData);
  }
  provider.GetEvents()->AttachEvent("onclose").SetXml("close");
  m_hooks.calls.clear();
  EXPECT_EQ(provider.Close(), Variant()) << "the handler's answer is dropped";
  ASSERT_EQ(m_hooks.calls.size(), 1u);
  EXPECT_EQ(m_hooks.calls[0].parameters, Array({name}));
}

// ---------------------------------------------------------- external provider

// A module object that records what the provider asks of it.
class TRecordingExternal final : public platform::TAutoObject, public IExternalDataProvider {
 public:
  static const platform::TypeInfo& Info() {
    static const platform::TypeInfo info("IRecordingExternal", "{00000000-0000-0000-0000-0000000000E1}", {});
    return info;
  }
  TRecordingExternal() : TAutoObject(Info()) { ++made; }
  ~TRecordingExternal() override { --made; }

  platform::HResult Connect(const platform::RefPtr<platform::IDispatchObject>& s, int& cookie) override {
    sink = s;
    cookie = 7;
    log.push_back("connect");
    return 0;
  }
  platform::HResult Disconnect(int cookie) override {
    log.push_back("disconnect " + std::to_string(cookie));
    sink = nullptr;
    return 0;
  }
  platform::HResult GetActive(bool& a) override { a = true; return 0; }
  platform::HResult GetSource(std::string& s) override { s = source; return 0; }
  platform::HResult SetSource(const std::string& s) override { source = s; return 0; }
  platform::HResult Open(Variant& r, platform::HResult& st) override { r = Variant("opened"); st = 0; return 0; }
  platform::HResult Close(Variant& r, platform::HResult& st) override { r = Variant(true); st = 0; return 0; }
  platform::HResult Load(const Variant& n, Variant& r, platform::HResult& st) override {
    r = Variant("loaded " + n.ToText());
    st = status;
    return answer;
  }
  platform::HResult Save(const Variant&, const Variant&, Variant& r, platform::HResult& st) override { r = Variant(true); st = 0; return 0; }
  platform::HResult Create(const Variant&, Variant& r, platform::HResult& st) override { r = Variant(true); st = 0; return 0; }
  platform::HResult Erase(const Variant&, Variant& r, platform::HResult& st) override { r = Variant(true); st = 0; return 0; }
  platform::HResult Exec(const Variant&, Variant& r, platform::HResult& st) override { r = Variant(1); st = 0; return 0; }
  platform::HResult Cancel(const Variant&, const Variant&, const Variant&, Variant& r, platform::HResult& st) override {
    r = Variant(); st = 0; return 0;
  }

  platform::RefPtr<platform::IDispatchObject> sink;
  std::string source;
  platform::HResult answer = 0;
  platform::HResult status = 0;
  static inline std::vector<std::string> log;
  static inline int made = 0;
  static inline TRecordingExternal* last = nullptr;

 protected:
  Variant InvokeMember(const platform::MemberDesc&, platform::MemberAccess, std::span<Variant>) override { return {}; }
};

// A module object without the provider interface.
class TPlainObject final : public platform::TAutoObject {
 public:
  TPlainObject() : TAutoObject(TRecordingExternal::Info()) {}

 protected:
  Variant InvokeMember(const platform::MemberDesc&, platform::MemberAccess, std::span<Variant>) override { return {}; }
};

class ExternalProviderTest : public DataTest {
 protected:
  ExternalProviderTest() {
    TRecordingExternal::log.clear();
    RegisterModuleClass("Test.DataProvider", "{5E1A0000-0000-0000-0000-000000000001}", [] {
      auto object = platform::MakeRef<TRecordingExternal>();
      TRecordingExternal::last = object.Get();
      return platform::RefPtr<platform::IDispatchObject>(object);
    });
    RegisterModuleClass("Test.Plain", "{5E1A0000-0000-0000-0000-000000000002}",
                        [] { return platform::RefPtr<platform::IDispatchObject>(platform::MakeRef<TPlainObject>()); });
  }
  ~ExternalProviderTest() override {
    UnregisterModuleClass("Test.DataProvider");
    UnregisterModuleClass("Test.Plain");
  }
};

TEST_F(ExternalProviderTest, ConnectsWithTheItemAsSinkAndForwards) {
  {
    TData data;
    platform::RefPtr<TDataItem> item = data.Add("ext");
    item->SetProviderText("Test.DataProvider");
    auto* provider = dynamic_cast<TExternalDataProvider*>(item->Provider());
    ASSERT_NE(provider, nullptr);
    EXPECT_TRUE(provider->Connected());
    EXPECT_EQ(provider->Cookie(), 7);
    EXPECT_EQ(TRecordingExternal::log, (std::vector<std::string>{"connect"}));
    ASSERT_TRUE(TRecordingExternal::last->sink);
    EXPECT_EQ(TRecordingExternal::last->sink->GetTypeInfo(), &IDataItemSinkTypeInfo());
    EXPECT_EQ(item->External().Get(), static_cast<platform::IDispatchObject*>(TRecordingExternal::last));
    EXPECT_TRUE(item->Active());
    EXPECT_EQ(item->Open(), Variant("opened"));
    EXPECT_EQ(item->Load(Variant("n")), Variant("loaded n"));
    item->SetSource("s1");
    EXPECT_EQ(TRecordingExternal::last->source, "s1");

    // The sink's response reaches the "response" script event.
    provider->GetEvents()->AttachEvent("onresponse").SetXml("rsp");
    m_hooks.answer = [](const ScriptCall&) { return Variant("seen"); };
    platform::DispParams params{{Variant("n"), Variant("d"), Variant("c")}, {}};
    Variant result;
    ASSERT_EQ(TRecordingExternal::last->sink->Invoke(DISPID_DATAITEMSINK_RESPONSE, platform::DISPATCH_METHOD, params,
                                                     &result, nullptr),
              0);
    EXPECT_EQ(result, Variant("seen"));
    ASSERT_EQ(m_hooks.calls.size(), 1u);
    EXPECT_EQ(m_hooks.calls[0].parameters, Array({Variant("ext"), Variant("n"), Variant("d"), Variant("c")}));

    item->SetProviderText("Test.DataProvider");
    EXPECT_EQ(TRecordingExternal::log.size(), 1u) << "the same text makes no new object";
    item->SetProviderText("{5E1A0000-0000-0000-0000-000000000001}");
    EXPECT_EQ(TRecordingExternal::log, (std::vector<std::string>{"connect", "disconnect 7", "connect"}))
        << "a new text disconnects first; class ids work as ProgIDs do";
    m_hooks.providers.Clear();
  }
  EXPECT_EQ(TRecordingExternal::log.back(), "disconnect 7") << "destruction disconnects";
  EXPECT_EQ(TRecordingExternal::made, 0);
}

TEST_F(ExternalProviderTest, BadClassesAndFailuresRaise) {
  TData data;
  platform::RefPtr<TDataItem> item = data.Add("ext");
  try {
    item->SetProviderText("No.Such.Class");
    ADD_FAILURE() << "no error";
  } catch (const platform::EOleError& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), 0x800401F3u);
    EXPECT_STREQ(error.what(), "Invalid class string");
  }
  ASSERT_NE(item->Provider(), nullptr) << "the item keeps an unconnected provider";
  EXPECT_EQ(item->Open(), Variant::Null());
  EXPECT_FALSE(item->Active());
  try {
    item->SetProviderText("Test.Plain");
    ADD_FAILURE() << "no error";
  } catch (const platform::EOleError& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), 0x80004002u);
  }
  item->SetProviderText("Test.DataProvider");
  TRecordingExternal::last->answer = static_cast<platform::HResult>(0x80004005);
  EXPECT_THROW(item->Load(Variant("n")), platform::EOleError);
  TRecordingExternal::last->answer = 0;
  TRecordingExternal::last->status = static_cast<platform::HResult>(0x80070005);
  try {
    item->Load(Variant("n"));
    ADD_FAILURE() << "no error";
  } catch (const platform::EOleError& error) {
    EXPECT_EQ(static_cast<std::uint32_t>(error.Code()), 0x80070005u);
  }
}

}  // namespace
}  // namespace halbrin::data_test
