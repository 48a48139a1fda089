#pragma once

// A browser's print options: header and footer texts, margins, orientation
// and the unit the margins are in; and the page-setup read routine that
// turns stored margin texts into numbers.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "components/browser/browser_engine.h"
#include "platform/classes/persistent.h"
#include "platform/classes/string_list.h"

namespace halbrin {

inline constexpr double kMillimetresPerInch = 25.4;

class TMargins : public platform::TPersistent {
  HALBRIN_CLASS(TMargins, platform::TPersistent)

  TMargins() = default;
  TMargins(double left, double top, double right, double bottom)
      : m_left(left), m_top(top), m_right(right), m_bottom(bottom) {}

  double Left() const noexcept { return m_left; }
  void SetLeft(double value) noexcept { m_left = value; }
  double Right() const noexcept { return m_right; }
  void SetRight(double value) noexcept { m_right = value; }
  double Top() const noexcept { return m_top; }
  void SetTop(double value) noexcept { m_top = value; }
  double Bottom() const noexcept { return m_bottom; }
  void SetBottom(double value) noexcept { m_bottom = value; }

  void Assign(const platform::TPersistent& source) override;

 private:
  double m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
};

enum TPrintOrientationOption : std::uint8_t { poPortrait, poLandscape };
const platform::TEnumInfo& PrintOrientationOptionInfo();

class TPrintOptions : public platform::TPersistent {
  HALBRIN_CLASS(TPrintOptions, platform::TPersistent)

  TPrintOptions();

  // Stored and read back; printing does not use it.
  platform::TStrings* HTMLHeader() const noexcept { return m_htmlHeader.get(); }
  void SetHTMLHeader(platform::TStrings* value);
  // Stored and read back; WebKit's printing has no header or footer.
  const std::string& Header() const noexcept { return m_header; }
  void SetHeader(std::string value) { m_header = std::move(value); }
  const std::string& Footer() const noexcept { return m_footer; }
  void SetFooter(std::string value) { m_footer = std::move(value); }
  TMargins* Margins() const noexcept { return m_margins.get(); }
  void SetMargins(TMargins* value);
  TPrintOrientationOption Orientation() const noexcept { return m_orientation; }
  void SetOrientation(TPrintOrientationOption value) noexcept { m_orientation = value; }
  // True: the margins are in inches; false: in millimetres.
  bool Inches() const noexcept { return m_inches; }
  void SetInches(bool value) noexcept { m_inches = value; }

  // The margins in inches (true) or millimetres (false), converted from the
  // options' own unit when it differs.
  TMargins MarginsIn(bool inches) const;
  // Orientation and margins (in millimetres) for the print operation.
  TPageLayout Layout() const;

  void Assign(const platform::TPersistent& source) override;

 private:
  std::unique_ptr<platform::TStringList> m_htmlHeader;
  std::string m_header;
  std::string m_footer;
  std::unique_ptr<TMargins> m_margins;
  TPrintOrientationOption m_orientation = poPortrait;
  bool m_inches = false;
};

// A stored margin text as a number: blanks removed, "." read as the decimal
// separator as well as `decimalSeparator` itself. Empty or unreadable text is 0.
double ParsePageSetupMargin(std::string_view text, char decimalSeparator);

// Reads the stored page setup into `options`: "header" and "footer" texts,
// "margin_left", "margin_right", "margin_top", "margin_bottom" in inches
// (multiplied by 25.4 when the options are in millimetres). A value `read`
// does not find leaves its field as it is; with `onlyEmpty`, fields that
// already hold a value (a text, a non-zero margin) are kept too.
using TPageSetupReader = std::function<std::optional<std::string>(std::string_view name)>;
void ReadPageSetup(TPrintOptions& options, const TPageSetupReader& read, char decimalSeparator, bool onlyEmpty = false);

// The key the stored page setup lies under, in the application's registry.
inline constexpr std::string_view kPageSetupKey = "Software\\Microsoft\\Internet Explorer\\PageSetup";
// A reader of that key through TRegistry (nothing when the key is missing).
TPageSetupReader RegistryPageSetupReader();

// True when the user's locale measures in U.S. units (inches).
bool LocaleMeasuresInInches();
// The decimal separator of the user's locale.
char LocaleDecimalSeparator();

}  // namespace halbrin
