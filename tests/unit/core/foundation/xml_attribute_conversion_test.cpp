// Attribute texts of XML declarations converted into every property kind.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <locale>
#include <string>

#include "core/foundation/xml_type_info.h"
#include "unit/core/foundation/fixtures/mapper_probe.h"
#include "unit/core/foundation/fixtures/recording_mapper.h"

namespace halbrin::mapper_test {
namespace {

using platform::EObjectFreed;
using platform::TComponent;
using platform::Variant;
using Msg = XmlTypeInfoMessage;

std::string ExpectedClass(Msg id) {
  switch (id) {
    case Msg::RangeCheck:
    case Msg::InvalidPropertyValue:
      return "EXMLTypeInfoPropertyConvertError";
    case Msg::ObjectNotFound:
    case Msg::ObjectNotFoundFor:
    case Msg::PropertyNotObject:
      return "EXMLTypeInfoPropertyObjectError";
    default:
      return "EXMLTypeInfoPropertyError";
  }
}

// Applies name="text" to a fresh probe and reads the property back.
struct Applied {
  Variant value;
  bool failed = false;
  std::string className;
  Msg id = Msg::None;
  std::string message;
};

Applied Apply(TProbe& probe, const std::string& name, const std::string& text) {
  TRecordingMapper mapper(&probe);
  mapper.SetStopOnException(true);
  Applied applied;
  try {
    mapper.Run("<controls><control " + name + "=\"" + text + "\"/></controls>");
    applied.value = GetPropertyValue(probe, name);
  } catch (const EXMLTypeInfo& e) {
    applied.failed = true;
    applied.className = std::string(e.ClassName());
    applied.id = e.MessageId();
    applied.message = e.Message();
  }
  return applied;
}

struct Case {
  const char* name;
  const char* text;
  Variant expected;            // when no error
  Msg error = Msg::None;
  const char* message = "";
};

void RunCases(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=\"" + c.text + "\"");
    TProbe probe;
    const Applied applied = Apply(probe, c.name, c.text);
    if (c.error == Msg::None) {
      ASSERT_FALSE(applied.failed) << applied.message;
      EXPECT_TRUE(applied.value == c.expected) << Show(applied.value) << " instead of " << Show(c.expected);
    } else {
      ASSERT_TRUE(applied.failed) << "set to " << Show(applied.value);
      EXPECT_EQ(applied.id, c.error);
      EXPECT_EQ(applied.message, c.message);
      EXPECT_EQ(applied.className, ExpectedClass(c.error));
    }
  }
}

TEST(XmlAttributeConversion, OrdinalKindsAreRangeChecked) {
  RunCases({
      {"Level", "0", Variant(0)},
      {"Level", "255", Variant(255)},
      {"Level", " 12 ", Variant(12)},
      {"Level", "300", {}, Msg::RangeCheck, "Range check error for property Level=300"},
      {"Level", "-1", {}, Msg::RangeCheck, "Range check error for property Level=-1"},
      {"Level", "abc", {}, Msg::InvalidPropertyValue, "Invalid property \"Level\" value \"abc\""},
      {"Level", "", {}, Msg::InvalidPropertyValue, "Invalid property \"Level\" value \"\""},
      {"Count", "4294967295", Variant(std::int64_t{4294967295})},
      {"Count", "-1", {}, Msg::RangeCheck, "Range check error for property Count=-1"},
      {"Letter", "65", Variant(65)},
      {"Letter", "A", {}, Msg::InvalidPropertyValue, "Invalid property \"Letter\" value \"A\""},
      {"WideLetter", "1071", Variant(1071)},
      {"WideLetter", "70000", {}, Msg::RangeCheck, "Range check error for property WideLetter=70000"},
      {"Big", "9223372036854775807", Variant(std::int64_t{9223372036854775807})},
      {"Big", "-9223372036854775808", Variant(std::numeric_limits<std::int64_t>::min())},
      {"Big", "9223372036854775808", {}, Msg::InvalidPropertyValue,
       "Invalid property \"Big\" value \"9223372036854775808\""},
      // An unsigned 64-bit range (its maximum reads as -1) is compared unsigned.
      {"Huge", "5", Variant(std::int64_t{5})},
  });
}

TEST(XmlAttributeConversion, EnumerationsByNameOrOrdinal) {
  RunCases({
      {"Align", "paRight", Variant("paRight")},
      {"Align", "PACENTER", Variant("paCenter")},
      {"Align", "1", Variant("paRight")},  // a number is the ordinal, never "True"
      {"Align", "0", Variant("paLeft")},
      {"Align", "3", {}, Msg::RangeCheck, "Range check error for property Align=3"},
      {"Align", "-1", {}, Msg::RangeCheck, "Range check error for property Align=-1"},
      {"Align", "true", {}, Msg::InvalidPropertyValue, "Invalid property \"Align\" value \"true\""},
      {"Align", "paNowhere", {}, Msg::InvalidPropertyValue, "Invalid property \"Align\" value \"paNowhere\""},
  });
}

TEST(XmlAttributeConversion, BooleanTexts) {
  RunCases({
      {"Active", "TRUE", Variant("True")},
      {"Active", "false", Variant("False")},
      {"Active", "True", Variant("True")},
      {"Active", "1", Variant("True")},
      {"Active", "0", Variant("False")},
      {"Active", "-1", Variant("True")},
      {"Active", "yes", {}, Msg::InvalidPropertyValue, "Invalid property \"Active\" value \"yes\""},
  });
}

TEST(XmlAttributeConversion, SetsByText) {
  RunCases({
      {"Style", "psBold,psUnderline", Variant("psBold,psUnderline")},
      {"Style", "[psItalic, psBold]", Variant("psBold,psItalic")},
      {"Style", "PSITALIC", Variant("psItalic")},
      {"Style", "", Variant("")},
      {"Style", "[]", Variant("")},
      {"Style", "psBold,psShadow", {}, Msg::InvalidPropertyValue,
       "Invalid property \"Style\" value \"psBold,psShadow\""},
      // XML text names members; bit patterns come from scripts as integers.
      {"Style", "5", {}, Msg::InvalidPropertyValue, "Invalid property \"Style\" value \"5\""},
  });
}

TEST(XmlAttributeConversion, FloatsStringsAndVariants) {
  RunCases({
      {"Ratio", "1.5", Variant(1.5)},
      {"Ratio", "-2.5e3", Variant(-2500.0)},
      {"Ratio", "7", Variant(7.0)},
      {"Ratio", "1,5", {}, Msg::InvalidPropertyValue, "Invalid property \"Ratio\" value \"1,5\""},
      {"Scale", "0.25", Variant(0.25)},
      {"Scale", "1e39", {}, Msg::RangeCheck, "Range check error for property Scale=1e39"},
      {"Stamp", "45000.5", Variant(45000.5)},
      {"Code", "abc", Variant("abc")},
      {"Caption", "Привет, мир", Variant("Привет, мир")},
      {"Caption", "", Variant("")},
      {"WideCaption", "ünïcode", Variant("ünïcode")},
      {"Data", "text", Variant("text")},
  });
}

TEST(XmlAttributeConversion, KindsThatTakeNoTextAndReadOnly) {
  RunCases({
      {"Values", "1,2", {}, Msg::InvalidPropertyValue, "Invalid property \"Values\" value \"1,2\""},
      {"Dispatch", "x", {}, Msg::InvalidPropertyType, "Invalid \"IDispatch\" property type: Dispatch"},
      {"Bounds", "1", {}, Msg::InvalidPropertyType, "Invalid \"TRect\" property type: Bounds"},
      {"Version", "8", {}, Msg::ReadOnlyProperty, "Cannot assign to a read-only property \"Version\""},
      {"Nope", "1", {}, Msg::PropertyNotFoundFor, "Property \"Nope\" does not exist for \"controls.control\""},
  });
}

TEST(XmlAttributeConversion, MethodsByHandlerName) {
  TProbe probe;
  ASSERT_FALSE(Apply(probe, "OnChange", "changehandler").failed);
  probe.Change();
  EXPECT_EQ(probe.m_changeCalls, 1);
  EXPECT_EQ(probe.m_lastSender, &probe);

  RunCases({
      {"OnChange", "CountHandler", {}, Msg::InvalidPropertyValue, "Invalid property \"OnChange\" value \"CountHandler\""},
      {"OnChange", "Add", {}, Msg::InvalidPropertyValue, "Invalid property \"OnChange\" value \"Add\""},
      {"OnChange", "Nope", {}, Msg::InvalidPropertyValue, "Invalid property \"OnChange\" value \"Nope\""},
      // A number is no way to name code.
      {"OnChange", "4198400", {}, Msg::InvalidPropertyValue, "Invalid property \"OnChange\" value \"4198400\""},
  });

  ASSERT_FALSE(Apply(probe, "OnChange", "").failed);
  probe.Change();
  EXPECT_EQ(probe.m_changeCalls, 1);
}

TEST(XmlAttributeConversion, ObjectsByLiveHandleOnly) {
  TComponent owner;
  TComponent& other = platform::MakeComponent<TComponent>(owner);
  TProbe probe;

  ASSERT_FALSE(Apply(probe, "Link", std::to_string(other.Handle())).failed);
  EXPECT_EQ(probe.Link(), &other);
  ASSERT_FALSE(Apply(probe, "Link", "0").failed);
  EXPECT_EQ(probe.Link(), nullptr);

  // Not a component: the declared class does not match.
  TProbeNode node;
  Applied wrongClass = Apply(probe, "Link", std::to_string(node.Handle()));
  EXPECT_EQ(wrongClass.id, Msg::InvalidPropertyValue);
  EXPECT_EQ(Apply(probe, "Link", "abc").id, Msg::InvalidPropertyValue);

  std::uint32_t stale = 0;
  {
    TComponent gone;
    stale = gone.Handle();
  }
  TRecordingMapper mapper(&probe);
  mapper.SetStopOnException(true);
  EXPECT_THROW(mapper.Run("<controls><control Link=\"" + std::to_string(stale) + "\"/></controls>"), EObjectFreed);
  EXPECT_EQ(probe.Link(), nullptr);
}

TEST(XmlAttributeConversion, OwnedSubObjectIsAssignedNotReplaced) {
  TProbe probe;
  TProbeNode* const node = probe.Node();
  TProbeNode source;
  source.SetSize(14);
  source.SetText("from source");
  ASSERT_FALSE(Apply(probe, "Node", std::to_string(source.Handle())).failed);
  EXPECT_EQ(probe.Node(), node);
  EXPECT_EQ(node->Size(), 14);
  EXPECT_EQ(node->Text(), "from source");
  // There is nothing to copy from "no object".
  EXPECT_EQ(Apply(probe, "Node", "0").id, Msg::InvalidPropertyValue);
  EXPECT_EQ(probe.Node(), node);
}

// Numbers in XML never follow the user's locale, and a comma locale is the
// one the program runs under on its target systems.
class CommaLocale {
 public:
  CommaLocale() : m_cxx(std::locale()) {
    struct Comma : std::numpunct<char> {
      char do_decimal_point() const override { return ','; }
    };
    std::locale::global(std::locale(std::locale::classic(), new Comma));
    m_c = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "ru_RU.UTF-8", "fr_FR.UTF-8", "de_DE", "ru_RU"}) {
      if (std::setlocale(LC_NUMERIC, name)) break;
    }
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;
  ~CommaLocale() {
    std::setlocale(LC_NUMERIC, m_c.c_str());
    std::locale::global(m_cxx);
  }

 private:
  std::locale m_cxx;
  std::string m_c;
};

TEST(XmlAttributeConversion, NumbersIgnoreTheLocale) {
  CommaLocale comma;
  RunCases({
      {"Ratio", "1.5", Variant(1.5)},
      {"Scale", "0.125", Variant(0.125)},
      {"Ratio", "1,5", {}, Msg::InvalidPropertyValue, "Invalid property \"Ratio\" value \"1,5\""},
  });
}

}  // namespace
}  // namespace halbrin::mapper_test
