#pragma once

// The caption's icon: a picture at IndentLeft in the caption area, centred
// on the first visible caption band unless IndentTop is set, with hot, down
// and inactive pictures and its own click events.

#include <memory>
#include <string>

#include "core/framework/std_events_component.h"
#include "platform/classes/method.h"
#include "platform/classes/persistent.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/geometry.h"
#include "platform/graphics/picture.h"

namespace halbrin::skins {

class TZebrinCustomSkin;

class TZebrinSkinIcon : public platform::TPersistent {
  HALBRIN_CLASS(TZebrinSkinIcon, platform::TPersistent)

  // The size DefaultImage draws the form's icon at.
  static constexpr int kDefaultImageSize = 16;

  explicit TZebrinSkinIcon(TZebrinCustomSkin* skin = nullptr);
  ~TZebrinSkinIcon() override;

  TZebrinCustomSkin* Skin() const noexcept { return m_skin; }

  // ---- Published; each change refreshes the skin's frame ----
  bool CaptureMouse() const noexcept { return m_captureMouse; }
  void SetCaptureMouse(bool value) { Store(m_captureMouse, value); }
  int Cursor() const noexcept { return m_cursor; }
  void SetCursor(int value) { Store(m_cursor, value); }
  // A form skin shows its form's icon at 16x16.
  bool DefaultImage() const noexcept { return m_defaultImage; }
  void SetDefaultImage(bool value) { Store(m_defaultImage, value); }
  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool value) { Store(m_enabled, value); }
  const std::string& Hint() const noexcept { return m_hint; }
  void SetHint(const std::string& value) { Store(m_hint, value); }
  platform::TPicture* Image() const noexcept { return m_image.get(); }
  platform::TPicture* HotImage() const noexcept { return m_hotImage.get(); }
  platform::TPicture* DownImage() const noexcept { return m_downImage.get(); }
  platform::TPicture* InactiveImage() const noexcept { return m_inactiveImage.get(); }
  int IndentLeft() const noexcept { return m_indentLeft; }
  void SetIndentLeft(int value) { Store(m_indentLeft, value); }
  // The stored value when >= 0 or without a graphic; else the graphic centred
  // on the first visible caption band, -1 without one.
  int IndentTop() const;
  int StoredIndentTop() const noexcept { return m_indentTop; }
  void SetIndentTop(int value) { Store(m_indentTop, value); }
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool value) { Store(m_visible, value); }
  // The shown graphic's.
  bool Transparent() const;
  void SetTransparent(bool value);

  // ---- What shows and where ----
  // DefaultImage's form icon, else DownImage, HotImage or InactiveImage when
  // their state holds and they have a graphic, else Image.
  const platform::TPicture& ShownPicture() const;
  // Null when the shown picture is empty.
  const platform::TArgbImage* ShownGraphic() const { return ShownPicture().Graphic(); }
  // In window coordinates: (IndentLeft, IndentTop) from the caption area's
  // top-left, the graphic's size. Empty unless Visible with a graphic and a
  // visible caption band.
  platform::TRect Rect() const;
  platform::TRect BoundsRect() const { return Rect(); }
  // Rect for a caption area starting at `captionTopLeft`.
  platform::TRect RectAt(platform::TPoint captionTopLeft) const;
  // A screen point on the icon: kHitSkinIcon when it captures the mouse,
  // kHitSkinCaption otherwise; kHitNowhere off the icon.
  int HitTest(platform::TPoint screen) const;
  // The shown graphic at origin + (IndentLeft, IndentTop).
  void Paint(platform::ICanvas& canvas, platform::TPoint origin) const;

  // ---- The mouse ----
  bool Hot() const noexcept { return m_hot; }
  bool Down() const noexcept { return m_down; }
  // Set only with CaptureMouse, Enabled and a graphic in HotImage (DownImage);
  // cleared always. True when the flag now reads `value`.
  bool SetHot(bool value);
  bool SetDown(bool value);
  // With CaptureMouse, Enabled and the default screen cursor: the skin shows Cursor; true then.
  bool SetCursor();

  // OnClick / OnDblClick when Enabled and capturing the mouse.
  virtual void Click();
  virtual void DblClick();
  // OnMouseDown at the skin's last mouse position.
  virtual void MouseDown(TMouseButton button, TShiftState shift);

  platform::TNotifyEvent& OnClick() noexcept { return m_onClick; }
  platform::TNotifyEvent& OnDblClick() noexcept { return m_onDblClick; }
  TMouseEvent& OnMouseDown() noexcept { return m_onMouseDown; }

  // CaptureMouse, Cursor, DefaultImage, Hint, IndentLeft, IndentTop, Enabled,
  // Visible and the four pictures of another icon; one refresh.
  void Assign(const platform::TPersistent& source) override;
  platform::TPersistent* GetOwner() const override;

 private:
  template <class T>
  void Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    RefreshFrame();
  }
  void RefreshFrame();
  void PictureChanged(platform::TObject* sender);
  // The form's icon at 16x16 when DefaultImage applies; null otherwise.
  const platform::TPicture* DefaultPicture() const;

  TZebrinCustomSkin* m_skin;
  bool m_hot = false;
  bool m_down = false;
  bool m_defaultImage = false;
  bool m_captureMouse = true;
  int m_cursor = -21;
  bool m_enabled = true;
  std::string m_hint;
  int m_indentLeft = 4;
  int m_indentTop = -1;
  bool m_visible = false;
  int m_updating = 0;
  std::unique_ptr<platform::TPicture> m_image;
  std::unique_ptr<platform::TPicture> m_hotImage;
  std::unique_ptr<platform::TPicture> m_downImage;
  std::unique_ptr<platform::TPicture> m_inactiveImage;
  // DefaultImage's picture and the form icon it was made from.
  mutable std::unique_ptr<platform::TPicture> m_defaultPicture;
  mutable platform::TArgbImage m_defaultSource;
  platform::TNotifyEvent m_onClick;
  platform::TNotifyEvent m_onDblClick;
  TMouseEvent m_onMouseDown;
};

// `image` scaled to width x height by averaging the pixels each target pixel covers.
platform::TArgbImage ScaleArgbImage(const platform::TArgbImage& image, int width, int height);

}  // namespace halbrin::skins
