#include "skins/core/skin_icon.h"

#include <algorithm>

#include "platform/classes/class_builder.h"
#include "platform/controls/form.h"
#include "skins/core/custom_skin.h"
#include "skins/core/form_skin.h"

namespace halbrin::skins {

using platform::TArgbImage;
using platform::TPicture;

TArgbImage ScaleArgbImage(const TArgbImage& image, int width, int height) {
  if (image.Width <= 0 || image.Height <= 0 || width <= 0 || height <= 0) return TArgbImage{};
  if (image.Width == width && image.Height == height) return image;
  TArgbImage scaled(width, height);
  for (int y = 0; y < height; ++y) {
    const int y0 = y * image.Height / height, y1 = std::max(y0 + 1, (y + 1) * image.Height / height);
    for (int x = 0; x < width; ++x) {
      const int x0 = x * image.Width / width, x1 = std::max(x0 + 1, (x + 1) * image.Width / width);
      std::uint64_t sum[4] = {};
      for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx) {
          const std::uint32_t p = image.Pixel(sx, sy);
          for (int c = 0; c < 4; ++c) sum[c] += (p >> (8 * c)) & 0xFF;
        }
      // Premultiplied channels average as they are.
      const std::uint64_t n = static_cast<std::uint64_t>(y1 - y0) * static_cast<std::uint64_t>(x1 - x0);
      std::uint32_t p = 0;
      for (int c = 0; c < 4; ++c) p |= static_cast<std::uint32_t>((sum[c] + n / 2) / n) << (8 * c);
      scaled.SetPixel(x, y, p);
    }
  }
  return scaled;
}

TZebrinSkinIcon::TZebrinSkinIcon(TZebrinCustomSkin* skin)
    : m_skin(skin),
      m_image(std::make_unique<TPicture>(this)),
      m_hotImage(std::make_unique<TPicture>(this)),
      m_downImage(std::make_unique<TPicture>(this)),
      m_inactiveImage(std::make_unique<TPicture>(this)) {
  for (TPicture* picture : {m_image.get(), m_hotImage.get(), m_downImage.get(), m_inactiveImage.get()})
    picture->OnChange().Bind(*this, &TZebrinSkinIcon::PictureChanged);
}

TZebrinSkinIcon::~TZebrinSkinIcon() = default;

platform::TPersistent* TZebrinSkinIcon::GetOwner() const { return m_skin; }

void TZebrinSkinIcon::RefreshFrame() {
  if (m_updating == 0 && m_skin) m_skin->RefreshFrame();
}

void TZebrinSkinIcon::PictureChanged(platform::TObject*) { RefreshFrame(); }

// ---- The shown graphic ----

const TPicture* TZebrinSkinIcon::DefaultPicture() const {
  if (!m_defaultImage || !dynamic_cast<const TZebrinFormSkin*>(m_skin)) return nullptr;
  const auto* form = dynamic_cast<const platform::TForm*>(m_skin->Control());
  const TArgbImage* icon = form ? form->Icon() : nullptr;
  if (!icon || icon->Width <= 0 || icon->Height <= 0) return nullptr;
  if (!m_defaultPicture) m_defaultPicture = std::make_unique<TPicture>();
  if (m_defaultPicture->Empty() || !(m_defaultSource == *icon)) {
    m_defaultSource = *icon;
    m_defaultPicture->SetImage(ScaleArgbImage(*icon, kDefaultImageSize, kDefaultImageSize));
  }
  return m_defaultPicture.get();
}

const TPicture& TZebrinSkinIcon::ShownPicture() const {
  if (const TPicture* picture = DefaultPicture()) return *picture;
  const TSkinMouseState* mouse = m_skin ? &m_skin->Mouse() : nullptr;
  if (m_down && !m_downImage->Empty() && mouse && mouse->pressed.Get() == this) return *m_downImage;
  if (m_hot && !m_hotImage->Empty() && mouse && mouse->hot.Get() == this) return *m_hotImage;
  if (!m_inactiveImage->Empty() && m_skin && !m_skin->GetActive()) return *m_inactiveImage;
  return *m_image;
}

bool TZebrinSkinIcon::Transparent() const { return ShownPicture().Transparent(); }

void TZebrinSkinIcon::SetTransparent(bool value) { const_cast<TPicture&>(ShownPicture()).SetTransparent(value); }

// ---- Place ----

int TZebrinSkinIcon::IndentTop() const {
  const TArgbImage* graphic = ShownGraphic();
  if (m_indentTop >= 0 || !graphic) return m_indentTop;
  const TZebrinSkinCaptionBands* caption = m_skin ? m_skin->Caption() : nullptr;
  const TZebrinSkinBand* band = caption && caption->Visible() ? caption->FirstVisibleBand() : nullptr;
  if (!band) return -1;
  return (band->Metrics()->Size() - graphic->Height) / 2;
}

platform::TRect TZebrinSkinIcon::RectAt(platform::TPoint captionTopLeft) const {
  const TArgbImage* graphic = ShownGraphic();
  if (!m_visible || !graphic) return {};
  const int top = IndentTop();
  if (top < 0) return {};
  const int left = captionTopLeft.X + m_indentLeft, y = captionTopLeft.Y + top;
  return {left, y, left + graphic->Width, y + graphic->Height};
}

platform::TRect TZebrinSkinIcon::Rect() const {
  const TZebrinSkinCaptionBands* caption = m_skin ? m_skin->Caption() : nullptr;
  if (!caption) return {};
  const platform::TRect& area = caption->BoundsRect();
  if (area.IsEmpty()) return {};
  return RectAt({area.Left, area.Top});
}

int TZebrinSkinIcon::HitTest(platform::TPoint screen) const {
  const IWindowHost* host = m_skin ? m_skin->Host() : nullptr;
  if (!host || !Rect().Contains(host->ScreenToWindow(screen))) return kHitNowhere;
  return m_captureMouse ? kHitSkinIcon : kHitSkinCaption;
}

void TZebrinSkinIcon::Paint(platform::ICanvas& canvas, platform::TPoint origin) const {
  const TArgbImage* graphic = ShownGraphic();
  const int top = IndentTop();
  if (!m_visible || !graphic || top < 0) return;
  canvas.DrawPicture(*graphic, origin.X + m_indentLeft, origin.Y + top);
}

// ---- The mouse ----

bool TZebrinSkinIcon::SetHot(bool value) {
  if (value && (!m_captureMouse || !m_enabled || m_hotImage->Empty())) return m_hot == value;
  if (m_hot != value) {
    m_hot = value;
    RefreshFrame();
  }
  return true;
}

bool TZebrinSkinIcon::SetDown(bool value) {
  if (value && (!m_captureMouse || !m_enabled || m_downImage->Empty())) return m_down == value;
  if (m_down != value) {
    m_down = value;
    RefreshFrame();
  }
  return true;
}

bool TZebrinSkinIcon::SetCursor() {
  if (!m_captureMouse || !m_enabled || !m_skin || !m_skin->CursorIsDefault()) return false;
  m_skin->SetCursor(m_cursor);
  return true;
}

void TZebrinSkinIcon::Click() {
  if (m_enabled && m_captureMouse) m_onClick(this);
}

void TZebrinSkinIcon::DblClick() {
  if (m_enabled && m_captureMouse) m_onDblClick(this);
}

void TZebrinSkinIcon::MouseDown(TMouseButton button, TShiftState shift) {
  const platform::TPoint pos = m_skin ? m_skin->LastMousePos() : platform::TPoint{};
  m_onMouseDown(this, button, shift, pos.X, pos.Y);
}

void TZebrinSkinIcon::Assign(const platform::TPersistent& source) {
  const auto* icon = dynamic_cast<const TZebrinSkinIcon*>(&source);
  if (!icon) {
    Inherited::Assign(source);
    return;
  }
  if (icon == this) return;
  ++m_updating;
  try {
    m_captureMouse = icon->m_captureMouse;
    m_cursor = icon->m_cursor;
    m_defaultImage = icon->m_defaultImage;
    m_hint = icon->m_hint;
    m_indentLeft = icon->m_indentLeft;
    m_indentTop = icon->m_indentTop;
    m_enabled = icon->m_enabled;
    m_visible = icon->m_visible;
    m_image->Assign(*icon->m_image);
    m_hotImage->Assign(*icon->m_hotImage);
    m_downImage->Assign(*icon->m_downImage);
    m_inactiveImage->Assign(*icon->m_inactiveImage);
  } catch (...) {
    --m_updating;
    throw;
  }
  --m_updating;
  RefreshFrame();
}

using I = TZebrinSkinIcon;
HALBRIN_DEFINE_CLASS(TZebrinSkinIcon,
                     .Property("CaptureMouse", &I::CaptureMouse, &I::SetCaptureMouse)
                         .Default(true)
                         .Property("Cursor", &I::Cursor, static_cast<void (I::*)(int)>(&I::SetCursor))
                         .Default(-21)
                         .Property("DefaultImage", &I::DefaultImage, &I::SetDefaultImage)
                         .Default(false)
                         .Property("DownImage", &I::DownImage)
                         .Property("Enabled", &I::Enabled, &I::SetEnabled)
                         .Default(true)
                         .Property("Hint", &I::Hint, &I::SetHint)
                         .Property("HotImage", &I::HotImage)
                         .Property("Image", &I::Image)
                         .Property("InactiveImage", &I::InactiveImage)
                         .Property("IndentLeft", &I::IndentLeft, &I::SetIndentLeft)
                         .Default(4)
                         .Property("IndentTop", &I::IndentTop, &I::SetIndentTop)
                         .Default(-1)
                         .Property("Transparent", &I::Transparent, &I::SetTransparent)
                         .Default(false)
                         .Property("Visible", &I::Visible, &I::SetVisible)
                         .Default(false)
                         .Event("OnClick", &I::m_onClick, "TNotifyEvent")
                         .Event("OnDblClick", &I::m_onDblClick, "TNotifyEvent")
                         .Event("OnMouseDown", &I::m_onMouseDown, "TMouseEvent"))

}  // namespace halbrin::skins
