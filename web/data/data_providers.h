#pragma once

// The back ends of data items (type word "dataprovider" for every class):
// `TDefaultDataProvider` ("#default") keeps texts in files of the project's
// data folder, `TDataProviderEx` (declared as <dataprovider>) hands each
// operation to script events, `TExternalDataProvider` forwards to an
// IExternalDataProvider module object. Every provider joins the hooks'
// data-provider list when made (when there is one).

#include <string>

#include "core/framework/executable_component.h"
#include "platform/automation/dispatch_object.h"
#include "platform/classes/method.h"
#include "web/data/external_data_provider.h"

namespace halbrin {

class TCustomDataProvider;

// (Sender, provider, source, Result)
using TDataProviderOpenEvent =
    platform::TEvent<platform::TObject*, const std::string&, const std::string&, platform::Variant&>;
// (Sender, names, Result)
using TDataProviderNamedEvent = platform::TEvent<platform::TObject*, const platform::Variant&, platform::Variant&>;
// (Sender, names, data, Result)
using TDataProviderNamedDataEvent =
    platform::TEvent<platform::TObject*, const platform::Variant&, const platform::Variant&, platform::Variant&>;
// (Sender, names, data, context, Result)
using TDataProviderContextEvent = platform::TEvent<platform::TObject*, const platform::Variant&,
                                                   const platform::Variant&, const platform::Variant&,
                                                   platform::Variant&>;

enum class TDataItemOperation { ioInsert = 0, ioRemove = 1 };

// The item a provider serves (its `itemNotify`): told when the provider is
// bound to it (insert) and when the provider goes (remove).
class IDataProviderItem {
 public:
  virtual void ItemNotify(TCustomDataProvider& provider, TDataItemOperation operation) = 0;
  // The item's IDataItemSink object, handed to external providers.
  virtual platform::RefPtr<platform::IDispatchObject> ItemSink() = 0;

 protected:
  IDataProviderItem() = default;
  IDataProviderItem(const IDataProviderItem&) = default;
  IDataProviderItem& operator=(const IDataProviderItem&) = default;
  ~IDataProviderItem() = default;
};

class TCustomDataProvider : public TCustomExecutableComponentEx {
  HALBRIN_CLASS(TCustomDataProvider, TCustomExecutableComponentEx)

  explicit TCustomDataProvider(platform::TComponent* owner = nullptr);
  // Tells its item (remove) first.
  ~TCustomDataProvider() override;

  std::string GetTypeName() const override { return "dataprovider"; }

  IDataProviderItem* ItemNotifyTarget() const noexcept { return m_item; }
  void SetItemNotify(IDataProviderItem* item) noexcept { m_item = item; }

  // The operations, in slot order. The base stores provider and source and
  // answers Null to every operation.
  virtual bool GetActive();
  virtual void SetActive(bool active);
  virtual std::string GetProvider() const;
  virtual std::string GetSource();
  virtual void SetSource(const std::string& source);
  virtual void SetProvider(const std::string& provider);
  virtual platform::Variant Open();
  virtual platform::Variant Close();
  virtual platform::Variant Load(const platform::Variant& names);
  virtual platform::Variant Save(const platform::Variant& names, const platform::Variant& data);
  virtual platform::Variant Erase(const platform::Variant& names);
  virtual platform::Variant Exec(const platform::Variant& content);
  // Fires onResponse; Null without a handler.
  virtual platform::Variant Response(const platform::Variant& names, const platform::Variant& data,
                                     const platform::Variant& context);
  virtual platform::Variant CreateItems(const platform::Variant& names);
  virtual platform::Variant Cancel(const platform::Variant& names, const platform::Variant& data,
                                   const platform::Variant& context);

  TDataProviderContextEvent& OnResponse() noexcept { return m_onResponse; }
  // "response" with [Name, names, data, context].
  virtual void responseHandler(platform::TObject* sender, const platform::Variant& names,
                               const platform::Variant& data, const platform::Variant& context,
                               platform::Variant& result);

 protected:
  // Tells the item about this provider.
  void NotifyItem(TDataItemOperation operation);
  TDataProviderContextEvent m_onResponse;

 private:
  IDataProviderItem* m_item = nullptr;
  std::string m_provider;
  std::string m_source;
};

// "#default": texts kept as files under `root`, the project's folder in
// $XDG_DATA_HOME/Zebrin/HalbrinLite/projects/. A name is a path relative to
// `root`; one that leads out of it is refused (Load Null, the others False).
// Every operation but Exec ends with Response(names, its result, context).
class TDefaultDataProvider : public TCustomDataProvider {
  HALBRIN_CLASS(TDefaultDataProvider, TCustomDataProvider)

  explicit TDefaultDataProvider(platform::TComponent* owner = nullptr);

  // The data folder of a project name, with "/" at the end: `\ / | " : * ? < >`
  // and line breaks of the name become "_".
  static std::string ProjectRoot(const std::string& projectName);

  const std::string& Root() const noexcept { return m_root; }
  void SetRoot(const std::string& root);

  // The root folder exists.
  bool GetActive() override;
  std::string GetProvider() const override { return "#default"; }
  platform::Variant Open() override;
  platform::Variant Close() override;
  // A name: the file's text, Null when it cannot be read; an array: one answer per name.
  platform::Variant Load(const platform::Variant& names) override;
  // True when written (missing folders are made); an array of names gives False.
  platform::Variant Save(const platform::Variant& names, const platform::Variant& data) override;
  // The file or folder deleted for good; "" gives Unassigned.
  platform::Variant Erase(const platform::Variant& names) override;
  // Unassigned; no response.
  platform::Variant Exec(const platform::Variant& content) override;
  // Makes the folders of the name: all of it with a trailing "/", else up to its last "/".
  platform::Variant CreateItems(const platform::Variant& names) override;
  platform::Variant Cancel(const platform::Variant& names, const platform::Variant& data,
                           const platform::Variant& context) override;

  // The full path of a name inside root; empty when it leaves root.
  std::string PathOf(const std::string& name) const;

 private:
  std::string m_root;
};

// <dataprovider>: always active, provider "#" + Name; each operation fires
// its script event ("open", "close", "load", "save", "erase", "exec",
// "response", "create", "cancel") and answers what the handler gives, Null
// without one. Close answers Unassigned.
class TDataProviderEx : public TCustomDataProvider {
  HALBRIN_CLASS(TDataProviderEx, TCustomDataProvider)

  explicit TDataProviderEx(platform::TComponent* owner = nullptr);

  bool GetActive() override { return true; }
  std::string GetProvider() const override { return "#" + Name(); }
  platform::Variant Open() override;
  platform::Variant Close() override;
  platform::Variant Load(const platform::Variant& names) override;
  platform::Variant Save(const platform::Variant& names, const platform::Variant& data) override;
  platform::Variant Erase(const platform::Variant& names) override;
  platform::Variant Exec(const platform::Variant& content) override;
  platform::Variant CreateItems(const platform::Variant& names) override;
  platform::Variant Cancel(const platform::Variant& names, const platform::Variant& data,
                           const platform::Variant& context) override;

  TDataProviderOpenEvent m_onOpen;
  platform::TNotifyEvent m_onClose;
  TDataProviderNamedEvent m_onLoad;
  TDataProviderNamedEvent m_onErase;
  TDataProviderNamedEvent m_onExec;
  TDataProviderNamedEvent m_onCreate;
  TDataProviderNamedDataEvent m_onSave;
  TDataProviderContextEvent m_onCancel;

  void openHandler(platform::TObject*, const std::string& provider, const std::string& source,
                   platform::Variant& result);
  void closeHandler(platform::TObject*);
  void loadHandler(platform::TObject*, const platform::Variant& names, platform::Variant& result);
  void saveHandler(platform::TObject*, const platform::Variant& names, const platform::Variant& data,
                   platform::Variant& result);
  void eraseHandler(platform::TObject*, const platform::Variant& names, platform::Variant& result);
  void execHandler(platform::TObject*, const platform::Variant& content, platform::Variant& result);
  void createHandler(platform::TObject*, const platform::Variant& names, platform::Variant& result);
  void cancelHandler(platform::TObject*, const platform::Variant& names, const platform::Variant& data,
                     const platform::Variant& context, platform::Variant& result);
};

class TCustomExternalDataProvider : public TCustomDataProvider {
  HALBRIN_CLASS(TCustomExternalDataProvider, TCustomDataProvider)

  explicit TCustomExternalDataProvider(platform::TComponent* owner = nullptr) : TCustomDataProvider(owner) {}
};

// Forwards to a module object that is an IExternalDataProvider, found by
// class id text or ProgID when the provider text changes. Connected: the
// object is there and answered a non-zero cookie. Unconnected, every
// operation answers Null. A failing HResult or status raises EOleError.
class TExternalDataProvider : public TCustomExternalDataProvider {
  HALBRIN_CLASS(TExternalDataProvider, TCustomExternalDataProvider)

  explicit TExternalDataProvider(platform::TComponent* owner = nullptr);
  // Disconnects.
  ~TExternalDataProvider() override;

  bool Connected() const noexcept { return m_external != nullptr && m_cookie != 0; }
  platform::RefPtr<platform::IDispatchObject> Server() const { return m_server; }
  int Cookie() const noexcept { return m_cookie; }
  const std::string& ProviderName() const noexcept { return m_providerName; }

  bool GetActive() override;
  std::string GetProvider() const override { return m_providerName; }
  std::string GetSource() override;
  void SetSource(const std::string& source) override;
  // A text other than providerName: disconnects, makes the object, connects
  // it with the item's sink and tells the item. Raises 0x800401F3 "Invalid
  // class string" for an unknown class and E_NOINTERFACE for an object that
  // is no IExternalDataProvider (the provider stays unconnected).
  void SetProvider(const std::string& provider) override;
  platform::Variant Open() override;
  platform::Variant Close() override;
  platform::Variant Load(const platform::Variant& names) override;
  platform::Variant Save(const platform::Variant& names, const platform::Variant& data) override;
  platform::Variant Erase(const platform::Variant& names) override;
  platform::Variant Exec(const platform::Variant& content) override;
  platform::Variant CreateItems(const platform::Variant& names) override;
  platform::Variant Cancel(const platform::Variant& names, const platform::Variant& data,
                           const platform::Variant& context) override;

  void Disconnect();

 private:
  platform::RefPtr<platform::IDispatchObject> m_server;
  IExternalDataProvider* m_external = nullptr;  // m_server seen as the provider interface
  int m_cookie = 0;
  std::string m_providerName;
};

// The type word "dataprovider" (TDataProviderEx).
void RegisterDataProviderComponentTypes();

}  // namespace halbrin
