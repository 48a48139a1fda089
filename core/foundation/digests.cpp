#include "core/foundation/digests.h"

#include <fcntl.h>
#include <glib.h>
#include <nettle/md2.h>
#include <nettle/md4.h>
#include <nettle/md5.h>
#include <nettle/nettle-meta.h>
#include <nettle/sha1.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <memory>
#include <vector>

#include "core/foundation/project_encoding.h"
#include "platform/base/format.h"
#include "platform/base/unique_fd.h"

namespace halbrin {

using namespace halbrin::platform;

namespace {

const nettle_hash* FindHash(ALG_ID algorithm) noexcept {
  switch (algorithm) {
    case CALG_MD2: return &nettle_md2;
    case CALG_MD4: return &nettle_md4;
    case CALG_MD5: return &nettle_md5;
    case CALG_SHA1: return &nettle_sha1;
    default: return nullptr;
  }
}

// One running digest over nettle's generic hash interface.
class Hasher {
 public:
  explicit Hasher(ALG_ID algorithm) : m_hash(FindHash(algorithm)) {
    if (!m_hash) throw EOSError(NTE_BAD_ALGID, "Invalid algorithm specified");
    // Aligned storage for whichever context the algorithm needs.
    m_context.resize((m_hash->context_size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t));
    m_hash->init(m_context.data());
  }

  void Update(std::string_view bytes) noexcept {
    m_hash->update(m_context.data(), bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
  }

  std::string Finish() {
    std::string digest(m_hash->digest_size, '\0');
    m_hash->digest(m_context.data(), digest.size(), reinterpret_cast<std::uint8_t*>(digest.data()));
    return digest;
  }

 private:
  const nettle_hash* m_hash;
  std::vector<std::max_align_t> m_context;
};

[[noreturn]] void ThrowErrno(int error) {
  throw EOSError(static_cast<std::uint32_t>(error), g_strerror(error));
}

}  // namespace

std::size_t DigestSize(ALG_ID algorithm) noexcept {
  const nettle_hash* hash = FindHash(algorithm);
  return hash ? hash->digest_size : 0;
}

std::string DigestBytes(std::string_view bytes, ALG_ID algorithm) {
  Hasher hasher(algorithm);
  hasher.Update(bytes);
  return hasher.Finish();
}

std::string DigestString(std::string_view text, ALG_ID algorithm, std::string_view codePage) {
  Hasher hasher(algorithm);
  if (codePage.empty() || IsUtf8EncodingName(codePage)) {
    hasher.Update(text);
    return hasher.Finish();
  }
  std::string converted;
  try {
    converted = EncodeText(text, codePage);
  } catch (const EEncodingError&) {
    // Text the code page cannot hold keeps its own bytes: a digest never
    // fails on content.
    converted = text;
  }
  hasher.Update(converted);
  return hasher.Finish();
}

std::string DigestString(std::string_view text, ALG_ID algorithm) {
  return DigestString(text, algorithm, ProjectEncoding());
}

std::string DigestFile(const std::string& path, ALG_ID algorithm) {
  Hasher hasher(algorithm);
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) ThrowErrno(errno);
  UniqueFd file(fd);

  std::vector<char> buffer(64 * 1024);
  for (;;) {
    ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno);
    }
    if (got == 0) break;
    hasher.Update(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
  }
  return hasher.Finish();
}

}  // namespace halbrin
