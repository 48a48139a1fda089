#include "skins/gtk/register_skin_objects.h"

#include <glib.h>

#include <memory>
#include <string_view>

#include "core/app/application_ex.h"
#include "core/app/project_info.h"
#include "skins/core/skin_log.h"
#include "skins/core/skin_manager.h"

namespace halbrin::skins {

void RegisterSkinObjects() {
  SetDefaultObjectFactory(TApplicationObject::Skins, [] {
    auto manager = std::make_unique<TZebrinSkinManager>();
    // Skin files come from the project's or the application's folder.
    manager->SetSkinFolders(ProjectInfo().folder, ApplicationFolder());
    // No timers once the application ends, or when there is none.
    manager->isTerminating = [] { return !ApplicationExExists() || GetApplicationEx()->Terminated(); };
    // Elements set their cursors only while the application shows the default one (crDefault 0).
    manager->isScreenCursorDefault = [] { return !ApplicationExExists() || GetApplicationEx()->Cursor() == 0; };
    manager->onLog = [](const std::string& message) {
      if (ApplicationExExists()) GetApplicationEx()->Log("TZebrinSkinManager", message);
    };
    // New desktop colours reach the application's colours and the main form's skin.
    manager->onSystemColorsChanged = [manager = manager.get()] {
      if (ApplicationExExists())
        if (TApplicationEx* app = GetApplicationEx()) app->skinsUpdateSystemColors(manager);
    };
    return manager;
  });
  SetSkinManagerCreator([]() -> TZebrinSkinManager* {
    if (!ApplicationExExists()) return nullptr;
    TApplicationEx* app = GetApplicationEx();
    if (!app) return nullptr;
    return dynamic_cast<TZebrinSkinManager*>(&app->GetObject(TApplicationObject::Skins));
  });
  // What the skins could not do goes to the application's log; before and
  // after an application, to GLib's message log.
  SetSkinLogSink([](std::string_view source, std::string_view message) {
    if (ApplicationExExists())
      if (TApplicationEx* app = GetApplicationEx()) {
        app->Log(source, message);
        return;
      }
    g_message("%.*s: %.*s", static_cast<int>(source.size()), source.data(), static_cast<int>(message.size()),
              message.data());
  });
}

}  // namespace halbrin::skins
