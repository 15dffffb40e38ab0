// Output file names, opening, and progress messages.
#ifndef QUILLET2_UNLOAD_OUTFILE_H
#define QUILLET2_UNLOAD_OUTFILE_H

#include <stdio.h>

#include "oracle/database.h"

// Expands the placeholders of pattern (%B piece, %P worker, %Y %M %D %W %T
// date and time) into out, cut to outsize - 1 bytes and terminated.
// Returns the length written. REQUIRES: outsize >= 1.
size_t expandFileName(const text *pattern, text *out, size_t outsize, int batch, int slaveid);

// Expands fname into tempbuf (tempsize bytes) and opens the file: "ab+" for a
// leading '+', else "wb+". Returns the stream, or null when it cannot be
// opened (an empty name never opens).
FILE *openFile(const text *fname, text *tempbuf, size_t tempsize, int batch, int slaveid);

// Sends the progress line for row rows and sizemb megabytes to db's callback.
void printRowInfo(DATABASE *db, unsigned long long row, float sizemb);

#endif  // QUILLET2_UNLOAD_OUTFILE_H
