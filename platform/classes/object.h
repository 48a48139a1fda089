#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace halbrin::platform {

class TClassInfo;

// Root of the object model: run-time class information, a weak "alive" token
// and a checked handle for scripts.
class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject();

  static const TClassInfo& StaticClassInfo();
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
  std::string_view ClassName() const;
  bool InheritsFrom(const TClassInfo& cls) const;
  template <class T>
  bool Is() const {
    return InheritsFrom(T::StaticClassInfo());
  }

  // Expires when the object is destroyed; made on first use.
  std::weak_ptr<const void> AliveToken() const;
  // A 32-bit handle that finds this object while it lives (see TLiveObjects); never 0.
  std::uint32_t Handle() const;

 private:
  mutable std::shared_ptr<const void> m_alive;
  mutable std::uint32_t m_handle = 0;
};

// A non-owning reference that reads as null once its object is destroyed.
template <class T>
class TWeakRef {
 public:
  TWeakRef() = default;
  TWeakRef(std::nullptr_t) {}
  TWeakRef(T* object) { Reset(object); }

  void Reset(T* object = nullptr) {
    m_object = object;
    m_token = object ? object->AliveToken() : std::weak_ptr<const void>();
  }
  T* Get() const { return m_object && !m_token.expired() ? m_object : nullptr; }
  T* operator->() const { return Get(); }
  explicit operator bool() const { return Get() != nullptr; }
  // The object was set and has died since.
  bool Expired() const { return m_object && m_token.expired(); }
  // Identity compare that does not need the object alive.
  const T* Address() const { return m_object; }

  friend bool operator==(const TWeakRef& a, const TWeakRef& b) { return a.Get() == b.Get(); }

 private:
  T* m_object = nullptr;
  std::weak_ptr<const void> m_token;
};

// The table behind TObject::Handle: a handle is never reused, so a stale one
// finds nothing instead of another object.
class TLiveObjects {
 public:
  static TObject* Find(std::uint32_t handle);
  template <class T>
  static T* FindAs(std::uint32_t handle) {
    TObject* object = Find(handle);
    return dynamic_cast<T*>(object);
  }
};

}  // namespace halbrin::platform
