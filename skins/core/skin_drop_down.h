#pragma once

// The drop-down an element of a skin opens (a combo window button, a band
// item's drop-down button): the skin's pop-up control or a popup menu,
// placed by the skin. The menus implement it; the headless one shows nothing.

#include <memory>

#include "platform/graphics/geometry.h"

namespace halbrin::platform {
class TComponent;
}

namespace halbrin::skins {

class ISkinDropDownMenu {
 public:
  virtual ~ISkinDropDownMenu() = default;
  // Opens `menu` (a popup menu or a pop-up control) at a screen point for
  // `skin` and returns when it has closed.
  virtual void Popup(platform::TComponent& menu, platform::TComponent& skin, platform::TPoint screen) = 0;
};

// Shows nothing and returns at once.
class HeadlessSkinDropDownMenu final : public ISkinDropDownMenu {
 public:
  void Popup(platform::TComponent&, platform::TComponent&, platform::TPoint) override {}
};

// The process's drop-down: the headless one until a scope installs another.
ISkinDropDownMenu& CurrentSkinDropDownMenu();

class ScopedSkinDropDownMenu {
 public:
  explicit ScopedSkinDropDownMenu(ISkinDropDownMenu& menu) noexcept;
  ScopedSkinDropDownMenu(const ScopedSkinDropDownMenu&) = delete;
  ScopedSkinDropDownMenu& operator=(const ScopedSkinDropDownMenu&) = delete;
  ~ScopedSkinDropDownMenu();

 private:
  ISkinDropDownMenu* m_previous;
};

}  // namespace halbrin::skins
