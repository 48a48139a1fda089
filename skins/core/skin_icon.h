#pragma once

// The caption's icon. Only its place, looks flags and events so far; its
// pictures and its place in the first band come later.

#include <string>

#include "core/framework/std_events_component.h"
#include "platform/classes/method.h"
#include "platform/classes/persistent.h"
#include "platform/graphics/geometry.h"

namespace halbrin::skins {

class TZebrinSkinIcon : public platform::TPersistent {
  HALBRIN_CLASS(TZebrinSkinIcon, platform::TPersistent)

  explicit TZebrinSkinIcon(platform::TPersistent* owner = nullptr) : m_owner(owner) {}

  bool CaptureMouse() const noexcept { return m_captureMouse; }
  void SetCaptureMouse(bool value) noexcept { m_captureMouse = value; }
  int Cursor() const noexcept { return m_cursor; }
  void SetCursor(int value) noexcept { m_cursor = value; }
  bool DefaultImage() const noexcept { return m_defaultImage; }
  void SetDefaultImage(bool value) noexcept { m_defaultImage = value; }
  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool value) noexcept { m_enabled = value; }
  const std::string& Hint() const noexcept { return m_hint; }
  void SetHint(const std::string& value) { m_hint = value; }
  int IndentLeft() const noexcept { return m_indentLeft; }
  void SetIndentLeft(int value) noexcept { m_indentLeft = value; }
  int IndentTop() const noexcept { return m_indentTop; }
  void SetIndentTop(int value) noexcept { m_indentTop = value; }
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool value) noexcept { m_visible = value; }

  // In window coordinates; empty until the caption places the icon.
  const platform::TRect& BoundsRect() const noexcept { return m_rect; }
  void SetBoundsRect(const platform::TRect& value) noexcept { m_rect = value; }
  bool Hot() const noexcept { return m_hot; }
  void SetHot(bool value) noexcept { m_hot = value; }
  bool Down() const noexcept { return m_down; }
  void SetDown(bool value) noexcept { m_down = value; }

  virtual void Click() { m_onClick(this); }
  virtual void DblClick() { m_onDblClick(this); }
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    m_onMouseDown(this, button, shift, x, y);
  }

  platform::TNotifyEvent& OnClick() noexcept { return m_onClick; }
  platform::TNotifyEvent& OnDblClick() noexcept { return m_onDblClick; }
  TMouseEvent& OnMouseDown() noexcept { return m_onMouseDown; }

  platform::TPersistent* GetOwner() const override { return m_owner; }

 private:
  platform::TPersistent* m_owner;
  bool m_hot = false;
  bool m_down = false;
  platform::TRect m_rect;
  bool m_defaultImage = false;
  bool m_captureMouse = true;
  int m_cursor = -21;
  bool m_enabled = true;
  std::string m_hint;
  int m_indentLeft = 4;
  int m_indentTop = -1;
  bool m_visible = false;
  platform::TNotifyEvent m_onClick;
  platform::TNotifyEvent m_onDblClick;
  TMouseEvent m_onMouseDown;
};

}  // namespace halbrin::skins
