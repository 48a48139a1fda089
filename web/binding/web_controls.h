#pragma once

// The web-controls automation objects on the client. `Data` holds a page's
// document, a target element and the debug flag; each read of `binder` or
// `unbinder` gives a new run object over it. A run makes ONE call on the page
// object (the target element when set, else the document):
//   Invoke(kPageJobId, METHOD, [job, target, settings])
// with job "bind", "unbind", "normalize" or "updatelinks", the target or
// Empty, and the settings as [name, value] pairs (PackSettings). The page side
// answers Empty, or the text of the errors the run met.

#include <string>
#include <string_view>

#include "platform/automation/auto_object.h"
#include "web/binding/html_data_binder.h"

namespace halbrin::webcontrols {

// The message of normalize and updateLinks on a document that is no page's.
inline constexpr const char* kNotPageDocument = "The document is not a page's document";
// What binder and unbinder runs log on such a document (they still answer 1).
inline constexpr const char* kNotProjectPage = "The document is not a project page";

class TData final : public platform::TAutoObject {
 public:
  TData();

  const platform::RefPtr<platform::IDispatchObject>& Document() const noexcept { return m_document; }
  void SetDocument(platform::RefPtr<platform::IDispatchObject> document) { m_document = std::move(document); }
  const platform::RefPtr<platform::IDispatchObject>& TargetElement() const noexcept { return m_target; }
  void SetTargetElement(platform::RefPtr<platform::IDispatchObject> target) { m_target = std::move(target); }
  bool IsDebugMode() const noexcept { return m_debugMode; }
  void SetDebugMode(bool value) noexcept { m_debugMode = value; }

  // Raise kNotPageDocument without a document or when the page runs no job;
  // the channel's own error when the page cannot be reached.
  void Normalize();
  void UpdateLinks();

  // One job call on the page object. A page that runs no job answers
  // DISP_E_MEMBERNOTFOUND, returned as false; other failures raise.
  // Without a document nothing is sent (false).
  bool RunJob(const std::string& job, const platform::Variant& settings, platform::Variant& answer);

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  void RunDocumentJob(const std::string& job);

  platform::RefPtr<platform::IDispatchObject> m_document;
  platform::RefPtr<platform::IDispatchObject> m_target;
  bool m_debugMode = false;
};

// What IBinder and IUnbinder share: the Data object they run over, and the
// run that sends one job and answers 1.
class TCustomBinder : public platform::TAutoObject {
 public:
  TCustomBinder(const platform::TypeInfo& typeInfo, platform::RefPtr<TData> data)
      : TAutoObject(typeInfo), m_data(std::move(data)) {}

 protected:
  // Sends the job (nothing without a document); a page that runs no job and
  // errors the run met are logged. Always 1.
  int Run(const std::string& job, const platform::Variant& settings);
  TData& Data() const noexcept { return *m_data; }

 private:
  platform::RefPtr<TData> m_data;
};

class TBinder final : public TCustomBinder {
 public:
  explicit TBinder(platform::RefPtr<TData> data);

  THtmlDataBinder& Settings() noexcept { return m_settings; }
  // clearSource from the argument, debugMode from Data; 1.
  int Execute(bool clearSource);
  // Writes each island of the page to folder + its safe id (or "xml" and its
  // position) + ".xml", with the full record-set header, making the folder
  // when missing; the folder text is used as it is, so it ends with "/".
  // Nothing without a document; a page that runs no job is logged.
  void SaveIslands(const std::string& folder);

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  THtmlDataBinder m_settings;
};

class TUnbinder final : public TCustomBinder {
 public:
  explicit TUnbinder(platform::RefPtr<TData> data);

  THtmlDataUnbinder& Settings() noexcept { return m_settings; }
  // A text of this object only (default "xmlData"): no setting reaches it.
  const std::string& DefDataSrc() const noexcept { return m_defDataSrc; }
  int Execute();

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  THtmlDataUnbinder m_settings;
  std::string m_defDataSrc = "xmlData";
  std::string m_bindTag = "span";
};

// A new object of the class id, or E_NOINTERFACE (0x80004002) for any other id.
platform::HResult CreateWebControlsObject(std::string_view classId, platform::RefPtr<platform::IDispatchObject>& object);

// Registers Data as a built-in module class under kDataClassId and kDataProgId.
void RegisterWebControlsClasses();

}  // namespace halbrin::webcontrols
