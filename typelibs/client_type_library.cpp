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

const TypeInfo& IClientTypeInfo() {
  static const TypeInfo info(
      "IClient", "{C304E40C-2DD3-46B9-9BFB-61AE4C5488A2}",
      {
          {"exec", DISPID_CLIENT_EXEC, DISPATCH_METHOD, {{"content", VarType::Variant}, {"flags", VarType::I4}},
           VarType::Variant},
          {"alert", DISPID_CLIENT_ALERT, DISPATCH_METHOD,
           {{"text", VarType::Variant}, {"flags", VarType::I4}, {"caption", VarType::String}}, VarType::I4},
          {"variables", DISPID_CLIENT_VARIABLES, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"info", DISPID_CLIENT_INFO, DISPATCH_METHOD, {{"text", VarType::Variant}, {"id", VarType::String}},
           VarType::Variant},
          {"runScript", DISPID_CLIENT_RUNSCRIPT, DISPATCH_METHOD,
           {{"source", VarType::String}, {"procedureName", VarType::String}, {"parameters", VarType::Variant},
            {"flags", VarType::I4}},
           VarType::Variant},
          {"interpret", DISPID_CLIENT_INTERPRET, DISPATCH_METHOD,
           {{"text", VarType::String}, {"script", VarType::String}, {"xml", VarType::String}}, VarType::String},
          {"files", DISPID_CLIENT_FILES, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"project", DISPID_CLIENT_PROJECT, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"projects", DISPID_CLIENT_PROJECTS, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"folder", DISPID_CLIENT_FOLDER, DISPATCH_PROPERTYGET, {}, VarType::String},
          {"parameters", DISPID_CLIENT_PARAMETERS, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"application", DISPID_CLIENT_APPLICATION, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"components", DISPID_CLIENT_COMPONENTS, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"forms", DISPID_CLIENT_FORMS, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"xml", DISPID_CLIENT_XML, DISPATCH_PROPERTYGET, {}, VarType::String},
          {"newId", DISPID_CLIENT_NEWID, DISPATCH_METHOD, {{"flags", VarType::I4}}, VarType::String},
          {"getInfo", DISPID_CLIENT_GETINFO, DISPATCH_METHOD, {{"content", VarType::Variant}}, VarType::Variant},
      });
  return info;
}

const TypeInfo& IProjectTypeInfo() {
  static const TypeInfo info(
      "IProject", "{5724E3C0-880C-4DC7-9C55-CDE05DB4C142}",
      {
          {"id", DISPID_PROJECT_ID, DISPATCH_PROPERTYGET, {}, VarType::String},
          {"state", DISPID_PROJECT_STATE, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"script", DISPID_PROJECT_SCRIPT, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, VarType::String},
          {"open", DISPID_PROJECT_OPEN, DISPATCH_METHOD, {}, VarType::Empty},
          {"activate", DISPID_PROJECT_ACTIVATE, DISPATCH_METHOD, {}, VarType::Empty},
          {"folder", DISPID_PROJECT_FOLDER, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, VarType::String},
          {"attributes", DISPID_PROJECT_ATTRIBUTES, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"close", DISPID_PROJECT_CLOSE, DISPATCH_METHOD, {}, VarType::Empty},
          {"data", DISPID_PROJECT_DATA, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"modules", DISPID_PROJECT_MODULES, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
      });
  return info;
}

const TypeInfo& IProjectAttributesTypeInfo() {
  static const TypeInfo info(
      "IProjectAttributes", "{E41B305A-92CA-4198-84B0-790CF1D65A5A}",
      {
          {"length", DISPID_ATTRIBUTES_LENGTH, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"item", DISPID_ATTRIBUTES_ITEM, DISPATCH_PROPERTYGET, {{"index", VarType::Variant}}, VarType::Variant},
          {"names", DISPID_ATTRIBUTES_NAMES, DISPATCH_PROPERTYGET, {{"index", VarType::I4}}, VarType::Variant},
          {"values", DISPID_ATTRIBUTES_VALUES, DISPATCH_PROPERTYGET, {{"index", VarType::I4}}, VarType::Variant},
      });
  return info;
}

const TypeInfo& IModulesTypeInfo() {
  static const TypeInfo info(
      "IModules", "{E36F8466-8E86-4A85-AD03-198D1B86051F}",
      {
          {"item", DISPID_MODULES_ITEM, DISPATCH_PROPERTYGET, {{"index", VarType::Variant}}, VarType::Dispatch},
          {"length", DISPID_MODULES_LENGTH, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"clear", DISPID_MODULES_CLEAR, DISPATCH_METHOD, {}, VarType::Empty},
          {"available", DISPID_MODULES_AVAILABLE, DISPATCH_METHOD, {{"name", VarType::String}, {"flags", VarType::I4}},
           VarType::Dispatch},
          {"add", DISPID_MODULES_ADD, DISPATCH_METHOD, {{"id", VarType::String}, {"name", VarType::String}},
           VarType::Dispatch},
          {"remove", DISPID_MODULES_REMOVE, DISPATCH_METHOD, {{"index", VarType::Variant}}, VarType::Boolean},
      });
  return info;
}

const TypeInfo& IModuleTypeInfo() {
  static const TypeInfo info(
      "IModule", "{70B110E0-B1AF-4018-B4A6-558201260EDB}",
      {
          {"name", DISPID_MODULE_NAME, DISPATCH_PROPERTYGET, {}, VarType::String},
          {"state", DISPID_MODULE_STATE, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"open", DISPID_MODULE_OPEN, DISPATCH_METHOD, {{"machineName", VarType::String}}, VarType::I4},
          {"close", DISPID_MODULE_CLOSE, DISPATCH_METHOD, {}, VarType::Empty},
          {"id", DISPID_MODULE_ID, DISPATCH_PROPERTYGET, {}, VarType::String},
          {"control", DISPID_MODULE_CONTROL, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"index", DISPID_MODULE_INDEX, DISPATCH_PROPERTYGET, {}, VarType::I4},
      });
  return info;
}

const TypeInfo& IDataTypeInfo() {
  static const TypeInfo info(
      "IData", "{E5FA1CE8-2204-4A86-B5AC-7837EDF2C3CD}",
      {
          {"length", DISPID_DATA_LENGTH, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"add", DISPID_DATA_ADD, DISPATCH_METHOD, {{"name", VarType::String}}, VarType::Dispatch},
          {"remove", DISPID_DATA_REMOVE, DISPATCH_METHOD, {{"index", VarType::Variant}}, VarType::Boolean},
          {"clear", DISPID_DATA_CLEAR, DISPATCH_METHOD, {}, VarType::Empty},
          {"item", DISPID_DATA_ITEM, DISPATCH_PROPERTYGET, {{"index", VarType::Variant}}, VarType::Dispatch},
          {"getItemByName", DISPID_DATA_GETITEMBYNAME, DISPATCH_METHOD,
           {{"name", VarType::String}, {"flags", VarType::I4}}, VarType::Dispatch},
          {"getIndexByName", DISPID_DATA_GETINDEXBYNAME, DISPATCH_METHOD,
           {{"name", VarType::String}, {"flags", VarType::I4}}, VarType::I4},
      });
  return info;
}

const TypeInfo& IDataItemTypeInfo() {
  static const TypeInfo info(
      "IDataItem", "{7973EF37-1A37-4AF9-9B14-A18DE5DAB8D6}",
      {
          {"open", DISPID_DATAITEM_OPEN, DISPATCH_METHOD, {}, VarType::Variant},
          {"close", DISPID_DATAITEM_CLOSE, DISPATCH_METHOD, {}, VarType::Variant},
          {"active", DISPID_DATAITEM_ACTIVE, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, VarType::Boolean},
          {"provider", DISPID_DATAITEM_PROVIDER, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, VarType::String},
          {"source", DISPID_DATAITEM_SOURCE, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, VarType::String},
          {"load", DISPID_DATAITEM_LOAD, DISPATCH_METHOD, {{"names", VarType::Variant}}, VarType::Variant},
          {"save", DISPID_DATAITEM_SAVE, DISPATCH_METHOD, {{"names", VarType::Variant}, {"data", VarType::Variant}},
           VarType::Variant},
          {"erase", DISPID_DATAITEM_ERASE, DISPATCH_METHOD, {{"names", VarType::Variant}}, VarType::Variant},
          {"exec", DISPID_DATAITEM_EXEC, DISPATCH_METHOD, {{"content", VarType::Variant}}, VarType::Variant},
          {"index", DISPID_DATAITEM_INDEX, DISPATCH_PROPERTYGET, {}, VarType::I4},
          {"name", DISPID_DATAITEM_NAME, DISPATCH_PROPERTYGET, {}, VarType::String},
          {"response", DISPID_DATAITEM_RESPONSE, DISPATCH_METHOD,
           {{"names", VarType::Variant}, {"data", VarType::Variant}, {"context", VarType::Variant}}, VarType::Variant},
          {"external", DISPID_DATAITEM_EXTERNAL, DISPATCH_PROPERTYGET, {}, VarType::Dispatch},
          {"create", DISPID_DATAITEM_CREATE, DISPATCH_METHOD, {{"names", VarType::Variant}}, VarType::Variant},
      });
  return info;
}

const TypeInfo& IDataItemSinkTypeInfo() {
  static const TypeInfo info(
      "IDataItemSink", "{6C898F2A-15B9-4DF2-A217-C4E3B12D4D2C}",
      {
          {"response", DISPID_DATAITEMSINK_RESPONSE, DISPATCH_METHOD,
           {{"names", VarType::Variant}, {"data", VarType::Variant}, {"context", VarType::Variant}}, VarType::Variant},
      });
  return info;
}

const TypeInfo& IFilesTypeInfo() {
  static const TypeInfo info(
      "IFiles", "{68787E79-EA49-4255-89F2-7C0BCBFE3E3A}",
      {
          {"save", DISPID_FILES_SAVE, DISPATCH_METHOD,
           {{"source", VarType::String}, {"destination", VarType::String}}, VarType::Variant},
          {"open", DISPID_FILES_OPEN, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::Variant},
          {"exists", DISPID_FILES_EXISTS, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::Boolean},
          {"getPath", DISPID_FILES_GETPATH, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::String},
          {"createFolder", DISPID_FILES_CREATEFOLDER, DISPATCH_METHOD,
           {{"destination", VarType::String}}, VarType::Boolean},
          {"delete_", DISPID_FILES_DELETE, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::I4},
          {"folderExists", DISPID_FILES_FOLDEREXISTS, DISPATCH_METHOD,
           {{"destination", VarType::String}}, VarType::Boolean},
          {"getRelativePath", DISPID_FILES_GETRELATIVEPATH, DISPATCH_METHOD,
           {{"source", VarType::String}, {"destination", VarType::String}}, VarType::String},
          {"recycle", DISPID_FILES_RECYCLE, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::I4},
          {"move", DISPID_FILES_MOVE, DISPATCH_METHOD,
           {{"source", VarType::String}, {"destination", VarType::String}}, VarType::I4},
          {"copy", DISPID_FILES_COPY, DISPATCH_METHOD,
           {{"source", VarType::String}, {"destination", VarType::String}}, VarType::I4},
          {"rename", DISPID_FILES_RENAME, DISPATCH_METHOD,
           {{"source", VarType::String}, {"destination", VarType::String}}, VarType::I4},
          {"operate", DISPID_FILES_OPERATE, DISPATCH_METHOD,
           {{"source", VarType::String}, {"destination", VarType::String},
            {"mode", VarType::I4}, {"flags", VarType::I4}},
           VarType::I4},
          {"getFolder", DISPID_FILES_GETFOLDER, DISPATCH_METHOD,
           {{"destination", VarType::I4}, {"flags", VarType::I4}}, VarType::String},
          {"getVolume", DISPID_FILES_GETVOLUME, DISPATCH_METHOD,
           {{"source", VarType::String}, {"flags", VarType::I4}}, VarType::String},
          {"getVersion", DISPID_FILES_GETVERSION, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::String},
          {"getUnique", DISPID_FILES_GETUNIQUE, DISPATCH_METHOD,
           {{"source", VarType::String}, {"format", VarType::String}}, VarType::String},
          {"erase", DISPID_FILES_ERASE, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::I4},
          {"getLongName", DISPID_FILES_GETLONGNAME, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::String},
          {"getName", DISPID_FILES_GETNAME, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::String},
          {"getExtension", DISPID_FILES_GETEXTENSION, DISPATCH_METHOD, {{"source", VarType::String}}, VarType::String},
          {"getAttributes", DISPID_FILES_GETATTRIBUTES, DISPATCH_METHOD,
           {{"source", VarType::String}, {"flags", VarType::I4}}, VarType::I4},
          {"setAttributes", DISPID_FILES_SETATTRIBUTES, DISPATCH_METHOD,
           {{"source", VarType::String}, {"attributes", VarType::I4}, {"flags", VarType::I4}}, VarType::Variant},
          {"setSystemFolder", DISPID_FILES_SETSYSTEMFOLDER, DISPATCH_METHOD,
           {{"destination", VarType::String}, {"content", VarType::String}, {"flags", VarType::I4}}, VarType::Variant},
          {"normalize", DISPID_FILES_NORMALIZE, DISPATCH_METHOD,
           {{"source", VarType::String}, {"flags", VarType::I4}}, VarType::String},
          {"capture", DISPID_FILES_CAPTURE, DISPATCH_METHOD,
           {{"source", VarType::String}, {"flags", VarType::I4}}, VarType::I4},
          {"release", DISPID_FILES_RELEASE, DISPATCH_METHOD, {{"source", VarType::I4}}, VarType::Variant},
      });
  return info;
}

}  // namespace halbrin
