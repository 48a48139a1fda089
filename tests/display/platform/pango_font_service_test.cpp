// The screen fonts as the program's font service lists them: Pango's font
// map, which needs no display.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/services/font_service.h"
#include "platform/ui/pango_font_service.h"

namespace halbrin::platform {
namespace {

TEST(PangoFontService, ListsTheFontFamiliesOnceEachInOrder) {
  PangoFontService service;
  const std::vector<std::string> names = service.ScreenFontNames();
  ASSERT_FALSE(names.empty());
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
  // Pango answers the generic families on every fontconfig setup.
  for (const char* generic : {"Monospace", "Sans", "Serif"})
    EXPECT_NE(std::find(names.begin(), names.end(), generic), names.end()) << generic;
}

TEST(PangoFontService, TheScopeInstallsItAndPutsBackTheHeadlessAnswer) {
  EXPECT_TRUE(CurrentFontService().ScreenFontNames().empty());
  {
    PangoFontServiceScope scope;
    EXPECT_FALSE(CurrentFontService().ScreenFontNames().empty());
  }
  EXPECT_TRUE(CurrentFontService().ScreenFontNames().empty());
}

}  // namespace
}  // namespace halbrin::platform
