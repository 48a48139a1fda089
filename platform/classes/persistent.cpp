#include "platform/classes/persistent.h"

#include "platform/base/format.h"

namespace halbrin::platform {

HALBRIN_DEFINE_CLASS(TPersistent, )

void TPersistent::Assign(const TPersistent& source) { source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& dest) const {
  throw EConvertError(Format("Cannot assign a %s to a %s", {ClassName(), dest.ClassName()}));
}

std::string TPersistent::GetNamePath() const { return std::string(ClassName()); }

}  // namespace halbrin::platform
