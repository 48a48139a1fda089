#include "platform/graphics/image_list.h"

#include <algorithm>

namespace halbrin::platform {

TArgbImage::TArgbImage(std::int32_t width, std::int32_t height, std::uint32_t fill)
    : Width(std::max(width, 0)),
      Height(std::max(height, 0)),
      Pixels(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), fill) {}

std::uint32_t TArgbImage::Pixel(std::int32_t x, std::int32_t y) const noexcept {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return 0;
  return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)];
}

void TArgbImage::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t argb) noexcept {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return;
  Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)] = argb;
}

TChangeLink::TChangeLink(std::function<void()> onChange) : m_onChange(std::move(onChange)) {}

TChangeLink::~TChangeLink() {
  if (m_sender) m_sender->UnRegisterChanges(*this);
}

HALBRIN_DEFINE_CLASS(TCustomImageList,
                     .Property("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight)
                     .Property("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth)
                     .Event("OnChange", &TCustomImageList::m_onChange, "TNotifyEvent"))

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() {
  for (TChangeLink* link : m_links) link->m_sender = nullptr;
}

void TCustomImageList::SetWidth(int width) { SetSize(width, m_height); }

void TCustomImageList::SetHeight(int height) { SetSize(m_width, height); }

void TCustomImageList::SetSize(int width, int height) {
  if (width < 1 || height < 1) throw EInvalidOperation("Invalid image size");
  if (width == m_width && height == m_height) return;
  m_width = width;
  m_height = height;
  m_images.clear();
  Change();
}

int TCustomImageList::Add(TArgbImage image) {
  if (image.Width != m_width || image.Height != m_height ||
      image.Pixels.size() != static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height))
    throw EInvalidOperation("Invalid image size");
  m_images.push_back(std::move(image));
  Change();
  return Count() - 1;
}

const TArgbImage* TCustomImageList::Image(int index) const noexcept {
  if (index < 0 || index >= Count()) return nullptr;
  return &m_images[static_cast<std::size_t>(index)];
}

void TCustomImageList::Clear() {
  if (m_images.empty()) return;
  m_images.clear();
  Change();
}

void TCustomImageList::RegisterChanges(TChangeLink& link) {
  if (link.m_sender == this) return;
  if (link.m_sender) link.m_sender->UnRegisterChanges(link);
  m_links.push_back(&link);
  link.m_sender = this;
}

void TCustomImageList::UnRegisterChanges(TChangeLink& link) noexcept {
  if (link.m_sender != this) return;
  std::erase(m_links, &link);
  link.m_sender = nullptr;
}

void TCustomImageList::Change() {
  // A link's handler may unregister links, so walk a copy and skip the gone ones.
  const std::vector<TChangeLink*> links = m_links;
  for (TChangeLink* link : links)
    if (std::find(m_links.begin(), m_links.end(), link) != m_links.end()) link->Change();
  m_onChange(this);
}

}  // namespace halbrin::platform
