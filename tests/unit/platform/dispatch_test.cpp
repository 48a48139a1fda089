#include <gtest/gtest.h>

#include <map>

#include "platform/automation/auto_object.h"
#include "platform/automation/late_bound_table.h"

namespace halbrin::platform {
namespace {

const TypeInfo& CalcTypeInfo() {
  static const TypeInfo info(
      "ICalc", "{00000000-0000-0000-0000-000000000001}",
      {
          {"add", 1, DISPATCH_METHOD, {{"a", VarType::I4}, {"b", VarType::I4}}, VarType::I4},
          {"name", 2, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, VarType::String},
          {"item", 3, DISPATCH_PROPERTYGET, {{"index", VarType::Variant}}, VarType::Variant},
          {"version", 4, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"describe", 5, DISPATCH_METHOD, {{"text", VarType::String}, {"loud", VarType::Boolean}, {"n", VarType::I4}},
           VarType::String},
          {"fail", 6, DISPATCH_METHOD, {}, VarType::Empty},
          {"attribute", 7, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {{"key", VarType::String}}, VarType::Variant},
          {"keep", 8, DISPATCH_METHOD, {{"object", VarType::Dispatch}}, VarType::Boolean},
      });
  return info;
}

// A small automation object over the table above.
class TCalc : public TAutoObject {
 public:
  TCalc() : TAutoObject(CalcTypeInfo()) {}
  std::string m_name = "calc";
  std::map<std::string, Variant> m_attributes;
  RefPtr<IDispatchObject> m_kept;

 protected:
  Variant InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) override {
    switch (member.id) {
      case 1: return Variant(args[0].ToInt() + args[1].ToInt());
      case 2:
        if (access == MemberAccess::Put) m_name = args[0].AsString();
        return Variant(m_name);
      case 3:
        if (!args[0].IsOrdinal() || args[0].ToInt() != 0) throw EOleError(DISP_E_BADINDEX, "Invalid index.");
        return Variant("first");
      case 4: return Variant(3);
      case 5:
        return Variant(args[0].AsString() + (args[1].AsBool() ? "!" : ".") + std::to_string(args[2].ToInt()));
      case 6: throw EListError("List index out of bounds (5)");
      case 7:
        if (access == MemberAccess::Put) m_attributes[args[0].AsString()] = args[1];
        return m_attributes[args[0].AsString()];
      case 8:
        m_kept = args[0].ToDispatch();
        return Variant(static_cast<bool>(m_kept));
    }
    return Variant();
  }
};

struct Invocation {
  HResult hr;
  Variant result;
  ExcepInfo excep;
};

Invocation Call(IDispatchObject& object, DispId id, std::uint16_t kind, std::vector<Variant> args,
                std::vector<DispId> named = {}) {
  DispParams params{std::move(args), std::move(named)};
  Invocation out;
  out.hr = object.Invoke(id, kind, params, &out.result, &out.excep);
  return out;
}

TEST(Dispatch, NamesResolveWithoutRegardToCase) {
  auto calc = MakeRef<TCalc>();
  for (const char* name : {"add", "ADD", "Add", "aDd"}) EXPECT_EQ(GetDispId(*calc, name), 1) << name;
  std::string names[] = {"Describe", "LOUD", "text", "nope"};
  DispId ids[4];
  EXPECT_EQ(calc->GetIDsOfNames(names, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], 5);
  EXPECT_EQ(ids[1], 1);
  EXPECT_EQ(ids[2], 0);
  EXPECT_EQ(ids[3], DISPID_UNKNOWN);
  std::string unknown[] = {"subtract"};
  DispId id;
  EXPECT_EQ(calc->GetIDsOfNames(unknown, std::span<DispId>(&id, 1)), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST(Dispatch, ByNameAndByIdGiveTheSameResult) {
  auto calc = MakeRef<TCalc>();
  EXPECT_EQ(CallMethod(*calc, "Add", {Variant(2), Variant(3)}), Variant(5));
  EXPECT_EQ(InvokeById(*calc, 1, DISPATCH_METHOD, {Variant(2), Variant(3)}), Variant(5));
  PutProperty(*calc, "NAME", Variant("abacus"));
  EXPECT_EQ(GetProperty(*calc, "name"), Variant("abacus"));
}

struct CodeRow {
  const char* what;
  DispId id;
  std::uint16_t kind;
  std::vector<Variant> args;
  std::vector<DispId> named;
  HResult expected;
};

TEST(Dispatch, ErrorCodes) {
  const CodeRow rows[] = {
      {"unknown id", 99, DISPATCH_METHOD, {}, {}, DISP_E_MEMBERNOTFOUND},
      {"too many arguments", 1, DISPATCH_METHOD, {1, 2, 3}, {}, DISP_E_BADPARAMCOUNT},
      {"text that is no number", 1, DISPATCH_METHOD, {"x", 2}, {}, DISP_E_TYPEMISMATCH},
      {"put on a read-only property", 4, DISPATCH_PROPERTYPUT, {5}, {DISPID_PROPERTYPUT}, DISP_E_MEMBERNOTFOUND},
      {"get of a method only member", 1, DISPATCH_PROPERTYGET, {}, {}, DISP_E_MEMBERNOTFOUND},
      {"put without the named value", 2, DISPATCH_PROPERTYPUT, {"x"}, {}, DISP_E_PARAMNOTFOUND},
      {"bad index from the member", 3, DISPATCH_PROPERTYGET, {7}, {}, DISP_E_BADINDEX},
      // A caller without the table learns from this that the member wants a call.
      {"plain read of a getter with parameters", 3, DISPATCH_PROPERTYGET, {}, {}, DISP_E_BADPARAMCOUNT},
      {"the same getter called without its argument", 3, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {},
       DISP_E_BADINDEX},
      {"exception in the member", 6, DISPATCH_METHOD, {}, {}, DISP_E_EXCEPTION},
      {"object argument that is a number", 8, DISPATCH_METHOD, {5}, {}, DISP_E_TYPEMISMATCH},
  };
  auto calc = MakeRef<TCalc>();
  for (const CodeRow& row : rows) {
    Invocation out = Call(*calc, row.id, row.kind, row.args, row.named);
    EXPECT_EQ(out.hr, row.expected) << row.what;
  }
}

TEST(Dispatch, ExceptionCarriesItsMessage) {
  auto calc = MakeRef<TCalc>();
  Invocation out = Call(*calc, 6, DISPATCH_METHOD, {});
  EXPECT_EQ(out.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(out.excep.description, "List index out of bounds (5)");
  EXPECT_EQ(out.excep.source, "ICalc");
  try {
    CallMethod(*calc, "fail");
    FAIL();
  } catch (const EOleError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (5)");
  }
  Invocation mismatch = Call(*calc, 1, DISPATCH_METHOD, {"x", 2});
  EXPECT_EQ(mismatch.excep.description, "Could not convert variant of type (OleStr) into type (Integer)");
}

TEST(Dispatch, MissingTrailingArgumentsTakeTheDeclaredTypesDefault) {
  auto calc = MakeRef<TCalc>();
  EXPECT_EQ(Call(*calc, 5, DISPATCH_METHOD, {"hi"}).result, Variant("hi.0"));
  EXPECT_EQ(Call(*calc, 5, DISPATCH_METHOD, {}).result, Variant(".0"));
  EXPECT_EQ(Call(*calc, 5, DISPATCH_METHOD, {"hi", "TRUE", "4"}).result, Variant("hi!4"));
  // A missing optional argument marker counts as missing.
  EXPECT_EQ(Call(*calc, 5, DISPATCH_METHOD, {"a", Variant::Error(DISP_E_PARAMNOTFOUND), 2}).result, Variant("a.2"));
  EXPECT_EQ(Call(*calc, 1, DISPATCH_METHOD, {7}).result, Variant(7));
}

TEST(Dispatch, ScriptCallsSendMethodAndGetTogether) {
  auto calc = MakeRef<TCalc>();
  const std::uint16_t call = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  EXPECT_EQ(Call(*calc, 3, call, {0}).result, Variant("first"));  // parameterised get reached as a call
  EXPECT_EQ(Call(*calc, 1, call, {1, 1}).result, Variant(2));
  EXPECT_EQ(Call(*calc, 4, call, {}).result, Variant(3));
}

TEST(Dispatch, ParameterisedPutAndPutRef) {
  auto calc = MakeRef<TCalc>();
  EXPECT_EQ(Call(*calc, 7, DISPATCH_PROPERTYPUT, {"color", 5}, {DISPID_PROPERTYPUT}).hr, S_OK);
  EXPECT_EQ(Call(*calc, 7, DISPATCH_PROPERTYGET, {"COLOR"}).result, Variant());
  EXPECT_EQ(Call(*calc, 7, DISPATCH_PROPERTYGET, {"color"}).result, Variant(5));
  EXPECT_EQ(Call(*calc, 2, DISPATCH_PROPERTYPUTREF, {42}, {DISPID_PROPERTYPUT}).hr, S_OK);
  EXPECT_EQ(calc->m_name, "42");  // coerced to the property's type
}

TEST(Dispatch, ObjectArgumentsKeepIdentityAndCount) {
  auto calc = MakeRef<TCalc>();
  auto other = MakeRef<TCalc>();
  EXPECT_EQ(other->RefCount(), 1u);
  EXPECT_EQ(Call(*calc, 8, DISPATCH_METHOD, {Variant(RefPtr<IDispatchObject>(other))}).result, Variant(true));
  EXPECT_EQ(calc->m_kept.Get(), other.Get());
  EXPECT_EQ(other->RefCount(), 2u);
  EXPECT_EQ(Call(*calc, 8, DISPATCH_METHOD, {Variant::Null()}).result, Variant(false));
  EXPECT_EQ(other->RefCount(), 1u);
}

TEST(Dispatch, NoResultPlaceIsFine) {
  auto calc = MakeRef<TCalc>();
  DispParams params{{1, 2}, {}};
  EXPECT_EQ(calc->Invoke(1, DISPATCH_METHOD, params, nullptr, nullptr), S_OK);
  DispParams failing;
  EXPECT_EQ(calc->Invoke(6, DISPATCH_METHOD, failing, nullptr, nullptr), DISP_E_EXCEPTION);
}

TEST(Dispatch, DerivedInterfaceKeepsBaseMembersFirst) {
  TypeInfo derived("ICalc2", "", CalcTypeInfo(), {{"sub", 301, DISPATCH_METHOD, {}, VarType::I4}});
  EXPECT_EQ(derived.Members().front().name, "add");
  EXPECT_EQ(derived.FindByName("SUB")->id, 301);
  EXPECT_EQ(derived.FindById(2)->name, "name");
}

TEST(LateBoundTable, IdsAreStableAndApartFromTheTypeLibrary) {
  TLateBoundTable<int> table;
  DispId a = table.IdOf(0, 5);
  DispId b = table.IdOf(1, 5);
  EXPECT_NE(a, b);
  EXPECT_EQ(table.IdOf(0, 5), a);
  EXPECT_GE(a, 0x10000);
  for (int i = 0; i < 500; ++i) table.IdOf(2, i);
  // However many names a wrapper resolves, its ids never reach the table's range.
  EXPECT_TRUE(TLateBoundTable<int>::IsLateBound(table.IdOf(2, 499)));
  EXPECT_FALSE(TLateBoundTable<int>::IsLateBound(401));
  ASSERT_NE(table.Find(b), nullptr);
  EXPECT_EQ(table.Find(b)->kind, 1);
  EXPECT_EQ(table.Find(401), nullptr);
  EXPECT_EQ(table.Find(a + 100000), nullptr);
}

}  // namespace
}  // namespace halbrin::platform
