#include "typelibs/client_type_library.h"

namespace halbrin {

using namespace halbrin::platform;

const TypeInfo& IComponentsTypeInfo() {
  static const TypeInfo info(
      "IComponents", "{2359F7F3-933C-4552-A6BE-92EB277FBBE5}",
      {
          {"item", DISPID_COMPONENT_ITEM, DISPATCH_PROPERTYGET, {{"index", VarType::Variant}}, VarType::Dispatch},
          {"remove", DISPID_COMPONENT_REMOVE, DISPATCH_METHOD, {{"index", VarType::Variant}}, VarType::Boolean},
          {"length", DISPID_COMPONENT_LENGTH, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"getComponent", DISPID_COMPONENT_GETCOMPONENT, DISPATCH_METHOD, {{"handle", VarType::I4}}, VarType::Dispatch},
      });
  return info;
}

const TypeInfo& IComponentTypeInfo() {
  static const TypeInfo info(
      "IComponent", "{C97A73B3-B3FE-45DC-949D-DC5F681F3091}", IComponentsTypeInfo(),
      {
          {"attribute", DISPID_COMPONENT_ATTRIBUTE, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT,
           {{"name", VarType::String}}, VarType::Variant},
          {"setAttribute", DISPID_COMPONENT_SETATTRIBUTE, DISPATCH_METHOD,
           {{"name", VarType::String}, {"value", VarType::Variant}, {"namespace", VarType::String}}, VarType::Empty},
          {"add", DISPID_COMPONENT_ADD, DISPATCH_METHOD, {{"componentType", VarType::String}, {"name", VarType::String}},
           VarType::Dispatch},
          {"attachEvent", DISPID_COMPONENT_ATTACHEVENT, DISPATCH_METHOD,
           {{"name", VarType::String}, {"script", VarType::String}, {"xml", VarType::String}, {"scriptType", VarType::I4}},
           VarType::Dispatch},
          {"detachEvent", DISPID_COMPONENT_DETACHEVENT, DISPATCH_METHOD, {{"name", VarType::String}, {"handle", VarType::I4}},
           VarType::Boolean},
          {"componentType", DISPID_COMPONENT_COMPONENTTYPE, DISPATCH_PROPERTYGET, {}, VarType::String},
          {"componentClass", DISPID_COMPONENT_COMPONENTCLASS, DISPATCH_PROPERTYGET, {}, VarType::String},
          {"getXml", DISPID_COMPONENT_GETXML, DISPATCH_METHOD, {{"tag", VarType::String}, {"level", VarType::I4}},
           VarType::String},
          {"parent", DISPID_COMPONENT_PARENT, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"children", DISPID_COMPONENT_CHILDREN, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"handle", DISPID_COMPONENT_HANDLE, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"removeChild", DISPID_COMPONENT_REMOVECHILD, DISPATCH_METHOD, {{"component", VarType::Dispatch}},
           VarType::Boolean},
          {"exec", DISPID_COMPONENT_EXEC, DISPATCH_METHOD, {{"content", VarType::Variant}}, VarType::Variant},
          {"isEvent", DISPID_COMPONENT_ISEVENT, DISPATCH_METHOD, {{"name", VarType::String}}, VarType::Boolean},
          {"fireEvent", DISPID_COMPONENT_FIREEVENT, DISPATCH_METHOD,
           {{"name", VarType::String}, {"parameters", VarType::Variant}}, VarType::Variant},
          {"assume", DISPID_COMPONENT_ASSUME, DISPATCH_METHOD, {{"component", VarType::Dispatch}}, VarType::Boolean},
      });
  return info;
}

}  // namespace halbrin
