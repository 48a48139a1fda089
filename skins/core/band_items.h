#pragma once

// The two items of a band (Item and ItemEx): a text (by default the
// window's caption), a progress bar or an edit field, with its own font
// adapter and its own row of buttons.
//
// Layout along the band, after the hosted window and tool buttons are cut
// out: Item takes its piece first, ItemEx works in what Item leaves. Inside
// an item the buttons sit on their Align side (siaLeft the start of the band:
// the left, or the bottom of a vertical band; siaRight the far end). With
// their default Align (siaLeft) the buttons take their room first and the
// text follows them after Indent; with siaRight the text takes its piece
// first and the buttons get the far end of what is left.

#include <memory>
#include <string>
#include <string_view>

#include "platform/classes/method.h"
#include "platform/classes/persistent.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/geometry.h"
#include "skins/core/adapters.h"
#include "skins/core/skin_types.h"

namespace halbrin::skins {

using platform::TRect;

class TZebrinSkinBand;
class TZebrinSkinCustomBands;
class TZebrinSkinBandItemButtons;
class ISkinBandHost;

// (Sender, canvas, item rectangle in the canvas, var Painted)
using TCustomPaintBandItemEvent = platform::TEvent<platform::TObject*, platform::ICanvas*, const TRect&, bool&>;

// The natural width of an item with an empty text.
inline constexpr int kEmptyBandItemWidth = 4;

class TZebrinSkinCustomBandItem : public platform::TPersistent {
  HALBRIN_CLASS(TZebrinSkinCustomBandItem, platform::TPersistent)

  // `host` and `defaults` are the band collection's (either may be null).
  explicit TZebrinSkinCustomBandItem(TZebrinSkinBand* band = nullptr, ISkinBandHost* host = nullptr,
                                     ISkinDefaults* defaults = nullptr, bool footer = false);
  ~TZebrinSkinCustomBandItem() override;

  TZebrinSkinBand* Band() const noexcept { return m_band; }
  // ItemEx answers true.
  virtual bool IsExtra() const { return false; }

  // ---- Published ----
  bool AutoStyle() const noexcept { return m_autoStyle; }
  void SetAutoStyle(bool value) { Store(m_autoStyle, value, true); }
  bool CaptureMouse() const noexcept { return m_captureMouse; }
  void SetCaptureMouse(bool value) noexcept { m_captureMouse = value; }
  bool ContentEditable() const noexcept { return m_contentEditable; }
  void SetContentEditable(bool value) noexcept { m_contentEditable = value; }
  // The sides that get a text shadow.
  TZebrinSkinEdgeBorders EdgeBorders() const noexcept { return m_edgeBorders; }
  void SetEdgeBorders(TZebrinSkinEdgeBorders value) { Store(m_edgeBorders, value, false); }
  TZebrinSkinBandItemFontAdapter* Font() const noexcept { return m_font.get(); }
  // Assigns into the adapter.
  void SetFont(const TZebrinSkinBandItemFontAdapter* value);
  const std::string& Hint() const noexcept { return m_hint; }
  void SetHint(const std::string& value) { m_hint = value; }
  TZebrinSkinBandItemButtons* Buttons() const noexcept { return m_buttons.get(); }
  // Assigns into the collection.
  void SetButtons(const TZebrinSkinBandItemButtons* value);
  int Indent() const noexcept { return m_indent; }
  void SetIndent(int value) { Store(m_indent, value, true); }
  TZebrinSkinItemLayout Layout() const noexcept { return m_layout; }
  void SetLayout(TZebrinSkinItemLayout value) { Store(m_layout, value, false); }
  TZebrinSkinBandItemStyle Style() const noexcept { return m_style; }
  void SetStyle(TZebrinSkinBandItemStyle value) { Store(m_style, value, true); }
  // The shown text: the window's caption (or part of it) for the first two
  // caption bands' Item while Caption.DefaultText is on, else the own text.
  std::string Text() const;
  // Compares with the own text (not the shown one); a change always lays
  // the band out again.
  void SetText(const std::string& value);
  const std::string& StoredText() const noexcept { return m_text; }
  // Progress in percent.
  int Value() const noexcept { return m_value; }
  void SetValue(int value) { Store(m_value, value, false); }
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool value) { Store(m_visible, value, true); }
  // -1 is the natural width; values below -1 become -1.
  int Width() const noexcept { return m_width; }
  void SetWidth(int value);

  // ---- Derived ----
  // With AutoStyle: a progress bar with Value 0 and a text shows the text,
  // a text or edit field without text and with a Value shows the progress.
  TZebrinSkinBandItemStyle ShownStyle() const;
  // Width when 0 or more, else NaturalWidth.
  virtual int GetWidth() const;
  // Text: the shown text's width in Font (4 when empty); progress: a third
  // of the band's extent; edit field: a quarter.
  virtual int NaturalWidth() const;
  // CaptureMouse, or the band does not capture the mouse.
  bool CapturesMouse() const;
  bool Horizontal() const;

  // In window coordinates; set by layout.
  const TRect& BoundsRect() const noexcept { return m_rect; }
  const TRect& Rect() const noexcept { return m_rect; }
  void SetRect(const TRect& value) noexcept { m_rect = value; }

  // Takes the item's place inside `bounds` and leaves the rest in `rect`.
  // A hidden item takes nothing and gets an empty rectangle.
  virtual void LayoutItem(const TRect& bounds, TRect& rect);
  // OnCustomPaint, else the buttons, then the text or progress through the
  // host's painter; `canvas` starts at the band area's top-left.
  virtual void Paint(platform::ICanvas& canvas);
  // The hint: the shown text when it does not fit, the value with "%" for a
  // progress bar, joined with Hint by CR LF. While designing a description.
  virtual std::string GetHintText() const;

  // From another band item, inside the update count, then one re-layout;
  // the buttons are not copied.
  void Assign(const platform::TPersistent& source) override;
  platform::TPersistent* GetOwner() const override;

  void BeginUpdate() noexcept { ++m_updateCount; }
  void EndUpdate();
  int UpdateCount() const noexcept { return m_updateCount; }

  TCustomPaintBandItemEvent& OnCustomPaint() noexcept { return m_onCustomPaint; }

  // Told of every change; recalc asks for a new layout, otherwise a repaint.
  TSkinOwnerNotify ownerChanged;

 protected:
  void Changed(bool recalc);
  ISkinBandHost* Host() const;
  TZebrinSkinCustomBands* Bands() const;

 private:
  template <class T>
  void Store(T& field, T value, bool recalc) {
    if (field == value) return;
    field = value;
    Changed(recalc);
  }
  // The band's extent along its direction; 0 without a rectangle.
  int BandExtent() const;
  int TextWidth(std::string_view text) const;
  TRect PaintOffset() const;

  TZebrinSkinBand* m_band;
  bool m_autoStyle = false;
  TRect m_rect;
  bool m_captureMouse = false;
  bool m_contentEditable = false;
  TZebrinSkinEdgeBorders m_edgeBorders = 0;
  std::unique_ptr<TZebrinSkinBandItemFontAdapter> m_font;
  std::string m_hint;
  std::unique_ptr<TZebrinSkinBandItemButtons> m_buttons;
  int m_indent = 4;
  TZebrinSkinItemLayout m_layout = silCenter;
  TZebrinSkinBandItemStyle m_style = sbsText;
  std::string m_text;
  int m_value = 0;
  bool m_visible = true;
  int m_width = -1;
  int m_updateCount = 0;
  bool m_pendingRecalc = false;
  bool m_pendingRepaint = false;
  TCustomPaintBandItemEvent m_onCustomPaint;
};

// The band's main item.
class TZebrinSkinBandItem : public TZebrinSkinCustomBandItem {
  HALBRIN_CLASS(TZebrinSkinBandItem, TZebrinSkinCustomBandItem)

  using TZebrinSkinCustomBandItem::TZebrinSkinCustomBandItem;
};

// The band's second item; it works in the room the main item leaves.
class TZebrinSkinBandItemEx : public TZebrinSkinCustomBandItem {
  HALBRIN_CLASS(TZebrinSkinBandItemEx, TZebrinSkinCustomBandItem)

  using TZebrinSkinCustomBandItem::TZebrinSkinCustomBandItem;
  bool IsExtra() const override { return true; }
};

// The text a caption band item shows for a window caption while
// Caption.DefaultText is on. " - [" splits an MDI parent's caption: band 0
// shows the part before it when there are two bands or more (else all of
// it), band 1 the part after it less a closing "]" (only when there is
// one). Without the split band 0 shows the caption and band 1 `ownText`.
std::string DefaultBandItemText(std::string_view caption, int bandIndex, int bandCount, std::string_view ownText);

}  // namespace halbrin::skins
