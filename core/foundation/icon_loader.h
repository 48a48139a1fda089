#pragma once

// Icons named by scripts and XML: a file, or "file,index" for one image of a
// multi-image icon file. Only icon files are read, as data; nothing named by
// a script is ever loaded as code. Until the GTK layer decodes images, an
// icon is the file's bytes with the image chosen in it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/variant/variant.h"

namespace halbrin {

// One loaded icon: the file it came from, the image's index in it, and the
// file's bytes (ICO/CUR or PNG).
struct IconImage {
  std::string path;
  int index = 0;
  std::vector<std::uint8_t> bytes;
};

// The icon a component holds: empty, or one loaded image shared between copies.
class IconHandle {
 public:
  bool Empty() const noexcept { return !m_image; }
  // Null when empty.
  const IconImage* Image() const noexcept { return m_image.get(); }
  void Clear() noexcept { m_image.reset(); }
  void Assign(std::shared_ptr<const IconImage> image) noexcept { m_image = std::move(image); }

 private:
  std::shared_ptr<const IconImage> m_image;
};

// Image `index` of the icon file at `path`: an ICO or CUR file with more than
// `index` images, or a PNG file for index 0. Null when the file is missing,
// unreadable, larger than 16 MiB, of another kind, or lacks that image.
std::shared_ptr<const IconImage> LoadIconFile(const std::string& path, int index);

// What LoadIconFromVariant did to the icon.
enum class TIconLoadResult { Loaded, Cleared, Left };

// Sets `icon` from a script or XML value:
//   Empty, Null or a blank text clear it;
//   a text naming an existing file loads that file's first image;
//   otherwise "file,index" (split at the last comma, so a path may hold
//   blanks and commas) loads image `index` of that file;
//   anything else (another kind, a missing file, a named resource, a file
//   that is no icon) leaves the icon unchanged.
// A "\" in the text is read as "/". Tells which of the three happened.
TIconLoadResult LoadIconFromVariant(IconHandle& icon, const platform::Variant& value);

}  // namespace halbrin
