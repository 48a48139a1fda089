#pragma once

#include <memory>
#include <string>

#include "core/foundation/named_item_collection.h"
#include "core/scripting/script_code.h"
#include "core/scripting/script_control.h"

namespace halbrin {

class TScriptCache;

// One entry of the cache under its key: a cached engine (key: the MD5 of the
// script argument) with a copy of its code, or a cached source (key: the
// module's resolved file) with the kind that loaded it (siNone: its file did
// not exist).
class TScriptCacheItem : public TCollectionNamedItem {
  HALBRIN_CLASS(TScriptCacheItem, TCollectionNamedItem)

  TScriptCacheItem();
  ~TScriptCacheItem() override;

  TScriptCode& Code() noexcept { return *m_code; }
  TScriptIndent Indent() const noexcept { return m_indent; }
  void SetIndent(TScriptIndent indent) noexcept { m_indent = indent; }
  // Null for a source entry.
  TScriptControl* Engine() const noexcept { return m_engine.get(); }
  // The item owns the engine from now on.
  void SetEngine(std::unique_ptr<TScriptControl> engine);
  TScriptCache* ScriptCache() const;

 private:
  std::unique_ptr<TScriptCode> m_code;
  TScriptIndent m_indent = siNone;
  std::unique_ptr<TScriptControl> m_engine;
};

// Engines and sources by key; the key comparison is case-sensitive.
class TScriptCache : public TNamedItemCollection {
  HALBRIN_CLASS(TScriptCache, TNamedItemCollection)

  explicit TScriptCache(platform::TPersistent* owner = nullptr);

  TScriptCacheItem* Find(std::string_view key) const;
  TScriptCacheItem& Add(const std::string& key);
};

}  // namespace halbrin
