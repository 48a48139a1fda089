// A program with one skinned top-level whose placement sub-skin keeps its
// bounds under a registry path. The display test of placement runs it more
// than once on the same display and settings folder.
//
//   placement_window PATH [--hidden] [--bounds L,T,W,H] [--maximize] [--restore]
//
// It shows the window (not with --hidden), waits until the window manager has
// it where the loaded placement says, prints
//   loaded L,T,R,B max=0|1 normal=L,T,R,B
// (the window's rectangle as the X server has it), then moves and sizes it,
// maximises or restores it as asked, prints the same line as "after", closes
// the window and exits. Exit status 0 when everything was reached, 1 for bad
// arguments, 2 when a wait timed out.

#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "platform/classes/component.h"
#include "platform/controls/win_control.h"
#include "platform/registry/registry.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_init.h"
#include "skins/core/form_skin.h"
#include "skins/core/placement_sub_skin.h"
#include "skins/core/skin_manager.h"
#include "skins/gtk/gtk_window_host.h"
#include "support/main_context_wait.h"

namespace {

using namespace halbrin;
using skins::TRect;
using testing::RunUntil;

struct Options {
  std::string path;
  bool hidden = false;
  bool maximize = false;
  bool restore = false;
  bool move = false;
  TRect bounds;
};

bool Parse(int argc, char** argv, Options& options) {
  if (argc < 2) return false;
  options.path = argv[1];
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--hidden") == 0) {
      options.hidden = true;
    } else if (std::strcmp(argv[i], "--maximize") == 0) {
      options.maximize = true;
    } else if (std::strcmp(argv[i], "--restore") == 0) {
      options.restore = true;
    } else if (std::strcmp(argv[i], "--bounds") == 0 && i + 1 < argc) {
      int l = 0, t = 0, w = 0, h = 0;
      if (std::sscanf(argv[++i], "%d,%d,%d,%d", &l, &t, &w, &h) != 4) return false;
      options.move = true;
      options.bounds = TRect{l, t, l + w, t + h};
    } else {
      return false;
    }
  }
  return true;
}

std::string Describe(const TRect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom);
}

TRect WindowRect(GtkWindow* top) {
  GdkWindow* window = top ? gtk_widget_get_window(GTK_WIDGET(top)) : nullptr;
  if (!window) return {};
  int x = 0, y = 0;
  gdk_window_get_origin(window, &x, &y);
  return TRect{x, y, x + gdk_window_get_width(window), y + gdk_window_get_height(window)};
}

// The "state" value stored under `path`; 0 when there is none.
int StoredState(const std::string& path) {
  platform::TRegistry reg(platform::RootKey::CurrentUser, true);
  if (!reg.OpenKeyReadOnly(path) || reg.GetDataType("state") != platform::RegDataType::Integer) return 0;
  return reg.ReadInteger("state");
}

int Run(const Options& options) {
  if (!platform::InitGtk()) {
    std::fprintf(stderr, "placement_window: no display\n");
    return 1;
  }
  int status = 0;
  {
    platform::GtkControlBackend backend;
    platform::ScopedControlBackend backendScope(backend);
    skins::GtkWindowHostFactoryScope hostScope;
    platform::TComponent owner;

    auto& form = platform::MakeComponent<platform::TWinControl>(owner);
    form.SetName("Form");
    form.SetText("Halbrin Lite placement");
    form.SetVisible(false);
    form.SetBoundsRect(TRect{100, 80, 420, 320});
    form.SetWindowTraits({.caption = true, .border = true, .sizable = true, .framed = true, .sysMenu = true,
                          .minBox = true, .maxBox = true});
    form.HandleNeeded();
    auto& skin = platform::MakeComponent<skins::TZebrinFormSkin>(owner);
    skin.Caption()->Add().Metrics()->SetSize(24);
    auto& placement = platform::MakeComponent<skins::TZebrinPlacementSubSkin>(owner);
    placement.SetRegistryPath(options.path);
    skin.SetSubSkin(&placement);
    skin.SetForm(&form);
    skin.SetEnabled(true);
    GtkWindow* top = backend.TopLevelWindow(form.Window());
    bool mapped = false;
    g_signal_connect(top, "map-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer flag) -> gboolean {
                       *static_cast<bool*>(flag) = true;
                       return FALSE;
                     }),
                     &mapped);

    auto report = [&](const char* what) {
      std::printf("%s %s max=%d normal=%s\n", what, Describe(WindowRect(top)).c_str(), skin.IsMaximized() ? 1 : 0,
                  Describe(skin.PlacementBounds()).c_str());
      std::fflush(stdout);
    };
    // The window on the screen where it was asked to go, and the form
    // agreeing: a configure event of an earlier request can still come in
    // and give the form the old rectangle for a while. `normal` is the
    // rectangle of a window in the normal state; a maximised one covers
    // what the window manager gives.
    std::optional<TRect> normal;
    auto settled = [&] {
      if (!mapped || WindowRect(top) != form.BoundsRect()) return false;
      if (!normal) return skin.Host()->IsMaximized();
      return !skin.Host()->IsMaximized() && form.BoundsRect() == *normal;
    };
    auto wait = [&](const char* what) {
      if (RunUntil(settled)) return true;
      std::fprintf(stderr, "placement_window: timed out %s; window %s, form %s\n", what,
                   Describe(WindowRect(top)).c_str(), Describe(form.BoundsRect()).c_str());
      status = 2;
      return false;
    };
    if (options.hidden) {
      // Never on the screen: moved about and let go.
      form.SetBoundsRect(TRect{10, 10, 210, 160});
    } else {
      // Showing loads the placement; a stored maximised state is asked of
      // the window manager then, which answers later.
      const bool storedMaximized = StoredState(options.path) == 3;
      form.Show();
      gtk_window_present(top);
      if (placement.Pending()) {
        std::fprintf(stderr, "placement_window: showing did not load the placement\n");
        status = 2;
      }
      if (!storedMaximized) normal = form.BoundsRect();
      if (wait("showing")) {
        report("loaded");
        if (options.move) {
          form.SetBoundsRect(options.bounds);
          normal = options.bounds;
        }
        if (options.maximize) {
          skin.Maximize();
          normal.reset();
        }
        if (options.restore) {
          normal = skin.NormalBounds();
          skin.Restore();
        }
        if (wait("changing state")) report("after");
      }
      skin.Close();
      if (!RunUntil([&] { return !form.Visible(); })) {
        std::fprintf(stderr, "placement_window: the window did not close\n");
        status = 2;
      }
    }
  }
  skins::FreeSkinManager();
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr, "usage: placement_window PATH [--hidden] [--bounds L,T,W,H] [--maximize] [--restore]\n");
    return 1;
  }
  return Run(options);
}
