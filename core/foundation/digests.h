#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/exception.h"

namespace halbrin {

// Digest algorithms by their CryptoAPI ids, the set the base provider offers.
using ALG_ID = std::uint32_t;
inline constexpr ALG_ID CALG_MD2 = 0x8001;
inline constexpr ALG_ID CALG_MD4 = 0x8002;
inline constexpr ALG_ID CALG_MD5 = 0x8003;
inline constexpr ALG_ID CALG_SHA1 = 0x8004;
inline constexpr ALG_ID CALG_SHA = CALG_SHA1;

// The error code of an unknown algorithm id.
inline constexpr std::uint32_t NTE_BAD_ALGID = 0x80090008;

// An operating-system failure: "System Error: <code>\r\n<system text>"; the
// code is shown as a signed 32-bit number.
using platform::EOSError;

// The raw digest of `bytes` taken as they are: a text of DigestSize bytes.
// An unknown algorithm raises EOSError with NTE_BAD_ALGID.
std::string DigestBytes(std::string_view bytes, ALG_ID algorithm);

// The raw digest of a text's bytes in the code page: the UTF-8 text is
// converted to `codePage` first, so "Привет" hashes as its windows-1251 bytes
// do. A text the code page cannot hold (or that is not UTF-8) is hashed as its
// bytes stand; a UTF-8 code page hashes the text unchanged.
std::string DigestString(std::string_view text, ALG_ID algorithm, std::string_view codePage);
// The same in the project's code page.
std::string DigestString(std::string_view text, ALG_ID algorithm);

// The raw digest of a file's bytes, read in pieces. A file that cannot be
// read raises EOSError with the system's error number.
std::string DigestFile(const std::string& path, ALG_ID algorithm);

// The size of the algorithm's digest in bytes (16 for MD5); 0 for an unknown id.
std::size_t DigestSize(ALG_ID algorithm) noexcept;

}  // namespace halbrin
