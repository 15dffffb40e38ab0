// Triple DES (encrypt-decrypt-encrypt, three independent keys) over FIPS 46-3 DES.
// Per-block only: no chaining, IV or padding. All functions are pure.
#ifndef QUILLET2_CRYPTO_KORVEXDES3_H
#define QUILLET2_CRYPTO_KORVEXDES3_H

#include <cstdint>

// Words of one single-DES schedule: two per round, 16 rounds.
constexpr int DES_SCHEDULE_WORDS = 32;

// A triple-DES schedule: three single-DES schedules applied in order.
struct DES3_KEYSCHED {
  std::uint32_t KnL[DES_SCHEDULE_WORDS];
  std::uint32_t KnR[DES_SCHEDULE_WORDS];
  std::uint32_t Kn3[DES_SCHEDULE_WORDS];
};

// Builds the single-DES schedule of key into ks; edf 0 encrypts, 1 decrypts.
// Parity bits (low bit of each byte) are ignored.
// REQUIRES: key has 8 bytes; ks has DES_SCHEDULE_WORDS words.
void korvex_deskey(const unsigned char *key, std::uint32_t *ks, int edf);

// One DES operation on block (left, right halves) in place under keys.
void korvex_desfunc(std::uint32_t *block, const std::uint32_t *keys);

// Encryption schedule C = E(K3, D(K2, E(K1, P))) from keyin = K1 K2 K3.
// keybytes is unused: exactly 24 bytes are read.
void korvex_DES3_Key_Setup(const unsigned char *keyin, int keybytes, DES3_KEYSCHED *ks);
// The matching decryption schedule P = D(K1, E(K2, D(K3, C))).
void korvex_DES3_Key_Unsetup(const unsigned char *keyin, int keybytes, DES3_KEYSCHED *ks);

// Runs the 8-byte block in through ks into out (big-endian halves).
// in and out may be the same buffer.
void korvex_DES3_encipher(const unsigned char *in, unsigned char *out, const DES3_KEYSCHED *ks);
// Same operation as korvex_DES3_encipher.
void korvex_Ddes(const unsigned char *from, unsigned char *into, const DES3_KEYSCHED *ks);

#endif  // QUILLET2_CRYPTO_KORVEXDES3_H
