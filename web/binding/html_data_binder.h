#pragma once

// The settings of the page-side binder and unbinder, as plain components on
// the client: a run packs their published properties into the one job call
// (web/binding/web_controls.h); the walk itself runs in the page process.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/classes/class_info.h"
#include "platform/classes/component.h"
#include "platform/variant/variant.h"

namespace halbrin::webcontrols {

// Binds a page's elements to its record-set islands.
class THtmlDataBinder : public platform::TComponent {
  HALBRIN_CLASS(THtmlDataBinder, platform::TComponent)

  explicit THtmlDataBinder(platform::TComponent* owner = nullptr) : TComponent(owner) {}

  bool DebugMode() const noexcept { return m_debugMode; }
  void SetDebugMode(bool value) noexcept { m_debugMode = value; }
  const std::string& BindTag() const noexcept { return m_bindTag; }
  void SetBindTag(const std::string& value) { m_bindTag = value; }
  const std::string& DataSrc() const noexcept { return m_dataSrc; }
  void SetDataSrc(const std::string& value) { m_dataSrc = value; }
  bool SeparateSrc() const noexcept { return m_separateSrc; }
  void SetSeparateSrc(bool value) noexcept { m_separateSrc = value; }
  // Not published: set for each run.
  bool ClearSource() const noexcept { return m_clearSource; }
  void SetClearSource(bool value) noexcept { m_clearSource = value; }

  void Assign(const platform::TPersistent& source) override;

 private:
  bool m_debugMode = false;
  std::string m_bindTag = "span";
  std::string m_dataSrc = "xmlData";
  bool m_separateSrc = true;
  bool m_clearSource = false;
};

// What the unbinder keeps of a bound element besides its value.
enum class TUnbinderRespect { urId, urStyle };
// Bit n is element n of TUnbinderRespect.
using TUnbinderRespects = std::uint32_t;
const platform::TEnumInfo& UnbinderRespectInfo();

// Turns a bound page into static HTML.
class THtmlDataUnbinder : public platform::TComponent {
  HALBRIN_CLASS(THtmlDataUnbinder, platform::TComponent)

  explicit THtmlDataUnbinder(platform::TComponent* owner = nullptr) : TComponent(owner) {}

  bool FillEmptyData() const noexcept { return m_fillEmptyData; }
  void SetFillEmptyData(bool value) noexcept { m_fillEmptyData = value; }
  const std::string& EmptyData() const noexcept { return m_emptyData; }
  void SetEmptyData(const std::string& value) { m_emptyData = value; }
  const std::string& EmptyTag() const noexcept { return m_emptyTag; }
  void SetEmptyTag(const std::string& value) { m_emptyTag = value; }
  const std::string& EmptyClass() const noexcept { return m_emptyClass; }
  void SetEmptyClass(const std::string& value) { m_emptyClass = value; }
  const std::string& UnbindTag() const noexcept { return m_unbindTag; }
  void SetUnbindTag(const std::string& value) { m_unbindTag = value; }
  const std::string& UnbindClass() const noexcept { return m_unbindClass; }
  void SetUnbindClass(const std::string& value) { m_unbindClass = value; }
  const std::string& ErrorClass() const noexcept { return m_errorClass; }
  void SetErrorClass(const std::string& value) { m_errorClass = value; }
  TUnbinderRespects Respects() const noexcept { return m_respects; }
  void SetRespects(TUnbinderRespects value) noexcept { m_respects = value; }
  // The debug title on each unbound element.
  bool DebugMode() const noexcept { return m_debugMode; }
  void SetDebugMode(bool value) noexcept { m_debugMode = value; }

  void Assign(const platform::TPersistent& source) override;

 private:
  bool m_fillEmptyData = true;
  std::string m_emptyData;
  std::string m_emptyTag = "span";
  std::string m_emptyClass = "emptydata";
  std::string m_unbindTag = "span";
  std::string m_unbindClass = "bindvalue";
  std::string m_errorClass = "binderror";
  TUnbinderRespects m_respects = 0x3;
  bool m_debugMode = false;
};

// The published properties of `settings` (its own class's, not TComponent's)
// as name/value pairs, in declaration order, each a two-element array; then
// `extra`. Booleans travel as Booleans, sets as their text ("urId,urStyle").
using TSettingPairs = std::vector<std::pair<std::string, platform::Variant>>;
platform::Variant PackSettings(const platform::TObject& settings, TSettingPairs extra = {});
// Only the given pairs.
platform::Variant PackSettings(TSettingPairs pairs);

}  // namespace halbrin::webcontrols
