#include "unload/outstream.h"

#include <assert.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "crypto/scramble.h"
#include "unload/outfile.h"

namespace {

constexpr float BYTES_TO_MB = 1.0f / 1048576;
static_assert(MAX_THREADS <= MAX_COMPRESS_THREADS, "threads= must not ask for more workers than a stream takes");

void reportCannotWrite(DATABASE *db, const text *name) {
  reportMessage(db, "ERROR -- Cannot write to file : %s\n", reinterpret_cast<const char *>(name));
  db->return_code = 6;
}

void reportClosed(OUTSTREAM *out, DATABASE *db) {
  reportMessage(db, "         output file %s closed at %llu rows, size %.0f MB.\n",
         reinterpret_cast<const char *>(out->tempbuf), out->trows, static_cast<double>(out->writemb));
}

// A write to the data stream failed: status 2, and the reason the first time.
void reportWriteFailed(OUTSTREAM *out, DATABASE *db, const char *why) {
  if (db->return_code != 2) {
    const char *name = out->isstdout ? "-" : reinterpret_cast<const char *>(out->tempbuf);
    reportMessage(db, "ERROR -- Cannot write to file : %s: %s\n", name, why);
  }
  db->return_code = 2;
}

// Writes n bytes of the buffer to the data stream. 0, or -1 with status 2.
int writeOut(OUTSTREAM *out, DATABASE *db, const ub1 *buf, size_t n) {
  if (n == 0) return 0;
  if (out->zip != nullptr) {
    if (compressorWrite(out->zip, buf, n) != 0) {
      reportWriteFailed(out, db, compressorError(out->zip));
      return -1;
    }
  } else if (fwrite(buf, n, 1, out->isstdout ? stdout : out->fp) != 1) {
    reportWriteFailed(out, db, strerror(errno));
    return -1;
  }
  out->writemb += static_cast<float>(n) * BYTES_TO_MB;
  return 0;
}

void blank(OUTSTREAM *out) {
  memset(out->iobuf, ' ', IOBUF_SIZE);
  out->iopos = 0;
}

// Closes the LOB side file of the current piece, deleting it when empty.
void closeLobFile(OUTSTREAM *out) {
  if (out->lobfp == nullptr) return;
  off_t size = ftello(out->lobfp);
  fclose(out->lobfp);
  out->lobfp = nullptr;
  if (size == 0) unlink(reinterpret_cast<const char *>(out->lobinfo));
}

// Closes the data stream of the current piece. 0, or -1 when the close found
// a failed write (status 2).
int closeDataFile(OUTSTREAM *out, DATABASE *db) {
  bool ok = true;
  if (out->zip != nullptr) {
    if (finishCompressor(out->zip) != 0) {
      reportWriteFailed(out, db, compressorError(out->zip));
      ok = false;
    }
    freeCompressor(out->zip);
    out->zip = nullptr;
  }
  bool closed = true;
  if (out->fp != nullptr) {
    closed = fclose(out->fp) == 0;
    out->fp = nullptr;
  } else if (out->isstdout) {
    closed = fflush(stdout) == 0;
  }
  if (!closed) reportWriteFailed(out, db, strerror(errno));
  return ok && closed ? 0 : -1;
}

// Opens the streams of piece out->bcount. On failure reports, sets status 6
// and closes whatever this call opened.
int openPiece(OUTSTREAM *out, DATABASE *db) {
  if (!out->isstdout) {
    memset(out->tempbuf, 0, sizeof out->tempbuf);
    out->fp = openFile(out->fname, out->tempbuf, sizeof out->tempbuf, out->bcount, out->slaveid);
    if (out->fp == nullptr) {
      reportCannotWrite(db, out->tempbuf);
      return -1;
    }
  }
  if (out->lobfname[0] != '\0') {
    memset(out->lobinfo, 0, sizeof out->lobinfo);
    out->lobfp = openFile(out->lobfname, out->lobinfo, sizeof out->lobinfo, out->bcount, out->slaveid);
    if (out->lobfp == nullptr) {
      reportCannotWrite(db, out->lobinfo);
      if (out->fp != nullptr) fclose(out->fp);
      out->fp = nullptr;
      return -1;
    }
    // An appended file reports position 0 until its first write; the LLS
    // offsets count from its real end.
    fseeko(out->lobfp, 0, SEEK_END);
  }
  if (out->codec != Codec::none) {
    // The compressor writes to the descriptor; the stream is only closed.
    out->zip = openCompressor(fileno(out->fp), COMPRESSSETTINGS{out->codec, out->threads});
    if (out->zip == nullptr) {
      reportCannotWrite(db, out->tempbuf);
      fclose(out->fp);
      out->fp = nullptr;
      closeLobFile(out);
      return -1;
    }
  }
  return 0;
}

}  // namespace

Codec codecForName(const text *fname) {
  const char *name = reinterpret_cast<const char *>(fname);
  size_t n = strlen(name);
  auto endsIn = [&](const char *ending) {
    size_t k = strlen(ending);
    return n > k && strcasecmp(name + n - k, ending) == 0;
  };
  return endsIn(".gz") ? Codec::gzip : endsIn(".zst") ? Codec::zstd : Codec::none;
}

int openOutput(OUTSTREAM *out, DATABASE *db, const text *fname, const text *lobfname,
               int slaveid, const text *crackkey, int piecesize, int threads) {
  memset(out, 0, sizeof *out);
  out->fname = fname;
  out->lobfname = lobfname;
  out->slaveid = slaveid;
  out->crackkey = crackkey[0] != '\0' ? crackkey : nullptr;
  out->bcount = 1;
  out->piecesize = piecesize;
  out->splitmb = static_cast<float>(piecesize);
  out->isstdout = strcmp(reinterpret_cast<const char *>(fname), "-") == 0;
  out->codec = out->isstdout ? Codec::none : codecForName(fname);
  out->threads = threads;
  out->iobuf = static_cast<ub1 *>(malloc(IOBUF_SIZE));
  if (out->iobuf == nullptr) {
    reportCannotWrite(db, fname);
    return -1;
  }
  blank(out);
  if (openPiece(out, db) != 0) {
    free(out->iobuf);
    out->iobuf = nullptr;
    return -1;
  }
  return 0;
}

int flushIoBuffer(OUTSTREAM *out, DATABASE *db) {
  int n = out->iopos;
  int m = out->crackkey != nullptr ? doCrackBuffer(out->iobuf, n, out->crackkey) : n;
  if (writeOut(out, db, out->iobuf, static_cast<size_t>(m)) != 0) return -1;
  out->flushed += static_cast<unsigned long long>(m);
  if (m < n) {
    int tail = n - m;
    assert(tail <= CRACK_TAIL);
    memmove(out->iobuf, out->iobuf + m, static_cast<size_t>(tail));
    memset(out->iobuf + tail, ' ', static_cast<size_t>(IOBUF_SIZE - tail));
    out->iopos = tail;
  } else {
    blank(out);
  }
  return 0;
}

int finalFlush(OUTSTREAM *out, DATABASE *db) {
  int n = out->iopos;
  if (n == 0) return 0;
  if (out->crackkey != nullptr) doCrackBuffer(out->iobuf, n, out->crackkey);
  int rc = writeOut(out, db, out->iobuf, static_cast<size_t>(n));
  out->flushed += static_cast<unsigned long long>(n);
  blank(out);
  return rc;
}

int switchOutputPiece(OUTSTREAM *out, DATABASE *db) {
  if (finalFlush(out, db) != 0) return -1;
  reportClosed(out, db);
  int rc = closeDataFile(out, db);
  closeLobFile(out);
  if (rc != 0) return -1;
  out->bcount += 1;
  out->splitmb = static_cast<float>(out->bcount) * static_cast<float>(out->piecesize);
  out->trows = 0;
  return openPiece(out, db);
}

// Closes every stream and frees the buffer; a failed close sets status 2.
static void releaseOutput(OUTSTREAM *out, DATABASE *db) {
  if (out->iobuf == nullptr) return;
  closeDataFile(out, db);
  closeLobFile(out);
  free(out->iobuf);
  out->iobuf = nullptr;
}

void closeOutput(OUTSTREAM *out, DATABASE *db, unsigned int rowbatch) {
  if (finalFlush(out, db) != 0) {
    abortOutput(out, db, 0);
    return;
  }
  if (!out->isstdout) {
    if (out->trows % rowbatch != 0) printRowInfo(db, out->trows, out->writemb);
    reportClosed(out, db);
    if (db->fp_log != nullptr) fflush(db->fp_log);
  }
  releaseOutput(out, db);
}

void abortOutput(OUTSTREAM *out, DATABASE *db, int flush) {
  // The status that led here is the one the job reports.
  int status = db->return_code;
  if (out->iobuf != nullptr && flush) finalFlush(out, db);
  releaseOutput(out, db);
  db->return_code = status;
}
