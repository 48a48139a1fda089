#pragma once

// Script image lists: images of one size cut from image files. TImageListEx
// ("images") is what projects declare and what the application's `images`
// is; the skins and menus draw from it as from any image list.
//
//   <images id="toolbar" Width="16" Height="16" maskColor="clFuchsia" fileName="icons/strip.png"/>

#include <string>

#include "core/framework/component_interfaces.h"
#include "platform/graphics/color.h"
#include "platform/graphics/image_list.h"

namespace halbrin {

class TCustomImageListEx : public platform::TCustomImageList {
  HALBRIN_CLASS(TCustomImageListEx, platform::TCustomImageList)

  explicit TCustomImageListEx(platform::TComponent* owner = nullptr);

  // The file last added. Writing another name loads that file (any format
  // GdkPixbuf reads; "\" read as "/", relative names from the current
  // folder) and appends its images; the list's earlier images stay. A file
  // that does not load or is narrower than one image raises and changes
  // nothing, the name included, so it can be tried again.
  const std::string& FileName() const noexcept { return m_fileName; }
  void SetFileName(const std::string& fileName);
  // Appends the images of a file: Width x Height cells of its top row, left
  // to right; a partial last cell is dropped, a file lower than Height is
  // padded with transparent rows. Pixels of exactly the mask colour (system
  // colours resolved) become transparent; clNone and clDefault key nothing.
  // Returns how many images were added.
  int AddFromFile(const std::string& fileName);

  platform::TColor MaskColor() const noexcept { return m_maskColor; }
  void SetMaskColor(platform::TColor color) noexcept { m_maskColor = color; }

  int length() const noexcept { return Count(); }
  bool empty() const noexcept { return Count() == 0; }
  // True removes every image; false does nothing.
  void setEmpty(bool value);

 protected:
  // An emptied list forgets its file, so loading the same file again adds it again.
  void Change() override;

 private:
  std::string m_fileName;
  platform::TColor m_maskColor = platform::clNone;
};

class TImageListEx : public TCustomImageListEx, public IComponentType {
  HALBRIN_CLASS(TImageListEx, TCustomImageListEx)

  // Registers the list with the application (ApplicationHooks()).
  explicit TImageListEx(platform::TComponent* owner = nullptr);

  std::string GetTypeName() const override { return "images"; }
};

// Registers the type word "images".
void RegisterImageListComponentTypes();

}  // namespace halbrin
