#pragma once

// The owner of a file descriptor: closed on every way out, movable, never copied.

namespace halbrin::platform {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) noexcept : m_fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept;
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();

  int Get() const noexcept { return m_fd; }
  bool Valid() const noexcept { return m_fd >= 0; }
  // Gives the descriptor up without closing it.
  int Release() noexcept;
  // Closes now; false when close reports an error (a full disk may only show
  // there). Nothing to close counts as success.
  bool Close() noexcept;

 private:
  int m_fd;
};

}  // namespace halbrin::platform
