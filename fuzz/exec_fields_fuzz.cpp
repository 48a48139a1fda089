// Shortcut command lines: a script's `arguments` (Windows rules) and the
// `Exec` value of a desktop entry read from disk.
//
// Input: the bytes as an `arguments` text and as an `Exec` value.

#include <cstdint>
#include <string>

#include "components/shell/exec_fields.h"
#include "support/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace halbrin;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> fields = SplitWindowsCommandLine(bytes);
  fuzzing::Check(SplitWindowsCommandLine(JoinWindowsCommandLine(fields)) == fields,
                 "joined arguments do not split back to their fields");
  const auto parsed = ParseExecFields(JoinExecFields(fields));
  fuzzing::Check(parsed && *parsed == fields, "an Exec value written from fields does not read back as them");
  if (const auto read = ParseExecFields(bytes)) {
    const auto again = ParseExecFields(JoinExecFields(*read));
    fuzzing::Check(again && *again == *read, "Exec fields do not survive being written again");
  }
  return 0;
}
