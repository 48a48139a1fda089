#include "platform/registry/registry_store.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <utility>

#include "platform/base/format.h"

namespace halbrin::platform {

namespace {

struct GFreeDeleter {
  void operator()(void* p) const noexcept { g_free(p); }
};
struct GStrvDeleter {
  void operator()(char** p) const noexcept { g_strfreev(p); }
};
struct KeyFileDeleter {
  void operator()(GKeyFile* p) const noexcept { g_key_file_unref(p); }
};
struct ErrorDeleter {
  void operator()(GError* p) const noexcept { g_error_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;
using GStrvPtr = std::unique_ptr<char*, GStrvDeleter>;
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;
using ErrorPtr = std::unique_ptr<GError, ErrorDeleter>;

constexpr std::string_view kStringPrefix = "string:";
constexpr std::string_view kIntegerPrefix = "integer:";
constexpr std::string_view kBinaryPrefix = "binary:";
constexpr std::string_view kMultiPrefix = "multi:";
// The unnamed default value is written under this name; a value really named
// "@" is written escaped.
constexpr std::string_view kDefaultValueName = "@";

// Callers check IsValidText first: g_utf8_casefold wants valid UTF-8.
std::string Fold(std::string_view name) {
  bool ascii = std::all_of(name.begin(), name.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    std::string folded(name);
    for (char& c : folded) c = g_ascii_tolower(c);
    return folded;
  }
  GCharPtr folded(g_utf8_casefold(name.data(), static_cast<gssize>(name.size())));
  return folded.get();
}

std::optional<std::string> FoldIfValid(std::string_view name) {
  if (!RegistryStore::IsValidText(name)) return std::nullopt;
  return Fold(name);
}

// Names are written with %XX for the bytes a key file line cannot carry there.
void AppendEscaped(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out.push_back('%');
  out.push_back(kHex[c >> 4]);
  out.push_back(kHex[c & 0xF]);
}

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

std::string EscapeKeyName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char ch : name) {
    auto c = static_cast<unsigned char>(ch);
    if (c == '%' || c == '[' || c == ']' || c == '\\' || c == '/' || IsControl(c))
      AppendEscaped(out, c);
    else
      out.push_back(ch);
  }
  return out;
}

std::string EscapeValueName(std::string_view name) {
  if (name.empty()) return std::string(kDefaultValueName);
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    auto c = static_cast<unsigned char>(name[i]);
    bool atEdge = i == 0 || i + 1 == name.size();
    if (c == '%' || c == '=' || c == '[' || c == ']' || IsControl(c) || (c == ' ' && atEdge) ||
        (i == 0 && (c == '#' || (c == '@' && name.size() == 1))))
      AppendEscaped(out, c);
    else
      out.push_back(name[i]);
  }
  return out;
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      int high = g_ascii_xdigit_value(text[i + 1]);
      int low = g_ascii_xdigit_value(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

std::string HexEncode(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0xF]);
  }
  return out;
}

std::optional<std::vector<std::uint8_t>> HexDecode(std::string_view text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    int high = g_ascii_xdigit_value(text[i]);
    int low = g_ascii_xdigit_value(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

// Decimal, signed or (as REG_DWORD is) unsigned 32-bit.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  if (value < INT32_MIN || value > static_cast<std::int64_t>(UINT32_MAX)) return std::nullopt;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && g_ascii_isspace(text.front())) text.remove_prefix(1);
  while (!text.empty() && g_ascii_isspace(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<std::string> SplitGroup(std::string_view group) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= group.size(); ++i) {
    if (i == group.size() || group[i] == '\\' || group[i] == '/') {
      if (i > start) parts.push_back(Unescape(group.substr(start, i - start)));
      start = i + 1;
    }
  }
  return parts;
}

}  // namespace

RegDataType DataTypeOf(const RegistryData& data) noexcept {
  switch (data.index()) {
    case 0: return RegDataType::String;
    case 1: return RegDataType::Integer;
    case 2: return RegDataType::Binary;
    case 3: return RegDataType::MultiString;
  }
  return RegDataType::Unknown;
}

struct RegistryStore::Node {
  struct Value {
    std::string name;
    std::uint64_t order;
    RegistryData data;
  };

  std::string name;
  // Keyed by folded name, so sub-keys enumerate in case-insensitive order.
  std::map<std::string, std::unique_ptr<Node>> children;
  std::map<std::string, Value> values;
  std::uint64_t nextOrder = 0;

  const Node* Child(std::string_view part) const {
    std::optional<std::string> folded = FoldIfValid(part);
    if (!folded) return nullptr;
    auto it = children.find(*folded);
    return it == children.end() ? nullptr : it->second.get();
  }

  const Node* Find(const KeyPath& key) const {
    const Node* node = this;
    for (const std::string& part : key) {
      node = node->Child(part);
      if (!node) return nullptr;
    }
    return node;
  }
  Node* Find(const KeyPath& key) { return const_cast<Node*>(std::as_const(*this).Find(key)); }

  // Parts must be valid text.
  Node& FindOrCreate(const KeyPath& key) {
    Node* node = this;
    for (const std::string& part : key) {
      auto& child = node->children[Fold(part)];
      if (!child) {
        child = std::make_unique<Node>();
        child->name = part;
      }
      node = child.get();
    }
    return *node;
  }

  void Set(std::string_view valueName, RegistryData data) {
    auto [it, inserted] = values.try_emplace(Fold(valueName));
    if (inserted) {
      it->second.name = valueName;
      it->second.order = nextOrder++;
    }
    it->second.data = std::move(data);
  }
};

RegistryStore::RegistryStore() : m_root(std::make_unique<Node>()) {}
RegistryStore::~RegistryStore() = default;
RegistryStore::RegistryStore(RegistryStore&&) noexcept = default;
RegistryStore& RegistryStore::operator=(RegistryStore&&) noexcept = default;

bool RegistryStore::IsValidText(std::string_view text) noexcept {
  return text.empty() || g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

RegistryStore RegistryStore::Parse(std::string_view text, std::string_view fileName) {
  auto damaged = [&](std::string_view why) {
    return ERegistryError(Format("Registry file \"%s\" is damaged: %s", {fileName, why}));
  };

  RegistryStore store;
  if (Trim(text).empty()) return store;
  if (text.find('\0') != std::string_view::npos) throw damaged("it holds a NUL byte");

  KeyFilePtr keyFile(g_key_file_new());
  GError* rawError = nullptr;
  if (!g_key_file_load_from_data(keyFile.get(), text.data(), text.size(), G_KEY_FILE_NONE,
                                 &rawError)) {
    ErrorPtr error(rawError);
    throw damaged(error->message);
  }

  gsize groupCount = 0;
  GStrvPtr groups(g_key_file_get_groups(keyFile.get(), &groupCount));
  for (gsize g = 0; g < groupCount; ++g) {
    const char* group = groups.get()[g];
    KeyPath path = SplitGroup(group);
    if (path.empty()) throw damaged(Format("the group [%s] names no key", {group}));
    for (const std::string& part : path)
      if (!IsValidText(part))
        throw damaged(Format("the group [%s] is not valid UTF-8", {group}));
    Node& node = store.m_root->FindOrCreate(path);

    gsize keyCount = 0;
    GStrvPtr keys(g_key_file_get_keys(keyFile.get(), group, &keyCount, nullptr));
    for (gsize k = 0; k < keyCount; ++k) {
      const char* key = keys.get()[k];
      std::string valueName = key == kDefaultValueName ? std::string() : Unescape(key);
      if (!IsValidText(valueName))
        throw damaged(Format("the name of value \"%s\" in [%s] is not valid UTF-8", {key, group}));
      auto bad = [&](std::string_view why) {
        return damaged(Format("value \"%s\" in [%s] %s", {key, group, why}));
      };

      GCharPtr raw(g_key_file_get_value(keyFile.get(), group, key, nullptr));
      std::string_view rawView(raw ? raw.get() : "");
      std::size_t colon = rawView.find(':');
      if (colon == std::string_view::npos) throw bad("has no type");
      std::string_view prefix = rawView.substr(0, colon + 1);
      std::string_view data = rawView.substr(colon + 1);

      if (prefix == kStringPrefix) {
        GCharPtr unescaped(g_key_file_get_string(keyFile.get(), group, key, &rawError));
        if (!unescaped || rawError) {
          ErrorPtr error(rawError);
          throw bad("cannot be read as text");
        }
        node.Set(valueName, std::string(unescaped.get() + kStringPrefix.size()));
      } else if (prefix == kIntegerPrefix) {
        std::optional<std::int32_t> value = ParseInteger(Trim(data));
        if (!value) throw bad("is not a 32-bit integer");
        node.Set(valueName, *value);
      } else if (prefix == kBinaryPrefix) {
        std::optional<std::vector<std::uint8_t>> bytes = HexDecode(Trim(data));
        if (!bytes) throw bad("is not a list of hex pairs");
        node.Set(valueName, std::move(*bytes));
      } else if (prefix == kMultiPrefix) {
        std::vector<std::string> strings;
        // "multi:" alone is the empty list; "multi:;" is one empty string.
        if (!data.empty()) {
          gsize count = 0;
          GStrvPtr list(g_key_file_get_string_list(keyFile.get(), group, key, &count, &rawError));
          if (!list || rawError) {
            ErrorPtr error(rawError);
            throw bad("cannot be read as a list of texts");
          }
          for (gsize i = 0; i < count; ++i) strings.emplace_back(list.get()[i]);
          if (strings.empty()) strings.emplace_back();
          strings.front().erase(0, kMultiPrefix.size());
        }
        node.Set(valueName, std::move(strings));
      } else {
        throw bad(Format("has the unknown type \"%s\"", {prefix.substr(0, colon)}));
      }
    }
  }
  return store;
}

std::string RegistryStore::Serialize() const {
  // GKeyFile escapes the texts; the lines are put together here so that keys
  // without values keep their group.
  KeyFilePtr scratch(g_key_file_new());
  auto escaped = [&]() {
    GCharPtr value(g_key_file_get_value(scratch.get(), "x", "v", nullptr));
    return std::string(value ? value.get() : "");
  };

  std::string out;
  std::string group;
  auto writeNode = [&](auto& self, const Node& node, std::size_t groupLength) -> void {
    if (&node != m_root.get()) {
      if (!out.empty()) out.push_back('\n');
      out.append("[").append(group).append("]\n");

      std::vector<const Node::Value*> ordered;
      ordered.reserve(node.values.size());
      for (const auto& [folded, value] : node.values) ordered.push_back(&value);
      std::sort(ordered.begin(), ordered.end(),
                [](const Node::Value* a, const Node::Value* b) { return a->order < b->order; });

      for (const Node::Value* value : ordered) {
        out.append(EscapeValueName(value->name)).push_back('=');
        std::visit(
            [&](const auto& data) {
              using T = std::decay_t<decltype(data)>;
              if constexpr (std::is_same_v<T, std::string>) {
                g_key_file_set_string(scratch.get(), "x", "v", data.c_str());
                out.append(kStringPrefix).append(escaped());
              } else if constexpr (std::is_same_v<T, std::int32_t>) {
                out.append(kIntegerPrefix).append(std::to_string(data));
              } else if constexpr (std::is_same_v<T, std::vector<std::uint8_t>>) {
                out.append(kBinaryPrefix).append(HexEncode(data));
              } else {
                out.append(kMultiPrefix);
                if (!data.empty()) {
                  std::vector<const char*> items;
                  items.reserve(data.size() + 1);
                  for (const std::string& item : data) items.push_back(item.c_str());
                  items.push_back(nullptr);
                  g_key_file_set_string_list(scratch.get(), "x", "v", items.data(), data.size());
                  // A lone empty item is written ";" so it differs from no items.
                  out.append(escaped());
                }
              }
            },
            value->data);
        out.push_back('\n');
      }
    }
    for (const auto& [folded, child] : node.children) {
      group.resize(groupLength);
      if (groupLength > 0) group.push_back('\\');
      group.append(EscapeKeyName(child->name));
      self(self, *child, group.size());
    }
  };
  writeNode(writeNode, *m_root, 0);
  return out;
}

bool RegistryStore::KeyExists(const KeyPath& key) const { return m_root->Find(key) != nullptr; }

std::optional<RegistryStore::KeyPath> RegistryStore::Spelling(const KeyPath& key) const {
  const Node* node = m_root.get();
  KeyPath spelled;
  spelled.reserve(key.size());
  for (const std::string& part : key) {
    node = node->Child(part);
    if (!node) return std::nullopt;
    spelled.push_back(node->name);
  }
  return spelled;
}

std::vector<std::string> RegistryStore::KeyNames(const KeyPath& key) const {
  std::vector<std::string> names;
  if (const Node* node = m_root->Find(key)) {
    names.reserve(node->children.size());
    for (const auto& [folded, child] : node->children) names.push_back(child->name);
  }
  return names;
}

std::vector<std::string> RegistryStore::ValueNames(const KeyPath& key) const {
  std::vector<std::string> names;
  const Node* node = m_root->Find(key);
  if (!node) return names;
  std::vector<const Node::Value*> ordered;
  for (const auto& [folded, value] : node->values) ordered.push_back(&value);
  std::sort(ordered.begin(), ordered.end(),
            [](const Node::Value* a, const Node::Value* b) { return a->order < b->order; });
  names.reserve(ordered.size());
  for (const Node::Value* value : ordered) names.push_back(value->name);
  return names;
}

const RegistryData* RegistryStore::FindValue(const KeyPath& key, std::string_view name) const {
  const Node* node = m_root->Find(key);
  std::optional<std::string> folded = FoldIfValid(name);
  if (!node || !folded) return nullptr;
  auto it = node->values.find(*folded);
  return it == node->values.end() ? nullptr : &it->second.data;
}

RegistryStore::KeyPath RegistryStore::CreateKey(const KeyPath& key) {
  m_root->FindOrCreate(key);
  return *Spelling(key);
}

bool RegistryStore::DeleteKey(const KeyPath& key) {
  if (key.empty()) return false;
  KeyPath parentPath(key.begin(), key.end() - 1);
  Node* parent = m_root->Find(parentPath);
  std::optional<std::string> folded = FoldIfValid(key.back());
  if (!parent || !folded) return false;
  return parent->children.erase(*folded) > 0;
}

void RegistryStore::SetValue(const KeyPath& key, std::string_view name, RegistryData data) {
  if (key.empty()) return;
  m_root->FindOrCreate(key).Set(name, std::move(data));
}

bool RegistryStore::DeleteValue(const KeyPath& key, std::string_view name) {
  Node* node = m_root->Find(key);
  std::optional<std::string> folded = FoldIfValid(name);
  if (!node || !folded) return false;
  return node->values.erase(*folded) > 0;
}

void RegistryStore::Apply(const RegistryChange& change) {
  switch (change.kind) {
    case RegistryChange::Kind::CreateKey: CreateKey(change.key); break;
    case RegistryChange::Kind::DeleteKey: DeleteKey(change.key); break;
    case RegistryChange::Kind::SetValue: SetValue(change.key, change.name, change.data); break;
    case RegistryChange::Kind::DeleteValue: DeleteValue(change.key, change.name); break;
  }
}

}  // namespace halbrin::platform
