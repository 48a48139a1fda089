#pragma once

#include <string>
#include <vector>

#include "platform/services/font_service.h"

namespace halbrin::platform {

// The screen fonts as Pango's default font map lists them (fontconfig's
// families; no display needed). Main thread only: the font map is per thread.
class PangoFontService final : public IFontService {
 public:
  // The family names, sorted and without repeats.
  std::vector<std::string> ScreenFontNames() override;
};

// Installs a PangoFontService as the current font service for the life of
// the object. The application holds one for its whole run.
class PangoFontServiceScope {
 public:
  PangoFontServiceScope() : m_scope(m_service) {}
  PangoFontServiceScope(const PangoFontServiceScope&) = delete;
  PangoFontServiceScope& operator=(const PangoFontServiceScope&) = delete;

 private:
  PangoFontService m_service;
  // Declared after the service, so it is restored before the service goes.
  ScopedFontService m_scope;
};

}  // namespace halbrin::platform
