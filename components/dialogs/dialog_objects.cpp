#include "components/dialogs/dialog_objects.h"

#include <memory>

#include "components/dialogs/folder_dialog_ex.h"
#include "components/dialogs/font_dialog_ex.h"
#include "components/dialogs/open_dialog_ex.h"
#include "core/app/application_ex.h"

namespace halbrin {

void RegisterDialogObjects() {
  constexpr TOpenOptions kOptions =
      OpenOptionBit(ofOverwritePrompt) | OpenOptionBit(ofHideReadOnly) | OpenOptionBit(ofEnableSizing);
  SetDefaultObjectFactory(TApplicationObject::OpenDialog, []() -> std::unique_ptr<platform::TComponent> {
    auto dialog = std::make_unique<TOpenDialogEx>();
    dialog->SetOptions(kOptions);
    return dialog;
  });
  SetDefaultObjectFactory(TApplicationObject::SaveDialog, []() -> std::unique_ptr<platform::TComponent> {
    auto dialog = std::make_unique<TSaveDialogEx>();
    dialog->SetOptions(kOptions);
    return dialog;
  });
  SetDefaultObjectFactory(TApplicationObject::FolderDialog,
                          []() -> std::unique_ptr<platform::TComponent> { return std::make_unique<TFolderDialogEx>(); });
  SetDefaultObjectFactory(TApplicationObject::FontDialog,
                          []() -> std::unique_ptr<platform::TComponent> { return std::make_unique<TFontDialogEx>(); });
}

}  // namespace halbrin
