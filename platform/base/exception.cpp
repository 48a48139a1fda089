#include "platform/base/exception.h"

#include "platform/base/format.h"

namespace halbrin::platform {

EOSError::EOSError(std::uint32_t errorCode, std::string_view errorText)
    : Exception(Format("System Error: %d\r\n%s", {static_cast<std::int32_t>(errorCode), errorText})),
      m_errorCode(errorCode) {}

}  // namespace halbrin::platform
