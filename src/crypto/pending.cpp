// Placeholders until the cipher lands: plain banners, no encrypted forms.
#include <stdio.h>

#include "crypto/password.h"

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
