#pragma once

// TPicture: one graphic as a premultiplied ARGB image, loaded from any image
// file GdkPixbuf reads. Scripts and XML reach it through `fileName`.

#include <string>

#include "platform/base/exception.h"
#include "platform/classes/method.h"
#include "platform/classes/persistent.h"
#include "platform/graphics/image_list.h"

namespace halbrin::platform {

// "Cannot load picture "%s": %s"
HALBRIN_EXCEPTION(EPictureError, Exception);

// The folder relative picture file names resolve against (the project's,
// once one is open); empty: the current folder. Main thread only.
void SetPictureFolder(std::string folder);
const std::string& PictureFolder() noexcept;
// `fileName` with "\" read as "/", joined to PictureFolder when relative.
std::string ResolvePictureFileName(const std::string& fileName);

class TPicture : public TPersistent {
  HALBRIN_CLASS(TPicture, TPersistent)

  explicit TPicture(TPersistent* owner = nullptr) : m_owner(owner) {}

  // The file last loaded, as given ("\" read as "/"); writing loads it, a
  // relative name from PictureFolder, and an empty name clears the picture.
  // A file that does not load raises EPictureError and leaves the picture as it was.
  const std::string& FileName() const noexcept { return m_fileName; }
  void SetFileName(const std::string& value);
  // On a graphic without alpha, the colour of its bottom-left pixel shows through.
  bool Transparent() const noexcept { return m_transparent; }
  void SetTransparent(bool value);
  int Width() const noexcept { return m_image.Width; }
  int Height() const noexcept { return m_image.Height; }
  bool Empty() const noexcept { return m_image.Width <= 0 || m_image.Height <= 0; }

  // The graphic as loaded or set.
  const TArgbImage& Image() const noexcept { return m_image; }
  // The graphic to draw: Image, keyed out when Transparent; null when empty.
  const TArgbImage* Graphic() const noexcept { return Empty() ? nullptr : &m_shown; }
  // Takes an image made elsewhere; the file name is forgotten.
  void SetImage(TArgbImage image);
  void Clear();

  // Graphic, FileName and Transparent of another picture.
  void Assign(const TPersistent& source) override;
  TPersistent* GetOwner() const override { return m_owner; }

  // After every change of the graphic or of Transparent.
  TNotifyEvent& OnChange() noexcept { return m_onChange; }

 private:
  void Changed();

  TPersistent* m_owner;
  std::string m_fileName;
  bool m_transparent = false;
  TArgbImage m_image;
  TArgbImage m_shown;
  TNotifyEvent m_onChange;
};

}  // namespace halbrin::platform
