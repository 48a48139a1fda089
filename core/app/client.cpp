#include "core/app/client.h"

#include "core/app/application_ex.h"
#include "core/app/command_line.h"
#include "core/app/files.h"
#include "core/app/project.h"
#include "core/app/project_info.h"
#include "core/foundation/escapes.h"
#include "core/foundation/file_version.h"
#include "core/foundation/identifiers.h"
#include "core/foundation/record_set.h"
#include "core/foundation/system_info.h"
#include "core/foundation/volume_info.h"
#include "core/framework/component_operations.h"
#include "core/framework/component_wrappers.h"
#include "core/framework/interpreter_ex.h"
#include "core/framework/xml_type_info_ex.h"
#include "core/scripting/script_host.h"
#include "core/scripting/variables.h"
#include "platform/base/case_fold.h"
#include "typelibs/client_type_library.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

bool ProjectLoaded() {
  const int state = ProjectInfo().state;
  return state >= PROJECT_STATE_LOADED && state <= PROJECT_STATE_COMPLETED;
}

bool ProjectRunning() {
  const int state = ProjectInfo().state;
  return state >= PROJECT_STATE_INTERACTIVE && state <= PROJECT_STATE_COMPLETED;
}

Variant Dispatch(RefPtr<IDispatchObject> object) { return object ? Variant(object) : Variant::Null(); }

int ParameterCount() { return static_cast<int>(CommandLine::Args().size()) - 1; }

}  // namespace

// -------------------------------------------------------------------- TClient

TClient::TClient() : TAutoObject(IClientTypeInfo()) {}

std::string TClient::NewId(int flags) {
  if (flags == 4) return RandomWord(8);
  const std::string guid = NewGuidText();
  switch (flags) {
    case 1: return StripGuidText(guid);
    case 2: return ToAlphaNumeric(GuidTextToBytes(guid), true);
    case 3: {
      std::string text = ToAlphaNumeric(GuidTextToBytes(guid), true);
      for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      return InsertSeparators(text, {4, 8, 12}, "-");
    }
    default: return guid;
  }
}

Variant TClient::GetInfo(const Variant& content) {
  if (!content.IsString()) return Variant();
  const std::string& key = content.AsString();
  if (SameText(key, "windowsVersion")) return Variant(WindowsVersionText());
  if (SameText(key, "windowsUserName")) return Variant(GetUserNameText());
  if (SameText(key, "ieVersion")) return Variant(GetIEVersionText());
  if (SameText(key, "windowsComputerName")) return Variant(GetComputerNameText());
  if (SameText(key, "moduleVersion")) return Variant(GetModuleVersionText());
  if (SameText(key, "cpu")) return Variant(GetCpuIdText('0'));
  if (SameText(key, "hdd")) return Variant(FindDiskSerial());
  return Variant::Null();
}

std::string TClient::InformationXml() {
  const TProjectInfo& info = ProjectInfo();
  const std::pair<const char*, std::string> fields[] = {
      {"productId", info.product},
      {"projectId", info.id},
      {"projectVersion", info.version},
      {"moduleVersion", GetModuleVersionText()},
      {"ieVersion", GetIEVersionText()},
      {"windowsVersion", WindowsVersionText()},
      // Whether the project runs from a local folder: always so here.
      {"local", "true"},
  };
  std::string out = XmlDeclaration() + "\r\n" + XmlOpenTag(RecordSetElementName) + "\r\n  " +
                    XmlOpenTag(RecordElementName) + "\r\n";
  for (const auto& [name, value] : fields) out += "    " + XmlElement(name, {}, XmlEscape(value)) + "\r\n";
  return out + "  " + XmlCloseTag(RecordElementName) + "\r\n" + XmlCloseTag(RecordSetElementName) + "\r\n";
}

Variant TClient::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) {
  TApplicationEx* app = ApplicationExExists() ? GetApplicationEx() : nullptr;
  switch (member.id) {
    case DISPID_CLIENT_EXEC: {
      if (!ProjectLoaded()) return Variant();
      TXmlTypeInfoEx mapper(app);
      Variant result;
      mapper.Execute(args[0], result);
      return result;
    }
    case DISPID_CLIENT_ALERT:
      return Variant(app ? app->MessageBox(args[0], static_cast<std::uint32_t>(args[1].ToInt64()), args[2].AsString())
                         : 0);
    case DISPID_CLIENT_INFO: return Variant(app ? app->MessageBox(args[0], 0) : 0);
    case DISPID_CLIENT_RUNSCRIPT:
      if (!ProjectRunning()) return Variant();
      return RunClientScript(args[0].AsString(), args[1].AsString(), args[2], static_cast<int>(args[3].ToInt64()));
    case DISPID_CLIENT_PROJECT: return Variant(RefPtr<IDispatchObject>(GetApplicationProject()));
    case DISPID_CLIENT_PROJECTS: return Variant::Null();
    case DISPID_CLIENT_FOLDER: return Variant(ApplicationFolder());
    case DISPID_CLIENT_PARAMETERS: return Variant(RefPtr<IDispatchObject>(MakeRef<TClientParameters>()));
    case DISPID_CLIENT_APPLICATION:
      if (!ProjectLoaded()) return Variant::Null();
      return WrapObject(app);
    case DISPID_CLIENT_COMPONENTS:
      if (!ProjectLoaded() || !app) return Variant::Null();
      return Dispatch(MakeRef<TApplicationObjects>(&app->Components()));
    case DISPID_CLIENT_FORMS: {
      if (!ProjectLoaded() || !app) return Variant::Null();
      TCustomApplicationComponents* forms = app->FormList();
      return forms ? Dispatch(MakeRef<TApplicationObjects>(forms)) : Variant::Null();
    }
    case DISPID_CLIENT_XML: return ProjectLoaded() ? Variant(InformationXml()) : Variant("");
    case DISPID_CLIENT_NEWID: return Variant(NewId(static_cast<int>(args[0].ToInt64())));
    case DISPID_CLIENT_GETINFO: return GetInfo(args[0]);
    case DISPID_CLIENT_VARIABLES:
      return ProjectLoaded() ? Variant(RefPtr<IDispatchObject>(&GetVariables())) : Variant::Null();
    case DISPID_CLIENT_INTERPRET: {
      if (!ProjectLoaded()) return Variant("");
      TInterpreterEx interpreter;
      const std::string script = args[1].AsString();
      const std::string xml = args[2].AsString();
      if (!script.empty() && !xml.empty()) AttachScriptEvent(interpreter, "ongetcontent", script, xml, 1);
      return Variant(interpreter.Interpret(args[0].AsString()));
    }
    case DISPID_CLIENT_FILES:
      return ProjectLoaded() ? Variant(RefPtr<IDispatchObject>(MakeRef<TFiles>())) : Variant::Null();
    default: return Variant();
  }
}

// ---------------------------------------------------------- TClientParameters

TClientParameters::TClientParameters() : TAutoObject(IProjectAttributesTypeInfo()) {}

Variant TClientParameters::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) {
  switch (member.id) {
    case DISPID_ATTRIBUTES_LENGTH: return Variant(ParameterCount());
    case DISPID_ATTRIBUTES_NAMES: return Variant(SwitchName(static_cast<int>(args[0].ToInt64())));
    case DISPID_ATTRIBUTES_VALUES: return Variant(GetParameter(static_cast<int>(args[0].ToInt64())));
    case DISPID_ATTRIBUTES_ITEM: {
      const Variant& index = args[0];
      if (index.IsOrdinal()) {
        const std::string name = SwitchName(static_cast<int>(index.ToInt64()));
        return Variant(name.empty() ? std::string() : GetSwitch(name));
      }
      if (index.IsString()) return Variant(GetSwitch(index.AsString()));
      return Variant();
    }
    default: return Variant();
  }
}

// --------------------------------------------------------------------- client

namespace {

// Set once the holder below is destroyed at exit: an application destroyed
// later (one owned by a static made before the client) finds it gone.
bool g_clientHolderGone = false;

struct ClientHolder {
  RefPtr<TClient> client;
  ~ClientHolder() { g_clientHolderGone = true; }
};

ClientHolder& ProcessClient() {
  static ClientHolder holder;
  return holder;
}

}  // namespace

RefPtr<TClient> GetClient() {
  if (g_clientHolderGone) return MakeRef<TClient>();
  RefPtr<TClient>& client = ProcessClient().client;
  if (!client) client = MakeRef<TClient>();
  return client;
}

void ReleaseClient() {
  if (!g_clientHolderGone) ProcessClient().client.Reset();
}

}  // namespace halbrin
