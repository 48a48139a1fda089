#pragma once

// The owned parts of a control skin: the four margins around the frame and
// the splitter strip on the pane's free edge.

#include <array>
#include <memory>
#include <string>

#include "platform/classes/persistent.h"
#include "platform/graphics/geometry.h"
#include "skins/core/adapters.h"
#include "skins/core/skin_types.h"

namespace halbrin::skins {

using platform::TRect;

class TZebrinSkinMargins;

// The side numbers of the margins.
inline constexpr int kMarginTop = 0;
inline constexpr int kMarginRight = 1;
inline constexpr int kMarginBottom = 2;
inline constexpr int kMarginLeft = 3;

// One margin: a strip of Metrics.Size at its side of the frame.
class TZebrinSkinMargin : public platform::TPersistent {
  HALBRIN_CLASS(TZebrinSkinMargin, platform::TPersistent)

  explicit TZebrinSkinMargin(TZebrinSkinMargins* owner = nullptr, int side = kMarginTop, ISkinDefaults* defaults = nullptr);
  ~TZebrinSkinMargin() override;

  TZebrinSkinEdgeBorders EdgeBorders() const noexcept { return m_edgeBorders; }
  void SetEdgeBorders(TZebrinSkinEdgeBorders value);
  TZebrinSkinMarginAdapter* Metrics() const noexcept { return m_metrics.get(); }
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool value);

  int Side() const noexcept { return m_side; }
  // The thickness: Metrics.Size.
  int Size() const { return m_metrics->Size(); }
  // Window coordinates, recomputed before painting; empty at first.
  const TRect& Rect() const noexcept { return m_rect; }
  void SetRect(const TRect& rect) noexcept { m_rect = rect; }

  void Assign(const platform::TPersistent& source) override;
  platform::TPersistent* GetOwner() const override;

 private:
  void Changed(bool recalc);

  TZebrinSkinMargins* m_owner;
  int m_side;
  TRect m_rect;
  TZebrinSkinEdgeBorders m_edgeBorders = 0;
  bool m_visible = false;
  std::unique_ptr<TZebrinSkinMarginAdapter> m_metrics;
};

// The four margins, made with their side numbers 0 to 3 in that order.
class TZebrinSkinMargins : public platform::TPersistent {
  HALBRIN_CLASS(TZebrinSkinMargins, platform::TPersistent)

  // `changed` hears of every change: true when the frame must be recomputed,
  // false when a repaint is enough.
  explicit TZebrinSkinMargins(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr,
                              TSkinOwnerNotify changed = {});
  ~TZebrinSkinMargins() override;

  TZebrinSkinMargin* Top() const noexcept { return m_sides[kMarginTop].get(); }
  TZebrinSkinMargin* Right() const noexcept { return m_sides[kMarginRight].get(); }
  TZebrinSkinMargin* Bottom() const noexcept { return m_sides[kMarginBottom].get(); }
  TZebrinSkinMargin* Left() const noexcept { return m_sides[kMarginLeft].get(); }
  // Writing a side assigns into the owned margin.
  void SetTop(const TZebrinSkinMargin& value) { m_sides[kMarginTop]->Assign(value); }
  void SetRight(const TZebrinSkinMargin& value) { m_sides[kMarginRight]->Assign(value); }
  void SetBottom(const TZebrinSkinMargin& value) { m_sides[kMarginBottom]->Assign(value); }
  void SetLeft(const TZebrinSkinMargin& value) { m_sides[kMarginLeft]->Assign(value); }
  TZebrinSkinMargin* Side(int side) const { return m_sides.at(static_cast<std::size_t>(side)).get(); }
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool value);

  // The thickness a side takes off the frame: 0 when hidden (or all are).
  int Extent(int side) const;

  void Assign(const platform::TPersistent& source) override;
  platform::TPersistent* GetOwner() const override { return m_owner; }

 private:
  friend class TZebrinSkinMargin;

  platform::TPersistent* m_owner;
  TSkinOwnerNotify m_changed;
  bool m_visible = true;
  std::array<std::unique_ptr<TZebrinSkinMargin>, 4> m_sides;
};

// The strip on a pane's free edge that sizes the pane.
class TZebrinSkinSplitter : public platform::TPersistent {
  HALBRIN_CLASS(TZebrinSkinSplitter, platform::TPersistent)

  explicit TZebrinSkinSplitter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr,
                               TSkinOwnerNotify changed = {});
  ~TZebrinSkinSplitter() override;

  bool AutoEdgeBorders() const noexcept { return m_autoEdgeBorders; }
  void SetAutoEdgeBorders(bool value);
  TZebrinSkinEdgeBorders EdgeBorders() const noexcept { return m_edgeBorders; }
  void SetEdgeBorders(TZebrinSkinEdgeBorders value);
  bool Enabled() const noexcept { return m_enabled; }
  void SetEnabled(bool value);
  const std::string& Hint() const noexcept { return m_hint; }
  void SetHint(const std::string& value) { m_hint = value; }
  TZebrinSkinSplitterAdapter* Metrics() const noexcept { return m_metrics.get(); }
  bool Visible() const noexcept { return m_visible; }
  void SetVisible(bool value);

  // The thickness: Metrics.Size.
  int Size() const { return m_metrics->Size(); }
  // Window coordinates, recomputed before painting.
  const TRect& Rect() const noexcept { return m_rect; }
  void SetRect(const TRect& rect) noexcept { m_rect = rect; }

  void Assign(const platform::TPersistent& source) override;
  platform::TPersistent* GetOwner() const override { return m_owner; }

 private:
  void Changed(bool recalc);

  platform::TPersistent* m_owner;
  TSkinOwnerNotify m_changed;
  TRect m_rect;
  bool m_autoEdgeBorders = false;
  TZebrinSkinEdgeBorders m_edgeBorders = 0;
  bool m_enabled = true;
  std::string m_hint;
  bool m_visible = true;
  std::unique_ptr<TZebrinSkinSplitterAdapter> m_metrics;
};

}  // namespace halbrin::skins
