#pragma once

// The class library's popup menu, display-free: a root item holding the
// tree, the images its items show, and the popup flow. What shows the menu is
// the process's IPopupMenuPresenter (the GTK one when there is a display; the
// headless default shows nothing and chooses nothing).

#include <cstdint>
#include <memory>

#include "platform/classes/component.h"
#include "platform/classes/method.h"
#include "platform/graphics/geometry.h"
#include "platform/graphics/image_list.h"
#include "platform/graphics/menu_item.h"

namespace halbrin::platform {

class TPopupMenu;

// Where the menu stands against the point: its left edge, its right edge or
// its middle there.
enum TPopupAlignment : std::uint8_t { paLeft, paRight, paCenter };

const TEnumInfo& PopupAlignmentInfo();

// Shows a menu and waits until it closed.
class IPopupMenuPresenter {
 public:
  virtual ~IPopupMenuPresenter() = default;
  // Shows `menu`'s items at `screenPoint` and returns once the menu closed:
  // the chosen item (alive), or null when none was chosen.
  virtual TMenuItem* Present(TPopupMenu& menu, TPoint screenPoint, TPopupAlignment alignment) = 0;
  // Closes the open menu, if any: Present returns null.
  virtual void Close() = 0;
};

// Shows nothing, chooses nothing.
class HeadlessPopupMenuPresenter final : public IPopupMenuPresenter {
 public:
  TMenuItem* Present(TPopupMenu&, TPoint, TPopupAlignment) override { return nullptr; }
  void Close() override {}
};

// The process's presenter: the headless one until another is set.
IPopupMenuPresenter& CurrentPopupMenuPresenter();
// Makes `presenter` the process's (null: the headless one) and returns the
// one before (null for the headless one). `presenter` must outlive its use.
IPopupMenuPresenter* SetPopupMenuPresenter(IPopupMenuPresenter* presenter) noexcept;

// Installs `presenter` for the life of the object and restores the one before.
class ScopedPopupMenuPresenter {
 public:
  explicit ScopedPopupMenuPresenter(IPopupMenuPresenter& presenter) noexcept
      : m_previous(SetPopupMenuPresenter(&presenter)) {}
  ~ScopedPopupMenuPresenter() { SetPopupMenuPresenter(m_previous); }
  ScopedPopupMenuPresenter(const ScopedPopupMenuPresenter&) = delete;
  ScopedPopupMenuPresenter& operator=(const ScopedPopupMenuPresenter&) = delete;

 private:
  IPopupMenuPresenter* m_previous;
};

class TPopupMenu : public TComponent {
  HALBRIN_CLASS(TPopupMenu, TComponent)

  explicit TPopupMenu(TComponent* owner = nullptr);
  ~TPopupMenu() override;

  // The root item: its sub-items are the menu's top level. Its Parent is null.
  TMenuItem& Items() const noexcept { return *m_items; }

  // The images the items' ImageIndex points into; null once that list is freed.
  TCustomImageList* Images() const noexcept { return m_images.Get(); }
  void SetImages(TCustomImageList* images) { m_images.Reset(images); }

  // The menu opens by itself on a right click (of a control or a skin's caption).
  bool AutoPopup() const noexcept { return m_autoPopup; }
  void SetAutoPopup(bool value) noexcept { m_autoPopup = value; }

  TPopupAlignment Alignment() const noexcept { return m_alignment; }
  void SetAlignment(TPopupAlignment alignment) noexcept { m_alignment = alignment; }

  // The component the menu is opened for; null once that one is freed.
  TComponent* PopupComponent() const noexcept { return m_popupComponent.Get(); }
  void SetPopupComponent(TComponent* component) { m_popupComponent.Reset(component); }

  // Shows the menu at a screen point and returns once it closed. Does nothing
  // while a menu of the process is open. Otherwise OnPopup runs (it may change
  // the items), the presenter shows the menu, and the chosen item's Click is
  // posted to the main loop: it runs after Popup returned, when the item still
  // lives. The menu is busy while open: freeing it then frees it afterwards.
  virtual void Popup(int x, int y);

  // True while this menu is open.
  bool IsOpen() const noexcept { return m_open; }
  // True while any menu of the process is open.
  static bool AnyOpen() noexcept;

  // Depth first, the first visible, enabled item with `shortCut` whose
  // parents are all visible and enabled; null when none (or for 0).
  TMenuItem* FindShortCut(TShortCut shortCut) const;
  // Clicks the item FindShortCut finds; true when there was one.
  bool IsShortCut(TShortCut shortCut);

  TNotifyEvent& OnPopup() noexcept { return m_onPopup; }

 protected:
  // Fires OnPopup.
  virtual void DoPopup();

 private:
  std::unique_ptr<TMenuItem> m_items;
  TWeakRef<TCustomImageList> m_images;
  TWeakRef<TComponent> m_popupComponent;
  bool m_autoPopup = true;
  TPopupAlignment m_alignment = paLeft;
  bool m_open = false;
  TNotifyEvent m_onPopup;
};

}  // namespace halbrin::platform
