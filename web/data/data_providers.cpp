#include "web/data/data_providers.h"

#include <filesystem>
#include <system_error>

#include "components/shell/file_operation_ex.h"
#include "core/app/files.h"
#include "core/app/module_registry.h"
#include "core/app/modules.h"
#include "core/foundation/text_files.h"
#include "core/framework/application_components.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "platform/automation/dispatch.h"
#include "platform/shell/special_folders.h"

namespace halbrin {

using namespace halbrin::platform;
namespace fs = std::filesystem;

namespace {

inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002);

}  // namespace

// -------------------------------------------------------- TCustomDataProvider

HALBRIN_DEFINE_CLASS(TCustomDataProvider,
                     .Property(
                         "active", [](const TCustomDataProvider& self) { return const_cast<TCustomDataProvider&>(self).GetActive(); },
                         [](TCustomDataProvider& self, bool active) { self.SetActive(active); })
                     .Stored(false)
                     .Property("provider", [](const TCustomDataProvider& self) { return self.GetProvider(); })
                     .Stored(false)
                     .Property(
                         "source", [](const TCustomDataProvider& self) { return const_cast<TCustomDataProvider&>(self).GetSource(); },
                         [](TCustomDataProvider& self, const std::string& source) { self.SetSource(source); })
                     // Each provider class that publishes onResponse binds it to this one.
                     .Handler("responseHandler", &TCustomDataProvider::responseHandler))

TCustomDataProvider::TCustomDataProvider(TComponent* owner) : TCustomExecutableComponentEx(owner) {
  if (TApplicationComponents* list = ApplicationHooks().DataProviderList()) list->Add(this);
}

TCustomDataProvider::~TCustomDataProvider() { NotifyItem(TDataItemOperation::ioRemove); }

void TCustomDataProvider::NotifyItem(TDataItemOperation operation) {
  IDataProviderItem* item = m_item;
  if (operation == TDataItemOperation::ioRemove) m_item = nullptr;
  if (item) item->ItemNotify(*this, operation);
}

bool TCustomDataProvider::GetActive() { return false; }
void TCustomDataProvider::SetActive(bool) {}
std::string TCustomDataProvider::GetProvider() const { return m_provider; }
std::string TCustomDataProvider::GetSource() { return m_source; }
void TCustomDataProvider::SetSource(const std::string& source) { m_source = source; }
void TCustomDataProvider::SetProvider(const std::string& provider) { m_provider = provider; }
Variant TCustomDataProvider::Open() { return Variant::Null(); }
Variant TCustomDataProvider::Close() { return Variant::Null(); }
Variant TCustomDataProvider::Load(const Variant&) { return Variant::Null(); }
Variant TCustomDataProvider::Save(const Variant&, const Variant&) { return Variant::Null(); }
Variant TCustomDataProvider::Erase(const Variant&) { return Variant::Null(); }
Variant TCustomDataProvider::Exec(const Variant&) { return Variant::Null(); }
Variant TCustomDataProvider::CreateItems(const Variant&) { return Variant::Null(); }
Variant TCustomDataProvider::Cancel(const Variant&, const Variant&, const Variant&) { return Variant::Null(); }

Variant TCustomDataProvider::Response(const Variant& names, const Variant& data, const Variant& context) {
  Variant result = Variant::Null();
  if (m_onResponse.Assigned()) m_onResponse(this, names, data, context, result);
  return result;
}

void TCustomDataProvider::responseHandler(TObject*, const Variant& names, const Variant& data,
                                          const Variant& context, Variant& result) {
  const Variant args[] = {Variant(Name()), names, data, context};
  result = FireEvent("response", args, nullptr);
}

// ------------------------------------------------------- TDefaultDataProvider

HALBRIN_DEFINE_CLASS(TDefaultDataProvider,
                     .Property("root", &TDefaultDataProvider::Root)
                     .Stored(false)
                     .Event("onResponse", &TDefaultDataProvider::m_onResponse, "TDataProviderContextEvent"))

TDefaultDataProvider::TDefaultDataProvider(TComponent* owner) : TCustomDataProvider(owner) {
  const Variant name = ApplicationHooks().ProjectAttribute("name");
  const Variant id = ApplicationHooks().ProjectAttribute("id");
  m_root = ProjectRoot(name.IsString() && !name.AsString().empty() ? name.AsString()
                       : id.IsString()                             ? id.AsString()
                                                                   : std::string());
}

std::string TDefaultDataProvider::ProjectRoot(const std::string& projectName) {
  std::string name = projectName;
  for (char& c : name)
    if (std::string_view("\\/|\":*?<>\r\n").find(c) != std::string_view::npos) c = '_';
  return GetCommonAppDataPath() + "Zebrin/HalbrinLite/projects/" + name + "/";
}

void TDefaultDataProvider::SetRoot(const std::string& root) {
  m_root = root;
  if (!m_root.empty() && m_root.back() != '/') m_root += '/';
}

std::string TDefaultDataProvider::PathOf(const std::string& name) const {
  std::string relative = name;
  for (char& c : relative)
    if (c == '\\') c = '/';
  const fs::path path(relative);
  if (relative.empty() || path.is_absolute() || path.has_root_name() ||
      (relative.size() > 1 && relative[1] == ':'))
    return {};
  for (const fs::path& part : path)
    if (part == "..") return {};
  // A symbolic link inside root may still point out of it.
  std::error_code ec;
  const fs::path base = fs::weakly_canonical(fs::path(m_root), ec);
  if (ec) return {};
  const fs::path full = fs::weakly_canonical(fs::path(m_root) / path, ec);
  if (ec) return {};
  const std::string baseText = base.string();
  const std::string fullText = full.string();
  if (fullText.compare(0, baseText.size(), baseText) != 0 ||
      (fullText.size() > baseText.size() && fullText[baseText.size()] != '/' && baseText.back() != '/'))
    return {};
  return m_root + relative;
}

bool TDefaultDataProvider::GetActive() {
  std::error_code ec;
  return fs::is_directory(fs::path(m_root), ec);
}

Variant TDefaultDataProvider::Open() {
  const Variant result(GetActive());
  Response(Variant(m_root), result, Variant("open"));
  return result;
}

Variant TDefaultDataProvider::Close() {
  const Variant result(true);
  Response(Variant(m_root), result, Variant("close"));
  return result;
}

Variant TDefaultDataProvider::Load(const Variant& names) {
  auto loadOne = [this](const Variant& name) -> Variant {
    const std::string path = name.IsString() ? PathOf(name.AsString()) : std::string();
    if (path.empty()) return Variant::Null();
    try {
      return Variant(LoadTextFromFile(path));
    } catch (const std::exception&) {
      return Variant::Null();
    }
  };
  Variant result;
  if (names.IsArray()) {
    std::vector<Variant> texts;
    for (const Variant& name : names.AsArray().Items()) texts.push_back(loadOne(name));
    result = Variant(VariantArray(std::move(texts)));
  } else {
    result = loadOne(names);
  }
  Response(names, result, Variant("load"));
  return result;
}

Variant TDefaultDataProvider::Save(const Variant& names, const Variant& data) {
  bool saved = false;
  if (names.IsString()) {
    const std::string path = PathOf(names.AsString());
    if (!path.empty()) {
      try {
        SaveTextToFile(data.ToText(), path, true);
        saved = true;
      } catch (const std::exception&) {
        saved = false;
      }
    }
  }
  const Variant result(saved);
  Response(names, result, Variant("save"));
  return result;
}

Variant TDefaultDataProvider::Erase(const Variant& names) {
  Variant result;
  if (!(names.IsString() && names.AsString().empty())) {
    const std::string path = names.IsString() ? PathOf(names.AsString()) : std::string();
    bool erased = false;
    if (!path.empty()) {
      std::error_code ec;
      if (fs::exists(fs::symlink_status(fs::path(path), ec))) {
        try {
          erased = ExecuteFileOperation(path, std::string(), TFileOperation::foDelete, kFilesOperationFlags) == 0;
        } catch (const std::exception&) {
          erased = false;
        }
      }
    }
    result = Variant(erased);
  }
  Response(names, result, Variant("erase"));
  return result;
}

Variant TDefaultDataProvider::Exec(const Variant&) { return Variant(); }

Variant TDefaultDataProvider::CreateItems(const Variant& names) {
  bool made = false;
  if (names.IsString()) {
    const std::string path = PathOf(names.AsString());
    if (!path.empty()) {
      const std::string folder = path.substr(0, path.rfind('/') + 1);
      std::error_code ec;
      fs::create_directories(fs::path(folder), ec);
      made = fs::is_directory(fs::path(folder), ec);
    }
  }
  const Variant result(made);
  Response(names, result, Variant("create"));
  return result;
}

Variant TDefaultDataProvider::Cancel(const Variant& names, const Variant& data, const Variant&) {
  Response(names, data, Variant("cancel"));
  return Variant();
}

// ------------------------------------------------------------ TDataProviderEx

HALBRIN_DEFINE_CLASS(TDataProviderEx,
                     .Event("onOpen", &TDataProviderEx::m_onOpen, "TDataProviderOpenEvent")
                     .Event("onClose", &TDataProviderEx::m_onClose, "TNotifyEvent")
                     .Event("onLoad", &TDataProviderEx::m_onLoad, "TDataProviderNamedEvent")
                     .Event("onErase", &TDataProviderEx::m_onErase, "TDataProviderNamedEvent")
                     .Event("onExec", &TDataProviderEx::m_onExec, "TDataProviderNamedEvent")
                     .Event("onCreate", &TDataProviderEx::m_onCreate, "TDataProviderNamedEvent")
                     .Event("onSave", &TDataProviderEx::m_onSave, "TDataProviderNamedDataEvent")
                     .Event("onResponse", &TDataProviderEx::m_onResponse, "TDataProviderContextEvent")
                     .Event("onCancel", &TDataProviderEx::m_onCancel, "TDataProviderContextEvent")
                     .Handler("openHandler", &TDataProviderEx::openHandler)
                     .Handler("closeHandler", &TDataProviderEx::closeHandler)
                     .Handler("loadHandler", &TDataProviderEx::loadHandler)
                     .Handler("saveHandler", &TDataProviderEx::saveHandler)
                     .Handler("eraseHandler", &TDataProviderEx::eraseHandler)
                     .Handler("execHandler", &TDataProviderEx::execHandler)
                     .Handler("createHandler", &TDataProviderEx::createHandler)
                     .Handler("cancelHandler", &TDataProviderEx::cancelHandler))

TDataProviderEx::TDataProviderEx(TComponent* owner) : TCustomDataProvider(owner) {}

Variant TDataProviderEx::Open() {
  Variant result = Variant::Null();
  if (m_onOpen.Assigned()) m_onOpen(this, GetProvider(), GetSource(), result);
  return result;
}

Variant TDataProviderEx::Close() {
  m_onClose(this);
  return Variant();
}

Variant TDataProviderEx::Load(const Variant& names) {
  Variant result = Variant::Null();
  if (m_onLoad.Assigned()) m_onLoad(this, names, result);
  return result;
}

Variant TDataProviderEx::Save(const Variant& names, const Variant& data) {
  Variant result = Variant::Null();
  if (m_onSave.Assigned()) m_onSave(this, names, data, result);
  return result;
}

Variant TDataProviderEx::Erase(const Variant& names) {
  Variant result = Variant::Null();
  if (m_onErase.Assigned()) m_onErase(this, names, result);
  return result;
}

Variant TDataProviderEx::Exec(const Variant& content) {
  Variant result = Variant::Null();
  if (m_onExec.Assigned()) m_onExec(this, content, result);
  return result;
}

Variant TDataProviderEx::CreateItems(const Variant& names) {
  Variant result = Variant::Null();
  if (m_onCreate.Assigned()) m_onCreate(this, names, result);
  return result;
}

Variant TDataProviderEx::Cancel(const Variant& names, const Variant& data, const Variant& context) {
  Variant result = Variant::Null();
  if (m_onCancel.Assigned()) m_onCancel(this, names, data, context, result);
  return result;
}

void TDataProviderEx::openHandler(TObject*, const std::string& provider, const std::string& source, Variant& result) {
  const Variant args[] = {Variant(Name()), Variant(provider), Variant(source)};
  result = FireEvent("open", args, nullptr);
}

void TDataProviderEx::closeHandler(TObject*) {
  const Variant args[] = {Variant(Name())};
  FireEvent("close", args, nullptr);
}

void TDataProviderEx::loadHandler(TObject*, const Variant& names, Variant& result) {
  const Variant args[] = {Variant(Name()), names};
  result = FireEvent("load", args, nullptr);
}

void TDataProviderEx::saveHandler(TObject*, const Variant& names, const Variant& data, Variant& result) {
  const Variant args[] = {Variant(Name()), names, data};
  result = FireEvent("save", args, nullptr);
}

void TDataProviderEx::eraseHandler(TObject*, const Variant& names, Variant& result) {
  const Variant args[] = {Variant(Name()), names};
  result = FireEvent("erase", args, nullptr);
}

void TDataProviderEx::execHandler(TObject*, const Variant& content, Variant& result) {
  const Variant args[] = {Variant(Name()), content};
  result = FireEvent("exec", args, nullptr);
}

void TDataProviderEx::createHandler(TObject*, const Variant& names, Variant& result) {
  const Variant args[] = {Variant(Name()), names};
  result = FireEvent("create", args, nullptr);
}

void TDataProviderEx::cancelHandler(TObject*, const Variant& names, const Variant& data, const Variant& context,
                                    Variant& result) {
  const Variant args[] = {Variant(Name()), names, data, context};
  result = FireEvent("cancel", args, nullptr);
}

// ------------------------------------------------------ TExternalDataProvider

HALBRIN_DEFINE_CLASS(TCustomExternalDataProvider, )

HALBRIN_DEFINE_CLASS(TExternalDataProvider,
                     .Property("server", &TExternalDataProvider::Server)
                     .Stored(false)
                     .Property("serverDispatch", &TExternalDataProvider::Server)
                     .Stored(false)
                     .Property("cookie", &TExternalDataProvider::Cookie)
                     .Stored(false)
                     .Property("providerName", &TExternalDataProvider::ProviderName)
                     .Stored(false)
                     .Event("onResponse", &TExternalDataProvider::m_onResponse, "TDataProviderContextEvent"))

namespace {

// Raises a failed answer or status of the external object.
void Check(HResult answer, HResult status, std::string_view operation) {
  for (const HResult code : {answer, status})
    if (code < 0)
      throw EOleError(code, "The external data provider failed to " + std::string(operation));
}

}  // namespace

TExternalDataProvider::TExternalDataProvider(TComponent* owner) : TCustomExternalDataProvider(owner) {}

TExternalDataProvider::~TExternalDataProvider() { Disconnect(); }

void TExternalDataProvider::Disconnect() {
  if (m_external && m_cookie != 0) m_external->Disconnect(m_cookie);
  m_cookie = 0;
  m_external = nullptr;
  m_server = nullptr;
}

void TExternalDataProvider::SetProvider(const std::string& provider) {
  if (provider == m_providerName) return;
  Disconnect();
  m_providerName = provider;
  TModuleFactory factory = FindModuleClass(provider);
  if (!factory) throw EOleError(kModuleClassUnknown, "Invalid class string");
  RefPtr<IDispatchObject> server = factory();
  auto* external = dynamic_cast<IExternalDataProvider*>(server.Get());
  if (!external) throw EOleError(kNoInterface, "Interface not supported");
  m_server = std::move(server);
  m_external = external;
  int cookie = 0;
  const RefPtr<IDispatchObject> sink = ItemNotifyTarget() ? ItemNotifyTarget()->ItemSink() : RefPtr<IDispatchObject>();
  const HResult answer = m_external->Connect(sink, cookie);
  if (answer < 0) {
    m_external = nullptr;
    m_server = nullptr;
    Check(answer, 0, "connect");
  }
  m_cookie = cookie;
  NotifyItem(TDataItemOperation::ioInsert);
}

bool TExternalDataProvider::GetActive() {
  if (!Connected()) return false;
  bool active = false;
  Check(m_external->GetActive(active), 0, "answer active");
  return active;
}

std::string TExternalDataProvider::GetSource() {
  if (!Connected()) return TCustomExternalDataProvider::GetSource();
  std::string source;
  Check(m_external->GetSource(source), 0, "answer source");
  return source;
}

void TExternalDataProvider::SetSource(const std::string& source) {
  TCustomExternalDataProvider::SetSource(source);
  if (Connected()) Check(m_external->SetSource(source), 0, "take source");
}

Variant TExternalDataProvider::Open() {
  if (!Connected()) return Variant::Null();
  Variant result;
  HResult status = 0;
  const HResult answer = m_external->Open(result, status);
  Check(answer, status, "open");
  return result;
}

Variant TExternalDataProvider::Close() {
  if (!Connected()) return Variant::Null();
  Variant result;
  HResult status = 0;
  const HResult answer = m_external->Close(result, status);
  Check(answer, status, "close");
  return result;
}

Variant TExternalDataProvider::Load(const Variant& names) {
  if (!Connected()) return Variant::Null();
  Variant result;
  HResult status = 0;
  const HResult answer = m_external->Load(names, result, status);
  Check(answer, status, "load");
  return result;
}

Variant TExternalDataProvider::Save(const Variant& names, const Variant& data) {
  if (!Connected()) return Variant::Null();
  Variant result;
  HResult status = 0;
  const HResult answer = m_external->Save(names, data, result, status);
  Check(answer, status, "save");
  return result;
}

Variant TExternalDataProvider::Erase(const Variant& names) {
  if (!Connected()) return Variant::Null();
  Variant result;
  HResult status = 0;
  const HResult answer = m_external->Erase(names, result, status);
  Check(answer, status, "erase");
  return result;
}

Variant TExternalDataProvider::Exec(const Variant& content) {
  if (!Connected()) return Variant::Null();
  Variant result;
  HResult status = 0;
  const HResult answer = m_external->Exec(content, result, status);
  Check(answer, status, "exec");
  return result;
}

Variant TExternalDataProvider::CreateItems(const Variant& names) {
  if (!Connected()) return Variant::Null();
  Variant result;
  HResult status = 0;
  const HResult answer = m_external->Create(names, result, status);
  Check(answer, status, "create");
  return result;
}

Variant TExternalDataProvider::Cancel(const Variant& names, const Variant& data, const Variant& context) {
  if (!Connected()) return Variant::Null();
  Variant result;
  HResult status = 0;
  const HResult answer = m_external->Cancel(names, data, context, result, status);
  Check(answer, status, "cancel");
  return result;
}

void RegisterDataProviderComponentTypes() { RegisterComponentClass<TDataProviderEx>("dataprovider"); }

}  // namespace halbrin
