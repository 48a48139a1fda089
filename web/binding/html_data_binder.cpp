#include "web/binding/html_data_binder.h"

#include "platform/classes/class_builder.h"
#include "platform/classes/property_access.h"

namespace halbrin::webcontrols {

using namespace halbrin::platform;

using B = THtmlDataBinder;
HALBRIN_DEFINE_CLASS(THtmlDataBinder,
                     .Property("debugMode", &B::DebugMode, &B::SetDebugMode)
                     .Default(false)
                     .Property("bindTag", &B::BindTag, &B::SetBindTag)
                     .Default("span")
                     .Property("dataSrc", &B::DataSrc, &B::SetDataSrc)
                     .Default("xmlData")
                     .Property("separateSrc", &B::SeparateSrc, &B::SetSeparateSrc)
                     .Default(true))

void THtmlDataBinder::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const THtmlDataBinder*>(&source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  m_debugMode = other->m_debugMode;
  m_bindTag = other->m_bindTag;
  m_dataSrc = other->m_dataSrc;
  m_separateSrc = other->m_separateSrc;
  m_clearSource = other->m_clearSource;
}

const TEnumInfo& UnbinderRespectInfo() {
  static const TEnumInfo info("TUnbinderRespect", {"urId", "urStyle"});
  return info;
}

using U = THtmlDataUnbinder;
HALBRIN_DEFINE_CLASS(THtmlDataUnbinder,
                     .Property("fillEmptyData", &U::FillEmptyData, &U::SetFillEmptyData)
                     .Default(true)
                     .Property("emptyData", &U::EmptyData, &U::SetEmptyData)
                     .Default("")
                     .Property("emptyTag", &U::EmptyTag, &U::SetEmptyTag)
                     .Default("span")
                     .Property("emptyClass", &U::EmptyClass, &U::SetEmptyClass)
                     .Default("emptydata")
                     .Property("unbindTag", &U::UnbindTag, &U::SetUnbindTag)
                     .Default("span")
                     .Property("unbindClass", &U::UnbindClass, &U::SetUnbindClass)
                     .Default("bindvalue")
                     .Property("errorClass", &U::ErrorClass, &U::SetErrorClass)
                     .Default("binderror")
                     .Set("respects", &U::Respects, &U::SetRespects, UnbinderRespectInfo(), "TUnbinderRespects")
                     .Default(0x3)
                     .Property("debugMode", &U::DebugMode, &U::SetDebugMode)
                     .Default(false))

void THtmlDataUnbinder::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const THtmlDataUnbinder*>(&source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  m_fillEmptyData = other->m_fillEmptyData;
  m_emptyData = other->m_emptyData;
  m_emptyTag = other->m_emptyTag;
  m_emptyClass = other->m_emptyClass;
  m_unbindTag = other->m_unbindTag;
  m_unbindClass = other->m_unbindClass;
  m_errorClass = other->m_errorClass;
  m_respects = other->m_respects;
  m_debugMode = other->m_debugMode;
}

Variant PackSettings(const TObject& settings, TSettingPairs extra) {
  TSettingPairs pairs;
  for (const TPropInfo& prop : settings.ClassInfo().OwnProperties()) {
    // Booleans travel as Booleans, not as their names.
    if (prop.Type().enumInfo == &TEnumInfo::Boolean() && prop.Type().kind == TTypeKind::Enumeration)
      pairs.emplace_back(prop.Name(), Variant(GetOrdProp(settings, prop) != 0));
    else
      pairs.emplace_back(prop.Name(), GetPropValue(settings, prop));
  }
  for (auto& pair : extra) pairs.push_back(std::move(pair));
  return PackSettings(std::move(pairs));
}

Variant PackSettings(TSettingPairs pairs) {
  std::vector<Variant> items;
  for (auto& [name, value] : pairs)
    items.emplace_back(VariantArray(std::vector<Variant>{Variant(std::move(name)), std::move(value)}));
  return Variant(VariantArray(std::move(items)));
}

}  // namespace halbrin::webcontrols
