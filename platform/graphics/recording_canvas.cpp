#include "platform/graphics/recording_canvas.h"

#include <cstdio>

namespace halbrin::platform {
namespace {

std::string PointText(TPoint p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }

int Utf8Length(std::string_view text) {
  int count = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  return count;
}

}  // namespace

std::string TRecordingCanvas::RectText(const TRect& rect) {
  return std::to_string(rect.Left) + "," + std::to_string(rect.Top) + "," + std::to_string(rect.Right) + "," +
         std::to_string(rect.Bottom);
}

std::string TRecordingCanvas::ColorText(TColor color) {
  char text[16];
  std::snprintf(text, sizeof text, "#%08X", static_cast<unsigned>(color));
  return text;
}

std::string TRecordingCanvas::FontText(const TFont& font) {
  std::string text = font.Name() + " " + std::to_string(font.Size()) + " [";
  const TEnumInfo& styles = FontStyleInfo();
  bool first = true;
  for (int bit = 0; bit < styles.Count(); ++bit) {
    if (!(font.Style() & (1u << bit))) continue;
    if (!first) text += ",";
    text += styles.Name(bit);
    first = false;
  }
  return text + "]";
}

std::string TRecordingCanvas::FormatText(const TTextFormat& format) {
  std::string text;
  auto add = [&](bool on, const char* name) {
    if (!on) return;
    if (!text.empty()) text += ",";
    text += name;
  };
  add(format.singleLine, "single");
  add(format.expandTabs, "tabs");
  add(format.endEllipsis, "ellipsis");
  add(format.mnemonic, "mnemonic");
  add(format.wordBreak, "wordbreak");
  add(format.align == TTextAlign::Center, "center");
  add(format.align == TTextAlign::Right, "right");
  add(format.layout == TTextLayout::Center, "vcenter");
  add(format.layout == TTextLayout::Bottom, "bottom");
  add(format.rotate90, "rotate90");
  return text;
}

void TRecordingCanvas::FillRect(const TRect& rect, TColor color) {
  m_calls.push_back("FillRect(" + RectText(rect) + " " + ColorText(color) + ")");
}

void TRecordingCanvas::FrameRect(const TRect& rect, TColor color) {
  m_calls.push_back("FrameRect(" + RectText(rect) + " " + ColorText(color) + ")");
}

void TRecordingCanvas::SetPixel(int x, int y, TColor color) {
  m_calls.push_back("SetPixel(" + PointText({x, y}) + " " + ColorText(color) + ")");
  m_pixels[{x, y}] = color;
}

TColor TRecordingCanvas::GetPixel(int x, int y) {
  m_calls.push_back("GetPixel(" + PointText({x, y}) + ")");
  const auto found = m_pixels.find({x, y});
  return found == m_pixels.end() ? clNone : found->second;
}

void TRecordingCanvas::Line(TPoint from, TPoint to, int width, TColor color) {
  m_calls.push_back("Line(" + PointText(from) + " " + PointText(to) + " " + std::to_string(width) + " " +
                    ColorText(color) + ")");
}

void TRecordingCanvas::FillPolygon(std::span<const TPoint> points, TColor color) {
  std::string text = "FillPolygon(";
  for (const TPoint& p : points) text += PointText(p) + " ";
  m_calls.push_back(text + ColorText(color) + ")");
}

void TRecordingCanvas::FillRectPattern(const TRect& rect, TColor first, TColor second) {
  m_calls.push_back("FillRectPattern(" + RectText(rect) + " " + ColorText(first) + " " + ColorText(second) + ")");
}

void TRecordingCanvas::Gradient(const TRect& rect, TColor from, TColor to, bool vertical) {
  m_calls.push_back("Gradient(" + RectText(rect) + " " + ColorText(from) + " " + ColorText(to) +
                    (vertical ? " vertical)" : " horizontal)"));
}

void TRecordingCanvas::Save() { m_calls.push_back("Save()"); }

void TRecordingCanvas::Restore() { m_calls.push_back("Restore()"); }

void TRecordingCanvas::ExcludeClipRect(const TRect& rect) {
  m_calls.push_back("ExcludeClipRect(" + RectText(rect) + ")");
}

void TRecordingCanvas::DrawText(std::string_view utf8, const TRect& rect, const TFont& font, TColor color,
                                const TTextFormat& format) {
  m_calls.push_back("DrawText(\"" + std::string(utf8) + "\" " + RectText(rect) + " " + FontText(font) + " " +
                    ColorText(color) + " " + FormatText(format) + ")");
}

TSize TRecordingCanvas::TextExtent(std::string_view utf8, const TFont& font) {
  m_calls.push_back("TextExtent(\"" + std::string(utf8) + "\" " + FontText(font) + ")");
  return {Utf8Length(utf8) * m_charWidth, m_lineHeight};
}

void TRecordingCanvas::DrawImage(const TCustomImageList&, int index, int x, int y) {
  m_calls.push_back("DrawImage(" + std::to_string(index) + " " + PointText({x, y}) + ")");
}

void TRecordingCanvas::DrawImageMasked(const TCustomImageList&, int index, int x, int y, TColor color) {
  m_calls.push_back("DrawImageMasked(" + std::to_string(index) + " " + PointText({x, y}) + " " + ColorText(color) +
                    ")");
}

bool TRecordingCanvas::DrawThemedGlyph(TThemedGlyph glyph, const TThemedGlyphState& state, const TRect& rect) {
  static constexpr const char* kGlyphs[] = {"check", "option", "expander"};
  std::string flags;
  if (state.hot) flags += "hot,";
  if (state.pressed) flags += "pressed,";
  if (state.disabled) flags += "disabled,";
  flags += "check=" + std::to_string(state.check);
  m_calls.push_back(std::string("DrawThemedGlyph(") + kGlyphs[static_cast<int>(glyph)] + " " + flags + " " +
                    RectText(rect) + ")");
  return m_themedGlyphs;
}

void TRecordingCanvas::Blit(const TArgbImage& source, int x, int y) {
  m_calls.push_back("Blit(" + std::to_string(source.Width) + "x" + std::to_string(source.Height) + " " +
                    PointText({x, y}) + ")");
}

void TRecordingCanvas::DrawPicture(const TArgbImage& image, int x, int y) {
  m_calls.push_back("DrawPicture(" + std::to_string(image.Width) + "x" + std::to_string(image.Height) + " " +
                    PointText({x, y}) + ")");
}

}  // namespace halbrin::platform
