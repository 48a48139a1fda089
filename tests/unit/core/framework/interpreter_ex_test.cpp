// Tag templates: the built-in tags, transforms, files inside and outside the
// project, nested imports, and a script taking the tags over.

#include <filesystem>
#include <regex>

#include "../scripting/fixtures/script_test_support.h"
#include "core/framework/interpreter_ex.h"
#include "core/framework/script_events.h"
#include "core/scripting/variables.h"
#include "fixtures/framework_test_support.h"

namespace halbrin::framework_test {
namespace {

class InterpreterTest : public scripting_test::ScriptHostTest {
 protected:
  void TearDown() override {
    GetVariables().Clear();
    ScriptHostTest::TearDown();
  }
  std::string Expand(const std::string& text) { return m_interpreter.Interpret(text); }

  TRecordingHooks m_hooks;
  ScopedApplicationHooks m_scope{m_hooks};
  TInterpreterEx m_interpreter;
};

struct TagCase {
  const char* name;
  const char* text;
  const char* expected;
};

TEST_F(InterpreterTest, TagsAreReplacedAndTheRestIsCopied) {
  GetVariables().Add("user", Variant("Anna <A&B>"));
  GetVariables().Add("empty", Variant());
  GetVariables().Add("nothing", Variant::Null());
  GetVariables().AddGroup("person")->Add("city", Variant("Riga"));
  const TagCase cases[] = {
      {"no tags", "plain <b>text</b> #> <", "plain <b>text</b> #> <"},
      {"variable", "Hi <#variable name=user>!", "Hi Anna <A&B>!"},
      {"name in any case, dotted path", "<#VARIABLE name=PERSON.city>", "Riga"},
      {"upper case and xml", "<#variable name=user transform=\"UpperCase,xml\">", "ANNA &lt;A&amp;B&gt;"},
      {"lower case", "<#variable name=person.city transform=lowercase>", "riga"},
      {"missing without default", "[<#variable name=gone>]", "[]"},
      {"missing with escaped default", "<#variable name=gone default=\"a &amp; b\">", "a & b"},
      {"empty value", "<#variable name=empty>|<#variable name=empty default=d>", "undefined|d"},
      {"null value", "<#variable name=nothing>", "null"},
      {"unknown tag", "(<#mystery a=1>)", "()"},
      {"not a tag", "<# spaced> <#open", "<# spaced> <#open"},
  };
  for (const TagCase& c : cases) EXPECT_EQ(Expand(c.text), c.expected) << c.name;
  m_interpreter.SetDefaultValue("?");
  EXPECT_EQ(Expand("<#mystery>"), "?");
}

TEST_F(InterpreterTest, NowIsDayFirstUnlessAFormatIsGiven) {
  EXPECT_TRUE(std::regex_match(Expand("<#now>"), std::regex(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)")));
  EXPECT_TRUE(std::regex_match(Expand("<#now format=yyyy>"), std::regex(R"(\d{4})")));
}

TEST_F(InterpreterTest, IncludeAndImportReadOnlyInsideTheProject) {
  ProjectFile("parts/head.txt", "<h1><#variable name=title></h1>");
  GetVariables().Add("title", Variant("T"));
  testing::TempFolder outside{"halbrin_outside"};
  const std::string secret = outside.Write("secret.txt", "secret");
  EXPECT_EQ(Expand("<#include name=parts/head.txt>"), "<h1><#variable name=title></h1>");
  EXPECT_EQ(Expand("<#import name=parts\\head.txt>"), "<h1>T</h1>");
  EXPECT_EQ(Expand("<#include name=\"" + secret + "\" default=no>"), "no");
  EXPECT_EQ(Expand("<#include name=../" + outside.Path().filename().string() + "/secret.txt default=no>"), "no");
  EXPECT_EQ(Expand("<#include name=missing.txt default=none>"), "none");
}

TEST_F(InterpreterTest, AFallBackToTheDefaultSaysWhyInTheLog) {
  ProjectFile("parts/self.txt", "x<#import name=parts/self.txt default=end>");
  ProjectFile("parts/ok.txt", "fine");
  ProjectFile("broken.xml", "<book title=\"Dune\"><unclosed></book>");
  ProjectFile("data.xml", "<book title=\"Dune\"/>");
  std::filesystem::create_directories(ProjectFolder() + "folder");
  testing::TempFolder outside{"halbrin_outside"};
  const std::string secret = outside.Write("secret.txt", "secret");
  const struct {
    const char* label;
    std::string text;
    std::string expected;
    std::string logged;  // a part of the one log line; empty: no line
  } cases[] = {
      {"include of a missing file", "<#include name=missing.txt default=none>", "none",
       "Template tag \"include\" gives its default: The file \"missing.txt\" does not exist"},
      {"import of a missing file", "<#import name=gone.txt default=none>", "none", "\"gone.txt\" does not exist"},
      {"include of a folder", "<#include name=folder default=d>", "d", "\"folder\" is not a file"},
      {"include from outside", "<#include name=\"" + secret + "\" default=no>", "no",
       "lies outside the project and application folders"},
      {"an import cycle", "<#import name=parts/self.txt>", std::string(kMaxImportDepth, 'x') + "end",
       "Template tag \"import\" gives its default: Templates import each other more than 16 levels deep"},
      {"xmlData of a file that does not parse", "<#xmlData dataSrc=broken.xml dataFld=/book/@title default=d>", "d",
       "Template tag \"xmlData\" gives its default: \"broken.xml\" cannot be loaded: "},
      {"xmlData of a missing file", "<#xmlData dataSrc=none.xml dataFld=/book/@title default=d>", "d",
       "\"none.xml\" does not exist"},
      {"xmlData selecting nothing", "<#xmlData dataSrc=data.xml dataFld=/book/@year default=d>", "d", ""},
      {"include that works", "<#include name=parts/ok.txt default=d>", "fine", ""},
  };
  for (const auto& c : cases) {
    m_hooks.logged.clear();
    EXPECT_EQ(Expand(c.text), c.expected) << c.label;
    if (c.logged.empty()) {
      EXPECT_TRUE(m_hooks.logged.empty()) << c.label;
    } else {
      ASSERT_EQ(m_hooks.logged.size(), 1u) << c.label;
      EXPECT_EQ(m_hooks.logged[0].rfind("[TInterpreterEx]: ", 0), 0u) << m_hooks.logged[0];
      EXPECT_NE(m_hooks.logged[0].find(c.logged), std::string::npos) << c.label << ": " << m_hooks.logged[0];
    }
  }
}

TEST_F(InterpreterTest, XmlDataSelectsAValueOrTheDefault) {
  ProjectFile("data.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><book title=\"Dune\"/>");
  EXPECT_EQ(Expand("<#xmlData dataSrc=data.xml dataFld=/book/@title transform=uppercase>"), "DUNE");
  EXPECT_EQ(Expand("<#xmlData dataSrc=data.xml dataFld=/book/@year>"), "null");
  EXPECT_EQ(Expand("<#xmlData dataSrc=data.xml dataFld=/book/@year default=unknown>"), "unknown");
}

TEST_F(InterpreterTest, ExecContentExpandsTheHeldText) {
  m_interpreter.Text()->SetText("A<#variable name=v>");
  GetVariables().Add("v", Variant(7));
  m_interpreter.SetExec(Variant("Content"));
  EXPECT_EQ(m_interpreter.GetExec(), Variant("A7\r\n")) << "the lines with their breaks";
  m_interpreter.SetExec(Variant("other"));
  EXPECT_EQ(m_interpreter.GetExec(), Variant(false));
}

TEST_F(InterpreterTest, AScriptHandlerReplacesTheBuiltInTags) {
  const std::string ui = Script("ui.js",
                                "function content(name, tag, params) {\n"
                                "  if (tag == 'skip') return null;\n"
                                "  return name + ':' + tag + ':' + params.toArray().join('&');\n"
                                "}\n");
  m_interpreter.SetName("Page");
  m_interpreter.SetDefaultValue("-");
  TScriptEvent& binding = m_interpreter.GetEvents()->AttachEvent("ongetcontent");
  binding.SetScript(ui);
  binding.SetXml("content");
  binding.SetSplitParameters(true);
  m_hooks.answer = [](const ScriptCall& call) {
    return RunScriptProcedureWithParameters(call.script, call.procedure, call.parameters, call.options);
  };
  EXPECT_EQ(Expand("<#variable name=x a=1>|<#skip>"), "Page:variable:name=x&a=1|-");
}

}  // namespace
}  // namespace halbrin::framework_test
