// LOB export: LOB contents go to the side file, the record gets an LLS
// reference "name.offset.length/" in their place.
//
// The side file is written straight to its descriptor, never through the
// stream's buffer, so a failed write is seen at the value it belongs to and
// a reference only ever claims bytes that are in the file.
#ifndef QUILLET2_UNLOAD_LOBEXPORT_H
#define QUILLET2_UNLOAD_LOBEXPORT_H

#include <stdio.h>
#include <sys/types.h>

#include <oci.h>

#include "base/status.h"
#include "oracle/rowcursor.h"

// Bytes of one LOB read through the stack buffer.
constexpr ub4 LOB_READ_SIZE = 32768;
// Room for a reference: a LOB file name of up to 255 bytes and two numbers.
constexpr size_t LOBVALUE_SIZE = 320;

// Where the next value of the side file lobf begins; -1 (errno set) when
// the file has no position (a pipe).
off_t lobFilePosition(FILE *lobf);

// Appends the content of hlob to lobf and writes the reference into lobvalue
// (*lobvlen its length). lobfile is the expanded side file name; a leading
// '+' is not part of the reference. Returns Done; Fetch when the LOB could
// not be opened or read (the cursor's error step has reported it); Write
// when the side file could not be written (*err its errno). On failure no
// reference is made. REQUIRES: lobvalue has LOBVALUE_SIZE bytes.
JobStatus readLobToLLS(ROWCURSOR *cursor, OCILobLocator *hlob, FILE *lobf, const text *lobfile,
                       text *lobvalue, int *lobvlen, ub1 csfm, int *err);

// The reference of a NULL LOB at the side file's current position (length
// -1). Returns its length. REQUIRES: lobvalue has LOBVALUE_SIZE bytes.
int nullLobReference(FILE *lobf, const text *lobfile, text *lobvalue);

// Appends n bytes to lobf. Returns 0 or errno.
int appendToLobFile(FILE *lobf, const void *buf, size_t n);

// A value that failed: a regular side file goes back to length start, so
// that it holds only whole values.
void cutLobFileBack(FILE *lobf, off_t start);

#endif  // QUILLET2_UNLOAD_LOBEXPORT_H
