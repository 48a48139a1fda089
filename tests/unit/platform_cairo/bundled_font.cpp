#include "bundled_font.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-fontmap.h>

#include <stdexcept>

namespace halbrin::platform::testing {

BundledFont::BundledFont() : m_previous(pango_cairo_font_map_get_default()) {
  g_object_ref(m_previous);
  // An empty configuration reads no system fonts and no user settings.
  FcConfig* config = FcConfigCreate();
  if (!FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(HALBRIN_TEST_FONT))) {
    FcConfigDestroy(config);
    throw std::runtime_error("cannot load the test font " HALBRIN_TEST_FONT);
  }
  PangoFontMap* map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(map), config);
  FcConfigDestroy(config);
  pango_cairo_font_map_set_default(PANGO_CAIRO_FONT_MAP(map));
  g_object_unref(map);
}

BundledFont::~BundledFont() {
  pango_cairo_font_map_set_default(PANGO_CAIRO_FONT_MAP(m_previous));
  g_object_unref(m_previous);
}

}  // namespace halbrin::platform::testing
