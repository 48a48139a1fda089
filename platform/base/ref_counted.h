#pragma once

#include <cstdint>
#include <utility>

namespace halbrin::platform {

// Base of every automation object: an intrusive, non-atomic reference count.
// Automation objects live on the GUI thread only.
class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) = delete;
  RefCounted& operator=(const RefCounted&) = delete;

  void AddRef() const noexcept { ++m_refCount; }
  void Release() const noexcept {
    if (--m_refCount == 0) delete this;
  }
  std::uint32_t RefCount() const noexcept { return m_refCount; }

 protected:
  virtual ~RefCounted() = default;

 private:
  mutable std::uint32_t m_refCount = 0;
};

// Owning pointer to a RefCounted object.
template <class T>
class RefPtr {
 public:
  RefPtr() noexcept = default;
  RefPtr(std::nullptr_t) noexcept {}
  RefPtr(T* p) noexcept : m_ptr(p) {
    if (m_ptr) m_ptr->AddRef();
  }
  RefPtr(const RefPtr& other) noexcept : RefPtr(other.m_ptr) {}
  RefPtr(RefPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
  template <class U>
  RefPtr(const RefPtr<U>& other) noexcept : RefPtr(other.Get()) {}
  ~RefPtr() {
    if (m_ptr) m_ptr->Release();
  }

  RefPtr& operator=(RefPtr other) noexcept {
    std::swap(m_ptr, other.m_ptr);
    return *this;
  }

  T* Get() const noexcept { return m_ptr; }
  T* operator->() const noexcept { return m_ptr; }
  T& operator*() const noexcept { return *m_ptr; }
  explicit operator bool() const noexcept { return m_ptr != nullptr; }
  void Reset() noexcept { *this = RefPtr(); }

  friend bool operator==(const RefPtr& a, const RefPtr& b) noexcept { return a.m_ptr == b.m_ptr; }

 private:
  T* m_ptr = nullptr;
};

template <class T, class... Args>
RefPtr<T> MakeRef(Args&&... args) {
  return RefPtr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace halbrin::platform
