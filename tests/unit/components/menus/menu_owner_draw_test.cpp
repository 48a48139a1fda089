// The owner draw of script menu items: the measure table, the records the
// painters receive for each item state and layout, group headers, check
// boxes, and the separator's pixels on a Cairo image surface.

#include "components/menus/menu_owner_draw.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "core/foundation/shortcuts.h"
#include "platform/cairo/cairo_canvas.h"
#include "platform/graphics/recording_canvas.h"
#include "platform/services/desktop_service.h"
#include "unit/components/menus/menu_test_support.h"
#include "unit/core/framework/fixtures/framework_test_support.h"
#include "unit/skins/fixtures/recording_painter.h"

namespace halbrin::menus_test {
namespace {

using platform::MakeComponent;
using platform::TCustomImageList;
using platform::TRecordingCanvas;
using skins::testing::TRecordingSkinPainter;

class MenuOwnerDrawTest : public framework_test::FrameworkTest {
 protected:
  ~MenuOwnerDrawTest() override {
    m_hooks.root.DestroyComponents();
    skins::FreeSkinManager();
  }

  TMenuItemEx& Add(const std::string& caption, platform::TMenuItem* parent = nullptr) {
    platform::TMenuItem& into = parent ? *parent : m_menu.Items();
    auto& item = static_cast<TMenuItemEx&>(into.Add(std::make_unique<TMenuItemEx>(&into)));
    item.SetCaption(caption);
    return item;
  }
  TCustomImageList& Images(int size) {
    auto& list = MakeComponent<TCustomImageList>(m_hooks.root);
    list.SetWidth(size);
    list.SetHeight(size);
    return list;
  }
  struct Size {
    int width = -99;
    int height = -99;
    friend bool operator==(const Size&, const Size&) = default;
  };
  Size Measure(TMenuItemEx& item) {
    Size size;
    TMeasuringCanvas canvas;
    item.MeasureItem(canvas, size.width, size.height);
    return size;
  }

  skins::TZebrinSkinManager& m_manager = skins::CreateSkinManager();
  SkinColors m_colors{m_manager};
  TPopupMenuEx& m_menu = MakeComponent<TPopupMenuEx>(m_hooks.root);
};

TEST_F(MenuOwnerDrawTest, MeasureTable) {
  // Text is 7 pixels a character, 13 high (17 with the room): items are 20 high.
  struct Case {
    const char* name;
    std::function<void(TMenuItemEx&)> arrange;
    int width;
    int height;
  };
  const Case cases[] = {
      {"separator", [](TMenuItemEx& i) { i.SetCaption("-"); }, 0, 3},
      {"separator with height and width",
       [](TMenuItemEx& i) {
         i.SetCaption("-");
         i.SetHeight(5);
         i.SetWidth(10);
       },
       10, 5},
      {"plain item", [](TMenuItemEx&) {}, 4 * 7 - 4, 20},
      {"mnemonic not measured", [](TMenuItemEx& i) { i.SetCaption("&Open"); }, 4 * 7 - 4, 20},
      {"height 40 whatever the font",
       [](TMenuItemEx& i) {
         i.SetHeight(40);
         i.Font()->SetSize(30);
       },
       4 * 7 - 4, 40},
      {"width given", [](TMenuItemEx& i) { i.SetWidth(77); }, 77, 20},
      {"shortcut", [](TMenuItemEx& i) { i.SetShortCut(TextToShortCut("Ctrl+O")); }, 24 + 6 * 7 + 20, 20},
      {"sub-items", [this](TMenuItemEx& i) { Add("Sub", &i); }, 24 + 16, 20},
      {"menu list, no image", [this](TMenuItemEx&) { m_menu.SetImages(&Images(16)); }, 20 + 24, 20},
      {"menu list and image",
       [this](TMenuItemEx& i) {
         m_menu.SetImages(&Images(16));
         i.SetImageIndex(0);
       },
       20 + 24, 20},
      {"24-pixel list",
       [this](TMenuItemEx& i) {
         m_menu.SetImages(&Images(24));
         i.SetImageIndex(0);
       },
       28 + 24, 28},
      {"group", [](TMenuItemEx& i) { i.SetStyle(misGroup); }, 24, 18},
      {"group with image",
       [this](TMenuItemEx& i) {
         i.SetStyle(misGroup);
         m_menu.SetImages(&Images(16));
         i.SetImageIndex(1);
       },
       24 + 20, 18},
      {"group, list without image",
       [this](TMenuItemEx& i) {
         i.SetStyle(misGroup);
         m_menu.SetImages(&Images(16));
       },
       24, 18},
      {"default item in bold", [](TMenuItemEx& i) { i.SetDefault(true); }, 4 * 8 - 4, 20},
      {"empty caption", [](TMenuItemEx& i) { i.SetCaption(""); }, 0, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_menu.clear();
    m_menu.SetImages(nullptr);
    TMenuItemEx& item = Add("Open");
    c.arrange(item);
    EXPECT_EQ(Measure(item), (Size{c.width, c.height}));
  }
}

TEST_F(MenuOwnerDrawTest, ItemStatesGiveTheTextAndMarkColoursAndThePainter) {
  constexpr TColor kFontColor = 0x444444;
  struct Case {
    const char* name;
    bool selected, checked, enabled;
    TColor text, mark;
    std::uint8_t state;
  };
  const Case cases[] = {
      {"plain", false, false, true, kFontColor, kMenu, 32},
      {"selected", true, false, true, SkinColors::kHotText, SkinColors::kHotMark, 32 | 8},
      {"checked", false, true, true, SkinColors::kDownText, SkinColors::kDownMark, 32 | 4},
      {"disabled", false, false, false, SkinColors::kDisabledText, kMenu, 32 | 16},
      {"selected and checked", true, true, true, SkinColors::kHotText, SkinColors::kHotMark, 32 | 8 | 4},
      {"disabled and selected", true, false, false, SkinColors::kDisabledText, kMenu, 32 | 8 | 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_menu.clear();
    TMenuItemEx& item = Add("&Open");
    item.Font()->SetColor(kFontColor);
    item.SetChecked(c.checked);
    item.SetEnabled(c.enabled);
    TRecordingSkinPainter themed("themed"), plain("plain");
    TRecordingCanvas canvas;
    TDefaultMenuOwnerDraw::Draw(item, canvas, {0, 0, 120, 20}, c.selected, themed, plain);
    TRecordingSkinPainter& used = c.enabled ? themed : plain;
    EXPECT_TRUE((c.enabled ? plain : themed).log.empty()) << "one painter only";
    ASSERT_EQ(used.toolButtons.size(), 1u);
    ASSERT_EQ(used.texts.size(), 1u);
    const skins::TSkinToolButtonParams& mark = used.toolButtons[0];
    EXPECT_EQ(mark.State, c.state);
    EXPECT_EQ(mark.Color, c.mark);
    EXPECT_EQ(mark.GlyphColor, c.text);
    EXPECT_EQ(used.texts[0].first, "&Open");
    EXPECT_EQ(used.texts[0].second.Color, c.text);
  }
}

TEST_F(MenuOwnerDrawTest, LayoutOfMarkCaptionShortcutAndArrow) {
  TCustomImageList& images = Images(16);
  m_menu.SetImages(&images);
  TMenuItemEx& item = Add("Open");
  item.SetImageIndex(3);
  item.SetShortCut(TextToShortCut("Ctrl+O"));
  item.SetTextAlign(mtaRight);
  item.SetTextLayout(mtlTop);
  item.SetDefault(true);
  Add("Sub", &item);
  TRecordingSkinPainter themed, plain;
  TRecordingCanvas canvas;
  TDefaultMenuOwnerDraw::Draw(item, canvas, {10, 0, 210, 22}, false, themed, plain);

  ASSERT_EQ(themed.toolButtons.size(), 1u);
  const skins::TSkinToolButtonParams& mark = themed.toolButtons[0];
  EXPECT_EQ(mark.Rect, (TRect{10, 1, 10 + 16 + 16 + 4, 21})) << "check room, list width + 4, inset 1 px";
  EXPECT_EQ(mark.Images, &images);
  EXPECT_EQ(mark.ImageIndex, 3);
  EXPECT_EQ(mark.Style, skins::tbsButton);
  EXPECT_EQ(mark.GlyphLayout, 1);
  EXPECT_EQ(mark.Roundness, skins::sirNone);

  ASSERT_EQ(themed.texts.size(), 2u);
  const auto& [caption, captionRec] = themed.texts[0];
  const auto& [shortcut, shortcutRec] = themed.texts[1];
  EXPECT_EQ(caption, "Open");
  EXPECT_EQ(captionRec.Rect, (TRect{48, 0, 210 - 16, 22})) << "from the column + 2 to the submenu room";
  EXPECT_EQ(captionRec.Align, skins::siaRight);
  EXPECT_EQ(captionRec.Layout, skins::silTop);
  EXPECT_EQ(captionRec.GlyphLayout, 1);
  EXPECT_EQ(shortcut, "Ctrl+O");
  EXPECT_EQ(shortcutRec.Rect.Right, 210 - 16 - 4);
  EXPECT_EQ(shortcutRec.Align, skins::siaRight);

  EXPECT_EQ(canvas.Calls().front(), "FillRect(10,0,210,22 " + TRecordingCanvas::ColorText(kMenu) + ")");
  // The arrow's pixel rows: fills inside the last 16 pixels, nothing else there.
  int arrowRows = 0;
  for (const std::string& call : canvas.Calls())
    if (call.rfind("FillRect(", 0) == 0 && std::stoi(call.substr(9)) >= 210 - 16) ++arrowRows;
  EXPECT_GT(arrowRows, 2) << "the submenu arrow";

  // The default item's caption is bold (the record's font lives for the call only).
  TRecordingCanvas painted;
  TDefaultMenuOwnerDraw::Draw(item, painted, {10, 0, 210, 22}, false, skins::DefaultSkinPainter(),
                              skins::DefaultSkinPainter());
  int boldTexts = 0;
  for (const std::string& call : painted.Calls())
    if (call.rfind("DrawText(\"Open\"", 0) == 0 && call.find("fsBold") != std::string::npos) ++boldTexts;
  EXPECT_EQ(boldTexts, 1);

  // Without an image the mark has no list, however the menu has one.
  themed.toolButtons.clear();
  item.SetImageIndex(-1);
  TDefaultMenuOwnerDraw::Draw(item, canvas, {10, 0, 210, 22}, false, themed, plain);
  ASSERT_EQ(themed.toolButtons.size(), 1u);
  EXPECT_EQ(themed.toolButtons[0].Images, nullptr);
  EXPECT_EQ(themed.toolButtons[0].Rect.Right, 10 + 36);
}

TEST_F(MenuOwnerDrawTest, GroupHeadersHaveTheGroupColoursAndNoSelectionLook) {
  struct Case {
    const char* name;
    TColor color;
    bool ownFont;
    TColor background, text;
  };
  const Case cases[] = {
      {"defaults", platform::clDefault, false, kGrayText, kMenu},
      {"colour and font", 0x00FF00, true, 0x00FF00, 0x0000FF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_menu.clear();
    TMenuItemEx& item = Add("Files");
    item.SetStyle(misGroup);
    item.SetTextAlign(mtaRight);
    item.SetColor(c.color);
    if (c.ownFont) item.Font()->SetColor(0x0000FF);
    std::vector<std::string> calls[2];
    for (bool selected : {false, true}) {
      TRecordingSkinPainter themed, plain;
      TRecordingCanvas canvas;
      TDefaultMenuOwnerDraw::Draw(item, canvas, {0, 0, 100, 18}, selected, themed, plain);
      calls[selected] = canvas.Calls();
      EXPECT_TRUE(themed.toolButtons.empty()) << "no mark without an image";
      ASSERT_EQ(themed.texts.size(), 1u);
      EXPECT_EQ(themed.texts[0].second.Color, c.text);
      EXPECT_EQ(themed.texts[0].second.Align, skins::siaRight);
      EXPECT_EQ(calls[selected].front(), "FillRect(0,0,100,18 " + TRecordingCanvas::ColorText(c.background) + ")");
    }
    EXPECT_EQ(calls[0], calls[1]) << "selected draws the same";
  }
}

TEST_F(MenuOwnerDrawTest, ShowCheckBoxDrawsACheckBoxOrAnOptionInTheCheckRoom) {
  struct Case {
    const char* name;
    bool radio, checked;
    const char* mark;  // the mask drawn for the mark, or none
  };
  const Case cases[] = {
      {"check box checked", false, true, "DrawImageMasked(2 "},
      {"option checked", true, true, "DrawImageMasked(5 "},
      {"check box unchecked", false, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_menu.clear();
    TMenuItemEx& item = Add("Bold");
    item.SetShowCheckBox(true);
    item.SetRadioItem(c.radio);
    item.SetChecked(c.checked);
    TRecordingSkinPainter themed, plain;
    TRecordingCanvas canvas;
    TDefaultMenuOwnerDraw::Draw(item, canvas, {0, 0, 100, 20}, false, themed, plain);
    int marks = 0, boxes = 0;
    for (const std::string& call : canvas.Calls()) {
      if (c.mark && call.rfind(c.mark, 0) == 0) ++marks;
      if (call.rfind("DrawImageMasked(" + std::to_string(c.radio ? 3 : 0) + " 0,2 ", 0) == 0) ++boxes;
    }
    EXPECT_EQ(boxes, 1) << "the box fills the 16x16 check room, centred on the item";
    EXPECT_EQ(marks, c.mark ? 1 : 0);
  }
}

// A white image surface with a Cairo canvas on it.
class Surface {
 public:
  Surface(int width, int height)
      : m_surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)), m_cr(cairo_create(m_surface)) {
    cairo_set_source_rgb(m_cr, 1, 1, 1);
    cairo_paint(m_cr);
    m_canvas = std::make_unique<platform::TCairoCanvas>(m_cr);
  }
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  ~Surface() {
    m_canvas.reset();
    cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
  }
  platform::TCairoCanvas& Canvas() { return *m_canvas; }
  TColor At(int x, int y) const {
    cairo_surface_flush(m_surface);
    std::uint32_t v;
    std::memcpy(&v, cairo_image_surface_get_data(m_surface) + y * cairo_image_surface_get_stride(m_surface) + x * 4, 4);
    return platform::RGBColor(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
  }

 private:
  cairo_surface_t* m_surface;
  cairo_t* m_cr;
  std::unique_ptr<platform::TCairoCanvas> m_canvas;
};

// Within a few steps a channel (a gradient's first pixel is sampled at its middle).
bool Near(TColor a, TColor b) {
  return std::abs(platform::RedOf(a) - platform::RedOf(b)) <= 8 &&
         std::abs(platform::GreenOf(a) - platform::GreenOf(b)) <= 8 &&
         std::abs(platform::BlueOf(a) - platform::BlueOf(b)) <= 8;
}

TEST_F(MenuOwnerDrawTest, SeparatorPixels) {
  const platform::IDesktopService& desktop = platform::CurrentDesktopService();
  const TColor menu = desktop.SystemColor(4);
  struct Case {
    const char* name;
    TColor color;
    TColor expected;
  };
  const Case cases[] = {
      {"clDefault: the button shadow", platform::clDefault, desktop.SystemColor(16)},
      {"colour set", 0x0000FF, 0x0000FF},
  };
  ASSERT_NE(menu, desktop.SystemColor(16)) << "the headless colours tell the gradient's ends apart";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_menu.clear();
    TMenuItemEx& item = Add("-");
    item.SetColor(c.color);
    Surface surface(100, 5);
    item.DrawItem(surface.Canvas(), {0, 0, 100, 5}, false);
    for (int x : {0, 50, 99}) {
      EXPECT_EQ(surface.At(x, 0), menu) << "shrunk 1 px at the top, x " << x;
      EXPECT_EQ(surface.At(x, 4), menu) << "and at the bottom, x " << x;
    }
    EXPECT_TRUE(Near(surface.At(0, 2), menu)) << "the gradient starts at clMenu";
    EXPECT_NE(surface.At(16, 2), menu);
    EXPECT_NE(surface.At(16, 2), c.expected) << "half way";
    for (int x : {32, 60, 99}) EXPECT_EQ(surface.At(x, 2), c.expected) << "the rest the colour, x " << x;
  }
}

}  // namespace
}  // namespace halbrin::menus_test
