#pragma once

// A popup menu presenter for tests: records each menu it was shown, then
// runs `whileOpen` (as if the user took time while the menu was open) and
// chooses the item at `choose` (captions from the top level down), or none.
// Install it with platform::ScopedPopupMenuPresenter.

#include <functional>
#include <string>
#include <vector>

#include "platform/graphics/popup_menu.h"

namespace halbrin::testing {

class FakePopupMenuPresenter : public platform::IPopupMenuPresenter {
 public:
  struct Shown {
    std::string menu;                    // the menu's Name
    platform::TPoint point;
    platform::TPopupAlignment alignment;
    std::vector<std::string> items;      // visible items depth first, as "File/Open"
    bool open = false;                   // IsOpen() of the menu while shown
  };

  // The captions of the item to choose, top level first; empty: cancel.
  std::vector<std::string> choose;
  // Runs while the menu is "open", before the choice.
  std::function<void(platform::TPopupMenu&)> whileOpen;

  std::vector<Shown> shown;
  int closeCalls = 0;

  platform::TMenuItem* Present(platform::TPopupMenu& menu, platform::TPoint point,
                               platform::TPopupAlignment alignment) override {
    m_closed = false;
    Shown record{menu.Name(), point, alignment, {}, menu.IsOpen()};
    List(menu.Items(), "", record.items);
    shown.push_back(std::move(record));
    platform::TWeakRef<platform::TMenuItem> root(&menu.Items());
    if (whileOpen) whileOpen(menu);
    if (m_closed || !root) return nullptr;
    return Find(*root.Get());
  }

  void Close() override {
    ++closeCalls;
    m_closed = true;
  }

 private:
  static void List(const platform::TMenuItem& parent, const std::string& prefix, std::vector<std::string>& out) {
    for (int i = 0; i < parent.Count(); ++i) {
      const platform::TMenuItem& item = *parent.Items(i);
      if (!item.Visible()) continue;
      out.push_back(prefix + item.Caption());
      List(item, prefix + item.Caption() + "/", out);
    }
  }

  // A chosen item is a visible, enabled one under visible parents, as on screen.
  platform::TMenuItem* Find(platform::TMenuItem& root) const {
    platform::TMenuItem* at = &root;
    for (const std::string& caption : choose) {
      platform::TMenuItem* next = nullptr;
      for (int i = 0; i < at->Count() && !next; ++i) {
        platform::TMenuItem* item = at->Items(i);
        if (item->Visible() && item->Caption() == caption) next = item;
      }
      if (!next) return nullptr;
      at = next;
    }
    return at == &root || !at->Enabled() ? nullptr : at;
  }

  bool m_closed = false;
};

}  // namespace halbrin::testing
