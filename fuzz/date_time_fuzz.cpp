// Date-time texts read by a format of the class library's letters (what the
// date-time components and declarations read), and the value written back by
// the same format.
//
// Input: the format up to a NUL byte, then the text.

#include <cstdint>
#include <string>

#include "core/foundation/date_time_formatter.h"
#include "core/foundation/date_time_parser.h"
#include "platform/base/exception.h"
#include "platform/variant/ole_date.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

constexpr std::size_t kMaxFormat = 128;

void Run(fuzzing::InputReader& input) {
  const std::string format(input.Part().substr(0, kMaxFormat));
  const std::string text(input.Rest());
  for (const std::string& used : {format, MinutesAfterHours(format)}) {
    double value = 0;
    try {
      value = ParseDateTime(used, text);
    } catch (const platform::Exception&) {
      continue;  // a text the format does not read, with its reason
    }
    try {
      FormatDateTime(used, platform::DecodeOleDate(value));
    } catch (const platform::Exception&) {
      // A format the writer refuses (a run too long for a field, say).
    }
  }
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::fuzzing::InputReader input(data, size);
  halbrin::Run(input);
  return 0;
}
