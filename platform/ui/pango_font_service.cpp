#include "platform/ui/pango_font_service.h"

#include <glib.h>
#include <pango/pangocairo.h>

#include <algorithm>

namespace halbrin::platform {

std::vector<std::string> PangoFontService::ScreenFontNames() {
  // The default map is Pango's own (not ours to free); it re-reads the
  // fontconfig configuration when fonts change.
  PangoFontMap* map = pango_cairo_font_map_get_default();
  std::vector<std::string> names;
  if (!map) return names;
  PangoFontFamily** families = nullptr;
  int count = 0;
  pango_font_map_list_families(map, &families, &count);
  names.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    if (const char* name = pango_font_family_get_name(families[i])) names.emplace_back(name);
  g_free(families);
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

}  // namespace halbrin::platform
