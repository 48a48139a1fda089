#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/property_access.h"
#include "platform/graphics/font.h"
#include "platform/graphics/geometry.h"
#include "platform/graphics/image_list.h"
#include "platform/graphics/recording_canvas.h"

namespace halbrin::platform {
namespace {

// ------------------------------------------------------------- rectangles

TEST(RectTest, EmptinessCountsInvertedRectanglesAsEmpty) {
  struct Case {
    TRect rect;
    bool empty;
  };
  const Case cases[] = {
      {{0, 0, 10, 5}, false}, {{0, 0, 0, 5}, true},     {{0, 0, 10, 0}, true},
      {{0, 0, 100, -10}, true}, {{10, 0, 5, 20}, true}, {{-5, -5, -4, -4}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.rect.IsEmpty(), c.empty) << c.rect.Left << "," << c.rect.Top << "," << c.rect.Right << "," << c.rect.Bottom;
}

TEST(RectTest, ContainsExcludesTheRightAndBottomEdges) {
  const TRect r{0, 0, 10, 5};
  EXPECT_TRUE(r.Contains({0, 0}));
  EXPECT_TRUE(r.Contains({9, 4}));
  EXPECT_FALSE(r.Contains({10, 4}));
  EXPECT_FALSE(r.Contains({9, 5}));
  EXPECT_FALSE((TRect{10, 0, 0, 5}).Contains({5, 2}));
}

TEST(RectTest, IntersectionOfDisjointRectanglesIsEmpty) {
  EXPECT_EQ(IntersectRect({0, 0, 10, 10}, {5, 5, 20, 20}), (TRect{5, 5, 10, 10}));
  EXPECT_EQ(IntersectRect({0, 0, 10, 10}, {10, 0, 20, 10}), TRect{});
}

// ------------------------------------------------------------------ fonts

TEST(FontTest, SizeAndHeightAreOneValueAtNinetySixPixelsPerInch) {
  struct Case {
    int size;
    int height;
  };
  const Case cases[] = {{8, -11}, {9, -12}, {10, -13}, {12, -16}, {0, 0}};
  for (const Case& c : cases) {
    TFont font;
    font.SetSize(c.size);
    EXPECT_EQ(font.Height(), c.height) << c.size;
    EXPECT_EQ(font.Size(), c.size) << c.size;
  }
  TFont font;
  font.SetHeight(-20);
  EXPECT_EQ(font.Size(), 15);
}

class FontChangeCounter : public TObject {
  HALBRIN_CLASS(FontChangeCounter, TObject)
  void Changed(TObject*) { ++count; }
  int count = 0;
};
HALBRIN_DEFINE_CLASS(FontChangeCounter, )

TEST(FontTest, EachRealChangeFiresOnceAndRepeatsFireNothing) {
  TFont font;
  FontChangeCounter counter;
  font.OnChange().Bind(counter, &FontChangeCounter::Changed);
  struct Step {
    const char* name;
    void (*change)(TFont&);
    int fired;
  };
  const Step steps[] = {
      {"name", [](TFont& f) { f.SetName("Serif"); }, 1},
      {"same name", [](TFont& f) { f.SetName("Serif"); }, 0},
      {"size", [](TFont& f) { f.SetSize(14); }, 1},
      {"same size as height", [](TFont& f) { f.SetHeight(f.Height()); }, 0},
      {"style", [](TFont& f) { f.SetStyle(fsBold | fsItalic); }, 1},
      {"unknown style bits only", [](TFont& f) { f.SetStyle(fsBold | fsItalic | 0x100); }, 0},
      {"colour", [](TFont& f) { f.SetColor(0x0000FF); }, 1},
      {"charset", [](TFont& f) { f.SetCharset(204); }, 1},
      {"spec of three values", [](TFont& f) { f.SetSpec({"Mono", 8, fsUnderline}); }, 1},
      {"same spec", [](TFont& f) { f.SetSpec({"Mono", 8, fsUnderline}); }, 0},
  };
  for (const Step& s : steps) {
    counter.count = 0;
    s.change(font);
    EXPECT_EQ(counter.count, s.fired) << s.name;
  }
  EXPECT_EQ(font.Spec(), (TFontSpec{"Mono", 8, fsUnderline}));
  EXPECT_EQ(font.Color(), 0x0000FF);
  EXPECT_EQ(font.Charset(), 204);
}

TEST(FontTest, AssignCopiesEveryValueWithOneChange) {
  TFont source;
  source.SetSpec({"DejaVu Serif", 11, fsBold | fsStrikeOut});
  source.SetColor(0x123456);
  source.SetCharset(0);
  TFont target;
  FontChangeCounter counter;
  target.OnChange().Bind(counter, &FontChangeCounter::Changed);
  target.Assign(source);
  EXPECT_EQ(counter.count, 1);
  EXPECT_EQ(target.Spec(), source.Spec());
  EXPECT_EQ(target.Height(), source.Height());
  EXPECT_EQ(target.Color(), 0x123456);
  EXPECT_EQ(target.Charset(), 0);
  target.Assign(source);
  EXPECT_EQ(counter.count, 1);
}

TEST(FontTest, PublishedPropertiesReachTheValues) {
  TFont font;
  SetPropValue(font, RequirePropInfo(font, "style"), Variant("[fsBold,fsUnderline]"));
  SetPropValue(font, RequirePropInfo(font, "Name"), Variant("Cantarell"));
  SetPropValue(font, RequirePropInfo(font, "Size"), Variant(11));
  SetPropValue(font, RequirePropInfo(font, "Color"), Variant(255));
  EXPECT_EQ(font.Spec(), (TFontSpec{"Cantarell", 11, fsBold | fsUnderline}));
  EXPECT_EQ(font.Color(), 255);
  EXPECT_EQ(GetPropValue(font, RequirePropInfo(font, "Height")).ToInt(), -15);
  EXPECT_NE(GetPropInfo(font, "Charset"), nullptr);
  EXPECT_NE(GetPropInfo(font, "OnChange"), nullptr);
}

TEST(FontTest, StockWindowsFamiliesBecomeTheDesktopSans) {
  struct Case {
    const char* name;
    const char* family;
  };
  const Case cases[] = {
      {"MS Sans Serif", "Cantarell"}, {"ms serif", "Cantarell"}, {"TAHOMA", "Cantarell"},
      {"", "Cantarell"},              {"DejaVu Sans", "DejaVu Sans"}, {"Tahoma Bold", "Tahoma Bold"},
      {"Serif", "Serif"},
  };
  for (const Case& c : cases) EXPECT_EQ(FontFamilyFor(c.name, "Cantarell"), c.family) << c.name;
}

// ------------------------------------------------------------ image lists

TArgbImage Solid(int width, int height, std::uint32_t argb) { return TArgbImage(width, height, argb); }

TEST(ImageListTest, AddTakesOnlyImagesOfTheListSize) {
  TCustomImageList list;
  EXPECT_EQ(list.Add(Solid(16, 16, 0xFF112233)), 0);
  EXPECT_EQ(list.Add(Solid(16, 16, 0x80000000)), 1);
  const TArgbImage wrong[] = {Solid(15, 16, 0), Solid(16, 17, 0), TArgbImage{}};
  for (const TArgbImage& image : wrong) {
    try {
      list.Add(image);
      ADD_FAILURE() << image.Width << "x" << image.Height << " was taken";
    } catch (const EInvalidOperation& e) {
      EXPECT_STREQ(e.what(), "Invalid image size");
    }
  }
  TArgbImage shortPixels(16, 16);
  shortPixels.Pixels.pop_back();
  EXPECT_THROW(list.Add(shortPixels), EInvalidOperation);
  EXPECT_EQ(list.Count(), 2);
  ASSERT_NE(list.Image(1), nullptr);
  EXPECT_EQ(list.Image(1)->Pixel(3, 3), 0x80000000u);
}

TEST(ImageListTest, IndexesOutsideTheListGiveNoImage) {
  TCustomImageList list;
  list.Add(Solid(16, 16, 1));
  for (const int index : {-1, 1, 100}) EXPECT_EQ(list.Image(index), nullptr) << index;
}

TEST(ImageListTest, ResizingEmptiesTheListAndRefusesSizesBelowOne) {
  TCustomImageList list;
  list.Add(Solid(16, 16, 1));
  list.SetWidth(16);
  EXPECT_EQ(list.Count(), 1);
  list.SetHeight(24);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Add(Solid(16, 24, 1)), 0);
  EXPECT_THROW(list.SetWidth(0), EInvalidOperation);
  EXPECT_EQ(list.Width(), 16);
  EXPECT_EQ(list.Count(), 1);
}

TEST(ImageListTest, ChangeLinksHearEveryChangeAndSurviveEitherEnd) {
  int heard = 0;
  TChangeLink first([&] { ++heard; });
  {
    TCustomImageList list;
    list.RegisterChanges(first);
    {
      TChangeLink second([&] { heard += 10; });
      list.RegisterChanges(second);
      list.Add(Solid(16, 16, 1));
      EXPECT_EQ(heard, 11);
    }
    list.Clear();
    EXPECT_EQ(heard, 12);
    list.Clear();  // already empty: no change
    EXPECT_EQ(heard, 12);
    EXPECT_EQ(first.Sender(), &list);
  }
  EXPECT_EQ(first.Sender(), nullptr);
}

TEST(ImageListTest, ALinkMovesBetweenListsAndMayUnregisterOthersWhileTold) {
  TCustomImageList a;
  TCustomImageList b;
  int heardA = 0;
  TChangeLink moving([&] { ++heardA; });
  a.RegisterChanges(moving);
  b.RegisterChanges(moving);
  a.Add(Solid(16, 16, 1));
  EXPECT_EQ(heardA, 0);
  EXPECT_EQ(moving.Sender(), &b);

  int heardLater = 0;
  TChangeLink later([&] { ++heardLater; });
  TChangeLink dropper([&] { b.UnRegisterChanges(later); });
  b.RegisterChanges(dropper);
  b.RegisterChanges(later);
  b.Add(Solid(16, 16, 1));
  EXPECT_EQ(heardA, 1);
  EXPECT_EQ(heardLater, 0);
  EXPECT_EQ(later.Sender(), nullptr);
}

TEST(ImageListTest, PublishedSizeAndClass) {
  TCustomImageList list;
  SetPropValue(list, RequirePropInfo(list, "Width"), Variant(32));
  EXPECT_EQ(list.Width(), 32);
  EXPECT_EQ(list.ClassInfo().Name(), "TCustomImageList");
  EXPECT_TRUE(list.ClassInfo().InheritsFrom(TComponent::StaticClassInfo()));
}

// -------------------------------------------------------- recording canvas

TEST(RecordingCanvasTest, LogsEachCallWithItsArguments) {
  TRecordingCanvas canvas;
  TFont font;
  font.SetSpec({"Sans", 9, fsBold | fsItalic});
  TCustomImageList images;
  TTextFormat format;
  format.endEllipsis = true;
  format.align = TTextAlign::Center;
  format.layout = TTextLayout::Center;
  const TPoint triangle[] = {{0, 0}, {2, 2}, {4, 0}};
  canvas.FillRect({0, 0, 10, 5}, 0x0000FF);
  canvas.Save();
  canvas.ExcludeClipRect({1, 1, 2, 2});
  canvas.DrawText("File", {0, 0, 40, 18}, font, SystemColor(9), format);
  canvas.FillPolygon(triangle, 0);
  canvas.Line({0, 0}, {8, 0}, 2, clNone);
  canvas.DrawImageMasked(images, 3, 4, 5, 0x00FF00);
  canvas.Restore();
  const std::vector<std::string> expected = {
      "FillRect(0,0,10,5 #000000FF)",
      "Save()",
      "ExcludeClipRect(1,1,2,2)",
      "DrawText(\"File\" 0,0,40,18 Sans 9 [fsBold,fsItalic] #FF000009 single,tabs,ellipsis,center,vcenter)",
      "FillPolygon(0,0 2,2 4,0 #00000000)",
      "Line(0,0 8,0 2 #1FFFFFFF)",
      "DrawImageMasked(3 4,5 #0000FF00)",
      "Restore()",
  };
  EXPECT_EQ(canvas.Calls(), expected);
}

TEST(RecordingCanvasTest, AnswersFromWhatWasDrawnAndItsSettings) {
  TRecordingCanvas canvas;
  TFont font;
  EXPECT_EQ(canvas.GetPixel(1, 1), clNone);
  canvas.SetPixel(1, 1, 0x00ABCDEF);
  EXPECT_EQ(canvas.GetPixel(1, 1), 0x00ABCDEF);
  EXPECT_EQ(canvas.TextExtent("jk", font), (TSize{14, 13}));
  canvas.SetTextMetrics(5, 10);
  EXPECT_EQ(canvas.TextExtent("\xC3\xA9t\xC3\xA9", font), (TSize{15, 10}));
  EXPECT_FALSE(canvas.DrawThemedGlyph(TThemedGlyph::CheckBox, {}, {0, 0, 13, 13}));
  canvas.SetThemedGlyphs(true);
  EXPECT_TRUE(canvas.DrawThemedGlyph(TThemedGlyph::Option, {true, false, false, 2}, {0, 0, 13, 13}));
  EXPECT_EQ(canvas.Calls().back(), "DrawThemedGlyph(option hot,check=2 0,0,13,13)");
}

}  // namespace
}  // namespace halbrin::platform
