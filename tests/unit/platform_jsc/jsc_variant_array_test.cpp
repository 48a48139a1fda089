#include "jsc_test_support.h"

namespace halbrin::platform::jsc_test {
namespace {

// `flat` holds [1, "two", 3.5]; `grid` is 2 x 3 with grid(i, j) = "i,j".
class JscVariantArrays : public JscEngineTest {
 protected:
  void SetUp() override {
    m_engine.SetGlobal("flat", Variant(VariantArray(std::vector<Variant>{Variant(1), Variant("two"), Variant(3.5)})));
    VariantArray grid(2, 3);
    for (std::size_t i = 0; i < 2; ++i)
      for (std::size_t j = 0; j < 3; ++j) grid.At(i, j) = Variant(std::to_string(i) + "," + std::to_string(j));
    m_engine.SetGlobal("grid", Variant(std::move(grid)));
  }
};

struct Row {
  const char* script;
  const char* expected;
};

TEST_F(JscVariantArrays, ScriptsReadThemAsTheOriginalEngineLetThem) {
  const Row rows[] = {
      {"flat.toArray().join('|')", "1|two|3.5"},
      {"flat.toArray() instanceof Array", "true"},
      {"flat.getItem(1)", "two"},
      {"flat.lbound() + ':' + flat.ubound()", "0:2"},
      {"flat.dimensions()", "1"},
      {"new VBArray(flat).toArray().length", "3"},
      {"grid.dimensions()", "2"},
      {"grid.ubound(1) + ':' + grid.ubound(2)", "1:2"},
      {"grid.getItem(1, 2)", "1,2"},
      // The first index runs fastest, as in the original engine.
      {"grid.toArray().join(' ')", "0,0 1,0 0,1 1,1 0,2 1,2"},
      {"new VBArray([4, 5]).ubound()", "1"},
      {"typeof flat", "object"},
  };
  for (const Row& row : rows) EXPECT_EQ(Outcome(row.script), row.expected) << row.script;
}

// Beyond the original engine: elements by index and a length, in toArray()'s
// order, as scripts read an event's eventData.
TEST_F(JscVariantArrays, ElementsAlsoReadByIndex) {
  const Row rows[] = {
      {"flat[0] + '|' + flat[1] + '|' + flat[2]", "1|two|3.5"},
      {"flat.length", "3"},
      {"typeof flat[3] + ' ' + typeof flat[-1] + ' ' + typeof flat['01'] + ' ' + typeof flat[1.5]",
       "undefined undefined undefined undefined"},
      {"'1' in flat && !('3' in flat)", "true"},
      {"Array.prototype.slice.call(flat).join('|')", "1|two|3.5"},
      {"grid[1] + ' ' + grid[5] + ' ' + grid.length", "1,0 1,2 6"},
      {"new VBArray([4, 5])[1]", "5"},
      {"typeof flat.toArray", "function"},
  };
  for (const Row& row : rows) EXPECT_EQ(Outcome(row.script), row.expected) << row.script;
}

TEST_F(JscVariantArrays, BadIndexesAreScriptErrors) {
  const char* scripts[] = {
      "flat.getItem(3)", "flat.getItem(-1)", "flat.getItem('x')", "flat.getItem(0, 0)",
      "grid.getItem(2, 0)", "grid.getItem(0)", "flat.ubound(2)", "grid.lbound(0)",
  };
  for (const char* script : scripts) EXPECT_EQ(Outcome(script), "threw: Subscript out of range") << script;
  EXPECT_EQ(Outcome("try { flat.getItem(9) } catch (e) { e.number }"), std::to_string(SCRIPT_E_SUBSCRIPT));
  EXPECT_EQ(Outcome("new VBArray({})"), "threw: VBArray expected");
}

TEST_F(JscVariantArrays, TheyComeBackAsTheArrayTheyHold) {
  Variant back = Eval("grid");
  ASSERT_TRUE(back.IsArray());
  EXPECT_EQ(back.AsArray().Dimensions(), 2);
  EXPECT_EQ(back.AsArray().At(1, 2), Variant("1,2"));
  Variant made = Eval("new VBArray(['a', [1]])");
  ASSERT_TRUE(made.IsArray());
  ASSERT_EQ(made.AsArray().Size(), 2u);
  EXPECT_EQ(made.AsArray().At(0), Variant("a"));
  EXPECT_TRUE(made.AsArray().At(1).IsDispatch());
}

TEST_F(JscVariantArrays, ObjectsInsideAreReleasedWithTheEngine) {
  auto gadget = MakeRef<TGadget>();
  const auto before = gadget->RefCount();
  m_engine.SetGlobal("holder", Variant(VariantArray(std::vector<Variant>{Variant(gadget)})));
  EXPECT_EQ(Outcome("holder.getItem(0).name"), "gadget");
  m_engine.Close();
  EXPECT_EQ(gadget->RefCount(), before);
}

TEST_F(JscVariantArrays, EnumeratorWalksArraysAndCollections) {
  auto gadget = MakeRef<TGadget>("g");
  m_engine.SetGlobal("gadget", Variant(gadget));
  const Row rows[] = {
      {"var out = []; for (var e = new Enumerator(flat); !e.atEnd(); e.moveNext()) out.push(e.item()); out.join()",
       "1,two,3.5"},
      {"var out = []; for (var e = new Enumerator([7, 8]); !e.atEnd(); e.moveNext()) out.push(e.item()); out.join()",
       "7,8"},
      // A collection with count and item().
      {"var out = []; for (var e = new Enumerator(gadget); !e.atEnd(); e.moveNext()) out.push(e.item()); out.join()",
       "g[0],g[1],g[2]"},
      {"ScriptEngine()", "JScript"},
  };
  for (const Row& row : rows) EXPECT_EQ(Outcome(row.script), row.expected) << row.script;
}

}  // namespace
}  // namespace halbrin::platform::jsc_test
