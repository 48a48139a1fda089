#pragma once

// A skin stand-in for the button tests: it hosts the bands, owns a window
// button collection, hands out 16x16 glyph lists and logs what the buttons
// ask of it.

#include <functional>
#include <string>
#include <vector>

#include "platform/classes/component.h"
#include "platform/graphics/image_list.h"
#include "platform/graphics/recording_canvas.h"
#include "skins/core/bands.h"
#include "skins/core/skin_buttons.h"
#include "skins/core/window_buttons.h"

namespace halbrin::skins::button_test {

using platform::TCustomImageList;
using platform::TObject;

// `count` images of 16x16.
inline void FillImages(TCustomImageList& images, int count, int size = 16) {
  images.SetWidth(size);
  images.SetHeight(size);
  for (int i = 0; i < count; ++i) images.Add(platform::TArgbImage(size, size, 0xFF000000));
}

// A band collection with a chosen orientation.
class OrientedBands final : public TZebrinSkinCustomBands {
 public:
  OrientedBands(ISkinBandHost* host, bool horizontal) : TZebrinSkinCustomBands(nullptr, host), horizontal(horizontal) {}
  bool IsHorizontalLayout() const override { return horizontal; }
  bool horizontal;
};

// Records what the buttons hand to the theme's painter.
class RecordingButtonPainter final : public ISkinButtonPainter {
 public:
  int FillButton(platform::ICanvas&, TSkinFillParams rec) override {
    log.push_back("fill " + platform::TRecordingCanvas::RectText(rec.Rect));
    fills.push_back(rec);
    return 0;
  }
  int DrawButtonEdges(platform::ICanvas&, TSkinEdgeParams rec) override {
    log.push_back("edges " + platform::TRecordingCanvas::RectText(rec.Rect) + " " + std::to_string(rec.Edges));
    edges.push_back(rec);
    return 0;
  }
  int DrawWindowButton(platform::ICanvas&, TSkinWindowButtonParams rec) override {
    log.push_back("glyph " + std::to_string(rec.X) + "," + std::to_string(rec.Y) + " " +
                  std::to_string(rec.ImageIndex));
    glyphs.push_back(rec);
    return 0;
  }
  std::vector<std::string> log;
  std::vector<TSkinFillParams> fills;
  std::vector<TSkinEdgeParams> edges;
  std::vector<TSkinWindowButtonParams> glyphs;
};

class FakeSkin : public platform::TComponent, public ISkinButtonsOwner, public ISkinBandHost {
 public:
  explicit FakeSkin(platform::TComponent* owner = nullptr, bool horizontal = true)
      : TComponent(owner), bands(this, horizontal), buttons(this, this) {
    FillImages(images, 9);
    FillImages(smallImages, 9, 12);
    images.SetName("ButtonImages");
    smallImages.SetName("SmallButtonImages");
    bands.Add();
  }

  // ISkinBandHost
  TPoint WindowOrigin() const override { return origin; }
  bool Designing() const override { return designing; }
  bool IsFormSkin() const override { return formSkin; }
  bool Active() const override { return active; }
  void RepaintBands(TZebrinSkinCustomBands&) override { Log("repaint"); }
  void RefreshFrame() override { Log("refresh"); }

  // ISkinButtonsOwner
  platform::TComponent* OwnerComponent() override { return this; }
  ISkinBandHost* BandHost() override { return this; }
  TZebrinSkinCustomBands* BandsAt(int bandsIndex) override { return bandsIndex == 0 ? &bands : nullptr; }
  bool Loading() const override { return loading; }
  bool ControlEnabled() const override { return controlEnabled; }
  ISkinButtonPainter* ButtonPainter() override { return painter; }
  TCustomImageList* WindowButtonImages(bool smallCaption) override {
    if (!managerImages) return nullptr;
    return smallCaption ? &smallImages : &images;
  }
  TShiftState KeyboardShift() const override { return keyboard; }
  TPoint LastMousePos() const override { return mouse; }
  bool CursorIsDefault() const override { return cursorIsDefault; }
  void SetCursor(TCursor value) override { cursor = value; }
  void DesignerModified() override { Log("designer"); }
  void ItemAdded(TObject& item) override { Log("added " + Describe(item)); }
  void ItemDeleting(TObject& item) override { Log("deleting " + Describe(item)); }
  void ItemPropertyUpdated(TObject& item) override { Log("updated " + Describe(item)); }
  void ForgetItem(const TObject& item) override { Log("forget " + Describe(item)); }
  bool ButtonClick(TZebrinSkinWindowButton& button) override {
    if (!onButtonClick) return false;
    onButtonClick(button);
    return true;
  }
  bool AutoButtons() const override { return autoButtons; }
  void SendWindowCommand(TWindowCommand command) override {
    Log("command " + std::to_string(static_cast<int>(command)));
  }
  void RunWindowOperation(TWindowCommand command) override {
    Log("operation " + std::to_string(static_cast<int>(command)));
  }
  void OpenComboMenu(TZebrinSkinWindowButton& button) override { Log("combo " + Describe(button)); }

  void Log(const std::string& line) {
    log.push_back(line);
    if (mirror) mirror->push_back(line);
  }
  // The item's index in its collection, or "?".
  static std::string Describe(const TObject& item) {
    const auto* button = dynamic_cast<const TZebrinSkinCustomButton*>(&item);
    return button ? std::to_string(button->Index()) : "?";
  }
  TZebrinSkinBand& Band() { return *bands.Items(0); }

  TPoint origin;
  bool designing = false, formSkin = true, active = true, loading = false, controlEnabled = true;
  bool managerImages = true, cursorIsDefault = true, autoButtons = true;
  ISkinButtonPainter* painter = nullptr;
  TShiftState keyboard = 0;
  TPoint mouse;
  TCursor cursor = crDefault;
  std::function<void(TZebrinSkinWindowButton&)> onButtonClick;
  std::vector<std::string> log;
  // Also gets every line, for tests in which the skin goes away.
  std::vector<std::string>* mirror = nullptr;
  TCustomImageList images;
  TCustomImageList smallImages;
  OrientedBands bands;
  TZebrinSkinWindowButtons buttons;
};

}  // namespace halbrin::skins::button_test
