#include "platform/graphics/font.h"

#include <cmath>

#include "platform/base/case_fold.h"

namespace halbrin::platform {
namespace {

// a * b / c rounded half away from zero, as the platform's MulDiv.
int MulDiv(int a, int b, int c) {
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

}  // namespace

const TEnumInfo& FontStyleInfo() {
  static const TEnumInfo info("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
  return info;
}

std::string FontFamilyFor(std::string_view name, std::string_view desktopSans) {
  if (name.empty() || SameText(name, "MS Sans Serif") || SameText(name, "MS Serif") || SameText(name, "Tahoma"))
    return std::string(desktopSans);
  return std::string(name);
}

HALBRIN_DEFINE_CLASS(TFont,
                     .Property("Charset", &TFont::Charset, &TFont::SetCharset)
                     .TypeName("TFontCharset")
                     .Property("Color", &TFont::Color, &TFont::SetColor)
                     .TypeName("TColor")
                     .Property("Height", &TFont::Height, &TFont::SetHeight)
                     .Property("Name", &TFont::Name, &TFont::SetName)
                     .TypeName("TFontName")
                     .Property("Size", &TFont::Size, &TFont::SetSize)
                     .Set("Style", &TFont::Style, &TFont::SetStyle, FontStyleInfo(), "TFontStyles")
                     .Event("OnChange", &TFont::m_onChange, "TNotifyEvent"))

TFont::TFont() = default;

void TFont::SetName(const std::string& name) {
  if (name == m_name) return;
  m_name = name;
  Changed();
}

int TFont::Size() const noexcept { return -MulDiv(m_height, 72, m_pixelsPerInch); }

void TFont::SetSize(int size) { SetHeight(-MulDiv(size, m_pixelsPerInch, 72)); }

void TFont::SetHeight(int height) {
  if (height == m_height) return;
  m_height = height;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  style &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
  if (style == m_style) return;
  m_style = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == m_color) return;
  m_color = color;
  Changed();
}

void TFont::SetCharset(int charset) {
  if (charset == m_charset) return;
  m_charset = charset;
  Changed();
}

void TFont::SetSpec(const TFontSpec& spec) {
  const int height = -MulDiv(spec.size, m_pixelsPerInch, 72);
  const TFontStyles style = spec.style & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
  if (spec.name == m_name && height == m_height && style == m_style) return;
  m_name = spec.name;
  m_height = height;
  m_style = style;
  Changed();
}

void TFont::Assign(const TPersistent& source) {
  const auto* font = dynamic_cast<const TFont*>(&source);
  if (!font) {
    TPersistent::Assign(source);
    return;
  }
  if (font == this) return;
  const bool same = font->m_name == m_name && font->m_height == m_height && font->m_style == m_style &&
                    font->m_color == m_color && font->m_charset == m_charset &&
                    font->m_pixelsPerInch == m_pixelsPerInch;
  if (same) return;
  m_name = font->m_name;
  m_height = font->m_height;
  m_style = font->m_style;
  m_color = font->m_color;
  m_charset = font->m_charset;
  m_pixelsPerInch = font->m_pixelsPerInch;
  Changed();
}

void TFont::Changed() { m_onChange(this); }

}  // namespace halbrin::platform
