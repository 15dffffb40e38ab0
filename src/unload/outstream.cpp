#include "unload/outstream.h"

#include <assert.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <unistd.h>

#include "crypto/scramble.h"
#include "unload/outfile.h"

namespace {

constexpr float BYTES_TO_MB = 1.0f / 1048576;

JobStatus reportCannotWrite(DATABASE *db, const text *name) {
  reportMessage(db, MsgKind::Error, "ERROR -- Cannot write to file : %s\n", reinterpret_cast<const char *>(name));
  return JobStatus::Open;
}

void reportClosed(OUTSTREAM *out, DATABASE *db) {
  reportMessage(db, MsgKind::Progress, "         output file %s closed at %llu rows, size %.0f MB.\n",
         reinterpret_cast<const char *>(out->tempbuf), out->trows, static_cast<double>(out->writemb));
}

// Writes n bytes of the buffer to the data stream.
JobStatus writeOut(OUTSTREAM *out, const ub1 *buf, size_t n) {
  if (n == 0) return JobStatus::Done;
  bool ok;
  if (out->gzipmode) {
    int w = gzwrite(out->gz, buf, static_cast<unsigned>(n));
    ok = w == static_cast<int>(n);
    if (w > 0) out->writemb += static_cast<float>(w) * BYTES_TO_MB;
  } else {
    ok = fwrite(buf, n, 1, out->isstdout ? stdout : out->fp) == 1;
    if (ok) out->writemb += static_cast<float>(n) * BYTES_TO_MB;
  }
  return ok ? JobStatus::Done : JobStatus::Write;
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

// Closes the data stream of the current piece; Write when the close found a
// failed write.
JobStatus closeDataFile(OUTSTREAM *out) {
  bool ok = true;
  if (out->gz != nullptr) {
    ok = gzclose(out->gz) == Z_OK;
    out->gz = nullptr;
  }
  if (out->fp != nullptr) {
    ok = fclose(out->fp) == 0 && ok;
    out->fp = nullptr;
  } else if (out->isstdout) {
    ok = fflush(stdout) == 0;
  }
  return ok ? JobStatus::Done : JobStatus::Write;
}

// Opens the streams of piece out->bcount. On failure reports, returns Open
// and closes whatever this call opened.
JobStatus openPiece(OUTSTREAM *out, DATABASE *db) {
  if (!out->isstdout) {
    memset(out->tempbuf, 0, sizeof out->tempbuf);
    out->fp = openFile(out->fname, out->tempbuf, sizeof out->tempbuf, out->bcount, out->slaveid);
    if (out->fp == nullptr) return reportCannotWrite(db, out->tempbuf);
  }
  if (out->lobfname[0] != '\0') {
    memset(out->lobinfo, 0, sizeof out->lobinfo);
    out->lobfp = openFile(out->lobfname, out->lobinfo, sizeof out->lobinfo, out->bcount, out->slaveid);
    if (out->lobfp == nullptr) {
      if (out->fp != nullptr) fclose(out->fp);
      out->fp = nullptr;
      return reportCannotWrite(db, out->lobinfo);
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
      if (fd >= 0) close(fd);
      fclose(out->fp);
      out->fp = nullptr;
      closeLobFile(out);
      return reportCannotWrite(db, out->tempbuf);
    }
  }
  return JobStatus::Done;
}

}  // namespace

int isGzipName(const text *fname) {
  size_t n = strlen(reinterpret_cast<const char *>(fname));
  return n >= 4 && strcasecmp(reinterpret_cast<const char *>(fname) + n - 3, ".gz") == 0;
}

JobStatus openOutput(OUTSTREAM *out, DATABASE *db, const text *fname, const text *lobfname,
               int slaveid, const text *crackkey, int piecesize) {
  memset(out, 0, sizeof *out);
  out->fname = fname;
  out->lobfname = lobfname;
  out->slaveid = slaveid;
  out->crackkey = crackkey[0] != '\0' ? crackkey : nullptr;
  out->bcount = 1;
  out->piecesize = piecesize;
  out->splitmb = static_cast<float>(piecesize);
  out->isstdout = strcmp(reinterpret_cast<const char *>(fname), "-") == 0;
  out->gzipmode = !out->isstdout && isGzipName(fname);
  out->iobuf = static_cast<ub1 *>(malloc(IOBUF_SIZE));
  if (out->iobuf == nullptr) return reportCannotWrite(db, fname);
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
  return JobStatus::Done;
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
  reportClosed(out, db);
  const JobStatus rc = closeDataFile(out);
  closeLobFile(out);
  if (failed(rc)) return rc;
  out->bcount += 1;
  out->splitmb = static_cast<float>(out->bcount) * static_cast<float>(out->piecesize);
  out->trows = 0;
  return openPiece(out, db);
}

// Closes every stream and frees the buffer; Write when a close failed.
static JobStatus releaseOutput(OUTSTREAM *out) {
  if (out->iobuf == nullptr) return JobStatus::Done;
  const JobStatus rc = closeDataFile(out);
  closeLobFile(out);
  free(out->iobuf);
  out->iobuf = nullptr;
  return rc;
}

JobStatus closeOutput(OUTSTREAM *out, DATABASE *db, unsigned int rowbatch) {
  if (failed(finalFlush(out))) {
    abortOutput(out, 0);
    return JobStatus::Write;
  }
  if (!out->isstdout) {
    if (out->trows % rowbatch != 0) printRowInfo(db, out->trows, out->writemb);
    reportClosed(out, db);
  }
  return releaseOutput(out);
}

void abortOutput(OUTSTREAM *out, int flush) {
  // The status that led here is the one the job reports, whatever this finds.
  if (out->iobuf != nullptr && flush) finalFlush(out);
  releaseOutput(out);
}
