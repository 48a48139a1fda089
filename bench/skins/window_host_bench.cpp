// A full frame repaint (edges, caption bands, window buttons) of an 800x600
// skinned top-level through TGtkWindowHost. Needs a display (xvfb-run);
// without one the cases are skipped.
#include <benchmark/benchmark.h>
#include <gtk/gtk.h>

#include <memory>
#include <optional>

#include "platform/classes/component.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_init.h"
#include "skins/core/custom_skin.h"
#include "skins/gtk/gtk_window_host.h"

namespace halbrin::skins {
namespace {

class TBenchSkin : public TZebrinCustomSkin {
 public:
  using TZebrinCustomSkin::TZebrinCustomSkin;
  std::vector<TZebrinSkinButtonStyle> DefaultButtons() const override { return {btsClose, btsMaximize, btsMinimize}; }
};

// A skinned, shown 800x600 window for the life of the object.
class SkinnedWindow {
 public:
  SkinnedWindow() : m_backendScope(m_backend), m_owner(std::make_unique<platform::TComponent>()) {
    form = &platform::MakeComponent<platform::TWinControl>(*m_owner);
    form->SetText("Untitled document - Halbrin Lite");
    form->SetBounds(40, 40, 800, 600);
    form->SetWindowTraits({.caption = true, .border = true, .sizable = true, .framed = true, .sysMenu = true,
                           .minBox = true, .maxBox = true});
    form->HandleNeeded();
    auto& skin = platform::MakeComponent<TBenchSkin>(*m_owner);
    skin.Caption()->Add().Metrics()->SetSize(22);
    skin.Caption()->SetTransparent(false);
    skin.Footer()->Add().Metrics()->SetSize(18);
    skin.SetControl(form);
    skin.SetEnabled(true);
    frame = GTK_WIDGET(m_backend.Frame(form->Window()));
    g_signal_connect_after(frame, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer drawn) {
                             ++*static_cast<int*>(drawn);
                             return FALSE;
                           }),
                           &draws);
    while (draws == 0 || gtk_widget_get_allocated_width(frame) != 800) g_main_context_iteration(nullptr, TRUE);
  }
  ~SkinnedWindow() {
    m_owner.reset();
    FreeSkinManager();
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }

  platform::TWinControl* form = nullptr;
  GtkWidget* frame = nullptr;
  int draws = 0;

 private:
  platform::GtkControlBackend m_backend;
  platform::ScopedControlBackend m_backendScope;
  GtkWindowHostFactoryScope m_hosts;
  std::unique_ptr<platform::TComponent> m_owner;
};

// The toolkit's whole cycle: queue a redraw and run the loop until the frame drew.
void BM_HostFrameRedraw(benchmark::State& state) {
  if (!platform::InitGtk()) {
    state.SkipWithError("no display; run under xvfb-run");
    return;
  }
  SkinnedWindow window;
  for (auto _ : state) {
    const int before = window.draws;
    gtk_widget_queue_draw(window.frame);
    while (window.draws == before) g_main_context_iteration(nullptr, TRUE);
  }
}
BENCHMARK(BM_HostFrameRedraw)->Unit(benchmark::kMicrosecond);

// The host's paint path alone: "paint-frame" on a surface like the window's.
void BM_HostPaintFrame(benchmark::State& state) {
  if (!platform::InitGtk()) {
    state.SkipWithError("no display; run under xvfb-run");
    return;
  }
  SkinnedWindow window;
  cairo_surface_t* surface =
      gdk_window_create_similar_surface(gtk_widget_get_window(window.frame), CAIRO_CONTENT_COLOR_ALPHA, 800, 600);
  cairo_t* cr = cairo_create(surface);
  for (auto _ : state) {
    g_signal_emit_by_name(window.frame, "paint-frame", cr);
    cairo_surface_flush(surface);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_HostPaintFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace halbrin::skins
