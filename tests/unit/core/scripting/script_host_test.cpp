#include <functional>
#include <span>
#include <thread>
#include <utility>

#include "core/foundation/digests.h"
#include "core/foundation/identifiers.h"
#include "core/foundation/project_encoding.h"
#include "fixtures/script_test_support.h"
#include "platform/base/format.h"
#include "platform/jsc/script_error.h"
#include "platform/jsc/script_member_info.h"

namespace halbrin::scripting_test {
namespace {

using platform::VariantArray;

class ScriptHost : public ScriptHostTest {
 protected:
  void SetUp() override {
    ScriptHostTest::SetUp();
    m_init = Script("init.js",
                    "var runs = 0;\n"
                    "function args() { return arguments.length + ':' + Array.prototype.join.call(arguments, '|'); }\n"
                    "function next() { return ++runs; }\n"
                    "function fail() {\n"
                    "  client.fail();\n"
                    "}\n"
                    "function folderMatches() { return folder === client.folder; }\n"
                    "function make() { return { hello: function () { return 'hi'; } }; }\n"
                    "function list() { return [1, 'a', true]; }\n"
                    "function nested() { return [[1], 2]; }\n"
                    "function pageTitle() { return browser1.title + '/' + title; }\n");
  }

  std::string m_init;
};

TEST_F(ScriptHost, RunPassesAVariantArrayAsArgumentsAndAnyOtherValueAsOne) {
  Variant two(VariantArray(std::vector<Variant>{Variant(1), Variant("b")}));
  EXPECT_EQ(RunScriptProcedureWithParameters("init", "args", two), Variant("2:1|b"));
  EXPECT_EQ(RunScriptProcedureWithParameters("init", "args", Variant("one, two")), Variant("1:one, two"));
  EXPECT_EQ(RunClientScript("init", "args", two), Variant("2:1|b"));
  const Variant three[] = {Variant(1), Variant(2.5), Variant(true)};
  EXPECT_EQ(RunScriptProcedure("init", "args", three), Variant("3:1|2.5|true"));
}

TEST_F(ScriptHost, AnEmptyProcedureNameRunsNothing) {
  Script("logs.js", "client.log('loaded');\nfunction f() { client.log('ran'); }\n");
  EXPECT_TRUE(RunScriptProcedure("logs", "", {}).IsEmpty());
  EXPECT_EQ(m_client->m_log, (std::vector<std::string>{"loaded"}));
}

TEST_F(ScriptHost, EngineErrorsCarryFileLineAndPosition) {
  EXPECT_EQ(MessageOf([&] { RunScriptProcedure("init", "nothing", {}); }),
            "Procedure 'nothing' not defined in \"" + m_init + "\" at line: 0, position: 0");
  const std::string syntax = Script("syntax.js", "var a = 1;\nvar b = 2;\nvar c = ;\n");
  EXPECT_EQ(MessageOf([&] { RunScriptProcedure("syntax", "main", {}); }),
            "Unexpected token ';' in \"" + syntax + "\" at line: 3, position: 9");
  try {
    RunScriptProcedure("init", "fail", {});
    FAIL() << "no error";
  } catch (const EScriptControl& e) {
    EXPECT_EQ(e.Description(), "Client refused");
    EXPECT_EQ(e.FileName(), m_init);
    EXPECT_EQ(e.Line(), 5);
    EXPECT_EQ(e.Message(), platform::Format("Client refused in \"%s\" at line: 5, position: %d", {m_init, e.Column()}));
  }
  // Source text has no file: the error's source names it.
  EXPECT_EQ(MessageOf([&] { RunScriptProcedure("throw 'plain';", "f", {}, kScriptSourceText); }),
            "plain in \"JavaScript runtime error\" at line: 0, position: 0");
}

TEST_F(ScriptHost, SourceModesFindFilesOrTakeText) {
  EXPECT_EQ(RunScriptProcedure("function f() { return 5; }", "f", {}), Variant(5));
  EXPECT_EQ(RunScriptProcedure("function f() { return 6; }", "f", {}, kScriptSourceText), Variant(6));
  EXPECT_EQ(RunScriptProcedure("init", "next", {}, kScriptSourceFile), Variant(1));
  const std::string missing = ProjectFolder() + "scripts/missing.js";
  EXPECT_EQ(MessageOf([&] { RunScriptProcedure("missing", "f", {}, kScriptSourceFile); }),
            "Script file not found: \"" + missing + "\"");
  EXPECT_EQ(MessageOf([&] { RunScriptProcedure("", "f", {}); }), "Script source not defined");
  EXPECT_EQ(LiveEngines(), 0);
}

TEST_F(ScriptHost, VBScriptIsRefusedAndNothingRuns) {
  Script("logs.js", "client.log('ran');\nfunction f() {}\n");
  EXPECT_EQ(MessageOf([&] { RunScriptProcedure("logs", "f", {}, kScriptLanguageVBScript); }),
            "VBScript is not supported");
  EXPECT_TRUE(m_client->m_log.empty());
  EXPECT_EQ(LiveEngines(), 0);
  EXPECT_EQ(GetScriptControlDefaultImplementation().ComponentCount(), 0);
}

TEST_F(ScriptHost, TransientEnginesAreFreedAfterTheRunAlsoWhenItFails) {
  TScriptControlDefaultImplementation& defaults = GetScriptControlDefaultImplementation();
  RunScriptProcedure("init", "next", {});
  EXPECT_EQ(LiveEngines(), 0);
  EXPECT_THROW(RunScriptProcedure("init", "fail", {}), EScriptControl);
  EXPECT_EQ(LiveEngines(), 0);
  Script("broken.js", "function (");
  EXPECT_THROW(RunScriptProcedure("broken", "f", {}), EScriptControl);
  EXPECT_EQ(LiveEngines(), 0);
  EXPECT_EQ(defaults.ComponentCount(), 0);
}

TEST_F(ScriptHost, TheCacheKeepsEnginesOnlyWhenTransientScriptsAreOff) {
  EXPECT_EQ(RunScriptProcedure("init", "next", {}), Variant(1));
  EXPECT_EQ(RunScriptProcedure("init", "next", {}), Variant(1));
  SetTransientScripts(false);
  EXPECT_EQ(RunScriptProcedure("init", "next", {}), Variant(1));
  EXPECT_EQ(RunScriptProcedure("init", "next", {}), Variant(2));
  EXPECT_EQ(LiveEngines(), 1);
  // The transient bit still makes a fresh engine.
  EXPECT_EQ(RunScriptProcedure("init", "next", {}, kScriptTransient), Variant(1));
  // The engine is kept under the upper-case hex MD5 of the script argument.
  TScriptCache& cache = GetScriptControlDefaultImplementation().Cache();
  ASSERT_EQ(cache.Count(), 1);
  TScriptCacheItem* item = cache.Find(BytesToHex(DigestString("init", CALG_MD5)));
  ASSERT_NE(item, nullptr);
  ASSERT_NE(item->Engine(), nullptr);
  EXPECT_EQ(item->Code().Text(), item->Engine()->Code().Text());
}

TEST_F(ScriptHost, NamedObjectsAreVisibleAndReplacedOnEveryReuse) {
  EXPECT_EQ(RunScriptProcedure("init", "folderMatches", {}), Variant(true));
  SetTransientScripts(false);
  Script("who.js", "function who() { return client.caption + '/' + caption; }\n");
  EXPECT_EQ(RunScriptProcedure("who", "who", {}), Variant("Test/Test"));
  auto other = platform::MakeRef<TTestClient>("/elsewhere/");
  other->m_caption = "Other";
  GetScriptControlDefaultImplementation().NamedObjectSources().client = [other] {
    return RefPtr<platform::IDispatchObject>(other);
  };
  EXPECT_EQ(RunScriptProcedure("who", "who", {}), Variant("Other/Other"));
  EXPECT_EQ(LiveEngines(), 1);
}

// A named object that lists its members the way a page's document does:
// the page process answers, and meanwhile the client serves the page, which
// may run another script first.
class TListingDocument final : public platform::TAutoObject, public platform::IScriptMemberInfo {
 public:
  TListingDocument() : TAutoObject(Info()) {}
  std::vector<std::string> ScriptMemberNames() const override {
    if (auto run = std::exchange(m_whileListing, {})) run();
    return {"title"};
  }
  bool HasDefaultMember() const override { return false; }
  mutable std::function<void()> m_whileListing;

 protected:
  Variant InvokeMember(const MemberDesc&, MemberAccess, std::span<Variant>) override { return Variant("Ledger"); }

 private:
  static const platform::TypeInfo& Info() {
    static const platform::TypeInfo info("IListingDocument", "{6A1C0F52-0000-4000-8000-00000000B002}",
                                         {{"title", 1, platform::DISPATCH_PROPERTYGET, {}, VarType::String}});
    return info;
  }
};

TEST_F(ScriptHost, AScriptRunWhileANamedObjectListsItsMembersLeavesTheOuterEngineWhole) {
  auto document = platform::MakeRef<TListingDocument>();
  GetScriptControlDefaultImplementation().NamedObjectSources().browserDocuments = [document] {
    return std::vector<std::pair<std::string, RefPtr<platform::IDispatchObject>>>{
        {"browser1", RefPtr<platform::IDispatchObject>(document)}};
  };
  Variant nested;
  document->m_whileListing = [&] { nested = RunScriptProcedure("init", "pageTitle", {}); };
  EXPECT_EQ(RunScriptProcedure("init", "pageTitle", {}), Variant("Ledger/Ledger"));
  EXPECT_EQ(nested, Variant("Ledger/Ledger"));
  EXPECT_EQ(RunScriptProcedure("init", "folderMatches", {}), Variant(true));
}

TEST_F(ScriptHost, EvaluateScriptGivesTheExpressionsValue) {
  const struct {
    const char* expression;
    VarType type;
    const char* text;
  } rows[] = {
      {"1+1", VarType::I4, "2"},
      {"2147483648", VarType::R8, "2147483648"},
      {"'a'+1", VarType::String, "a1"},
      {"client.caption", VarType::String, "Test"},
      {"caption + '!'", VarType::String, "Test!"},
      {"", VarType::Empty, ""},
  };
  for (const auto& row : rows) {
    Variant value = EvaluateScript(row.expression);
    EXPECT_EQ(value.Type(), row.type) << row.expression;
    EXPECT_EQ(value.ToText(), row.text) << row.expression;
  }
  EXPECT_EQ(MessageOf([] { EvaluateScript("1 +* 2"); }),
            "Unexpected token '*' in \"JavaScript compilation error\" at line: 1, position: 4");
  EXPECT_EQ(LiveEngines(), 0);
}

TEST_F(ScriptHost, AScriptObjectKeptAfterItsEngineFailsClearly) {
  Variant kept = RunScriptProcedure("init", "make", {});
  ASSERT_TRUE(kept.IsDispatch());
  EXPECT_EQ(LiveEngines(), 0);
  EXPECT_EQ(MessageOf([&] { platform::CallMethod(*kept.AsDispatch(), "hello"); }), platform::kFreedScriptMessage);
  // Also when a script hands one to the program while it runs.
  Script("keeps.js", "function f() { client.keep(function () { return 1; }); }\n");
  RunScriptProcedure("keeps", "f", {});
  EXPECT_EQ(MessageOf([&] { platform::InvokeById(*m_client->m_kept.AsDispatch(), 0, platform::DISPATCH_METHOD); }),
            platform::kFreedScriptMessage);
}

TEST_F(ScriptHost, ScriptArraysBecomeVariantArraysKeepingEveryElement) {
  SetTransientScripts(false);
  Variant list = ScriptArrayToVariantArray(RunScriptProcedure("init", "list", {}));
  ASSERT_TRUE(list.IsArray());
  ASSERT_EQ(list.AsArray().Size(), 3u);
  EXPECT_EQ(list.AsArray().At(0), Variant(1));
  EXPECT_EQ(list.AsArray().At(1), Variant("a"));
  EXPECT_EQ(list.AsArray().At(2), Variant(true));
  Variant nested = ScriptArrayToVariantArray(RunScriptProcedure("init", "nested", {}));
  ASSERT_TRUE(nested.IsArray());
  ASSERT_EQ(nested.AsArray().Size(), 2u);
  EXPECT_TRUE(nested.AsArray().At(0).IsDispatch());
  EXPECT_EQ(nested.AsArray().At(1), Variant(2));
  EXPECT_EQ(ScriptArrayToVariantArray(Variant("text")), Variant("text"));
  EXPECT_EQ(ScriptArrayToVariantArray(Variant(7)), Variant(7));
  Variant client{RefPtr<platform::IDispatchObject>(m_client)};
  EXPECT_EQ(ScriptArrayToVariantArray(client), client);
}

TEST_F(ScriptHost, ScriptFilesAreReadInTheProjectCodePageUnlessMarkedUtf8) {
  const std::string saved = ProjectEncoding();
  Script("cp1251.js", "function word() { return '\xCF\xF0\xE8\xE2\xE5\xF2'; }\n");
  Script("utf8.js", "\xEF\xBB\xBF" "function word() { return '\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82'; }\n");
  SetProjectEncoding("windows-1251");
  EXPECT_EQ(RunScriptProcedure("cp1251", "word", {}), Variant("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"));
  EXPECT_EQ(RunScriptProcedure("utf8", "word", {}), Variant("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"));
  SetProjectEncoding(saved);
}

TEST_F(ScriptHost, ThreadsHaveDefaultsOfTheirOwn) {
  TScriptControlDefaultImplementation* mine = &GetScriptControlDefaultImplementation();
  TScriptControlDefaultImplementation* theirs = nullptr;
  Variant result;
  std::thread worker([&] {
    theirs = &GetScriptControlDefaultImplementation();
    result = EvaluateScript("6 * 7");
    FreeScriptControlDefaultImplementation();
  });
  worker.join();
  EXPECT_NE(mine, theirs);
  EXPECT_EQ(result, Variant(42));
  EXPECT_TRUE(HasScriptControlDefaultImplementation());
}

}  // namespace
}  // namespace halbrin::scripting_test
