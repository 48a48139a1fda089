// The welcome example as the real program runs it: its skinned main form
// shows the caption colour of the example's skin file and a page that reads
// the start count through window.external, its timer ticks ten times, its
// context menu shows the icons of its image strip and Ctrl+R reloads the
// page, its records page binds, saves and unbinds, and the program runs
// until it is stopped, then ends with 0.

#include <X11/keysym.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "display/skins/skin_display_support.h"
#include "program_display_fixture.h"
#include "support/x_input.h"

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

  std::string ReportPath() const { return m_temp.Path("config/Zebrin/HalbrinLite/welcome/report.txt"); }
  std::string Report() const { return fs::exists(ReportPath()) ? testing::ReadFile(ReportPath()) : std::string(); }
  bool WaitForReportLine(const std::string& line) const {
    return WaitUntil([&] { return ("\n" + Report()).find("\n" + line + "\n") != std::string::npos; });
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

  const std::string report = ReportPath();
  EXPECT_TRUE(WaitUntil([&] { return fs::exists(report); })) << Diagnostics();
  const std::string text = fs::exists(report) ? testing::ReadFile(report) : std::string();
  EXPECT_NE(text.find("start number 1"), std::string::npos) << text;
  EXPECT_NE(text.find("form: Welcome to Halbrin Lite, 480x300, main form true"), std::string::npos) << text;
  EXPECT_NE(text.find("menu: 8 items, 2 in the submenu, 3 images"), std::string::npos) << text;
  // The scripts packed into a cabinet and listed again.
  EXPECT_NE(text.find("cabinet: 3 scripts packed, listed scripts\\init.js "), std::string::npos) << text;
  // The scheduled task is made, read and deleted again, timer and all.
  EXPECT_NE(text.find("task: welcome-reminder (At 09:00 every day, starting "), std::string::npos) << text;
  EXPECT_FALSE(fs::exists(m_temp.Path("data/Zebrin/HalbrinLite/tasks/welcome-reminder.job")));
  // The form's page filled its text in through window.external.
  EXPECT_TRUE(WaitForReportLine("page: This is start number 1.")) << testing::ReadFile(report) << Diagnostics();
  // Ten ticks a quarter of a second apart, then the timer stops.
  EXPECT_TRUE(WaitForReportLine("timer: 10 ticks, then stopped")) << testing::ReadFile(report) << Diagnostics();
  EXPECT_TRUE(program->Running());
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
}

// The records page, shown by a second form at start: its save button writes
// the record set through "#default" as a file of the data item, its unbind
// button leaves a table of static rows and saves the page beside it.
TEST_F(WelcomeExampleTest, TheRecordsPageSavesItsRecordsAndAStaticCopyOfItself) {
  auto program = Start({}, m_temp.Path("welcome"));
  ASSERT_NE(WaitForTopLevel("Welcome to Halbrin Lite"), 0u) << Diagnostics();
  ASSERT_TRUE(WaitForReportLine("records: 3 rows bound, unbound and saved")) << Report() << Diagnostics();
  EXPECT_TRUE(WaitUntilHidden("Records")) << "the records form stayed open";

  const std::string folder = m_temp.Path("data/Zebrin/HalbrinLite/projects/Welcome/");
  ASSERT_TRUE(fs::exists(folder + "records.xml")) << Diagnostics();
  const std::string records = testing::ReadFile(folder + "records.xml");
  const std::regex record(R"(<record><name>(\w+)</name><city>(\w+)</city><visits>(\d+)</visits></record>)");
  std::vector<std::string> saved;
  for (auto it = std::sregex_iterator(records.begin(), records.end(), record); it != std::sregex_iterator(); ++it)
    saved.push_back((*it)[1].str() + "/" + (*it)[2].str() + "/" + (*it)[3].str());
  EXPECT_EQ(saved, (std::vector<std::string>{"Ann/Oslo/3", "Bob/Lima/12", "Cy/Kyiv/7"})) << records;

  ASSERT_TRUE(fs::exists(folder + "records-page.html")) << Diagnostics();
  const std::string page = testing::ReadFile(folder + "records-page.html");
  // Static rows, one per record, in a body of their own; nothing left to bind or run.
  const std::regex value(R"(<span class="bindvalue">([^<]*)</span>)");
  std::vector<std::string> values;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), value); it != std::sregex_iterator(); ++it)
    values.push_back((*it)[1].str());
  EXPECT_EQ(values, (std::vector<std::string>{"Ann", "Oslo", "3", "Bob", "Lima", "12", "Cy", "Kyiv", "7"})) << page;
  EXPECT_NE(page.find("<tbody id=\"contentxmlData\""), std::string::npos) << page;
  for (const char* gone : {"datasrc", "datafld", "<script"}) EXPECT_EQ(page.find(gone), std::string::npos) << gone;
  EXPECT_TRUE(program->Running());
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
}

// Some pixel of the top left `size` x `size` of the window reads `color`.
bool CornerShows(const ScreenRect& window, std::uint32_t color, int size) {
  for (int y = window.top; y < window.top + size; ++y)
    for (int x = window.left; x < window.left + size; ++x)
      if (skins::skintest::ScreenPixel(x, y) == color) return true;
  return false;
}

TEST_F(WelcomeExampleTest, TheContextMenuShowsTheStripsIconAndCtrlRReloadsThePage) {
  auto program = Start({}, m_temp.Path("welcome"));
  const XWindowId window = WaitForTopLevel("Welcome to Halbrin Lite");
  ASSERT_NE(window, 0u) << Diagnostics();
  ASSERT_TRUE(WaitUntil([&] { return testing::ActiveWindow() == window; })) << "the form never became active";
  ASSERT_TRUE(WaitForReportLine("page: This is start number 1.")) << Report() << Diagnostics();

  // A right click on the page opens the form's menu; its first item (the
  // default one) shows the strip's first image, a disc of this blue.
  const ScreenRect rect = WindowRect(window);
  testing::PointerClick(rect.CenterX(), rect.CenterY(), 3);
  ASSERT_TRUE(WaitUntil([] { return !testing::MappedPopupMenus().empty(); })) << "no menu opened\n" << Diagnostics();
  const ScreenRect menu = WindowRect(testing::MappedPopupMenus().back());
  EXPECT_TRUE(WaitUntil([&] { return CornerShows(menu, 0x2E5C8A, 28); })) << "no icon at the menu's first item";
  testing::KeyTap(XK_Escape);
  EXPECT_TRUE(WaitUntil([] { return testing::MappedPopupMenus().empty(); })) << "Escape left the menu open";

  // Ctrl+R, the reload item's shortcut, works with the menu closed: the page loads again.
  testing::KeyDown(XK_Control_L);
  testing::KeyTap(XK_r);
  testing::KeyUp(XK_Control_L);
  EXPECT_TRUE(WaitForReportLine("menu: ReloadItem reloads the page")) << Report() << Diagnostics();
  EXPECT_TRUE(WaitUntil([&] {
    const std::string text = Report();
    const std::string line = "page: This is start number 1.";
    return text.find(line) != text.rfind(line);
  })) << "the page did not load again\n" << Report();
  EXPECT_TRUE(program->Running());
  program->Signal(SIGTERM);
  EXPECT_EQ(program->Wait(20s), 0) << Diagnostics();
}

}  // namespace
}  // namespace halbrin::programtest
