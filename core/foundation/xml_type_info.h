#pragma once

// The XML-to-object mapper: applies an XML declaration to live objects through
// their published properties. Each element names an object (a published
// object property of its parent, or whatever OnGetObject supplies), each
// attribute names a property and gives its value as text, and child elements
// descend into sub-objects:
//
//   <controls stopOnException="true">
//     <control Caption="Main">          (OnGetObject resolves "control")
//       <Font Size="12"/>               (the control's Font property)
//       <Font.Style Bold="true"/>       (dotted names resolve part by part)
//     </control>
//   </controls>
//
// The walk stops at the first element that gives a result other than Null
// (a query marker's answer, or a property read back through XmlFlagReadBack).
// An error inside one top-level element or one attribute goes to OnException
// and the walk goes on, unless stopOnException is set or no OnException
// handler is assigned: then it reaches the caller. Parse errors of `content`
// always reach the caller.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/foundation/collection_interfaces.h"
#include "core/foundation/property_values.h"
#include "core/foundation/xml_node.h"
#include "core/foundation/xml_type_info_error.h"
#include "core/foundation/xml_type_object.h"
#include "platform/classes/component.h"
#include "platform/classes/method.h"
#include "platform/classes/string_list.h"
#include "platform/variant/variant.h"

namespace halbrin {

// Implemented by script-visible wrappers of XML nodes and documents, so that
// Execute can take one inside a Variant.
class IXmlNodeSource {
 public:
  virtual XmlNode SourceNode() const = 0;

 protected:
  ~IXmlNodeSource() = default;
};

// (Sender, Instance, node, partInfo, aObject): resolves or replaces the object
// for one part of an element name. Instance is the parent object (nullptr for
// a top-level element); aObject holds what the published property gave (or
// nothing) and may be replaced by an object or a TXmlTypeObject marker.
using TGetObjectEvent =
    platform::TEvent<platform::TObject*, platform::TObject*, const XmlNode&, TObjectPartInfo&, FoundItem&>;
// (Sender, Instance, node, flags, Value). As OnSetPropertyValue: sees each
// attribute (node) before it is applied, with flags = the property's kind
// (XmlFlagConsumed when there is none); may change both. As OnGetProperties:
// answers a property-list query on Instance (node = the querying element,
// flags = the marker's kind), with Value = the queried name in and the answer
// out; the run's result is the answer as text.
using TPropertyValueEvent =
    platform::TEvent<platform::TObject*, platform::TObject*, const XmlNode&, int&, platform::Variant&>;
// (Sender, E): reports an error that is not raised again.
using TTypeInfoExceptionEvent = platform::TEvent<platform::TObject*, const platform::Exception&>;

// The base of the mapper classes.
class TCustomTypeInfo : public platform::TComponent {
  HALBRIN_CLASS(TCustomTypeInfo, platform::TComponent)

  explicit TCustomTypeInfo(platform::TComponent* owner = nullptr) : platform::TComponent(owner) {}
};

class TXmlTypeInfo : public TCustomTypeInfo {
  HALBRIN_CLASS(TXmlTypeInfo, TCustomTypeInfo)

  explicit TXmlTypeInfo(platform::TComponent* owner = nullptr);
  ~TXmlTypeInfo() override;

  // Published "exec": the result of the last run; writing any value runs `content`.
  const platform::Variant& Exec() const noexcept { return m_exec; }
  void SetExec(const platform::Variant& value);
  // Published "content": the declaration text exec runs.
  platform::TStringList* Content() const noexcept { return m_content.get(); }
  void SetContent(platform::TStringList* content);
  // Published "controlPath": the XPath of the element where a document run starts.
  const std::string& ControlPath() const noexcept { return m_controlPath; }
  void SetControlPath(const std::string& path) { m_controlPath = path; }
  // Published "reservedIndents": attribute names never applied as properties
  // ("type", "class", "property", "object"), letter case ignored.
  platform::TStringList* ReservedIndents() const noexcept { return m_reservedIndents.get(); }
  void SetReservedIndents(platform::TStringList* names);
  // Published "stopOnException" and "evalValues". What is set here holds at
  // the start of every run; a run's "//controls" element may change them for
  // that run (reading them afterwards tells what the last run used).
  bool StopOnException() const noexcept { return m_stopOnException; }
  void SetStopOnException(bool value) noexcept { m_stopOnException = m_stopOnExceptionSetting = value; }
  bool EvalValues() const noexcept { return m_evalValues; }
  void SetEvalValues(bool value) noexcept { m_evalValues = m_evalValuesSetting = value; }
  // Published "value": set by a resolver, whether the last element created its object.
  bool Value() const noexcept { return m_value; }
  void SetValue(bool value) noexcept { m_value = value; }

  TGetObjectEvent& OnGetObject() noexcept { return m_onGetObject; }
  TPropertyValueEvent& OnSetPropertyValue() noexcept { return m_onSetPropertyValue; }
  TPropertyValueEvent& OnGetProperties() noexcept { return m_onGetProperties; }
  TTypeInfoExceptionEvent& OnException() noexcept { return m_onException; }

  bool IsReservedName(std::string_view name) const;

  // A Variant holding an IXmlNodeSource runs its node (a document from
  // controlPath); another dispatch object raises EXMLTypeInfo "Interface not
  // supported"; any other value becomes `content`, which is then run.
  virtual void Execute(const platform::Variant& source, platform::Variant& result);
  // A document runs from controlPath, any other node from itself.
  void Execute(const XmlNode& source, platform::Variant& result);
  // Parses `content` (a parse error raises EXmlDOMDocument) and runs it.
  virtual void ExecuteContent(platform::Variant& result);
  // Runs from the node controlPath selects; none gives Null.
  virtual void ExecuteDocument(const XmlDocument& document, platform::Variant& result);
  // The walk over `node` and its following siblings.
  virtual void ExecuteNode(const XmlNode& node, platform::Variant& result);

 protected:
  // Reports an error through OnException; false when no handler is assigned
  // (the caller then raises it again).
  virtual bool DoException(const platform::Exception& e);
  // Applies one attribute of `element` to `object`.
  virtual void SetAttribute(platform::TObject& object, const XmlNode& element, const XmlNode& attribute,
                            platform::Variant& result);
  // value := the property the node's baseName names.
  virtual void GetNodeProperty(const platform::TObject& object, const XmlNode& node, platform::Variant& value);
  // Answers a marker, or applies the element's attributes to the object and
  // walks its child elements.
  virtual void ProcessObject(FoundItem object, const XmlNode& node, platform::Variant& result);
  virtual void ApplyAttributes(platform::TObject& object, const XmlNode& node, platform::Variant& result);
  // The object a child element names, its name split at "." and resolved part
  // by part from `object`; stops at a marker.
  virtual FoundItem ResolveObjectPath(platform::TObject* object, const XmlNode& node);
  // The object partInfo.name names under `object` (nullptr at the top):
  // its published object property, then OnGetObject. Nothing raises 65224
  // (65222 without a node).
  virtual FoundItem GetChildObject(platform::TObject* object, const XmlNode& node, TObjectPartInfo& partInfo);

 private:
  void ReadOptions(const XmlNode& node);
  void AnswerQuery(TXmlTypeObjectKind kind, platform::TObject* target, const std::string& name, const XmlNode& node,
                   platform::Variant& result);
  // Reports an error caught inside the walk, or raises it again.
  void HandleError(const platform::Exception& e);

  platform::Variant m_exec = platform::Variant::Null();
  std::unique_ptr<platform::TStringList> m_content;
  std::string m_controlPath = "//control";
  std::unique_ptr<platform::TStringList> m_reservedIndents;
  bool m_stopOnException = false;
  bool m_stopOnExceptionSetting = false;
  bool m_evalValues = false;
  bool m_evalValuesSetting = false;
  bool m_value = false;
  TGetObjectEvent m_onGetObject;
  TPropertyValueEvent m_onSetPropertyValue;
  TPropertyValueEvent m_onGetProperties;
  TTypeInfoExceptionEvent m_onException;
  // Objects a resolver handed over for an inner part of a dotted name: the
  // objects found through them may belong to them, so they live until the run ends.
  std::vector<std::unique_ptr<platform::TObject>> m_keepAlive;
};

// The attribute's value, or `defaultValue` when the node has no such attribute.
platform::Variant GetNodeAttribute(const XmlNode& node, std::string_view name,
                                   const platform::Variant& defaultValue = platform::Variant());

// Whether `name` is one of `reservedNames` (by the list's own comparison).
bool IsReservedName(const platform::TStrings& reservedNames, std::string_view name);

// The baseNames from the top of the tree down to `node`, joined by "."
// ('controls.control.form'), as the mapper's messages name an element.
std::string XmlNodePath(const XmlNode& node);

}  // namespace halbrin
