// Output file names, opening, and progress messages.
#ifndef QUILLET2_UNLOAD_OUTFILE_H
#define QUILLET2_UNLOAD_OUTFILE_H

#include <stdio.h>

#include "db/database.h"

// Expands the placeholders of fname into tempbuf (tempsize bytes, zeroed by
// the caller) and opens the file: "ab+" for a leading '+', else "wb+".
// batch is the %B piece number, slaveid the %P worker number.
// Returns the stream, or null when it cannot be opened (or the name is empty).
FILE *openFile(const text *fname, text *tempbuf, size_t tempsize, int batch, int slaveid);

// Sends the progress line for row rows and sizemb megabytes to db's callback.
void printRowInfo(DATABASE *db, unsigned long long row, float sizemb);

#endif  // QUILLET2_UNLOAD_OUTFILE_H
