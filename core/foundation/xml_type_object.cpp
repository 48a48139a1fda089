#include "core/foundation/xml_type_object.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TXmlTypeObject, )

FoundItem TXmlTypeObject::Make(TObject* target, TXmlTypeObjectKind kind, Variant name) {
  auto marker = std::make_unique<TXmlTypeObject>(target, kind);
  marker->SetName(std::move(name));
  return FoundItem(std::unique_ptr<TObject>(std::move(marker)));
}

}  // namespace halbrin
