// Field escaping and byte translation.
#ifndef QUILLET2_BYTES_ESCAPE_H
#define QUILLET2_BYTES_ESCAPE_H

// 1 when bhead, btail form a double-byte (GBK/GB2312/Big5) pair.
int isChinese(unsigned char bhead, unsigned char btail);

// Escape characters copyBufferEscape inserts for the same input (0 when
// len < 1). The escape byte is doubled; escchars[k] (k < esclen, at most 20
// pairs are used) becomes escape + escdchars[k]. pairs: when 0 no double-byte
// pair is skipped (UTF-8 and single-byte sets); when 1 a lead byte 0x81-0xFE
// and its trail byte are copied unescaped (double-byte sets).
// REQUIRES: escchars has esclen bytes.
int countBufferEscape(const unsigned char *srcbuf, int len, unsigned char escape,
                      const unsigned char *escchars, int esclen, int pairs);

// Copies srcbuf to dstbuf inserting escapes; returns the bytes written, always
// len + countBufferEscape() of the same arguments.
// REQUIRES: dstbuf has room for len + countBufferEscape(...) bytes (2 * len
// always suffices); escchars and escdchars have esclen bytes.
int copyBufferEscape(unsigned char *dstbuf, const unsigned char *srcbuf, int len,
                     unsigned char escape, const unsigned char *escchars,
                     const unsigned char *escdchars, int esclen, int pairs);

// Most escape pairs in force: further list entries are ignored.
constexpr int MAX_ESCAPE_PAIRS = 20;

// An escaping rule prepared once for many values (the arguments of
// copyBufferEscape): for every byte, whether the walk stops at it and what
// follows the escape byte when it is escaped.
struct ESCAPESET {
  unsigned char escape;
  int pairs;
  unsigned char stop[256];     // 1: escaped, or (with pairs) a possible lead byte
  unsigned char escaped[256];  // 1: escaped when not part of a pair
  unsigned char to[256];       // the byte written after the escape byte
  int count;                   // the distinct escaped bytes, in wanted[]
  unsigned char wanted[MAX_ESCAPE_PAIRS + 1];
  // wanted[k] sets bit k % 8 (k % 7 with pairs, whose bit 7 marks the bytes
  // from 0x80 up) in the entries of its low and high nibble. A byte whose two
  // entries share a bit may be a stop; one whose entries share none is not.
  unsigned char lonib[16];
  unsigned char hinib[16];
};

// Prepares set from the arguments copyBufferEscape takes (escdchars may be
// null: every listed byte follows the escape byte as it is).
// REQUIRES: escchars (and escdchars when not null) have esclen bytes.
void prepareEscapeSet(ESCAPESET *set, unsigned char escape, const unsigned char *escchars,
                      const unsigned char *escdchars, int esclen, int pairs);

// countBufferEscape and copyBufferEscape with a prepared rule.
int countEscapes(const ESCAPESET *set, const unsigned char *srcbuf, int len);
int copyEscaped(const ESCAPESET *set, unsigned char *dstbuf, const unsigned char *srcbuf, int len);

// Translates buf in place: a byte equal to sedf[k] becomes sedt[k], for the
// pairs before the first index (at most 10) where both hold the same byte.
// REQUIRES: sedf and sedt have 10 bytes, or agree at an earlier index.
void replaceBuffer(unsigned char *buf, int buflen, const unsigned char *sedf,
                   const unsigned char *sedt);

#endif  // QUILLET2_BYTES_ESCAPE_H
