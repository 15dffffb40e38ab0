// The output side of one unload: the 4 MiB I/O buffer, the data file (plain,
// gzip or standard output), the LOB side file, scrambling on the way out,
// pieces, and the progress and closing messages.
#ifndef QUILLET2_UNLOAD_OUTSTREAM_H
#define QUILLET2_UNLOAD_OUTSTREAM_H

#include <stdio.h>
#include <zlib.h>

#include "base/status.h"
#include "oracle/database.h"
#include "unload/rowwriter.h"

// Expanded name buffers of the data file and of the LOB side file.
constexpr size_t DATA_NAME_SIZE = 512;
constexpr size_t LOB_NAME_SIZE = 256;
// A scrambled flush keeps up to 8 unscrambled bytes at the buffer's front.
constexpr int CRACK_TAIL = 8;

struct OUTSTREAM {
  ub1 *iobuf;          // IOBUF_SIZE bytes; every byte at or after iopos is a blank
  int iopos;
  unsigned long long flushed;  // bytes handed to the data stream so far
  FILE *fp;            // data file; null for standard output
  gzFile gz;           // gzip stream over fp's descriptor in gzipmode
  FILE *lobfp;         // LOB side file, null when none
  int isstdout;
  int gzipmode;
  text tempbuf[DATA_NAME_SIZE];  // expanded data file name
  text lobinfo[LOB_NAME_SIZE];   // expanded LOB file name
  const text *fname;   // patterns, kept for the next piece
  const text *lobfname;
  int slaveid;
  const ub1 *crackkey;  // 8-byte scrambling key, null when off
  int bcount;           // current piece, from 1
  unsigned long long trows;  // rows in the current piece
  float writemb;        // megabytes written over all pieces
  float splitmb;        // the current piece ends once writemb exceeds this
  int piecesize;        // MB per piece
};

// 1 when a data file pattern asks for gzip output (ends in ".gz", any case,
// and is at least 4 bytes long).
int isGzipName(const text *fname);

// Allocates the blanked buffer and opens piece 1: the data file (or standard
// output for "-"), the LOB side file when lobfname is not empty, and the gzip
// stream. Returns Done; on failure reports "ERROR -- Cannot write to file : %s",
// returns Open and leaves nothing open or allocated.
// crackkey: scrambling key (ignored when its first byte is 0).
JobStatus openOutput(OUTSTREAM *out, DATABASE *db, const text *fname, const text *lobfname,
               int slaveid, const text *crackkey, int piecesize);

// Mid-stream flush: writes the buffer (with scrambling, all but its last 1 to
// 8 bytes, which move to the front). Done or Write.
JobStatus flushIoBuffer(OUTSTREAM *out);

// Writes everything in the buffer (the last 1 to 8 bytes unscrambled) and
// blanks it. Done or Write.
JobStatus finalFlush(OUTSTREAM *out);

// Makes room for need more bytes: flushes when iopos + need reaches the end.
// Done or Write.
inline JobStatus ensureSpace(OUTSTREAM *out, size_t need) {
  if (static_cast<size_t>(out->iopos) + need < static_cast<size_t>(IOBUF_SIZE)) return JobStatus::Done;
  return flushIoBuffer(out);
}

// Closes the current piece (final flush, closing message, LOB file deleted
// when empty) and opens the next. Done, Write or Open (then nothing stays
// open).
JobStatus switchOutputPiece(OUTSTREAM *out, DATABASE *db);

// End of data: final flush, the progress line (unless trows is a multiple of
// rowbatch), the closing message, and every stream closed; frees the buffer.
// On a write failure returns Write, and the streams are closed all the same.
JobStatus closeOutput(OUTSTREAM *out, DATABASE *db, unsigned int rowbatch);

// Error path: closes every stream (a gzip file gets its trailer), deletes an
// empty LOB file and frees the buffer. flush: write the buffer out first.
void abortOutput(OUTSTREAM *out, int flush);

#endif  // QUILLET2_UNLOAD_OUTSTREAM_H
