#include "web/data/data_items.h"

#include "core/framework/application_components.h"
#include "core/framework/application_hooks.h"
#include "platform/automation/dispatch.h"
#include "platform/base/case_fold.h"
#include "platform/base/format.h"
#include "typelibs/client_type_library.h"

namespace halbrin {

using namespace halbrin::platform;

// IDataItemSink of one item: what an external provider's object calls back.
class TDataItemSink final : public TAutoObject {
 public:
  explicit TDataItemSink(TDataItem& item) : TAutoObject(IDataItemSinkTypeInfo()), m_item(&item) {}
  void Detach() noexcept { m_item = nullptr; }

 protected:
  Variant InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) override {
    if (member.id != DISPID_DATAITEMSINK_RESPONSE || !m_item) return Variant::Null();
    return m_item->Response(args[0], args[1], args[2]);
  }

 private:
  TDataItem* m_item;
};

// ------------------------------------------------------------------ TDataItem

TDataItem::TDataItem(TData* owner, std::string name)
    : TAutoObject(IDataItemTypeInfo()), m_owner(owner), m_name(std::move(name)) {}

TDataItem::~TDataItem() {
  Unbind();
  if (m_sink) m_sink->Detach();
}

int TDataItem::Index() const { return m_owner ? m_owner->IndexOf(*this) : -1; }

std::string TDataItem::ProviderText() const {
  TCustomDataProvider* provider = Provider();
  return provider ? provider->GetProvider() : std::string();
}

void TDataItem::Unbind() {
  TCustomDataProvider* provider = m_provider.Get();
  if (provider && provider->ItemNotifyTarget() == this) provider->SetItemNotify(nullptr);
  m_provider.Reset();
  m_providerText.clear();
  m_ownedProvider.reset();
}

void TDataItem::SetProviderText(const std::string& text) {
  if (Provider() && text == m_providerText) return;
  Unbind();
  TApplicationComponents* list = ApplicationHooks().DataProviderList();
  auto find = [list](const std::string& name) -> TCustomDataProvider* {
    return list ? dynamic_cast<TCustomDataProvider*>(list->ItemByName(name)) : nullptr;
  };
  TCustomDataProvider* provider = nullptr;
  std::unique_ptr<TCustomDataProvider> made;
  if (SameText(text, "#default")) {
    made = std::make_unique<TDefaultDataProvider>();
    made->SetName(m_name);
  } else if (!text.empty() && text.front() == '#') {
    const std::string key = text.substr(1);
    provider = find(key);
    if (!provider) {
      made = std::make_unique<TDataProviderEx>();
      made->SetName(key);
    }
  } else {
    provider = find(m_name);
    if (!provider) {
      made = std::make_unique<TExternalDataProvider>();
      made->SetName(m_name);
    }
  }
  if (made) {
    made->SetItemNotify(this);
    if (list) {
      provider = &list->Adopt(std::move(made));
    } else {
      m_ownedProvider = std::move(made);
      provider = m_ownedProvider.get();
    }
  } else if (!provider->ItemNotifyTarget()) {
    provider->SetItemNotify(this);
  }
  m_provider.Reset(provider);
  m_providerText = text;
  provider->SetProvider(text);
}

bool TDataItem::Active() const {
  TCustomDataProvider* provider = Provider();
  return provider && provider->GetActive();
}

void TDataItem::SetActive(bool active) {
  if (TCustomDataProvider* provider = Provider()) provider->SetActive(active);
}

std::string TDataItem::Source() const {
  TCustomDataProvider* provider = Provider();
  return provider ? provider->GetSource() : std::string();
}

void TDataItem::SetSource(const std::string& source) {
  if (TCustomDataProvider* provider = Provider()) provider->SetSource(source);
}

Variant TDataItem::Open() { return Provider() ? Provider()->Open() : Variant::Null(); }
Variant TDataItem::Close() { return Provider() ? Provider()->Close() : Variant::Null(); }
Variant TDataItem::Load(const Variant& names) { return Provider() ? Provider()->Load(names) : Variant::Null(); }
Variant TDataItem::Save(const Variant& names, const Variant& data) {
  return Provider() ? Provider()->Save(names, data) : Variant::Null();
}
Variant TDataItem::Erase(const Variant& names) { return Provider() ? Provider()->Erase(names) : Variant::Null(); }
Variant TDataItem::Exec(const Variant& content) { return Provider() ? Provider()->Exec(content) : Variant::Null(); }
Variant TDataItem::Create(const Variant& names) {
  return Provider() ? Provider()->CreateItems(names) : Variant::Null();
}
Variant TDataItem::Response(const Variant& names, const Variant& data, const Variant& context) {
  return Provider() ? Provider()->Response(names, data, context) : Variant::Null();
}

RefPtr<IDispatchObject> TDataItem::External() const {
  auto* external = dynamic_cast<TExternalDataProvider*>(Provider());
  return external ? external->Server() : RefPtr<IDispatchObject>();
}

void TDataItem::ItemNotify(TCustomDataProvider& provider, TDataItemOperation operation) {
  if (operation != TDataItemOperation::ioRemove || m_provider.Address() != &provider) return;
  m_provider.Reset();
  m_providerText.clear();
  // The provider is going already: never free it a second time.
  if (m_ownedProvider.get() == &provider) static_cast<void>(m_ownedProvider.release());
}

RefPtr<IDispatchObject> TDataItem::ItemSink() {
  if (!m_sink) m_sink = MakeRef<TDataItemSink>(*this);
  return RefPtr<IDispatchObject>(m_sink);
}

Variant TDataItem::InvokeMember(const MemberDesc& member, MemberAccess access, std::span<Variant> args) {
  const bool put = access == MemberAccess::Put;
  switch (member.id) {
    case DISPID_DATAITEM_OPEN: return Open();
    case DISPID_DATAITEM_CLOSE: return Close();
    case DISPID_DATAITEM_ACTIVE:
      if (put) SetActive(args.back().ToBool());
      return Variant(Active());
    case DISPID_DATAITEM_PROVIDER:
      if (put) SetProviderText(args.back().AsString());
      return Variant(ProviderText());
    case DISPID_DATAITEM_SOURCE:
      if (put) SetSource(args.back().AsString());
      return Variant(Source());
    case DISPID_DATAITEM_LOAD: return Load(args[0]);
    case DISPID_DATAITEM_SAVE: return Save(args[0], args[1]);
    case DISPID_DATAITEM_ERASE: return Erase(args[0]);
    case DISPID_DATAITEM_EXEC: return Exec(args[0]);
    case DISPID_DATAITEM_INDEX: return Variant(Index());
    case DISPID_DATAITEM_NAME: return Variant(m_name);
    case DISPID_DATAITEM_RESPONSE: return Response(args[0], args[1], args[2]);
    case DISPID_DATAITEM_EXTERNAL: return Variant(External());
    case DISPID_DATAITEM_CREATE: return Create(args[0]);
    default: return Variant();
  }
}

// ---------------------------------------------------------------------- TData

TData::TData() : TAutoObject(IDataTypeInfo()) {}

TData::~TData() {
  for (const RefPtr<TDataItem>& item : m_items) item->Detach();
}

RefPtr<TDataItem> TData::Add(const std::string& name) {
  m_items.push_back(MakeRef<TDataItem>(this, name));
  return m_items.back();
}

void TData::RemoveAt(std::size_t position) {
  RefPtr<TDataItem> item = m_items[position];
  m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(position));
  item->Detach();
}

bool TData::Remove(const Variant& index) {
  std::int64_t position = -1;
  if (index.IsString())
    position = IndexOfName(index.AsString(), ITEM_MATCH_CASEINSENSITIVE);
  else if (index.IsOrdinal())
    position = index.ToInt64();
  if (position < 0 || position >= Length()) return false;
  RemoveAt(static_cast<std::size_t>(position));
  return true;
}

void TData::Clear() {
  while (!m_items.empty()) RemoveAt(m_items.size() - 1);
}

RefPtr<TDataItem> TData::Item(const Variant& index) const {
  if (index.IsString()) return ItemByName(index.AsString(), ITEM_MATCH_CASEINSENSITIVE);
  const std::int64_t position = index.ToInt64();
  if (position < 0 || position >= Length())
    throw EListError(Format("List index out of bounds (%d)", {static_cast<long long>(position)}));
  return m_items[static_cast<std::size_t>(position)];
}

int TData::IndexOfName(const std::string& name, int flags) const {
  for (std::size_t i = 0; i < m_items.size(); ++i)
    if (flags == ITEM_MATCH_CASESENSITIVE ? m_items[i]->Name() == name : SameText(m_items[i]->Name(), name))
      return static_cast<int>(i);
  return -1;
}

RefPtr<TDataItem> TData::ItemByName(const std::string& name, int flags) const {
  const int index = IndexOfName(name, flags);
  return index < 0 ? RefPtr<TDataItem>() : m_items[static_cast<std::size_t>(index)];
}

int TData::IndexOf(const TDataItem& item) const {
  for (std::size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i].Get() == &item) return static_cast<int>(i);
  return -1;
}

Variant TData::InvokeMember(const MemberDesc& member, MemberAccess, std::span<Variant> args) {
  auto wrap = [](const RefPtr<TDataItem>& item) { return item ? Variant(item) : Variant::Null(); };
  switch (member.id) {
    case DISPID_DATA_LENGTH: return Variant(Length());
    case DISPID_DATA_ADD: return wrap(Add(args[0].AsString()));
    case DISPID_DATA_REMOVE: return Variant(Remove(args[0]));
    case DISPID_DATA_CLEAR: Clear(); return Variant();
    case DISPID_DATA_ITEM: return wrap(Item(args[0]));
    case DISPID_DATA_GETITEMBYNAME: return wrap(ItemByName(args[0].AsString(), static_cast<int>(args[1].ToInt64())));
    case DISPID_DATA_GETINDEXBYNAME: return Variant(IndexOfName(args[0].AsString(), static_cast<int>(args[1].ToInt64())));
    default: return Variant();
  }
}

}  // namespace halbrin
