#pragma once

// A dialog service that plays a queue of steps instead of showing a chooser,
// so components' event wiring is tested without a display. Each Run...
// records its request and plays steps until one ends the dialog; a run
// without steps left is cancelled.

#include <deque>
#include <string>
#include <vector>

#include "platform/services/dialog_service.h"

namespace halbrin::testing {

struct DialogStep {
  enum class Kind {
    FolderChange,     // text: the folder now shown
    SelectionChange,  // files: the selection now held (folder dialog: text)
    TypeChange,       // index
    AskIncludeItems,  // files: asked one by one when the request wants it
    Accept,           // files and index (folder dialog: text; font dialog: font)
    Apply,            // font dialog: font
    Cancel,
  };
  DialogStep(Kind kind = Kind::Cancel, std::vector<std::string> files = {}, int index = 1, std::string text = {},
             platform::TFontSpec font = {})
      : kind(kind), files(std::move(files)), index(index), text(std::move(text)), font(std::move(font)) {}

  Kind kind;
  std::vector<std::string> files;
  int index;
  std::string text;
  platform::TFontSpec font;
};

class ScriptedDialogService final : public platform::IDialogService, private platform::IFileDialogControl,
                                    private platform::IFolderDialogControl {
 public:
  int MessageBox(const std::string&, const std::string&, std::uint32_t) override { return platform::IDOK; }

  platform::TFileDialogResult RunFileDialog(const platform::TFileDialogRequest& request,
                                            platform::IFileDialogEvents& events) override {
    fileRequests.push_back(request);
    m_files.clear();
    m_folder = request.initialFolder;
    events.Opened(*this);
    events.Shown();
    platform::TFileDialogResult result;
    while (!steps.empty()) {
      const DialogStep step = Take();
      using K = DialogStep::Kind;
      if (step.kind == K::FolderChange) {
        m_folder = step.text;
        events.FolderChanged(step.text);
      } else if (step.kind == K::SelectionChange) {
        m_files = step.files;
        events.SelectionChanged();
      } else if (step.kind == K::TypeChange) {
        events.TypeChanged(step.index);
      } else if (step.kind == K::AskIncludeItems) {
        if (request.askIncludeItem)
          for (const std::string& file : step.files) included.push_back(events.IncludeItem(file));
      } else if (step.kind == K::Accept) {
        m_files = step.files;
        if (!events.CanClose(step.files, step.index)) {
          ++refusedCloses;
          continue;
        }
        result = {true, step.files, step.index};
        break;
      } else if (step.kind == K::Cancel) {
        break;
      }
    }
    events.Closed();
    return result;
  }

  platform::TFontDialogResult RunFontDialog(const platform::TFontDialogRequest& request,
                                            platform::IFontDialogEvents& events) override {
    fontRequests.push_back(request);
    events.Shown();
    platform::TFontDialogResult result;
    while (!steps.empty()) {
      const DialogStep step = Take();
      if (step.kind == DialogStep::Kind::Apply) {
        events.Apply(step.font);
      } else if (step.kind == DialogStep::Kind::Accept) {
        result = {true, step.font};
        break;
      } else if (step.kind == DialogStep::Kind::Cancel) {
        break;
      }
    }
    events.Closed();
    return result;
  }

  platform::TFolderDialogResult RunFolderDialog(const platform::TFolderDialogRequest& request,
                                                platform::IFolderDialogEvents& events) override {
    folderRequests.push_back(request);
    m_folderRequest = request;
    events.Shown(*this);
    platform::TFolderDialogResult result;
    while (!steps.empty()) {
      const DialogStep step = Take();
      if (step.kind == DialogStep::Kind::SelectionChange) {
        events.SelectionChanged(step.text);
      } else if (step.kind == DialogStep::Kind::Accept) {
        const platform::TFolderAccept accept = platform::DecideFolderAccept(request, step.text);
        if (accept == platform::TFolderAccept::Stay) {
          ++refusedCloses;
          continue;
        }
        if (accept == platform::TFolderAccept::ValidateFailed) {
          events.ValidateFailed(step.text);
          break;
        }
        result = {true, step.text};
        break;
      } else if (step.kind == DialogStep::Kind::Cancel) {
        break;
      }
    }
    events.Closed();
    return result;
  }

  std::deque<DialogStep> steps;
  std::vector<platform::TFileDialogRequest> fileRequests;
  std::vector<platform::TFontDialogRequest> fontRequests;
  std::vector<platform::TFolderDialogRequest> folderRequests;
  std::vector<bool> included;
  int refusedCloses = 0;
  // What the folder dialog's events pushed: "ok:...", "status:...", "select:...", "expand:...".
  std::vector<std::string> pushed;

 private:
  DialogStep Take() {
    DialogStep step = steps.front();
    steps.pop_front();
    return step;
  }

  std::vector<std::string> CurrentFiles() const override { return m_files; }
  std::string CurrentFolder() const override { return m_folder; }
  void SetOkText(const std::string& text) override { pushed.push_back("ok:" + text); }
  void SetStatusText(const std::string& text) override { pushed.push_back("status:" + text); }
  void SetSelection(const std::string& path) override { pushed.push_back("select:" + path); }
  void SetExpanded(const std::string& path) override { pushed.push_back("expand:" + path); }

  std::vector<std::string> m_files;
  std::string m_folder;
  platform::TFolderDialogRequest m_folderRequest;
};

}  // namespace halbrin::testing
