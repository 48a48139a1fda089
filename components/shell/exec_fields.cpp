#include "components/shell/exec_fields.h"

namespace halbrin {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
}  // namespace

std::vector<std::string> SplitWindowsCommandLine(std::string_view text) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    while (i < n && IsBlank(text[i])) ++i;
    if (i >= n) break;
    std::string field;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(text[i]))) {
      if (text[i] == '\\') {
        std::size_t count = 0;
        while (i < n && text[i] == '\\') {
          ++count;
          ++i;
        }
        if (i < n && text[i] == '"') {
          field.append(count / 2, '\\');
          if (count % 2 == 1) {
            field += '"';
          } else {
            quoted = !quoted;
          }
          ++i;
        } else {
          field.append(count, '\\');
        }
      } else if (text[i] == '"') {
        quoted = !quoted;
        ++i;
      } else {
        field += text[i++];
      }
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

std::string JoinWindowsCommandLine(const std::vector<std::string>& fields) {
  std::string line;
  for (const std::string& field : fields) {
    if (!line.empty()) line += ' ';
    if (!field.empty() && field.find_first_of(" \t\"") == std::string::npos) {
      line += field;
      continue;
    }
    line += '"';
    std::size_t backslashes = 0;
    for (char c : field) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      if (c == '"') {
        line.append(backslashes * 2 + 1, '\\');
      } else {
        line.append(backslashes, '\\');
      }
      backslashes = 0;
      line += c;
    }
    // Backslashes before the closing quote are doubled.
    line.append(backslashes * 2, '\\');
    line += '"';
  }
  return line;
}

std::string QuoteExecField(std::string_view field) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  const bool quote = field.empty() || field.find_first_of(kReserved) != std::string_view::npos;
  std::string out;
  if (quote) out += '"';
  for (char c : field) {
    if (c == '%') {
      out += "%%";
      continue;
    }
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
  }
  if (quote) out += '"';
  return out;
}

std::string JoinExecFields(const std::vector<std::string>& fields) {
  std::string value;
  for (const std::string& field : fields) {
    if (!value.empty()) value += ' ';
    value += QuoteExecField(field);
  }
  return value;
}

std::optional<std::vector<std::string>> ParseExecFields(std::string_view value) {
  // First the quoting, keeping each "%" with a mark of whether it was quoted
  // (a code is a code in either place).
  struct Field {
    std::string text;
    bool started = false;
  };
  std::vector<std::string> raw;
  std::size_t i = 0;
  const std::size_t n = value.size();
  while (i < n) {
    while (i < n && (value[i] == ' ' || value[i] == '\t' || value[i] == '\n')) ++i;
    if (i >= n) break;
    Field field;
    while (i < n && value[i] != ' ' && value[i] != '\t' && value[i] != '\n') {
      if (value[i] == '"') {
        field.started = true;
        ++i;
        bool closed = false;
        while (i < n) {
          const char c = value[i];
          if (c == '"') {
            closed = true;
            ++i;
            break;
          }
          if (c == '\\' && i + 1 < n &&
              (value[i + 1] == '"' || value[i + 1] == '`' || value[i + 1] == '$' || value[i + 1] == '\\')) {
            field.text += value[i + 1];
            i += 2;
            continue;
          }
          field.text += c;
          ++i;
        }
        if (!closed) return std::nullopt;
      } else {
        field.text += value[i++];
      }
    }
    raw.push_back(std::move(field.text));
  }
  constexpr std::string_view kCodes = "fFuUickdDnNvm";
  std::vector<std::string> fields;
  for (const std::string& text : raw) {
    if (text.size() == 2 && text[0] == '%' && kCodes.find(text[1]) != std::string_view::npos) continue;
    std::string field;
    for (std::size_t k = 0; k < text.size(); ++k) {
      if (text[k] != '%') {
        field += text[k];
        continue;
      }
      if (k + 1 < text.size() && text[k + 1] == '%') {
        field += '%';
        ++k;
      } else if (k + 1 < text.size() && kCodes.find(text[k + 1]) != std::string_view::npos) {
        ++k;  // a code inside a field expands to nothing here
      } else {
        field += '%';
      }
    }
    fields.push_back(std::move(field));
  }
  return fields;
}

}  // namespace halbrin
