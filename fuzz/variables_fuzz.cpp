// A variables file as TVariables.Open reads it, in the project's code page or
// UTF-8; what loads is saved again, and the saved file must load to the same
// items.
//
// Input: one byte (bit 0: the project is UTF-8; bit 1: read the text in
// memory with SetXml instead of from a file; bit 2: then add an item as a
// script would, its name and value the next two NUL-ended texts), then the file.

#include <cstdint>
#include <string>

#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/project_encoding.h"
#include "core/scripting/variables.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

// Loads the input the way the flags ask; false when it is refused.
bool Load(TVariables& variables, std::uint8_t flags, std::string_view bytes) {
  try {
    if (flags & 2)
      variables.SetXml(bytes);
    else
      variables.OpenBytes(bytes, "variables.xml");
    return true;
  } catch (const platform::Exception&) {
    fuzzing::Check(variables.Length() == 0, "a refused file changed the items");
    return false;
  }
}

void Run(fuzzing::InputReader& input) {
  const std::uint8_t flags = input.Byte();
  std::string name, value;
  if (flags & 4) {
    name = input.Part();
    value = input.Part();
  }
  SetXmlEncoding(flags & 1 ? "UTF-8" : "");
  auto variables = platform::MakeRef<TVariables>();
  if (!Load(*variables, flags, input.Rest())) return;
  // Scripts hand over UTF-8 text only.
  if ((flags & 4) && FindInvalidUtf8(name) == std::string::npos && FindInvalidUtf8(value) == std::string::npos) {
    try {
      variables->Add(name, platform::Variant(value));
    } catch (const platform::Exception&) {
      return;  // a name or value refused with a clear error
    }
  }
  std::string xml;
  try {
    xml = variables->Xml();
  } catch (const platform::Exception&) {
    return;  // a value that cannot be written, refused with a clear error
  }
  const std::string saved = fuzzing::ScratchFolder().Path("saved.xml");
  try {
    variables->Save(saved);
  } catch (const platform::Exception&) {
    return;  // refused with a clear error
  }
  auto again = platform::MakeRef<TVariables>();
  try {
    again->Open(saved);
  } catch (const platform::Exception& error) {
    fuzzing::Fail(std::string("a saved variables file does not load again: ") + error.what());
  }
  fuzzing::Check(again->Xml() == xml, "a saved variables file loads other items");
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::fuzzing::InputReader input(data, size);
  halbrin::Run(input);
  halbrin::SetXmlEncoding("");
  return 0;
}
