#pragma once

#include <pango/pangocairo.h>

namespace halbrin::platform::testing {

// Makes the bundled test font the only font Pango's default Cairo font map
// knows, for the life of the object; the font map before it comes back after.
class BundledFont {
 public:
  BundledFont();
  BundledFont(const BundledFont&) = delete;
  BundledFont& operator=(const BundledFont&) = delete;
  ~BundledFont();

 private:
  PangoFontMap* m_previous;
};

}  // namespace halbrin::platform::testing
