// Command lines: the program's own (parameters, switches, the project folder
// and its id) and the ones later starts hand over on the instance socket.
//
// Input: the bytes of a hand-over message body, which are also cut at NUL
// bytes into the arguments of a command line.

#include <cstdint>
#include <string>
#include <vector>

#include "core/app/command_line.h"
#include "core/app/project_info.h"
#include "core/app/single_instance.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

constexpr std::size_t kMaxArgs = 32;

void ReadCommandLine(std::string_view bytes) {
  fuzzing::InputReader input(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  std::vector<std::string> args{"halbrinlite"};
  while (!input.Empty() && args.size() < kMaxArgs) args.emplace_back(input.Part());
  CommandLine::Set(args);
  for (int i = -1; i <= static_cast<int>(args.size()); ++i) {
    const std::string name = SwitchName(i);
    const std::string parameter = GetParameter(i);
    fuzzing::Check(parameter.rfind(name, 0) == 0, "a switch name that does not start its parameter");
    if (!name.empty()) {
      const std::string value = GetSwitch(name);
      SwitchIs(name, value);
    }
  }
  GetSwitch("use");
  GetSwitch("file");
  const std::string folder = ResolveProjectFolder();
  fuzzing::Check(!folder.empty() && folder.back() == '/', "a project folder without its separator");
  ProjectIdOf(folder);
}

void ReadHandOver(std::string_view bytes) {
  const std::optional<InstanceMessage> message = InstanceMessage::Decode(bytes);
  if (!message) return;
  GetSwitch(message->args, "file");
  const std::string encoded = message->Encode();
  // Encode puts the length first; Decode reads the body after it.
  const std::optional<InstanceMessage> again = InstanceMessage::Decode(std::string_view(encoded).substr(4));
  fuzzing::Check(again && again->kind == message->kind && again->folder == message->folder &&
                     again->args == message->args,
                 "a hand-over message does not read back as it was written");
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  halbrin::ReadCommandLine(bytes);
  halbrin::ReadHandOver(bytes);
  halbrin::ProjectInfo() = halbrin::TProjectInfo{};
  halbrin::CommandLine::Set({});
  return 0;
}
