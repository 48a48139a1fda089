#include "core/scripting/script_cache.h"

namespace halbrin {

using namespace halbrin::platform;

HALBRIN_DEFINE_CLASS(TScriptCacheItem, )

HALBRIN_DEFINE_CLASS(TScriptCache, )

TScriptCacheItem::TScriptCacheItem() : m_code(std::make_unique<TScriptCode>(this)) {}

TScriptCacheItem::~TScriptCacheItem() = default;

void TScriptCacheItem::SetEngine(std::unique_ptr<TScriptControl> engine) { m_engine = std::move(engine); }

TScriptCache* TScriptCacheItem::ScriptCache() const { return dynamic_cast<TScriptCache*>(Collection()); }

TScriptCache::TScriptCache(TPersistent* owner)
    : TNamedItemCollection(owner, TScriptCacheItem::StaticClassInfo(), TCollection::FactoryOf<TScriptCacheItem>()) {
  SetCaseSensitive(true);
}

TScriptCacheItem* TScriptCache::Find(std::string_view key) const {
  return static_cast<TScriptCacheItem*>(ItemByName(key));
}

TScriptCacheItem& TScriptCache::Add(const std::string& key) {
  auto& item = static_cast<TScriptCacheItem&>(TCollection::Add());
  item.SetName(key);
  return item;
}

}  // namespace halbrin
