#pragma once

// What scripts see of a project: `IProject` (id, folder, start script, state,
// the lines of project.info, modules, open, close, activate) and
// `IProjectAttributes` over project.info.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/app/modules.h"
#include "platform/automation/auto_object.h"

namespace halbrin {

// The lines of a project folder's project.info (blank lines dropped) and
// then "folder=" + the folder; lookups take the first line of a name,
// so a "folder" line of the file wins. A missing project.info gives only the
// folder line; one that exists but cannot be read raises.
class TProjectAttributes final : public platform::TAutoObject {
 public:
  explicit TProjectAttributes(const std::string& folder);

  int Length() const noexcept { return static_cast<int>(m_lines.size()); }
  // A position names the line's name; a text is the name. Empty when absent.
  platform::Variant Item(const platform::Variant& index) const;
  platform::Variant Names(int index) const;
  platform::Variant Values(int index) const;

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  std::vector<std::pair<std::string, std::string>> m_lines;
};

// A project by id. Its state comes from the instance running it (0 when
// none answers); open and close do nothing; it has no data or modules. An id
// cannot be turned back into a folder: a project other than the running one
// has no folder until a script sets it, and its attributes are read there.
class TCustomProject : public platform::TAutoObject {
 public:
  explicit TCustomProject(std::string id);

  const std::string& Id() const noexcept { return m_id; }
  const std::string& Folder() const noexcept { return m_folder; }
  // A non-empty folder gets its trailing "/"; "\" becomes "/".
  void SetFolder(std::string folder);
  const std::string& Script() const noexcept { return m_script; }
  void SetScript(std::string script) { m_script = std::move(script); }

  virtual int State() const;
  virtual platform::Variant Data();
  virtual platform::Variant Modules();
  virtual void Open() {}
  virtual void Close() {}
  // Brings the instance running this project to the front.
  void Activate() const;

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  std::string m_id;
  std::string m_folder;
  std::string m_script;
};

// What makes `IProject.data` of the application project (web/data's
// collection); program/main.cpp installs it, core cannot reach web/. An
// empty factory uninstalls: `data` then answers Null.
using ProjectDataFactory = std::function<platform::RefPtr<platform::IDispatchObject>()>;
void SetProjectDataFactory(ProjectDataFactory factory);

// The project of this instance: its state is the descriptor's, open and
// close go to the application object, and it keeps its modules and its
// data (made on first read through the installed factory).
class TApplicationProject final : public TCustomProject {
 public:
  explicit TApplicationProject(std::string id);

  int State() const override;
  platform::Variant Data() override;
  platform::Variant Modules() override;
  void Open() override;
  void Close() override;

 private:
  platform::RefPtr<TModules> m_modules;
  platform::RefPtr<platform::IDispatchObject> m_data;
};

// The calling thread's application project, made with the descriptor's id on first use.
platform::RefPtr<TApplicationProject> GetApplicationProject();
void ReleaseApplicationProject();

}  // namespace halbrin
