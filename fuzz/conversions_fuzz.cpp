// The text conversions declarations and scripts reach: delimited text,
// colour names and hex texts, shortcut texts, and the XML escapes.
//
// Input: one byte (bits 0-1 pick the delimiter, bits 2-7 an item index
// counted from -32), then the text.

#include <cstdint>
#include <string>

#include "core/foundation/colors.h"
#include "core/foundation/delimited_text.h"
#include "core/foundation/escapes.h"
#include "core/foundation/shortcuts.h"
#include "platform/classes/string_list.h"
#include "support/fuzz_support.h"

namespace halbrin {
namespace {

using fuzzing::Check;

constexpr char kDelimiters[] = {',', ';', ' ', '|'};

void Delimited(std::string_view text, char delimiter, int index) {
  std::unique_ptr<platform::TStringList> items = SplitDelimited(text, delimiter);
  const int count = items->Count();
  const int at = index < 0 ? std::max(count + index, 0) : index;
  try {
    const std::string item = GetDelimitedItem(text, index, delimiter);
    Check(at < count && item == items->Strings(at), "an item other than the list's");
  } catch (const platform::Exception&) {
    Check(at >= count, "an item inside the list was refused");
  }
  StringsToVariantArray(*items);
  DeleteEmptyLines(items.get());
}

void Colours(std::string_view text) {
  const TColor colour = TextToColor(text);
  ColorToText(colour);
  const TColor plain = HexTextToColor(text);
  if (plain != clDefault)
    Check(HexTextToColor(ColorToHexText(plain)) == (plain & 0xFFFFFF), "a hex colour does not read back");
  const TColor rgb = colour & 0xFFFFFF;
  Check(TextToColor(ColorToText(rgb)) == rgb, "a colour's text does not read back");
}

void Shortcuts(std::string_view text) {
  const TShortCut shortCut = TextToShortCut(text);
  const std::string written = ShortCutToText(shortCut);
  if (!written.empty()) Check(TextToShortCut(written) == shortCut, "a shortcut's text does not read back");
}

void Escapes(std::string_view text) {
  Check(XmlUnescape(XmlEscape(text)) == text, "an escaped text does not unescape to itself");
  XmlUnescape(text);
  XmlAttribute("a", XmlEscape(text));
}

}  // namespace
}  // namespace halbrin

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  halbrin::fuzzing::InputReader input(data, size);
  const std::uint8_t choice = input.Byte();
  const std::string_view text = input.Rest();
  halbrin::Delimited(text, halbrin::kDelimiters[choice & 3], (choice >> 2) - 32);
  halbrin::Colours(text);
  halbrin::Shortcuts(text);
  halbrin::Escapes(text);
  return 0;
}
