// The data object: its change events through script bindings, and the
// comparison that decides whether a write is a change.

#include "core/framework/object_ex.h"

#include <cmath>

#include "fixtures/framework_test_support.h"
#include "platform/automation/auto_object.h"

namespace halbrin::framework_test {
namespace {

Variant Array(std::vector<Variant> items) { return Variant(VariantArray(std::move(items))); }

// A script object stand-in without members.
class Object : public platform::TAutoObject {
 public:
  Object() : TAutoObject(Info()) {}

 protected:
  Variant InvokeMember(const platform::MemberDesc&, platform::MemberAccess, std::span<Variant>) override { return {}; }

 private:
  static const platform::TypeInfo& Info() {
    static const platform::TypeInfo info("IObject", "{00000000-0000-0000-0000-000000000001}", {});
    return info;
  }
};

class ObjectExTest : public FrameworkTest {
 protected:
  void SetUp() override {
    m_object.SetName("state");
    m_object.GetEvents()->AttachEvent("onchange").SetXml("changed");
    m_object.GetEvents()->AttachEvent("onchanging").SetXml("changing");
  }

  std::vector<std::string> Procedures() const {
    std::vector<std::string> names;
    for (const ScriptCall& call : m_hooks.calls) names.push_back(call.procedure);
    return names;
  }

  TObjectEx m_object;
};

TEST_F(ObjectExTest, TheSameValueTwiceFiresOnce) {
  m_object.SetData(Variant(5));
  m_object.SetData(Variant(5));
  EXPECT_EQ(Procedures(), (std::vector<std::string>{"changing", "changed"}));
  EXPECT_EQ(m_hooks.calls[0].parameters, Array({Variant("state"), Variant(5), Variant()}));
  EXPECT_EQ(m_hooks.calls[1].parameters, Array({Variant("state"), Variant(5)}));
}

TEST_F(ObjectExTest, ChangingAnsweringFalseKeepsTheOldValue) {
  m_object.SetData(Variant("old"));
  m_hooks.calls.clear();
  m_hooks.answer = [](const ScriptCall& call) { return call.procedure == "changing" ? Variant(false) : Variant(); };
  m_object.SetData(Variant("new"));
  EXPECT_EQ(m_object.Data(), Variant("old"));
  EXPECT_EQ(Procedures(), (std::vector<std::string>{"changing"}));
}

TEST_F(ObjectExTest, OtherAnswersLetTheChangeHappen) {
  const Variant answers[] = {Variant(), Variant::Null(), Variant(0), Variant("false"), Variant(true)};
  int value = 0;
  for (const Variant& answer : answers) {
    m_hooks.answer = [answer](const ScriptCall&) { return answer; };
    m_object.SetData(Variant(++value));
    EXPECT_EQ(m_object.Data(), Variant(value)) << answer.TypeName();
  }
}

TEST(SameVariant, ComparesTypeAndValue) {
  auto one = platform::MakeRef<Object>();
  auto two = platform::MakeRef<Object>();
  const double nan = std::nan("");
  struct Case {
    Variant a;
    Variant b;
    bool same;
  } cases[] = {
      {Variant(1), Variant("1"), false},
      {Variant(1), Variant(1.0), false},
      {Variant(1), Variant(1), true},
      {Variant::Null(), Variant(), false},
      {Array({Variant(1), Variant("a")}), Array({Variant(1), Variant("a")}), true},
      {Array({Variant(1), Variant("a")}), Array({Variant(1.0), Variant("a")}), false},
      {Variant(one), Variant(one), true},
      {Variant(one), Variant(two), false},
      {Variant(nan), Variant(nan), true},
      {Variant(true), Variant(-1), false},
  };
  for (const Case& c : cases) EXPECT_EQ(SameVariant(c.a, c.b), c.same) << c.a.TypeName() << "/" << c.b.TypeName();
}

TEST_F(ObjectExTest, AnObjectOverAnotherObjectIsAChange) {
  m_object.SetData(Variant(platform::MakeRef<Object>()));
  m_object.SetData(Variant(platform::MakeRef<Object>()));
  EXPECT_EQ(Procedures().size(), 4u);
  EXPECT_EQ(m_object.GetTypeName(), "object");
}

}  // namespace
}  // namespace halbrin::framework_test
