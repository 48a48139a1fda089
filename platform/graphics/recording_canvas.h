#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/graphics/canvas.h"

namespace halbrin::platform {

// A canvas that draws nothing and writes each call with its arguments as one
// line, so tests can compare call sequences:
//   FillRect(0,0,10,5 #000000FF)
//   DrawText("File" 0,0,40,18 Sans 9 [fsBold] #FF000009 single,tabs,ellipsis,center,vcenter)
// Colours are written as eight hexadecimal digits. Pixels set are remembered
// for GetPixel; text measures a fixed width per character.
class TRecordingCanvas final : public ICanvas {
 public:
  const std::vector<std::string>& Calls() const noexcept { return m_calls; }
  void ClearCalls() { m_calls.clear(); }

  // TextExtent: `charWidth` per UTF-8 character, `lineHeight` high.
  void SetTextMetrics(int charWidth, int lineHeight) {
    m_charWidth = charWidth;
    m_lineHeight = lineHeight;
  }
  void SetThemedGlyphs(bool available) { m_themedGlyphs = available; }

  void FillRect(const TRect& rect, TColor color) override;
  void FrameRect(const TRect& rect, TColor color) override;
  void SetPixel(int x, int y, TColor color) override;
  TColor GetPixel(int x, int y) override;
  void Line(TPoint from, TPoint to, int width, TColor color) override;
  void FillPolygon(std::span<const TPoint> points, TColor color) override;
  void FillRectPattern(const TRect& rect, TColor first, TColor second) override;
  void Gradient(const TRect& rect, TColor from, TColor to, bool vertical) override;
  void Save() override;
  void Restore() override;
  void ExcludeClipRect(const TRect& rect) override;
  void DrawText(std::string_view utf8, const TRect& rect, const TFont& font, TColor color,
                const TTextFormat& format) override;
  TSize TextExtent(std::string_view utf8, const TFont& font) override;
  void DrawImage(const TCustomImageList& images, int index, int x, int y) override;
  void DrawImageMasked(const TCustomImageList& images, int index, int x, int y, TColor color) override;
  bool DrawThemedGlyph(TThemedGlyph glyph, const TThemedGlyphState& state, const TRect& rect) override;
  void Blit(const TArgbImage& source, int x, int y) override;
  void DrawPicture(const TArgbImage& image, int x, int y) override;

  // The texts the log uses, for expected lines.
  static std::string RectText(const TRect& rect);
  static std::string ColorText(TColor color);
  static std::string FontText(const TFont& font);
  static std::string FormatText(const TTextFormat& format);

 private:
  std::vector<std::string> m_calls;
  std::map<std::pair<int, int>, TColor> m_pixels;
  int m_charWidth = 7;
  int m_lineHeight = 13;
  bool m_themedGlyphs = false;
};

}  // namespace halbrin::platform
