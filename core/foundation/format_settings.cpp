#include "core/foundation/format_settings.h"

namespace halbrin {

const FormatSettings& DefaultFormatSettings() {
  static const FormatSettings settings;
  return settings;
}

}  // namespace halbrin
