#pragma once

// The two failures of the cabinet component and the small file helpers it
// shares: a system error with its text, and a failed cabinet operation
// carrying the FCI/FDI operation code and the errno ("type").

#include <string>
#include <string_view>

#include "platform/base/exception.h"

namespace halbrin {

// FDI operation codes (reading and extracting).
inline constexpr int kFdiCabinetNotFound = 1;
inline constexpr int kFdiNotACabinet = 2;
inline constexpr int kFdiCorruptCabinet = 4;
inline constexpr int kFdiBadCompressionType = 6;
inline constexpr int kFdiTargetFile = 8;
inline constexpr int kFdiUserAbort = 11;

// FCI operation codes (writing).
inline constexpr int kFciOpenSource = 1;
inline constexpr int kFciReadSource = 2;
inline constexpr int kFciTempFile = 4;
inline constexpr int kFciCabinetFile = 6;
inline constexpr int kFciUserAbort = 7;

// "Cabinet error %d (type %d)".
class ECabinetError : public platform::Exception {
 public:
  ECabinetError(int code, int type);
  std::string_view ClassName() const noexcept override { return "ECabinetError"; }
  int Code() const noexcept { return m_code; }
  int Type() const noexcept { return m_type; }

 private:
  int m_code;
  int m_type;
};

// "Error %d: %s" with the errno and the system's text for it.
class EApiError : public platform::Exception {
 public:
  explicit EApiError(int error);
  std::string_view ClassName() const noexcept override { return "EApiError"; }
  int Error() const noexcept { return m_error; }

 private:
  int m_error;
};

// The temporary folder with a trailing "/"; "" when there is none.
std::string CabinetTempFolder();

// Creates an empty, new file "<folder>/<prefix>XXXXXX" ("" is the current
// folder) with `mode` less the umask and returns its path; "" on failure
// (errno tells why).
std::string CabinetTempFileName(std::string_view folder, std::string_view prefix, int mode = 0600);

}  // namespace halbrin
