#include "crypto/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string digest(const std::string &s, size_t chunk) {
  SHA256 h;
  sha256Start(&h);
  for (size_t at = 0; at < s.size(); at += chunk)
    sha256Add(&h, std::span<const uint8_t>(reinterpret_cast<const uint8_t *>(s.data()) + at,
                                           std::min(chunk, s.size() - at)));
  return sha256Finish(&h);
}

struct Vector {
  std::string message;
  const char *digest;
};

// The FIPS 180-4 examples and the padding edges around one block.
TEST(Sha256, KnownDigestsInAnyChunking) {
  const Vector vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrs"
       "mnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Vector &v : vectors)
    for (size_t chunk : {size_t{1}, size_t{63}, size_t{64}, size_t{1000}})
      EXPECT_EQ(digest(v.message, chunk), v.digest) << v.message.size() << " bytes in chunks of " << chunk;
}

}  // namespace
