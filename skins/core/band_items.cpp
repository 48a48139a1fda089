#include "skins/core/band_items.h"

#include <algorithm>

#include "platform/classes/class_builder.h"
#include "skins/core/bands.h"
#include "skins/core/caption_bands.h"
#include "skins/core/default_painter.h"
#include "skins/core/skin_geometry.h"
#include "skins/core/skin_manager.h"
#include "skins/core/tool_buttons.h"

namespace halbrin::skins {

namespace {

constexpr std::string_view kMdiSplit = " - [";

const char* BoolText(bool value) { return value ? "True" : "False"; }

TRect Offset(const TRect& r, int dx, int dy) { return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

// `rect` less `area` along the band: the area is cut off the side it lies nearer to.
TRect CutAlong(const TRect& rect, const TRect& area, bool horizontal) {
  if (RectIsEmpty(area) || RectIsEmpty(rect)) return rect;
  TRect r = rect;
  if (horizontal) {
    if (area.Left - rect.Left <= rect.Right - area.Right)
      r.Left = std::min(std::max(r.Left, area.Right), r.Right);
    else
      r.Right = std::max(std::min(r.Right, area.Left), r.Left);
  } else {
    // The near side of a vertical band is its bottom.
    if (rect.Bottom - area.Bottom <= area.Top - rect.Top)
      r.Bottom = std::max(std::min(r.Bottom, area.Top), r.Top);
    else
      r.Top = std::min(std::max(r.Top, area.Bottom), r.Bottom);
  }
  return r;
}

}  // namespace

std::string DefaultBandItemText(std::string_view caption, int bandIndex, int bandCount, std::string_view ownText) {
  const std::size_t split = caption.find(kMdiSplit);
  if (split == std::string_view::npos) return std::string(bandIndex == 0 ? caption : ownText);
  if (bandIndex == 0) return std::string(bandCount >= 2 ? caption.substr(0, split) : caption);
  std::string_view child = caption.substr(split + kMdiSplit.size());
  if (!child.empty() && child.back() == ']') child.remove_suffix(1);
  return std::string(child);
}

// ---- TZebrinSkinCustomBandItem ----

TZebrinSkinCustomBandItem::TZebrinSkinCustomBandItem(TZebrinSkinBand* band, ISkinBandHost* host, ISkinDefaults* defaults,
                                                     bool footer)
    : m_band(band),
      m_font(std::make_unique<TZebrinSkinBandItemFontAdapter>(
          this, defaults, footer ? TSkinOwnerKind::FooterBandItem : TSkinOwnerKind::CaptionBandItem)),
      m_buttons(std::make_unique<TZebrinSkinBandItemButtons>(*this, host ? host->ButtonsOwner() : nullptr, defaults)) {
  m_font->ownerChanged = [this](bool) { Changed(true); };
}

TZebrinSkinCustomBandItem::~TZebrinSkinCustomBandItem() = default;

platform::TPersistent* TZebrinSkinCustomBandItem::GetOwner() const { return m_band; }

TZebrinSkinCustomBands* TZebrinSkinCustomBandItem::Bands() const { return m_band ? m_band->Bands() : nullptr; }

ISkinBandHost* TZebrinSkinCustomBandItem::Host() const {
  const TZebrinSkinCustomBands* bands = Bands();
  return bands ? bands->Host() : nullptr;
}

void TZebrinSkinCustomBandItem::Changed(bool recalc) {
  if (m_updateCount > 0) {
    (recalc ? m_pendingRecalc : m_pendingRepaint) = true;
    return;
  }
  platform::TWeakRef<TZebrinSkinCustomBandItem> self(this);
  if (ownerChanged) ownerChanged(recalc);
  // A hint showing for the item takes its new text.
  if (TZebrinSkinManager* manager = SkinManager(); manager && self) manager->Hint()->Refresh(this);
}

void TZebrinSkinCustomBandItem::EndUpdate() {
  if (m_updateCount == 0 || --m_updateCount > 0) return;
  const bool recalc = m_pendingRecalc, repaint = m_pendingRepaint;
  m_pendingRecalc = m_pendingRepaint = false;
  if (recalc || repaint) Changed(recalc);
}

void TZebrinSkinCustomBandItem::SetFont(const TZebrinSkinBandItemFontAdapter* value) {
  if (value) m_font->Assign(*value);
}

void TZebrinSkinCustomBandItem::SetButtons(const TZebrinSkinBandItemButtons* value) {
  if (value) m_buttons->Assign(*value);
}

void TZebrinSkinCustomBandItem::SetWidth(int value) { Store(m_width, std::max(value, -1), true); }

std::string TZebrinSkinCustomBandItem::Text() const {
  const auto* caption = dynamic_cast<const TZebrinSkinCaptionBands*>(Bands());
  if (!caption || !caption->DefaultText() || IsExtra() || !m_band) return m_text;
  const int index = m_band->Index();
  if (index != 0 && index != 1) return m_text;
  const ISkinBandHost* host = caption->Host();
  return DefaultBandItemText(host ? host->WindowText() : std::string(), index, caption->Count(), m_text);
}

void TZebrinSkinCustomBandItem::SetText(const std::string& value) {
  if (value == m_text) return;
  m_text = value;
  // Always laid out again: a longer text may need a wider piece.
  Changed(true);
}

TZebrinSkinBandItemStyle TZebrinSkinCustomBandItem::ShownStyle() const {
  if (!m_autoStyle) return m_style;
  const bool noText = Text().empty();
  if (m_style == sbsProgress && m_value == 0 && !noText) return sbsText;
  if ((m_style == sbsText || m_style == sbsEdit) && noText && m_value != 0) return sbsProgress;
  return m_style;
}

bool TZebrinSkinCustomBandItem::Horizontal() const {
  const TZebrinSkinCustomBands* bands = Bands();
  return !bands || bands->IsHorizontalLayout();
}

int TZebrinSkinCustomBandItem::BandExtent() const {
  if (!m_band || RectIsEmpty(m_band->BoundsRect())) return 0;
  return RectExtent(m_band->BoundsRect(), Horizontal());
}

int TZebrinSkinCustomBandItem::TextWidth(std::string_view text) const {
  ISkinBandHost* host = Host();
  const platform::TFont& font = m_font->Font();
  return host ? host->TextExtent(text, font).cx : EstimateTextExtent(text).cx;
}

int TZebrinSkinCustomBandItem::NaturalWidth() const {
  switch (ShownStyle()) {
    case sbsProgress: return BandExtent() / 3;
    case sbsEdit: return BandExtent() / 4;
    case sbsText: break;
  }
  const std::string text = Text();
  return text.empty() ? kEmptyBandItemWidth : TextWidth(text);
}

int TZebrinSkinCustomBandItem::GetWidth() const { return m_width >= 0 ? m_width : NaturalWidth(); }

bool TZebrinSkinCustomBandItem::CapturesMouse() const { return m_captureMouse || (m_band && !m_band->CaptureMouse()); }

void TZebrinSkinCustomBandItem::LayoutItem(const TRect& bounds, TRect& rect) {
  rect = bounds;
  m_buttons->ResetBounds();
  m_rect = TRect{};
  if (!m_visible || RectIsEmpty(bounds)) return;
  const bool horizontal = Horizontal();
  const bool buttonsFirst = m_buttons->Align() == siaLeft;
  const auto placeButtons = [&] {
    if (!m_buttons->Visible() || m_buttons->Count() == 0 || RectIsEmpty(rect)) return;
    rect = CutAlong(rect, m_buttons->LayoutButtons(rect), horizontal);
  };
  if (buttonsFirst) placeButtons();
  const TRect afterIndent = CutBandSide(rect, horizontal, m_indent, 0);
  m_rect = BandSidePiece(afterIndent, horizontal, GetWidth(), 0);
  rect = CutBandSide(afterIndent, horizontal, RectExtent(m_rect, horizontal), 0);
  if (RectIsEmpty(m_rect)) m_rect = TRect{};
  if (!buttonsFirst) placeButtons();
}

TRect TZebrinSkinCustomBandItem::PaintOffset() const {
  const TZebrinSkinCustomBands* bands = Bands();
  if (!bands) return m_rect;
  return Offset(m_rect, -bands->BoundsRect().Left, -bands->BoundsRect().Top);
}

void TZebrinSkinCustomBandItem::Paint(platform::ICanvas& canvas) {
  const TRect r = PaintOffset();
  if (m_onCustomPaint.Assigned()) {
    bool painted = false;
    m_onCustomPaint(this, &canvas, r, painted);
    if (painted) return;
  }
  if (m_buttons->Visible() && !RectIsEmpty(m_buttons->BoundsRect())) m_buttons->Paint(canvas);
  if (RectIsEmpty(m_rect)) return;
  ISkinBandHost* host = Host();
  ISkinPainter* theme = host ? host->Painter() : nullptr;
  ISkinPainter& painter = theme ? *theme : DefaultSkinPainter();
  const TZebrinSkinCustomBands* bands = Bands();
  TSkinColorState state;
  state.active = !host || host->Active();
  const TSkinBandKind kind = bands && bands->GetKind() == 1 ? TSkinBandKind::Footer : TSkinBandKind::Caption;
  const bool flash = host && host->CaptionFlashOn();
  const TColor areaColor = bands ? TZebrinSkinColor::Band(*bands->Metrics(), state, kind, flash) : platform::clNone;
  const TColor bandColor = m_band ? TZebrinSkinColor::Band(*m_band->Metrics(), state, kind, flash) : platform::clNone;
  const bool horizontal = Horizontal();
  if (ShownStyle() == sbsProgress) {
    TSkinProgressParams rec;
    rec.Rect = r;
    rec.Percent = m_value;
    rec.Horizontal = horizontal ? 1 : 0;
    rec.Color = areaColor;
    rec.BackColor = bandColor;
    painter.DrawBandItemProgress(canvas, rec);
  } else {
    const std::string text = Text();
    const platform::TFont& font = m_font->Font();
    TSkinTextParams rec;
    rec.Text = text.c_str();
    rec.Rect = r;
    rec.Layout = m_layout;
    rec.Font = &font;
    // Painters draw the text in Color: the font's, with the band's colour beside it.
    rec.Color = state.active || m_font->InactiveColor() == platform::clDefault ? font.Color() : m_font->InactiveColor();
    rec.Color2 = bandColor == platform::clNone ? areaColor : bandColor;
    rec.Horizontal = horizontal ? 1 : 0;
    rec.ShadowEdges = m_edgeBorders;
    rec.ShadowColor = m_font->EdgeColor();
    rec.ShadowDepth = m_font->EdgeWidth();
    rec.GlyphLayout = 1;
    painter.DrawBandItemText(canvas, rec);
  }
  if (host && host->Designing()) TSkinDefaultPainter::DrawDottedFrame(canvas, r, platform::clDefault);
}

std::string TZebrinSkinCustomBandItem::GetHintText() const {
  const std::string text = Text();
  const bool fits = Horizontal() && NaturalWidth() <= RectExtent(m_rect, true);
  const ISkinBandHost* host = Host();
  const TZebrinSkinBandItemStyle shown = ShownStyle();
  if (host && host->Designing()) {
    std::string dump = GetNamePath() + "\r\n";
    dump += "Bounds=" + RectToText(m_rect) + "\r\n";
    dump += std::string("Font.Default=") + BoolText(m_font->Default()) + "\r\n";
    dump += std::string("CaptureMouse=") + BoolText(m_captureMouse) + "\r\n";
    if (shown == sbsProgress)
      dump += "Value=" + std::to_string(m_value) + "%\r\n";
    else if (!fits)
      dump += "Text=" + text + "\r\n";
    if (!m_hint.empty()) dump += "Hint=" + m_hint + "\r\n";
    return dump;
  }
  std::string shownText;
  if (shown == sbsText && !fits) shownText = text;
  if (shown == sbsProgress) shownText = std::to_string(m_value) + "%";
  if (m_hint.empty()) return shownText;
  return shownText.empty() ? m_hint : shownText + "\r\n" + m_hint;
}

void TZebrinSkinCustomBandItem::Assign(const platform::TPersistent& source) {
  const auto* item = dynamic_cast<const TZebrinSkinCustomBandItem*>(&source);
  if (!item) {
    Inherited::Assign(source);
    return;
  }
  BeginUpdate();
  m_autoStyle = item->m_autoStyle;
  m_captureMouse = item->m_captureMouse;
  m_contentEditable = item->m_contentEditable;
  m_edgeBorders = item->m_edgeBorders;
  m_hint = item->m_hint;
  m_indent = item->m_indent;
  m_layout = item->m_layout;
  m_style = item->m_style;
  m_text = item->m_text;
  m_value = item->m_value;
  m_visible = item->m_visible;
  m_width = item->m_width;
  m_font->Assign(*item->m_font);
  m_pendingRecalc = true;
  EndUpdate();
}

using I = TZebrinSkinCustomBandItem;
HALBRIN_DEFINE_CLASS(TZebrinSkinCustomBandItem,
                     .Property("AutoStyle", &I::AutoStyle, &I::SetAutoStyle)
                     .Default(false)
                     .Property("Buttons", &I::Buttons)
                     .Property("CaptureMouse", &I::CaptureMouse, &I::SetCaptureMouse)
                     .Default(false)
                     .Property("ContentEditable", &I::ContentEditable, &I::SetContentEditable)
                     .Default(false)
                     .Set("EdgeBorders", &I::EdgeBorders, &I::SetEdgeBorders, SkinEdgeBorderInfo(),
                          "TZebrinSkinEdgeBorders")
                     .Property("Font", &I::Font)
                     .Property("Hint", &I::Hint, &I::SetHint)
                     .Property("Indent", &I::Indent, &I::SetIndent)
                     .Default(4)
                     .Enum("Layout", &I::Layout, &I::SetLayout, SkinItemLayoutInfo())
                     .Default(static_cast<int>(silCenter))
                     .Enum("Style", &I::Style, &I::SetStyle, SkinBandItemStyleInfo())
                     .Default(static_cast<int>(sbsText))
                     .Property("Text", &I::Text, &I::SetText)
                     .TypeName("TCaption")
                     .Property("Value", &I::Value, &I::SetValue)
                     .Default(0)
                     .Property("Visible", &I::Visible, &I::SetVisible)
                     .Default(true)
                     .Property("Width", &I::Width, &I::SetWidth)
                     .Default(-1)
                     .Event("OnCustomPaint", &I::m_onCustomPaint, "TCustomPaintBandItemEvent"))
HALBRIN_DEFINE_CLASS(TZebrinSkinBandItem, )
HALBRIN_DEFINE_CLASS(TZebrinSkinBandItemEx, )

}  // namespace halbrin::skins
