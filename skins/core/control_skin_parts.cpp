#include "skins/core/control_skin_parts.h"

#include "platform/classes/class_builder.h"

namespace halbrin::skins {

// ---- TZebrinSkinMargin ----

TZebrinSkinMargin::TZebrinSkinMargin(TZebrinSkinMargins* owner, int side, ISkinDefaults* defaults)
    : m_owner(owner), m_side(side), m_metrics(std::make_unique<TZebrinSkinMarginAdapter>(this, defaults)) {
  m_metrics->ownerChanged = [this](bool recalc) { Changed(recalc); };
}

TZebrinSkinMargin::~TZebrinSkinMargin() = default;

platform::TPersistent* TZebrinSkinMargin::GetOwner() const { return m_owner; }

void TZebrinSkinMargin::SetEdgeBorders(TZebrinSkinEdgeBorders value) {
  value &= kAllEdgeBorders;
  if (value == m_edgeBorders) return;
  m_edgeBorders = value;
  Changed(false);
}

void TZebrinSkinMargin::SetVisible(bool value) {
  if (value == m_visible) return;
  m_visible = value;
  Changed(true);
}

void TZebrinSkinMargin::Changed(bool recalc) {
  if (m_owner && m_owner->m_changed) m_owner->m_changed(recalc);
}

void TZebrinSkinMargin::Assign(const platform::TPersistent& source) {
  const auto* other = dynamic_cast<const TZebrinSkinMargin*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  m_edgeBorders = other->m_edgeBorders;
  m_visible = other->m_visible;
  m_metrics->Assign(*other->m_metrics);
  Changed(true);
}

// ---- TZebrinSkinMargins ----

TZebrinSkinMargins::TZebrinSkinMargins(platform::TPersistent* owner, ISkinDefaults* defaults, TSkinOwnerNotify changed)
    : m_owner(owner), m_changed(std::move(changed)) {
  for (int side = kMarginTop; side <= kMarginLeft; ++side)
    m_sides[static_cast<std::size_t>(side)] = std::make_unique<TZebrinSkinMargin>(this, side, defaults);
}

TZebrinSkinMargins::~TZebrinSkinMargins() {
  // The margins' last words reach nobody.
  m_changed = nullptr;
}

void TZebrinSkinMargins::SetVisible(bool value) {
  if (value == m_visible) return;
  m_visible = value;
  if (m_changed) m_changed(true);
}

int TZebrinSkinMargins::Extent(int side) const {
  const TZebrinSkinMargin& margin = *Side(side);
  return m_visible && margin.Visible() ? std::max(0, margin.Size()) : 0;
}

void TZebrinSkinMargins::Assign(const platform::TPersistent& source) {
  const auto* other = dynamic_cast<const TZebrinSkinMargins*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  for (std::size_t i = 0; i < m_sides.size(); ++i) m_sides[i]->Assign(*other->m_sides[i]);
  SetVisible(other->m_visible);
}

// ---- TZebrinSkinSplitter ----

TZebrinSkinSplitter::TZebrinSkinSplitter(platform::TPersistent* owner, ISkinDefaults* defaults, TSkinOwnerNotify changed)
    : m_owner(owner), m_changed(std::move(changed)), m_metrics(std::make_unique<TZebrinSkinSplitterAdapter>(this, defaults)) {
  m_metrics->ownerChanged = [this](bool recalc) { Changed(recalc); };
}

TZebrinSkinSplitter::~TZebrinSkinSplitter() { m_changed = nullptr; }

void TZebrinSkinSplitter::SetAutoEdgeBorders(bool value) {
  if (value == m_autoEdgeBorders) return;
  m_autoEdgeBorders = value;
  Changed(false);
}

void TZebrinSkinSplitter::SetEdgeBorders(TZebrinSkinEdgeBorders value) {
  value &= kAllEdgeBorders;
  if (value == m_edgeBorders) return;
  m_edgeBorders = value;
  Changed(false);
}

void TZebrinSkinSplitter::SetEnabled(bool value) {
  if (value == m_enabled) return;
  m_enabled = value;
  Changed(false);
}

void TZebrinSkinSplitter::SetVisible(bool value) {
  if (value == m_visible) return;
  m_visible = value;
  // The strip's thickness is part of the frame.
  Changed(true);
}

void TZebrinSkinSplitter::Changed(bool recalc) {
  if (m_changed) m_changed(recalc);
}

void TZebrinSkinSplitter::Assign(const platform::TPersistent& source) {
  const auto* other = dynamic_cast<const TZebrinSkinSplitter*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  m_autoEdgeBorders = other->m_autoEdgeBorders;
  m_edgeBorders = other->m_edgeBorders;
  m_enabled = other->m_enabled;
  m_hint = other->m_hint;
  m_visible = other->m_visible;
  m_metrics->Assign(*other->m_metrics);
  Changed(true);
}

using M = TZebrinSkinMargin;
HALBRIN_DEFINE_CLASS(TZebrinSkinMargin,
                     .Set("EdgeBorders", &M::EdgeBorders, &M::SetEdgeBorders, SkinEdgeBorderInfo(), "TZebrinSkinEdgeBorders")
                     .Property("Metrics", &M::Metrics)
                     .Property("Visible", &M::Visible, &M::SetVisible)
                     .Default(false))

using MS = TZebrinSkinMargins;
HALBRIN_DEFINE_CLASS(TZebrinSkinMargins, .Property("Bottom", &MS::Bottom)
                                             .Property("Left", &MS::Left)
                                             .Property("Right", &MS::Right)
                                             .Property("Top", &MS::Top)
                                             .Property("Visible", &MS::Visible, &MS::SetVisible)
                                             .Default(true))

using SP = TZebrinSkinSplitter;
HALBRIN_DEFINE_CLASS(TZebrinSkinSplitter,
                     .Property("AutoEdgeBorders", &SP::AutoEdgeBorders, &SP::SetAutoEdgeBorders)
                     .Default(false)
                     .Set("EdgeBorders", &SP::EdgeBorders, &SP::SetEdgeBorders, SkinEdgeBorderInfo(), "TZebrinSkinEdgeBorders")
                     .Property("Enabled", &SP::Enabled, &SP::SetEnabled)
                     .Default(true)
                     .Property("Hint", &SP::Hint, &SP::SetHint)
                     .Property("Metrics", &SP::Metrics)
                     .Property("Visible", &SP::Visible, &SP::SetVisible)
                     .Default(true))

}  // namespace halbrin::skins
