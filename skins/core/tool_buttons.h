#pragma once

// The skin's tool buttons. Only the collection and its place so far; the
// tool-button items and their published values come later.

#include "skins/core/skin_buttons.h"

namespace halbrin::skins {

class TZebrinSkinToolButtons : public TZebrinSkinCustomButtons {
  HALBRIN_CLASS(TZebrinSkinToolButtons, TZebrinSkinCustomButtons)

  TZebrinSkinToolButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin, ISkinDefaults* defaults = nullptr);

  // Item BandIndex of the caption (BandsIndex 0) or footer (1) bands holds them.
  int BandIndex() const noexcept { return m_bandIndex; }
  void SetBandIndex(int value) { Store(m_bandIndex, value); }
  int BandsIndex() const noexcept { return m_bandsIndex; }
  void SetBandsIndex(int value) { Store(m_bandsIndex, value); }

 private:
  int m_bandIndex = 0;
  int m_bandsIndex = 0;
};

}  // namespace halbrin::skins
