#include "core/foundation/record_set.h"

#include "core/foundation/msxml_dom_document.h"
#include "core/foundation/project_encoding.h"
#include "core/foundation/text_files.h"
#include "core/foundation/text_helpers.h"
#include "platform/base/format.h"
#include "platform/classes/string_list.h"

#include <cctype>
#include <charconv>

namespace halbrin {

namespace {

std::string EscapeText(std::string_view text, bool attribute) {
  if (const std::size_t bad = FindInvalidUtf8(text); bad != std::string_view::npos)
    throw EXmlDOMException(platform::Format("The text is not valid UTF-8 at offset %u", {bad}));
  if (const std::size_t at = FindNonXmlCharacter(text); at != std::string_view::npos)
    throw EXmlDOMException(NonXmlCharacterMessage(text, at));
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r': out += "&#13;"; break;
      case '\t': out += attribute ? "&#9;" : "\t"; break;
      case '\n': out += attribute ? "&#10;" : "\n"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace

std::string XmlDeclaration() {
  return platform::Format("<?xml version=\"1.0\" encoding=\"%s\"?>", {XmlEncoding()});
}

std::string RecordSetText(std::string_view text) { return EscapeText(text, false); }

std::string RecordSetAttributeText(std::string_view text) { return EscapeText(text, true); }

std::string NormalizeRecordSetHeader(std::string_view text) {
  auto lower = [](std::string_view part) {
    std::string out(part);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
  };
  const std::string folded = lower(text);
  if (folded.find("<?xml") == std::string::npos) return XmlDeclaration() + "\r\n" + std::string(text);
  constexpr std::string_view bare = "<?xml version=\"1.0\"?>";
  std::string out;
  std::size_t pos = 0;
  for (std::size_t at; (at = folded.find(bare, pos)) != std::string::npos; pos = at + bare.size()) {
    out.append(text.substr(pos, at - pos));
    out += XmlDeclaration();
  }
  out.append(text.substr(pos));
  return ReplaceAll(out, "/><", "/>\r\n<");
}

std::string SafeFileName(std::string_view text, std::size_t maxLength) {
  const std::string name = ReplaceInvalidFileNameChars(text, "");
  std::size_t pos = 0;
  for (std::size_t count = 0; pos < name.size() && count < maxLength; ++count) pos += DecodeUtf8At(name, pos).length;
  return name.substr(0, pos);
}

double NumberFromVariant(const platform::Variant& value) {
  std::string kept;
  for (const char c : value.ToText()) {
    if (c >= '0' && c <= '9')
      kept += c;
    else if (c == '.' || c == ',')
      kept += '.';
    else if (c != ' ')
      break;
  }
  // The longest number the kept text starts with ("1.2.3" reads 1.2), in
  // the C locale whatever the process's locale is.
  double number = 0.0;
  std::from_chars(kept.data(), kept.data() + kept.size(), number);
  return number;
}

void SaveTextLines(std::string_view text, const std::string& path, bool forceFolder) {
  platform::TStringList lines;
  lines.SetText(text);
  SaveTextToFile(lines.Text(), path, forceFolder);
}

}  // namespace halbrin
