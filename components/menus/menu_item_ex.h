#pragma once

// Script-visible menu items: TMenuItemEx ("menuitem") over the class
// library's TMenuItem, with its own font, style, alignment, size and colour
// for TDefaultMenuOwnerDraw, `exec` words and the "click" event.
//
//   <control type="menu" id="Context">
//     <item id="Open" caption="&Open" shortcut:ShortCut="Ctrl+O" xml="openFile"/>
//     <item id="Recent" caption="Recent"><item id="Last" caption="last.txt"/></item>
//   </control>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/foundation/collection_interfaces.h"
#include "core/framework/component_interfaces.h"
#include "core/framework/script_event_source.h"
#include "platform/graphics/font.h"
#include "platform/graphics/menu_item.h"
#include "platform/variant/variant.h"

namespace halbrin {

class TPopupMenuEx;

// A plain item, or a group header drawn in the group colours.
enum TMenuItemStyle : std::uint8_t { misItem, misGroup };
enum TMenuTextAlign : std::uint8_t { mtaLeft, mtaRight };
enum TMenuTextLayout : std::uint8_t { mtlTop, mtlCenter, mtlBottom };

const platform::TEnumInfo& MenuItemStyleInfo();
const platform::TEnumInfo& MenuTextAlignInfo();
const platform::TEnumInfo& MenuTextLayoutInfo();

class TMenuItemEx : public TScriptEventSourceOf<platform::TMenuItem>,
                    public IItemCollection,
                    public IComponentType,
                    public IExecutable,
                    public IDeclaredItemList {
  HALBRIN_CLASS(TMenuItemEx, TScriptEventSourceOf<platform::TMenuItem>)

  // Registers the item with the application (ApplicationHooks()) and plugs
  // TDefaultMenuOwnerDraw into its measure and draw notifications.
  explicit TMenuItemEx(platform::TComponent* owner = nullptr);
  ~TMenuItemEx() override;

  std::string GetTypeName() const override { return "menuitem"; }

  const platform::Variant& Data() const noexcept { return m_data; }
  void SetData(const platform::Variant& data) { m_data = data; }

  // The item's own font, made on first call as a copy of the menu font.
  platform::TFont* Font();
  // The own font when it was made; null otherwise.
  const platform::TFont* OwnFont() const noexcept { return m_font.get(); }

  TMenuItemStyle Style() const noexcept { return m_style; }
  void SetStyle(TMenuItemStyle style) noexcept { m_style = style; }
  TMenuTextAlign TextAlign() const noexcept { return m_textAlign; }
  void SetTextAlign(TMenuTextAlign align) noexcept { m_textAlign = align; }
  TMenuTextLayout TextLayout() const noexcept { return m_textLayout; }
  void SetTextLayout(TMenuTextLayout layout) noexcept { m_textLayout = layout; }
  // Pixels; below 0 the item is measured.
  int Height() const noexcept { return m_height; }
  void SetHeight(int height) noexcept { m_height = height; }
  int Width() const noexcept { return m_width; }
  void SetWidth(int width) noexcept { m_width = width; }
  // The background; clDefault for the look's own.
  platform::TColor Color() const noexcept { return m_color; }
  void SetColor(platform::TColor color) noexcept { m_color = color; }
  // A check box (an option for a RadioItem) in the check room.
  bool ShowCheckBox() const noexcept { return m_showCheckBox; }
  void SetShowCheckBox(bool value) noexcept { m_showCheckBox = value; }

  // The script menu whose tree holds the item; null for a free-standing one.
  TPopupMenuEx* MenuEx() const noexcept;

  // The xml of the "onclick" binding: "" while there is none; writing
  // attaches it first.
  std::string Xml() const;
  void SetXml(const std::string& xml);

  // The depth-first, pre-order search of the sub-tree: the first item below
  // whose Name matches (letter case ignored); null when none.
  platform::TMenuItem* FindSubItem(std::string_view name) const;

  // IItemCollection over the sub-items: clear frees them.
  void clear() override { Clear(); }
  bool empty() const override { return TMenuItem::Count() == 0; }
  void setEmpty(bool value) override {
    if (value) Clear();
  }
  int length() const override { return TMenuItem::Count(); }

  // IScriptEventSource. The bindings are made on first read; their script,
  // until one is set, is that of the menu's bindings when the menu has them.
  TScriptEvents* GetEvents() override;
  platform::Variant FireEvent(std::string_view name, std::span<const platform::Variant> args,
                              platform::TComponent* sender) override;

  // IExecutable: "click" (nothing runs when disabled), "clear"; letter case
  // ignored. The result is true for these, false for any other word.
  platform::Variant GetExec() const override { return m_execResult; }
  void SetExec(const platform::Variant& value) override;

  // IDeclaredItemList over the sub-items: a new TMenuItemEx is appended.
  platform::TObject* NewItem(const std::string& name) override;
  platform::TObject* ItemAt(int index) const override;
  int Count() const noexcept override { return TMenuItem::Count(); }
  platform::TObject* FindItem(std::string_view name) const override { return FindSubItem(name); }

  // "click" with [Name, Checked, data]; the answer is ignored.
  void clickHandler(platform::TObject* sender);

 private:
  // TDefaultMenuOwnerDraw, plugged into OnMeasureItem and OnDrawItem.
  void MeasureOwnerDrawn(platform::TObject* sender, platform::ICanvas& canvas, int& width, int& height);
  void DrawOwnerDrawn(platform::TObject* sender, platform::ICanvas& canvas, platform::TRect rect, bool selected);

  platform::Variant m_execResult = platform::Variant::Null();
  platform::Variant m_data = platform::Variant::Null();
  std::unique_ptr<platform::TFont> m_font;
  TMenuItemStyle m_style = misItem;
  TMenuTextAlign m_textAlign = mtaLeft;
  TMenuTextLayout m_textLayout = mtlCenter;
  int m_height = -1;
  int m_width = -1;
  platform::TColor m_color = platform::clDefault;
  bool m_showCheckBox = false;
};

// The depth-first, pre-order search below `parent`: a sub-item whose Name
// matches (letter case ignored), else the search goes inside it; null when
// none (and for an empty name).
platform::TMenuItem* FindMenuItem(const platform::TMenuItem& parent, std::string_view name);

}  // namespace halbrin
