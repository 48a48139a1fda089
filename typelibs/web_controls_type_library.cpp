#include "typelibs/web_controls_type_library.h"

namespace halbrin::webcontrols {

using namespace halbrin::platform;

namespace {
constexpr std::uint16_t kGetPut = DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT;
}

const TypeInfo& IDataTypeInfo() {
  static const TypeInfo info(
      "IData", "{7DBF6613-5B6D-4A84-8535-572BECB15C31}",
      {
          {"binder", DISPID_WCDATA_BINDER, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"document", DISPID_WCDATA_DOCUMENT, kGetPut, {}, VarType::Dispatch},
          {"unbinder", DISPID_WCDATA_UNBINDER, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"updateLinks", DISPID_WCDATA_UPDATELINKS, DISPATCH_METHOD, {}, VarType::Empty},
          {"normalize", DISPID_WCDATA_NORMALIZE, DISPATCH_METHOD, {}, VarType::Empty},
          {"isDebugMode", DISPID_WCDATA_ISDEBUGMODE, kGetPut, {}, VarType::Boolean},
          {"targetElement", DISPID_WCDATA_TARGETELEMENT, kGetPut, {}, VarType::Dispatch},
      });
  return info;
}

const TypeInfo& IBinderTypeInfo() {
  static const TypeInfo info(
      "IBinder", "{4E8BF08A-FEE0-4753-894C-5025A42664F5}",
      {
          {"execute", DISPID_BINDER_EXECUTE, DISPATCH_METHOD, {{"isClearSrc", VarType::Boolean}}, VarType::I4},
          {"bindTag", DISPID_BINDER_BINDTAG, kGetPut, {}, VarType::String},
          {"defDataSrc", DISPID_BINDER_DEFDATASRC, kGetPut, {}, VarType::String},
          {"isSeparateData", DISPID_BINDER_ISSEPARATEDATA, kGetPut, {}, VarType::Boolean},
      });
  return info;
}

const TypeInfo& IUnbinderTypeInfo() {
  static const TypeInfo info(
      "IUnbinder", "{7F48A059-3E1F-44ED-BC24-D3906E6F46AA}",
      {
          {"execute", DISPID_UNBINDER_EXECUTE, DISPATCH_METHOD, {}, VarType::I4},
          {"bindTag", DISPID_UNBINDER_BINDTAG, kGetPut, {}, VarType::String},
          {"defDataSrc", DISPID_UNBINDER_DEFDATASRC, kGetPut, {}, VarType::String},
          {"unbindTag", DISPID_UNBINDER_UNBINDTAG, kGetPut, {}, VarType::String},
          {"emptyTag", DISPID_UNBINDER_EMPTYTAG, kGetPut, {}, VarType::String},
          {"emptyClass", DISPID_UNBINDER_EMPTYCLASS, kGetPut, {}, VarType::String},
          {"emptyData", DISPID_UNBINDER_EMPTYDATA, kGetPut, {}, VarType::String},
          {"isFillEmptyData", DISPID_UNBINDER_ISFILLEMPTYDATA, kGetPut, {}, VarType::Boolean},
      });
  return info;
}

}  // namespace halbrin::webcontrols
