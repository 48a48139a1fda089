#pragma once

// Adapters: the per-element values of a skin (colours, edge width, size and,
// for text, a font). A value is either set explicitly (its flag is on) or
// left at its marker, in which case it is fetched on every read from the
// skin defaults by the owner's kind.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/classes/method.h"
#include "platform/classes/persistent.h"
#include "platform/graphics/color.h"
#include "platform/graphics/font.h"
#include "skins/core/skin_types.h"

namespace halbrin::skins {

using platform::TColor;

// Parameter numbers (TZebrinSkinDefinedParam, skin_types.h) are also the bit
// numbers of the set flags.

// The rows of default values the skin manager keeps, one per manager adapter.
enum class TSkinDefaultRow {
  Caption,
  SmallCaption,
  Footer,
  Margin,
  Splitter,
  Button,
  SmallButton,
  ToolButton,
  ButtonBrush,
  CaptionFont,
  SmallCaptionFont,
  FooterFont,
  ToolButtonFont,
};
inline constexpr int kSkinDefaultRowCount = 13;

// What an element adapter belongs to; decides which row its defaults come from.
enum class TSkinOwnerKind {
  Other,
  CaptionBand,
  SmallCaptionBand,
  FooterBand,
  Margin,
  Splitter,
  CaptionButton,
  SmallCaptionButton,
  ToolButton,
  WindowButtons,
  CaptionBandItem,
  SmallCaptionBandItem,
  FooterBandItem,
  ToolButtons,
};

// The defaults row for an owner kind.
TSkinDefaultRow DefaultRowFor(TSkinOwnerKind kind) noexcept;

// Where adapters take their defaults from and report changes to (the skin manager).
class ISkinDefaults {
 public:
  virtual ~ISkinDefaults() = default;
  // The row's own defaults: what the manager's adapters fall back on.
  virtual int DefaultParam(TSkinDefaultRow row, TZebrinSkinDefinedParam param) const = 0;
  virtual const platform::TFont& DefaultFont(TSkinDefaultRow row) const = 0;
  // What the adapters of bands, items and buttons fall back on: the value
  // the manager's adapter of the row gives (a skin file's caption colour,
  // say). Without such adapters, the row's own defaults.
  virtual int ElementDefaultParam(TSkinDefaultRow row, TZebrinSkinDefinedParam param) const {
    return DefaultParam(row, param);
  }
  virtual const platform::TFont& ElementDefaultFont(TSkinDefaultRow row) const { return DefaultFont(row); }
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
  // Re-applies the settings to every skin.
  virtual void ApplySettings() = 0;
};

// The nine colours of an adapter in the order GetColors gives them.
struct TSkinColors {
  TColor background, color, disabled, down, edge, hot, inactive, inactiveEdge, inactiveHot;
};

class TZebrinSkinCustomAdapter : public platform::TPersistent {
  HALBRIN_CLASS(TZebrinSkinCustomAdapter, platform::TPersistent)

  explicit TZebrinSkinCustomAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr,
                                    TSkinDefaultRow row = TSkinDefaultRow::Caption);

  platform::TPersistent* Owner() const noexcept { return m_owner; }
  TSkinDefaultRow Row() const noexcept { return m_row; }
  ISkinDefaults* Defaults() const noexcept { return m_defaults; }
  void SetDefaults(ISkinDefaults* defaults) noexcept { m_defaults = defaults; }

  bool ActiveTrack() const noexcept { return m_activeTrack; }
  void SetActiveTrack(bool value);
  bool HotTrack() const noexcept { return m_hotTrack; }
  void SetHotTrack(bool value);

  TColor BackgroundColor() const;
  void SetBackgroundColor(TColor value);
  virtual TColor Color() const;
  virtual void SetColor(TColor value);
  TColor DisabledColor() const { return Value(m_values[sdpDisabledColor], sdpDisabledColor); }
  void SetDisabledColor(TColor value) { SetColorValue(sdpDisabledColor, value); }
  TColor DownColor() const { return Value(m_values[sdpDownColor], sdpDownColor); }
  void SetDownColor(TColor value) { SetColorValue(sdpDownColor, value); }
  TColor EdgeColor() const { return Value(m_values[sdpEdgeColor], sdpEdgeColor); }
  void SetEdgeColor(TColor value) { SetColorValue(sdpEdgeColor, value); }
  int EdgeWidth() const { return Value(m_values[sdpEdgeWidth], sdpEdgeWidth); }
  void SetEdgeWidth(int value);
  TColor HotColor() const { return Value(m_values[sdpHotColor], sdpHotColor); }
  void SetHotColor(TColor value) { SetColorValue(sdpHotColor, value); }
  TColor InactiveColor() const { return Value(m_values[sdpInactiveColor], sdpInactiveColor); }
  void SetInactiveColor(TColor value) { SetColorValue(sdpInactiveColor, value); }
  TColor InactiveEdgeColor() const { return Value(m_values[sdpInactiveEdgeColor], sdpInactiveEdgeColor); }
  void SetInactiveEdgeColor(TColor value) { SetColorValue(sdpInactiveEdgeColor, value); }
  TColor InactiveHotColor() const { return Value(m_values[sdpInactiveHotColor], sdpInactiveHotColor); }
  void SetInactiveHotColor(TColor value) { SetColorValue(sdpInactiveHotColor, value); }
  virtual int Size() const;
  virtual void SetSize(int value);

  // True while no value is set explicitly.
  bool Default() const noexcept { return m_flags == 0; }
  // True puts every value back to its marker; false does nothing.
  virtual void SetDefault(bool value);

  bool IsSet(TZebrinSkinDefinedParam param) const noexcept { return (m_flags >> param & 1u) != 0; }
  std::uint16_t Flags() const noexcept { return m_flags; }

  // The effective value of parameter 0..10; -1 for any other number.
  int GetParam(int index) const;
  TSkinColors GetColors() const;

  void BeginUpdate() noexcept { ++m_updateCount; }
  void EndUpdate();

  // Copies all eleven values with their flags, ActiveTrack and HotTrack.
  void Assign(const platform::TPersistent& source) override;
  platform::TPersistent* GetOwner() const override { return m_owner; }

  platform::TNotifyEvent& OnChange() noexcept { return m_onChange; }

 protected:
  // Nothing while an update is open; else the descendant's routing, then OnChange.
  void Changed(bool recalc);
  // The descendant's own reaction to a change, before OnChange.
  virtual void RouteChange(bool recalc) { (void)recalc; }
  virtual int GetDefaultParam(TZebrinSkinDefinedParam param) const;
  void SetFlag(TZebrinSkinDefinedParam param, bool on) noexcept;
  int RawValue(TZebrinSkinDefinedParam param) const noexcept { return m_values[param]; }

 private:
  int Value(int stored, TZebrinSkinDefinedParam param) const;
  void SetColorValue(TZebrinSkinDefinedParam param, TColor value);

  platform::TPersistent* m_owner;
  ISkinDefaults* m_defaults;
  TSkinDefaultRow m_row;
  bool m_activeTrack = true;
  bool m_hotTrack = true;
  // Indexed by parameter number 0..10; clDefault or -1 is the marker.
  std::array<int, 11> m_values{};
  std::uint16_t m_flags = 0;
  int m_updateCount = 0;
  platform::TNotifyEvent m_onChange;
};

// An adapter with a font. The own font is made on the first write of a
// font value; until then, and for every value whose flag is off, the
// default font answers, so unset values follow later default changes.
class TZebrinSkinCustomFontAdapter : public TZebrinSkinCustomAdapter {
  HALBRIN_CLASS(TZebrinSkinCustomFontAdapter, TZebrinSkinCustomAdapter)

  using TZebrinSkinCustomAdapter::TZebrinSkinCustomAdapter;

  // The default font, or the own font brought up to date with the effective values.
  const platform::TFont& Font();
  bool HasOwnFont() const noexcept { return m_font != nullptr; }

  std::string Name() const;
  void SetName(const std::string& name);
  platform::TFontStyles Style() const;
  void SetStyle(platform::TFontStyles style);
  TColor Color() const override;
  void SetColor(TColor value) override;
  int Size() const override;
  void SetSize(int value) override;
  void SetDefault(bool value) override;

  // From a font adapter: every value with its flag, the name and style too.
  // From a TFont: all of its values, set explicitly.
  void Assign(const platform::TPersistent& source) override;

 protected:
  const platform::TFont& DefaultFont() const { return GetDefaultFont(); }
  // The font unset values come from: the manager's font of the row.
  virtual const platform::TFont& GetDefaultFont() const;

 private:
  platform::TFont& OwnFont();

  std::unique_ptr<platform::TFont> m_font;
};

// Owner notification for element adapters: the band, button or skin that
// must be marked changed (recalc) or repainted.
using TSkinOwnerNotify = std::function<void(bool recalc)>;

// A font adapter of a band item; a change marks the item's band changed.
class TZebrinSkinBandItemFontAdapter : public TZebrinSkinCustomFontAdapter {
  HALBRIN_CLASS(TZebrinSkinBandItemFontAdapter, TZebrinSkinCustomFontAdapter)

  explicit TZebrinSkinBandItemFontAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr,
                                          TSkinOwnerKind kind = TSkinOwnerKind::CaptionBandItem)
      : TZebrinSkinCustomFontAdapter(owner, defaults, DefaultRowFor(kind)) {}
  TSkinOwnerNotify ownerChanged;

 protected:
  void RouteChange(bool recalc) override;
};

// One of the manager's font adapters: defaults from the row itself; a
// change re-applies the settings to all skins.
class TZebrinSkinManagerFontAdapter : public TZebrinSkinCustomFontAdapter {
  HALBRIN_CLASS(TZebrinSkinManagerFontAdapter, TZebrinSkinCustomFontAdapter)

  using TZebrinSkinCustomFontAdapter::TZebrinSkinCustomFontAdapter;

 protected:
  void RouteChange(bool recalc) override;
  int GetDefaultParam(TZebrinSkinDefinedParam param) const override;
  const platform::TFont& GetDefaultFont() const override;
};

class TZebrinSkinManagerToolButtonFontAdapter : public TZebrinSkinManagerFontAdapter {
  HALBRIN_CLASS(TZebrinSkinManagerToolButtonFontAdapter, TZebrinSkinManagerFontAdapter)

  explicit TZebrinSkinManagerToolButtonFontAdapter(platform::TPersistent* owner = nullptr,
                                                   ISkinDefaults* defaults = nullptr,
                                                   TSkinDefaultRow row = TSkinDefaultRow::ToolButtonFont)
      : TZebrinSkinManagerFontAdapter(owner, defaults, row) {}
};

// The font adapter of a tool-button collection; after notifying, the collection is updated.
class TZebrinSkinToolButtonsFontAdapter : public TZebrinSkinCustomFontAdapter {
  HALBRIN_CLASS(TZebrinSkinToolButtonsFontAdapter, TZebrinSkinCustomFontAdapter)

  explicit TZebrinSkinToolButtonsFontAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr)
      : TZebrinSkinCustomFontAdapter(owner, defaults, TSkinDefaultRow::ToolButtonFont) {}
  TSkinOwnerNotify collectionChanged;

 protected:
  void RouteChange(bool recalc) override;
};

// The manager's own adapters: defaults from the row itself; a change runs
// inside the manager's update bracket.
class TZebrinSkinManagerCustomAdapter : public TZebrinSkinCustomAdapter {
  HALBRIN_CLASS(TZebrinSkinManagerCustomAdapter, TZebrinSkinCustomAdapter)

  using TZebrinSkinCustomAdapter::TZebrinSkinCustomAdapter;

 protected:
  void RouteChange(bool recalc) override;
  int GetDefaultParam(TZebrinSkinDefinedParam param) const override;
};

class TZebrinSkinManagerAdapter : public TZebrinSkinManagerCustomAdapter {
  HALBRIN_CLASS(TZebrinSkinManagerAdapter, TZebrinSkinManagerCustomAdapter)

  using TZebrinSkinManagerCustomAdapter::TZebrinSkinManagerCustomAdapter;
};

class TZebrinSkinManagerButtonAdapter : public TZebrinSkinManagerCustomAdapter {
  HALBRIN_CLASS(TZebrinSkinManagerButtonAdapter, TZebrinSkinManagerCustomAdapter)

  explicit TZebrinSkinManagerButtonAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr,
                                           TSkinDefaultRow row = TSkinDefaultRow::Button)
      : TZebrinSkinManagerCustomAdapter(owner, defaults, row) {}

  // Told of each change before the skins are updated (the manager redraws its glyphs).
  std::function<void()> onChanged;

 protected:
  void RouteChange(bool recalc) override;
};

class TZebrinSkinManagerSplitterAdapter : public TZebrinSkinManagerAdapter {
  HALBRIN_CLASS(TZebrinSkinManagerSplitterAdapter, TZebrinSkinManagerAdapter)

  explicit TZebrinSkinManagerSplitterAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr)
      : TZebrinSkinManagerAdapter(owner, defaults, TSkinDefaultRow::Splitter) {}
};

// Element adapters: a change tells the owner through ownerChanged.
class TZebrinSkinElementAdapter : public TZebrinSkinCustomAdapter {
  HALBRIN_CLASS(TZebrinSkinElementAdapter, TZebrinSkinCustomAdapter)

  explicit TZebrinSkinElementAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr,
                                     TSkinOwnerKind kind = TSkinOwnerKind::Other)
      : TZebrinSkinCustomAdapter(owner, defaults, DefaultRowFor(kind)) {}
  TSkinOwnerNotify ownerChanged;

 protected:
  void RouteChange(bool recalc) override;
};

// A band's adapter. When sizeFloor is set (a band that sizes itself), Size
// is raised to it: the preferred size of the visible button sets in the band.
class TZebrinSkinBandAdapter : public TZebrinSkinElementAdapter {
  HALBRIN_CLASS(TZebrinSkinBandAdapter, TZebrinSkinElementAdapter)

  explicit TZebrinSkinBandAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr,
                                  TSkinOwnerKind kind = TSkinOwnerKind::CaptionBand)
      : TZebrinSkinElementAdapter(owner, defaults, kind) {}
  int Size() const override;
  std::function<int()> sizeFloor;
};

// A button's adapter. When rowOf is set, defaults come from the row it
// answers (a window button's Button or SmallButton, by its caption's size).
class TZebrinSkinButtonAdapter : public TZebrinSkinElementAdapter {
  HALBRIN_CLASS(TZebrinSkinButtonAdapter, TZebrinSkinElementAdapter)

  explicit TZebrinSkinButtonAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr,
                                    TSkinOwnerKind kind = TSkinOwnerKind::CaptionButton)
      : TZebrinSkinElementAdapter(owner, defaults, kind) {}
  std::function<TSkinDefaultRow()> rowOf;

 protected:
  int GetDefaultParam(TZebrinSkinDefinedParam param) const override;
};

class TZebrinSkinSplitterAdapter : public TZebrinSkinElementAdapter {
  HALBRIN_CLASS(TZebrinSkinSplitterAdapter, TZebrinSkinElementAdapter)

  explicit TZebrinSkinSplitterAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr)
      : TZebrinSkinElementAdapter(owner, defaults, TSkinOwnerKind::Splitter) {}
};

// A margin's adapter; while brushColor answers (the skin has a window), a
// default Color is the control's background colour.
class TZebrinSkinMarginAdapter : public TZebrinSkinElementAdapter {
  HALBRIN_CLASS(TZebrinSkinMarginAdapter, TZebrinSkinElementAdapter)

  explicit TZebrinSkinMarginAdapter(platform::TPersistent* owner = nullptr, ISkinDefaults* defaults = nullptr)
      : TZebrinSkinElementAdapter(owner, defaults, TSkinOwnerKind::Margin) {}
  TColor Color() const override;
  std::function<std::optional<TColor>()> brushColor;
};

// The state a colour is chosen for.
struct TSkinColorState {
  bool skinEnabled = true;
  bool elementEnabled = true;
  bool active = true;  // the skin's active state
  bool hot = false;    // under the mouse
  bool down = false;
};

enum class TSkinBandKind { Caption, Footer, Other };

// The rules that turn an adapter and a state into the colour to paint.
struct TZebrinSkinColor {
  static TColor Button(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s);
  static TColor Splitter(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s);
  static TColor Margin(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s);
  static TColor Edge(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s);
  // flashPhase: the skin's caption is flashing and in its "on" phase.
  static TColor Band(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s, TSkinBandKind kind, bool flashPhase);
  // Step 2 of 5 from the adapter's colour towards the caption colour of the
  // desktop service (system colours are resolved there too).
  static TColor Flash(const TZebrinSkinCustomAdapter& a, const TSkinColorState& s);
};

}  // namespace halbrin::skins
