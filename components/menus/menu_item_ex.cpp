#include "components/menus/menu_item_ex.h"

#include "components/menus/menu_owner_draw.h"
#include "components/menus/popup_menu_ex.h"
#include "core/framework/application_hooks.h"
#include "core/framework/executable_component.h"
#include "core/framework/fire_script_event.h"
#include "core/framework/script_events.h"
#include "platform/base/case_fold.h"
#include "platform/classes/class_builder.h"

namespace halbrin {

using namespace halbrin::platform;

const TEnumInfo& MenuItemStyleInfo() {
  static const TEnumInfo info("TMenuItemStyle", {"misItem", "misGroup"});
  return info;
}

const TEnumInfo& MenuTextAlignInfo() {
  static const TEnumInfo info("TMenuTextAlign", {"mtaLeft", "mtaRight"});
  return info;
}

const TEnumInfo& MenuTextLayoutInfo() {
  static const TEnumInfo info("TMenuTextLayout", {"mtlTop", "mtlCenter", "mtlBottom"});
  return info;
}

HALBRIN_DEFINE_CLASS(TMenuItemEx,
                     .Property("color", &TMenuItemEx::Color, &TMenuItemEx::SetColor)
                     .TypeName("TColor")
                     .Default(Variant(clDefault))
                     .Property("data", &TMenuItemEx::Data, &TMenuItemEx::SetData)
                     .Property(
                         "empty", [](const TMenuItemEx& self) { return self.empty(); },
                         [](TMenuItemEx& self, bool value) { self.setEmpty(value); })
                     .Stored(false)
                     .Property("eventData", &TMenuItemEx::GetEventData, &TMenuItemEx::SetEventData)
                     .Property(
                         "events", [](const TMenuItemEx& self) { return const_cast<TMenuItemEx&>(self).GetEvents(); },
                         [](TMenuItemEx& self, TScriptEvents* events) { self.SetEvents(events); })
                     .Stored(false)
                     .Property("exec", &TMenuItemEx::GetExec, &TMenuItemEx::SetExec)
                     .Stored(false)
                     .Property(
                         "font", [](const TMenuItemEx& self) { return const_cast<TMenuItemEx&>(self).Font(); },
                         [](TMenuItemEx& self, TFont* font) {
                           if (font) self.Font()->Assign(*font);
                         })
                     .Owned()
                     .Stored(false)
                     .Property("height", &TMenuItemEx::Height, &TMenuItemEx::SetHeight)
                     .Default(Variant(-1))
                     .Property("items", [](const TMenuItemEx& self) { return const_cast<TMenuItemEx*>(&self); })
                     .Stored(false)
                     .Property("length", [](const TMenuItemEx& self) { return self.length(); })
                     .Stored(false)
                     .Property("menu", &TMenuItemEx::MenuEx)
                     .Stored(false)
                     .Property("parent", [](const TMenuItemEx& self) { return self.Parent(); })
                     .Stored(false)
                     .Property("showCheckBox", &TMenuItemEx::ShowCheckBox, &TMenuItemEx::SetShowCheckBox)
                     .Default(Variant(false))
                     .Enum("style", &TMenuItemEx::Style, &TMenuItemEx::SetStyle, MenuItemStyleInfo())
                     .Default(Variant(0))
                     .Property(
                         "text", [](const TMenuItemEx& self) { return self.Caption(); },
                         [](TMenuItemEx& self, const std::string& text) { self.SetCaption(text); })
                     .Stored(false)
                     .Enum("textAlign", &TMenuItemEx::TextAlign, &TMenuItemEx::SetTextAlign, MenuTextAlignInfo())
                     .Default(Variant(0))
                     .Enum("textLayout", &TMenuItemEx::TextLayout, &TMenuItemEx::SetTextLayout, MenuTextLayoutInfo())
                     .Default(Variant(1))
                     .Property("width", &TMenuItemEx::Width, &TMenuItemEx::SetWidth)
                     .Default(Variant(-1))
                     .Property("xml", &TMenuItemEx::Xml, &TMenuItemEx::SetXml)
                     .Stored(false)
                     .Handler("clickHandler", &TMenuItemEx::clickHandler))

TMenuItem* FindMenuItem(const TMenuItem& parent, std::string_view name) {
  if (name.empty()) return nullptr;
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem* item = parent.Items(i);
    if (SameText(item->Name(), name)) return item;
    if (TMenuItem* found = FindMenuItem(*item, name)) return found;
  }
  return nullptr;
}

TMenuItemEx::TMenuItemEx(TComponent* owner) : Inherited(owner) {
  ApplicationHooks().RegisterComponent(*this);
  OnMeasureItem().Bind(*this, &TMenuItemEx::MeasureOwnerDrawn);
  OnDrawItem().Bind(*this, &TMenuItemEx::DrawOwnerDrawn);
}

TMenuItemEx::~TMenuItemEx() {
  m_execResult = Variant::Null();
  m_data = Variant::Null();
  m_font.reset();
}

TFont* TMenuItemEx::Font() {
  if (!m_font) {
    auto font = std::make_unique<TFont>();
    font->Assign(TDefaultMenuOwnerDraw::MenuFont());
    m_font = std::move(font);
  }
  return m_font.get();
}

TPopupMenuEx* TMenuItemEx::MenuEx() const noexcept { return dynamic_cast<TPopupMenuEx*>(Menu()); }

std::string TMenuItemEx::Xml() const {
  const TScriptEvents* events = EventsSlot().Peek();
  const TScriptEvent* binding = events ? events->Find("onclick") : nullptr;
  return binding ? binding->GetXml() : std::string();
}

void TMenuItemEx::SetXml(const std::string& xml) {
  if (TScriptEvents* events = GetEvents()) events->AttachEvent("onclick").SetXml(xml);
}

TMenuItem* TMenuItemEx::FindSubItem(std::string_view name) const { return FindMenuItem(*this, name); }

TScriptEvents* TMenuItemEx::GetEvents() {
  const bool made = EventsSlot().Peek() == nullptr;
  TScriptEvents* events = EventsSlot().Get();
  if (made && events) {
    events->SetOnGetScript([this] {
      TPopupMenuEx* menu = MenuEx();
      return menu && menu->HasEvents() ? menu->GetEvents()->GetScript() : std::string();
    });
  }
  return events;
}

Variant TMenuItemEx::FireEvent(std::string_view name, std::span<const Variant> args, TComponent* sender) {
  return FireScriptEvent(*this, *this, name, args, sender);
}

void TMenuItemEx::SetExec(const Variant& value) {
  m_execResult = true;
  const std::string word = ExecVerbText(value);
  if (SameText(word, "click"))
    Click();
  else if (SameText(word, "clear"))
    Clear();
  else
    m_execResult = false;
}

TObject* TMenuItemEx::NewItem(const std::string& name) {
  auto made = std::make_unique<TMenuItemEx>(this);
  // Named before it joins: a name taken among the sub-items leaves nothing behind.
  if (!name.empty()) made->SetName(name);
  return &Add(std::move(made));
}

TObject* TMenuItemEx::ItemAt(int index) const {
  return index >= 0 && index < TMenuItem::Count() ? Items(index) : nullptr;
}

void TMenuItemEx::clickHandler(TObject*) {
  const Variant args[] = {Variant(Name()), Variant(Checked()), m_data};
  FireEvent("click", args, nullptr);
}

void TMenuItemEx::MeasureOwnerDrawn(TObject*, ICanvas& canvas, int& width, int& height) {
  TDefaultMenuOwnerDraw::Measure(*this, canvas, width, height);
}

void TMenuItemEx::DrawOwnerDrawn(TObject*, ICanvas& canvas, TRect rect, bool selected) {
  TDefaultMenuOwnerDraw::Draw(*this, canvas, rect, selected);
}

}  // namespace halbrin
