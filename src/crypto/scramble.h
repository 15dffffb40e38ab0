// XOR scrambling of output content with an 8-byte key word.
#ifndef QUILLET2_CRYPTO_SCRAMBLE_H
#define QUILLET2_CRYPTO_SCRAMBLE_H

#include <oci.h>

// Scrambles the leading words of buf that have at least one byte after them;
// returns how many leading bytes are final (len for an empty key, 0 below 9).
// REQUIRES: key has at least 8 bytes.
int doCrackBuffer(ub1 *buf, int len, const ub1 *key);
int doUncrackBuffer(ub1 *buf, int len, const ub1 *key);

// Writes the unscrambled content of fname ("-..." = stdin) to stdout.
// False, with errno set, when the file cannot be opened or read.
bool doUncrackFile(const text *fname, const ub1 *key);

#endif  // QUILLET2_CRYPTO_SCRAMBLE_H
