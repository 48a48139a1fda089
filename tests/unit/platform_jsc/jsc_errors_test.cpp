#include "jsc_test_support.h"

namespace halbrin::platform::jsc_test {
namespace {

using JscErrors = JscEngineTest;

struct ErrorRow {
  const char* what;
  const char* code;
  std::string name;
  std::string message;
  int line;
};

TEST_F(JscErrors, ExceptionsReachNativeCodeWithTheirRecord) {
  const ErrorRow rows[] = {
      {"syntax error", "var a = 1;\n\nvar b = ;\n", "SyntaxError", "Unexpected token ';'", 3},
      {"reference error", "\n  missing + 1;", "ReferenceError", "Can't find variable: missing", 2},
      {"thrown error", "\n\n\nthrow new RangeError('too far');", "RangeError", "too far", 4},
      {"error with an empty message", "throw new Error();", "Error", "Error", 1},
      {"thrown string", "throw 'x'", "", "x", 0},
      {"thrown number", "throw 42", "", "42", 0},
      {"thrown object", "throw { code: 1 }", "", "[object Object]", 0},
  };
  for (const ErrorRow& row : rows) {
    ScriptErrorInfo error = ErrorOf(row.code, "/scripts/errors.js");
    EXPECT_EQ(error.name, row.name) << row.what;
    EXPECT_EQ(error.message, row.message) << row.what;
    EXPECT_EQ(error.line, row.line) << row.what;
    if (row.line > 0) {
      EXPECT_EQ(error.sourceUri, "/scripts/errors.js") << row.what;
    }
  }
}

TEST_F(JscErrors, ColumnsAreTheEnginesAndCompileErrorsAreTold) {
  ScriptErrorInfo runtime = ErrorOf("var x = 1;\n    nothing.here;");
  EXPECT_EQ(runtime.line, 2);
  EXPECT_GT(runtime.column, 4);
  EXPECT_FALSE(runtime.IsCompileError());
  EXPECT_STREQ(runtime.Source(), kRuntimeErrorSource);
  ScriptErrorInfo syntax = ErrorOf("function (");
  EXPECT_TRUE(syntax.IsCompileError());
  EXPECT_STREQ(syntax.Source(), kCompilationErrorSource);
}

struct SyntaxRow {
  const char* what;
  const char* code;
  int line;
  int column;  // 1-based, where the offending token begins
};

TEST_F(JscErrors, ASyntaxErrorTellsTheColumnOfTheTokenItStoppedAt) {
  const SyntaxRow rows[] = {
      {"an operand missing", "var a = 1;\nvar b = (a + ;", 2, 14},
      {"a name missing", "var = 2;", 1, 5},
      {"a keyword out of place", "x = 1;\r\n  return 5;", 2, 3},
      {"a name where none may be", "var x = 1 foo;", 1, 11},
      {"two operators", "a = 1 +* 2", 1, 8},
      {"characters beyond ASCII before it", "var \xC3\xA9 = '\xE2\x82\xAC' +* 2", 1, 14},
      {"a character beyond the basic plane before it", "x = '\xF0\x9F\x98\x80' +* 2", 1, 11},
  };
  for (const SyntaxRow& row : rows) {
    SCOPED_TRACE(row.what);
    ScriptErrorInfo error = ErrorOf(row.code, "/scripts/syntax.js");
    EXPECT_TRUE(error.IsCompileError());
    EXPECT_EQ(error.line, row.line);
    EXPECT_EQ(error.column, row.column);
    EXPECT_EQ(error.backtrace, "") << "nothing ran yet";
  }
  ScriptErrorInfo atEnd = ErrorOf("function f(");
  EXPECT_EQ(atEnd.column, 0) << "the end of the text is no token";
  try {
    m_engine.EvaluateModule("\n\nvar = 1;", "/scripts/bad.js");
    FAIL() << "no error";
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Info().line, 3);
    EXPECT_EQ(e.Info().column, 5);
  }
  try {
    m_engine.Evaluate("\nvar b = (a + ;", "/scripts/later.js", 10);
    FAIL() << "no error";
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Info().line, 11);
    EXPECT_EQ(e.Info().column, 14);
  }
  ScriptErrorInfo thrown = ErrorOf("\n  JSON.parse('{');");
  EXPECT_EQ(thrown.name, "SyntaxError");
  EXPECT_EQ(thrown.line, 2) << "a syntax error raised while running keeps the engine's position";
  EXPECT_GT(thrown.column, 0);
}

TEST_F(JscErrors, ARunTimeErrorCarriesTheScriptsCallStack) {
  ScriptErrorInfo error =
      ErrorOf("function f() {\n  return g();\n}\nfunction g() { return missing.x; }\nf();", "/scripts/stack.js");
  EXPECT_EQ(error.backtrace, "g@/scripts/stack.js:4:30\nf@/scripts/stack.js:2:11\nglobal code@/scripts/stack.js:5:2");
  EXPECT_EQ(EScriptError(error).CallStack(), error.backtrace);
  auto gadget = MakeRef<TGadget>();
  m_engine.SetGlobal("gadget", Variant(gadget));
  ScriptErrorInfo host = ErrorOf("function f() {\n  gadget.fail();\n}\nf();", "/scripts/host.js");
  EXPECT_EQ(host.message, "The gadget failed");
  EXPECT_EQ(host.backtrace.rfind("f@/scripts/host.js:2:", 0), 0u)
      << "the host function that raised it is no frame of the script: " << host.backtrace;
}

TEST_F(JscErrors, AScriptsOwnNumberIsKept) {
  ScriptErrorInfo error = ErrorOf("var e = new Error('numbered'); e.number = -2146828235; throw e;");
  EXPECT_EQ(error.number, static_cast<HResult>(-2146828235));
  try {
    Eval("var e = new Error('numbered'); e.number = 0x800A01A8; throw e;");
    FAIL();
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Code(), static_cast<HResult>(0x800A01A8));
    EXPECT_EQ(e.Message(), "numbered");
  }
}

TEST_F(JscErrors, TheEngineStaysUsableAfterAnError) {
  ErrorOf("throw new Error('first')");
  EXPECT_EQ(Outcome("1 + 1"), "2");
  // A caught exception inside the script is no error of the call.
  EXPECT_EQ(Outcome("try { throw 1 } catch (e) { 'caught' }"), "caught");
}

TEST_F(JscErrors, AnErrorInAModuleNamesTheModulesFile) {
  JscValuePtr module =
      m_engine.EvaluateModule("function fine() { return 1; }\nfunction broken() {\n  return absent.value;\n}",
                              "/scripts/lib.js");
  m_engine.SetGlobalValue("lib", module.Get());
  ScriptErrorInfo error = ErrorOf("\nlib.broken()", "/scripts/init.js");
  EXPECT_EQ(error.sourceUri, "/scripts/lib.js");
  EXPECT_EQ(error.line, 3);
  ScriptErrorInfo compile = [&] {
    try {
      m_engine.EvaluateModule("\n\nvar = 1;", "/scripts/bad.js");
    } catch (const EScriptError& e) {
      return e.Info();
    }
    return ScriptErrorInfo{};
  }();
  EXPECT_EQ(compile.sourceUri, "/scripts/bad.js");
  EXPECT_EQ(compile.line, 3);
}

TEST_F(JscErrors, AFunctionAModuleHandedOutThrowsWithItsRecord) {
  auto gadget = MakeRef<TGadget>();
  m_engine.SetGlobal("gadget", Variant(gadget));
  m_engine.EvaluateModule("gadget.keep(function () {\n  var e = new Error('from the module'); e.number = 7; throw e;\n});",
                          "/scripts/handler.js");
  auto* handler = dynamic_cast<TJsObjectDispatch*>(gadget->m_kept.AsDispatch());
  ASSERT_NE(handler, nullptr);
  try {
    handler->Call({});
    FAIL() << "no error";
  } catch (const EScriptError& e) {
    EXPECT_EQ(e.Info().message, "from the module");
    EXPECT_EQ(e.Info().number, 7);
    EXPECT_EQ(e.Info().sourceUri, "/scripts/handler.js");
    EXPECT_EQ(e.Info().line, 2);
  }
  EXPECT_EQ(Outcome("'fine'"), "fine");
}

TEST_F(JscErrors, AHostErrorInsideAModuleIsThrownInTheModule) {
  auto gadget = MakeRef<TGadget>();
  m_engine.SetGlobal("gadget", Variant(gadget));
  JscValuePtr module = m_engine.EvaluateModule(
      "function guarded() {\n  try { gadget.fail(); } catch (e) { return 'caught ' + e.number; }\n}\n"
      "function unguarded() {\n  gadget.fail();\n}",
      "/scripts/mod.js");
  m_engine.SetGlobalValue("mod", module.Get());
  EXPECT_EQ(Outcome("mod.guarded()"), "caught " + std::to_string(kHostFailure));
  ScriptErrorInfo error = ErrorOf("mod.unguarded()");
  EXPECT_EQ(error.message, "The gadget failed");
  EXPECT_EQ(error.sourceUri, "/scripts/mod.js");
  EXPECT_EQ(error.line, 5);
}

TEST_F(JscErrors, AScriptErrorInsideAHostCallComesBackToTheScript) {
  // The script calls the host, the host calls a script function, which throws.
  auto gadget = MakeRef<TGadget>();
  m_engine.SetGlobal("gadget", Variant(gadget));
  Eval("gadget.keep(function (x) { if (x) throw new Error('inner ' + x); return 'ok'; })");
  EXPECT_EQ(Outcome("gadget.callKept(0)"), "ok");
  EXPECT_EQ(Outcome("try { gadget.callKept(1) } catch (e) { e.message }"), "inner 1");
  ScriptErrorInfo error = ErrorOf("\n\ngadget.callKept(2)");
  EXPECT_EQ(error.message, "inner 2");
  EXPECT_EQ(error.line, 3);
  EXPECT_EQ(Outcome("'still usable'"), "still usable");
}

}  // namespace
}  // namespace halbrin::platform::jsc_test
