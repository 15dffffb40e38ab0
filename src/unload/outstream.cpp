#include "unload/outstream.h"

#include <assert.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "base/chars.h"
#include "crypto/scramble.h"
#include "unload/interrupt.h"
#include "unload/outfile.h"
#include "unload/runrecord.h"

namespace {

constexpr float BYTES_TO_MB = 1.0f / 1048576;
static_assert(MAX_THREADS <= MAX_COMPRESS_THREADS, "threads= must not ask for more workers than a stream takes");

JobStatus reportCannotWrite(DATABASE *db, const text *name, int err) {
  reportFileError(db, "ERROR -- Cannot write to file : %s\n", chars(name));
  if (err != 0) reportFileError(db, "ERROR -- %s: %s\n", chars(name), strerror(err));
  return JobStatus::Open;
}

// The name of the data stream in messages.
const char *dataName(const OUTSTREAM *out) {
  return out->isstdout ? "standard output" : chars(out->tempbuf);
}

// A write to file name failed: the reason and the rows reached, the first
// time. Returns Write.
JobStatus reportWriteFailed(OUTSTREAM *out, const char *name, const char *why) {
  if (!out->writefailed)
    reportFileError(out->db, "ERROR -- Cannot write to file : %s: %s (at %llu rows)\n", name, why,
                    out->donerows + out->trows);
  out->writefailed = 1;
  return JobStatus::Write;
}

void reportClosed(OUTSTREAM *out, DATABASE *db) {
  reportMessage(db, MsgKind::Progress, "         output file %s closed at %llu rows, size %.0f MB.\n",
         chars(out->tempbuf), out->trows, static_cast<double>(out->writemb));
}

// Writes n bytes of the buffer to the data stream; Write after a message.
JobStatus writeOut(OUTSTREAM *out, const ub1 *buf, size_t n) {
  if (n == 0) return JobStatus::Done;
  if (out->zip != nullptr) {
    if (compressorWrite(out->zip, buf, n) != 0) return reportWriteFailed(out, dataName(out), compressorError(out->zip));
  } else if (fwrite(buf, n, 1, out->isstdout ? stdout : out->fp) != 1) {
    return reportWriteFailed(out, dataName(out), strerror(errno));
  }
  out->writemb += static_cast<float>(n) * BYTES_TO_MB;
  return JobStatus::Done;
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
// abandoned (and said so). Write when the commit failed.
JobStatus finishFile(OUTSTREAM *out, SAFEFILE *f, const SAFEFILE *first, bool commit, bool removeEmpty) {
  if (f->fp == nullptr) return JobStatus::Done;
  char note[SAFEFILE_NOTE_SIZE];
  char name[SAFEFILE_NAME_SIZE];
  snprintf(name, sizeof name, "%s", f->name);
  int err = 0;
  if (commit) {
    err = safeCommit(f, removeEmpty, note, sizeof note);
    if (err != 0) reportWriteFailed(out, name, strerror(err));
  } else {
    safeAbandon(f, note, sizeof note);
  }
  if (!commit || err != 0) {
    cutBackShared(first, name);
    reportIncomplete(out->db, name, note);
  }
  return err != 0 ? JobStatus::Write : JobStatus::Done;
}

// Closes the LOB side file of the current piece; an empty one is removed.
// A kept one joins the run's record.
JobStatus closeLobFile(OUTSTREAM *out, bool commit) {
  if (out->lobfp == nullptr) return JobStatus::Done;
  const off_t end = ftello(out->lobfp), start = out->lobfile.startlen;
  out->lobfp = nullptr;
  char name[SAFEFILE_NAME_SIZE];
  snprintf(name, sizeof name, "%s", out->lobfile.name);
  const JobStatus rc = finishFile(out, &out->lobfile, &out->firstlob, commit, true);
  const off_t bytes = end - (start > 0 ? start : 0);
  recordFile(&runRecord(), name, FileKind::Lob, out->trows, bytes > 0 ? static_cast<unsigned long long>(bytes) : 0,
             start, commit && !failed(rc));
  return rc;
}

// Closes the data stream of the current piece: committed, or abandoned. A
// compressed stream gets its end before the file is committed. Write when a
// write or the commit failed.
JobStatus closeDataFile(OUTSTREAM *out, bool commit) {
  bool ok = true;
  if (out->zip != nullptr) {
    ok = finishCompressor(out->zip) == 0;
    if (!ok && commit) reportWriteFailed(out, dataName(out), compressorError(out->zip));
    freeCompressor(out->zip);
    out->zip = nullptr;
  }
  if (out->isstdout) {
    if (fflush(stdout) != 0 && commit) {
      ok = false;
      reportWriteFailed(out, dataName(out), strerror(errno));
    }
    recordFile(&runRecord(), STDOUT_NAME, FileKind::Data, out->trows, out->flushed - out->piecestart, -1,
               commit && ok);
    return ok ? JobStatus::Done : JobStatus::Write;
  }
  out->fp = nullptr;
  if (out->datafile.fp == nullptr) return ok ? JobStatus::Done : JobStatus::Write;  // closed before
  char name[SAFEFILE_NAME_SIZE];
  snprintf(name, sizeof name, "%s", out->datafile.name);
  const off_t start = out->datafile.startlen;
  if (failed(finishFile(out, &out->datafile, &out->firstdata, commit && ok, false))) ok = false;
  recordFile(&runRecord(), name, FileKind::Data, out->trows, out->flushed - out->piecestart, start, commit && ok);
  return ok ? JobStatus::Done : JobStatus::Write;
}

// Opens file pattern for the current piece: expanded into name, written
// safely through f. Null (after the message) when it cannot be.
FILE *openSafe(OUTSTREAM *out, DATABASE *db, SAFEFILE *f, const text *pattern, text *name,
               size_t namesize) {
  memset(name, 0, namesize);
  expandFileName(pattern, name, namesize, out->bcount, out->slaveid);
  FILE *fp = safeOpen(f, chars(name));
  if (fp == nullptr) reportCannotWrite(db, name, name[0] != 0 ? errno : 0);
  return fp;
}

// Opens the streams of piece out->bcount. On failure reports, returns Open
// and closes whatever this call opened.
JobStatus openPiece(OUTSTREAM *out, DATABASE *db) {
  if (!out->isstdout) {
    out->fp = openSafe(out, db, &out->datafile, out->fname, out->tempbuf, sizeof out->tempbuf);
    if (out->fp == nullptr) return JobStatus::Open;
  }
  if (out->lobfname[0] != '\0') {
    out->lobfp = openSafe(out, db, &out->lobfile, out->lobfname, out->lobinfo, sizeof out->lobinfo);
    if (out->lobfp == nullptr) {
      closeDataFile(out, false);
      return JobStatus::Open;
    }
    // An appended file reports position 0 until its first write; the LLS
    // offsets count from its real end.
    fseeko(out->lobfp, 0, SEEK_END);
  }
  if (out->codec != Codec::none) {
    // The compressor writes to the descriptor; the stream is only closed.
    out->zip = openCompressor(fileno(out->fp), COMPRESSSETTINGS{out->codec, out->threads});
    if (out->zip == nullptr) {
      int err = errno;
      closeDataFile(out, false);
      closeLobFile(out, false);
      return reportCannotWrite(db, out->tempbuf, err);
    }
  }
  out->piecestart = out->flushed;
  if (out->bcount == 1) {  // only the names and start lengths are used later
    out->firstdata = out->datafile;
    out->firstlob = out->lobfile;
  }
  return JobStatus::Done;
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

JobStatus openOutput(OUTSTREAM *out, DATABASE *db, const text *fname, const text *lobfname,
               int slaveid, const text *crackkey, int piecesize, int threads) {
  memset(out, 0, sizeof *out);
  out->db = db;
  out->fname = fname;
  out->lobfname = lobfname;
  out->slaveid = slaveid;
  out->crackkey = crackkey[0] != '\0' ? crackkey : nullptr;
  out->bcount = 1;
  out->piecesize = piecesize;
  out->isstdout = strcmp(reinterpret_cast<const char *>(fname), "-") == 0;
  out->codec = out->isstdout ? Codec::none : codecForName(fname);
  out->threads = threads;
  out->iobuf = static_cast<ub1 *>(malloc(IOBUF_SIZE));
  if (out->iobuf == nullptr) return reportCannotWrite(db, fname, ENOMEM);
  blank(out);
  const JobStatus status = openPiece(out, db);
  if (failed(status)) {
    free(out->iobuf);
    out->iobuf = nullptr;
  }
  return status;
}

JobStatus flushIoBuffer(OUTSTREAM *out) {
  int n = out->iopos;
  int m = out->crackkey != nullptr ? doCrackBuffer(out->iobuf, n, out->crackkey) : n;
  if (failed(writeOut(out, out->iobuf, static_cast<size_t>(m)))) return JobStatus::Write;
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
  return interruptSignal() != 0 ? interruptStatus() : JobStatus::Done;  // checked between writes
}

JobStatus finalFlush(OUTSTREAM *out) {
  int n = out->iopos;
  if (n == 0) return JobStatus::Done;
  if (out->crackkey != nullptr) doCrackBuffer(out->iobuf, n, out->crackkey);
  const JobStatus rc = writeOut(out, out->iobuf, static_cast<size_t>(n));
  out->flushed += static_cast<unsigned long long>(n);
  blank(out);
  return rc;
}

JobStatus switchOutputPiece(OUTSTREAM *out, DATABASE *db) {
  if (failed(finalFlush(out))) return JobStatus::Write;
  // The side file first: a data file under its final name has its LOB values.
  if (failed(closeLobFile(out, true)) || failed(closeDataFile(out, true))) return JobStatus::Write;
  reportClosed(out, db);
  out->bcount += 1;
  out->donerows += out->trows;
  out->trows = 0;
  return openPiece(out, db);
}

// Closes every stream, committed or abandoned, and frees the buffer; Write
// when a commit failed.
static JobStatus releaseOutput(OUTSTREAM *out, bool commit) {
  if (out->iobuf == nullptr) return JobStatus::Done;
  JobStatus rc = closeLobFile(out, commit);
  if (failed(rc)) commit = false;
  if (failed(closeDataFile(out, commit))) rc = JobStatus::Write;
  free(out->iobuf);
  out->iobuf = nullptr;
  return rc;
}

JobStatus closeOutput(OUTSTREAM *out, DATABASE *db, unsigned int rowbatch) {
  if (failed(finalFlush(out)) || failed(closeLobFile(out, true)) || failed(closeDataFile(out, true))) {
    abortOutput(out, 0);
    return JobStatus::Write;
  }
  if (!out->isstdout) {
    if (out->trows % rowbatch != 0) printRowInfo(db, out->trows, out->writemb);
    reportClosed(out, db);
  }
  return releaseOutput(out, true);
}

void abortOutput(OUTSTREAM *out, int flush) {
  // The status that led here is the one the job reports, whatever this finds.
  if (out->iobuf != nullptr && flush) finalFlush(out);
  releaseOutput(out, false);
}
