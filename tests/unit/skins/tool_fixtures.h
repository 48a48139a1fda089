#pragma once

// A skin stand-in for band items and tool buttons: the button test skin
// with real caption and footer bands, a window caption, fixed text metrics
// (7 pixels a character, 13 high), a chosen caption orientation and control
// alignment, and a recording theme.

#include <string>
#include <string_view>

#include "button_fixtures.h"
#include "skins/core/caption_bands.h"
#include "skins/core/skin_geometry.h"
#include "skins/core/tool_buttons.h"

namespace halbrin::skins::tool_test {

using button_test::FakeSkin;
using button_test::FillImages;

class ItemHost : public FakeSkin {
 public:
  explicit ItemHost(bool horizontal = true, int captionBands = 2)
      : FakeSkin(nullptr, horizontal), horizontalCaption(horizontal), caption(this, this), footer(this, this) {
    painter = &theme;
    for (int i = 0; i < captionBands; ++i) caption.Add();
    footer.Add();
  }

  // ISkinBandHost
  bool CaptionHorizontal() const override { return horizontalCaption; }
  std::string WindowText() const override { return windowText; }
  TSize TextExtent(std::string_view utf8, const platform::TFont&) override { return EstimateTextExtent(utf8); }
  ISkinButtonsOwner* ButtonsOwner() override { return this; }
  // ISkinButtonsOwner
  TZebrinSkinCustomBands* BandsAt(int index) override {
    return index == 0 ? static_cast<TZebrinSkinCustomBands*>(&caption)
                      : index == 1 ? static_cast<TZebrinSkinCustomBands*>(&footer) : nullptr;
  }
  platform::TAlign ControlAlign() const override { return align; }

  TZebrinSkinBand& CaptionBand(int index) { return *caption.Items(index); }

  bool horizontalCaption;
  std::string windowText;
  platform::TAlign align = platform::alNone;
  testing::TRecordingSkinPainter theme{"theme"};
  TZebrinSkinCaptionBands caption;
  TZebrinSkinFooterBands footer;
};

}  // namespace halbrin::skins::tool_test
