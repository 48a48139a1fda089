// A record set as a string list reads it (TStringObjectListEx.SetXml), with
// any of its options; what it read is written again and must read back.
//
// Input: one byte (bits 0-2: the xmlOptions, bit 0 inverted so 0 is the
// default [soText]; bits 3-4: the textNode; bit 5:
// then add a line as a script would, the next NUL-ended text), then the
// record set.

#include <cstdint>
#include <string>

#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/project_encoding.h"
#include "core/foundation/string_object_list.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

// Element names only: the list writes its lines in elements of that name.
constexpr std::string_view kTextNodes[] = {"text", "value", "name", "line"};

void Run(fuzzing::InputReader& input) {
  const std::uint8_t flags = input.Byte();
  const auto options = TStringObjectListXmlOptions::FromBits((flags & 7u) ^ 1u);
  const std::string textNode(kTextNodes[(flags >> 3) & 3u]);
  const std::string added(flags & 32 ? input.Part() : std::string_view());
  TStringObjectListEx list;
  list.SetXmlOptions(options);
  list.SetTextNode(textNode);
  list.Add("before");
  try {
    list.SetXml(input.Rest());
  } catch (const platform::Exception&) {
    fuzzing::Check(list.Count() == 1 && list.Strings(0) == "before", "a refused record set changed the lines");
    return;
  }
  // Scripts hand over UTF-8 text only.
  if ((flags & 32) && FindInvalidUtf8(added) == std::string_view::npos) {
    try {
      list.Add(added);
    } catch (const platform::Exception&) {
      return;  // a line refused with a clear error
    }
  }
  std::string xml;
  try {
    xml = list.Xml();
  } catch (const platform::Exception&) {
    return;  // a line that cannot be written, refused with a clear error
  }
  TStringObjectListEx again;
  again.SetXmlOptions(options);
  again.SetTextNode(textNode);
  try {
    again.SetXml(xml);
  } catch (const platform::Exception& error) {
    fuzzing::Fail(std::string("a written record set does not read again: ") + error.what());
  }
  // Only the whole lines come back as they were; names and values are split.
  if (options != TStringObjectListXmlOptions{TStringObjectListXmlOption::soText} || textNode != "text") return;
  fuzzing::Check(again.Count() == list.Count(), "a written record set reads another number of lines");
  for (int i = 0; i < list.Count(); ++i)
    fuzzing::Check(again.Strings(i) == list.Strings(i), "a written record set reads another line");
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::fuzzing::InputReader input(data, size);
  halbrin::Run(input);
  halbrin::SetXmlEncoding("");
  return 0;
}
