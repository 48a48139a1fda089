#pragma once

// What an external data provider object implements: a module class
// (core/app/module_registry.h) whose object also derives from this class.
// The data item's provider finds it with dynamic_cast. Each operation answers
// an HResult (negative: failed); a negative `status` fails too. The order is
// the interface's slot order.

#include <string>
#include <string_view>

#include "platform/automation/dispatch_object.h"
#include "platform/variant/variant.h"

namespace halbrin {

class IExternalDataProvider {
 public:
  static constexpr std::string_view kInterfaceId = "{941520E2-47E2-4309-BD92-D06BB9963C91}";

  virtual ~IExternalDataProvider() = default;

  // `sink` answers IDataItemSink (`response`); `cookie` must come back non-zero.
  virtual platform::HResult Connect(const platform::RefPtr<platform::IDispatchObject>& sink, int& cookie) = 0;
  virtual platform::HResult Disconnect(int cookie) = 0;
  virtual platform::HResult GetActive(bool& active) = 0;
  virtual platform::HResult GetSource(std::string& source) = 0;
  virtual platform::HResult SetSource(const std::string& source) = 0;
  virtual platform::HResult Open(platform::Variant& result, platform::HResult& status) = 0;
  virtual platform::HResult Close(platform::Variant& result, platform::HResult& status) = 0;
  virtual platform::HResult Load(const platform::Variant& names, platform::Variant& result,
                                 platform::HResult& status) = 0;
  virtual platform::HResult Save(const platform::Variant& names, const platform::Variant& data,
                                 platform::Variant& result, platform::HResult& status) = 0;
  virtual platform::HResult Create(const platform::Variant& names, platform::Variant& result,
                                   platform::HResult& status) = 0;
  virtual platform::HResult Erase(const platform::Variant& names, platform::Variant& result,
                                  platform::HResult& status) = 0;
  virtual platform::HResult Exec(const platform::Variant& content, platform::Variant& result,
                                 platform::HResult& status) = 0;
  virtual platform::HResult Cancel(const platform::Variant& names, const platform::Variant& data,
                                   const platform::Variant& context, platform::Variant& result,
                                   platform::HResult& status) = 0;

 protected:
  IExternalDataProvider() = default;
  IExternalDataProvider(const IExternalDataProvider&) = default;
  IExternalDataProvider& operator=(const IExternalDataProvider&) = default;
};

}  // namespace halbrin
