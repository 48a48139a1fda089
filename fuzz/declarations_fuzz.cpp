// Declarations as a script hands them to client.exec: the text goes through
// the creating mapper over a small tree of registered components (a panel
// holding a button and a collection, the core's own type words). Whatever it
// says, the mapper ends with an answer or an error, and every component it
// made leaves the registry when the tree is freed.
//
// Input: the body of a "controls" element that declares the usual prefixes.

#include <cstdint>
#include <memory>
#include <string>

#include "core/framework/application_components.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "core/framework/executable_component.h"
#include "core/framework/script_events.h"
#include "core/framework/std_events_component.h"
#include "core/framework/xml_type_info_ex.h"
#include "platform/classes/collection.h"
#include "platform/eventloop/fake_event_loop.h"
#include "platform/eventloop/main_event_loop.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

using platform::TComponent;
using platform::TObject;
using platform::Variant;

class TFuzzItem : public platform::TCollectionItem {
  HALBRIN_CLASS(TFuzzItem, platform::TCollectionItem)

  TFuzzItem() = default;
  std::string m_caption;
};

// A property of each kind declarations convert.
class TFuzzPanel : public TCustomExecutableStdEventsComponentEx {
  HALBRIN_CLASS(TFuzzPanel, TCustomExecutableStdEventsComponentEx)

  explicit TFuzzPanel(TComponent* owner = nullptr)
      : TCustomExecutableStdEventsComponentEx(owner),
        m_items(std::make_unique<platform::TOwnedCollection>(this, TFuzzItem::StaticClassInfo())) {}
  std::string GetTypeName() const override { return "fuzzpanel"; }

  std::string m_caption;
  int m_width = 0;
  int m_color = 0;
  int m_shortCut = 0;
  double m_stamp = 0;
  bool m_visible = false;
  platform::TWeakRef<TFuzzPanel> m_parent;
  std::unique_ptr<platform::TOwnedCollection> m_items;
  platform::TNotifyEvent m_onClick;

  platform::TOwnedCollection* Items() const { return m_items.get(); }
  Variant Sum(const Variant& a, const Variant& b) { return Variant(a.ToInt64() + b.ToInt64()); }
};

class TFuzzButton : public TCustomExecutableStdEventsComponentEx {
  HALBRIN_CLASS(TFuzzButton, TCustomExecutableStdEventsComponentEx)

  explicit TFuzzButton(TComponent* owner = nullptr) : TCustomExecutableStdEventsComponentEx(owner) {}
  std::string GetTypeName() const override { return "fuzzbutton"; }

  platform::TNotifyEvent m_onClick;
  TMouseEvent m_onMouseDown;
};

}  // namespace

HALBRIN_DEFINE_CLASS(TFuzzItem, .Property("caption", &TFuzzItem::m_caption,
                                          [](TFuzzItem& i, const std::string& v) { i.m_caption = v; }))

HALBRIN_DEFINE_CLASS(
    TFuzzPanel,
    .Property("caption", &TFuzzPanel::m_caption, [](TFuzzPanel& p, const std::string& v) { p.m_caption = v; })
    .Property("width", &TFuzzPanel::m_width, [](TFuzzPanel& p, int v) { p.m_width = v; })
    .Property("visible", &TFuzzPanel::m_visible, [](TFuzzPanel& p, bool v) { p.m_visible = v; })
    .Property("color", &TFuzzPanel::m_color, [](TFuzzPanel& p, int v) { p.m_color = v; })
    .TypeName("TColor")
    .Property("shortCut", &TFuzzPanel::m_shortCut, [](TFuzzPanel& p, int v) { p.m_shortCut = v; })
    .TypeName("TShortCut")
    .Property("stamp", &TFuzzPanel::m_stamp, [](TFuzzPanel& p, double v) { p.m_stamp = v; })
    .TypeName("TDateTime")
    .Property("Parent", [](const TFuzzPanel& p) { return p.m_parent.Get(); },
              [](TFuzzPanel& p, TFuzzPanel* v) { p.m_parent.Reset(v); })
    .Property("items", &TFuzzPanel::Items)
    .Owned()
    .Event("onclick", &TFuzzPanel::m_onClick, "TNotifyEvent")
    .Method("sum", &TFuzzPanel::Sum, {"a", "b"}))

HALBRIN_DEFINE_CLASS(TFuzzButton, .Event("onclick", &TFuzzButton::m_onClick, "TNotifyEvent")
                                      .Event("onmousedown", &TFuzzButton::m_onMouseDown, "TMouseEvent"))

namespace {

// The application's side: a registry and an owner; scripts answer nothing.
class TFuzzHooks : public IApplicationHooks {
 public:
  void RegisterComponent(TComponent& component) override { registry.Add(&component); }
  TCustomApplicationComponents* RegisteredComponents() override { return &registry; }
  TComponent* ApplicationComponent() override { return &root; }
  void HandleException(TObject*, const std::exception&) override {}
  Variant RunScriptProcedure(std::string_view, const std::string&, const Variant&, int) override { return {}; }
  Variant EvaluateExpression(std::string_view expression) override { return Variant(std::string(expression)); }

  // Declared before the root: components the root owns leave the registry as they go.
  TApplicationComponents registry;
  TComponent root;
};

constexpr std::string_view kOpening =
    "<controls xmlns:new=\"p\" xmlns:exist=\"p\" xmlns:update=\"p\" xmlns:skip=\"p\" xmlns:get=\"p\" "
    "xmlns:color=\"p\" xmlns:shortcut=\"p\" xmlns:ratio=\"p\" xmlns:datetime=\"p\">";

void Run(std::string_view body) {
  platform::FakeEventLoop loop;
  platform::ScopedMainEventLoop loopScope(loop);
  TFuzzHooks hooks;
  {
    ScopedApplicationHooks hooksScope(hooks);
    auto* main = dynamic_cast<TFuzzPanel*>(CreateComponentByType(&hooks.root, "fuzzpanel", "Main"));
    CreateComponentByType(main, "fuzzbutton", "Ok");
    auto* side = dynamic_cast<TFuzzPanel*>(CreateComponentByType(&hooks.root, "fuzzpanel", "Side"));
    fuzzing::Check(main && side, "the tree's type words are not registered");
    side->m_parent.Reset(main);

    TXmlTypeInfoEx mapper;
    Variant result;
    try {
      mapper.Execute(Variant(std::string(kOpening) + std::string(body) + "</controls>"), result);
    } catch (const platform::Exception&) {
      // A declaration that does not parse, or an error the mapper passes on.
    }
    DropAsyncScriptEvents();
    hooks.root.DestroyComponents();
  }
  fuzzing::Check(hooks.registry.GetLength() == 0, "a freed component is still registered");
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = [] {
    halbrin::RegisterCoreComponentTypes();
    halbrin::RegisterComponentClass<halbrin::TFuzzPanel>("fuzzpanel");
    halbrin::RegisterComponentClass<halbrin::TFuzzButton>("fuzzbutton");
    return true;
  }();
  (void)registered;
  halbrin::Run(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
