// SHA-256 (FIPS 180-4), streamed: the digest that lets a reader check a
// written file without the program.
#ifndef QUILLET2_CRYPTO_SHA256_H
#define QUILLET2_CRYPTO_SHA256_H

#include <stddef.h>
#include <stdint.h>

#include <span>
#include <string>

constexpr size_t SHA256_BLOCK_SIZE = 64;
constexpr size_t SHA256_DIGEST_SIZE = 32;

struct SHA256 {
  uint32_t state[8];
  uint64_t length;                    // bytes taken so far
  uint8_t block[SHA256_BLOCK_SIZE];   // the partial block
  size_t used;                        // bytes in block
};

void sha256Start(SHA256 *h);
void sha256Add(SHA256 *h, std::span<const uint8_t> data);
// The digest as 64 lower-case hex digits; h is spent.
std::string sha256Finish(SHA256 *h);

#endif  // QUILLET2_CRYPTO_SHA256_H
