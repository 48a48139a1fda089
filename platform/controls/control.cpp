#include "platform/controls/control.h"

#include <algorithm>

#include "platform/base/exception.h"
#include "platform/classes/class_builder.h"
#include "platform/controls/win_control.h"

namespace halbrin::platform {

const TEnumInfo& AlignInfo() {
  static const TEnumInfo info("TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"});
  return info;
}

// --- TSizeConstraints ---------------------------------------------------------

HALBRIN_DEFINE_CLASS(TSizeConstraints,
                     .Property("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight)
                     .TypeName("TConstraintSize")
                     .Property("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth)
                     .TypeName("TConstraintSize")
                     .Property("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight)
                     .TypeName("TConstraintSize")
                     .Property("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth)
                     .TypeName("TConstraintSize"))

void TSizeConstraints::SetMinWidth(int value) {
  value = std::max(value, 0);
  if (value == m_minWidth) return;
  m_minWidth = value;
  if (m_maxWidth > 0 && value > m_maxWidth) m_maxWidth = value;
  Changed();
}

void TSizeConstraints::SetMinHeight(int value) {
  value = std::max(value, 0);
  if (value == m_minHeight) return;
  m_minHeight = value;
  if (m_maxHeight > 0 && value > m_maxHeight) m_maxHeight = value;
  Changed();
}

void TSizeConstraints::SetMaxWidth(int value) {
  value = std::max(value, 0);
  if (value == m_maxWidth) return;
  m_maxWidth = value;
  if (value > 0 && value < m_minWidth) m_minWidth = value;
  Changed();
}

void TSizeConstraints::SetMaxHeight(int value) {
  value = std::max(value, 0);
  if (value == m_maxHeight) return;
  m_maxHeight = value;
  if (value > 0 && value < m_minHeight) m_minHeight = value;
  Changed();
}

int TSizeConstraints::ConstrainWidth(int width) const noexcept {
  if (m_maxWidth > 0) width = std::min(width, m_maxWidth);
  return std::max({width, m_minWidth, 0});
}

int TSizeConstraints::ConstrainHeight(int height) const noexcept {
  if (m_maxHeight > 0) height = std::min(height, m_maxHeight);
  return std::max({height, m_minHeight, 0});
}

void TSizeConstraints::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TSizeConstraints*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (m_minWidth == other->m_minWidth && m_minHeight == other->m_minHeight && m_maxWidth == other->m_maxWidth &&
      m_maxHeight == other->m_maxHeight)
    return;
  m_minWidth = other->m_minWidth;
  m_minHeight = other->m_minHeight;
  m_maxWidth = other->m_maxWidth;
  m_maxHeight = other->m_maxHeight;
  Changed();
}

void TSizeConstraints::Changed() {
  if (m_onChange) m_onChange();
}

// --- TControl -------------------------------------------------------------------

HALBRIN_DEFINE_CLASS(TControl,
                     .Enum("Align", &TControl::Align, &TControl::SetAlign, AlignInfo())
                     .Property("Action", &TControl::Action, &TControl::SetAction)
                     .Property("Color", &TControl::Color, &TControl::SetColor)
                     .TypeName("TColor")
                     .Property("Constraints", [](const TControl& self) {
                       return const_cast<TSizeConstraints*>(&self.Constraints());
                     })
                     .Owned()
                     .Property("Enabled", &TControl::Enabled, &TControl::SetEnabled)
                     .Property("Font", [](const TControl& self) { return const_cast<TFont*>(&self.Font()); })
                     .Owned()
                     .Property("Height", &TControl::Height, &TControl::SetHeight)
                     .Property("Hint", &TControl::Hint, &TControl::SetHint)
                     .Property("Left", &TControl::Left, &TControl::SetLeft)
                     .Property("Parent", &TControl::Parent, &TControl::SetParent)
                     .Stored(false)
                     .Property("Text", &TControl::Text, &TControl::SetText)
                     .TypeName("TCaption")
                     .Property("Top", &TControl::Top, &TControl::SetTop)
                     .Property("Visible", &TControl::Visible, &TControl::SetVisible)
                     .Property("Width", &TControl::Width, &TControl::SetWidth)
                     .Event("OnClick", &TControl::m_onClick, "TNotifyEvent"))

TControl::TControl(TComponent* owner) : TComponent(owner) {
  m_font.OnChange().Bind(*this, &TControl::FontChanged);
  m_constraints.SetOnChange([this] { SetBounds(Left(), Top(), Width(), Height()); });
}

TControl::~TControl() {
  m_actionLink.reset();
  DetachFromParent();
}

void TControl::SetAction(TCustomAction* action) {
  LinkAction(m_actionLink, action, [this] { return CreateActionLink(); });
}

std::unique_ptr<TActionLink> TControl::CreateActionLink() { return std::make_unique<TControlActionLink>(*this); }

void TControl::Click() {
  TCustomAction* action = Action();
  // The same published handler as the action's OnExecute would run twice; a
  // natively bound one carries no handler to compare and counts as its own.
  const TMethod& click = m_onClick.Method();
  const bool sameAsAction = action && click.code && click == action->m_onExecute.Method();
  if (m_onClick.Assigned() && !sameAsAction) {
    m_onClick(this);
  } else if (action) {
    m_actionLink->Execute();
  } else if (m_onClick.Assigned()) {
    m_onClick(this);
  }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  m_onMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) { m_onMouseUp(this, button, shift, x, y); }

void TControl::MouseMove(TShiftState shift, int x, int y) { m_onMouseMove(this, shift, x, y); }

bool TControl::MouseWheel(bool down, TShiftState shift, TPoint pos) {
  bool handled = false;
  (down ? m_onMouseWheelDown : m_onMouseWheelUp)(this, shift, pos, handled);
  return handled;
}

void TControl::MouseEnter() { m_onMouseEnter(this); }

void TControl::MouseLeave() { m_onMouseLeave(this); }

void TControl::DblClick() { m_onDblClick(this); }

void TControl::KeyDown(std::uint16_t& key, TShiftState shift) { m_onKeyDown(this, key, shift); }

void TControl::KeyUp(std::uint16_t& key, TShiftState shift) { m_onKeyUp(this, key, shift); }

void TControl::KeyPress(char& key) { m_onKeyPress(this, key); }

bool TControl::ContextPopup(TPoint pos) {
  bool handled = false;
  m_onContextPopup(this, pos, handled);
  return handled;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == m_parent) return;
  const auto* self = dynamic_cast<const TWinControl*>(this);
  if (parent && (parent == self || (self && self->ContainsControl(*parent))))
    throw EInvalidOperation("A control cannot have itself as its parent");
  ParentChanging();
  if (m_parent) m_parent->RemoveControl(*this);
  m_parent = parent;
  if (m_parent) m_parent->InsertControl(*this);
  ParentChanged();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  const TRect bounds{left, top, left + m_constraints.ConstrainWidth(width), top + m_constraints.ConstrainHeight(height)};
  if (bounds == m_bounds) return;
  const TRect old = std::exchange(m_bounds, bounds);
  ApplyBounds();
  const TWeakRef<TControl> alive(this);
  RealignAfter(old);
  if (!alive) return;
  if (old.Left != bounds.Left || old.Top != bounds.Top) Notify(ControlEvent::Moved);
  if (alive && (old.Width() != bounds.Width() || old.Height() != bounds.Height())) Notify(ControlEvent::Resized);
}

void TControl::StoreBounds(const TRect& bounds) {
  if (bounds == m_bounds) return;
  const TRect old = std::exchange(m_bounds, bounds);
  const TWeakRef<TControl> alive(this);
  RealignAfter(old);
  if (!alive) return;
  if (old.Left != bounds.Left || old.Top != bounds.Top) Notify(ControlEvent::Moved);
  if (alive && (old.Width() != bounds.Width() || old.Height() != bounds.Height())) Notify(ControlEvent::Resized);
}

TRect TControl::ClientRect() const { return {0, 0, Width(), Height()}; }

void TControl::SetAlign(TAlign align) {
  if (align == m_align) return;
  const TAlign old = std::exchange(m_align, align);
  if (m_parent && m_visible && (old != alNone || align != alNone)) m_parent->Realign();
}

void TControl::RealignAfter(const TRect& old) {
  auto* self = dynamic_cast<TWinControl*>(this);
  const TWeakRef<TControl> alive(this);
  if (self && (old.Width() != m_bounds.Width() || old.Height() != m_bounds.Height())) self->Realign();
  if (!alive) return;
  if (m_parent && m_visible && m_align != alNone && m_align != alCustom && !m_parent->m_aligning) m_parent->Realign();
}

void TControl::SetVisible(bool visible) {
  if (visible == m_visible) return;
  m_visible = visible;
  ApplyVisible();
  const TWeakRef<TControl> alive(this);
  if (m_parent && m_align != alNone && m_align != alCustom) m_parent->Realign();
  if (alive) Notify(visible ? ControlEvent::Shown : ControlEvent::Hidden);
}

bool TControl::Showing() const { return m_visible && m_parent && m_parent->Showing(); }

void TControl::SetEnabled(bool enabled) {
  if (enabled == m_enabled) return;
  m_enabled = enabled;
  ApplyEnabled();
  Notify(ControlEvent::EnabledChanged);
}

void TControl::SetText(const std::string& text) {
  if (text == m_text) return;
  m_text = text;
  ApplyText();
  Notify(ControlEvent::TextChanged);
}

void TControl::SetColor(TColor color) {
  if (color == m_color) return;
  m_color = color;
  Invalidate();
}

void TControl::BringToFront() {
  if (m_parent) {
    auto& list = m_parent->m_controls;
    const auto it = std::find(list.begin(), list.end(), this);
    std::rotate(it, it + 1, list.end());
  }
  ApplyZOrder(true);
}

void TControl::SendToBack() {
  if (m_parent) {
    auto& list = m_parent->m_controls;
    const auto it = std::find(list.begin(), list.end(), this);
    std::rotate(list.begin(), it, it + 1);
  }
  ApplyZOrder(false);
}

void TControl::Invalidate() {
  if (!m_parent) return;
  const TRect& margins = m_parent->NonClientMargins();
  m_parent->InvalidateRect({m_bounds.Left + margins.Left, m_bounds.Top + margins.Top, m_bounds.Right + margins.Left,
                            m_bounds.Bottom + margins.Top});
}

void TControl::FontChanged(TObject* /*sender*/) { Invalidate(); }

void TControl::DetachFromParent() noexcept {
  if (!m_parent) return;
  m_parent->RemoveControl(*this);
  m_parent = nullptr;
}

}  // namespace halbrin::platform
