// Output file names, opening, and progress messages.
#ifndef QUILLET2_UNLOAD_OUTFILE_H
#define QUILLET2_UNLOAD_OUTFILE_H

#include <stdio.h>

#include "base/limits.h"
#include "oracle/database.h"

// Where and how one job's rows are written: file names, pieces, progress,
// compression and scrambling.
struct OUTPUTSPEC {
  text fname[256] = "qletdata_%p.txt";  // file=: data file pattern; "-" is standard output
  text lobfname[256] = "";      // lobfile=: LOB side file pattern; "" = LOB values inline
  int batch = 0;                // batch=: non-zero starts a new piece after every progress line
  int piece = MAX_PIECE_MB;     // size=: megabytes per piece; default no limit
  unsigned int rows = 1000000;  // rows=: rows between progress lines
  text crackkey[32] = "";       // crack=: 8-byte scrambling key; "" = plain output
  int threads = 0;              // threads=: compression workers per stream; 0 = every core
};

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
