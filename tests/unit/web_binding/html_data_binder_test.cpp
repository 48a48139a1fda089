#include "web/binding/html_data_binder.h"

#include <gtest/gtest.h>

#include "platform/classes/property_access.h"

namespace halbrin::webcontrols {
namespace {

using namespace halbrin::platform;

// A new object holds every published property's default (Booleans read as their names).
TEST(HtmlDataSettings, DefaultsMatchTheirDeclarations) {
  struct Case {
    const char* name;
    Variant value;
  };
  THtmlDataBinder binder;
  for (const Case& c : {Case{"debugMode", Variant("False")}, Case{"bindTag", Variant("span")},
                        Case{"dataSrc", Variant("xmlData")}, Case{"separateSrc", Variant("True")}}) {
    SCOPED_TRACE(c.name);
    const TPropInfo* prop = binder.ClassInfo().FindProperty(c.name);
    ASSERT_TRUE(prop);
    EXPECT_EQ(GetPropValue(binder, *prop), c.value);
  }
  EXPECT_FALSE(binder.ClearSource());

  THtmlDataUnbinder unbinder;
  for (const Case& c : {Case{"fillEmptyData", Variant("True")}, Case{"emptyData", Variant("")},
                        Case{"emptyTag", Variant("span")}, Case{"emptyClass", Variant("emptydata")},
                        Case{"unbindTag", Variant("span")}, Case{"unbindClass", Variant("bindvalue")},
                        Case{"errorClass", Variant("binderror")}, Case{"respects", Variant("urId,urStyle")},
                        Case{"debugMode", Variant("False")}}) {
    SCOPED_TRACE(c.name);
    const TPropInfo* prop = unbinder.ClassInfo().FindProperty(c.name);
    ASSERT_TRUE(prop);
    EXPECT_EQ(GetPropValue(unbinder, *prop), c.value);
  }
}

TEST(HtmlDataSettings, AssignCopiesEverySetting) {
  THtmlDataBinder source;
  source.SetDebugMode(true);
  source.SetBindTag("div");
  source.SetDataSrc("orders");
  source.SetSeparateSrc(false);
  source.SetClearSource(true);
  THtmlDataBinder copy;
  copy.Assign(source);
  EXPECT_EQ(PackSettings(copy, {{"clear", Variant(copy.ClearSource())}}),
            PackSettings(source, {{"clear", Variant(true)}}));

  THtmlDataUnbinder from;
  from.SetFillEmptyData(false);
  from.SetEmptyData("-");
  from.SetEmptyTag("i");
  from.SetEmptyClass("e");
  from.SetUnbindTag("b");
  from.SetUnbindClass("u");
  from.SetErrorClass("x");
  from.SetRespects(0x2);
  from.SetDebugMode(true);
  THtmlDataUnbinder to;
  to.Assign(from);
  EXPECT_EQ(PackSettings(to), PackSettings(from));
  EXPECT_NE(PackSettings(to), PackSettings(THtmlDataUnbinder()));
}

TEST(HtmlDataSettings, AssignFromAnotherClassRaises) {
  THtmlDataBinder binder;
  THtmlDataUnbinder unbinder;
  EXPECT_THROW(binder.Assign(unbinder), EConvertError);
  EXPECT_THROW(unbinder.Assign(binder), EConvertError);
  EXPECT_EQ(binder.BindTag(), "span");
}

}  // namespace
}  // namespace halbrin::webcontrols
