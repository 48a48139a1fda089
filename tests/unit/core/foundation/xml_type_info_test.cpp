// The mapper's walk over a declaration: elements into objects, options,
// error isolation, query markers, hooks and the ways a run starts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/xml_type_info.h"
#include "platform/automation/dispatch.h"
#include "platform/classes/property_access.h"
#include "unit/core/foundation/fixtures/mapper_probe.h"
#include "unit/core/foundation/fixtures/recording_mapper.h"

namespace halbrin::mapper_test {
namespace {

using platform::IDispatchObject;
using platform::RefPtr;
using platform::TComponent;
using platform::TObject;
using platform::TWeakRef;
using platform::Variant;
using Msg = XmlTypeInfoMessage;

class MapperWalk : public ::testing::Test {
 protected:
  TProbe probe;
  TRecordingMapper mapper{&probe};
};

TEST_F(MapperWalk, NoControlElementYieldsNullAndChangesNothing) {
  const Variant result = mapper.Run("<controls><form Caption=\"x\"/></controls>");
  EXPECT_TRUE(result.IsNull()) << Show(result);
  EXPECT_TRUE(mapper.objectCalls.empty());
  EXPECT_EQ(probe.Caption(), "");
  EXPECT_TRUE(mapper.errors.empty());
}

TEST_F(MapperWalk, AttributesAndOwnedSubObjects) {
  const Variant result = mapper.Run(
      "<controls><control Caption=\"Main\" Level=\"5\">"
      "<Node Size=\"3\" Text=\"t\"><Inner Size=\"4\"/></Node>"
      "<Items/>"
      "</control></controls>");
  EXPECT_TRUE(result.IsNull());
  EXPECT_TRUE(mapper.errors.empty());
  EXPECT_EQ(probe.Caption(), "Main");
  EXPECT_EQ(probe.Level(), 5);
  EXPECT_EQ(probe.Node()->Size(), 3);
  EXPECT_EQ(probe.Node()->Text(), "t");
  EXPECT_EQ(probe.Node()->Inner()->Size(), 4);
}

TEST_F(MapperWalk, ReservedAttributesAreNeverApplied) {
  // The probe publishes "type" and "class" properties: only the reserved list keeps them out.
  mapper.Run("<controls><control type=\"form\" class=\"TForm\" Caption=\"x\"/></controls>");
  EXPECT_TRUE(mapper.errors.empty());
  EXPECT_EQ(probe.TypeWord(), "");
  EXPECT_EQ(probe.ClassWord(), "");
  EXPECT_EQ(probe.Caption(), "x");
  EXPECT_TRUE(mapper.IsReservedName("TYPE"));
  EXPECT_TRUE(mapper.IsReservedName("object"));
  EXPECT_FALSE(mapper.IsReservedName("caption"));

  mapper.ReservedIndents()->Delete(mapper.ReservedIndents()->IndexOf("type"));
  mapper.Run("<controls><control type=\"form\" class=\"TForm\"/></controls>");
  EXPECT_EQ(probe.TypeWord(), "form");
  EXPECT_EQ(probe.ClassWord(), "");
}

TEST_F(MapperWalk, BadFirstAttributeIsReportedAndTheRestApply) {
  mapper.Run("<controls><control Nope=\"1\" Caption=\"x\" Level=\"300\" Ratio=\"2.5\"/></controls>");
  ASSERT_EQ(mapper.errors.size(), 2u);
  EXPECT_EQ(mapper.errors[0].id, Msg::PropertyNotFoundFor);
  EXPECT_EQ(mapper.errors[0].message, "Property \"Nope\" does not exist for \"controls.control\"");
  EXPECT_EQ(mapper.errors[0].className, "EXMLTypeInfoPropertyError");
  EXPECT_EQ(mapper.errors[1].id, Msg::RangeCheck);
  EXPECT_EQ(probe.Caption(), "x");
  EXPECT_EQ(probe.Level(), 0);
  EXPECT_DOUBLE_EQ(probe.Ratio(), 2.5);
}

TEST_F(MapperWalk, ControlsElementAnywhereSwitchesReraisingOn) {
  for (const char* xml : {
           "<controls stopOnException=\"true\"><control Nope=\"1\" Caption=\"x\"/></controls>",
           "<root><control Nope=\"1\" Caption=\"x\"/><controls stopOnException=\"1\"/></root>",
       }) {
    SCOPED_TRACE(xml);
    try {
      mapper.Run(xml);
      ADD_FAILURE() << "not raised";
    } catch (const EXMLTypeInfoPropertyError& e) {
      EXPECT_EQ(e.MessageId(), Msg::PropertyNotFoundFor);
    }
    EXPECT_TRUE(mapper.errors.empty());
    EXPECT_EQ(probe.Caption(), "");
    EXPECT_TRUE(mapper.StopOnException());
  }
}

TEST_F(MapperWalk, OptionsOfOneRunDoNotCarryOver) {
  EXPECT_THROW(mapper.Run("<controls stopOnException=\"true\" evalValues=\"true\"><control Nope=\"1\"/></controls>"),
               EXMLTypeInfoPropertyError);
  EXPECT_TRUE(mapper.EvalValues());

  mapper.Run("<controls><control Nope=\"1\" Caption=\"again\"/></controls>");
  EXPECT_EQ(mapper.errors.size(), 1u);
  EXPECT_EQ(probe.Caption(), "again");
  EXPECT_FALSE(mapper.StopOnException());
  EXPECT_FALSE(mapper.EvalValues());

  // What the caller sets holds for every run unless a declaration says otherwise.
  mapper.SetStopOnException(true);
  EXPECT_THROW(mapper.Run("<controls><control Nope=\"1\"/></controls>"), EXMLTypeInfoPropertyError);
  mapper.Run("<controls stopOnException=\"false\"><control Nope=\"1\"/></controls>");
  EXPECT_EQ(mapper.errors.size(), 2u);
  EXPECT_THROW(mapper.Run("<controls><control Nope=\"1\"/></controls>"), EXMLTypeInfoPropertyError);
}

TEST_F(MapperWalk, InvalidOptionTextIsAnError) {
  try {
    mapper.Run("<controls stopOnException=\"maybe\"><control Caption=\"x\"/></controls>");
    ADD_FAILURE() << "not raised";
  } catch (const EXMLTypeInfoPropertyConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid property \"stopOnException\" value \"maybe\"");
  }
  EXPECT_EQ(probe.Caption(), "");
}

TEST_F(MapperWalk, WithoutAHandlerErrorsReachTheCaller) {
  mapper.OnException().Clear();
  EXPECT_THROW(mapper.Run("<controls><control Nope=\"1\" Caption=\"x\"/></controls>"), EXMLTypeInfoPropertyError);
  EXPECT_EQ(probe.Caption(), "");
}

TEST_F(MapperWalk, AnElementThatFailsDoesNotStopItsSiblings) {
  mapper.Run(
      "<controls><control Caption=\"a\"/><ghost Caption=\"b\"/>"
      "<control Level=\"3\"><Caption/><Node Size=\"9\"/></control></controls>");
  ASSERT_EQ(mapper.errors.size(), 2u);
  EXPECT_EQ(mapper.errors[0].id, Msg::ObjectNotFoundFor);
  EXPECT_EQ(mapper.errors[0].message, "Object \"ghost\" does not exist for \"controls\"");
  EXPECT_EQ(mapper.errors[0].className, "EXMLTypeInfoPropertyObjectError");
  // An element on a property that holds no object ends its parent element.
  EXPECT_EQ(mapper.errors[1].id, Msg::PropertyNotObject);
  EXPECT_EQ(mapper.errors[1].message, "Property \"Caption\" is not object");
  EXPECT_EQ(probe.Caption(), "a");
  EXPECT_EQ(probe.Level(), 3);
  EXPECT_EQ(probe.Node()->Size(), 0);
}

TEST_F(MapperWalk, UnknownChildElementNamesItsParentsPath) {
  mapper.Run("<controls><control><Node><Ghost/></Node></control></controls>");
  ASSERT_EQ(mapper.errors.size(), 1u);
  EXPECT_EQ(mapper.errors[0].message, "Object \"Ghost\" does not exist for \"controls.control.Node\"");
}

TEST_F(MapperWalk, DottedElementNamesResolvePartByPart) {
  mapper.Run("<controls><control><Node.Inner.Inner Size=\"9\"/><Node.Inner Text=\"mid\"/></control></controls>");
  EXPECT_TRUE(mapper.errors.empty());
  EXPECT_EQ(probe.Node()->Inner()->Inner()->Size(), 9);
  EXPECT_EQ(probe.Node()->Inner()->Text(), "mid");
  EXPECT_EQ(probe.Node()->Size(), 0);

  ASSERT_EQ(mapper.objectCalls.size(), 6u);
  const ObjectCall& top = mapper.objectCalls[0];
  EXPECT_EQ(top.instance, nullptr);
  EXPECT_EQ(top.name, "control");
  EXPECT_EQ(top.partIndex, 0);
  EXPECT_EQ(top.partCount, 1);
  EXPECT_EQ(top.candidate, nullptr);
  TProbeNode* node = probe.Node();
  const struct {
    TObject* instance;
    const char* name;
    int index;
    TObject* candidate;
  } expected[] = {
      {&probe, "Node", 0, node},
      {node, "Inner", 1, node->Inner()},
      {node->Inner(), "Inner", 2, node->Inner()->Inner()},
  };
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const ObjectCall& call = mapper.objectCalls[static_cast<std::size_t>(i + 1)];
    EXPECT_EQ(call.instance, expected[i].instance);
    EXPECT_EQ(call.name, expected[i].name);
    EXPECT_EQ(call.partIndex, expected[i].index);
    EXPECT_EQ(call.partCount, 3);
    EXPECT_EQ(call.reserved, 0);
    EXPECT_TRUE(call.valueIsNull);
    EXPECT_EQ(call.candidate, expected[i].candidate);
    EXPECT_EQ(call.nodeName, "Node.Inner.Inner");
  }
}

TEST_F(MapperWalk, DottedNameStopsAtAMarker) {
  mapper.resolveHook = [&](TObject*, const XmlNode&, TObjectPartInfo& part, FoundItem& object) {
    if (part.name == "Node") object = TXmlTypeObject::Make(&probe, TXmlTypeObjectKind::Exists);
  };
  const Variant result = mapper.Run("<controls><control><Node.Inner Size=\"1\"/></control></controls>");
  EXPECT_TRUE(result == Variant(true)) << Show(result);
  ASSERT_EQ(mapper.objectCalls.size(), 2u);
  EXPECT_EQ(mapper.objectCalls[1].name, "Node");
  EXPECT_FALSE(probe.Node()->HasInner());
}

TEST_F(MapperWalk, ObjectsAResolverHandsOverLiveWhileNeeded) {
  // A resolver may hand over an object of its own making; what is found
  // through it for the rest of a dotted name must not outlive it.
  std::vector<TWeakRef<TObject>> made;
  mapper.resolveHook = [&](TObject*, const XmlNode&, TObjectPartInfo& part, FoundItem& object) {
    if (part.name != "temp") return;
    auto node = std::make_unique<TProbeNode>();
    made.emplace_back(node.get());
    object = FoundItem(std::unique_ptr<TObject>(std::move(node)));
  };
  mapper.SetStopOnException(true);
  mapper.Run("<controls><control><temp Size=\"1\"/><temp.Inner.Inner Size=\"2\" Text=\"deep\"/></control></controls>");
  ASSERT_EQ(made.size(), 2u);
  EXPECT_TRUE(made[0].Expired());
  EXPECT_TRUE(made[1].Expired());
}

TEST_F(MapperWalk, NoObjectWithoutANode) {
  TObjectPartInfo part{"ghost"};
  try {
    mapper.GetChildObject(nullptr, XmlNode(), part);
    ADD_FAILURE() << "not raised";
  } catch (const EXMLTypeInfoPropertyObjectError& e) {
    EXPECT_EQ(e.MessageId(), Msg::ObjectNotFound);
    EXPECT_EQ(e.Message(), "Object \"ghost\" does not exist");
  }
}

TEST_F(MapperWalk, ElementTextFillsAStringList) {
  mapper.Run("<controls><control><Lines>a b</Lines></control></controls>");
  ASSERT_EQ(probe.Lines()->Count(), 1);
  EXPECT_EQ(probe.Lines()->Strings(0), "a b");
  mapper.Run("<controls><control><Lines>one\ntwo</Lines></control></controls>");
  ASSERT_EQ(probe.Lines()->Count(), 2);
  EXPECT_EQ(probe.Lines()->Strings(1), "two");
  // An empty element leaves the list alone.
  mapper.Run("<controls><control><Lines/></control></controls>");
  EXPECT_EQ(probe.Lines()->Count(), 2);
}

TEST_F(MapperWalk, ReadBackEndsTheWalk) {
  mapper.WatchAttributes();
  mapper.attributeHook = [](TObject*, const XmlNode& node, int& flags, Variant&) {
    if (node.prefix() == "get") flags |= XmlFlagReadBack;
  };
  const Variant result = mapper.Run(
      "<controls><control Caption=\"x\" get:Level=\"7\" Ratio=\"2\"><Node Size=\"1\"/></control>"
      "<control Code=\"next\"/></controls>");
  EXPECT_TRUE(result == Variant(7)) << Show(result);
  EXPECT_EQ(probe.Caption(), "x");
  EXPECT_EQ(probe.Level(), 7);
  EXPECT_DOUBLE_EQ(probe.Ratio(), 0);
  EXPECT_EQ(probe.Node()->Size(), 0);
  EXPECT_EQ(probe.Code(), "");
}

TEST_F(MapperWalk, AttributeHookSeesKindAndTextAndMayChangeThem) {
  mapper.WatchAttributes();
  mapper.attributeHook = [](TObject*, const XmlNode& node, int& flags, Variant& value) {
    const std::string name = node.baseName();
    if (name == "Caption") value = Variant("changed");
    if (name == "Level") flags = XmlFlagConsumed;    // consumed: not applied
    if (name == "Ratio") flags = XmlFlagNoProperty;  // reported as missing
    if (name == "Style") value = Variant(6);         // a bit pattern from a converter
  };
  mapper.Run("<controls><control Caption=\"x\" Level=\"9\" Ratio=\"2\" Style=\"psBold\" Extra=\"1\"/></controls>");
  EXPECT_EQ(probe.Caption(), "changed");
  EXPECT_EQ(probe.Level(), 0);
  EXPECT_DOUBLE_EQ(probe.Ratio(), 0);
  EXPECT_EQ(probe.Style(), 6u);

  ASSERT_EQ(mapper.attributeCalls.size(), 5u);
  const struct {
    const char* name;
    int flags;
    const char* value;
  } expected[] = {
      {"Caption", static_cast<int>(platform::TTypeKind::LString), "x"},
      {"Level", static_cast<int>(platform::TTypeKind::Integer), "9"},
      {"Ratio", static_cast<int>(platform::TTypeKind::Float), "2"},
      {"Style", static_cast<int>(platform::TTypeKind::Set), "psBold"},
      {"Extra", XmlFlagConsumed, "1"},  // no such property
  };
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(mapper.attributeCalls[i].instance, &probe);
    EXPECT_EQ(mapper.attributeCalls[i].nodeName, expected[i].name);
    EXPECT_EQ(mapper.attributeCalls[i].flags, expected[i].flags);
    EXPECT_TRUE(mapper.attributeCalls[i].value == Variant(expected[i].value));
  }
  // Only the attribute the hook marked missing is an error: "Extra" was consumed.
  ASSERT_EQ(mapper.errors.size(), 1u);
  EXPECT_EQ(mapper.errors[0].message, "Property \"Ratio\" does not exist for \"controls.control\"");
}

TEST_F(MapperWalk, QueryMarkersGiveTheRunsResult) {
  TWeakRef<TObject> lastMarker;
  TObject* target = &probe;
  auto kind = TXmlTypeObjectKind::Exists;
  Variant name;
  mapper.AnswerPropertyLists();
  mapper.resolveHook = [&](TObject*, const XmlNode&, TObjectPartInfo& part, FoundItem& object) {
    if (part.name != "query") return;
    object = TXmlTypeObject::Make(target, kind, name);
    lastMarker.Reset(object.Get());
  };
  probe.SetCaption("cap");
  const struct {
    TObject* target;
    TXmlTypeObjectKind kind;
    Variant name;
    Variant expected;
  } cases[] = {
      {&probe, TXmlTypeObjectKind::Exists, Variant(), Variant(true)},
      {nullptr, TXmlTypeObjectKind::Exists, Variant(), Variant(false)},
      {&probe, TXmlTypeObjectKind::PropertyValue, Variant("caption"), Variant("cap")},
      {&probe, TXmlTypeObjectKind::PropertyList, Variant("form"), Variant("<form/>")},
      {&probe, TXmlTypeObjectKind::PropertyList, Variant(), Variant("<control/>")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Show(c.expected));
    target = c.target;
    kind = c.kind;
    name = c.name;
    // The element after the query is never reached.
    const Variant result = mapper.Run("<controls><control/><query/><control Code=\"after\"/></controls>");
    EXPECT_TRUE(result == c.expected) << Show(result);
    EXPECT_TRUE(lastMarker.Expired()) << "the marker was not dropped";
    EXPECT_EQ(probe.Code(), "");
  }
  ASSERT_EQ(mapper.listCalls.size(), 2u);
  EXPECT_EQ(mapper.listCalls[0].instance, &probe);
  EXPECT_EQ(mapper.listCalls[0].nodeName, "query");
  EXPECT_TRUE(mapper.errors.empty());
}

TEST_F(MapperWalk, QueryMarkerEdgeCases) {
  TObject* target = nullptr;
  auto kind = TXmlTypeObjectKind::PropertyValue;
  mapper.resolveHook = [&](TObject*, const XmlNode&, TObjectPartInfo& part, FoundItem& object) {
    if (part.name == "query") object = TXmlTypeObject::Make(target, kind, Variant("Caption"));
  };
  mapper.SetStopOnException(true);
  for (auto queryKind : {TXmlTypeObjectKind::PropertyValue, TXmlTypeObjectKind::PropertyList}) {
    kind = queryKind;
    try {
      mapper.Run("<controls><control><query/></control></controls>");
      ADD_FAILURE() << "not raised";
    } catch (const EXMLTypeInfoPropertyObjectError& e) {
      EXPECT_EQ(e.MessageId(), Msg::ObjectNotFound);
      EXPECT_EQ(e.Message(), "Object \"Caption\" does not exist");
    }
  }

  // A property list nobody answers is Unassigned, which still ends the walk.
  target = &probe;
  kind = TXmlTypeObjectKind::PropertyList;
  Variant result = mapper.Run("<controls><control><query/><Node Size=\"2\"/></control></controls>");
  EXPECT_TRUE(result.IsEmpty()) << Show(result);
  EXPECT_EQ(probe.Node()->Size(), 0);

  // Other kinds skip their element and its children; the walk goes on.
  for (auto skipKind : {TXmlTypeObjectKind::SkipUpdate, TXmlTypeObjectKind::Freed, TXmlTypeObjectKind::None}) {
    kind = skipKind;
    result = mapper.Run("<controls><control><query Caption=\"no\"><Node Size=\"3\"/></query>"
                        "<Node Size=\"4\"/></control></controls>");
    EXPECT_TRUE(result.IsNull()) << Show(result);
    EXPECT_EQ(probe.Caption(), "");
    EXPECT_EQ(probe.Node()->Size(), 4);
    probe.Node()->SetSize(0);
  }
}

TEST_F(MapperWalk, AnObjectFreedMidElementIsLeftAlone) {
  TComponent root;
  TProbe& victim = platform::MakeComponent<TProbe>(root);
  TRecordingMapper freeing(&victim);
  freeing.WatchAttributes();
  freeing.attributeHook = [&](TObject* instance, const XmlNode& node, int& flags, Variant&) {
    if (node.baseName() == "Kill") {
      TComponent::Free(*static_cast<TComponent*>(instance));
      flags = XmlFlagConsumed;
    }
  };
  freeing.SetStopOnException(true);
  freeing.Run("<controls><control Caption=\"a\" Kill=\"1\" Code=\"b\"><Node Size=\"1\"/></control></controls>");
  EXPECT_EQ(root.ComponentCount(), 0);
  ASSERT_EQ(freeing.attributeCalls.size(), 2u);
}

TEST_F(MapperWalk, ElementOutsideATreeReportsThePlainMessage) {
  XmlDocument document = XmlDocument::Create();
  XmlNode element = document.createElement("control");
  element.setAttribute("Nope", "1");
  Variant result;
  mapper.Execute(element, result);
  ASSERT_EQ(mapper.errors.size(), 1u);
  EXPECT_EQ(mapper.errors[0].id, Msg::PropertyNotFound);
  EXPECT_EQ(mapper.errors[0].message, "Property \"Nope\" does not exist");
}

// A script-side wrapper of an XML node.
class TNodeWrapper : public IDispatchObject, public IXmlNodeSource {
 public:
  explicit TNodeWrapper(XmlNode node) : m_node(std::move(node)) {}
  platform::HResult GetIDsOfNames(std::span<const std::string>, std::span<platform::DispId>) override {
    return platform::DISP_E_UNKNOWNNAME;
  }
  platform::HResult Invoke(platform::DispId, std::uint16_t, platform::DispParams&, Variant*,
                           platform::ExcepInfo*) override {
    return platform::DISP_E_MEMBERNOTFOUND;
  }
  XmlNode SourceNode() const override { return m_node; }

 private:
  XmlNode m_node;
};

class TOtherDispatch : public IDispatchObject {
 public:
  platform::HResult GetIDsOfNames(std::span<const std::string>, std::span<platform::DispId>) override {
    return platform::DISP_E_UNKNOWNNAME;
  }
  platform::HResult Invoke(platform::DispId, std::uint16_t, platform::DispParams&, Variant*,
                           platform::ExcepInfo*) override {
    return platform::DISP_E_MEMBERNOTFOUND;
  }
};

TEST_F(MapperWalk, ExecuteTakesNodesDocumentsAndText) {
  TMSXMLDOMDocument document;
  document.LoadXML(
      "<controls><control Caption=\"doc\"/><form/></controls>");
  const XmlNode form = document.Document().selectSingleNode("//form");
  mapper.resolveHook = [&](TObject*, const XmlNode&, TObjectPartInfo& part, FoundItem& object) {
    if (part.name == "form") object = FoundItem(probe.Node());
  };
  Variant result;

  mapper.Execute(document.Document(), result);  // from controlPath
  EXPECT_EQ(probe.Caption(), "doc");

  XmlNode formElement = form;
  formElement.setAttribute("Size", "12");
  mapper.Execute(formElement, result);  // from the node itself, not from controlPath
  EXPECT_EQ(probe.Node()->Size(), 12);

  probe.SetCaption("");
  mapper.Execute(Variant(RefPtr<IDispatchObject>(new TNodeWrapper(document.Document()))), result);
  EXPECT_EQ(probe.Caption(), "doc");
  formElement.setAttribute("Size", "13");
  mapper.Execute(Variant(RefPtr<IDispatchObject>(new TNodeWrapper(formElement))), result);
  EXPECT_EQ(probe.Node()->Size(), 13);

  try {
    mapper.Execute(Variant(RefPtr<IDispatchObject>(new TOtherDispatch)), result);
    ADD_FAILURE() << "not raised";
  } catch (const EXMLTypeInfo& e) {
    EXPECT_EQ(e.ClassName(), "EXMLTypeInfo");
    EXPECT_EQ(e.Message(), "Interface not supported");
  }

  mapper.Execute(Variant("<controls><control Caption=\"text\"/></controls>"), result);
  EXPECT_EQ(probe.Caption(), "text");
  EXPECT_EQ(mapper.Content()->Text(), "<controls><control Caption=\"text\"/></controls>\r\n");
  EXPECT_TRUE(mapper.errors.empty());
}

TEST_F(MapperWalk, ControlPathChoosesWhereARunStarts) {
  mapper.SetControlPath("//form");
  mapper.resolveHook = [&](TObject* instance, const XmlNode&, TObjectPartInfo& part, FoundItem& object) {
    if (!instance && part.name == "form") object = FoundItem(&probe);
  };
  mapper.Run("<controls><control Caption=\"skipped\"/><form Caption=\"form\"/></controls>");
  EXPECT_EQ(probe.Caption(), "form");
}

TEST_F(MapperWalk, ExecPropertyRunsContent) {
  mapper.WatchAttributes();
  mapper.attributeHook = [](TObject*, const XmlNode& node, int& flags, Variant&) {
    if (node.prefix() == "get") flags |= XmlFlagReadBack;
  };
  mapper.Content()->SetText("<controls><control get:Caption=\"first\"/></controls>");
  EXPECT_TRUE(mapper.Exec().IsNull());
  // Written through the published property, as a script does.
  ASSERT_TRUE(SetPropertyValue(mapper, "exec", Variant(true)));
  EXPECT_TRUE(mapper.Exec() == Variant("first")) << Show(mapper.Exec());
  EXPECT_TRUE(GetPropertyValue(mapper, "exec") == Variant("first"));

  ASSERT_TRUE(SetPropertyValue(mapper, "controlPath", Variant("//nothing")));
  mapper.SetExec(Variant());
  EXPECT_TRUE(mapper.Exec().IsNull());
}

TEST_F(MapperWalk, ParseErrorsOfContentReachTheCaller) {
  mapper.Content()->SetText("<controls><control Caption=\"x\">");
  EXPECT_THROW(mapper.SetExec(Variant()), EXmlDOMDocument);
  EXPECT_TRUE(mapper.Exec().IsNull());
  EXPECT_TRUE(mapper.errors.empty());
  Variant result;
  EXPECT_THROW(mapper.Execute(Variant("not xml"), result), EXmlDOMDocument);
}

TEST(XmlTypeInfo, PublishesItsMembers) {
  TXmlTypeInfo mapper;
  EXPECT_TRUE(GetPropertyValue(mapper, "controlPath") == Variant("//control"));
  EXPECT_TRUE(GetPropertyValue(mapper, "stopOnException") == Variant("False"));
  EXPECT_TRUE(GetPropertyValue(mapper, "exec").IsNull());
  EXPECT_EQ(mapper.ReservedIndents()->CommaText(), "type,class,property,object");
  for (const char* event : {"OnGetObject", "OnSetPropertyValue", "OnGetProperties", "OnException"}) {
    const platform::TPropInfo* prop = platform::GetPropInfo(mapper, event);
    ASSERT_NE(prop, nullptr) << event;
    EXPECT_EQ(prop->Kind(), platform::TTypeKind::Method);
  }
  ASSERT_TRUE(SetPropertyValue(mapper, "stopOnException", Variant("true")));
  EXPECT_TRUE(mapper.StopOnException());
  EXPECT_TRUE(mapper.InheritsFrom(TCustomTypeInfo::StaticClassInfo()));
}

TEST(XmlNodePath, BaseNamesFromTheTop) {
  TMSXMLDOMDocument document;
  document.LoadXML("<controls><control><new:form xmlns:new=\"urn:x\" a=\"1\"/></control></controls>");
  const XmlDocument doc = document.Document();
  EXPECT_EQ(XmlNodePath(doc.selectSingleNode("//*[local-name()='form']")), "controls.control.form");
  EXPECT_EQ(XmlNodePath(doc.documentElement()), "controls");
  EXPECT_EQ(XmlNodePath(doc), "");
  EXPECT_EQ(XmlNodePath(XmlNode()), "");
}

TEST(GetNodeAttribute, ValueOrDefault) {
  TMSXMLDOMDocument document;
  document.LoadXML("<control content=\"update\" empty=\"\"/>");
  const XmlNode element = document.DocumentElement();
  EXPECT_TRUE(GetNodeAttribute(element, "content", Variant("new")) == Variant("update"));
  EXPECT_TRUE(GetNodeAttribute(element, "empty", Variant("new")) == Variant(""));
  EXPECT_TRUE(GetNodeAttribute(element, "id", Variant("new")) == Variant("new"));
  EXPECT_TRUE(GetNodeAttribute(element, "id").IsEmpty());
  EXPECT_TRUE(GetNodeAttribute(XmlNode(), "content", Variant(1)) == Variant(1));
}

}  // namespace
}  // namespace halbrin::mapper_test
