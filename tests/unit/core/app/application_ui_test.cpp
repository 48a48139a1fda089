#include "core/app/application_ui.h"

#include <gtest/gtest.h>

#include "platform/services/desktop_service.h"

namespace halbrin {
namespace {

TEST(HeadlessApplicationUiTest, SystemColoursAreTheHeadlessDesktopTable) {
  using platform::HeadlessDesktopService;
  const TApplicationSystemColors colors = THeadlessApplicationUi().SystemColors();
  struct Case {
    const char* name;
    TColor color;
    int index;
    TColor expected;
  };
  const Case cases[] = {
      {"background", colors.background, platform::COLOR_BTNFACE, 0xEFEBE9},
      {"caption text", colors.captionText, platform::COLOR_CAPTIONTEXT, 0x2E3436},
      {"active caption", colors.activeCaption, platform::COLOR_ACTIVECAPTION, 0xEFEBE9},
      {"window", colors.window, platform::COLOR_WINDOW, 0xFFFFFF},
      {"window text", colors.windowText, platform::COLOR_WINDOWTEXT, 0x000000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.color, HeadlessDesktopService::DefaultSystemColor(c.index)) << c.name;
    EXPECT_EQ(c.color, c.expected) << c.name;
  }
}

}  // namespace
}  // namespace halbrin
