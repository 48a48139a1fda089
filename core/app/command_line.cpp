#include "core/app/command_line.h"

#include "platform/base/case_fold.h"

namespace halbrin {
namespace {

std::vector<std::string>& Storage() {
  static std::vector<std::string> args;
  return args;
}

}  // namespace

void CommandLine::Set(std::vector<std::string> args) { Storage() = std::move(args); }

const std::vector<std::string>& CommandLine::Args() { return Storage(); }

std::string GetParameter(int index) {
  const auto& args = CommandLine::Args();
  return index >= 0 && static_cast<std::size_t>(index) < args.size() ? args[static_cast<std::size_t>(index)]
                                                                      : std::string();
}

std::string GetSwitch(std::span<const std::string> args, std::string_view name) {
  const std::size_t prefix = name.size() + 1;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() >= prefix && arg[name.size()] == ':' &&
        platform::SameText(std::string_view(arg).substr(0, name.size()), name))
      return arg.substr(prefix);
  }
  return {};
}

std::string GetSwitch(std::string_view name) { return GetSwitch(CommandLine::Args(), name); }

std::string SwitchName(int index) {
  const std::string arg = GetParameter(index);
  const std::size_t colon = arg.find(':');
  return colon == std::string::npos || colon == 0 ? std::string() : arg.substr(0, colon);
}

bool SwitchIs(std::string_view name, std::string_view text) {
  return platform::FoldCase(GetSwitch(name)).find(platform::FoldCase(text)) != std::string::npos;
}

}  // namespace halbrin
