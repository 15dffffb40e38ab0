#include "unload/outstream.h"

#include <assert.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "crypto/scramble.h"
#include "unload/interrupt.h"
#include "unload/outfile.h"

namespace {

constexpr float BYTES_TO_MB = 1.0f / 1048576;
// Room for what became of an incomplete file ("kept as NAME.partial").
constexpr size_t NOTE_SIZE = SAFEFILE_NAME_SIZE + 32;

const char *S(const text *t) { return reinterpret_cast<const char *>(t); }

void reportCannotWrite(DATABASE *db, const text *name, int err) {
  reportFileError(db, "ERROR -- Cannot write to file : %s\n", S(name));
  if (err != 0) reportFileError(db, "ERROR -- %s: %s\n", S(name), strerror(err));
  db->return_code = 6;
}

// The name of the data stream in messages.
const char *dataName(const OUTSTREAM *out) {
  return out->isstdout ? "standard output" : S(out->tempbuf);
}

void reportWriteFailed(OUTSTREAM *out, DATABASE *db, const char *name, int err) {
  reportFileError(db, "ERROR -- Write to file %s failed at %llu rows: %s\n", name, out->trows,
                  err != 0 ? strerror(err) : "compression failed");
  db->return_code = 2;
}

void reportClosed(OUTSTREAM *out, DATABASE *db) {
  reportMessage(db, "         output file %s closed at %llu rows, size %.0f MB.\n",
         S(out->tempbuf), out->trows, static_cast<double>(out->writemb));
}

// Writes n bytes of the buffer to the data stream. 0, or -1 with status 2.
int writeOut(OUTSTREAM *out, DATABASE *db, const ub1 *buf, size_t n) {
  if (n == 0) return 0;
  bool ok;
  errno = 0;
  if (out->gzipmode) {
    int w = gzwrite(out->gz, buf, static_cast<unsigned>(n));
    ok = w == static_cast<int>(n);
    if (w > 0) out->writemb += static_cast<float>(w) * BYTES_TO_MB;
  } else {
    ok = fwrite(buf, n, 1, out->isstdout ? stdout : out->fp) == 1;
    if (ok) out->writemb += static_cast<float>(n) * BYTES_TO_MB;
  }
  if (!ok) {
    reportWriteFailed(out, db, dataName(out), errno);
    return -1;
  }
  return 0;
}

void blank(OUTSTREAM *out) {
  memset(out->iobuf, ' ', IOBUF_SIZE);
  out->iopos = 0;
}

// An appended file that every piece shares goes back to its length before
// piece 1 (the pieces before the current one were appended to it too).
void cutBackShared(const SAFEFILE *first, const char *name) {
  if (first->name[0] == '\0' || first->temp[0] != '\0' || strcmp(first->name, name) != 0) return;
  if (first->startlen >= 0) cutBackFile(first->name, first->created ? -1 : first->startlen);
}

// Closes one file of the piece: committed under its final name, or
// abandoned (and said so). 0, or -1 with status 2 when the commit failed.
int finishFile(SAFEFILE *f, const SAFEFILE *first, DATABASE *db, bool commit, bool removeEmpty,
               OUTSTREAM *out) {
  if (f->fp == nullptr) return 0;
  char note[NOTE_SIZE];
  char name[SAFEFILE_NAME_SIZE];
  snprintf(name, sizeof name, "%s", f->name);
  int err = 0;
  if (commit) {
    err = safeCommit(f, removeEmpty, note, sizeof note);
    if (err != 0) reportWriteFailed(out, db, name, err);
  } else {
    safeAbandon(f, note, sizeof note);
  }
  if (!commit || err != 0) {
    cutBackShared(first, name);
    reportIncomplete(db, name, note);
  }
  return err != 0 ? -1 : 0;
}

// Closes the LOB side file of the current piece; an empty one is removed.
int closeLobFile(OUTSTREAM *out, DATABASE *db, bool commit) {
  out->lobfp = nullptr;
  return finishFile(&out->lobfile, &out->firstlob, db, commit, true, out);
}

// Closes the data stream of the current piece: committed, or abandoned.
// 0, or -1 when a write or the commit failed (status 2).
int closeDataFile(OUTSTREAM *out, DATABASE *db, bool commit) {
  bool ok = true;
  int err = 0;
  if (out->gz != nullptr) {
    errno = 0;
    ok = gzclose(out->gz) == Z_OK;
    err = errno;
    out->gz = nullptr;
    if (!ok && commit) reportWriteFailed(out, db, dataName(out), err);
  }
  if (out->isstdout) {
    errno = 0;
    if (fflush(stdout) != 0 && commit) {
      ok = false;
      reportWriteFailed(out, db, dataName(out), errno);
    }
    return ok ? 0 : -1;
  }
  out->fp = nullptr;
  if (finishFile(&out->datafile, &out->firstdata, db, commit && ok, false, out) != 0) ok = false;
  if (!ok) db->return_code = 2;
  return ok ? 0 : -1;
}

// Opens file pattern for the current piece: expanded into name, written
// safely through f. Null (after the message, status 6) when it cannot be.
FILE *openSafe(OUTSTREAM *out, DATABASE *db, SAFEFILE *f, const text *pattern, text *name,
               size_t namesize) {
  memset(name, 0, namesize);
  expandFileName(pattern, name, namesize, out->bcount, out->slaveid);
  FILE *fp = safeOpen(f, S(name));
  if (fp == nullptr) reportCannotWrite(db, name, name[0] != 0 ? errno : 0);
  return fp;
}

// Opens the streams of piece out->bcount. On failure reports, sets status 6
// and closes whatever this call opened.
int openPiece(OUTSTREAM *out, DATABASE *db) {
  if (!out->isstdout) {
    out->fp = openSafe(out, db, &out->datafile, out->fname, out->tempbuf, sizeof out->tempbuf);
    if (out->fp == nullptr) return -1;
  }
  if (out->lobfname[0] != '\0') {
    out->lobfp = openSafe(out, db, &out->lobfile, out->lobfname, out->lobinfo, sizeof out->lobinfo);
    if (out->lobfp == nullptr) {
      closeDataFile(out, db, false);
      db->return_code = 6;
      return -1;
    }
    // An appended file reports position 0 until its first write; the LLS
    // offsets count from its real end.
    fseeko(out->lobfp, 0, SEEK_END);
  }
  if (out->gzipmode) {
    // The gzip stream gets its own descriptor so that gzclose and fclose each
    // close exactly one.
    int fd = dup(fileno(out->fp));
    out->gz = fd < 0 ? nullptr : gzdopen(fd, "wb6");
    if (out->gz == nullptr) {
      int err = errno;
      if (fd >= 0) close(fd);
      closeDataFile(out, db, false);
      closeLobFile(out, db, false);
      reportCannotWrite(db, out->tempbuf, err);
      return -1;
    }
  }
  out->piecestart = out->flushed;
  if (out->bcount == 1) {  // only the names and start lengths are used later
    out->firstdata = out->datafile;
    out->firstlob = out->lobfile;
  }
  return 0;
}

}  // namespace

int isGzipName(const text *fname) {
  size_t n = strlen(reinterpret_cast<const char *>(fname));
  return n >= 4 && strcasecmp(reinterpret_cast<const char *>(fname) + n - 3, ".gz") == 0;
}

int openOutput(OUTSTREAM *out, DATABASE *db, const text *fname, const text *lobfname,
               int slaveid, const text *crackkey, int piecesize) {
  memset(out, 0, sizeof *out);
  out->fname = fname;
  out->lobfname = lobfname;
  out->slaveid = slaveid;
  out->crackkey = crackkey[0] != '\0' ? crackkey : nullptr;
  out->bcount = 1;
  out->piecesize = piecesize;
  out->isstdout = strcmp(reinterpret_cast<const char *>(fname), "-") == 0;
  out->gzipmode = !out->isstdout && isGzipName(fname);
  out->iobuf = static_cast<ub1 *>(malloc(IOBUF_SIZE));
  if (out->iobuf == nullptr) {
    reportCannotWrite(db, fname, ENOMEM);
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
  if (interruptSignal() != 0) {
    db->return_code = interruptStatus();
    return -1;
  }
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
  if (closeDataFile(out, db, true) != 0 || closeLobFile(out, db, true) != 0) return -1;
  reportClosed(out, db);
  out->bcount += 1;
  out->trows = 0;
  return openPiece(out, db);
}

// Closes every stream, committed or abandoned, and frees the buffer.
static void releaseOutput(OUTSTREAM *out, DATABASE *db, bool commit) {
  if (out->iobuf == nullptr) return;
  if (closeDataFile(out, db, commit) != 0) commit = false;
  closeLobFile(out, db, commit);
  free(out->iobuf);
  out->iobuf = nullptr;
}

void closeOutput(OUTSTREAM *out, DATABASE *db, unsigned int rowbatch) {
  if (finalFlush(out, db) != 0) {
    abortOutput(out, db, 0);
    return;
  }
  if (closeDataFile(out, db, true) != 0 || closeLobFile(out, db, true) != 0) {
    abortOutput(out, db, 0);
    return;
  }
  if (!out->isstdout) {
    if (out->trows % rowbatch != 0) printRowInfo(db, out->trows, out->writemb);
    reportClosed(out, db);
    if (db->fp_log != nullptr) fflush(db->fp_log);
  }
  releaseOutput(out, db, true);
}

void abortOutput(OUTSTREAM *out, DATABASE *db, int flush) {
  // The status that led here is the one the job reports.
  int status = db->return_code;
  if (out->iobuf != nullptr && flush) finalFlush(out, db);
  releaseOutput(out, db, false);
  db->return_code = status;
}
