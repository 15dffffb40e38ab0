#include "crypto/scramble.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

constexpr int WORD = 8;  // bytes of the key that take part
// Reader chunk: a multiple of the word, so chunk boundaries are word boundaries.
constexpr size_t UNCRACK_CHUNK = 16384;
static_assert(UNCRACK_CHUNK % WORD == 0);

// XORs bytes 0 .. n-1 of buf with the key word. REQUIRES: n is a multiple of 8.
void xorWords(ub1 *buf, size_t n, const ub1 *key) {
  uint64_t k;
  memcpy(&k, key, WORD);
  for (size_t i = 0; i < n; i += WORD) {
    uint64_t w;
    memcpy(&w, buf + i, WORD);
    w ^= k;
    memcpy(buf + i, &w, WORD);
  }
}

// Bytes in the words of a len-byte buffer that have at least one byte after them.
size_t leadingWords(size_t len) { return len <= WORD ? 0 : WORD * ((len - 1) / WORD); }

// True when f has no more bytes, without losing the next one.
bool atEnd(FILE *f) {
  int c = getc(f);
  if (c == EOF) return true;
  ungetc(c, f);
  return false;
}

}  // namespace

int doCrackBuffer(ub1 *buf, int len, const ub1 *key) {
  if (key[0] == 0) return len;
  if (len <= WORD) return 0;
  size_t n = leadingWords(static_cast<size_t>(len));
  xorWords(buf, n, key);
  return static_cast<int>(n);
}

int doUncrackBuffer(ub1 *buf, int len, const ub1 *key) { return doCrackBuffer(buf, len, key); }

bool doUncrackFile(const text *fname, const ub1 *key) {
  const bool fromStdin = fname[0] == '-';
  FILE *in = fromStdin ? stdin : fopen(reinterpret_cast<const char *>(fname), "rb");
  if (in == nullptr) return false;
  static ub1 chunk[UNCRACK_CHUNK];
  for (;;) {
    size_t got = fread(chunk, 1, sizeof chunk, in);
    if (got == 0) break;
    const bool last = got < sizeof chunk || atEnd(in);
    if (key[0] != 0) {
      // A chunk followed by more data is restored whole; the last one keeps
      // its final 1 to 8 bytes, which the writer leaves plain.
      xorWords(chunk, last ? leadingWords(got) : got, key);
    }
    fwrite(chunk, 1, got, stdout);
    fflush(stdout);
    if (last) break;
  }
  const bool read = ferror(in) == 0;
  const int err = errno;
  if (!fromStdin) fclose(in);
  errno = err;
  return read;
}
