#include "components/dialogs/image_list_ex.h"

#include <algorithm>
#include <vector>

#include "core/foundation/paths.h"
#include "core/framework/application_hooks.h"
#include "core/framework/component_types.h"
#include "platform/base/format.h"
#include "platform/graphics/image_decoder.h"
#include "platform/graphics/picture.h"
#include "platform/services/desktop_service.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TCustomImageListEx,
                     .Property("fileName", &TCustomImageListEx::FileName, &TCustomImageListEx::SetFileName)
                     .Property("maskColor", &TCustomImageListEx::MaskColor, &TCustomImageListEx::SetMaskColor)
                     .TypeName("TColor")
                     .Property("length", &TCustomImageListEx::length)
                     .Stored(false)
                     .Property("empty", &TCustomImageListEx::empty, &TCustomImageListEx::setEmpty)
                     .Stored(false))

HALBRIN_DEFINE_CLASS(TImageListEx, )

namespace {

// The premultiplied pixel a straight colour gives at alpha `a`, as the decoder rounds it.
std::uint32_t Premultiplied(TColor rgb, std::uint32_t a) {
  const auto channel = [a](int value) { return (static_cast<std::uint32_t>(value) * a + 127) / 255; };
  return (a << 24) | (channel(RedOf(rgb)) << 16) | (channel(GreenOf(rgb)) << 8) | channel(BlueOf(rgb));
}

void KeyMaskColor(TArgbImage& image, TColor maskColor) {
  if (maskColor == clNone || maskColor == clDefault) return;
  const TColor rgb = ColorToRGB(maskColor);
  for (std::uint32_t& pixel : image.Pixels) {
    const std::uint32_t a = pixel >> 24;
    if (a != 0 && pixel == Premultiplied(rgb, a)) pixel = 0;
  }
}

}  // namespace

TCustomImageListEx::TCustomImageListEx(TComponent* owner) : TCustomImageList(owner) {}

void TCustomImageListEx::SetFileName(const std::string& fileName) {
  const std::string name = WithSlashes(fileName);
  if (name == m_fileName) return;
  AddFromFile(name);
  m_fileName = name;
}

int TCustomImageListEx::AddFromFile(const std::string& fileName) {
  const std::string name = WithSlashes(fileName);
  // Relative names load from the project's folder, as pictures do.
  TArgbImage picture = DecodeImageFile(ResolvePictureFileName(name));
  if (picture.Width < Width())
    throw EInvalidGraphic(Format("Image file \"%s\" is narrower than the image width (%d)", {name, Width()}));
  KeyMaskColor(picture, m_maskColor);
  const int cells = picture.Width / Width();
  const int rows = std::min(picture.Height, Height());
  std::vector<TArgbImage> images;
  images.reserve(static_cast<std::size_t>(cells));
  for (int cell = 0; cell < cells; ++cell) {
    TArgbImage image(Width(), Height());
    for (int y = 0; y < rows; ++y) {
      const auto from = picture.Pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.Width + cell * Width();
      std::copy(from, from + Width(), image.Pixels.begin() + static_cast<std::ptrdiff_t>(y) * Width());
    }
    images.push_back(std::move(image));
  }
  for (TArgbImage& image : images) Add(std::move(image));
  return cells;
}

void TCustomImageListEx::setEmpty(bool value) {
  if (value) Clear();
}

void TCustomImageListEx::Change() {
  if (Count() == 0) m_fileName.clear();
  Inherited::Change();
}

TImageListEx::TImageListEx(TComponent* owner) : TCustomImageListEx(owner) { ApplicationHooks().RegisterComponent(*this); }

void RegisterImageListComponentTypes() { RegisterComponentClass<TImageListEx>("images"); }

}  // namespace halbrin
