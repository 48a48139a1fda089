#include "platform/graphics/menu_item.h"

#include <glib.h>

#include <algorithm>

#include "platform/base/format.h"
#include "platform/classes/class_builder.h"
#include "platform/graphics/popup_menu.h"

namespace halbrin::platform {

// --- TMenuActionLink ------------------------------------------------------------------

TMenuActionLink::TMenuActionLink(TMenuItem& item) : TActionLink(item), m_item(item) {}

void TMenuActionLink::SetCaption(const std::string& caption) { m_item.SetCaption(caption); }

void TMenuActionLink::SetEnabled(bool enabled) { m_item.SetEnabled(enabled); }

void TMenuActionLink::SetChecked(bool checked) { m_item.SetChecked(checked); }

void TMenuActionLink::SetImageIndex(int index) { m_item.SetImageIndex(index); }

void TMenuActionLink::SetShortCut(TShortCut shortCut) { m_item.SetShortCut(shortCut); }

void TMenuActionLink::SetVisible(bool visible) { m_item.SetVisible(visible); }

void TMenuActionLink::SetHint(const std::string& hint) { m_item.SetHint(hint); }

// --- TMenuItem -------------------------------------------------------------------------

HALBRIN_DEFINE_CLASS(TMenuItem,
                     .Property("Action", &TMenuItem::Action, &TMenuItem::SetAction)
                     .Property("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck)
                     .Default(Variant(false))
                     .Property("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption)
                     .TypeName("TCaption")
                     .Property("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked)
                     .Default(Variant(false))
                     .Property("Default", &TMenuItem::Default, &TMenuItem::SetDefault)
                     .Default(Variant(false))
                     .Property("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled)
                     .Default(Variant(true))
                     .Property("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex)
                     .Default(Variant(0))
                     .Property("Hint", &TMenuItem::Hint, &TMenuItem::SetHint)
                     .Property("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex)
                     .TypeName("TImageIndex")
                     .Default(Variant(-1))
                     .Property("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem)
                     .Default(Variant(false))
                     .Property("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut)
                     .TypeName("TShortCut")
                     .Default(Variant(0))
                     .Property("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible)
                     .Default(Variant(true))
                     .Event("OnClick", &TMenuItem::m_onClick, "TNotifyEvent"))

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  m_actionLink.reset();
  // The base destroys the owned items; none of them reaches back here.
  for (TMenuItem* item : m_items) item->m_parent = nullptr;
  m_items.clear();
}

void TMenuItem::SetChecked(bool checked) {
  if (checked == m_checked) return;
  m_checked = checked;
  if (checked && m_radioItem) TurnSiblingsOff();
}

void TMenuItem::TurnSiblingsOff() {
  if (!m_parent) return;
  for (TMenuItem* sibling : m_parent->m_items) {
    if (sibling != this && sibling->m_radioItem && sibling->m_groupIndex == m_groupIndex) sibling->m_checked = false;
  }
}

void TMenuItem::SetAction(TCustomAction* action) {
  LinkAction(m_actionLink, action, [this] { return CreateActionLink(); });
}

std::unique_ptr<TActionLink> TMenuItem::CreateActionLink() { return std::make_unique<TMenuActionLink>(*this); }

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  return m_items[static_cast<std::size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  const auto it = std::find(m_items.begin(), m_items.end(), item);
  return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

int TMenuItem::MenuIndex() const { return m_parent ? m_parent->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(int index) {
  if (!m_parent) return;
  m_parent->MoveTo(*this, std::clamp(index, 0, m_parent->Count() - 1));
}

TPopupMenu* TMenuItem::Menu() const noexcept {
  for (const TMenuItem* item = this; item; item = item->m_parent) {
    if (item->m_menu) return item->m_menu;
  }
  return nullptr;
}

void TMenuItem::CheckInsert(const TMenuItem& item) const {
  for (const TMenuItem* above = this; above; above = above->m_parent) {
    if (above == &item) throw EMenuError("Menu item cannot be inserted into itself");
  }
  if (item.m_menu) throw EMenuError("Menu inserted twice");
  if (!item.Name().empty()) {
    const TComponent* other = FindComponent(item.Name());
    if (other && other != &item) throw EComponentError(Format("A component named %s already exists", {item.Name()}));
  }
}

void TMenuItem::MoveTo(TMenuItem& item, int index) {
  m_items.erase(std::find(m_items.begin(), m_items.end(), &item));
  m_items.insert(m_items.begin() + index, &item);
}

void TMenuItem::Add(TMenuItem& item) {
  Insert(item.m_parent == this ? Count() - 1 : Count(), item);
}

TMenuItem& TMenuItem::Add(std::unique_ptr<TMenuItem> item) { return Insert(Count(), std::move(item)); }

void TMenuItem::Insert(int index, TMenuItem& item) {
  if (item.m_parent == this) {
    if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
    MoveTo(item, index);
    return;
  }
  if (index < 0 || index > Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  CheckInsert(item);
  TComponent* owner = item.Owner();
  if (!owner) throw EMenuError(Format("Menu item %s has no owner to hand it over", {item.GetNamePath()}));
  std::unique_ptr<TComponent> released = owner->RemoveComponent(item);
  if (!released) return;
  InsertComponent(std::move(released));
  MoveTo(item, index);
}

TMenuItem& TMenuItem::Insert(int index, std::unique_ptr<TMenuItem> item) {
  if (index < 0 || index > Count()) throw EListError(Format("List index out of bounds (%d)", {index}));
  CheckInsert(*item);
  TMenuItem& ref = *item;
  InsertComponent(std::move(item));
  MoveTo(ref, index);
  return ref;
}

void TMenuItem::Delete(int index) { TComponent::Free(*Items(index)); }

std::unique_ptr<TMenuItem> TMenuItem::Remove(TMenuItem& item) {
  if (item.m_parent != this) return nullptr;
  std::unique_ptr<TComponent> released = RemoveComponent(item);
  return std::unique_ptr<TMenuItem>(static_cast<TMenuItem*>(released.release()));
}

void TMenuItem::Clear() {
  // A freed item leaves the list at once, also when its free is deferred.
  while (!m_items.empty()) TComponent::Free(*m_items.back());
}

void TMenuItem::Click() {
  if (!m_enabled) return;
  if (m_autoCheck) SetChecked(!m_checked);
  TCustomAction* action = Action();
  // As for controls: the action's own OnExecute as OnClick would run twice.
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

void TMenuItem::MeasureItem(ICanvas& canvas, int& width, int& height) { m_onMeasureItem(this, canvas, width, height); }

void TMenuItem::DrawItem(ICanvas& canvas, TRect rect, bool selected) { m_onDrawItem(this, canvas, rect, selected); }

void TMenuItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == TOperation::opInsert) {
    auto* item = dynamic_cast<TMenuItem*>(component);
    if (item && item->Owner() == this && item->m_parent != this) {
      m_items.push_back(item);
      item->m_parent = this;
    }
    return;
  }
  // Compared by address: a component telling of its end is half destroyed.
  const auto it = std::find_if(m_items.begin(), m_items.end(),
                               [component](TMenuItem* item) { return static_cast<TComponent*>(item) == component; });
  if (it == m_items.end()) return;
  (*it)->m_parent = nullptr;
  m_items.erase(it);
}

// --- Mnemonics -----------------------------------------------------------------------------

char32_t MnemonicOf(std::string_view caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    const gunichar c = g_utf8_get_char_validated(caption.data() + i + 1, static_cast<gssize>(caption.size() - i - 1));
    if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) return 0;
    return g_unichar_tolower(c);
  }
  return 0;
}

TMnemonicMatch MatchMnemonic(const TMenuItem& parent, char32_t key, int selected) {
  if (key == 0) return {};
  const char32_t wanted = g_unichar_tolower(key);
  std::vector<int> matches;
  for (int i = 0; i < parent.Count(); ++i) {
    const TMenuItem& item = *parent.Items(i);
    if (item.Visible() && item.Enabled() && !item.IsLine() && MnemonicOf(item.Caption()) == wanted)
      matches.push_back(i);
  }
  if (matches.empty()) return {};
  if (matches.size() == 1) return {TMnemonicAction::Choose, matches.front()};
  const auto next = std::find_if(matches.begin(), matches.end(), [selected](int i) { return i > selected; });
  return {TMnemonicAction::Select, next == matches.end() ? matches.front() : *next};
}

}  // namespace halbrin::platform
