#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/exception.h"

namespace halbrin::platform {

HALBRIN_EXCEPTION(ERegistryError, Exception);

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

enum class RegDataType { Unknown, String, Integer, Binary, MultiString };

// "HKEY_CURRENT_USER" etc.: the name of the root's file and of the root in paths.
std::string_view RootKeyName(RootKey root) noexcept;
// Accepts the long names and the short ones ("HKCU", "HKLM", "HKCR", "HKU", "HKCC"),
// in any letter case.
std::optional<RootKey> ParseRootKey(std::string_view name) noexcept;

class RegistryStore;
struct RegistryChange;

// Settings store shaped like the class library's registry wrapper. Each root
// key is one INI file under $XDG_CONFIG_HOME/Zebrin/registry/. Changes are kept
// in memory and merged into the file by CloseKey(), SetRootKey() and the
// destructor, so several writers of one file lose nothing.
//
// Paths use "\" (or "/") between key names; a leading separator starts at the
// root, anything else is below the current key. Key and value names match
// without regard to letter case; "" is the key's default value.
class TRegistry {
 public:
  explicit TRegistry(platform::RootKey root = platform::RootKey::CurrentUser, bool readOnly = false);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  platform::RootKey RootKey() const noexcept { return m_root; }
  // Saves pending changes and closes the current key first.
  void SetRootKey(platform::RootKey root);
  bool ReadOnly() const noexcept { return m_readOnly; }

  bool OpenKey(std::string_view path, bool canCreate);
  bool OpenKeyReadOnly(std::string_view path);
  // Saves pending changes; the next access reads the file again.
  void CloseKey();
  bool CreateKey(std::string_view path);
  // Removes the key with all its sub-keys; false when it does not exist.
  bool DeleteKey(std::string_view path);
  bool KeyExists(std::string_view path);
  bool HasSubKeys();
  // Spelled as stored, without the root and without a leading "\".
  std::string CurrentPath() const;

  bool ValueExists(std::string_view name) const;
  bool DeleteValue(std::string_view name);
  // Sub-keys in case-insensitive order; values in the order they were created.
  std::vector<std::string> GetKeyNames();
  std::vector<std::string> GetValueNames() const;
  RegDataType GetDataType(std::string_view name) const;

  std::string ReadString(std::string_view name) const;
  void WriteString(std::string_view name, std::string_view value);
  std::int32_t ReadInteger(std::string_view name) const;
  void WriteInteger(std::string_view name, std::int32_t value);
  bool ReadBool(std::string_view name) const;
  void WriteBool(std::string_view name, bool value);
  std::vector<std::uint8_t> ReadBinaryData(std::string_view name) const;
  void WriteBinaryData(std::string_view name, const std::vector<std::uint8_t>& data);
  std::vector<std::string> ReadMultiString(std::string_view name) const;
  void WriteMultiString(std::string_view name, const std::vector<std::string>& values);

 private:
  using KeyPath = std::vector<std::string>;

  RegistryStore& Store();
  std::optional<KeyPath> Resolve(std::string_view path) const;
  void CheckValueWrite(std::string_view pattern, std::string_view name) const;
  void SetValue(std::string_view name, RegistryChange change);
  void Save();

  platform::RootKey m_root;
  bool m_readOnly;
  bool m_open = false;
  bool m_keyReadOnly = false;
  KeyPath m_currentKey;
  // The file the loaded store came from: where its changes are saved.
  std::string m_filePath;
  std::unique_ptr<RegistryStore> m_store;
  std::vector<RegistryChange> m_pending;
};

}  // namespace halbrin::platform
