#include "components/browser/print_options.h"

#include <langinfo.h>

#include <cctype>
#include <charconv>
#include <clocale>
#include <memory>

#include "platform/registry/registry.h"

namespace halbrin {

using platform::TPersistent;

HALBRIN_DEFINE_CLASS(TMargins,
                     .Property("Left", &TMargins::Left, &TMargins::SetLeft)
                     .Property("Right", &TMargins::Right, &TMargins::SetRight)
                     .Property("Top", &TMargins::Top, &TMargins::SetTop)
                     .Property("Bottom", &TMargins::Bottom, &TMargins::SetBottom))

void TMargins::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TMargins*>(&source)) {
    m_left = other->m_left;
    m_top = other->m_top;
    m_right = other->m_right;
    m_bottom = other->m_bottom;
    return;
  }
  TPersistent::Assign(source);
}

const platform::TEnumInfo& PrintOrientationOptionInfo() {
  static const platform::TEnumInfo info("TPrintOrientationOption", {"poPortrait", "poLandscape"});
  return info;
}

HALBRIN_DEFINE_CLASS(TPrintOptions,
                     .Property("HTMLHeader", &TPrintOptions::HTMLHeader, &TPrintOptions::SetHTMLHeader)
                     .Owned()
                     .Property("Header", &TPrintOptions::Header, &TPrintOptions::SetHeader)
                     .Property("Footer", &TPrintOptions::Footer, &TPrintOptions::SetFooter)
                     .Property("Margins", &TPrintOptions::Margins, &TPrintOptions::SetMargins)
                     .Owned()
                     .Enum("Orientation", &TPrintOptions::Orientation, &TPrintOptions::SetOrientation,
                           PrintOrientationOptionInfo())
                     .Default(static_cast<int>(poPortrait))
                     .Property("Inches", &TPrintOptions::Inches, &TPrintOptions::SetInches)
                     .Default(false))

TPrintOptions::TPrintOptions()
    : m_htmlHeader(std::make_unique<platform::TStringList>()), m_margins(std::make_unique<TMargins>()) {
  m_htmlHeader->SetText("<HTML></HTML>");
}

void TPrintOptions::SetHTMLHeader(platform::TStrings* value) {
  if (value) m_htmlHeader->Assign(*value);
}

void TPrintOptions::SetMargins(TMargins* value) {
  if (value) m_margins->Assign(*value);
}

TMargins TPrintOptions::MarginsIn(bool inches) const {
  double factor = 1;
  if (inches && !m_inches) factor = 1 / kMillimetresPerInch;
  if (!inches && m_inches) factor = kMillimetresPerInch;
  return TMargins(m_margins->Left() * factor, m_margins->Top() * factor, m_margins->Right() * factor,
                  m_margins->Bottom() * factor);
}

TPageLayout TPrintOptions::Layout() const {
  const TMargins mm = MarginsIn(false);
  return TPageLayout{m_orientation == poLandscape ? kLandscape : kPortrait, mm.Left(), mm.Top(), mm.Right(),
                     mm.Bottom()};
}

void TPrintOptions::Assign(const TPersistent& source) {
  if (const auto* other = dynamic_cast<const TPrintOptions*>(&source)) {
    m_htmlHeader->Assign(*other->m_htmlHeader);
    m_header = other->m_header;
    m_footer = other->m_footer;
    m_margins->Assign(*other->m_margins);
    m_orientation = other->m_orientation;
    m_inches = other->m_inches;
    return;
  }
  TPersistent::Assign(source);
}

double ParsePageSetupMargin(std::string_view text, char decimalSeparator) {
  std::string number;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    // Either separator becomes the one from_chars reads.
    number += (c == '.' || c == decimalSeparator) ? '.' : c;
  }
  double value = 0;
  const char* end = number.data() + number.size();
  const auto [last, error] = std::from_chars(number.data(), end, value);
  if (error != std::errc() || last != end) return 0;
  return value;
}

void ReadPageSetup(TPrintOptions& options, const TPageSetupReader& read, char decimalSeparator, bool onlyEmpty) {
  auto text = [&](std::string_view name, const std::string& current, auto set) {
    if (onlyEmpty && !current.empty()) return;
    if (auto value = read(name)) set(std::move(*value));
  };
  text("header", options.Header(), [&](std::string v) { options.SetHeader(std::move(v)); });
  text("footer", options.Footer(), [&](std::string v) { options.SetFooter(std::move(v)); });

  TMargins& margins = *options.Margins();
  const double factor = options.Inches() ? 1 : kMillimetresPerInch;
  auto margin = [&](std::string_view name, double current, void (TMargins::*set)(double)) {
    if (onlyEmpty && current != 0) return;
    if (auto value = read(name)) (margins.*set)(ParsePageSetupMargin(*value, decimalSeparator) * factor);
  };
  margin("margin_left", margins.Left(), &TMargins::SetLeft);
  margin("margin_right", margins.Right(), &TMargins::SetRight);
  margin("margin_top", margins.Top(), &TMargins::SetTop);
  margin("margin_bottom", margins.Bottom(), &TMargins::SetBottom);
}

TPageSetupReader RegistryPageSetupReader() {
  auto registry = std::make_shared<platform::TRegistry>(platform::RootKey::CurrentUser, true);
  const bool open = registry->OpenKeyReadOnly(kPageSetupKey);
  return [registry, open](std::string_view name) -> std::optional<std::string> {
    if (!open || !registry->ValueExists(name)) return std::nullopt;
    return registry->ReadString(name);
  };
}

bool LocaleMeasuresInInches() {
  // glibc: 1 metric, 2 U.S.
  const char* measure = nl_langinfo(_NL_MEASUREMENT_MEASUREMENT);
  return measure && measure[0] == 2;
}

char LocaleDecimalSeparator() {
  const std::lconv* conv = std::localeconv();
  return conv && conv->decimal_point && conv->decimal_point[0] ? conv->decimal_point[0] : '.';
}

}  // namespace halbrin
