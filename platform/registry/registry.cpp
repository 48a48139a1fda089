#include "platform/registry/registry.h"

#include <glib.h>

#include <array>
#include <utility>

#include "platform/base/format.h"
#include "platform/registry/registry_file.h"
#include "platform/registry/registry_store.h"

namespace halbrin::platform {

namespace {

struct RootName {
  RootKey root;
  std::string_view longName;
  std::string_view shortName;
};

constexpr std::array<RootName, 5> kRootNames{{
    {RootKey::ClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},
    {RootKey::CurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {RootKey::LocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},
    {RootKey::Users, "HKEY_USERS", "HKU"},
    {RootKey::CurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
}};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (g_ascii_tolower(a[i]) != g_ascii_tolower(b[i])) return false;
  return true;
}

const RegistryData* Lookup(const RegistryStore* store, bool open,
                           const std::vector<std::string>& key, std::string_view name) {
  if (!store || !open) return nullptr;
  return store->FindValue(key, name);
}

[[noreturn]] void ThrowInvalidType(std::string_view name) {
  throw ERegistryError(Format("Invalid data type for '%s'", {name}));
}

template <class T>
const T* ValueAs(const RegistryData* data, std::string_view name) {
  if (!data) return nullptr;
  const T* value = std::get_if<T>(data);
  if (!value) ThrowInvalidType(name);
  return value;
}

}  // namespace

std::string_view RootKeyName(RootKey root) noexcept {
  for (const RootName& entry : kRootNames)
    if (entry.root == root) return entry.longName;
  return {};
}

std::optional<RootKey> ParseRootKey(std::string_view name) noexcept {
  for (const RootName& entry : kRootNames)
    if (EqualsIgnoringAsciiCase(name, entry.longName) ||
        EqualsIgnoringAsciiCase(name, entry.shortName))
      return entry.root;
  return std::nullopt;
}

TRegistry::TRegistry(platform::RootKey root, bool readOnly) : m_root(root), m_readOnly(readOnly) {}

TRegistry::~TRegistry() {
  try {
    Save();
  } catch (const std::exception& error) {
    g_warning("%s", error.what());
  }
}

void TRegistry::SetRootKey(platform::RootKey root) {
  CloseKey();
  m_root = root;
}

RegistryStore& TRegistry::Store() {
  if (!m_store) {
    // The environment is read at each opening, so a changed XDG_CONFIG_HOME applies.
    std::string path = RegistryFile::PathFor(m_root);
    auto store = std::make_unique<RegistryStore>(RegistryFile(path).Load());
    m_filePath = std::move(path);
    m_store = std::move(store);
  }
  return *m_store;
}

std::optional<TRegistry::KeyPath> TRegistry::Resolve(std::string_view path) const {
  bool fromRoot = !m_open || (!path.empty() && IsSeparator(path.front()));
  KeyPath key = fromRoot ? KeyPath() : m_currentKey;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      if (i > start) {
        std::string_view part = path.substr(start, i - start);
        if (!RegistryStore::IsValidText(part)) return std::nullopt;
        key.emplace_back(part);
      }
      start = i + 1;
    }
  }
  return key;
}

bool TRegistry::OpenKey(std::string_view path, bool canCreate) {
  RegistryStore& store = Store();
  std::optional<KeyPath> key = Resolve(path);
  if (!key) return false;
  std::optional<KeyPath> spelled = store.Spelling(*key);
  if (!spelled) {
    if (!canCreate || m_readOnly) return false;
    spelled = store.CreateKey(*key);
    m_pending.push_back({RegistryChange::Kind::CreateKey, *key, {}, {}});
  }
  m_currentKey = std::move(*spelled);
  m_open = true;
  m_keyReadOnly = false;
  return true;
}

bool TRegistry::OpenKeyReadOnly(std::string_view path) {
  RegistryStore& store = Store();
  std::optional<KeyPath> key = Resolve(path);
  if (!key) return false;
  std::optional<KeyPath> spelled = store.Spelling(*key);
  if (!spelled) return false;
  m_currentKey = std::move(*spelled);
  m_open = true;
  m_keyReadOnly = true;
  return true;
}

void TRegistry::CloseKey() {
  m_open = false;
  m_keyReadOnly = false;
  m_currentKey.clear();
  // A failed save drops the changes too: they were reported, and the file
  // (perhaps damaged) is left as it was.
  struct ResetAfter {
    TRegistry& self;
    ~ResetAfter() {
      self.m_pending.clear();
      self.m_store.reset();
    }
  } resetAfter{*this};
  Save();
}

void TRegistry::Save() {
  if (m_pending.empty()) return;
  std::vector<RegistryChange> pending = std::exchange(m_pending, {});
  *m_store = RegistryFile(m_filePath).Commit(pending);
}

bool TRegistry::CreateKey(std::string_view path) {
  std::optional<KeyPath> key = Resolve(path);
  if (m_readOnly || !key)
    throw ERegistryError(Format("Failed to create key %s: %s",
                                {path, m_readOnly ? "the registry is open read-only"
                                                  : "the name is not valid UTF-8"}));
  RegistryStore& store = Store();
  if (!store.KeyExists(*key)) {
    store.CreateKey(*key);
    m_pending.push_back({RegistryChange::Kind::CreateKey, std::move(*key), {}, {}});
  }
  return true;
}

bool TRegistry::DeleteKey(std::string_view path) {
  if (m_readOnly)
    throw ERegistryError(Format("Failed to delete key %s: the registry is open read-only", {path}));
  std::optional<KeyPath> key = Resolve(path);
  if (!key || key->empty()) return false;
  if (!Store().DeleteKey(*key)) return false;
  m_pending.push_back({RegistryChange::Kind::DeleteKey, std::move(*key), {}, {}});
  return true;
}

bool TRegistry::KeyExists(std::string_view path) {
  std::optional<KeyPath> key = Resolve(path);
  return key && Store().KeyExists(*key);
}

bool TRegistry::HasSubKeys() { return !GetKeyNames().empty(); }

std::string TRegistry::CurrentPath() const {
  std::string path;
  for (const std::string& part : m_currentKey) {
    if (!path.empty()) path.push_back('\\');
    path.append(part);
  }
  return path;
}

bool TRegistry::ValueExists(std::string_view name) const {
  return Lookup(m_store.get(), m_open, m_currentKey, name) != nullptr;
}

void TRegistry::CheckValueWrite(std::string_view pattern, std::string_view name) const {
  const char* why = nullptr;
  if (m_readOnly || m_keyReadOnly)
    why = "the registry is open read-only";
  else if (!m_open || m_currentKey.empty())
    why = "no key is open";
  else if (!m_store->KeyExists(m_currentKey))
    why = "the key was deleted";
  else if (!RegistryStore::IsValidText(name))
    why = "the name is not valid UTF-8";
  if (why) throw ERegistryError(Format(pattern, {name}) + ": " + why);
}

bool TRegistry::DeleteValue(std::string_view name) {
  CheckValueWrite("Failed to delete value '%s'", name);
  if (!m_store->DeleteValue(m_currentKey, name)) return false;
  m_pending.push_back({RegistryChange::Kind::DeleteValue, m_currentKey, std::string(name), {}});
  return true;
}

std::vector<std::string> TRegistry::GetKeyNames() {
  return Store().KeyNames(m_open ? m_currentKey : KeyPath());
}

std::vector<std::string> TRegistry::GetValueNames() const {
  if (!m_open || !m_store) return {};
  return m_store->ValueNames(m_currentKey);
}

RegDataType TRegistry::GetDataType(std::string_view name) const {
  const RegistryData* data = Lookup(m_store.get(), m_open, m_currentKey, name);
  return data ? DataTypeOf(*data) : RegDataType::Unknown;
}

void TRegistry::SetValue(std::string_view name, RegistryChange change) {
  CheckValueWrite("Failed to set data for '%s'", name);
  change.kind = RegistryChange::Kind::SetValue;
  change.key = m_currentKey;
  change.name = name;
  m_store->SetValue(change.key, change.name, change.data);
  m_pending.push_back(std::move(change));
}

std::string TRegistry::ReadString(std::string_view name) const {
  const auto* value = ValueAs<std::string>(Lookup(m_store.get(), m_open, m_currentKey, name), name);
  return value ? *value : std::string();
}

void TRegistry::WriteString(std::string_view name, std::string_view value) {
  if (!RegistryStore::IsValidText(value))
    throw ERegistryError(
        Format("Failed to set data for '%s': the text is not valid UTF-8", {name}));
  SetValue(name, {{}, {}, {}, std::string(value)});
}

std::int32_t TRegistry::ReadInteger(std::string_view name) const {
  const auto* value = ValueAs<std::int32_t>(Lookup(m_store.get(), m_open, m_currentKey, name), name);
  if (!value) ThrowInvalidType(name);
  return *value;
}

void TRegistry::WriteInteger(std::string_view name, std::int32_t value) {
  SetValue(name, {{}, {}, {}, value});
}

bool TRegistry::ReadBool(std::string_view name) const { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(std::string_view name, bool value) { WriteInteger(name, value ? 1 : 0); }

std::vector<std::uint8_t> TRegistry::ReadBinaryData(std::string_view name) const {
  const auto* value =
      ValueAs<std::vector<std::uint8_t>>(Lookup(m_store.get(), m_open, m_currentKey, name), name);
  return value ? *value : std::vector<std::uint8_t>();
}

void TRegistry::WriteBinaryData(std::string_view name, const std::vector<std::uint8_t>& data) {
  SetValue(name, {{}, {}, {}, data});
}

std::vector<std::string> TRegistry::ReadMultiString(std::string_view name) const {
  const auto* value =
      ValueAs<std::vector<std::string>>(Lookup(m_store.get(), m_open, m_currentKey, name), name);
  return value ? *value : std::vector<std::string>();
}

void TRegistry::WriteMultiString(std::string_view name, const std::vector<std::string>& values) {
  for (const std::string& value : values)
    if (!RegistryStore::IsValidText(value))
      throw ERegistryError(
          Format("Failed to set data for '%s': the text is not valid UTF-8", {name}));
  SetValue(name, {{}, {}, {}, values});
}

}  // namespace halbrin::platform
