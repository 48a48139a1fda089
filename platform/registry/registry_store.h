#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/registry/registry.h"

namespace halbrin::platform {

// One value's data; the alternative is its type (see DataTypeOf).
using RegistryData =
    std::variant<std::string, std::int32_t, std::vector<std::uint8_t>, std::vector<std::string>>;

RegDataType DataTypeOf(const RegistryData& data) noexcept;

// One change a writer made, replayed onto the file's latest content when saving.
struct RegistryChange {
  enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind;
  std::vector<std::string> key;
  std::string name;
  RegistryData data;
};

// The keys and values of one root file, held as a tree. Every lookup folds the
// letter case of key and value names; a stored name keeps its first spelling.
// Paths are lists of key names below the root; the root itself holds no values.
class RegistryStore {
 public:
  using KeyPath = std::vector<std::string>;

  RegistryStore();
  ~RegistryStore();
  RegistryStore(RegistryStore&&) noexcept;
  RegistryStore& operator=(RegistryStore&&) noexcept;

  // Throws ERegistryError "Registry file \"<fileName>\" is damaged: ..." when the
  // text is not a key file or holds a value it cannot read.
  static RegistryStore Parse(std::string_view text, std::string_view fileName);
  std::string Serialize() const;

  // Valid UTF-8 without NUL bytes: what a key name, value name or text may hold.
  static bool IsValidText(std::string_view text) noexcept;

  bool KeyExists(const KeyPath& key) const;
  // The key's path as stored, or nothing when the key does not exist.
  std::optional<KeyPath> Spelling(const KeyPath& key) const;
  std::vector<std::string> KeyNames(const KeyPath& key) const;
  std::vector<std::string> ValueNames(const KeyPath& key) const;
  const RegistryData* FindValue(const KeyPath& key, std::string_view name) const;

  // Creates the key and any missing parents; returns its stored spelling.
  KeyPath CreateKey(const KeyPath& key);
  bool DeleteKey(const KeyPath& key);
  // Creates the key when missing. The root takes no values: ignored there.
  void SetValue(const KeyPath& key, std::string_view name, RegistryData data);
  bool DeleteValue(const KeyPath& key, std::string_view name);
  void Apply(const RegistryChange& change);

 private:
  struct Node;
  std::unique_ptr<Node> m_root;
};

}  // namespace halbrin::platform
