// The caption icon and the skin timers on a real skinned window: the icon's
// picture (a PNG file the test writes) at (IndentLeft, centred) in the
// caption with the first band's text after it, and a 100 ms skin timer whose
// changes of a footer item's text show on the screen.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/glib_ptr.h"
#include "platform/classes/component.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_init.h"
#include "skins/core/form_skin.h"
#include "skins/core/skin_manager.h"
#include "skins/gtk/gtk_window_host.h"
#include "skin_display_support.h"
#include "support/main_context_wait.h"
#include "support/window_manager.h"

namespace halbrin::skins {
namespace {

using namespace std::chrono_literals;
using platform::TWinControl;
using skintest::ScreenPixel;
using testing::RunUntil;

constexpr int kCaption = 24, kFooter = 20, kIcon = 16;
constexpr std::uint32_t kCaptionColor = 0x208020, kIconColor = 0xE01010;

// Counts the timer's changes and writes a new text into the footer item each time.
class Ticker final : public platform::TComponent {
 public:
  using TComponent::TComponent;
  void Tick(platform::TObject*) {
    ++ticks;
    if (item) item->SetText(std::string(static_cast<std::size_t>(ticks % 6 + 1), 'W'));
  }
  TZebrinSkinCustomBandItem* item = nullptr;
  int ticks = 0;
};

class CaptionIconDisplayTest : public skintest::SkinnedFormTest {
 protected:
  void SetUp() override {
    skintest::SkinnedFormTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    char* made = g_dir_make_tmp("caption-icon-XXXXXX", nullptr);
    m_dir = made;
    g_free(made);
    form->SetBoundsRect(TRect{200, 150, 560, 400});
    form->SetWindowTraits({.caption = true, .border = true, .sysMenu = true});
    skin->SetAutoButtons(false);
    AddCaptionBand(kCaption, kCaptionColor);
    skin->Caption()->Items(0)->Item()->SetText("WWWW");
    TZebrinSkinFooterBands& footer = *skin->Footer();
    footer.Add().Metrics()->SetSize(kFooter);
    footer.SetTransparent(false);
    footer.Metrics()->SetColor(kCaptionColor);
    footer.Metrics()->SetInactiveColor(kCaptionColor);
  }

  void TearDown() override {
    skintest::SkinnedFormTest::TearDown();
    if (!m_dir.empty()) std::filesystem::remove_all(m_dir);
  }

  // A kIcon x kIcon opaque PNG of kIconColor.
  std::string WriteIcon() {
    auto pixbuf = platform::GObjectPtr<GdkPixbuf>::Adopt(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kIcon, kIcon));
    gdk_pixbuf_fill(pixbuf.Get(), (kIconColor << 8) | 0xFF);
    const std::string path = (std::filesystem::path(m_dir) / "icon.png").string();
    EXPECT_TRUE(gdk_pixbuf_save(pixbuf.Get(), path.c_str(), "png", nullptr, nullptr));
    return path;
  }

  void ShowSkinned() {
    ASSERT_NO_FATAL_FAILURE(HookAndPresent());
    ASSERT_TRUE(RunUntil([&] { return ScreenPixel(Screen({skin->Caption()->BoundsRect().Right - 3, 2})) == kCaptionColor; }))
        << "the caption never showed";
  }

  // The screen's pixels of a window rectangle as 0xRRGGBB, row by row; empty when unreadable.
  std::vector<std::uint32_t> Grab(const TRect& r) {
    const TPoint at = Screen({r.Left, r.Top});
    auto pixbuf = platform::GObjectPtr<GdkPixbuf>::Adopt(
        gdk_pixbuf_get_from_window(gdk_get_default_root_window(), at.X, at.Y, r.Width(), r.Height()));
    std::vector<std::uint32_t> pixels;
    if (!pixbuf) return pixels;
    const int channels = gdk_pixbuf_get_n_channels(pixbuf.Get()), stride = gdk_pixbuf_get_rowstride(pixbuf.Get());
    const guchar* data = gdk_pixbuf_read_pixels(pixbuf.Get());
    for (int y = 0; y < r.Height(); ++y)
      for (int x = 0; x < r.Width(); ++x) {
        const guchar* p = data + y * stride + x * channels;
        pixels.push_back(static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2]);
      }
    return pixels;
  }

 private:
  std::string m_dir;
};

TEST_F(CaptionIconDisplayTest, TheIconSitsAtIndentLeftCentredAndTheBandTextFollowsIt) {
  TZebrinSkinIcon& icon = *skin->Icon();
  icon.Image()->SetFileName(WriteIcon());
  icon.SetHint("Application menu");
  icon.SetVisible(true);
  ShowSkinned();
  const TRect area = skin->Caption()->BoundsRect();
  const int top = (kCaption - kIcon) / 2;
  ASSERT_EQ(icon.Rect(), (TRect{area.Left + 4, area.Top + top, area.Left + 4 + kIcon, area.Top + top + kIcon}));
  const TRect r = icon.Rect();
  ASSERT_TRUE(RunUntil([&] { return ScreenPixel(Screen({r.Left + 8, r.Top + 8})) == kIconColor; }))
      << "the icon's middle shows " << std::hex << ScreenPixel(Screen({r.Left + 8, r.Top + 8}));
  for (const TPoint corner : {TPoint{r.Left, r.Top}, TPoint{r.Right - 1, r.Bottom - 1}})
    EXPECT_EQ(ScreenPixel(Screen(corner)), kIconColor) << corner.X << "," << corner.Y;
  for (const TPoint outside : {TPoint{r.Left - 1, r.Top + 8}, TPoint{r.Left + 8, r.Top - 1}, TPoint{r.Left + 8, r.Bottom}})
    EXPECT_EQ(ScreenPixel(Screen(outside)), kCaptionColor) << outside.X << "," << outside.Y;

  // The item's text: its first pixel that is neither caption nor icon lies right of the icon.
  const TRect item = skin->Caption()->Items(0)->Item()->Rect();
  EXPECT_GE(item.Left, r.Right);
  const std::vector<std::uint32_t> pixels = Grab(area);
  ASSERT_EQ(pixels.size(), static_cast<std::size_t>(area.Width() * area.Height()));
  int firstText = -1;
  for (int x = 0; x < area.Width() && firstText < 0; ++x)
    for (int y = 0; y < area.Height(); ++y) {
      const std::uint32_t pixel = pixels[static_cast<std::size_t>(y * area.Width() + x)];
      if (pixel != kCaptionColor && pixel != kIconColor) {
        firstText = area.Left + x;
        break;
      }
    }
  EXPECT_GE(firstText, r.Right) << "text drawn at " << firstText;
}

TEST_F(CaptionIconDisplayTest, ASkinTimerChangingAFooterItemShowsThreeChangesInHalfASecond) {
  Ticker& ticker = platform::MakeComponent<Ticker>(*skin);
  TZebrinSkinCustomBandItem* item = skin->Footer()->Items(0)->Item();
  item->SetText("W");
  ticker.item = item;
  auto& timer = static_cast<TZebrinSkinTimer&>(skin->Timers()->Add());
  timer.SetInterval(100);
  timer.OnChange().Bind(ticker, &Ticker::Tick);
  timer.SetEnabled(true);
  ShowSkinned();
  const TRect footer = skin->Footer()->BoundsRect();
  ASSERT_FALSE(footer.IsEmpty());
  const int ticksBefore = ticker.ticks;
  std::vector<std::uint32_t> last = Grab(footer);
  int changes = 0;
  const gint64 end = g_get_monotonic_time() + 500 * 1000;
  while (g_get_monotonic_time() < end) {
    RunUntil([] { return false; }, 20ms);
    const std::vector<std::uint32_t> now = Grab(footer);
    if (now != last) ++changes;
    last = now;
  }
  EXPECT_GE(ticker.ticks - ticksBefore, 3);
  EXPECT_GE(changes, 3) << "after " << ticker.ticks - ticksBefore << " ticks";
}

}  // namespace
}  // namespace halbrin::skins
