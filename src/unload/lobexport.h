// LOB export: LOB contents go to the side file, the record gets an LLS
// reference "name.offset.length/" in their place.
#ifndef QUILLET2_UNLOAD_LOBEXPORT_H
#define QUILLET2_UNLOAD_LOBEXPORT_H

#include <stdio.h>

#include <oci.h>

#include "oracle/rowcursor.h"

// Bytes of one LOB read through the stack buffer.
constexpr ub4 LOB_READ_SIZE = 32768;
// Room for a reference: a LOB file name of up to 255 bytes and two numbers.
constexpr size_t LOBVALUE_SIZE = 320;

// Appends the content of hlob to lobf and writes the reference into lobvalue
// (*lobvlen its length). lobfile is the expanded side file name; a leading
// '+' is not part of the reference. Open and read errors are reported by the
// cursor's error step; the reference then covers what was written. Returns
// the status of the last OCI call. REQUIRES: lobvalue has LOBVALUE_SIZE bytes.
sword readLobToLLS(ROWCURSOR *cursor, OCILobLocator *hlob, FILE *lobf, const text *lobfile,
                   text *lobvalue, int *lobvlen, ub1 csfm);

// The reference of a NULL LOB at the side file's current position (length
// -1). Returns its length. REQUIRES: lobvalue has LOBVALUE_SIZE bytes.
int nullLobReference(FILE *lobf, const text *lobfile, text *lobvalue);

#endif  // QUILLET2_UNLOAD_LOBEXPORT_H
