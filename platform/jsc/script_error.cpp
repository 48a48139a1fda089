#include "platform/jsc/script_error.h"

#include <utility>

namespace halbrin::platform {

EScriptError::EScriptError(ScriptErrorInfo info)
    : EOleError(info.number ? info.number : DISP_E_EXCEPTION, info.message, info.Source()),
      m_info(std::move(info)) {}

}  // namespace halbrin::platform
