#pragma once

// The skin's two band areas: the caption, stacked from the top (or from the
// left when the caption runs vertically), and the footer, stacked from the
// bottom of what the caption leaves.

#include <string>

#include "skins/core/bands.h"

namespace halbrin::skins {

class TZebrinSkinCaptionBands : public TZebrinSkinCustomBands {
  HALBRIN_CLASS(TZebrinSkinCaptionBands, TZebrinSkinCustomBands)

  explicit TZebrinSkinCaptionBands(platform::TPersistent* owner = nullptr, ISkinBandHost* host = nullptr,
                                   ISkinDefaults* defaults = nullptr);

  // How the skin chooses the caption's orientation.
  TZebrinSkinCaptionAlign Align() const noexcept { return m_align; }
  void SetAlign(TZebrinSkinCaptionAlign value);
  // The first two bands' main items show the window's caption.
  bool DefaultText() const noexcept { return m_defaultText; }
  void SetDefaultText(bool value);

  // Runs as the skin's caption does; horizontal without a skin.
  bool IsHorizontalLayout() const override;
  // Each visible band, after its Indent, takes its Metrics.Size from the
  // top (or left) of `frame`; hidden bands get an empty rectangle. The area
  // ends with the last visible band and is empty without one. The first
  // visible band lays its items out after the host's caption icon.
  void Layout(const TRect& frame, TRect& rect) override;
  // The bands, then the host's caption icon.
  void Paint(platform::ICanvas& canvas, const TRect& rect) override;
  // The base text, then "DefaultText=".
  std::string GetDumpText() const override;
  // The base's values, then Align, CaptureMouse and DefaultText from caption bands.
  void Assign(const platform::TPersistent& source) override;

 private:
  TZebrinSkinCaptionAlign m_align = scaTop;
  bool m_defaultText = false;
};

class TZebrinSkinFooterBands : public TZebrinSkinCustomBands {
  HALBRIN_CLASS(TZebrinSkinFooterBands, TZebrinSkinCustomBands)

  explicit TZebrinSkinFooterBands(platform::TPersistent* owner = nullptr, ISkinBandHost* host = nullptr,
                                  ISkinDefaults* defaults = nullptr);

  int GetKind() const override { return 1; }
  // Bands stack upwards from the bottom of `frame` less the caption area. A
  // band that does not fit gets what is left and is the last one laid out;
  // hidden bands and those after it get an empty rectangle.
  void Layout(const TRect& frame, TRect& rect) override;
  // The last layout ran out of room.
  bool Overflow() const noexcept { return m_overflow; }

 private:
  bool m_overflow = false;
};

}  // namespace halbrin::skins
