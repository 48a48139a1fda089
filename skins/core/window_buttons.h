#pragma once

// Window buttons: the caption's close, maximise, restore, minimise, help,
// next, previous, combo and check buttons, and the collection the skin
// publishes as Buttons.

#include <memory>
#include <optional>
#include <string>

#include "skins/core/skin_buttons.h"

namespace halbrin::skins {

class TZebrinSkinWindowButtons;

class TZebrinSkinWindowButton : public TZebrinSkinCustomButton {
  HALBRIN_CLASS(TZebrinSkinWindowButton, TZebrinSkinCustomButton)

  // Indent 0, Masked; the style follows the count, so the first nine buttons
  // added get the nine styles in order and later ones btsCheck.
  explicit TZebrinSkinWindowButton(platform::TCollection& collection);

  TZebrinSkinWindowButtons* WindowButtons() const;

  TZebrinSkinButtonStyle Style() const noexcept { return m_style; }
  void SetStyle(TZebrinSkinButtonStyle value) { Store(m_style, value, false); }

  // The stored index when 0 or more, else the style's glyph.
  int GetImageIndex() const override;
  // Outside design mode a hint "short|long" shows as two lines.
  std::string GetHintText() const override;

 protected:
  void CopyTo(TZebrinSkinCustomButton& dest, bool withValue) const override;

 private:
  TZebrinSkinButtonStyle m_style = btsClose;
};

// The command a style asks for; none for btsCombo, which opens a menu.
std::optional<TWindowCommand> WindowCommandOf(TZebrinSkinButtonStyle style) noexcept;

// The band they sit in is item BandIndex of the skin's caption (BandsIndex 0)
// or footer (1) bands. Without an ImageList the glyphs are the manager's.
class TZebrinSkinWindowButtons : public TZebrinSkinCustomButtons {
  HALBRIN_CLASS(TZebrinSkinWindowButtons, TZebrinSkinCustomButtons)

  TZebrinSkinWindowButtons(platform::TPersistent* owner, ISkinButtonsOwner* skin, ISkinDefaults* defaults = nullptr);
  ~TZebrinSkinWindowButtons() override;

  TZebrinSkinWindowButton& Add();
  TZebrinSkinWindowButton* Items(int index) const;
  TZebrinSkinWindowButton* ButtonAt(int index) const;
  // A button of `style` with `hint`, at the end.
  TZebrinSkinWindowButton& AddButton(TZebrinSkinButtonStyle style, const std::string& hint = {});

  // The background of the buttons (fill and edges); the buttons' own Metrics colour the glyphs.
  TZebrinSkinButtonAdapter* Brush() const noexcept { return m_brush.get(); }
  int BandIndex() const noexcept { return m_bandIndex; }
  void SetBandIndex(int value) { Store(m_bandIndex, value); }
  // 0 caption bands, 1 footer bands.
  int BandsIndex() const noexcept { return m_bandsIndex; }
  void SetBandsIndex(int value) { Store(m_bandsIndex, value); }

  TZebrinSkinBand* Band() const override;
  bool UsesSmallCaption() const;
  platform::TCustomImageList* Images() const override;
  // The image extent both ways; a button is at least that plus its Margin on both sides.
  int ButtonMinSizeRead() const override;
  int ButtonMaxSizeRead() const override;
  int ButtonSize(int index) const override;

  // After the button's own click (enabled and capturing): the skin's
  // OnButtonClick when assigned, and nothing else; the combo menu for
  // btsCombo; with AutoButtons the style's window command, otherwise the
  // skin's own operation (none for next, previous and check).
  void Click(int index) override;

  // Shows, hides, enables the buttons for the window's state, by style;
  // buttons that manage themselves are left alone. All in one update.
  void UpdateButtons(const TSkinWindowButtonState& state);
  void UpdateButtonStates(int index, const TSkinWindowButtonState& state);

 protected:
  const TZebrinSkinCustomAdapter& FillMetrics(const TZebrinSkinCustomButton& button) const override;
  // The glyph at the rectangle's corner, moved by Margin along the band.
  void PaintGlyph(platform::ICanvas& canvas, const TZebrinSkinCustomButton& button, const TRect& rect) override;
  std::string ImageListText() const override;
  TSkinOwnerKind ButtonKind() const override { return TSkinOwnerKind::CaptionButton; }

 private:
  std::unique_ptr<TZebrinSkinButtonAdapter> m_brush;
  int m_bandIndex = 0;
  int m_bandsIndex = 0;
};

}  // namespace halbrin::skins
