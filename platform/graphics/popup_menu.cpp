#include "platform/graphics/popup_menu.h"

#include "platform/classes/class_builder.h"
#include "platform/eventloop/main_event_loop.h"

namespace halbrin::platform {

namespace {

// The process's presenter and whether one of its menus is open (the window
// system grabs for one menu at a time).
struct PopupMenuState {
  HeadlessPopupMenuPresenter headless;
  IPopupMenuPresenter* presenter = nullptr;
  bool open = false;
};

PopupMenuState& PopupMenus() {
  static PopupMenuState state;
  return state;
}

// Marks the menu and the process open for its life.
class OpenMark {
 public:
  explicit OpenMark(bool& menuOpen) : m_menuOpen(menuOpen) { m_menuOpen = PopupMenus().open = true; }
  ~OpenMark() { m_menuOpen = PopupMenus().open = false; }
  OpenMark(const OpenMark&) = delete;
  OpenMark& operator=(const OpenMark&) = delete;

 private:
  bool& m_menuOpen;
};

bool Usable(const TMenuItem& item) { return item.Visible() && item.Enabled(); }

TMenuItem* FindShortCutIn(const TMenuItem& parent, TShortCut shortCut) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (!Usable(*item)) continue;
    if (item->ShortCut() == shortCut) return item;
    if (TMenuItem* found = FindShortCutIn(*item, shortCut)) return found;
  }
  return nullptr;
}

}  // namespace

const TEnumInfo& PopupAlignmentInfo() {
  static const TEnumInfo info("TPopupAlignment", {"paLeft", "paRight", "paCenter"});
  return info;
}

IPopupMenuPresenter& CurrentPopupMenuPresenter() {
  PopupMenuState& state = PopupMenus();
  return state.presenter ? *state.presenter : state.headless;
}

IPopupMenuPresenter* SetPopupMenuPresenter(IPopupMenuPresenter* presenter) noexcept {
  PopupMenuState& state = PopupMenus();
  IPopupMenuPresenter* previous = state.presenter;
  state.presenter = presenter;
  return previous;
}

HALBRIN_DEFINE_CLASS(TPopupMenu,
                     .Enum("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment, PopupAlignmentInfo())
                     .Property("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup)
                     .Default(true)
                     .Property("Images", &TPopupMenu::Images, &TPopupMenu::SetImages)
                     .Property("PopupComponent", &TPopupMenu::PopupComponent, &TPopupMenu::SetPopupComponent)
                     .Stored(false)
                     .Event("OnPopup", &TPopupMenu::m_onPopup, "TNotifyEvent"))

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), m_items(std::make_unique<TMenuItem>(this)) {
  // The root is not one of the menu's components, but its owner chain ends
  // here, so an item's busy guard holds the menu too.
  m_items->m_menu = this;
}

TPopupMenu::~TPopupMenu() = default;

bool TPopupMenu::AnyOpen() noexcept { return PopupMenus().open; }

void TPopupMenu::Popup(int x, int y) {
  if (AnyOpen()) return;
  TBusyGuard busy(*this);
  TWeakRef<TMenuItem> chosen;
  {
    OpenMark open(m_open);
    DoPopup();
    if (IsFreePending()) return;
    chosen.Reset(CurrentPopupMenuPresenter().Present(*this, TPoint{x, y}, m_alignment));
  }
  if (!chosen) return;
  MainEventLoop().Post([chosen] {
    TMenuItem* item = chosen.Get();
    if (!item) return;
    TBusyGuard busy(*item);
    item->Click();
  });
}

void TPopupMenu::DoPopup() { m_onPopup(this); }

TMenuItem* TPopupMenu::FindShortCut(TShortCut shortCut) const {
  if (shortCut == 0) return nullptr;
  return FindShortCutIn(*m_items, shortCut);
}

bool TPopupMenu::IsShortCut(TShortCut shortCut) {
  TMenuItem* item = FindShortCut(shortCut);
  if (!item) return false;
  TBusyGuard busy(*item);
  item->Click();
  return true;
}

}  // namespace halbrin::platform
