#include "platform/base/unique_fd.h"

#include <unistd.h>

#include <utility>

namespace halbrin::platform {

UniqueFd::UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.Release();
  }
  return *this;
}

UniqueFd::~UniqueFd() { Close(); }

int UniqueFd::Release() noexcept { return std::exchange(m_fd, -1); }

bool UniqueFd::Close() noexcept {
  const int fd = Release();
  return fd < 0 || ::close(fd) == 0;
}

}  // namespace halbrin::platform
