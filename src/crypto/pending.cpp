// Placeholders until the cipher lands: plain banners, no encrypted forms.
#include <stdio.h>

#include "crypto/password.h"
#include "crypto/scramble.h"

int encryptPassword(const char *, const text *) {
  fputs("quillet2: crypt is not available in this build yet\n", stdout);
  return -1;
}
void autoDecryptPassword(text *) {}
void prepareBanners() {}
void decipherQueryTemplate(int, ub1 *buf) { buf[0] = 0; }
const text *bannerLine(int which) {
  static const text lines[2][64] = {"quillet2: Oracle data unloader", "(development build)"};
  return lines[which != 0];
}
void doUncrackFile(const text *, const ub1 *) {
  fputs("quillet2: uncrack is not available in this build yet\n", stdout);
}
// The output writer needs the word operation itself; until the scrambling
// code lands, this is it: words with at least one byte after them are XORed.
int doCrackBuffer(ub1 *buf, int len, const ub1 *key) {
  if (key[0] == 0) return len;
  if (len < 9) return 0;
  int n = 8 * ((len - 1) / 8);
  for (int i = 0; i < n; ++i) buf[i] ^= key[i % 8];
  return n;
}
