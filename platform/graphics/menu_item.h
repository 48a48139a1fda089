#pragma once

// The class library's menu item, display-free: the values an item shows, its
// sub-items (owned by it, in order), the click rules and the tie to an
// action. Menus are drawn by their owners through OnMeasureItem/OnDrawItem;
// a presenter (platform/graphics/popup_menu.h) shows them.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/exception.h"
#include "platform/classes/component.h"
#include "platform/classes/method.h"
#include "platform/controls/action_link.h"
#include "platform/graphics/geometry.h"

namespace halbrin::platform {

class ICanvas;
class TMenuItem;
class TPopupMenu;

HALBRIN_EXCEPTION(EMenuError, Exception);

// (Sender, canvas, var width, var height): the item's size in pixels.
using TMenuMeasureItemEvent = TEvent<TObject*, ICanvas&, int&, int&>;
// (Sender, canvas, rect, selected): paints the item inside rect.
using TMenuDrawItemEvent = TEvent<TObject*, ICanvas&, TRect, bool>;

// A menu item's link: the action's Caption, Enabled, Checked, ImageIndex,
// ShortCut, Visible and Hint become the item's.
class TMenuActionLink : public TActionLink {
 public:
  explicit TMenuActionLink(TMenuItem& item);

 protected:
  void SetCaption(const std::string& caption) override;
  void SetEnabled(bool enabled) override;
  void SetChecked(bool checked) override;
  void SetImageIndex(int index) override;
  void SetShortCut(TShortCut shortCut) override;
  void SetVisible(bool visible) override;
  void SetHint(const std::string& hint) override;

 private:
  TMenuItem& m_item;
};

// Every TMenuItem a TMenuItem owns is one of its sub-items and the other way
// round: making an item owned by another (MakeComponent) appends it, and a
// sub-item that is freed (TComponent::Free, deferred or not) or handed back
// leaves the list.
class TMenuItem : public TComponent {
  HALBRIN_CLASS(TMenuItem, TComponent)

  explicit TMenuItem(TComponent* owner = nullptr);
  ~TMenuItem() override;

  // "-" makes the item a separator.
  const std::string& Caption() const noexcept { return m_caption; }
  void SetCaption(const std::string& caption) { m_caption = caption; }
  bool IsLine() const noexcept { return m_caption == "-"; }

  bool Checked() const noexcept { return m_checked; }
  // Checking a RadioItem unchecks the RadioItems of its parent with the same
  // GroupIndex.
  void SetChecked(bool checked);
  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool enabled) noexcept { m_enabled = enabled; }
  // The menu's default item (drawn bold).
  bool Default() const noexcept { return m_default; }
  void SetDefault(bool value) noexcept { m_default = value; }
  // Click toggles Checked first.
  bool AutoCheck() const noexcept { return m_autoCheck; }
  void SetAutoCheck(bool value) noexcept { m_autoCheck = value; }
  int GroupIndex() const noexcept { return m_groupIndex; }
  void SetGroupIndex(int index) noexcept { m_groupIndex = index; }
  bool RadioItem() const noexcept { return m_radioItem; }
  void SetRadioItem(bool value) noexcept { m_radioItem = value; }
  const std::string& Hint() const noexcept { return m_hint; }
  void SetHint(const std::string& hint) { m_hint = hint; }
  // Into the menu's Images; -1 for none.
  int ImageIndex() const noexcept { return m_imageIndex; }
  void SetImageIndex(int index) noexcept { m_imageIndex = index; }
  // key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt; 0 for none.
  TShortCut ShortCut() const noexcept { return m_shortCut; }
  void SetShortCut(TShortCut shortCut) noexcept { m_shortCut = shortCut; }
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool visible) noexcept { m_visible = visible; }

  // The action followed through the link; null for none (and once freed).
  TCustomAction* Action() const noexcept { return m_actionLink ? m_actionLink->Action() : nullptr; }
  void SetAction(TCustomAction* action);
  TActionLink* ActionLink() const noexcept { return m_actionLink.get(); }

  // --- Sub-items ---
  int Count() const noexcept { return static_cast<int>(m_items.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TMenuItem* Items(int index) const;
  int IndexOf(const TMenuItem* item) const;
  // The item whose sub-item this is; null for a root or free-standing item.
  TMenuItem* Parent() const noexcept { return m_parent; }
  // The position among the parent's items; -1 without parent. Setting it
  // moves the item (clamped to the list).
  int MenuIndex() const;
  void SetMenuIndex(int index);
  // The popup menu whose tree holds the item; null for a free-standing one.
  TPopupMenu* Menu() const noexcept;

  // Takes `item` (owned by any component, or by none through the unique_ptr
  // overloads) as the last / index-th sub-item; an item already here only
  // moves. Raises EMenuError "Menu item cannot be inserted into itself" for
  // this item or one above it, EComponentError for a clashing name, EListError
  // for an index outside 0..Count; the item stays where it was.
  void Add(TMenuItem& item);
  TMenuItem& Add(std::unique_ptr<TMenuItem> item);
  void Insert(int index, TMenuItem& item);
  TMenuItem& Insert(int index, std::unique_ptr<TMenuItem> item);
  // Frees the index-th sub-item (TComponent::Free: later while it is busy).
  void Delete(int index);
  // Hands a sub-item back to the caller, without a parent; null when it is not one.
  std::unique_ptr<TMenuItem> Remove(TMenuItem& item);
  // Frees every sub-item, the last first.
  void Clear();

  // Nothing when disabled; AutoCheck toggles Checked; then OnClick when it is
  // assigned and is not the action's own OnExecute, else the action through
  // the link, else OnClick.
  virtual void Click();

  // What the presenter asks; they fire OnMeasureItem and OnDrawItem.
  void MeasureItem(ICanvas& canvas, int& width, int& height);
  void DrawItem(ICanvas& canvas, TRect rect, bool selected);

  TNotifyEvent& OnClick() noexcept { return m_onClick; }
  // Native notifications, not published.
  TMenuMeasureItemEvent& OnMeasureItem() noexcept { return m_onMeasureItem; }
  TMenuDrawItemEvent& OnDrawItem() noexcept { return m_onDrawItem; }

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  // The link SetAction makes; items with more to follow return their own.
  virtual std::unique_ptr<TActionLink> CreateActionLink();

 private:
  friend class TPopupMenu;

  // Throws unless `item` may become a sub-item here.
  void CheckInsert(const TMenuItem& item) const;
  void MoveTo(TMenuItem& item, int index);
  void TurnSiblingsOff();

  std::string m_caption;
  bool m_checked = false;
  bool m_enabled = true;
  bool m_default = false;
  bool m_autoCheck = false;
  int m_groupIndex = 0;
  bool m_radioItem = false;
  std::string m_hint;
  int m_imageIndex = -1;
  TShortCut m_shortCut = 0;
  bool m_visible = true;
  std::unique_ptr<TActionLink> m_actionLink;
  std::vector<TMenuItem*> m_items;  // the owned items, in menu order
  TMenuItem* m_parent = nullptr;
  TPopupMenu* m_menu = nullptr;     // set on a menu's root item only
  TNotifyEvent m_onClick;
  TMenuMeasureItemEvent m_onMeasureItem;
  TMenuDrawItemEvent m_onDrawItem;
};

// The character after the caption's mnemonic "&" ("&&" is a literal "&"),
// lower-cased; 0 when the caption has none.
char32_t MnemonicOf(std::string_view caption);

// What a key does among one level's items.
enum class TMnemonicAction : std::uint8_t {
  None,    // no item has it: the key goes on
  Choose,  // exactly one: choose it (or open its sub-items)
  Select,  // several: move the selection to `index`, the next one after `selected`
};

struct TMnemonicMatch {
  TMnemonicAction action = TMnemonicAction::None;
  int index = -1;  // into the parent's items
};

// The visible, enabled items of `parent` whose mnemonic is `key` (a Unicode
// character, letter case ignored); `selected` is the index of the item
// selected now (-1 for none).
TMnemonicMatch MatchMnemonic(const TMenuItem& parent, char32_t key, int selected = -1);

}  // namespace halbrin::platform
