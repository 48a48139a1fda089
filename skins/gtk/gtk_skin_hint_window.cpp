#include "skins/gtk/gtk_skin_hint_window.h"

#include "platform/eventloop/main_event_loop.h"
#include "platform/services/desktop_service.h"

namespace halbrin::skins {
namespace {

// The fade takes about 150 ms.
constexpr std::uint32_t kFadeIntervalMs = 15;
constexpr int kFadeSteps = 10;

constexpr int kTextLeft = 5;
constexpr int kTextTop = 3;

bool AnimationsEnabled() {
  gboolean enabled = FALSE;
  g_object_get(gtk_settings_get_default(), "gtk-enable-animations", &enabled, nullptr);
  return enabled != FALSE;
}

PangoLayout* HintLayout(PangoContext* context, std::string_view text, int maxWidth) {
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* description =
      NewPangoFontDescription(platform::CurrentDesktopService().ElementFont(platform::TDesktopFont::Status));
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);
  pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
  if (maxWidth > 0) {
    pango_layout_set_width(layout, maxWidth * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  }
  return layout;
}

}  // namespace

TGtkSkinHintWindow::TGtkSkinHintWindow()
    : m_surface([this](cairo_t* cr, int width, int height) { Paint(cr, width, height); }, true) {}

TGtkSkinHintWindow::~TGtkSkinHintWindow() = default;

TRect TGtkSkinHintWindow::HintRect(std::string_view text, int maxWidth) const {
  PangoFontMap* fontMap = pango_cairo_font_map_get_default();
  PangoContext* context = pango_font_map_create_context(fontMap);
  PangoLayout* layout = HintLayout(context, text.empty() ? std::string_view("jk") : text, maxWidth);
  int width = 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  g_object_unref(context);
  return HintTextRect({text.empty() ? 0 : width, height});
}

void TGtkSkinHintWindow::ShowAt(const TRect& rect, std::string_view text, bool enabled,
                                const TSkinHintOptions& options) {
  const bool wasShowing = m_showing;
  m_text = std::string(text);
  m_enabled = enabled;
  m_options = options;
  m_placed = PlaceHintRect(rect, platform::CurrentDesktopService().WorkArea(rect), options.shadow);
  m_showing = true;
  // A hint showing already only moves; a new one fades in.
  if (!wasShowing && AnimationsEnabled()) {
    m_fadeStep = 0;
    m_surface.SetOpacity(0);
    if (!m_fade) {
      m_fade = std::make_unique<platform::TimerSource>(platform::MainEventLoop(), kFadeIntervalMs,
                                                       [this] { FadeStep(); });
    }
    m_fade->Start();
  } else if (!m_fade || !m_fade->Active()) {
    m_surface.SetOpacity(options.opacity);
  }
  m_surface.ShowAt(m_placed);
  m_surface.Redraw();
}

void TGtkSkinHintWindow::FadeStep() {
  ++m_fadeStep;
  if (m_fadeStep >= kFadeSteps) {
    m_fade->Stop();
    m_surface.SetOpacity(m_options.opacity);
    return;
  }
  m_surface.SetOpacity(static_cast<std::uint8_t>(m_options.opacity * m_fadeStep / kFadeSteps));
}

void TGtkSkinHintWindow::Hide() {
  if (m_fade) m_fade->Stop();
  m_showing = false;
  m_surface.Hide();
}

void TGtkSkinHintWindow::Release() {
  Hide();
  m_surface.Release();
}

void TGtkSkinHintWindow::Paint(cairo_t* cr, int width, int height) const {
  SetCairoColor(cr, platform::SystemColor(platform::COLOR_INFOBK));
  cairo_paint(cr);
  SetCairoColor(cr, platform::SystemColor(m_options.flat ? platform::COLOR_BTNSHADOW : platform::COLOR_BTNFACE));
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, 0.5, 0.5, width - 1, height - 1);
  cairo_stroke(cr);
  PangoContext* context = pango_cairo_create_context(cr);
  PangoLayout* layout = HintLayout(context, m_text, width - kTextLeft);
  const bool plainText = m_options.flat && m_enabled;
  SetCairoColor(cr, platform::SystemColor(plainText ? platform::COLOR_INFOTEXT : platform::COLOR_GRAYTEXT));
  cairo_move_to(cr, kTextLeft, kTextTop);
  pango_cairo_show_layout(cr, layout);
  g_object_unref(layout);
  g_object_unref(context);
}

}  // namespace halbrin::skins
