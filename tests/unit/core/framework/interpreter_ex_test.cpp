// Tag templates: the built-in tags, transforms, files inside and outside the
// project, nested imports, and a script taking the tags over.

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
  ProjectFile("parts/self.txt", "x<#import name=parts/self.txt>");
  GetVariables().Add("title", Variant("T"));
  testing::TempFolder outside{"halbrin_outside"};
  const std::string secret = outside.Write("secret.txt", "secret");
  EXPECT_EQ(Expand("<#include name=parts/head.txt>"), "<h1><#variable name=title></h1>");
  EXPECT_EQ(Expand("<#import name=parts\\head.txt>"), "<h1>T</h1>");
  EXPECT_EQ(Expand("<#include name=\"" + secret + "\" default=no>"), "no");
  EXPECT_EQ(Expand("<#include name=../" + outside.Path().filename().string() + "/secret.txt default=no>"), "no");
  EXPECT_EQ(Expand("<#include name=missing.txt default=none>"), "none");
  EXPECT_THROW(Expand("<#import name=parts/self.txt>"), platform::EComponentError);
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
