#include "skins/core/skin_drop_down.h"

#include <atomic>

namespace halbrin::skins {

namespace {

std::atomic<ISkinDropDownMenu*>& InstalledMenu() {
  static std::atomic<ISkinDropDownMenu*> menu{nullptr};
  return menu;
}

}  // namespace

ISkinDropDownMenu& CurrentSkinDropDownMenu() {
  static HeadlessSkinDropDownMenu headless;
  ISkinDropDownMenu* menu = InstalledMenu().load();
  return menu ? *menu : headless;
}

ScopedSkinDropDownMenu::ScopedSkinDropDownMenu(ISkinDropDownMenu& menu) noexcept
    : m_previous(InstalledMenu().exchange(&menu)) {}

ScopedSkinDropDownMenu::~ScopedSkinDropDownMenu() { InstalledMenu().store(m_previous); }

}  // namespace halbrin::skins
