#pragma once

// `IProject.data`: TData, a list of named TDataItems, each bound to one data
// provider by writing its `provider` text:
//   "#default" (any case)  a new TDefaultDataProvider named after the item;
//   "#key"                 the provider named key in the hooks' data-provider
//                          list, else a new TDataProviderEx named key;
//   anything else          the provider named after the item, else a new
//                          TExternalDataProvider; the text is its class.
// Providers an item makes are adopted by the data-provider list (owned by the
// item when there is none). Without provider every member answers Null,
// `active` False and `provider`/`source` "".

#include <memory>
#include <string>
#include <vector>

#include "platform/automation/auto_object.h"
#include "platform/classes/object.h"
#include "web/data/data_providers.h"

namespace halbrin {

class TData;
class TDataItemSink;

class TDataItem final : public platform::TAutoObject, public IDataProviderItem {
 public:
  TDataItem(TData* owner, std::string name);
  // Unlinks from its provider (and frees one it owns).
  ~TDataItem() override;

  const std::string& Name() const noexcept { return m_name; }
  // Its position in the owner, -1 once removed.
  int Index() const;
  void Detach() noexcept { m_owner = nullptr; }

  TCustomDataProvider* Provider() const { return m_provider.Get(); }
  std::string ProviderText() const;
  // Binds the provider the text names (see above); the same text again keeps
  // the provider. A name that is no identifier raises and leaves no provider.
  void SetProviderText(const std::string& text);

  bool Active() const;
  void SetActive(bool active);
  std::string Source() const;
  void SetSource(const std::string& source);
  platform::Variant Open();
  platform::Variant Close();
  platform::Variant Load(const platform::Variant& names);
  platform::Variant Save(const platform::Variant& names, const platform::Variant& data);
  platform::Variant Erase(const platform::Variant& names);
  platform::Variant Exec(const platform::Variant& content);
  platform::Variant Create(const platform::Variant& names);
  platform::Variant Response(const platform::Variant& names, const platform::Variant& data,
                             const platform::Variant& context);
  // The external provider's object, or null.
  platform::RefPtr<platform::IDispatchObject> External() const;

  // IDataProviderItem
  void ItemNotify(TCustomDataProvider& provider, TDataItemOperation operation) override;
  platform::RefPtr<platform::IDispatchObject> ItemSink() override;

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  // Lets go of the provider: clears its itemNotify when it is ours.
  void Unbind();

  TData* m_owner;
  std::string m_name;
  std::string m_providerText;
  platform::TWeakRef<TCustomDataProvider> m_provider;
  std::unique_ptr<TCustomDataProvider> m_ownedProvider;  // only without a data-provider list
  platform::RefPtr<TDataItemSink> m_sink;
};

class TData final : public platform::TAutoObject {
 public:
  TData();
  // Every item is detached (index -1) but stays usable while held.
  ~TData() override;

  int Length() const noexcept { return static_cast<int>(m_items.size()); }
  platform::RefPtr<TDataItem> Add(const std::string& name);
  // A position or a name; false when neither fits.
  bool Remove(const platform::Variant& index);
  void Clear();
  // A name: the item or null; a position: the item, or EListError "List index
  // out of bounds (%d)" outside the list.
  platform::RefPtr<TDataItem> Item(const platform::Variant& index) const;
  // flags ITEM_MATCH_CASESENSITIVE: exact names; otherwise case folded. -1 / null when absent.
  int IndexOfName(const std::string& name, int flags) const;
  platform::RefPtr<TDataItem> ItemByName(const std::string& name, int flags) const;
  int IndexOf(const TDataItem& item) const;

 protected:
  platform::Variant InvokeMember(const platform::MemberDesc& member, platform::MemberAccess access,
                                 std::span<platform::Variant> args) override;

 private:
  void RemoveAt(std::size_t position);
  std::vector<platform::RefPtr<TDataItem>> m_items;
};

}  // namespace halbrin
