// SetPropertyValue and GetPropertyValue with the Variants scripts pass.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/foundation/property_values.h"
#include "platform/automation/dispatch.h"
#include "unit/core/foundation/fixtures/mapper_probe.h"
#include "unit/core/foundation/fixtures/recording_mapper.h"

namespace halbrin::mapper_test {
namespace {

using platform::EObjectFreed;
using platform::IDispatchObject;
using platform::RefPtr;
using platform::TComponent;
using platform::Variant;
using platform::VariantArray;
using platform::VarType;
using Msg = XmlTypeInfoMessage;

Variant Pair(Variant first, Variant second) { return Variant(VariantArray(std::vector<Variant>{first, second})); }

Variant HandleOf(const platform::TObject& object) { return Variant(static_cast<std::int64_t>(object.Handle())); }

// A dispatch object that is nothing but itself.
class TPlainDispatch : public IDispatchObject {
 public:
  platform::HResult GetIDsOfNames(std::span<const std::string>, std::span<platform::DispId>) override {
    return platform::DISP_E_UNKNOWNNAME;
  }
  platform::HResult Invoke(platform::DispId, std::uint16_t, platform::DispParams&, Variant*,
                           platform::ExcepInfo*) override {
    return platform::DISP_E_MEMBERNOTFOUND;
  }
};

struct ScriptCase {
  const char* name;
  Variant value;
  Variant expected;  // read back through GetPropertyValue, when no error
  Msg error = Msg::None;
  const char* message = "";
};

void RunScriptCases(std::initializer_list<ScriptCase> cases) {
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " := " + Show(c.value));
    TProbe probe;
    if (c.error == Msg::None) {
      ASSERT_TRUE(SetPropertyValue(probe, c.name, c.value));
      const Variant actual = GetPropertyValue(probe, c.name);
      EXPECT_TRUE(actual == c.expected) << Show(actual) << " instead of " << Show(c.expected);
      continue;
    }
    try {
      SetPropertyValue(probe, c.name, c.value);
      ADD_FAILURE() << "set to " << Show(GetPropertyValue(probe, c.name));
    } catch (const EXMLTypeInfo& e) {
      EXPECT_EQ(e.MessageId(), c.error);
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST(SetPropertyValue, ScriptValuesByKind) {
  VariantArray numbers(std::vector<Variant>{Variant(1), Variant(2)});
  RunScriptCases({
      {"Level", Variant(200), Variant(200)},
      {"Level", Variant(300), {}, Msg::RangeCheck, "Range check error for property Level=300"},
      {"Level", Variant(7.0), Variant(7)},
      {"Level", Variant::Null(), {}, Msg::InvalidPropertyValue, "Invalid property \"Level\" value \"\""},
      {"Big", Variant(std::int64_t{1} << 40), Variant(std::int64_t{1} << 40)},
      // Enumerations: an integer is the ordinal, a Boolean 0 or 1, other kinds an ordinal too.
      {"Align", Variant(2), Variant("paCenter")},
      {"Align", Variant(true), Variant("paRight")},
      {"Align", Variant(2.0), Variant("paCenter")},
      {"Align", Variant(5), {}, Msg::RangeCheck, "Range check error for property Align=5"},
      {"Active", Variant(true), Variant("True")},
      {"Active", Variant(false), Variant("False")},
      {"Active", Variant(1), Variant("True")},
      {"Active", Variant(-1), {}, Msg::RangeCheck, "Range check error for property Active=-1"},
      // Sets: an integer is the bit pattern.
      {"Style", Variant(5), Variant("psBold,psUnderline")},
      {"Style", Variant(0), Variant("")},
      {"Style", Variant("psItalic"), Variant("psItalic")},
      {"Style", Variant(8), {}, Msg::RangeCheck, "Range check error for property Style=8"},
      {"Style", Variant(-1), {}, Msg::RangeCheck, "Range check error for property Style=-1"},
      {"Ratio", Variant::Date(45000.25), Variant(45000.25)},
      {"Ratio", Variant(true), Variant(-1.0)},
      {"Caption", Variant(12), Variant("12")},
      {"Caption", Variant(numbers), {}, Msg::InvalidPropertyValue, "Invalid property \"Caption\" value \"Array\""},
      {"Data", Variant(numbers), Variant(numbers)},
      {"Data", Variant::Null(), Variant::Null()},
      {"Values", Variant(numbers), Variant(numbers)},
      {"Values", Variant(), Variant(VariantArray())},
      {"Values", Variant(3), {}, Msg::InvalidPropertyValue, "Invalid property \"Values\" value \"3\""},
      {"Link", Variant(), Variant(std::int64_t{0})},
      {"Link", Variant(3.5), {}, Msg::InvalidPropertyValue, "Invalid property \"Link\" value \"3.5\""},
      {"Link", Variant(-5), {}, Msg::InvalidPropertyValue, "Invalid property \"Link\" value \"-5\""},
      {"Link", Variant(RefPtr<IDispatchObject>(new TPlainDispatch)), {}, Msg::InvalidPropertyValue,
       "Invalid property \"Link\" value \"[object]\""},
      {"Version", Variant(7), {}, Msg::ReadOnlyProperty, "Cannot assign to a read-only property \"Version\""},
      {"Bounds", Variant(), {}, Msg::InvalidPropertyType, "Invalid \"TRect\" property type: Bounds"},
  });
}

TEST(ConvertPropertyValue, ChecksWithoutSetting) {
  const struct {
    const char* name;
    Variant value;
    Variant expected;  // when no error
    Msg error = Msg::None;
  } cases[] = {
      {"Level", Variant("200"), Variant(std::int64_t{200})},
      {"Level", Variant("300"), {}, Msg::RangeCheck},
      {"Level", Variant("abc"), {}, Msg::InvalidPropertyValue},
      {"Align", Variant("paCenter"), Variant(std::int64_t{2})},
      {"Align", Variant("paNowhere"), {}, Msg::InvalidPropertyValue},
      {"Active", Variant("false"), Variant(std::int64_t{0})},
      {"Style", Variant("[psBold, psUnderline]"), Variant(std::int64_t{5})},
      {"Caption", Variant(12), Variant("12")},
      {"Data", Variant::Null(), Variant::Null()},
      {"Ratio", Variant("0.5"), Variant(0.5)},
      {"Link", Variant(), {}, Msg::InvalidPropertyType},
      {"Values", Variant(), {}, Msg::InvalidPropertyType},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " := " + Show(c.value));
    TProbe probe;
    const platform::TPropInfo* prop = probe.ClassInfo().FindProperty(c.name);
    ASSERT_NE(prop, nullptr);
    const Variant before = GetPropertyValue(probe, *prop);
    if (c.error == Msg::None) {
      const Variant converted = ConvertPropertyValue(*prop, c.value);
      EXPECT_TRUE(converted == c.expected) << Show(converted);
    } else {
      try {
        ConvertPropertyValue(*prop, c.value);
        ADD_FAILURE() << "converted";
      } catch (const EXMLTypeInfo& e) {
        EXPECT_EQ(e.MessageId(), c.error);
      }
    }
    EXPECT_TRUE(GetPropertyValue(probe, *prop) == before);
  }
}

TEST(SetPropertyValue, UnknownPropertyAnswersFalse) {
  TProbe probe;
  EXPECT_FALSE(SetPropertyValue(probe, "Nope", Variant(1)));
  EXPECT_TRUE(SetPropertyValue(probe, "caption", Variant("any case")));
  EXPECT_EQ(probe.Caption(), "any case");
}

TEST(SetPropertyValue, ObjectHandles) {
  TComponent owner;
  TComponent& target = platform::MakeComponent<TComponent>(owner);
  TProbe probe;
  ASSERT_TRUE(SetPropertyValue(probe, "Link", HandleOf(target)));
  EXPECT_EQ(probe.Link(), &target);
  // The handle read back finds the same object.
  const Variant handle = GetPropertyValue(probe, "Link");
  EXPECT_EQ(platform::TLiveObjects::Find(static_cast<std::uint32_t>(handle.ToInt64())), &target);
  ASSERT_TRUE(SetPropertyValue(probe, "Link", Variant::Null()));
  EXPECT_EQ(probe.Link(), nullptr);

  Variant stale;
  {
    TComponent gone;
    stale = HandleOf(gone);
  }
  EXPECT_THROW(SetPropertyValue(probe, "Link", stale), EObjectFreed);

  // An owned sub-object takes the state of the given one of its class only.
  TProbeNode source;
  source.SetSize(3);
  TProbeNode* const node = probe.Node();
  ASSERT_TRUE(SetPropertyValue(probe, "Node", HandleOf(source)));
  EXPECT_EQ(probe.Node(), node);
  EXPECT_EQ(node->Size(), 3);
  try {
    SetPropertyValue(probe, "Node", HandleOf(target));
    ADD_FAILURE() << "a component was assigned to a node";
  } catch (const EXMLTypeInfoPropertyConvertError& e) {
    EXPECT_EQ(e.MessageId(), Msg::InvalidPropertyValue);
  }
  EXPECT_THROW(SetPropertyValue(probe, "Node", Variant()), EXMLTypeInfoPropertyConvertError);
}

TEST(SetPropertyValue, MethodsAreHandlerNamesNeverAddresses) {
  TProbe probe;
  TProbe other;
  ASSERT_TRUE(SetPropertyValue(probe, "OnChange", Variant("ChangeHandler")));
  probe.Change();
  EXPECT_EQ(probe.m_changeCalls, 1);

  // (handler name, handle of the object the handler belongs to)
  ASSERT_TRUE(SetPropertyValue(probe, "OnChange", Pair(Variant("changehandler"), HandleOf(other))));
  probe.Change();
  EXPECT_EQ(probe.m_changeCalls, 1);
  EXPECT_EQ(other.m_changeCalls, 1);
  EXPECT_EQ(other.m_lastSender, &probe);

  ASSERT_TRUE(SetPropertyValue(probe, "OnChange", Variant()));
  probe.Change();
  EXPECT_EQ(other.m_changeCalls, 1);

  Variant stale;
  {
    TProbe gone;
    stale = HandleOf(gone);
  }
  EXPECT_THROW(SetPropertyValue(probe, "OnChange", Pair(Variant("ChangeHandler"), stale)), EObjectFreed);

  const Variant invalid[] = {
      Variant(std::int64_t{0x401000}),                                            // a code address
      Pair(Variant(std::int64_t{0x401000}), HandleOf(other)),                     // (code, data)
      Pair(HandleOf(other), Variant("ChangeHandler")),                            // swapped
      Pair(Variant("ChangeHandler"), Variant(std::int64_t{0})),                   // no object
      Variant(VariantArray(std::vector<Variant>{Variant("ChangeHandler")})),      // one item
      Variant("CountHandler"),                                                    // wrong arguments
      Variant("Add"),                                                             // not a handler
  };
  for (const Variant& value : invalid) {
    SCOPED_TRACE(Show(value));
    try {
      SetPropertyValue(probe, "OnChange", value);
      ADD_FAILURE() << "accepted";
    } catch (const EXMLTypeInfoPropertyConvertError& e) {
      EXPECT_EQ(e.MessageId(), Msg::InvalidPropertyValue);
    }
  }
}

TEST(GetPropertyValue, EveryKind) {
  TComponent owner;
  TComponent& linked = platform::MakeComponent<TComponent>(owner);
  RefPtr<IDispatchObject> dispatch(new TPlainDispatch);
  TProbe probe;
  probe.SetLevel(200);
  probe.SetCount(4000000000u);
  probe.SetLetter('A');
  probe.SetWideLetter(u'Я');
  probe.SetAlign(TProbeAlign::paCenter);
  probe.SetActive(true);
  probe.SetStyle(3);
  probe.SetRatio(1.5);
  probe.SetScale(0.25f);
  probe.SetStamp(45000.5);
  probe.SetCode("short");
  probe.SetCaption("long");
  probe.SetWideCaption("wide");
  probe.SetData(Variant::Date(2.5));
  probe.SetBig(std::int64_t{1} << 50);
  probe.SetLink(&linked);
  VariantArray values(std::vector<Variant>{Variant("a"), Variant(2)});
  probe.SetValues(Variant(values));
  probe.SetDispatch(dispatch);

  const struct {
    const char* name;
    Variant expected;
    VarType type;
  } cases[] = {
      {"Level", Variant(200), VarType::I4},
      {"Count", Variant(std::int64_t{4000000000}), VarType::I8},  // a Cardinal keeps its value
      {"Letter", Variant(65), VarType::I4},
      {"WideLetter", Variant(0x42F), VarType::I4},
      {"Align", Variant("paCenter"), VarType::String},
      {"Active", Variant("True"), VarType::String},
      {"Style", Variant("psBold,psItalic"), VarType::String},
      {"Ratio", Variant(1.5), VarType::R8},
      {"Scale", Variant(0.25), VarType::R8},
      {"Stamp", Variant(45000.5), VarType::R8},
      {"Code", Variant("short"), VarType::String},
      {"Caption", Variant("long"), VarType::String},
      {"WideCaption", Variant("wide"), VarType::String},
      {"Data", Variant::Date(2.5), VarType::Date},
      {"Big", Variant(std::int64_t{1} << 50), VarType::I8},
      {"Link", HandleOf(linked), VarType::I8},
      {"Node", HandleOf(*probe.Node()), VarType::I8},
      {"Items", HandleOf(*probe.Items()), VarType::I8},
      {"OnChange", Variant("TNotifyEvent"), VarType::String},
      {"Values", Variant(values), VarType::Array},
      {"Dispatch", Variant(dispatch), VarType::Dispatch},
      {"Version", Variant(7), VarType::I4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Variant actual = GetPropertyValue(probe, c.name);
    EXPECT_EQ(actual.Type(), c.type) << Show(actual);
    EXPECT_TRUE(actual == c.expected) << Show(actual) << " instead of " << Show(c.expected);
  }

  probe.SetLink(nullptr);
  EXPECT_TRUE(GetPropertyValue(probe, "Link") == Variant(0));
}

TEST(GetPropertyValue, UnknownPropertyAndUnreadableKind) {
  TProbe probe;
  try {
    GetPropertyValue(probe, "Nope");
    ADD_FAILURE();
  } catch (const EXMLTypeInfoPropertyError& e) {
    EXPECT_EQ(e.MessageId(), Msg::PropertyNotFound);
    EXPECT_EQ(e.Message(), "Property \"Nope\" does not exist");
  }
  try {
    GetPropertyValue(probe, "Bounds");
    ADD_FAILURE();
  } catch (const EXMLTypeInfoPropertyError& e) {
    EXPECT_EQ(e.MessageId(), Msg::InvalidPropertyType);
    EXPECT_EQ(e.Message(), "Invalid \"TRect\" property type: Bounds");
  }
}

}  // namespace
}  // namespace halbrin::mapper_test
