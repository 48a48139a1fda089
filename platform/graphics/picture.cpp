#include "platform/graphics/picture.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "platform/base/format.h"
#include "platform/classes/class_builder.h"
#include "platform/graphics/image_decoder.h"

namespace halbrin::platform {

namespace {

bool HasAlpha(const TArgbImage& image) {
  return std::any_of(image.Pixels.begin(), image.Pixels.end(), [](std::uint32_t p) { return (p >> 24) != 0xFF; });
}

// Pixels of the bottom-left pixel's colour become fully transparent.
TArgbImage KeyedOut(const TArgbImage& image) {
  TArgbImage keyed = image;
  if (image.Width <= 0 || image.Height <= 0 || HasAlpha(image)) return keyed;
  const std::uint32_t key = image.Pixel(0, image.Height - 1);
  for (std::uint32_t& p : keyed.Pixels)
    if (p == key) p = 0;
  return keyed;
}

std::string& PictureFolderSetting() {
  static std::string folder;
  return folder;
}

}  // namespace

void SetPictureFolder(std::string folder) { PictureFolderSetting() = std::move(folder); }

const std::string& PictureFolder() noexcept { return PictureFolderSetting(); }

std::string ResolvePictureFileName(const std::string& fileName) {
  std::string path = fileName;
  std::replace(path.begin(), path.end(), '\\', '/');
  const std::filesystem::path name(path);
  if (path.empty() || name.is_absolute() || PictureFolder().empty()) return path;
  return (std::filesystem::path(PictureFolder()) / name).string();
}

void TPicture::SetFileName(const std::string& value) {
  std::string path = value;
  std::replace(path.begin(), path.end(), '\\', '/');
  if (path.empty()) {
    m_fileName.clear();
    if (!Empty()) {
      m_image = TArgbImage{};
      Changed();
    }
    return;
  }
  TArgbImage image;
  try {
    image = DecodeImageFile(ResolvePictureFileName(path));
  } catch (const Exception& e) {
    throw EPictureError(Format("Cannot load picture \"%s\": %s", {value, std::string(e.what())}));
  }
  m_image = std::move(image);
  m_fileName = path;
  Changed();
}

void TPicture::SetTransparent(bool value) {
  if (m_transparent == value) return;
  m_transparent = value;
  Changed();
}

void TPicture::SetImage(TArgbImage image) {
  m_image = std::move(image);
  m_fileName.clear();
  Changed();
}

void TPicture::Clear() {
  if (Empty() && m_fileName.empty()) return;
  m_fileName.clear();
  m_image = TArgbImage{};
  Changed();
}

void TPicture::Assign(const TPersistent& source) {
  const auto* picture = dynamic_cast<const TPicture*>(&source);
  if (!picture) {
    Inherited::Assign(source);
    return;
  }
  if (picture == this) return;
  m_fileName = picture->m_fileName;
  m_transparent = picture->m_transparent;
  m_image = picture->m_image;
  Changed();
}

void TPicture::Changed() {
  m_shown = m_transparent ? KeyedOut(m_image) : m_image;
  m_onChange(this);
}

HALBRIN_DEFINE_CLASS(TPicture, .Property("fileName", &TPicture::FileName, &TPicture::SetFileName)
                                   .Property("Transparent", &TPicture::Transparent, &TPicture::SetTransparent)
                                   .Default(false)
                                   .Property("Width", &TPicture::Width)
                                   .Property("Height", &TPicture::Height)
                                   .Property("Empty", &TPicture::Empty))

}  // namespace halbrin::platform
