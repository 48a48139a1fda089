#pragma once

// A browser engine that records what the host asks of it and lets a test
// play the view's side (context menus, keys, dialogs, navigations).

#include <functional>
#include <string>
#include <vector>

#include "components/browser/browser_engine.h"

namespace halbrin::test {

struct FakeBrowserEngineLog {
  std::vector<TBrowserSettings> settings;
  std::string userAgentToken;
  double zoom = 1.0;
  bool textOnly = false;
  std::vector<std::string> editingCommands;
  std::vector<std::string> finds;
  std::vector<std::string> loads;
  std::vector<TPrintJob> prints;
  std::vector<TPageLayout> pageSetups;
  std::vector<std::string> dialogCaptions;
  int cacheClears = 0;
  std::vector<bool> reloads;  // bypassCache of each
  int stops = 0;
  std::vector<int> history;  // -1 back, 1 forward
};

class FakeBrowserEngine final : public IBrowserEngine {
 public:
  // The log outlives the engine, which the host owns.
  explicit FakeBrowserEngine(FakeBrowserEngineLog& log) : m_log(log) {}

  IBrowserEngineListener* Listener() const { return m_listener; }
  // What the page-setup dialog answers (default: what it was given).
  std::function<TPageLayout(const TPageLayout&)> pageSetupAnswer;

  void SetListener(IBrowserEngineListener* listener) override { m_listener = listener; }
  void ApplySettings(const TBrowserSettings& settings) override { m_log.settings.push_back(settings); }
  void SetUserAgentToken(const std::string& token) override { m_log.userAgentToken = token; }
  std::string UserAgent() const override {
    return m_log.userAgentToken.empty() ? "Engine/1" : "Engine/1 " + m_log.userAgentToken;
  }
  void SetZoom(double level, bool textOnly) override {
    m_log.zoom = level;
    m_log.textOnly = textOnly;
  }
  double Zoom() const override { return m_log.zoom; }
  void ExecuteEditingCommand(const std::string& command) override { m_log.editingCommands.push_back(command); }
  void Find(const std::string& text) override { m_log.finds.push_back(text); }
  void LoadUri(const std::string& uri) override { m_log.loads.push_back(uri); }
  void Reload(bool bypassCache) override { m_log.reloads.push_back(bypassCache); }
  void StopLoading() override { ++m_log.stops; }
  void GoBack() override { m_log.history.push_back(-1); }
  void GoForward() override { m_log.history.push_back(1); }
  std::string Uri() const override { return m_log.loads.empty() ? "" : m_log.loads.back(); }
  std::string Title() const override { return ""; }
  double Progress() const override { return 0; }
  void Print(const TPrintJob& job, std::function<void(const std::string&)> done) override {
    m_log.prints.push_back(job);
    done("");
  }
  TPageLayout RunPageSetup(const TPageLayout& layout) override {
    m_log.pageSetups.push_back(layout);
    return pageSetupAnswer ? pageSetupAnswer(layout) : layout;
  }
  void ClearCache(std::function<void()> done) override {
    ++m_log.cacheClears;
    done();
  }
  void RunScriptDialog(TScriptDialog& dialog, const std::string& caption) override {
    m_log.dialogCaptions.push_back(caption);
    dialog.confirmed = true;
  }

 private:
  FakeBrowserEngineLog& m_log;
  IBrowserEngineListener* m_listener = nullptr;
};

}  // namespace halbrin::test
