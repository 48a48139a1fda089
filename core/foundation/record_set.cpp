#include "core/foundation/record_set.h"

#include "core/foundation/msxml_dom_document.h"
#include "platform/base/format.h"

namespace halbrin {

std::string XmlDeclaration() {
  return platform::Format("<?xml version=\"1.0\" encoding=\"%s\"?>", {XmlEncoding()});
}

}  // namespace halbrin
