#include "components/forms/form_component_types.h"

#include "components/forms/action_ex.h"
#include "components/forms/float_form_ex.h"
#include "components/forms/form_ex.h"
#include "components/forms/frame_ex.h"
#include "core/framework/component_types.h"

namespace halbrin {

void RegisterFormComponentTypes() {
  RegisterComponentClass<TActionEx>("action");
  RegisterComponentType("container", NewDeclaredFrame);
  RegisterComponentClass<TFormEx>("form");
  RegisterComponentType("float", NewDeclaredFloatForm);
}

}  // namespace halbrin
