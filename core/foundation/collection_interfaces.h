#pragma once

// The three small interfaces that let the XML mapper, the automation wrappers
// and the component framework treat every script-visible list alike. They are
// found with dynamic_cast and are not reference counted: an interface lives
// as long as the object that implements it.

#include <memory>
#include <string_view>

#include "platform/classes/object.h"
#include "platform/variant/variant.h"

namespace halbrin {

// What a lookup found: nothing, an object its container keeps, or a new
// object (a line view) that belongs to whoever holds the result.
class FoundItem {
 public:
  FoundItem() noexcept = default;
  FoundItem(std::nullptr_t) noexcept {}
  // An object its container keeps; the result only points at it.
  explicit FoundItem(platform::TObject* kept) noexcept : m_object(kept) {}
  // A new object; the result owns it until TakeOwned hands it over.
  explicit FoundItem(std::unique_ptr<platform::TObject> made) noexcept
      : m_object(made.get()), m_owned(std::move(made)) {}

  platform::TObject* Get() const noexcept { return m_object; }
  explicit operator bool() const noexcept { return m_object != nullptr; }
  template <class T>
  T* As() const noexcept {
    return dynamic_cast<T*>(m_object);
  }
  // True while the result owns the object.
  bool IsOwned() const noexcept { return m_owned != nullptr; }
  // Hands the owned object over; null for an object its container keeps.
  std::unique_ptr<platform::TObject> TakeOwned() noexcept { return std::move(m_owned); }

 private:
  platform::TObject* m_object = nullptr;
  std::unique_ptr<platform::TObject> m_owned;
};

// A list that can be cleared and counted.
class IItemCollection {
 public:
  static constexpr std::string_view Iid = "AA693207-2E56-46B0-82F7-7F626BE2E075";

  virtual void clear() = 0;
  virtual bool empty() const = 0;
  // True clears; false does nothing.
  virtual void setEmpty(bool value) = 0;
  virtual int length() const = 0;

 protected:
  ~IItemCollection() = default;
};

// A list whose items are found by name, or by a Variant that is an index or a name.
class INamedItemCollection {
 public:
  static constexpr std::string_view Iid = "B546CBF2-23CD-4FF4-A351-1B0A7BF80895";

  // Nothing when no item has that name.
  virtual FoundItem itemByName(std::string_view name) = 0;
  // -1 when no item has that name.
  virtual int indexOfName(std::string_view name) const = 0;
  virtual FoundItem item(const platform::Variant& value) = 0;
  virtual bool exists(std::string_view name) const = 0;

 protected:
  ~INamedItemCollection() = default;
};

// Marks a line view (TStringObject): whoever receives one from a lookup owns it.
class IStringObject {
 public:
  static constexpr std::string_view Iid = "71DD6399-7928-4F25-AB4D-EC12CA7B693F";

  virtual bool isStringObject() const = 0;

 protected:
  ~IStringObject() = default;
};

}  // namespace halbrin
