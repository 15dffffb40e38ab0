// Oracle's internal NUMBER and DATE bytes to text.
#ifndef QUILLET2_BYTES_NUMCONV_H
#define QUILLET2_BYTES_NUMCONV_H

#include <oci.h>

// Room the callers give the text of one converted value.
constexpr int NUMBUF_SIZE = 256;

// Writes the text of the internal NUMBER buf (len bytes) to numbuf, returns its
// length (0 for len 0). No terminator. REQUIRES: numbuf has NUMBUF_SIZE bytes.
ub2 testNUMBER(ub1 *numbuf, const ub1 *buf, ub2 len);

// Writes the text of an internal DATE (7 bytes) or TIMESTAMP (11 or 13 bytes);
// returns its length, 0 (nothing written) for any other length.
// REQUIRES: datebuf has NUMBUF_SIZE bytes.
ub2 testTIMESTAMP(ub1 *datebuf, const ub1 *buf, ub2 len);

#endif  // QUILLET2_BYTES_NUMCONV_H
