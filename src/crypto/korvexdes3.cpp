// DES in the classic schedule/round layout: subkeys pre-arranged into the
// 6-bit groups the round consumes, S-boxes merged with P into lookup tables,
// and both halves kept rotated left by one bit during the rounds.
#include "crypto/korvexdes3.h"

#include <array>

namespace {

constexpr int DES_ROUNDS = 16;
constexpr int DES_KEY_BYTES = 8;

// FIPS 46-3 tables, 1-based as printed in the standard.
constexpr unsigned char PC1[56] = {
    57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18, 10, 2,  59, 51, 43,
    35, 27, 19, 11, 3,  60, 52, 44, 36, 63, 55, 47, 39, 31, 23, 15, 7,  62, 54,
    46, 38, 30, 22, 14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};
constexpr unsigned char PC2[48] = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,
    26, 8,  16, 7,  27, 20, 13, 2,  41, 52, 31, 37, 47, 55, 30, 40,
    51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};
constexpr unsigned char SHIFTS[DES_ROUNDS] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};
constexpr unsigned char P[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                 2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};
constexpr unsigned char SBOX[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,  0, 15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5,  3,  8,  4,  1,  14, 8,  13, 6, 2, 11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0, 6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7,  2,  13, 12, 0, 5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9,  11, 5,  0,  14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1,  3,  15, 4,  2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6,  3,  15, 5,  1,  13, 12, 7,  11, 4,  2, 8,  13, 7,  0,  9, 3,  4,
     6,  10, 2,  8,  5,  14, 12, 11, 15, 1,  13, 6,  4,  9,  8, 15, 3,  0,  11, 1, 2,  12,
     5,  10, 14, 7,  1,  10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2,  8,  5,  11, 12, 4,  15, 13, 8,  11, 5, 6,  15,
     0,  3,  4,  7,  2,  12, 1,  10, 14, 9,  10, 6,  9,  0,  12, 11, 7,  13, 15, 1, 3,  14,
     5,  2,  8,  4,  3,  15, 0,  6,  10, 1,  13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0, 14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5,  0,  15, 10, 3,  9,  8,  6,  4,  2,  1,  11, 10, 13, 7, 8,  15, 9,  12, 5,
     6,  3,  0,  14, 11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11, 10, 15, 4, 2,  7,  12,
     9,  5,  6,  1,  13, 14, 0,  11, 3,  8,  9,  14, 15, 5,  2,  8,  12, 3, 7,  0,  4,  10,
     1,  13, 11, 6,  4,  3,  2,  12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0, 8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3,  12, 9,  7,  5,  10, 6,  1, 13, 0,  11, 7, 4,  9,
     1,  10, 14, 3,  5,  12, 2,  15, 8,  6,  1,  4,  11, 13, 12, 3, 7,  14, 10, 15, 6,  8,
     0,  5,  9,  2,  6,  11, 13, 8,  1,  4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7, 1,  15, 13, 8, 10, 3,
     7,  4,  12, 5,  6,  11, 0,  14, 9,  2,  7,  11, 4,  1,  9,  12, 14, 2, 0,  6,  10, 13,
     15, 3,  5,  8,  2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5, 6,  11}};

// Byte bits, most significant first, and the 24 bits of a half subkey.
constexpr unsigned char BYTEBIT[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
constexpr std::uint32_t bigbyte(int j) { return 0x800000u >> j; }

constexpr std::uint32_t rotl(std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }
constexpr std::uint32_t rotr(std::uint32_t v, int n) { return (v >> n) | (v << (32 - n)); }

// Left-rotation count of each round: running sum of SHIFTS.
constexpr std::array<unsigned char, DES_ROUNDS> TOTROT = [] {
  std::array<unsigned char, DES_ROUNDS> t{};
  int sum = 0;
  for (int i = 0; i < DES_ROUNDS; i++) t[i] = static_cast<unsigned char>(sum += SHIFTS[i]);
  return t;
}();
static_assert(TOTROT[DES_ROUNDS - 1] == 28);

// SP[box][index]: S-box output (index = the 6 expanded bits, first bit
// highest) placed in its nibble, sent through P, then rotated left by one.
using SpTables = std::array<std::array<std::uint32_t, 64>, 8>;
constexpr SpTables SP = [] {
  SpTables sp{};
  for (int box = 0; box < 8; box++) {
    for (int idx = 0; idx < 64; idx++) {
      int row = ((idx >> 4) & 2) | (idx & 1);
      int col = (idx >> 1) & 0xf;
      std::uint32_t s = static_cast<std::uint32_t>(SBOX[box][row * 16 + col]) << (28 - 4 * box);
      std::uint32_t p = 0;
      for (int j = 0; j < 32; j++)
        if (s & (0x80000000u >> (P[j] - 1))) p |= 0x80000000u >> j;
      sp[box][idx] = rotl(p, 1);
    }
  }
  return sp;
}();

// Rearranges 16 raw subkey pairs into the 6-bit groups the round consumes.
void korvex_cookey(const std::uint32_t *raw, std::uint32_t *ks) {
  for (int i = 0; i < DES_ROUNDS; i++) {
    std::uint32_t r0 = raw[2 * i], r1 = raw[2 * i + 1];
    ks[2 * i] = ((r0 & 0x00fc0000u) << 6) | ((r0 & 0x00000fc0u) << 10) |
                ((r1 & 0x00fc0000u) >> 10) | ((r1 & 0x00000fc0u) >> 6);
    ks[2 * i + 1] = ((r0 & 0x0003f000u) << 12) | ((r0 & 0x0000003fu) << 16) |
                    ((r1 & 0x0003f000u) >> 4) | (r1 & 0x0000003fu);
  }
}

void korvex_scrunch(const unsigned char *outof, std::uint32_t *into) {
  for (int h = 0; h < 2; h++, outof += 4)
    into[h] = (std::uint32_t{outof[0]} << 24) | (std::uint32_t{outof[1]} << 16) |
              (std::uint32_t{outof[2]} << 8) | outof[3];
}

void korvex_unscrun(const std::uint32_t *outof, unsigned char *into) {
  for (int h = 0; h < 2; h++)
    for (int b = 0; b < 4; b++) *into++ = static_cast<unsigned char>(outof[h] >> (24 - 8 * b));
}

// Swaps the bits of a selected by mask<<shift with those of b selected by mask.
inline void swapBits(std::uint32_t &a, std::uint32_t &b, int shift, std::uint32_t mask) {
  std::uint32_t work = ((a >> shift) ^ b) & mask;
  b ^= work;
  a ^= work << shift;
}

// f of one round on the rotated half, XORed onto the other half.
inline void round(std::uint32_t &other, std::uint32_t half, const std::uint32_t *keys) {
  std::uint32_t work = rotr(half, 4) ^ keys[0];
  std::uint32_t fval = SP[6][work & 0x3f] | SP[4][(work >> 8) & 0x3f] |
                       SP[2][(work >> 16) & 0x3f] | SP[0][(work >> 24) & 0x3f];
  work = half ^ keys[1];
  fval |= SP[7][work & 0x3f] | SP[5][(work >> 8) & 0x3f] | SP[3][(work >> 16) & 0x3f] |
          SP[1][(work >> 24) & 0x3f];
  other ^= fval;
}

void des3Block(const unsigned char *in, unsigned char *out, const DES3_KEYSCHED *ks) {
  std::uint32_t block[2];
  korvex_scrunch(in, block);
  korvex_desfunc(block, ks->KnL);
  korvex_desfunc(block, ks->KnR);
  korvex_desfunc(block, ks->Kn3);
  korvex_unscrun(block, out);
}

}  // namespace

void korvex_deskey(const unsigned char *key, std::uint32_t *ks, int edf) {
  unsigned char pc1m[56], pcr[56];
  std::uint32_t raw[DES_SCHEDULE_WORDS];
  for (int j = 0; j < 56; j++) {
    int l = PC1[j] - 1;
    pc1m[j] = (key[l >> 3] & BYTEBIT[l & 7]) ? 1 : 0;
  }
  for (int i = 0; i < DES_ROUNDS; i++) {
    int m = edf == 1 ? 2 * (DES_ROUNDS - 1 - i) : 2 * i;
    for (int j = 0; j < 56; j++) {
      int base = j < 28 ? 0 : 28;
      pcr[j] = pc1m[base + (j - base + TOTROT[i]) % 28];
    }
    raw[m] = raw[m + 1] = 0;
    for (int j = 0; j < 24; j++) {
      if (pcr[PC2[j] - 1]) raw[m] |= bigbyte(j);
      if (pcr[PC2[j + 24] - 1]) raw[m + 1] |= bigbyte(j);
    }
  }
  korvex_cookey(raw, ks);
}

void korvex_desfunc(std::uint32_t *block, const std::uint32_t *keys) {
  std::uint32_t leftt = block[0], right = block[1];
  // Initial permutation as masked swaps.
  swapBits(leftt, right, 4, 0x0f0f0f0fu);
  swapBits(leftt, right, 16, 0x0000ffffu);
  swapBits(right, leftt, 2, 0x33333333u);
  swapBits(right, leftt, 8, 0x00ff00ffu);
  right = rotl(right, 1);
  std::uint32_t work = (leftt ^ right) & 0xaaaaaaaau;
  leftt ^= work;
  right ^= work;
  leftt = rotl(leftt, 1);
  for (int r = 0; r < DES_ROUNDS / 2; r++, keys += 4) {
    round(leftt, right, keys);
    round(right, leftt, keys + 2);
  }
  // Final permutation: the inverse sequence.
  right = rotr(right, 1);
  work = (leftt ^ right) & 0xaaaaaaaau;
  leftt ^= work;
  right ^= work;
  leftt = rotr(leftt, 1);
  swapBits(leftt, right, 8, 0x00ff00ffu);
  swapBits(leftt, right, 2, 0x33333333u);
  swapBits(right, leftt, 16, 0x0000ffffu);
  swapBits(right, leftt, 4, 0x0f0f0f0fu);
  block[0] = right;
  block[1] = leftt;
}

void korvex_DES3_Key_Setup(const unsigned char *keyin, int, DES3_KEYSCHED *ks) {
  korvex_deskey(keyin, ks->KnL, 0);
  korvex_deskey(keyin + DES_KEY_BYTES, ks->KnR, 1);
  korvex_deskey(keyin + 2 * DES_KEY_BYTES, ks->Kn3, 0);
}

void korvex_DES3_Key_Unsetup(const unsigned char *keyin, int, DES3_KEYSCHED *ks) {
  korvex_deskey(keyin + 2 * DES_KEY_BYTES, ks->KnL, 1);
  korvex_deskey(keyin + DES_KEY_BYTES, ks->KnR, 0);
  korvex_deskey(keyin, ks->Kn3, 1);
}

void korvex_DES3_encipher(const unsigned char *in, unsigned char *out, const DES3_KEYSCHED *ks) {
  des3Block(in, out, ks);
}

void korvex_Ddes(const unsigned char *from, unsigned char *into, const DES3_KEYSCHED *ks) {
  korvex_DES3_encipher(from, into, ks);
}
