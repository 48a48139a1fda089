#include "skins/core/caption_bands.h"

#include <algorithm>

#include "platform/classes/class_builder.h"

namespace halbrin::skins {

// ---- TZebrinSkinCaptionBands ----

TZebrinSkinCaptionBands::TZebrinSkinCaptionBands(platform::TPersistent* owner, ISkinBandHost* host,
                                                 ISkinDefaults* defaults)
    : TZebrinSkinCustomBands(owner, host, defaults, TSkinOwnerKind::CaptionBand) {
  SetPropName("Caption");
}

void TZebrinSkinCaptionBands::SetAlign(TZebrinSkinCaptionAlign value) {
  if (m_align == value) return;
  m_align = value;
  Changed();
}

void TZebrinSkinCaptionBands::SetDefaultText(bool value) {
  if (m_defaultText == value) return;
  m_defaultText = value;
  Changed();
}

bool TZebrinSkinCaptionBands::IsHorizontalLayout() const { return !Host() || Host()->CaptionHorizontal(); }

void TZebrinSkinCaptionBands::Layout(const TRect& frame, TRect& rect) {
  Inherited::Layout(frame, rect);
  const bool horizontal = IsHorizontalLayout();
  TRect area = horizontal ? TRect{frame.Left, frame.Top, frame.Right, frame.Top}
                          : TRect{frame.Left, frame.Top, frame.Left, frame.Bottom};
  int offset = 0;
  bool first = true;
  for (int i = 0; i < Count(); ++i) {
    TZebrinSkinBand* band = Items(i);
    if (!Visible() || !band->Visible()) {
      band->SetBoundsRect(TRect{});
      continue;
    }
    offset += band->Indent();
    const int size = band->Metrics()->Size();
    TRect r;
    if (horizontal) {
      r = {frame.Left, frame.Top + offset, frame.Right, frame.Top + offset + size};
      area.Bottom = r.Bottom;
    } else {
      r = {frame.Left + offset, frame.Top, frame.Left + offset + size, frame.Bottom};
      area.Right = r.Right;
    }
    band->SetBoundsRect(r);
    if (first && Host()) {
      // The items start past the icon.
      const TRect icon = Host()->CaptionIconRect({frame.Left, frame.Top});
      if (!icon.IsEmpty()) {
        if (horizontal)
          r.Left = std::min(r.Right, std::max(r.Left, icon.Right));
        else
          r.Top = std::min(r.Bottom, std::max(r.Top, icon.Bottom));
      }
    }
    first = false;
    band->Layout(r);
    offset += size;
  }
  SetBoundsRect(area);
  rect = area;
}

void TZebrinSkinCaptionBands::Paint(platform::ICanvas& canvas, const TRect& rect) {
  Inherited::Paint(canvas, rect);
  if (Host() && Visible()) Host()->PaintCaptionIcon(canvas, TPoint{0, 0});
}

std::string TZebrinSkinCaptionBands::GetDumpText() const {
  std::string text = Inherited::GetDumpText();
  if (text.empty()) return text;
  return text + "\r\nDefaultText=" + (m_defaultText ? "True" : "False");
}

void TZebrinSkinCaptionBands::Assign(const platform::TPersistent& source) {
  TUpdateScope update(*this);
  Inherited::Assign(source);
  if (const auto* caption = dynamic_cast<const TZebrinSkinCaptionBands*>(&source)) {
    m_align = caption->m_align;
    SetCaptureMouse(caption->CaptureMouse());
    m_defaultText = caption->m_defaultText;
  }
}

// ---- TZebrinSkinFooterBands ----

TZebrinSkinFooterBands::TZebrinSkinFooterBands(platform::TPersistent* owner, ISkinBandHost* host,
                                               ISkinDefaults* defaults)
    : TZebrinSkinCustomBands(owner, host, defaults, TSkinOwnerKind::FooterBand) {
  SetPropName("Footer");
}

void TZebrinSkinFooterBands::Layout(const TRect& frame, TRect& rect) {
  Inherited::Layout(frame, rect);
  m_overflow = false;
  const TRect space = band_local::SubtractRect(frame, Host() ? Host()->CaptionBandsRect() : TRect{});
  TRect area{space.Left, space.Bottom, space.Right, space.Bottom};
  bool ended = !Visible();
  int used = 0;
  for (int i = 0; i < Count(); ++i) {
    TZebrinSkinBand* band = Items(i);
    // A hidden band ends the stack; bands not reached get no room.
    if (!band->Visible()) ended = true;
    if (ended) {
      band->SetBoundsRect(TRect{});
      continue;
    }
    used += band->Indent();
    const int size = band->Metrics()->Size();
    TRect r;
    // A band whose top reaches exactly the top of the space still fits.
    if (space.Bottom - used - size >= space.Top) {
      r = {space.Left, space.Bottom - used - size, space.Right, space.Bottom - used};
    } else {
      // Squeezed into what is left; nothing comes after it.
      m_overflow = true;
      ended = true;
      r = {space.Left, space.Top, space.Right, std::max(space.Top, space.Bottom - used)};
    }
    band->SetBoundsRect(r);
    area.Top = r.Top;
    used += size;
    if (r.IsEmpty()) {
      ended = true;
      continue;
    }
    band->Layout(r);
  }
  SetBoundsRect(area);
  rect = area;
}

using CB = TZebrinSkinCaptionBands;
HALBRIN_DEFINE_CLASS(TZebrinSkinCaptionBands, .Enum("Align", &CB::Align, &CB::SetAlign, SkinCaptionAlignInfo())
                                                  .Default(static_cast<int>(scaTop))
                                                  .Property("CaptureMouse", &CB::CaptureMouse, &CB::SetCaptureMouse)
                                                  .Default(true)
                                                  .Property("DefaultText", &CB::DefaultText, &CB::SetDefaultText)
                                                  .Default(false))

HALBRIN_DEFINE_CLASS(TZebrinSkinFooterBands, )

}  // namespace halbrin::skins
