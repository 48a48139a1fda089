#include "core/foundation/digests.h"

#include "core/foundation/project_encoding.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

#include "support/test_support.h"

namespace halbrin {
namespace {

namespace fs = std::filesystem;

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

// --- Known vectors ---------------------------------------------------------

struct Vector {
  const char* name;
  ALG_ID algorithm;
  std::string input;
  const char* digest;
};

std::string VectorName(const ::testing::TestParamInfo<Vector>& info) { return info.param.name; }

const std::string kDigits80 =
    "12345678901234567890123456789012345678901234567890123456789012345678901234567890";

class DigestVectorTest : public ::testing::TestWithParam<Vector> {};

TEST_P(DigestVectorTest, MatchesThePublishedDigest) {
  const Vector& v = GetParam();
  std::string digest = DigestBytes(v.input, v.algorithm);
  EXPECT_EQ(digest.size(), DigestSize(v.algorithm));
  EXPECT_EQ(Hex(digest), v.digest);
  // ASCII is the same in every code page.
  EXPECT_EQ(DigestString(v.input, v.algorithm), digest);
}

INSTANTIATE_TEST_SUITE_P(
    Md5Rfc1321, DigestVectorTest,
    ::testing::Values(Vector{"Empty", CALG_MD5, "", "d41d8cd98f00b204e9800998ecf8427e"},
                      Vector{"A", CALG_MD5, "a", "0cc175b9c0f1b6a831c399e269772661"},
                      Vector{"Abc", CALG_MD5, "abc", "900150983cd24fb0d6963f7d28e17f72"},
                      Vector{"MessageDigest", CALG_MD5, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
                      Vector{"Alphabet", CALG_MD5, "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
                      Vector{"Alphanumerics", CALG_MD5, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                             "d174ab98d277d9f5a5611c2c9f419d9f"},
                      Vector{"EightyDigits", CALG_MD5, kDigits80, "57edf4a22be3c955ac49da2e2107b67a"}),
                         VectorName);

INSTANTIATE_TEST_SUITE_P(
    Sha1Fips180, DigestVectorTest,
    ::testing::Values(Vector{"Empty", CALG_SHA1, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
                      Vector{"Abc", CALG_SHA1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
                      Vector{"TwoBlocks", CALG_SHA1, "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                             "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
                      Vector{"MillionA", CALG_SHA1, std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"}),
                         VectorName);

INSTANTIATE_TEST_SUITE_P(Md4Rfc1320, DigestVectorTest,
                         ::testing::Values(Vector{"Empty", CALG_MD4, "", "31d6cfe0d16ae931b73c59d7e0c089c0"},
                                           Vector{"Abc", CALG_MD4, "abc", "a448017aaf21d8525fc10ae87aa6729d"},
                                           Vector{"MessageDigest", CALG_MD4, "message digest", "d9130a8164549fe818874806e1c7014b"}),
                         VectorName);

INSTANTIATE_TEST_SUITE_P(Md2Rfc1319, DigestVectorTest,
                         ::testing::Values(Vector{"Empty", CALG_MD2, "", "8350e5a3e24c153df2275c9f80692773"},
                                           Vector{"Abc", CALG_MD2, "abc", "da853b0d3f88d99b30283a69e6ded6bb"},
                                           Vector{"MessageDigest", CALG_MD2, "message digest", "ab4f496bfb2a530b219ff33031fe06b0"}),
                         VectorName);

TEST(DigestTest, ShaIsSha1AndSizesFollowTheAlgorithm) {
  EXPECT_EQ(DigestBytes("abc", CALG_SHA), DigestBytes("abc", CALG_SHA1));
  EXPECT_EQ(DigestSize(CALG_MD2), 16u);
  EXPECT_EQ(DigestSize(CALG_MD4), 16u);
  EXPECT_EQ(DigestSize(CALG_MD5), 16u);
  EXPECT_EQ(DigestSize(CALG_SHA1), 20u);
  EXPECT_EQ(DigestSize(0x800C), 0u);
}

TEST(DigestTest, BytesAfterANulCount) {
  EXPECT_EQ(Hex(DigestBytes(std::string("a\0b", 3), CALG_MD5)), "70350f6027bce3713f6b76473084309b");
}

// --- Texts in the code page ------------------------------------------------

struct TextCase {
  const char* name;
  std::string text;
  std::string codePage;  // "-" for the project's code page
  ALG_ID algorithm;
  const char* digest;
};

class DigestStringTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(DigestStringTest, HashesTheTextInTheCodePage) {
  const TextCase& c = GetParam();
  std::string digest =
      c.codePage == "-" ? DigestString(c.text, c.algorithm) : DigestString(c.text, c.algorithm, c.codePage);
  EXPECT_EQ(Hex(digest), c.digest);
}

// The expected values are the digests of the bytes that iconv gives for the
// code page (printf ... | iconv -t cp1251 | md5sum).
INSTANTIATE_TEST_SUITE_P(
    Cases, DigestStringTest,
    ::testing::Values(
        TextCase{"CyrillicInTheProjectCodePage", "Привет, мир", "-", CALG_MD5, "e6b06e8194efdc7950d8cf54d550e6a5"},
        TextCase{"CyrillicInWindows1251", "Привет, мир", "windows-1251", CALG_MD5,
                 "e6b06e8194efdc7950d8cf54d550e6a5"},
        TextCase{"CodePageNameIgnoresCase", "Привет, мир", "WINDOWS-1251", CALG_MD5,
                 "e6b06e8194efdc7950d8cf54d550e6a5"},
        TextCase{"CyrillicSha1", "Привет, мир", "-", CALG_SHA1, "bc69ee0a48ea406387b1ca3d059918b59cb7d0f3"},
        TextCase{"Utf8CodePageKeepsTheText", "Привет, мир", "UTF-8", CALG_MD5, "464899b4b50fc966ad2753ca039e7378"},
        TextCase{"Utf8WithoutDash", "Привет, мир", "utf8", CALG_MD5, "464899b4b50fc966ad2753ca039e7378"},
        TextCase{"NotInTheCodePageKeepsItsBytes", "中文", "-", CALG_MD5, "a7bac2239fcdcb3a067903d8077c4a07"},
        TextCase{"NotUtf8KeepsItsBytes", "\xff\xfe", "-", CALG_MD5, "f3b25701fe362ec84616a93a45ce9998"},
        TextCase{"UnknownCodePageKeepsTheBytes", "Привет, мир", "no-such-charset", CALG_MD5,
                 "464899b4b50fc966ad2753ca039e7378"},
        TextCase{"EmptyText", "", "-", CALG_MD5, "d41d8cd98f00b204e9800998ecf8427e"}),
    [](const auto& info) { return std::string(info.param.name); });

// Puts the project's code page back after a test changed it.
class ScopedProjectEncoding {
 public:
  explicit ScopedProjectEncoding(std::string_view encoding) : m_old(ProjectEncoding()) {
    SetProjectEncoding(encoding);
  }
  ScopedProjectEncoding(const ScopedProjectEncoding&) = delete;
  ScopedProjectEncoding& operator=(const ScopedProjectEncoding&) = delete;
  ~ScopedProjectEncoding() { SetProjectEncoding(m_old); }

 private:
  std::string m_old;
};

TEST(DigestTest, TextFollowsTheProjectCodePage) {
  {
    ScopedProjectEncoding encoding("UTF-8");
    EXPECT_EQ(Hex(DigestString("Привет, мир", CALG_MD5)), "464899b4b50fc966ad2753ca039e7378");
  }
  {
    // "Привет, мир" in KOI8-R: printf ... | iconv -t koi8-r | md5sum
    ScopedProjectEncoding encoding("KOI8-R");
    EXPECT_EQ(Hex(DigestString("Привет, мир", CALG_MD5)), "add703f53bcfba320e1c39ea136ded42");
  }
}

// --- Files -----------------------------------------------------------------

class DigestFileTest : public ::testing::Test {
 protected:
  std::string Make(const std::string& name, const std::string& bytes) { return m_temp.Write(name, bytes); }

  testing::TempFolder m_temp{"digests_test"};
};

TEST_F(DigestFileTest, EqualsTheDigestOfTheContentAcrossReadPieces) {
  std::mt19937 random(1234);
  // Around the size of one read, and several of them.
  for (std::size_t size : {0u, 1u, 65535u, 65536u, 65537u, 300007u}) {
    SCOPED_TRACE(size);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    std::string path = Make("data.bin", bytes);
    for (ALG_ID algorithm : {CALG_MD5, CALG_SHA1}) EXPECT_EQ(DigestFile(path, algorithm), DigestBytes(bytes, algorithm));
  }
}

TEST_F(DigestFileTest, HashesTheFileBytesUnconverted) {
  // "Привет, мир" in windows-1251, and the same text in UTF-8.
  std::string cp1251 = Make("cp1251.txt", "\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0");
  std::string utf8 = Make("utf8.txt", "Привет, мир");
  EXPECT_EQ(Hex(DigestFile(cp1251, CALG_MD5)), "e6b06e8194efdc7950d8cf54d550e6a5");
  EXPECT_EQ(Hex(DigestFile(utf8, CALG_MD5)), "464899b4b50fc966ad2753ca039e7378");
}

TEST_F(DigestFileTest, UnreadableFileRaisesTheSystemError) {
  struct Case {
    std::string path;
    std::uint32_t code;
    const char* message;
  };
  const Case cases[] = {{m_temp.Path("missing.txt"), ENOENT, "System Error: 2\r\nNo such file or directory"},
                        {m_temp.Path().string(), EISDIR, "System Error: 21\r\nIs a directory"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    try {
      DigestFile(c.path, CALG_MD5);
      ADD_FAILURE() << "no error";
    } catch (const EOSError& error) {
      EXPECT_EQ(error.ErrorCode(), c.code);
      EXPECT_EQ(error.Message(), c.message);
      EXPECT_EQ(error.ClassName(), "EOSError");
    }
  }
}

// --- Errors ----------------------------------------------------------------

TEST(DigestTest, UnknownAlgorithmRaisesBadAlgorithm) {
  // 0x800C is SHA-256, which the base provider does not offer.
  for (ALG_ID algorithm : {0u, 0x8005u, 0x800Cu, 0x6601u}) {
    SCOPED_TRACE(algorithm);
    for (int call = 0; call < 3; ++call) {
      try {
        if (call == 0) DigestBytes("abc", algorithm);
        if (call == 1) DigestString("abc", algorithm);
        if (call == 2) DigestFile("/nonexistent/file", algorithm);
        ADD_FAILURE() << "no error from call " << call;
      } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), NTE_BAD_ALGID);
        EXPECT_EQ(error.Message(), "System Error: -2146893816\r\nInvalid algorithm specified");
      }
    }
  }
}

}  // namespace
}  // namespace halbrin
