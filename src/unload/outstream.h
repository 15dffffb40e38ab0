// The output side of one unload: the 4 MiB I/O buffer, the data file (plain,
// gzip, zstd or standard output), the LOB side file, scrambling on the way out,
// pieces, and the progress and closing messages.
#ifndef QUILLET2_UNLOAD_OUTSTREAM_H
#define QUILLET2_UNLOAD_OUTSTREAM_H

#include <stdio.h>

#include "base/status.h"
#include "compress/compressor.h"
#include "oracle/database.h"
#include "unload/rowwriter.h"
#include "unload/safefile.h"

// Expanded name buffers of the data file and of the LOB side file.
constexpr size_t DATA_NAME_SIZE = 512;
constexpr size_t LOB_NAME_SIZE = 256;
// A scrambled flush keeps up to 8 unscrambled bytes at the buffer's front.
constexpr int CRACK_TAIL = 8;

struct OUTSTREAM {
  ub1 *iobuf;          // IOBUF_SIZE bytes; every byte at or after iopos is a blank
  int iopos;
  unsigned long long flushed;  // bytes handed to the data stream so far
  DATABASE *db;        // the session whose sink takes the error lines
  FILE *fp;            // data file (datafile.fp); null for standard output
  COMPRESSOR *zip;     // compressed stream over fp's descriptor, null when plain
  FILE *lobfp;         // LOB side file (lobfile.fp), null when none
  SAFEFILE datafile;   // how the data file is written and committed
  SAFEFILE lobfile;
  SAFEFILE firstdata;  // piece 1's files as opened: an appended file that
  SAFEFILE firstlob;   // every piece shares is cut back to its start
  int isstdout;
  Codec codec;         // compression the data file name asks for
  int threads;         // compression worker threads, 0 = every core
  int writefailed;     // 1 once a write failed (reported once)
  text tempbuf[DATA_NAME_SIZE];  // expanded data file name
  text lobinfo[LOB_NAME_SIZE];   // expanded LOB file name
  const text *fname;   // patterns, kept for the next piece
  const text *lobfname;
  int slaveid;
  const ub1 *crackkey;  // 8-byte scrambling key, null when off
  int bcount;           // current piece, from 1
  unsigned long long trows;  // rows in the current piece
  unsigned long long donerows;  // rows in the pieces before it
  float writemb;        // megabytes written over all pieces
  int piecesize;        // MB per piece; 0 for no limit
  unsigned long long piecestart;  // flushed at the start of the current piece
};

// Bytes of the current piece, written or still in the buffer, before
// compression.
inline unsigned long long pieceBytes(const OUTSTREAM *out) {
  return out->flushed + static_cast<unsigned long long>(out->iopos) - out->piecestart;
}

// True when the current piece has reached its size (never without a limit).
inline bool pieceFull(const OUTSTREAM *out) {
  return out->piecesize > 0 &&
         pieceBytes(out) >= static_cast<unsigned long long>(out->piecesize) * 1048576ULL;
}

// The compression a data file pattern asks for: gzip when it ends in ".gz",
// zstd when it ends in ".zst" (any case), when the pattern is longer than the
// ending; else none.
Codec codecForName(const text *fname);

// Allocates the blanked buffer and opens piece 1: the data file (or standard
// output for "-"), the LOB side file when lobfname is not empty, and the
// compressed stream. Returns Done; on failure reports "ERROR -- Cannot write
// to file : %s", returns Open and leaves nothing open or allocated.
// crackkey: scrambling key (ignored when its first byte is 0); threads:
// compression worker threads (0 = every core). A failed write is later
// reported to db's sink as "ERROR -- Cannot write to file : NAME: REASON
// (at N rows)", once per unload.
JobStatus openOutput(OUTSTREAM *out, DATABASE *db, const text *fname, const text *lobfname,
               int slaveid, const text *crackkey, int piecesize, int threads);

// Mid-stream flush: writes the buffer (with scrambling, all but its last 1 to
// 8 bytes, which move to the front). Done, Write, or the status of SIGINT or
// SIGTERM when one came.
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

// Closes the current piece (final flush, files committed under their final
// names, closing message, LOB file deleted when empty) and opens the next. Done, Write or Open (then nothing stays
// open).
JobStatus switchOutputPiece(OUTSTREAM *out, DATABASE *db);

// End of data: final flush, the progress line (unless trows is a multiple of
// rowbatch), the closing message, and every stream closed; frees the buffer.
// On a write failure returns Write, and the streams are closed all the same.
JobStatus closeOutput(OUTSTREAM *out, DATABASE *db, unsigned int rowbatch);

// Error path: writes the buffer out first when flush is set, then closes
// every stream without committing it (a compressed file gets its end): a new
// file is kept as NAME.partial, an appended one cut back to its length before
// this run (each said in an error line); frees the buffer.
void abortOutput(OUTSTREAM *out, int flush);

#endif  // QUILLET2_UNLOAD_OUTSTREAM_H
