// JSON Lines rows. Every item is written after a space check that leaves room
// for it; a string or hex value too large for the room left is written in
// parts, each ending between characters, with a flush in between.
#include "unload/jsonrow.h"

#include <string.h>

#include <algorithm>

#include "bytes/jsontext.h"
#include "bytes/numconv.h"
#include "unload/columntype.h"

namespace {

// Room kept after a value for its closing quote and the row's "}\n".
constexpr size_t VALUE_TAIL_ROOM = 16;
// Below this much room a value written in parts flushes before its next part.
constexpr size_t MIN_PART_ROOM = 65536;
// Bytes a name can take escaped, with its quotes, colon and '{' or ','.
constexpr size_t KEY_ROOM = COLUMN_NAME_SIZE * JSON_ESCAPE_GROWTH + 4;
constexpr char HEXDIGITS[] = "0123456789abcdef";

JsonValue kindOf(const COLUMN *c) {
  if (c->dbtype == SQLT_NUM) return JsonValue::InternalNumber;
  if (c->dbtype == SQLT_DAT) return JsonValue::InternalDate;
  if (c->dbtype == SQLT_BIN || c->dbtype == DESC_VARRAW || c->dbtype == SQLT_LVB) return JsonValue::Hex;
  switch (c->oldtype) {
    case SQLT_NUM: case SQLT_VNU: case SQLT_FLT: case SQLT_BFLOAT: case SQLT_BDOUBLE:
    case SQLT_IBFLOAT: case SQLT_IBDOUBLE:
      return JsonValue::Number;
    case SQLT_DAT: case SQLT_ODT: case DESC_TIMESTAMP: case SQLT_TIMESTAMP: case DESC_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_TZ: case SQLT_TIMESTAMP_LTZ:
      return JsonValue::Timestamp;
    default:
      return JsonValue::Text;
  }
}

void put(OUTSTREAM *out, const void *src, size_t n) {
  memcpy(out->iobuf + out->iopos, src, n);
  out->iopos += static_cast<int>(n);
}

// Bytes a value part may take now.
size_t room(const OUTSTREAM *out) {
  const size_t used = static_cast<size_t>(out->iopos) + VALUE_TAIL_ROOM + 1;
  return used < static_cast<size_t>(IOBUF_SIZE) ? static_cast<size_t>(IOBUF_SIZE) - used : 0;
}

// A quoted string of src, in parts when it does not fit.
JobStatus putString(JSONROWS *rows, OUTSTREAM *out, const ub1 *src, size_t len) {
  put(out, "\"", 1);
  size_t done = 0;
  while (done < len) {
    if (room(out) < MIN_PART_ROOM && room(out) < (len - done) * JSON_ESCAPE_GROWTH) {
      if (JobStatus s = flushIoBuffer(out); failed(s)) return s;
    }
    JSONCUT cut = jsonEscape(src + done, len - done, out->iobuf + out->iopos, room(out));
    out->iopos += static_cast<int>(cut.written);
    done += cut.read;
    rows->replaced += cut.replaced;
    if (done < len) {
      if (JobStatus s = flushIoBuffer(out); failed(s)) return s;
    }
  }
  put(out, "\"", 1);
  return JobStatus::Done;
}

// A quoted string of the hex digits of src, in parts when it does not fit.
JobStatus putHexString(OUTSTREAM *out, const ub1 *src, size_t len) {
  put(out, "\"", 1);
  size_t done = 0;
  while (done < len) {
    if (room(out) < 2) {
      if (JobStatus s = flushIoBuffer(out); failed(s)) return s;
    }
    const size_t k = std::min(len - done, room(out) / 2);
    ub1 *dst = out->iobuf + out->iopos;
    for (size_t i = 0; i < k; ++i) {
      dst[2 * i] = static_cast<ub1>(HEXDIGITS[src[done + i] >> 4]);
      dst[2 * i + 1] = static_cast<ub1>(HEXDIGITS[src[done + i] & 15]);
    }
    out->iopos += static_cast<int>(2 * k);
    done += k;
  }
  put(out, "\"", 1);
  return JobStatus::Done;
}

// Number text as a JSON number, or as a string when it is none (or longer
// than any number text).
JobStatus putNumber(JSONROWS *rows, OUTSTREAM *out, const ub1 *src, size_t len) {
  // Written in place: the row's space check left NUMBUF_SIZE bytes of room.
  if (len + 2 <= NUMBUF_SIZE) {
    if (size_t n = jsonNumber(src, len, out->iobuf + out->iopos); n > 0) {
      out->iopos += static_cast<int>(n);
      return JobStatus::Done;
    }
    memset(out->iobuf + out->iopos, ' ', len + 2);  // the buffer stays blank past iopos
  }
  return putString(rows, out, src, len);
}

JobStatus putTimestamp(JSONROWS *rows, OUTSTREAM *out, const ub1 *src, size_t len) {
  if (len > NUMBUF_SIZE) return putString(rows, out, src, len);
  ub1 iso[NUMBUF_SIZE];
  return putString(rows, out, iso, isoTimestamp(src, len, iso));
}

JobStatus putValue(JSONROWS *rows, OUTSTREAM *out, const JSONCOLUMN &c, const ub1 *value, size_t len) {
  ub1 text[NUMBUF_SIZE];
  switch (c.kind) {
    case JsonValue::Number:
      return putNumber(rows, out, value, len);
    case JsonValue::InternalNumber:
      return putNumber(rows, out, text, testNUMBER(text, value, static_cast<ub2>(len)));
    case JsonValue::Timestamp:
      return putTimestamp(rows, out, value, len);
    case JsonValue::InternalDate:
      return putTimestamp(rows, out, text, testTIMESTAMP(text, value, static_cast<ub2>(len)));
    case JsonValue::Hex:
      return putHexString(out, value, len);
    case JsonValue::Text:
      break;
  }
  return putString(rows, out, value, len);
}

}  // namespace

void prepareJsonRows(JSONROWS *rows, COLUMN *const *cols, int count) {
  rows->cols.clear();
  rows->replaced = 0;
  for (int i = 0; i < count; ++i) {
    const COLUMN *c = cols[i];
    const size_t namelen = strnlen(reinterpret_cast<const char *>(c->buf), COLUMN_NAME_SIZE - 1);
    std::string key(i == 0 ? "{\"" : ",\"");
    std::string escaped(namelen * JSON_ESCAPE_GROWTH, '\0');
    JSONCUT cut = jsonEscape(reinterpret_cast<const ub1 *>(c->buf), namelen,
                             reinterpret_cast<ub1 *>(escaped.data()), escaped.size());
    rows->replaced += cut.replaced;
    key.append(escaped, 0, cut.written);
    key += "\":";
    rows->cols.push_back({c, kindOf(c), c->dbtype == SQLT_LVC || c->dbtype == SQLT_LVB, key});
  }
}

JobStatus writeJsonRow(JSONROWS *rows, OUTSTREAM *out, int j) {
  for (const JSONCOLUMN &c : rows->cols) {
    if (JobStatus s = ensureSpace(out, KEY_ROOM + NUMBUF_SIZE + VALUE_TAIL_ROOM); failed(s)) return s;
    put(out, c.key.data(), c.key.size());
    const COLUMN *p = c.col;
    if (p->indp[j] == -1) {
      put(out, "null", 4);
      continue;
    }
    const ub1 *value = p->colbuf + static_cast<size_t>(j) * static_cast<size_t>(p->dsize);
    size_t len = std::min<size_t>(p->col_retlen[j], static_cast<size_t>(p->dsize));
    if (c.longval) {
      ub4 longlen;
      memcpy(&longlen, value, sizeof longlen);
      value += sizeof longlen;
      len = std::min<size_t>(longlen, p->dsize > 4 ? static_cast<size_t>(p->dsize) - 4 : 0);
    }
    if (JobStatus s = putValue(rows, out, c, value, len); failed(s)) return s;
  }
  if (JobStatus s = ensureSpace(out, VALUE_TAIL_ROOM); failed(s)) return s;
  put(out, "}\n", 2);
  return JobStatus::Done;
}

void reportJsonReplacements(const JSONROWS &rows, DATABASE *db) {
  if (rows.replaced == 0) return;
  reportMessage(db, MsgKind::Warning,
                "WARNING -- text=JSON: %llu bytes that are no valid UTF-8 written as U+FFFD; "
                "unload with a UTF-8 charset= to keep them.\n",
                rows.replaced);
}
