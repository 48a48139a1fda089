#pragma once

// Bands: the strips that make up a skin's caption and footer areas. A band
// holds two band items and may host the skin's window or tool buttons.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/framework/std_events_component.h"
#include "platform/classes/collection.h"
#include "platform/classes/method.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/geometry.h"
#include "skins/core/adapters.h"
#include "skins/core/band_items.h"
#include "skins/core/skin_geometry.h"
#include "skins/core/skin_painter.h"
#include "skins/core/skin_types.h"

namespace halbrin::skins {

using platform::TPoint;
using platform::TRect;
using platform::TSize;

// Helpers of the bands.
namespace band_local {

// a minus b, but only when what is left is still one rectangle: b must
// cover a whole side of a; otherwise a is given back unchanged. b covering
// all of a leaves an empty rectangle.
TRect SubtractRect(const TRect& a, const TRect& b) noexcept;

// An edge set turned a quarter for a vertical run: top to left, right to top,
// bottom to right, left to bottom.
TZebrinSkinEdgeBorders TurnEdges(TZebrinSkinEdgeBorders edges) noexcept;

}  // namespace band_local

// (Sender, canvas, fill record): replaces the background fill.
using TCustomPaintBandEvent = platform::TEvent<platform::TObject*, platform::ICanvas*, const TSkinFillParams&>;

class TZebrinSkinBand;
class TZebrinSkinCustomBands;
class ISkinButtonsOwner;

// A set of buttons a band can host (the window buttons or the tool buttons).
class ISkinBandButtons {
 public:
  virtual ~ISkinBandButtons() = default;
  virtual bool Visible() const = 0;
  // Takes the buttons' place inside `area` and answers the rectangle taken.
  virtual TRect Place(const TRect& area) = 0;
  // Where the buttons are, in the coordinates they paint in.
  virtual TRect Rect() const = 0;
  virtual void Paint(platform::ICanvas& canvas) = 0;
};

// What bands ask of the skin that owns them.
class ISkinBandHost {
 public:
  virtual ~ISkinBandHost() = default;
  // The window's origin in screen coordinates.
  virtual TPoint WindowOrigin() const = 0;
  virtual bool Designing() const { return false; }
  // For small captions: a form skin, its window a tool window, or asking for small captions.
  virtual bool IsFormSkin() const { return false; }
  virtual bool IsToolWindow() const { return false; }
  virtual bool WantsSmallCaption() const { return false; }
  // The button sets that sit in `band`; none by default.
  virtual ISkinBandButtons* WindowButtonsIn(const TZebrinSkinBand& band) {
    (void)band;
    return nullptr;
  }
  virtual ISkinBandButtons* ToolButtonsIn(const TZebrinSkinBand& band) {
    (void)band;
    return nullptr;
  }
  // The theme's painter, which themed parts draw with; without one bands
  // paint only their buttons.
  virtual ISkinPainter* Painter() { return nullptr; }
  // What parts that are not themed draw with.
  virtual ISkinPainter& DefaultPainter() { return DefaultSkinPainter(); }
  // The skin's state for colours and fill records.
  virtual bool Active() const { return true; }
  virtual bool SecondState() const { return false; }
  virtual bool CaptionFlashOn() const { return false; }
  // Dotted frames around areas and bands while designing.
  virtual bool DesignFrames() const { return false; }
  // Repaints the band area of `bands` now.
  virtual void RepaintBands(TZebrinSkinCustomBands& bands) { (void)bands; }
  // Recomputes and repaints the skin's frame.
  virtual void RefreshFrame() {}
  // The skin's caption runs along the top (else along the left).
  virtual bool CaptionHorizontal() const { return true; }
  // Where the caption bands were last laid out, in window coordinates; the
  // footer stacks in what the caption leaves.
  virtual TRect CaptionBandsRect() const { return TRect{}; }
  // The caption icon's rectangle for a caption area starting at
  // `captionTopLeft`; empty without an icon that shows.
  virtual TRect CaptionIconRect(TPoint captionTopLeft) const {
    (void)captionTopLeft;
    return TRect{};
  }
  // Paints the caption icon with the caption area's top-left at `origin`.
  virtual void PaintCaptionIcon(platform::ICanvas& canvas, TPoint origin) {
    (void)canvas;
    (void)origin;
  }
  // The window's caption, which band items show while Caption.DefaultText is on.
  virtual std::string WindowText() const { return {}; }
  // A text's size on one line in `font`; by default EstimateTextExtent.
  virtual TSize TextExtent(std::string_view utf8, const platform::TFont& font);
  // What the band items' buttons report to; null for none.
  virtual ISkinButtonsOwner* ButtonsOwner() { return nullptr; }
};


class TZebrinSkinBand : public platform::TCollectionItem {
  HALBRIN_CLASS(TZebrinSkinBand, platform::TCollectionItem)

  explicit TZebrinSkinBand(platform::TCollection& collection);
  ~TZebrinSkinBand() override;

  bool AutoEdgeBorders() const noexcept { return m_autoEdgeBorders; }
  void SetAutoEdgeBorders(bool value) { Store(m_autoEdgeBorders, value); }
  bool AutoSize() const noexcept { return m_autoSize; }
  void SetAutoSize(bool value) { Store(m_autoSize, value); }
  bool CaptureMouse() const noexcept { return m_captureMouse; }
  void SetCaptureMouse(bool value) { Store(m_captureMouse, value); }
  TZebrinSkinEdgeBorders EdgeBorders() const noexcept { return m_edgeBorders; }
  void SetEdgeBorders(TZebrinSkinEdgeBorders value) { Store(m_edgeBorders, value); }
  int Indent() const noexcept { return m_indent; }
  void SetIndent(int value) { Store(m_indent, value); }
  bool Themed() const noexcept { return m_themed; }
  void SetThemed(bool value) { Store(m_themed, value); }
  bool Transparent() const noexcept { return m_transparent; }
  void SetTransparent(bool value) { Store(m_transparent, value); }
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool value) { Store(m_visible, value); }

  TZebrinSkinBandItem* Item() const noexcept { return m_item.get(); }
  TZebrinSkinBandItemEx* ItemEx() const noexcept { return m_itemEx.get(); }
  TZebrinSkinBandAdapter* Metrics() const noexcept { return m_metrics.get(); }

  // In window coordinates; set by the area's layout.
  const TRect& BoundsRect() const noexcept { return m_rect; }
  void SetBoundsRect(const TRect& value) noexcept { m_rect = value; }

  TZebrinSkinCustomBands* Bands() const;

  // 0 Item, 1 ItemEx, nullptr otherwise.
  TZebrinSkinCustomBandItem* GetBandItem(int index) const;
  // The first of the two items whose rectangle holds `windowPoint`.
  TZebrinSkinCustomBandItem* BandItemAtPos(TPoint windowPoint) const;

  // The edges drawn: EdgeBorders turned a quarter in caption bands that
  // run vertically and set their edges automatically.
  TZebrinSkinEdgeBorders EffectiveEdgeBorders() const;
  bool UsesSmallCaption() const;

  // Background, edges, hosted buttons, then the visible items; `rect` is where the band paints.
  virtual void Paint(platform::ICanvas& canvas, const TRect& rect);
  // Places the hosted buttons and cuts them out of `rect` (which ends as the
  // items' space), then lays Item out in it and ItemEx in what Item leaves.
  virtual void Layout(TRect& rect);
  // Design time only: the name path, then the band's values, lines joined by CR LF.
  virtual std::string GetDumpText() const;
  // Fires OnMouseDown with this band as sender.
  virtual void MouseDown(TMouseButton button, TShiftState shift, TPoint pos);

  // Items' texts as "Item [ItemEx]"; the class name when both are empty.
  std::string DisplayName() const override;
  void Assign(const platform::TPersistent& source) override;

  TMouseEvent& OnMouseDown() noexcept { return m_onMouseDown; }
  TCustomPaintBandEvent& OnCustomPaint() noexcept { return m_onCustomPaint; }

 private:
  template <class T>
  void Store(T& field, T value) {
    if (field == value) return;
    field = value;
    Changed(true);
  }
  ISkinBandHost* Host() const;

  bool m_autoEdgeBorders = true;
  bool m_autoSize = true;
  TRect m_rect;
  bool m_captureMouse = true;
  TZebrinSkinEdgeBorders m_edgeBorders = 0;
  int m_indent = 0;
  std::unique_ptr<TZebrinSkinBandItem> m_item;
  std::unique_ptr<TZebrinSkinBandItemEx> m_itemEx;
  std::unique_ptr<TZebrinSkinBandAdapter> m_metrics;
  bool m_themed = true;
  bool m_transparent = true;
  bool m_visible = true;
  TMouseEvent m_onMouseDown;
  TCustomPaintBandEvent m_onCustomPaint;
};

// The base of the caption and footer band collections; the owner is the skin.
class TZebrinSkinCustomBands : public platform::TOwnedCollection {
  HALBRIN_CLASS(TZebrinSkinCustomBands, platform::TOwnedCollection)

  // `metricsKind` picks the defaults row of the area's own Metrics.
  TZebrinSkinCustomBands(platform::TPersistent* owner = nullptr, ISkinBandHost* host = nullptr,
                         ISkinDefaults* defaults = nullptr, TSkinOwnerKind metricsKind = TSkinOwnerKind::CaptionBand);
  ~TZebrinSkinCustomBands() override;

  ISkinBandHost* Host() const noexcept { return m_host; }
  ISkinDefaults* Defaults() const noexcept { return m_defaults; }

  bool CaptureMouse() const noexcept { return m_captureMouse; }
  void SetCaptureMouse(bool value) noexcept { m_captureMouse = value; }
  bool Themed() const noexcept { return m_themed; }
  void SetThemed(bool value);
  bool Transparent() const noexcept { return m_transparent; }
  void SetTransparent(bool value);
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool value);
  TZebrinSkinBandAdapter* Metrics() const noexcept { return m_metrics.get(); }

  // The area in window coordinates.
  const TRect& BoundsRect() const noexcept { return m_rect; }
  void SetBoundsRect(const TRect& value) noexcept { m_rect = value; }

  // A new band at the end, then OnAddBand with it.
  TZebrinSkinBand& Add();
  TZebrinSkinBand* Items(int index) const;

  // Visible, holding a band, and not inside an update.
  bool IsVisible() const;
  TZebrinSkinBand* FirstVisibleBand() const;
  // The first band whose rectangle holds `screenPoint` (made relative to the window).
  TZebrinSkinBand* BandAtPos(TPoint screenPoint) const;

  // A press on band `index`: ignored unless the band captures the mouse;
  // `modifiers` are the event's Ctrl/Shift/Alt bits, the button's bit is added.
  virtual void MouseDown(int index, TMouseButton button, TShiftState modifiers, TPoint pos);
  // The area's background, then each visible band with a rectangle, all
  // moved so the area starts at the canvas origin.
  virtual void Paint(platform::ICanvas& canvas, const TRect& rect);
  // Lays the area out inside `frame`; this base has no area: (-1, -1, -1, -1).
  virtual void Layout(const TRect& frame, TRect& rect);
  // Design time only: the name path, then the area's values, lines joined by CR LF.
  virtual std::string GetDumpText() const;
  // 0 caption, 1 footer.
  virtual int GetKind() const { return 0; }
  virtual bool IsHorizontalLayout() const { return true; }

  // From another band collection: Transparent, Visible and Metrics only.
  void Assign(const platform::TPersistent& source) override;

  platform::TNotifyEvent& OnAddBand() noexcept { return m_onAddBand; }
  TCustomPaintBandEvent& OnCustomPaint() noexcept { return m_onCustomPaint; }

  // A fill record for this area's state with the colour of `metrics`.
  TSkinFillParams FillParams(const TRect& rect, const TZebrinSkinCustomAdapter& metrics, bool transparent) const;

 protected:
  // A band changed: repaint the area now; the whole collection: refresh the frame.
  void Update(platform::TCollectionItem* item) override;

 private:
  ISkinBandHost* m_host;
  ISkinDefaults* m_defaults;
  bool m_captureMouse = true;
  std::unique_ptr<TZebrinSkinBandAdapter> m_metrics;
  bool m_themed = true;
  bool m_transparent = false;
  bool m_visible = true;
  platform::TNotifyEvent m_onAddBand;
  TCustomPaintBandEvent m_onCustomPaint;
  TRect m_rect;
};

}  // namespace halbrin::skins
