#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "components/browser/web_browser_ex.h"
#include "components/browser/webkit_browser_views.h"
#include "components/cabinet/cabinet_ex.h"
#include "components/clipboard/clipboard_ex.h"
#include "components/dialogs/dialog_objects.h"
#include "components/dialogs/image_list_ex.h"
#include "components/docindex/file_document_index.h"
#include "components/forms/form_component_hooks.h"
#include "components/forms/form_component_types.h"
#include "components/forms/gtk/gtk_application_ui.h"
#include "components/forms/icon_decoder.h"
#include "components/menus/menu_component_types.h"
#include "components/shell/file_operation_ex.h"
#include "components/shell/shell_component_types.h"
#include "components/tasks/task_runner.h"
#include "components/tasks/task_scheduler_ex.h"
#include "components/timers/timer_ex.h"
#include "core/app/application_ex.h"
#include "core/app/files.h"
#include "core/app/program_main.h"
#include "core/app/project.h"
#include "platform/graphics/image_decoder.h"
#include "platform/shell/libnotify_balloons.h"
#include "platform/shell/status_notifier_item.h"
#include "platform/ui/gtk_clipboard_service.h"
#include "platform/ui/gtk_control_backend.h"
#include "platform/ui/gtk_desktop_service.h"
#include "platform/ui/gtk_dialog_service.h"
#include "platform/ui/gtk_status_icon_tray.h"
#include "platform/ui/gtk_task_sheet_service.h"
#include "platform/ui/icon_pixbuf.h"
#include "skins/core/skin_manager.h"
#include "skins/gtk/gtk_popup_menu_presenter.h"
#include "skins/gtk/gtk_skin_popup_factory.h"
#include "skins/gtk/gtk_window_host.h"
#include "skins/gtk/register_skin_objects.h"
#include "web/binding/web_controls.h"
#include "web/browser/web_process_init.h"
#include "web/data/data_items.h"
#include "web/data/data_providers.h"
#include "web/download/url_loader_ex.h"

int main(int argc, char** argv) {
  // A task's runner, from its timer or "run": no web process, no display, no project.
  if (halbrin::IsRunTaskCommand(argc, argv))
    return halbrin::RunTaskMain(std::vector<std::string>(argv + 2, argv + argc));
  // Before anything can make a JavaScriptCore context: pages would never load otherwise.
  halbrin::InitializeWebProcess();
  // GTK message boxes when there is a display; the headless answer otherwise.
  halbrin::platform::GtkDialogServiceScope dialogs;
  // The scheduled tasks' property sheet, as the message boxes.
  halbrin::platform::GtkTaskSheetServiceScope taskSheets;
  // Desktop colours, fonts and monitors from GTK when there is a display; the headless answers otherwise.
  halbrin::platform::GtkDesktopServiceScope desktop;
  // The desktop clipboard when there is a display; an in-process one otherwise.
  halbrin::platform::GtkClipboardServiceScope clipboard;
  // Controls get GTK windows when there is a display; headless ones show nothing.
  halbrin::platform::GtkControlBackendScope controls;
  // Skinned controls paint and take input on the controls' GTK windows, and
  // their hint windows, pop-ups, indicators and item editor are GTK windows
  // too: both follow the controls, not the desktop answers (which may be
  // the headless ones on a display).
  std::optional<halbrin::skins::GtkSkinPopupFactoryScope> popups;
  std::optional<halbrin::skins::GtkWindowHostFactoryScope> windowHosts;
  // Popup menus are GtkMenus of owner-drawn items when there is a display.
  std::optional<halbrin::skins::GtkPopupMenuPresenterScope> popupMenus;
  if (controls.Installed()) {
    popups.emplace();
    windowHosts.emplace();
    popupMenus.emplace();
  }
  // The application's windows, activation, cursor and pointer state from GTK when there is a display.
  halbrin::GtkApplicationUiScope applicationUi;
  // Only another program's activation deactivates the application: the floating forms hide then.
  if (halbrin::TGtkApplicationUi* ui = applicationUi.Ui())
    ui->SetOnActivationChanged([](bool active) {
      if (!halbrin::ApplicationExExists()) return;
      if (halbrin::TApplicationEx* app = halbrin::GetApplicationEx()) app->ActivationChanged(active, false);
    });
  // The application reaches forms and skins through these (core cannot include them).
  halbrin::TFormComponentHooks formHooks;
  halbrin::ScopedApplicationComponentHooks formHooksScope(formHooks);
  // Icons are decoded with GdkPixbuf (no display needed); the application's
  // icon becomes the windows' default one when there are windows.
  halbrin::SetIconDecoder([](const halbrin::IconImage& icon) {
    return halbrin::platform::DecodeIconBytes(icon.bytes, icon.index);
  });
  if (controls.Installed())
    formHooks.SetApplicationIconSink([](const halbrin::IconImage* icon) {
      if (icon)
        halbrin::platform::SetDefaultWindowIconFromBytes(icon->bytes, icon->index);
      else
        halbrin::platform::SetDefaultWindowIconFromBytes({}, 0);
    });
  // Tray icons are StatusNotifierItems on the session bus (GtkStatusIcons on an X11 display
  // without a StatusNotifierItem host); balloons go through libnotify.
  halbrin::platform::ScopedTrayIconServiceFactory trayIcons(controls.Installed()
                                                                ? halbrin::platform::DefaultTrayIconServiceFactory()
                                                                : halbrin::platform::StatusNotifierTrayIconFactory());
  halbrin::platform::ScopedNotificationServiceFactory balloons(
      halbrin::platform::LibnotifyNotificationServiceFactory());
  halbrin::RegisterShellComponentTypes();
  halbrin::RegisterTimerComponentTypes();
  halbrin::RegisterImageListComponentTypes();
  halbrin::RegisterCabinetComponentTypes();
  halbrin::RegisterTaskComponentTypes();
  halbrin::RegisterDocumentIndexComponentTypes();
  // The application's `images`, made on first use; a skin manager without
  // an image list of its own draws from it.
  halbrin::SetDefaultObjectFactory(halbrin::TApplicationObject::Images, []() -> std::unique_ptr<halbrin::platform::TComponent> {
    auto images = std::make_unique<halbrin::TImageListEx>();
    if (halbrin::ApplicationExExists())
      if (halbrin::TApplicationEx* app = halbrin::GetApplicationEx())
        if (auto* manager = dynamic_cast<halbrin::skins::TZebrinSkinManager*>(app->FindObject(halbrin::TApplicationObject::Skins)))
          if (!manager->ImageList()) manager->SetImageList(images.get());
    return images;
  });
  // Declared clipboards and the application's `clipboard`, made on first use.
  halbrin::RegisterClipboardComponentTypes();
  halbrin::SetDefaultObjectFactory(halbrin::TApplicationObject::Clipboard, []() -> std::unique_ptr<halbrin::platform::TComponent> {
    return std::make_unique<halbrin::TApplicationClipboardEx>();
  });
  // The application's open, save, folder and font dialogs, made on first use.
  halbrin::RegisterDialogObjects();
  halbrin::RegisterFormComponentTypes();
  halbrin::RegisterMenuComponentTypes();
  halbrin::RegisterBrowserComponentTypes();
  halbrin::InstallWebKitBrowserViews();
  // The application's "skins" object and the one way the skin manager is made.
  halbrin::skins::RegisterSkinObjects();
  // The files object reaches the shell engine through this handler (core cannot include components).
  halbrin::SetFileOperationHandler(halbrin::ExecuteFileOperationNumber);
  // Declared data providers, and the project's data items (core cannot include web/).
  halbrin::RegisterDataProviderComponentTypes();
  halbrin::SetProjectDataFactory([] { return halbrin::platform::RefPtr<halbrin::platform::IDispatchObject>(halbrin::platform::MakeRef<halbrin::TData>()); });
  // The web-controls Data class, opened through the project's modules.
  halbrin::webcontrols::RegisterWebControlsClasses();
  // Downloads from URLs ("download") on libsoup.
  halbrin::RegisterDownloadComponentTypes();
  return halbrin::ProgramMain(argc, argv);
}
