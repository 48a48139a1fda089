#include "web/binding/web_controls.h"

#include "core/app/module_registry.h"
#include "core/foundation/record_set.h"
#include "core/framework/application_hooks.h"
#include "platform/automation/dispatch.h"
#include "platform/base/case_fold.h"
#include "typelibs/web_controls_type_library.h"
#include "web/pages/page_protocol.h"

namespace halbrin::webcontrols {

using namespace halbrin::platform;

namespace {
constexpr HResult kNoInterface = static_cast<HResult>(0x80004002);
constexpr std::string_view kLogClass = "TData";
constexpr std::size_t kMaxIslandFileName = 512;
}  // namespace

// ---------------------------------------------------------------------- TData

TData::TData() : TAutoObject(IDataTypeInfo()) {}

bool TData::RunJob(const std::string& job, const Variant& settings, Variant& answer) {
  if (!m_document) return false;
  IDispatchObject& page = m_target ? *m_target : *m_document;
  DispParams params;
  params.args = {Variant(job), m_target ? Variant(m_target) : Variant(), settings};
  ExcepInfo excep;
  const HResult hr = page.Invoke(pages::kPageJobId, DISPATCH_METHOD, params, &answer, &excep);
  if (hr == DISP_E_MEMBERNOTFOUND) return false;
  if (Failed(hr))
    throw EOleError(hr == DISP_E_EXCEPTION && excep.code ? excep.code : hr,
                    excep.description.empty() ? HResultText(hr) : excep.description, excep.source);
  return true;
}

void TData::RunDocumentJob(const std::string& job) {
  Variant answer;
  // The target does not take part: the job works on the whole document.
  RefPtr<IDispatchObject> target = std::move(m_target);
  bool ran = false;
  try {
    ran = RunJob(job, PackSettings(TSettingPairs{{"isDebugMode", Variant(m_debugMode)}}), answer);
  } catch (...) {
    m_target = std::move(target);
    throw;
  }
  m_target = std::move(target);
  if (!ran) throw Exception(kNotPageDocument);
  if (answer.IsString() && !answer.AsString().empty()) throw Exception(answer.AsString());
}

void TData::Normalize() { RunDocumentJob("normalize"); }
void TData::UpdateLinks() { RunDocumentJob("updatelinks"); }

Variant TData::InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) {
  const bool put = access == MemberAccess::Put;
  switch (member.id) {
    case DISPID_WCDATA_BINDER: return Variant(MakeRef<TBinder>(RefPtr<TData>(this)));
    case DISPID_WCDATA_UNBINDER: return Variant(MakeRef<TUnbinder>(RefPtr<TData>(this)));
    case DISPID_WCDATA_DOCUMENT:
      if (put) SetDocument(args.back().ToDispatch());
      return Variant(m_document);
    case DISPID_WCDATA_TARGETELEMENT:
      if (put) SetTargetElement(args.back().ToDispatch());
      return Variant(m_target);
    case DISPID_WCDATA_ISDEBUGMODE:
      if (put) SetDebugMode(args.back().ToBool());
      return Variant(m_debugMode);
    case DISPID_WCDATA_NORMALIZE: Normalize(); return Variant();
    case DISPID_WCDATA_UPDATELINKS: UpdateLinks(); return Variant();
    default: return Variant();
  }
}

// -------------------------------------------------------------- TCustomBinder

int TCustomBinder::Run(const std::string& job, const Variant& settings) {
  if (!m_data->Document()) return 1;
  Variant answer;
  if (!m_data->RunJob(job, settings, answer))
    ApplicationHooks().Log(kLogClass, kNotProjectPage);
  else if (answer.IsString() && !answer.AsString().empty())
    ApplicationHooks().Log(kLogClass, answer.AsString());
  return 1;
}

// -------------------------------------------------------------------- TBinder

TBinder::TBinder(RefPtr<TData> data) : TCustomBinder(IBinderTypeInfo(), std::move(data)) {}

int TBinder::Execute(bool clearSource) {
  m_settings.SetClearSource(clearSource);
  m_settings.SetDebugMode(Data().IsDebugMode());
  return Run("bind", PackSettings(m_settings, {{"clearSource", Variant(clearSource)},
                                               {"isDebugMode", Variant(Data().IsDebugMode())}}));
}

void TBinder::SaveIslands(const std::string& folder) {
  if (!Data().Document()) return;
  Variant answer;
  if (!Data().RunJob("saveislands", PackSettings(TSettingPairs{}), answer)) {
    ApplicationHooks().Log(kLogClass, kNotProjectPage);
    return;
  }
  if (answer.IsString() && !answer.AsString().empty()) throw Exception(answer.AsString());
  if (!answer.IsArray()) return;
  int count = 0;
  for (const Variant& island : answer.AsArray().Items()) {
    const VariantArray& pair = island.AsArray();
    std::string name = SafeFileName(pair.At(0).ToText(), kMaxIslandFileName);
    if (name.empty()) name = "xml" + std::to_string(count);
    SaveTextLines(NormalizeRecordSetHeader(pair.At(1).ToText()), folder + name + ".xml", true);
    ++count;
  }
}

Variant TBinder::InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) {
  const bool put = access == MemberAccess::Put;
  switch (member.id) {
    case DISPID_BINDER_EXECUTE: return Variant(Execute(args[0].ToBool()));
    case DISPID_BINDER_BINDTAG:
      if (put) m_settings.SetBindTag(args.back().AsString());
      return Variant(m_settings.BindTag());
    case DISPID_BINDER_DEFDATASRC:
      if (put) m_settings.SetDataSrc(args.back().AsString());
      return Variant(m_settings.DataSrc());
    case DISPID_BINDER_ISSEPARATEDATA:
      if (put) m_settings.SetSeparateSrc(args.back().ToBool());
      return Variant(m_settings.SeparateSrc());
    default: return Variant();
  }
}

// ------------------------------------------------------------------ TUnbinder

TUnbinder::TUnbinder(RefPtr<TData> data) : TCustomBinder(IUnbinderTypeInfo(), std::move(data)) {}

int TUnbinder::Execute() {
  return Run("unbind", PackSettings(m_settings, {{"bindTag", Variant(m_bindTag)},
                                                 {"clearSource", Variant(false)},
                                                 {"isDebugMode", Variant(Data().IsDebugMode())}}));
}

Variant TUnbinder::InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) {
  const bool put = access == MemberAccess::Put;
  auto text = [&](const std::string& value, auto setter) {
    if (put) (m_settings.*setter)(args.back().AsString());
    return Variant(put ? args.back().AsString() : value);
  };
  switch (member.id) {
    case DISPID_UNBINDER_EXECUTE: return Variant(Execute());
    case DISPID_UNBINDER_BINDTAG:
      if (put) m_bindTag = args.back().AsString();
      return Variant(m_bindTag);
    case DISPID_UNBINDER_DEFDATASRC:
      if (put) m_defDataSrc = args.back().AsString();
      return Variant(m_defDataSrc);
    case DISPID_UNBINDER_UNBINDTAG: return text(m_settings.UnbindTag(), &THtmlDataUnbinder::SetUnbindTag);
    case DISPID_UNBINDER_EMPTYTAG: return text(m_settings.EmptyTag(), &THtmlDataUnbinder::SetEmptyTag);
    case DISPID_UNBINDER_EMPTYCLASS: return text(m_settings.EmptyClass(), &THtmlDataUnbinder::SetEmptyClass);
    case DISPID_UNBINDER_EMPTYDATA: return text(m_settings.EmptyData(), &THtmlDataUnbinder::SetEmptyData);
    case DISPID_UNBINDER_ISFILLEMPTYDATA:
      if (put) m_settings.SetFillEmptyData(args.back().ToBool());
      return Variant(m_settings.FillEmptyData());
    default: return Variant();
  }
}

// -------------------------------------------------------------------- creator

HResult CreateWebControlsObject(std::string_view classId, RefPtr<IDispatchObject>& object) {
  object.Reset();
  if (!SameText(classId, kDataClassId)) return kNoInterface;
  object = MakeRef<TData>();
  return S_OK;
}

void RegisterWebControlsClasses() {
  RegisterModuleClass(kDataProgId, kDataClassId, [] {
    RefPtr<IDispatchObject> object;
    CreateWebControlsObject(kDataClassId, object);
    return object;
  });
}

}  // namespace halbrin::webcontrols
