#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/base/exception.h"
#include "platform/classes/component.h"
#include "platform/classes/method.h"

namespace halbrin::platform {

// A picture of premultiplied ARGB32 pixels, row by row without padding; each
// pixel is 0xAARRGGBB in native byte order, as a Cairo ARGB32 surface holds it.
struct TArgbImage {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::vector<std::uint32_t> Pixels;

  TArgbImage() = default;
  TArgbImage(std::int32_t width, std::int32_t height, std::uint32_t fill = 0);

  // Out-of-range coordinates read 0 and write nothing.
  std::uint32_t Pixel(std::int32_t x, std::int32_t y) const noexcept;
  void SetPixel(std::int32_t x, std::int32_t y, std::uint32_t argb) noexcept;

  friend bool operator==(const TArgbImage&, const TArgbImage&) = default;
};

class TCustomImageList;

// Tells its owner when the image list it is registered with changes. The link
// and the list may go in either order: each unlinks the other.
class TChangeLink {
 public:
  explicit TChangeLink(std::function<void()> onChange = {});
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  ~TChangeLink();

  // The list this link is registered with, nullptr when none.
  TCustomImageList* Sender() const noexcept { return m_sender; }
  void SetOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

 private:
  friend class TCustomImageList;
  void Change() const {
    if (m_onChange) m_onChange();
  }

  TCustomImageList* m_sender = nullptr;
  std::function<void()> m_onChange;
};

// Images of one size, addressed by index. Changing Width or Height empties
// the list; every change reaches OnChange and each registered link.
class TCustomImageList : public TComponent {
  HALBRIN_CLASS(TCustomImageList, TComponent)

  explicit TCustomImageList(TComponent* owner = nullptr);
  ~TCustomImageList() override;

  int Width() const noexcept { return m_width; }
  // Raises EInvalidOperation "Invalid image size" below 1.
  void SetWidth(int width);
  int Height() const noexcept { return m_height; }
  void SetHeight(int height);

  int Count() const noexcept { return static_cast<int>(m_images.size()); }
  // Appends an image of exactly Width x Height and returns its index; another
  // size raises EInvalidOperation "Invalid image size".
  int Add(TArgbImage image);
  // The image at `index`, nullptr outside 0..Count-1.
  const TArgbImage* Image(int index) const noexcept;
  void Clear();

  // A link is registered with one list at a time: registering moves it.
  void RegisterChanges(TChangeLink& link);
  void UnRegisterChanges(TChangeLink& link) noexcept;

  TNotifyEvent& OnChange() noexcept { return m_onChange; }

 protected:
  virtual void Change();

 private:
  void SetSize(int width, int height);

  int m_width = 16;
  int m_height = 16;
  std::vector<TArgbImage> m_images;
  std::vector<TChangeLink*> m_links;
  TNotifyEvent m_onChange;
};

}  // namespace halbrin::platform
