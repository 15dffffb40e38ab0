#include "crypto/korvexdes3.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/process.h"

namespace {

void fromHex(const char *hex, unsigned char *out) {
  for (size_t i = 0; i < std::strlen(hex) / 2; i++)
    out[i] = static_cast<unsigned char>(std::stoi(std::string(hex + 2 * i, 2), nullptr, 16));
}

std::string encrypt3(const char *keyHex, const char *plainHex) {
  unsigned char key[24], block[8];
  fromHex(keyHex, key);
  fromHex(plainHex, block);
  DES3_KEYSCHED ks;
  korvex_DES3_Key_Setup(key, 24, &ks);
  korvex_DES3_encipher(block, block, &ks);
  return testsupport::hex(std::string(reinterpret_cast<char *>(block), 8));
}

struct Vector {
  const char *key, *plain, *cipher;
};

TEST(Des3, SingleDesKnownAnswersWithEqualKeys) {
  const Vector vectors[] = {
      {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
      {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
      {"0101010101010101", "95F8A5E5DD31D900", "8000000000000000"},
      {"0101010101010101", "0000000000000000", "8CA64DE9C1B123A7"},
  };
  for (const Vector &v : vectors) {
    std::string k = std::string(v.key) + v.key + v.key;
    EXPECT_EQ(encrypt3(k.c_str(), v.plain), v.cipher) << v.key;
  }
}

TEST(Des3, ThreeDistinctKeys) {
  // NIST SP 800-67 example: "The qufck brown fox jump" (sic) under three
  // keys, block by block.
  const char *keys = "0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123";
  EXPECT_EQ(encrypt3(keys, "5468652071756663"), "A826FD8CE53B855F");
  EXPECT_EQ(encrypt3(keys, "6B2062726F776E20"), "CCE21C8112256FE6");
  EXPECT_EQ(encrypt3(keys, "666F78206A756D70"), "68D5C05DD9B6B900");
}

}  // namespace
