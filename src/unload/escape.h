// Field escaping and byte translation.
#ifndef QUILLET2_UNLOAD_ESCAPE_H
#define QUILLET2_UNLOAD_ESCAPE_H

// 1 when bhead, btail form a double-byte (GBK/GB2312/Big5) pair.
int isChinese(unsigned char bhead, unsigned char btail);

// Escape characters copyBufferEscape inserts for the same input. pairs: when 0
// no double-byte pair is skipped (UTF-8 and single-byte sets); when 1 pairs
// are copied unescaped (double-byte sets).
int countBufferEscape(const unsigned char *srcbuf, int len, unsigned char escape,
                      const unsigned char *escchars, int esclen, int pairs);

// Copies srcbuf to dstbuf inserting escapes; returns the bytes written.
// REQUIRES: dstbuf has room for len + countBufferEscape(...) bytes.
int copyBufferEscape(unsigned char *dstbuf, const unsigned char *srcbuf, int len,
                     unsigned char escape, const unsigned char *escchars,
                     const unsigned char *escdchars, int esclen, int pairs);

// Translates buf in place by the pairs of sedf/sedt.
void replaceBuffer(unsigned char *buf, int buflen, const unsigned char *sedf,
                   const unsigned char *sedt);

#endif  // QUILLET2_UNLOAD_ESCAPE_H
