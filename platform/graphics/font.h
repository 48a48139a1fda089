#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/classes/class_builder.h"
#include "platform/classes/method.h"
#include "platform/classes/persistent.h"
#include "platform/graphics/color.h"

namespace halbrin::platform {

// The font style set: bit n is element n of FontStyleInfo().
using TFontStyles = std::uint32_t;
inline constexpr TFontStyles fsBold = 0x01;
inline constexpr TFontStyles fsItalic = 0x02;
inline constexpr TFontStyles fsUnderline = 0x04;
inline constexpr TFontStyles fsStrikeOut = 0x08;

const TEnumInfo& FontStyleInfo();

inline constexpr int DEFAULT_CHARSET = 1;

// A font as a value: a Pango family name, a size in points and a style set.
struct TFontSpec {
  std::string name = "Sans";
  int size = 9;
  TFontStyles style = 0;

  friend bool operator==(const TFontSpec&, const TFontSpec&) = default;
};

// The Pango family for a font name. The class library's stock names ("MS Sans
// Serif", "MS Serif", "Tahoma", any letter case) have no Linux face and become
// `desktopSans`, as does an empty name; any other name is kept.
std::string FontFamilyFor(std::string_view name, std::string_view desktopSans);

// The class library's font: a UTF-8 family name, a size kept as a pixel
// height at PixelsPerInch (Size in points is derived from it), a style set and
// a colour. Charset is stored for the published property and otherwise unused:
// text is UTF-8. Every change of a value fires OnChange once.
class TFont : public TPersistent {
  HALBRIN_CLASS(TFont, TPersistent)

  TFont();

  const std::string& Name() const noexcept { return m_name; }
  void SetName(const std::string& name);
  // Points: -Height * 72 / PixelsPerInch, rounded.
  int Size() const noexcept;
  void SetSize(int size);
  // Pixels; negative is the character height without internal leading, as
  // the class library has it (Size 9 at 96 pixels per inch is -12).
  int Height() const noexcept { return m_height; }
  void SetHeight(int height);
  TFontStyles Style() const noexcept { return m_style; }
  void SetStyle(TFontStyles style);
  TColor Color() const noexcept { return m_color; }
  void SetColor(TColor color);
  int Charset() const noexcept { return m_charset; }
  void SetCharset(int charset);
  int PixelsPerInch() const noexcept { return m_pixelsPerInch; }

  // Name, Size and Style together, with one change.
  TFontSpec Spec() const { return {m_name, Size(), m_style}; }
  void SetSpec(const TFontSpec& spec);

  // Copies every value from another TFont, with one change when any differs.
  void Assign(const TPersistent& source) override;

  TNotifyEvent& OnChange() noexcept { return m_onChange; }

 protected:
  virtual void Changed();

 private:
  std::string m_name = "Sans";
  int m_height = -12;
  TFontStyles m_style = 0;
  TColor m_color = SystemColor(8);  // window text
  int m_charset = DEFAULT_CHARSET;
  int m_pixelsPerInch = 96;
  TNotifyEvent m_onChange;
};

}  // namespace halbrin::platform
