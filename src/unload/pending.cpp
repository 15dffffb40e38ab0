// Placeholders until escaping and internal-value conversion land, so the row
// writer links: values are copied unescaped and untranslated, and internal
// NUMBER and DATE values come out empty.
#include <string.h>

#include "unload/escape.h"
#include "unload/numconv.h"

int isChinese(unsigned char, unsigned char) { return 0; }
int countBufferEscape(const unsigned char *, int, unsigned char, const unsigned char *, int, int) {
  return 0;
}
int copyBufferEscape(unsigned char *dstbuf, const unsigned char *srcbuf, int len, unsigned char,
                     const unsigned char *, const unsigned char *, int, int) {
  memcpy(dstbuf, srcbuf, static_cast<size_t>(len));
  return len;
}
void replaceBuffer(unsigned char *, int, const unsigned char *, const unsigned char *) {}
ub2 testNUMBER(ub1 *, const ub1 *, ub2) { return 0; }
ub2 testTIMESTAMP(ub1 *, const ub1 *, ub2) { return 0; }
