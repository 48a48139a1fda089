#include <gtest/gtest.h>

#include "unit/platform/fixtures/sample_classes.h"
#include "platform/classes/property_access.h"

namespace halbrin::platform {
namespace {

using testing::TAlignment;
using testing::TSample;
using testing::TSampleChild;
using testing::TSampleFont;

TEST(ClassInfo, RegistryFindsClassesByNameWithoutRegardToCase) {
  const TClassInfo& sample = TSample::StaticClassInfo();
  EXPECT_EQ(TClassRegistry::Find("tsample"), &sample);
  EXPECT_EQ(TClassRegistry::Find("TSAMPLE"), &sample);
  EXPECT_EQ(TClassRegistry::Find("TNoSuchClass"), nullptr);
  EXPECT_EQ(sample.Parent(), &TComponent::StaticClassInfo());
}

TEST(ClassInfo, InheritanceTests) {
  TSampleChild child;
  EXPECT_TRUE(child.Is<TSample>());
  EXPECT_TRUE(child.Is<TComponent>());
  EXPECT_TRUE(child.Is<TPersistent>());
  EXPECT_TRUE(child.Is<TObject>());
  EXPECT_EQ(child.ClassName(), "TSampleChild");
  TSample sample;
  EXPECT_FALSE(sample.Is<TSampleChild>());
  EXPECT_FALSE(TComponent::StaticClassInfo().InheritsFrom(TSample::StaticClassInfo()));
}

TEST(ClassInfo, VirtualConstructorCreatesOwnedComponent) {
  TComponent owner;
  TComponent& made = CreateComponent(*TClassRegistry::Find("TSampleChild"), owner);
  EXPECT_EQ(made.ClassName(), "TSampleChild");
  EXPECT_EQ(made.Owner(), &owner);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_THROW(CreateComponent(TSampleFont::StaticClassInfo(), owner), EComponentError);
}

struct KindRow {
  const char* name;
  TTypeKind kind;
  const char* typeName;
};

TEST(ClassInfo, PropertiesCarryKindAndTypeName) {
  const KindRow rows[] = {
      {"Count", TTypeKind::Integer, "Integer"},     {"Level", TTypeKind::Integer, "TLevel"},
      {"Alignment", TTypeKind::Enumeration, "TAlignment"}, {"Options", TTypeKind::Set, "TOptions"},
      {"Active", TTypeKind::Enumeration, "Boolean"}, {"Ratio", TTypeKind::Float, "Double"},
      {"Stamp", TTypeKind::Float, "TDateTime"},      {"Caption", TTypeKind::LString, "string"},
      {"Data", TTypeKind::Variant, "Variant"},       {"Color", TTypeKind::Integer, "TColor"},
      {"Big", TTypeKind::Int64, "Int64"},            {"Letter", TTypeKind::WChar, "WideChar"},
      {"Font", TTypeKind::Class, ""},                {"OnChange", TTypeKind::Method, "TNotifyEvent"},
      {"Dispatch", TTypeKind::Interface, "IDispatch"}, {"Name", TTypeKind::LString, "string"},
  };
  TSampleChild object;
  for (const KindRow& row : rows) {
    SCOPED_TRACE(row.name);
    const TPropInfo* prop = GetPropInfo(object, row.name);
    ASSERT_NE(prop, nullptr);
    EXPECT_EQ(prop->Kind(), row.kind);
    if (*row.typeName) {
      EXPECT_EQ(prop->TypeName(), row.typeName);
    }
  }
  EXPECT_EQ(GetPropInfo(object, "level")->Type().maxValue, 255);
  EXPECT_TRUE(GetPropInfo(object, "Font")->Type().owned);
  EXPECT_FALSE(GetPropInfo(object, "Link")->Type().owned);
  EXPECT_EQ(&GetPropInfo(object, "Font")->Type().classOf(), &TSampleFont::StaticClassInfo());
  EXPECT_FALSE(GetPropInfo(object, "Version")->IsWritable());
  EXPECT_EQ(GetPropInfo(object, "NoSuchProperty"), nullptr);
}

TEST(ClassInfo, AllPropertiesListsInheritedOnesFirst) {
  auto all = TSampleChild::StaticClassInfo().AllProperties();
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(all.front()->Name(), "Name");
  EXPECT_EQ(all.back()->Name(), "Extra");
}

struct ValueRow {
  const char* name;
  Variant input;
  Variant expected;
};

class PropValueTest : public ::testing::TestWithParam<ValueRow> {};

TEST_P(PropValueTest, WritesAndReadsBack) {
  const ValueRow& row = GetParam();
  TSample object;
  const TPropInfo& prop = RequirePropInfo(object, row.name);
  SetPropValue(object, prop, row.input);
  EXPECT_EQ(GetPropValue(object, prop), row.expected) << GetPropValue(object, prop).ToText();
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, PropValueTest,
    ::testing::Values(ValueRow{"count", 42, 42}, ValueRow{"COUNT", "17", 17}, ValueRow{"Level", 255, 255},
                      ValueRow{"Alignment", "taCenter", "taCenter"}, ValueRow{"Alignment", "TARIGHT", "taRight"},
                      ValueRow{"Alignment", 1, "taRight"}, ValueRow{"Alignment", "2", "taCenter"},
                      ValueRow{"Active", "TRUE", "True"}, ValueRow{"Active", "false", "False"},
                      ValueRow{"Active", true, "True"}, ValueRow{"Active", "1", "True"},
                      ValueRow{"Options", "[soText, soValues]", "soText,soValues"},
                      ValueRow{"Options", "sonames", "soNames"}, ValueRow{"Options", 3, "soText,soNames"},
                      ValueRow{"Options", "", ""}, ValueRow{"Ratio", "2.5", 2.5}, ValueRow{"Ratio", 3, 3.0},
                      ValueRow{"Caption", "Привет", "Привет"}, ValueRow{"Caption", 12, "12"},
                      ValueRow{"Data", Variant::Null(), Variant::Null()}, ValueRow{"Data", Variant(), Variant()},
                      ValueRow{"Big", std::int64_t{1} << 40, std::int64_t{1} << 40},
                      ValueRow{"Letter", 0x416, 0x416}, ValueRow{"Color", -16777201, -16777201}));

struct ErrorRow {
  const char* name;
  Variant input;
  const char* message;
};

class PropErrorTest : public ::testing::TestWithParam<ErrorRow> {};

TEST_P(PropErrorTest, RaisesWithMessage) {
  const ErrorRow& row = GetParam();
  TSample object;
  try {
    SetPropValue(object, RequirePropInfo(object, row.name), row.input);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), row.message);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Errors, PropErrorTest,
    ::testing::Values(ErrorRow{"Level", 300, "Range check error for property Level=300"},
                      ErrorRow{"Level", -1, "Range check error for property Level=-1"},
                      ErrorRow{"Alignment", 3, "Range check error for property Alignment=3"},
                      ErrorRow{"Alignment", "taMiddle", "Invalid property \"Alignment\" value \"taMiddle\""},
                      ErrorRow{"Options", "[soText,soOther]", "Invalid property element: soOther"},
                      ErrorRow{"Options", 8, "Range check error for property Options=8"},
                      ErrorRow{"Version", 1, "Cannot assign to a read-only property \"Version\""},
                      ErrorRow{"OnChange", "NoSuchHandler", "Invalid property \"OnChange\" value \"NoSuchHandler\""},
                      ErrorRow{"OnChange", "Add", "Invalid property \"OnChange\" value \"Add\""},
                      ErrorRow{"OnChange", "ResumeHandler",
                               "Event handler \"ResumeHandler\" does not match the event"},
                      ErrorRow{"Count", "abc", "Could not convert variant of type (OleStr) into type (Int64)"}));

TEST(PropAccess, UnknownPropertyRaises) {
  TSample object;
  EXPECT_THROW(RequirePropInfo(object, "Nope"), EPropertyError);
}

TEST(PropAccess, TypedAccessorRejectsOtherKind) {
  TSample object;
  EXPECT_THROW(GetStrProp(object, RequirePropInfo(object, "Count")), EPropertyError);
  EXPECT_THROW(SetFloatProp(object, RequirePropInfo(object, "Caption"), 1.0), EPropertyError);
}

TEST(PropAccess, OwnedSubObjectIsAssignedNotReplaced) {
  TSample object;
  TSampleFont replacement;
  replacement.SetSize(22);
  TSampleFont* before = object.Font();
  SetObjectProp(object, RequirePropInfo(object, "Font"), &replacement);
  EXPECT_EQ(object.Font(), before);
  EXPECT_EQ(object.Font()->Size(), 22);
  // Sub-object properties are reached the same way.
  EXPECT_EQ(GetPropValue(*object.Font(), RequirePropInfo(*object.Font(), "facename")), Variant("Sans"));
}

TEST(PropAccess, ReferenceByHandleAndFreedHandle) {
  TSample object;
  const TPropInfo& link = RequirePropInfo(object, "Link");
  std::uint32_t handle;
  {
    TComponent target;
    handle = target.Handle();
    SetPropValue(object, link, Variant(static_cast<std::int64_t>(handle)));
    EXPECT_EQ(object.Link(), &target);
    EXPECT_EQ(GetPropValue(object, link), Variant(static_cast<std::int64_t>(handle)));
  }
  // The weak reference reads as nothing once the target is gone.
  EXPECT_EQ(object.Link(), nullptr);
  EXPECT_EQ(TLiveObjects::Find(handle), nullptr);
  EXPECT_THROW(SetPropValue(object, link, Variant(static_cast<std::int64_t>(handle))), EObjectFreed);
  SetPropValue(object, link, Variant());
  EXPECT_EQ(object.Link(), nullptr);
}

TEST(PropAccess, ClassPropertyChecksTheClass) {
  TSample object;
  TComponent notAFont;
  EXPECT_THROW(SetObjectProp(object, RequirePropInfo(object, "Font"), &notAFont), EPropertyError);
}

TEST(Events, MethodPropertyBindsAPublishedHandlerByName) {
  TSample object;
  const TPropInfo& onChange = RequirePropInfo(object, "onchange");
  EXPECT_EQ(GetPropValue(object, onChange), Variant("TNotifyEvent"));
  EXPECT_TRUE(GetMethodProp(object, onChange).IsNull());

  SetPropValue(object, onChange, "changehandler");
  TMethod bound = GetMethodProp(object, onChange);
  ASSERT_FALSE(bound.IsNull());
  EXPECT_EQ(bound.code, object.ClassInfo().FindMethod("ChangeHandler"));
  EXPECT_EQ(bound.data.Get(), &object);

  object.Change();
  EXPECT_EQ(object.m_changeCalls, 1);
  EXPECT_EQ(object.m_lastSender, &object);

  SetPropValue(object, onChange, Variant());
  object.Change();
  EXPECT_EQ(object.m_changeCalls, 1);
}

TEST(Events, HandlerOnAnotherObjectAndItsDeath) {
  TSample source;
  auto listener = std::make_unique<TSample>();
  TMethod method{TWeakRef<TObject>(listener.get()), listener->ClassInfo().FindMethod("ChangeHandler")};
  SetMethodProp(source, RequirePropInfo(source, "OnChange"), method);
  EXPECT_EQ(GetMethodProp(source, RequirePropInfo(source, "OnChange")), method);
  source.Change();
  EXPECT_EQ(listener->m_changeCalls, 1);
  EXPECT_EQ(listener->m_lastSender, &source);
  listener.reset();
  source.Change();  // the target is gone: nothing is called
  EXPECT_FALSE(source.m_onChange.Assigned());
}

TEST(Events, VarArgumentsReachTheHandler) {
  TSample object;
  SetPropValue(object, RequirePropInfo(object, "OnChanging"), "ResumeHandler");
  bool resume = true;
  object.m_onChanging(&object, resume);
  EXPECT_FALSE(resume);
}

TEST(Events, DirectBindingFromNativeCode) {
  TSample source, target;
  source.m_onChange.Bind(target, &TSample::ChangeHandler);
  source.Change();
  EXPECT_EQ(target.m_changeCalls, 1);
}

TEST(PublishedMethods, InvokeWithVariantsAndParameterInfo) {
  TSample object;
  const TMethodInfo* add = object.ClassInfo().FindMethod("ADD");
  ASSERT_NE(add, nullptr);
  ASSERT_TRUE(add->HasParamInfo());
  ASSERT_EQ(add->Params().size(), 2u);
  EXPECT_EQ(add->Params()[1].name, "b");
  EXPECT_EQ(add->Params()[0].type, VarType::I4);
  EXPECT_EQ(add->ResultType(), VarType::I4);
  std::vector<Variant> args{Variant(2), Variant("40")};
  EXPECT_EQ(add->Invoke(object, args), Variant(42));

  const TMethodInfo* greet = object.ClassInfo().FindMethod("greet");
  std::vector<Variant> greetArgs{Variant("bob"), Variant(true)};
  EXPECT_EQ(greet->Invoke(object, greetArgs), Variant("HELLO bob"));

  const TMethodInfo* handler = object.ClassInfo().FindMethod("ChangeHandler");
  EXPECT_FALSE(handler->HasParamInfo());
}

TEST(Persistent, AssignBetweenUnrelatedClassesRaises) {
  TSampleFont font;
  TComponent component;
  try {
    font.Assign(component);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TSampleFont");
  }
}

}  // namespace
}  // namespace halbrin::platform
