#include "components/browser/webkit_browser_engine.h"

#include <memory>

namespace halbrin {

namespace {

GtkPageSetup* NewPageSetup(const TPageLayout& layout) {
  GtkPageSetup* setup = gtk_page_setup_new();
  gtk_page_setup_set_orientation(setup, layout.orientation == kLandscape ? GTK_PAGE_ORIENTATION_LANDSCAPE
                                                                         : GTK_PAGE_ORIENTATION_PORTRAIT);
  gtk_page_setup_set_left_margin(setup, layout.left, GTK_UNIT_MM);
  gtk_page_setup_set_top_margin(setup, layout.top, GTK_UNIT_MM);
  gtk_page_setup_set_right_margin(setup, layout.right, GTK_UNIT_MM);
  gtk_page_setup_set_bottom_margin(setup, layout.bottom, GTK_UNIT_MM);
  return setup;
}

// What a print operation reports back; owned by the operation.
struct PrintState {
  std::function<void(const std::string&)> done;
  std::string error;
};

void OnPrintFailed(WebKitPrintOperation*, GError* error, gpointer data) {
  static_cast<PrintState*>(data)->error = error && error->message ? error->message : "Printing failed";
}

void OnPrintFinished(WebKitPrintOperation* operation, gpointer data) {
  auto* state = static_cast<PrintState*>(data);
  if (state->done) state->done(state->error);
  g_object_unref(operation);
}

void FreePrintState(gpointer data) { delete static_cast<PrintState*>(data); }

struct ClearState {
  std::function<void()> done;
};

void OnCleared(GObject* manager, GAsyncResult* result, gpointer data) {
  std::unique_ptr<ClearState> state(static_cast<ClearState*>(data));
  webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(manager), result, nullptr);
  if (state->done) state->done();
}

}  // namespace

TWebKitBrowserEngine::TWebKitBrowserEngine(WebKitWebView* view) : m_view(platform::GObjectPtr<WebKitWebView>::Ref(view)) {
  g_signal_connect(view, "context-menu", G_CALLBACK(&OnContextMenu), this);
  g_signal_connect(view, "key-press-event", G_CALLBACK(&OnKeyPress), this);
  g_signal_connect(view, "script-dialog", G_CALLBACK(&OnScriptDialog), this);
  g_signal_connect(view, "decide-policy", G_CALLBACK(&OnDecidePolicy), this);
  g_signal_connect(view, "load-changed", G_CALLBACK(&OnLoadChanged), this);
  g_signal_connect(view, "notify::title", G_CALLBACK(&OnTitle), this);
  g_signal_connect(view, "notify::estimated-load-progress", G_CALLBACK(&OnProgress), this);
  g_signal_connect(view, "focus-in-event", G_CALLBACK(&OnFocusIn), this);
  g_signal_connect(view, "focus-out-event", G_CALLBACK(&OnFocusOut), this);
  g_signal_connect(view, "close", G_CALLBACK(&OnClose), this);
  g_signal_connect(view, "load-failed", G_CALLBACK(&OnLoadFailed), this);
}

TWebKitBrowserEngine::~TWebKitBrowserEngine() { g_signal_handlers_disconnect_by_data(m_view.Get(), this); }

void TWebKitBrowserEngine::ApplySettings(const TBrowserSettings& settings) {
  WebKitSettings* s = webkit_web_view_get_settings(m_view.Get());
  webkit_settings_set_auto_load_images(s, settings.autoLoadImages);
  webkit_settings_set_enable_media(s, settings.enableMedia);
  webkit_settings_set_enable_javascript_markup(s, settings.javascriptMarkup);
  webkit_settings_set_javascript_can_open_windows_automatically(s, settings.openNewWindows);
  if (settings.userStyleSheet != m_userStyleSheet) {
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(m_view.Get());
    webkit_user_content_manager_remove_all_style_sheets(content);
    if (!settings.userStyleSheet.empty()) {
      WebKitUserStyleSheet* sheet =
          webkit_user_style_sheet_new(settings.userStyleSheet.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                      WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
      webkit_user_content_manager_add_style_sheet(content, sheet);
      webkit_user_style_sheet_unref(sheet);
    }
    m_userStyleSheet = settings.userStyleSheet;
  }
}

void TWebKitBrowserEngine::SetUserAgentToken(const std::string& token) {
  WebKitSettings* s = webkit_web_view_get_settings(m_view.Get());
  // Back to WebKit's own string first: the details are added to it.
  webkit_settings_set_user_agent(s, nullptr);
  if (token.empty()) return;
  const auto slash = token.find('/');
  const std::string name = token.substr(0, slash);
  const std::string version = slash == std::string::npos ? std::string() : token.substr(slash + 1);
  webkit_settings_set_user_agent_with_application_details(s, name.c_str(),
                                                          version.empty() ? nullptr : version.c_str());
}

std::string TWebKitBrowserEngine::UserAgent() const {
  const char* agent = webkit_settings_get_user_agent(webkit_web_view_get_settings(m_view.Get()));
  return agent ? agent : "";
}

void TWebKitBrowserEngine::SetZoom(double level, bool textOnly) {
  webkit_settings_set_zoom_text_only(webkit_web_view_get_settings(m_view.Get()), textOnly);
  webkit_web_view_set_zoom_level(m_view.Get(), level);
}

double TWebKitBrowserEngine::Zoom() const { return webkit_web_view_get_zoom_level(m_view.Get()); }

void TWebKitBrowserEngine::ExecuteEditingCommand(const std::string& command) {
  webkit_web_view_execute_editing_command(m_view.Get(), command.c_str());
}

void TWebKitBrowserEngine::Find(const std::string& text) {
  WebKitFindController* find = webkit_web_view_get_find_controller(m_view.Get());
  if (text.empty()) webkit_find_controller_search_finish(find);
  else webkit_find_controller_search(find, text.c_str(), WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND, G_MAXUINT);
}

void TWebKitBrowserEngine::LoadUri(const std::string& uri) { webkit_web_view_load_uri(m_view.Get(), uri.c_str()); }

void TWebKitBrowserEngine::Reload(bool bypassCache) {
  if (bypassCache) webkit_web_view_reload_bypass_cache(m_view.Get());
  else webkit_web_view_reload(m_view.Get());
}

void TWebKitBrowserEngine::StopLoading() { webkit_web_view_stop_loading(m_view.Get()); }

void TWebKitBrowserEngine::GoBack() {
  if (webkit_web_view_can_go_back(m_view.Get())) webkit_web_view_go_back(m_view.Get());
}

void TWebKitBrowserEngine::GoForward() {
  if (webkit_web_view_can_go_forward(m_view.Get())) webkit_web_view_go_forward(m_view.Get());
}

std::string TWebKitBrowserEngine::Uri() const {
  const char* uri = webkit_web_view_get_uri(m_view.Get());
  return uri ? uri : "";
}

std::string TWebKitBrowserEngine::Title() const {
  const char* title = webkit_web_view_get_title(m_view.Get());
  return title ? title : "";
}

double TWebKitBrowserEngine::Progress() const { return webkit_web_view_get_estimated_load_progress(m_view.Get()); }

void TWebKitBrowserEngine::Print(const TPrintJob& job, std::function<void(const std::string&)> done) {
  WebKitPrintOperation* operation = webkit_print_operation_new(m_view.Get());
  GtkPageSetup* setup = NewPageSetup(job.layout);
  webkit_print_operation_set_page_setup(operation, setup);
  g_object_unref(setup);
  auto state = std::make_unique<PrintState>();
  state->done = std::move(done);
  PrintState* raw = state.get();
  g_object_set_data_full(G_OBJECT(operation), "halbrin-print", state.release(), &FreePrintState);
  g_signal_connect(operation, "failed", G_CALLBACK(&OnPrintFailed), raw);
  g_signal_connect(operation, "finished", G_CALLBACK(&OnPrintFinished), raw);

  if (job.outputFile.empty()) {
    GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(m_view.Get()));
    const WebKitPrintOperationResponse response =
        webkit_print_operation_run_dialog(operation, GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr);
    if (response == WEBKIT_PRINT_OPERATION_RESPONSE_CANCEL) {
      // No job starts, so "finished" never comes.
      if (raw->done) raw->done("");
      g_object_unref(operation);
    }
    return;
  }
  GtkPrintSettings* settings = gtk_print_settings_new();
  gtk_print_settings_set_printer(settings, "Print to File");
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  platform::GCharPtr uri(g_filename_to_uri(job.outputFile.c_str(), nullptr, nullptr));
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri ? uri.get() : job.outputFile.c_str());
  webkit_print_operation_set_print_settings(operation, settings);
  g_object_unref(settings);
  webkit_print_operation_print(operation);
}

TPageLayout TWebKitBrowserEngine::RunPageSetup(const TPageLayout& layout) {
  GtkPageSetup* setup = NewPageSetup(layout);
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(m_view.Get()));
  GtkPageSetup* chosen =
      gtk_print_run_page_setup_dialog(GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr, setup, nullptr);
  g_object_unref(setup);
  if (!chosen) return layout;
  TPageLayout result;
  result.orientation = gtk_page_setup_get_orientation(chosen) == GTK_PAGE_ORIENTATION_LANDSCAPE ? kLandscape
                                                                                                  : kPortrait;
  result.left = gtk_page_setup_get_left_margin(chosen, GTK_UNIT_MM);
  result.top = gtk_page_setup_get_top_margin(chosen, GTK_UNIT_MM);
  result.right = gtk_page_setup_get_right_margin(chosen, GTK_UNIT_MM);
  result.bottom = gtk_page_setup_get_bottom_margin(chosen, GTK_UNIT_MM);
  g_object_unref(chosen);
  return result;
}

void TWebKitBrowserEngine::ClearCache(std::function<void()> done) {
  WebKitWebContext* context = webkit_web_view_get_context(m_view.Get());
  WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(context);
  auto state = std::make_unique<ClearState>();
  state->done = std::move(done);
  webkit_website_data_manager_clear(
      manager, static_cast<WebKitWebsiteDataTypes>(WEBKIT_WEBSITE_DATA_DISK_CACHE | WEBKIT_WEBSITE_DATA_MEMORY_CACHE),
      0, nullptr, &OnCleared, state.release());
}

void TWebKitBrowserEngine::RunScriptDialog(TScriptDialog& dialog, const std::string& caption) {
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(m_view.Get()));
  const bool question = dialog.kind != TScriptDialogKind::Alert;
  GtkWidget* box = gtk_message_dialog_new(GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr, GTK_DIALOG_MODAL,
                                          question ? GTK_MESSAGE_QUESTION : GTK_MESSAGE_INFO,
                                          question ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK, "%s",
                                          dialog.message.c_str());
  gtk_window_set_title(GTK_WINDOW(box), caption.c_str());
  GtkWidget* entry = nullptr;
  if (dialog.kind == TScriptDialogKind::Prompt) {
    entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), dialog.text.c_str());
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_container_add(GTK_CONTAINER(gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(box))), entry);
    gtk_widget_show(entry);
  }
  gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
  dialog.confirmed = gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_OK;
  if (entry && dialog.confirmed) dialog.text = gtk_entry_get_text(GTK_ENTRY(entry));
  gtk_widget_destroy(box);
}

// ---- Signals ----

gboolean TWebKitBrowserEngine::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent* event,
                                             WebKitHitTestResult* hit, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (!engine->m_listener) return FALSE;
  TContextMenuRequest request;
  // From the keyboard (no pointer position) the point is -1, -1.
  gdouble x = -1, y = -1;
  GdkModifierType state{};
  if (event) {
    if (!gdk_event_get_coords(event, &x, &y)) x = y = -1;
    gdk_event_get_state(event, &state);
  }
  request.x = static_cast<int>(x);
  request.y = static_cast<int>(y);
  request.control = (state & GDK_CONTROL_MASK) != 0;
  request.editable = hit && webkit_hit_test_result_context_is_editable(hit);
  return engine->m_listener->EngineContextMenu(request);
}

gboolean TWebKitBrowserEngine::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (!engine->m_listener) return FALSE;
  return engine->m_listener->EngineKeyPress(TKeyRequest{event->keyval, event->state});
}

gboolean TWebKitBrowserEngine::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (!engine->m_listener) return FALSE;
  TScriptDialog request;
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_ALERT: request.kind = TScriptDialogKind::Alert; break;
    case WEBKIT_SCRIPT_DIALOG_CONFIRM: request.kind = TScriptDialogKind::Confirm; break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT: request.kind = TScriptDialogKind::Prompt; break;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM: request.kind = TScriptDialogKind::BeforeUnload; break;
  }
  const char* message = webkit_script_dialog_get_message(dialog);
  request.message = message ? message : "";
  if (request.kind == TScriptDialogKind::Prompt) {
    const char* text = webkit_script_dialog_prompt_get_default_text(dialog);
    request.text = text ? text : "";
  }
  if (!engine->m_listener->EngineScriptDialog(request)) return FALSE;
  if (request.kind == TScriptDialogKind::Confirm || request.kind == TScriptDialogKind::BeforeUnload)
    webkit_script_dialog_confirm_set_confirmed(dialog, request.confirmed);
  if (request.kind == TScriptDialogKind::Prompt)
    webkit_script_dialog_prompt_set_text(dialog, request.confirmed ? request.text.c_str() : nullptr);
  return TRUE;
}

gboolean TWebKitBrowserEngine::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                              WebKitPolicyDecisionType type, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (!engine->m_listener || type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
  auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(navigation);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  TNavigationPolicy policy;
  const char* uri = webkit_uri_request_get_uri(request);
  policy.uri = uri ? uri : "";
  policy.reload = webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_RELOAD;
  policy.newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
  engine->m_listener->EngineDecidePolicy(policy);
  if (!policy.ignore) return FALSE;
  webkit_policy_decision_ignore(decision);
  return TRUE;
}

void TWebKitBrowserEngine::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (!engine->m_listener) return;
  TLoadEvent load = TLoadEvent::Started;
  switch (event) {
    case WEBKIT_LOAD_STARTED: load = TLoadEvent::Started; break;
    case WEBKIT_LOAD_REDIRECTED: load = TLoadEvent::Redirected; break;
    case WEBKIT_LOAD_COMMITTED: load = TLoadEvent::Committed; break;
    case WEBKIT_LOAD_FINISHED: load = TLoadEvent::Finished; break;
  }
  const char* uri = webkit_web_view_get_uri(view);
  engine->m_listener->EngineLoadChanged(load, uri ? uri : "");
}

void TWebKitBrowserEngine::OnTitle(GObject*, GParamSpec*, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (engine->m_listener) engine->m_listener->EngineTitleChanged(engine->Title());
}

void TWebKitBrowserEngine::OnProgress(GObject*, GParamSpec*, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (engine->m_listener) engine->m_listener->EngineProgressChanged(engine->Progress());
}

gboolean TWebKitBrowserEngine::OnFocusIn(GtkWidget*, GdkEvent*, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (engine->m_listener) engine->m_listener->EngineFocusChanged(true);
  return FALSE;
}

gboolean TWebKitBrowserEngine::OnFocusOut(GtkWidget*, GdkEvent*, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (engine->m_listener) engine->m_listener->EngineFocusChanged(false);
  return FALSE;
}

gboolean TWebKitBrowserEngine::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                            gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  // A load the view itself cancelled (a new navigation) is no failure.
  if (engine->m_listener && !g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED))
    engine->m_listener->EngineLoadFailed(uri ? uri : "", error ? error->message : "");
  return FALSE;
}

void TWebKitBrowserEngine::OnClose(WebKitWebView*, gpointer self) {
  auto* engine = static_cast<TWebKitBrowserEngine*>(self);
  if (engine->m_listener) engine->m_listener->EngineCloseRequested();
}

}  // namespace halbrin
