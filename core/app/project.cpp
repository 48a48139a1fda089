#include "core/app/project.h"

#include <filesystem>

#include "core/app/application_ex.h"
#include "core/app/project_info.h"
#include "core/app/single_instance.h"
#include "core/foundation/paths.h"
#include "core/foundation/text_files.h"
#include "platform/base/case_fold.h"
#include "platform/classes/string_list.h"
#include "typelibs/client_type_library.h"

namespace halbrin {

using namespace halbrin::platform;

// --------------------------------------------------------- TProjectAttributes

TProjectAttributes::TProjectAttributes(const std::string& folder) : TAutoObject(IProjectAttributesTypeInfo()) {
  const std::string path = folder + "project.info";
  if (!folder.empty() && std::filesystem::exists(path)) {
    TStringList lines;
    lines.SetText(DecodeProjectInfo(LoadBytesFromFile(path)));
    for (int i = 0; i < lines.Count(); ++i) {
      const std::string line = lines.Strings(i);
      if (line.find_first_not_of(" \t") == std::string::npos) continue;
      const auto equals = line.find('=');
      m_lines.emplace_back(line.substr(0, equals), equals == std::string::npos ? std::string() : line.substr(equals + 1));
    }
  }
  m_lines.emplace_back("folder", folder);
}

Variant TProjectAttributes::Item(const Variant& index) const {
  std::string name;
  if (index.IsOrdinal()) {
    const std::int64_t position = index.ToInt64();
    if (position < 0 || position >= Length()) return Variant();
    name = m_lines[static_cast<std::size_t>(position)].first;
  } else if (index.IsString()) {
    name = index.AsString();
  } else {
    return Variant();
  }
  for (const auto& [key, value] : m_lines)
    if (SameText(key, name)) return Variant(value);
  return Variant();
}

Variant TProjectAttributes::Names(int index) const {
  return index >= 0 && index < Length() ? Variant(m_lines[static_cast<std::size_t>(index)].first) : Variant();
}

Variant TProjectAttributes::Values(int index) const {
  return index >= 0 && index < Length() ? Variant(m_lines[static_cast<std::size_t>(index)].second) : Variant();
}

Variant TProjectAttributes::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) {
  switch (member.id) {
    case DISPID_ATTRIBUTES_LENGTH: return Variant(Length());
    case DISPID_ATTRIBUTES_ITEM: return Item(args[0]);
    case DISPID_ATTRIBUTES_NAMES: return Names(static_cast<int>(args[0].ToInt64()));
    case DISPID_ATTRIBUTES_VALUES: return Values(static_cast<int>(args[0].ToInt64()));
    default: return Variant();
  }
}

// ------------------------------------------------------------- TCustomProject

TCustomProject::TCustomProject(std::string id) : TAutoObject(IProjectTypeInfo()), m_id(std::move(id)) {
  if (m_id == ProjectInfo().id) {
    const Variant folder = MakeRef<TProjectAttributes>(ProjectInfo().folder)->Item(Variant("folder"));
    SetFolder(folder.IsString() ? folder.AsString() : std::string());
  }
  m_script = m_folder + "scripts/init.js";
}

void TCustomProject::SetFolder(std::string folder) {
  folder = WithSlashes(folder);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  m_folder = std::move(folder);
}

int TCustomProject::State() const {
  if (m_id == ProjectInfo().id) return ProjectInfo().state;
  // Asked by id: the instance holding the id's socket answers for itself.
  return QueryInstanceState(m_id, std::string(), 1000).value_or(PROJECT_STATE_UNINITIALIZED);
}

Variant TCustomProject::Data() { return Variant::Null(); }

Variant TCustomProject::Modules() { return Variant::Null(); }

void TCustomProject::Activate() const {
  InstanceMessage message;
  message.kind = InstanceMessage::Kind::Activate;
  SendToInstance(m_id, message, 0);
}

Variant TCustomProject::InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) {
  switch (member.id) {
    case DISPID_PROJECT_ID: return Variant(m_id);
    case DISPID_PROJECT_STATE: return Variant(State());
    case DISPID_PROJECT_SCRIPT:
      if (access == MemberAccess::Put) SetScript(args.back().AsString());
      return Variant(m_script);
    case DISPID_PROJECT_OPEN: Open(); return Variant();
    case DISPID_PROJECT_ACTIVATE: Activate(); return Variant();
    case DISPID_PROJECT_FOLDER:
      if (access == MemberAccess::Put) SetFolder(args.back().AsString());
      return Variant(m_folder);
    case DISPID_PROJECT_ATTRIBUTES: return Variant(RefPtr<IDispatchObject>(MakeRef<TProjectAttributes>(m_folder)));
    case DISPID_PROJECT_CLOSE: Close(); return Variant();
    case DISPID_PROJECT_DATA: return Data();
    case DISPID_PROJECT_MODULES: return Modules();
    default: return Variant();
  }
}

// -------------------------------------------------------- TApplicationProject

TApplicationProject::TApplicationProject(std::string id) : TCustomProject(std::move(id)) {
  if (Folder().empty()) SetFolder(ProjectInfo().folder);
}

int TApplicationProject::State() const { return ProjectInfo().state; }

namespace {

ProjectDataFactory& DataFactory() {
  static ProjectDataFactory factory;
  return factory;
}

}  // namespace

void SetProjectDataFactory(ProjectDataFactory factory) { DataFactory() = std::move(factory); }

Variant TApplicationProject::Data() {
  if (!m_data && DataFactory()) m_data = DataFactory()();
  return m_data ? Variant(m_data) : Variant::Null();
}

Variant TApplicationProject::Modules() {
  if (!m_modules) m_modules = MakeRef<TModules>();
  return Variant(m_modules);
}

void TApplicationProject::Open() {
  if (TApplicationEx* app = GetApplicationEx()) app->OpenProject(Id(), Folder());
}

void TApplicationProject::Close() {
  if (TApplicationEx* app = GetApplicationEx()) app->CloseProject();
}

namespace {

RefPtr<TApplicationProject>& ThreadProject() {
  thread_local RefPtr<TApplicationProject> project;
  return project;
}

}  // namespace

RefPtr<TApplicationProject> GetApplicationProject() {
  RefPtr<TApplicationProject>& project = ThreadProject();
  if (!project) project = MakeRef<TApplicationProject>(ProjectInfo().id);
  return project;
}

void ReleaseApplicationProject() { ThreadProject().Reset(); }

}  // namespace halbrin
