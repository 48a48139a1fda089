#include "components/menus/menu_owner_draw.h"

#include <algorithm>
#include <memory>
#include <string>

#include "components/menus/menu_item_ex.h"
#include "core/foundation/shortcuts.h"
#include "platform/graphics/popup_menu.h"
#include "platform/services/desktop_service.h"
#include "skins/core/default_painter.h"
#include "skins/core/glyph_images.h"
#include "skins/core/skin_manager.h"

namespace halbrin {

using namespace halbrin::platform;
using skins::ISkinPainter;
using skins::TSkinDefaultPainter;
using skins::TSkinTextParams;
using skins::TSkinToolButtonParams;

namespace {

constexpr TColor clMenu = SystemColor(4);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clWindow = SystemColor(5);

// The caption as it shows: "&&" is "&", a single "&" marks the next character.
std::string ShownCaption(const std::string& caption) {
  std::string shown;
  shown.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&') {
      if (i + 1 < caption.size() && caption[i + 1] == '&') {
        shown += '&';
        ++i;
      }
      continue;
    }
    shown += caption[i];
  }
  return shown;
}

const TCustomImageList* MenuImages(const TMenuItemEx& item) {
  const TPopupMenu* menu = item.Menu();
  return menu ? menu->Images() : nullptr;
}

bool HasImage(const TMenuItemEx& item, const TCustomImageList* images) { return images && item.ImageIndex() >= 0; }

// Precedence: disabled, selected, checked, plain.
TColor TextColor(const TMenuItemEx& item, bool selected, TColor fontColor) {
  const skins::TZebrinSkinManager* manager = skins::SkinManager();
  const auto* adapter = manager ? manager->ToolButtonFont() : nullptr;
  if (!item.Enabled()) return adapter ? adapter->DisabledColor() : clGrayText;
  if (selected) return adapter ? adapter->HotColor() : clHighlightText;
  if (item.Checked()) return adapter ? adapter->DownColor() : fontColor;
  return fontColor;
}

TColor MarkColor(const TMenuItemEx& item, bool selected) {
  const skins::TZebrinSkinManager* manager = skins::SkinManager();
  const auto* adapter = manager ? manager->ToolButton() : nullptr;
  if (!item.Enabled()) return clMenu;
  if (selected) return adapter ? adapter->HotColor() : clHighlight;
  if (item.Checked()) return adapter ? adapter->DownColor() : clBtnFace;
  return clMenu;
}

void DrawText(ISkinPainter& painter, ICanvas& canvas, const std::string& text, const TRect& rect,
              std::uint8_t align, const TMenuItemEx& item, const TFont& font, TColor color, TColor background) {
  if (text.empty() || rect.IsEmpty()) return;
  TSkinTextParams rec;
  rec.Text = text.c_str();
  rec.Rect = rect;
  rec.Align = align;
  rec.Layout = static_cast<std::uint8_t>(item.TextLayout());
  rec.Font = &font;
  rec.Color = color;
  rec.Color2 = background;
  rec.CallerFlag = 1;
  rec.GlyphLayout = 1;
  painter.DrawToolButtonText(canvas, rec);
}

void DrawSeparator(const TMenuItemEx& item, ICanvas& canvas, const TRect& rect) {
  canvas.FillRect(rect, clMenu);
  const TRect line{rect.Left, rect.Top + 1, rect.Right, rect.Bottom - 1};
  const TColor color = item.Color() != clDefault ? item.Color() : clBtnShadow;
  const int split = std::min(line.Left + TDefaultMenuOwnerDraw::kSeparatorGradient, line.Right);
  canvas.Gradient({line.Left, line.Top, split, line.Bottom}, clMenu, color, false);
  canvas.FillRect({split, line.Top, line.Right, line.Bottom}, color);
}

void DrawGroup(const TMenuItemEx& item, ICanvas& canvas, const TRect& rect, ISkinPainter& painter, const TFont& font) {
  const TColor background = item.Color() != clDefault ? item.Color() : clGrayText;
  const TColor text = item.OwnFont() ? item.OwnFont()->Color() : clMenu;
  canvas.FillRect(rect, background);
  TRect c{rect.Left + 2, rect.Top, rect.Right - 2, rect.Bottom};
  const TCustomImageList* images = MenuImages(item);
  if (HasImage(item, images)) {
    TSkinToolButtonParams rec;
    rec.Rect = {rect.Left, rect.Top + 1, rect.Left + TDefaultMenuOwnerDraw::kCheckRoom + images->Width() + 4,
                rect.Bottom - 1};
    rec.State = item.Enabled() ? 0 : skins::kButtonDisabled;
    rec.Images = images;
    rec.ImageIndex = item.ImageIndex();
    rec.Color = background;
    rec.GlyphColor = text;
    rec.Style = skins::tbsButton;
    rec.GlyphLayout = 1;
    rec.Roundness = skins::sirNone;
    painter.DrawToolButton(canvas, rec);
    c.Left = rec.Rect.Right + 2;
  }
  const auto align = item.TextAlign() == mtaRight ? skins::siaRight : skins::siaLeft;
  DrawText(painter, canvas, item.Caption(), c, align, item, font, text, background);
}

}  // namespace

const TFont& TDefaultMenuOwnerDraw::MenuFont() {
  if (const skins::TZebrinSkinManager* manager = skins::SkinManager())
    return manager->ElementFont(TDesktopFont::Menu);
  // Without a manager: the desktop's menu font as it was first asked.
  static const std::unique_ptr<TFont> desktop = [] {
    auto font = std::make_unique<TFont>();
    font->SetSpec(CurrentDesktopService().ElementFont(TDesktopFont::Menu));
    font->SetColor(clMenuText);
    return font;
  }();
  return *desktop;
}

void TDefaultMenuOwnerDraw::ItemFont(const TMenuItemEx& item, TFont& font) {
  font.Assign(item.OwnFont() ? *item.OwnFont() : MenuFont());
  if (item.Default()) font.SetStyle(font.Style() | fsBold);
}

void TDefaultMenuOwnerDraw::Measure(const TMenuItemEx& item, ICanvas& canvas, int& width, int& height) {
  if (item.IsLine()) {
    height = item.Height() >= 0 ? item.Height() : 3;
    width = item.Width() >= 0 ? item.Width() : 0;
    return;
  }
  TFont font;
  ItemFont(item, font);
  const TCustomImageList* images = MenuImages(item);
  const bool hasImage = HasImage(item, images);
  if (item.Height() >= 0) {
    height = item.Height();
  } else {
    const int imageHeight = hasImage ? images->Height() : 16;
    const int room = item.Style() == misGroup ? 2 : 4;
    height = std::max(room + imageHeight, canvas.TextExtent("Sjk69", font).cy + 4);
  }
  if (item.Width() >= 0) {
    width = item.Width();
    return;
  }
  const int caption = canvas.TextExtent(ShownCaption(item.Caption()), font).cx;
  if (item.Style() == misGroup) {
    width = caption - 4 + (hasImage ? images->Width() + 4 : 0);
  } else {
    width = (images ? images->Width() + 4 : 0) + caption - 4;
    if (item.ShortCut() != 0) width += canvas.TextExtent(ShortCutToText(item.ShortCut()), font).cx + 20;
    if (item.TMenuItem::Count() > 0) width += kSubMenuRoom;
  }
  width = std::max(width, 0);
}

void TDefaultMenuOwnerDraw::Draw(const TMenuItemEx& item, ICanvas& canvas, TRect rect, bool selected) {
  skins::TZebrinSkinManager* manager = skins::SkinManager();
  ISkinPainter& themed = manager && manager->Theme() ? static_cast<ISkinPainter&>(*manager->Theme())
                                                     : skins::DefaultSkinPainter();
  Draw(item, canvas, rect, selected, themed, skins::DefaultSkinPainter());
}

void TDefaultMenuOwnerDraw::Draw(const TMenuItemEx& item, ICanvas& canvas, TRect rect, bool selected,
                                 ISkinPainter& themed, ISkinPainter& plain) {
  if (rect.IsEmpty()) return;
  if (item.IsLine()) {
    DrawSeparator(item, canvas, rect);
    return;
  }
  ISkinPainter& painter = item.Enabled() ? themed : plain;
  TFont font;
  ItemFont(item, font);
  if (item.Style() == misGroup) {
    DrawGroup(item, canvas, rect, painter, font);
    return;
  }

  const TColor background = item.Color() != clDefault ? item.Color() : clMenu;
  canvas.FillRect(rect, background);
  const TCustomImageList* images = MenuImages(item);
  const int column = kCheckRoom + (images ? images->Width() + 4 : 0);
  const TColor text = TextColor(item, selected, font.Color());

  TSkinToolButtonParams mark;
  mark.Rect = {rect.Left, rect.Top + 1, rect.Left + column, rect.Bottom - 1};
  mark.State = static_cast<std::uint8_t>(skins::kButtonOpaque | (selected ? skins::kButtonHot : 0) |
                                         (item.Checked() ? skins::kButtonDown : 0) |
                                         (item.Enabled() ? 0 : skins::kButtonDisabled));
  mark.Color = MarkColor(item, selected);
  if (HasImage(item, images)) {
    mark.Images = images;
    mark.ImageIndex = item.ImageIndex();
  }
  mark.GlyphColor = text;
  mark.Style = skins::tbsButton;
  mark.GlyphLayout = 1;
  mark.Roundness = skins::sirNone;
  painter.DrawToolButton(canvas, mark);

  if (item.ShowCheckBox()) {
    skins::TSkinGlyphParams glyph;
    const int middle = (rect.Top + rect.Bottom) / 2;
    glyph.Rect = {rect.Left, middle - 8, rect.Left + kCheckRoom, middle + 8};
    glyph.State = static_cast<std::uint8_t>((selected ? skins::kButtonHot : 0) |
                                            (item.Enabled() ? 0 : skins::kButtonDisabled));
    glyph.Check = item.Checked() ? 2 : 0;
    glyph.Kind = item.RadioItem() ? skins::TSkinGlyphKind::Option : skins::TSkinGlyphKind::CheckBox;
    glyph.Color = text;
    glyph.BackColor = clWindow;
    TSkinDefaultPainter::DrawSkinGlyph(canvas, glyph, skins::TZebrinSkinManager::OptionImages());
  }

  const bool subItems = item.TMenuItem::Count() > 0;
  const int right = rect.Right - (subItems ? kSubMenuRoom : 0);
  const TRect caption{rect.Left + column + 2, rect.Top, right, rect.Bottom};
  const auto align = item.TextAlign() == mtaRight ? skins::siaRight : skins::siaLeft;
  DrawText(painter, canvas, item.Caption(), caption, align, item, font, text, background);
  if (item.ShortCut() != 0)
    DrawText(painter, canvas, ShortCutToText(item.ShortCut()), {caption.Left, rect.Top, right - 4, rect.Bottom},
             skins::siaRight, item, font, text, background);
  if (subItems)
    skins::DrawArrowGlyph(canvas, skins::TSkinArrow::Right, {right, rect.Top, rect.Right, rect.Bottom}, text);
}

}  // namespace halbrin
