// The row writer. Every row is laid out in the I/O buffer of the output
// stream; the buffer is pre-blanked, so fixed-width padding and name
// alignment are done by advancing the position. Space checks before every
// item keep the buffer from overflowing: an item is only written after a check
// that guarantees room for it, and a value too large for one buffer is written
// in parts.
#include "unload/rowwriter.h"

#include <assert.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bytes/escape.h"
#include "unload/controlfile.h"
#include "unload/columntype.h"
#include "unload/insertsql.h"
#include "unload/interrupt.h"
#include "unload/jsonrow.h"
#include "unload/lobexport.h"
#include "bytes/numconv.h"
#include "unload/outfile.h"
#include "unload/outstream.h"
#include "unload/safefile.h"

namespace {

// Entries of the escape and translation lists looked at.
constexpr int MAX_LIST_PAIRS = 20;
// Room kept after a value for its closing quote and ")" (quote <= 63 bytes).
constexpr size_t VALUE_TAIL_ROOM = 288;
// A field space check never asks for more than half the buffer: a larger
// field is written in parts.
constexpr size_t MAX_FIELD_CHECK = IOBUF_SIZE / 2;
// Below this much room a value written in parts flushes first.
constexpr size_t MIN_PART_ROOM = 65536;
// Fetches in a row that fail with a skipped error (error=) and deliver no
// row before the unload ends with status 7. Each such fetch steps over one
// failing row, so a run of bad rows is still a valid unload; the limit only
// ends an error that repeats for ever without the cursor moving on. A
// thousand bad rows in a row is far beyond real data, and a thousand
// round trips end that loop in seconds.
constexpr int MAX_EMPTY_SKIPS = 1000;

constexpr char HEXARR[] = "0123456789abcdef";

// Values that are never escaped: numbers, ROWIDs, dates and timestamps, and
// LOB references. RAW and inline LOB values arrive as their bytes, which may
// hold quotes, separators and line feeds, so they are escaped like text.
bool neverEscaped(const COLUMN *p) {
  if (p->dbtype == SQLT_LVC || p->dbtype == SQLT_LVB || p->dbtype == SQLT_BIN ||
      p->dbtype == DESC_VARRAW)
    return false;
  switch (p->oldtype) {
    case SQLT_NUM: case SQLT_VNU: case SQLT_RID: case SQLT_RDD: case SQLT_DAT: case SQLT_ODT:
    case DESC_VARRAW: case SQLT_BIN: case SQLT_CLOB: case SQLT_BLOB: case SQLT_BFILEE:
    case DESC_TIMESTAMP: case SQLT_TIMESTAMP: case DESC_TIMESTAMP_TZ: case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ:
      return true;
    default:
      return false;
  }
}

bool isLobLocator(sb2 dbtype) { return dbtype >= SQLT_CLOB && dbtype <= SQLT_BFILEE; }

// What the writer decides about a column once, for all its values.
struct COLFORM {
  bool longval;     // SQLT_LVC / SQLT_LVB: the element starts with its length
  bool numeric;     // internal NUMBER or DATE, converted here
  bool hex;         // INSERT raw column: unhex(...) (MySQL) or HEXTORAW(...)
  bool hextext;     // binary column of a delimited or fixed layout: hex digits
  bool lob;         // a LOB locator whose content goes to the side file
  bool translated;  // the translation list applies
  bool escaped;     // non-NULL values are escaped
  bool quoted;      // non-NULL values are enclosed in the quote
  size_t keeplen;   // room checked for before a value
};

// Everything one printRow8 call works with.
struct WRITER {
  OUTSTREAM out;
  DATABASE *db;          // the session's sink: progress and error lines
  ROWCURSOR *cursor;
  const FETCHSPEC *fetch;         // the errors a fetch may meet and go on
  const JOBSTATE *job;            // array size, worker number, table name
  const CONTROLFILEJOB *control;  // the control file to name the data files in; null: none
  const text *field; int flen;
  const text *record; int rlen;
  int batch, header, fixlen;
  const text *sedf, *sedt;
  const text *quote; int quotelen;
  unsigned int rowbatch;
  const text *snull; int lnull;
  unsigned char escape;
  int format;
  const text *rowpre; int rowprelen;
  const text *rowsuf; int rowsuflen;
  const text *colsep; int colseplen;
  const unsigned char *escf, *esct; int escape_len;
  ESCAPESET esc;         // escape, escf/esct and pairs, prepared once
  const text *sqlexec; int sqlexeclen;
  const text *prehead; int preheadlen;
  int replacecount;
  int pairs;             // 1: double-byte pairs are never escaped
  bool hexbinary;        // binary columns of a delimited or fixed layout are written as hex
  COLUMN *cols[MAX_COLUMNS];
  COLFORM forms[MAX_COLUMNS];
  int namelen[MAX_COLUMNS];
  int colcount;
  int max_col_len;
  text sqlbuf[SQLBUF_SIZE]; int sqllen;
  text sqlbuf2[SQLBUF2_SIZE]; int sqllen2;
  text prologue[PROLOGUE_SIZE]; int prologuelen;  // format 2: top of every script
  ub1 numbuf[NUMBUF_SIZE];
  text lobvalue[LOBVALUE_SIZE];
  bool wroteHeader;
  int stmtrows;          // format 1: rows in the open statement, -1 when none is open
  bool switchDue;        // the current piece is complete; switch before the next row
  bool countfaults;      // the output gets a control file: count what would not load back
  LOADFAULTS faults;     // what was counted
  std::vector<std::string> written;  // data files opened, in order
  JSONROWS json;         // FORMAT_JSON: the keys and value kinds
  JobStatus status;      // Done until a write or an open fails
  int rowstart;          // iopos where the row being written began
  unsigned long long rowflushed;  // out.flushed then
  bool keepRows;         // a failed row was taken back: the rows before it are kept
  unsigned long long skipped[MAX_SKIP_ERRORS];  // rows skipped for each error= number
};

void put(WRITER *w, const void *src, size_t n) {
  assert(static_cast<size_t>(w->out.iopos) + n <= static_cast<size_t>(IOBUF_SIZE));
  if (n == 1) {  // separators and quotes: most puts are of one byte
    w->out.iobuf[w->out.iopos++] = *static_cast<const ub1 *>(src);
    return;
  }
  memcpy(w->out.iobuf + w->out.iopos, src, n);
  w->out.iopos += static_cast<int>(n);
}

void putByte(WRITER *w, ub1 b) {
  assert(w->out.iopos < IOBUF_SIZE);
  w->out.iobuf[w->out.iopos++] = b;
}

// Records a failed write or open in the writer and gives -1, the writer's
// own signal to stop; the status goes back from printRow8.
int fail(WRITER *w, JobStatus status) {
  if (!failed(status)) return 0;
  w->status = status;
  return -1;
}

int flush(WRITER *w) { return fail(w, flushIoBuffer(&w->out)); }

int check(WRITER *w, size_t need) { return fail(w, ensureSpace(&w->out, need)); }

// Bytes written to the data stream since the start of the piece, flushed or
// still buffered: a position that survives flushes.
unsigned long long logicalPos(const WRITER *w) {
  return w->out.flushed + static_cast<unsigned long long>(w->out.iopos);
}

// Makes the fixed-width field that began at logical position start exactly
// width bytes long: pads with the buffer's blanks, and cuts (re-blanking)
// what ran past the width unless cut is false.
int endFixedField(WRITER *w, unsigned long long start, int width, bool cut) {
  unsigned long long end = start + static_cast<unsigned long long>(width);
  unsigned long long cur = logicalPos(w);
  if (cur > end) {
    if (!cut) return 0;
    size_t over = static_cast<size_t>(cur - end);
    assert(over <= static_cast<size_t>(w->out.iopos));
    over = std::min(over, static_cast<size_t>(w->out.iopos));
    w->out.iopos -= static_cast<int>(over);
    memset(w->out.iobuf + w->out.iopos, ' ', over);
    return 0;
  }
  size_t pad = static_cast<size_t>(end - cur);
  while (pad > 0) {
    size_t room = static_cast<size_t>(IOBUF_SIZE - w->out.iopos) - 1;
    if (room == 0) {
      if (flush(w) != 0) return -1;
      continue;
    }
    size_t step = std::min(pad, room);
    w->out.iopos += static_cast<int>(step);
    pad -= step;
  }
  return 0;
}

int escapesIn(const WRITER *w, const ub1 *src, size_t n) {
  return countEscapes(&w->esc, src, static_cast<int>(n));
}

// The largest length <= n at which a cut of src (avail bytes) falls between
// characters, so a double-byte pair is never split across two parts.
size_t pairBoundary(const WRITER *w, const ub1 *src, size_t n, size_t avail) {
  if (!w->pairs || n >= avail) return n;
  size_t i = 0;
  while (i < n) i += (i + 1 < avail && isChinese(src[i], src[i + 1])) ? 2 : 1;
  return i > n ? n - 1 : n;
}

// Writes a value that may not fit the buffer in parts: each part is escaped
// on its own and fits the room left. limit bounds the bytes written (the
// fixed-width field), SIZE_MAX for none.
int putInParts(WRITER *w, const ub1 *src, size_t len, bool escaping, size_t limit) {
  size_t done = 0, written = 0;
  while (done < len && written < limit) {
    if (static_cast<size_t>(IOBUF_SIZE - w->out.iopos) < VALUE_TAIL_ROOM + MIN_PART_ROOM) {
      if (flush(w) != 0) return -1;
      continue;
    }
    size_t room = static_cast<size_t>(IOBUF_SIZE - w->out.iopos) - VALUE_TAIL_ROOM - 1;
    size_t budget = std::min(room, limit - written);
    size_t n = std::min(len - done, budget);
    size_t e = escaping ? static_cast<size_t>(escapesIn(w, src + done, n)) : 0;
    if (n + e > budget) {
      n = budget / 2;  // every byte takes at most two
      if (escaping) n = pairBoundary(w, src + done, n, len - done);
      e = escaping ? static_cast<size_t>(escapesIn(w, src + done, n)) : 0;
    } else if (escaping) {
      size_t cut = pairBoundary(w, src + done, n, len - done);
      if (cut != n) {
        n = cut;
        e = static_cast<size_t>(escapesIn(w, src + done, n));
      }
    }
    if (n == 0) break;  // the fixed-width field is full
    ub1 *dst = w->out.iobuf + w->out.iopos;
    if (e > 0) {
      copyEscaped(&w->esc, dst, src + done, static_cast<int>(n));
    } else {
      memcpy(dst, src + done, n);
    }
    w->out.iopos += static_cast<int>(n + e);
    written += n + e;
    done += n;
  }
  return check(w, VALUE_TAIL_ROOM);
}

// The escapes of one value. Until a decision needs the exact count they are
// bounded by the value's length (every byte escaped): room that suffices for
// the bound suffices for the count, so the bound decides the same way, and
// the value is walked once, by the copy.
struct ESCAPES {
  size_t n;    // the count, or its bound
  bool exact;
};

size_t exactEscapes(const WRITER *w, ESCAPES *e, const ub1 *src, size_t len) {
  if (!e->exact) *e = {static_cast<size_t>(escapesIn(w, src, len)), true};
  return e->n;
}

// check(w, min(base + escapes, MAX_FIELD_CHECK)).
int checkWithEscapes(WRITER *w, ESCAPES *e, const ub1 *src, size_t len, size_t base) {
  if (!e->exact && static_cast<size_t>(w->out.iopos) + std::min(base + e->n, MAX_FIELD_CHECK) <
                       static_cast<size_t>(IOBUF_SIZE)) {
    return 0;
  }
  return check(w, std::min(base + exactEscapes(w, e, src, len), MAX_FIELD_CHECK));
}

// Copies a value, escaped when it has escapes.
int putValue(WRITER *w, const ub1 *src, size_t len, ESCAPES *e, size_t limit) {
  auto fits = [&] {
    return static_cast<size_t>(w->out.iopos) + len + e->n + VALUE_TAIL_ROOM < static_cast<size_t>(IOBUF_SIZE) &&
           len + e->n <= limit;
  };
  if (!fits()) exactEscapes(w, e, src, len);
  if (fits()) {
    ub1 *dst = w->out.iobuf + w->out.iopos;
    if (e->exact && e->n == 0) {
      memcpy(dst, src, len);
      w->out.iopos += static_cast<int>(len);
    } else {
      w->out.iopos += copyEscaped(&w->esc, dst, src, static_cast<int>(len));
    }
    return 0;
  }
  return putInParts(w, src, len, e->n > 0, limit);
}

// Lower-case hex digits of every byte; a space check before every byte as
// for a field (keeplen bytes of room).
int putHex(WRITER *w, const ub1 *src, size_t len, size_t keeplen) {
  size_t done = 0;
  while (done < len) {
    if (static_cast<size_t>(w->out.iopos) + keeplen >= static_cast<size_t>(IOBUF_SIZE)) {
      if (flush(w) != 0) return -1;
    }
    size_t avail = static_cast<size_t>(IOBUF_SIZE) - keeplen - static_cast<size_t>(w->out.iopos);
    size_t k = std::min(len - done, (avail + 1) / 2);
    ub1 *dst = w->out.iobuf + w->out.iopos;
    for (size_t i = 0; i < k; ++i) {
      ub1 b = src[done + i];
      dst[2 * i] = static_cast<ub1>(HEXARR[b >> 4]);
      dst[2 * i + 1] = static_cast<ub1>(HEXARR[b & 15]);
    }
    w->out.iopos += static_cast<int>(2 * k);
    done += k;
  }
  return 0;
}

bool holds(const ub1 *s, size_t n, const text *what, int whatlen) {
  return whatlen > 0 && memmem(s, n, what, static_cast<size_t>(whatlen)) != nullptr;
}

// The top of every piece: the header line (delimited layouts), the prologue
// of an Oracle script, nothing for MySQL (a header line is no SQL).
void writeHeader(WRITER *w) {
  if (w->format == 1 || w->format == FORMAT_JSON) return;
  w->wroteHeader = true;
  if (w->format == 2) {
    put(w, w->prologue, static_cast<size_t>(w->prologuelen));
    return;
  }
  // The header is written into an empty buffer: at most MAX_COLUMNS names
  // (each at most doubled by escapes) with their separators and prefixes,
  // far below its size.
  if (w->rowprelen > 0) put(w, w->rowpre, static_cast<size_t>(w->rowprelen));
  for (int i = 0; i < w->colcount; ++i) {
    if (i > 0) put(w, w->field, static_cast<size_t>(w->flen));
    if (w->preheadlen > 0) put(w, w->prehead, static_cast<size_t>(w->preheadlen));
    const ub1 *name = reinterpret_cast<const ub1 *>(w->cols[i]->buf);
    size_t n = static_cast<size_t>(w->namelen[i]);
    // A name holding a separator or the quote is quoted like a value.
    bool quoted = w->quotelen > 0 && (holds(name, n, w->field, w->flen) || holds(name, n, w->record, w->rlen) ||
                                      holds(name, n, w->quote, w->quotelen));
    if (quoted) put(w, w->quote, static_cast<size_t>(w->quotelen));
    if (quoted && w->escape != ' ') w->out.iopos += copyEscaped(&w->esc, w->out.iobuf + w->out.iopos, name, static_cast<int>(n));
    else put(w, name, n);
    if (quoted) put(w, w->quote, static_cast<size_t>(w->quotelen));
  }
  if (w->rowsuflen > 0) put(w, w->rowsuf, static_cast<size_t>(w->rowsuflen));
  put(w, w->record, static_cast<size_t>(w->rlen));
}

int openStatement(WRITER *w) {
  if (check(w, static_cast<size_t>(w->sqllen)) != 0) return -1;
  put(w, w->sqlbuf, static_cast<size_t>(w->sqllen));
  w->stmtrows = 0;
  return 0;
}

int closeStatement(WRITER *w) {
  if (w->stmtrows < 0) return 0;
  if (check(w, 2 + static_cast<size_t>(w->sqlexeclen) + static_cast<size_t>(w->sqllen2)) != 0) return -1;
  if (w->sqllen2 > 0) put(w, w->sqlbuf2, static_cast<size_t>(w->sqllen2));
  put(w, w->sqlexec, static_cast<size_t>(w->sqlexeclen));
  putByte(w, '\n');
  w->stmtrows = -1;
  return 0;
}

// The row being written is left out of the data: when nothing of it has
// been flushed yet, the buffer goes back to where it began, and the rows
// before it are flushed when the streams are abandoned.
void dropRow(WRITER *w) {
  if (w->out.flushed != w->rowflushed || w->out.iopos < w->rowstart) return;
  memset(w->out.iobuf + w->rowstart, ' ', static_cast<size_t>(w->out.iopos - w->rowstart));
  w->out.iopos = w->rowstart;
  w->keepRows = true;
}

// A LOB value of column p could not be read (Fetch) or written to the side
// file (Write, err its errno): the side file goes back to where the value
// began, the row is left out, and the unload stops.
int lobFailed(WRITER *w, COLUMN *p, off_t start, JobStatus status, int err) {
  cutLobFileBack(w->out.lobfp, start);
  const unsigned long long rows = w->out.donerows + w->out.trows;
  const char *name = w->out.lobfile.name;
  if (status == JobStatus::Write)
    reportFileError(w->db, "ERROR -- Cannot write to file : %s: %s (LOB column %s of row %llu, at %llu rows)\n",
                    name, strerror(err), reinterpret_cast<const char *>(p->buf), rows + 1, rows);
  else
    reportFileError(w->db, "ERROR -- Cannot read LOB column %s of row %llu for file %s (at %llu rows)\n",
                    reinterpret_cast<const char *>(p->buf), rows + 1, name, rows);
  w->out.writefailed = 1;
  dropRow(w);
  return fail(w, status);
}

// The LOB value (or NULL LOB) of row j: content and record separator to the
// side file, the reference into the record. -1 when the unload stops.
int putLobReference(WRITER *w, COLUMN *p, int j, bool isnull) {
  FILE *lobf = w->out.lobfp;
  const off_t start = lobFilePosition(lobf);
  int n = 0, err = 0;
  JobStatus status = JobStatus::Done;
  if (isnull) {
    n = nullLobReference(lobf, w->out.lobinfo, w->lobvalue);
  } else {
    OCILobLocator *loc;
    memcpy(&loc, p->colbuf + static_cast<size_t>(j) * static_cast<size_t>(p->dsize), sizeof loc);
    status = readLobToLLS(w->cursor, loc, lobf, w->out.lobinfo, w->lobvalue, &n, p->csfm, &err);
  }
  if (status == JobStatus::Done && w->rlen > 0 &&
      (err = appendToLobFile(lobf, w->record, static_cast<size_t>(w->rlen))) != 0)
    status = JobStatus::Write;
  if (failed(status)) return lobFailed(w, p, start, status, err);
  put(w, w->lobvalue, static_cast<size_t>(n));
  return 0;
}

bool isBlank(ub1 b) { return b == ' ' || b == '\t'; }

// Counts what SQL*Loader would not load back of one value (text, as it goes
// between the separators).
void countFaults(WRITER *w, const COLUMN *p, const COLFORM &f, const ub1 *value, size_t len) {
  LOADFAULTS &n = w->faults;
  const bool fixed = w->fixlen == 1;
  const bool allBlank = std::all_of(value, value + len, isBlank);
  const bool nullText = w->lnull > 0 && len == static_cast<size_t>(w->lnull) && memcmp(value, w->snull, len) == 0;
  // NULLIF takes the null text, or without one a blank field, for NULL.
  if (!f.numeric && (nullText || (!fixed && w->lnull == 0 && len > 0 && allBlank))) n.nulls++;
  if (fixed) {
    // Trimmed, a CHAR value is padded back to its length: only an all-blank one changes.
    if (!f.numeric && len > 0 && isBlank(value[len - 1]) && (p->oldtype != SQLT_AFC || allBlank)) n.blanks++;
    return;
  }
  if (holds(value, len, w->record, w->rlen)) n.splits++;
  if (!f.quoted && holds(value, len, w->field, w->flen)) n.separators++;
  if (f.quoted && w->escape == ' ' && holds(value, len, w->quote, w->quotelen)) n.quotes++;
}

int writeColumn(WRITER *w, int i, int j) {
  COLUMN *p = w->cols[i];
  const COLFORM &f = w->forms[i];
  const bool isnull = p->indp[j] == -1;
  ub1 *value = p->colbuf + static_cast<size_t>(j) * static_cast<size_t>(p->dsize);
  size_t len = p->col_retlen[j];
  if (f.longval) {
    ub4 longlen;
    memcpy(&longlen, value, sizeof longlen);
    value += sizeof longlen;
    len = std::min<size_t>(longlen, p->dsize > 4 ? static_cast<size_t>(p->dsize) - 4 : 0);
  } else {
    len = std::min<size_t>(len, static_cast<size_t>(p->dsize));
  }
  // Translation comes first, so the escapes are counted on the bytes copied.
  if (!isnull && f.translated) replaceBuffer(value, static_cast<int>(len), w->sedf, w->sedt);
  ESCAPES esc{0, true};
  if (!isnull && f.escaped) esc = {len, false};
  const size_t keeplen = f.keeplen;
  const bool hex = f.hex, lob = f.lob;
  // Beyond keeplen: both quotes, "unhex(" and ")", and a LOB reference,
  // which are not bounded by the fetch size.
  const size_t extra = 2 * static_cast<size_t>(w->quotelen) + 12 + (lob ? LOBVALUE_SIZE : 0);
  if (checkWithEscapes(w, &esc, value, len, keeplen + extra) != 0) return -1;

  if (i > 0 && w->fixlen != 1) put(w, w->field, static_cast<size_t>(w->flen));
  if (w->colseplen > 0) {
    int start = w->out.iopos;
    put(w, p->buf, static_cast<size_t>(w->namelen[i]));
    if (w->colsep[0] == ' ') w->out.iopos = start + w->max_col_len;
    put(w, w->colsep, static_cast<size_t>(w->colseplen));
  }
  const unsigned long long fieldStart = logicalPos(w);
  const bool fixed = w->fixlen == 1;
  if (isnull) {
    if (lob) {
      if (putLobReference(w, p, j, true) != 0) return -1;
    } else if (w->lnull > 0) {
      put(w, w->snull, static_cast<size_t>(w->lnull));
    }
    return fixed ? endFixedField(w, fieldStart, p->dsize2, true) : 0;
  }

  if (hex && w->format == 1) put(w, "unhex(", 6);
  if (hex && w->format == 2) put(w, "HEXTORAW(", 9);
  if (f.quoted) put(w, w->quote, static_cast<size_t>(w->quotelen));
  const size_t limit = fixed ? static_cast<size_t>(std::max(p->dsize2, 0)) : SIZE_MAX;
  int rc = 0;
  if (lob) {
    if (putLobReference(w, p, j, false) != 0) return -1;
    if (fixed) rc = endFixedField(w, fieldStart, 256, true);
  } else if (f.numeric) {
    ub2 numlen = p->dbtype == SQLT_NUM ? testNUMBER(w->numbuf, value, static_cast<ub2>(len))
                                       : testTIMESTAMP(w->numbuf, value, static_cast<ub2>(len));
    if (w->countfaults) countFaults(w, p, f, w->numbuf, numlen);
    put(w, w->numbuf, numlen);
    // A value wider than its field (a custom width) is cut, never shifts
    // the fields after it.
    if (fixed) rc = endFixedField(w, fieldStart, p->dsize2, true);
  } else if (hex || f.hextext) {
    rc = putHex(w, value, len, keeplen);
    if (rc == 0 && fixed) rc = endFixedField(w, fieldStart, p->dsize2, true);
  } else {
    if (f.longval) {
      rc = checkWithEscapes(w, &esc, value, len, len + keeplen);
    }
    if (w->countfaults) countFaults(w, p, f, value, len);
    if (rc == 0) rc = putValue(w, value, len, &esc, limit);
    if (rc == 0 && fixed) rc = endFixedField(w, fieldStart, p->dsize2, true);
  }
  if (rc != 0) return -1;
  if (f.quoted) put(w, w->quote, static_cast<size_t>(w->quotelen));
  if (hex) putByte(w, ')');
  return 0;
}

int writeRow(WRITER *w, int j) {
  w->rowstart = w->out.iopos;
  w->rowflushed = w->out.flushed;
  if (w->format == FORMAT_JSON) return fail(w, writeJsonRow(&w->json, &w->out, j));
  if (w->format == 2) {
    if (check(w, static_cast<size_t>(w->sqllen)) != 0) return -1;
    put(w, w->sqlbuf, static_cast<size_t>(w->sqllen));
  }
  if (check(w, 10 + static_cast<size_t>(w->rowprelen)) != 0) return -1;
  if (w->format == 1) {
    if (w->stmtrows > 0) put(w, ",\n", 2);
    putByte(w, '(');
    w->stmtrows += 1;
  } else if (w->format == 2) {
    putByte(w, '(');
  } else if (w->rowprelen > 0) {
    put(w, w->rowpre, static_cast<size_t>(w->rowprelen));
  }
  for (int i = 0; i < w->colcount; ++i) {
    if (writeColumn(w, i, j) != 0) return -1;
  }
  if (check(w, 16 + static_cast<size_t>(w->rlen) + static_cast<size_t>(w->rowsuflen) +
                   static_cast<size_t>(w->sqlexeclen)) != 0) {
    return -1;
  }
  if (w->format == 0) {
    if (w->rowsuflen > 0) put(w, w->rowsuf, static_cast<size_t>(w->rowsuflen));
    put(w, w->record, static_cast<size_t>(w->rlen));
  } else {
    putByte(w, ')');
    if (w->format == 2) {
      put(w, w->sqlexec, static_cast<size_t>(w->sqlexeclen));
      putByte(w, '\n');
    }
  }
  return 0;
}

// After a row: the progress line, and whether the piece is complete. The
// switch itself waits for the next row, so that the end of the data never
// leaves an empty piece behind.
void afterRow(WRITER *w) {
  OUTSTREAM *out = &w->out;
  out->trows += 1;
  if (out->isstdout) return;
  bool doSwitch = pieceFull(out);
  if (out->trows % w->rowbatch == 0) {
    printRowInfo(w->db, out->trows, out->writemb);
    doSwitch = doSwitch || w->batch != 0;
  }
  w->switchDue = w->switchDue || doSwitch;
}

// Before a row: the piece switch that the last row asked for. In format 1
// an open statement is closed first and reopened in the new piece, so that
// every piece is a complete script.
int switchIfDue(WRITER *w) {
  if (!w->switchDue) return 0;
  w->switchDue = false;
  const bool reopen = w->format == 1 && w->stmtrows >= 0;
  if (reopen && closeStatement(w) != 0) return -1;
  if (fail(w, switchOutputPiece(&w->out, w->db)) != 0) return -1;
  w->written.emplace_back(reinterpret_cast<const char *>(w->out.tempbuf));
  if (w->wroteHeader) writeHeader(w);
  return reopen ? openStatement(w) : 0;
}

// Stops the unload when SIGINT or SIGTERM came: -1 with the signal's status.
int checkInterrupt(WRITER *w) { return fail(w, interruptStatus()); }

// The writer stopped at a failure: says so when a signal stopped it (a write
// or a flush may have seen the signal first), then closes the streams
// without committing them (with the rows before a row taken back).
JobStatus stopWriter(WRITER *w) {
  if (w->status == JobStatus::Interrupted || w->status == JobStatus::Terminated)
    reportFileError(w->db, "ERROR -- Unload interrupted by signal %d (%s) at %llu rows.\n",
                    interruptSignal(), strsignal(interruptSignal()), w->out.trows);
  abortOutput(&w->out, w->keepRows ? 1 : 0);
  return w->status;
}

// Rows the last fetch delivered: the growth of the statement's running row
// count, whatever the fetch status was.
ub4 fetchedRows(WRITER *w, sword status, ub4 arraysize, ub4 *total) {
  ub4 now = 0;
  ub4 rows;
  if (w->cursor->rowsDelivered(&now) && now >= *total) {
    rows = now - *total;
    *total = now;
  } else {
    rows = status == OCI_SUCCESS ? arraysize : 0;
    *total += rows;
  }
  return std::min(rows, arraysize);
}

// Decides the form of column i. The LOB side file of every piece is open
// exactly when lobfile is given, so that too is known up front.
void setupForm(WRITER *w, int i, bool lobfile) {
  COLUMN *p = w->cols[i];
  COLFORM &f = w->forms[i];
  f.longval = p->dbtype == SQLT_LVC || p->dbtype == SQLT_LVB;
  f.numeric = p->dbtype == SQLT_NUM || p->dbtype == SQLT_DAT;
  const bool binary = p->dbtype == SQLT_BIN || p->dbtype == 15 || p->dbtype == SQLT_LVB;
  f.hex = (w->format == 1 && p->raw) || (w->format == 2 && binary);
  f.hextext = w->hexbinary && binary;
  f.lob = isLobLocator(p->dbtype) && lobfile;
  f.translated = !f.lob && !f.numeric && p->quote && w->replacecount > 0;
  f.escaped = w->escape != ' ' && !f.hex && !f.hextext && !f.lob && !f.numeric && !neverEscaped(p);
  f.quoted = w->quotelen > 0 && p->quote && w->fixlen == 0;
  if (p->keeplen == 0) p->keeplen = p->buflen + w->flen + p->dsize + w->colseplen +
                                    static_cast<int>(VALUE_TAIL_ROOM);
  f.keeplen = std::min(static_cast<size_t>(p->keeplen), MAX_FIELD_CHECK);
}

void setupLists(WRITER *w) {
  w->replacecount = MAX_LIST_PAIRS;
  for (int k = 0; k < MAX_LIST_PAIRS; ++k) {
    if (w->sedf[k] == w->sedt[k]) {
      w->replacecount = k;
      break;
    }
  }
  w->escape_len = MAX_LIST_PAIRS;
  for (int k = 0; k < MAX_LIST_PAIRS; ++k) {
    if (w->escf[k] == 0 || w->esct[k] == 0) {
      w->escape_len = k;
      break;
    }
  }
}

}  // namespace

int usesDoubleBytePairs(ub2 csid) {
  // Oracle's ids of the double-byte (lead byte 0x81-0xFE) character sets.
  static constexpr ub2 DOUBLE_BYTE_SETS[] = {
      830,  // JA16EUC
      832,  // JA16SJIS
      837,  // JA16EUCTILDE
      838,  // JA16SJISTILDE
      840,  // KO16KSC5601
      846,  // KO16MSWIN949
      850,  // ZHS16CGB231280
      852,  // ZHS16GBK
      854,  // ZHS32GB18030
      860,  // ZHT32EUC
      865,  // ZHT16BIG5
      867,  // ZHT16MSWIN950
      868,  // ZHT16HKSCS
  };
  return std::find(std::begin(DOUBLE_BYTE_SETS), std::end(DOUBLE_BYTE_SETS), csid) !=
                 std::end(DOUBLE_BYTE_SETS)
             ? 1
             : 0;
}

namespace {

// The place of oerrn in the error= list, -1 when it is not listed.
int skipIndex(const FETCHSPEC &fetch, int oerrn) {
  int n = std::min(fetch.oerrcount, MAX_SKIP_ERRORS);
  for (int k = 0; k < n; ++k) {
    if (fetch.oerrorno[k] == oerrn) return k;
  }
  return -1;
}

// The closing lines of error=: the rows each listed error skipped.
void reportSkipped(const WRITER *w) {
  for (int k = 0; k < std::min(w->fetch->oerrcount, MAX_SKIP_ERRORS); ++k)
    if (w->skipped[k] > 0)
      reportMessage(w->db, MsgKind::Progress, "         %llu rows skipped for ORA-%05d.\n", w->skipped[k],
                    w->fetch->oerrorno[k]);
}

}  // namespace

int isSkipedError(const FETCHSPEC &fetch, int oerrn) { return skipIndex(fetch, oerrn) >= 0 ? 1 : 0; }

namespace {

// The cursor is exhausted: the streams are committed, then the control file
// names every data file written.
JobStatus finishWriter(WRITER *w) {
  const JobStatus closed = closeOutput(&w->out, w->db, w->rowbatch);
  if (closed != JobStatus::Done || !w->countfaults) return closed;
  if (LOADFAULTS *slot = sharedLoadFaults()) {  // a worker: the parent names all files and counts
    *slot = w->faults;
    return closed;
  }
  if (!writesControlFile(*w->control)) return closed;
  return finishControlFile(w->db, *w->control, w->written, w->faults) < 0 ? JobStatus::Open : closed;
}

// The fetch loop of printRow8: every array fetched and written until the
// cursor is exhausted or a fetch, write or open fails.
JobStatus fetchAndWrite(WRITER *w) {
  ub4 total = 0;
  int emptySkips = 0;
  for (;;) {
    ub4 arraysize = std::min<ub4>(w->job->arraysize, MAX_ARRAY_SIZE);
    sword status = w->cursor->fetch(arraysize);
    const bool error = status != OCI_SUCCESS && status != OCI_NO_DATA;
    bool fatal = false;
    if (error) {
      // A status without an error record counts as success.
      const sb4 code = w->cursor->lastError();
      const int listed = code != 0 ? skipIndex(*w->fetch, code) : -1;
      fatal = code != 0 && listed < 0;
      if (listed >= 0 && status == OCI_ERROR) w->skipped[listed]++;  // a warning skips no row
    }
    ub4 rows = fetchedRows(w, status, arraysize, &total);
    if (error && !fatal) {
      emptySkips = rows == 0 ? emptySkips + 1 : 0;
      fatal = emptySkips >= MAX_EMPTY_SKIPS;
    }
    // A failed fetch still delivers the rows before the failing one: they are
    // written before the unload stops. An array with an unlisted warning may
    // hold a cut value, so it is not.
    if (fatal && status == OCI_SUCCESS_WITH_INFO) rows = 0;
    if (checkInterrupt(w) != 0) break;
    if (rows > 0 && switchIfDue(w) != 0) break;
    if (w->format == 1 && rows > 0 && openStatement(w) != 0) break;
    bool failed = false;
    for (ub4 j = 0; j < rows && !failed; ++j) {
      failed = (j > 0 && (checkInterrupt(w) != 0 || switchIfDue(w) != 0)) ||
               writeRow(w, static_cast<int>(j)) != 0;
      if (!failed) afterRow(w);
    }
    if (failed || (w->format == 1 && closeStatement(w) != 0)) break;
    if (fatal) {
      abortOutput(&w->out, 1);
      return JobStatus::Fetch;
    }
    if (status == OCI_NO_DATA) {
      reportJsonReplacements(w->json, w->db);
      return finishWriter(w);
    }
  }
  return stopWriter(w);
}

}  // namespace

namespace {

// Takes the layout into the writer and prepares what every row uses: the
// escape and translation lists, the INSERT texts and the form of every column.
void setupWriter(WRITER *w, COLUMN *col, const ROWFORMAT &fmt, const OUTPUTSPEC &output,
                 const SESSIONFORMATS *formats) {
  w->field = fmt.field; w->flen = fmt.flen;
  w->record = fmt.record; w->rlen = fmt.rlen;
  w->batch = output.batch; w->header = fmt.header; w->fixlen = fixedWidth(fmt);
  w->sedf = fmt.sedf; w->sedt = fmt.sedt;
  w->quote = fmt.quote;
  w->quotelen = static_cast<int>(strlen(reinterpret_cast<const char *>(fmt.quote)));
  w->rowbatch = output.rows > 0 ? output.rows : 1;
  w->snull = fmt.snull; w->lnull = fmt.lnull;
  w->escape = static_cast<unsigned char>(fmt.escape);
  w->format = fmt.format;
  w->rowpre = fmt.rowpre; w->rowprelen = fmt.rplen;
  w->rowsuf = fmt.rowsuf; w->rowsuflen = fmt.rslen;
  w->colsep = fmt.colsep; w->colseplen = fmt.colseplen;
  w->escf = fmt.escf; w->esct = fmt.esct;
  w->sqlexec = fmt.exec; w->sqlexeclen = fmt.execlen;
  w->prehead = fmt.prehead; w->preheadlen = fmt.preheadlen;
  w->hexbinary = writesBinaryAsHex(fmt);
  w->stmtrows = -1;
  setupLists(w);
  ub2 csid = fmt.charsetid != 0 ? fmt.charsetid : w->cursor->charsetId();
  w->pairs = usesDoubleBytePairs(csid);
  prepareEscapeSet(&w->esc, w->escape, w->escf, w->esct, w->escape_len, w->pairs);

  w->sqllen = getInsertSQL(col, w->sqlbuf, sizeof w->sqlbuf, w->job->tabname, fmt.format, fmt.sqlhint);
  if (fmt.format == 1 && fmt.update == 1) {
    w->sqllen2 = getDuplicateSQL(col, w->sqlbuf2, sizeof w->sqlbuf2);
  }
  const SESSIONFORMATS defaults = defaultSessionFormats();
  w->prologuelen = getScriptPrologue(formats != nullptr ? formats : &defaults, fmt.exec, fmt.execlen,
                                     w->prologue, sizeof w->prologue);
  for (COLUMN *c = col->next; c != nullptr && w->colcount < MAX_COLUMNS; c = c->next) {
    int n = static_cast<int>(strnlen(reinterpret_cast<const char *>(c->buf), COLUMN_NAME_SIZE - 1));
    w->cols[w->colcount] = c;
    w->namelen[w->colcount] = n;
    w->max_col_len = std::max(w->max_col_len, n);
    ++w->colcount;
  }
  for (int i = 0; i < w->colcount; ++i) setupForm(w, i, output.lobfname[0] != '\0');
  if (fmt.format == FORMAT_JSON) prepareJsonRows(&w->json, w->cols, w->colcount);
}

}  // namespace

JobStatus printRow8(DATABASE *db, ROWCURSOR *cursor, COLUMN *col, const ROWFORMAT &format,
                    const OUTPUTSPEC &output, const FETCHSPEC &fetch, const JOBSTATE &job,
                    const CONTROLFILEJOB *control, const SESSIONFORMATS *formats) {
  // About 130 KB of state: on the heap, zeroed, freed on every return.
  std::unique_ptr<WRITER> owner = std::make_unique<WRITER>();
  WRITER *w = owner.get();
  w->db = db;
  w->cursor = cursor;
  w->fetch = &fetch;
  w->job = &job;
  w->control = control;
  setupWriter(w, col, format, output, formats);

  w->status = openOutput(&w->out, db, output.fname, output.lobfname, job.slaveid, output.crackkey,
                         output.piece, output.threads);
  if (failed(w->status)) return w->status;
  if (!w->out.isstdout) w->written.emplace_back(reinterpret_cast<const char *>(w->out.tempbuf));
  w->countfaults = control != nullptr && loadsBack(*control);
  if ((w->header && w->fixlen == 0) || w->format == 2) writeHeader(w);
  if (!w->out.isstdout) printRowInfo(db, 0, 0.0f);

  const JobStatus status = fetchAndWrite(w);
  reportSkipped(w);
  return status;
}
