// The welcome example as the real program runs it: its skinned main form
// shows the caption colour of the example's skin file and a page that reads
// the start count through window.external, and the program runs until it is
// stopped, then ends with 0.

#include <cstdint>
#include <regex>

#include "display/skins/skin_display_support.h"
#include "program_display_fixture.h"

namespace halbrin::programtest {
namespace {

using testing::WaitUntil;
using testing::WindowRect;

class WelcomeExampleTest : public ProgramDisplayTest {
 protected:
  void SetUp() override {
    ProgramDisplayTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(platform::InitGtk()) << "no display for reading the screen";
    fs::copy(HALBRIN_WELCOME_EXAMPLE, m_temp.Path("welcome"), fs::copy_options::recursive);
  }

  // The caption colour the example's skin file gives an active form, as 0xRRGGBB.
  std::uint32_t SkinCaptionColor() const {
    const std::string skin = testing::ReadFile(m_temp.Path("welcome/skins/welcome.xml"));
    std::smatch match;
    const std::regex color(R"re(<Caption>[\s\S]*?<Color value="#([0-9A-Fa-f]{6})")re");
    if (!std::regex_search(skin, match, color)) return 0xFFFFFFFF;
    return static_cast<std::uint32_t>(std::stoul(match[1].str(), nullptr, 16));
  }
};

// Some pixel of the top strip of the window reads `color`, across its width.
bool CaptionShows(const ScreenRect& window, std::uint32_t color, int strip) {
  for (int y = window.top; y < window.top + strip; ++y)
    for (int x : {window.left + window.width / 4, window.CenterX(), window.left + window.width * 3 / 4})
      if (skins::skintest::ScreenPixel(x, y) == color) return true;
  return false;
}

TEST_F(WelcomeExampleTest, TheSkinnedMainFormShowsTheSkinsCaptionColourAndRunsUntilStopped) {
  const std::uint32_t color = SkinCaptionColor();
  ASSERT_NE(color, 0xFFFFFFFFu) << "the example's skin file sets no caption colour";
  auto program = Start({}, m_temp.Path("welcome"));
  const XWindowId window = WaitForTopLevel("Welcome to Halbrin Lite");
  ASSERT_NE(window, 0u) << Diagnostics();
  ASSERT_TRUE(WaitUntil([&] { return testing::ActiveWindow() == window; })) << "the form never became active";
  // The skin file's caption is 22 pixels high, below the frame's edge.
  EXPECT_TRUE(WaitUntil([&] { return CaptionShows(WindowRect(window), color, 40); }))
      << "no pixel of the caption reads " << std::hex << color << " (the middle of the caption's row 8 reads "
      << skins::skintest::ScreenPixel(WindowRect(window).CenterX(), WindowRect(window).top + 8) << ")";
  const ScreenRect rect = WindowRect(window);
  EXPECT_NE(skins::skintest::ScreenPixel(rect.CenterX(), rect.top + rect.height * 3 / 4), color)
      << "the client area has the caption's colour too";

  const std::string report = m_temp.Path("config/Zebrin/HalbrinLite/welcome/report.txt");
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(report); })) << Diagnostics();
  const std::string text = fs::exists(report) ? testing::ReadFile(report) : std::string();
  EXPECT_NE(text.find("start number 1"), std::string::npos) << text;
  EXPECT_NE(text.find("form: Welcome to Halbrin Lite, 480x300, main form true"), std::string::npos) << text;
  // The form's page filled its text in through window.external.
  EXPECT_TRUE(WaitUntil([&] {
    return testing::ReadFile(report).find("page: This is start number 1.") != std::string::npos;
  })) << testing::ReadFile(report) << Diagnostics();
  EXPECT_TRUE(program->Running());
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
}

}  // namespace
}  // namespace halbrin::programtest
