#pragma once

// Interfaces of the web-controls library ("ZebrinWebControls Library"): the
// Data object that binds record sets into pages and turns bound pages back
// into static HTML.

#include "platform/automation/type_info.h"

namespace halbrin::webcontrols {

inline constexpr const char* kWebControlsLibraryName = "ZebrinWebControls Library";

// The coclass Data and its ProgID.
inline constexpr const char* kDataClassId = "{2087BFA6-C4B5-4EB2-B7E0-7952029E4461}";
inline constexpr const char* kDataProgId = "ZebrinWebControls.Data";

// IData of the web-controls library.
enum DataDispId : platform::DispId {
  DISPID_WCDATA_BINDER = 0xC9,
  DISPID_WCDATA_DOCUMENT = 0xCA,
  DISPID_WCDATA_UNBINDER = 0xCB,
  DISPID_WCDATA_UPDATELINKS = 0xCC,
  DISPID_WCDATA_NORMALIZE = 0xCD,
  DISPID_WCDATA_ISDEBUGMODE = 0xCE,
  DISPID_WCDATA_TARGETELEMENT = 0xCF,
};

// IBinder (0xCC is unused).
enum BinderDispId : platform::DispId {
  DISPID_BINDER_EXECUTE = 0xC9,
  DISPID_BINDER_BINDTAG = 0xCA,
  DISPID_BINDER_DEFDATASRC = 0xCB,
  DISPID_BINDER_ISSEPARATEDATA = 0xCD,
};

// IUnbinder.
enum UnbinderDispId : platform::DispId {
  DISPID_UNBINDER_EXECUTE = 0xC9,
  DISPID_UNBINDER_BINDTAG = 0xCA,
  DISPID_UNBINDER_DEFDATASRC = 0xCB,
  DISPID_UNBINDER_UNBINDTAG = 0xCC,
  DISPID_UNBINDER_EMPTYTAG = 0xCD,
  DISPID_UNBINDER_EMPTYCLASS = 0xCE,
  DISPID_UNBINDER_EMPTYDATA = 0xCF,
  DISPID_UNBINDER_ISFILLEMPTYDATA = 0xD0,
};

const platform::TypeInfo& IDataTypeInfo();
const platform::TypeInfo& IBinderTypeInfo();
const platform::TypeInfo& IUnbinderTypeInfo();

}  // namespace halbrin::webcontrols
