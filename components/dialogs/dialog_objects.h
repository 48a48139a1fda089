#pragma once

// The application's openDialog, saveDialog, folderDialog and fontDialog,
// made on first use.

namespace halbrin {

// Installs the four default object factories; the save dialog asks before
// it overwrites (ofOverwritePrompt, ofHideReadOnly, ofEnableSizing, as the
// open dialog's options).
void RegisterDialogObjects();

}  // namespace halbrin
