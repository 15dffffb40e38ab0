// Stored values into define elements. This runs once per column of every
// fetched row: values are read in place from SQLite and written straight
// into the caller's element; only dates and numbers pass a stack buffer.
#include "convert.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "internal.h"
#include "numtext.h"

namespace ocilite {
namespace {

// Indicator of a value cut to its element whose length does not fit an sb2.
constexpr sb2 kIndicatorTooLong = -2;
constexpr ub2 kRcodeNull = 1405;
constexpr ub2 kRcodeTruncated = 1406;
// Largest length a ub2 returned-length element can hold.
constexpr size_t kMaxReturnedLength = 65535;

bool isLobType(ub2 dty) { return dty == SQLT_CLOB || dty == SQLT_BLOB || dty == SQLT_BFILEE; }

// LOB defines of element size 0 hold one locator pointer per row.
ub1 *elementAt(const OCIDefine &d, ub4 row) {
  const size_t stride = d.size == 0 && isLobType(d.dty) ? sizeof(OCILobLocator *) : (size_t)d.size;
  return d.value + (size_t)row * stride;
}

Outcome setNull(const OCIDefine &d, ub4 row) {
  if (d.rlen) d.rlen[row] = 0;
  if (d.ind) {
    d.ind[row] = -1;
    if (d.rcode) d.rcode[row] = 0;
    return Outcome::Null;
  }
  if (d.rcode) d.rcode[row] = kRcodeNull;
  return Outcome::NullNoInd;
}

// Records delivered bytes of a value of full bytes.
Outcome setLength(const OCIDefine &d, ub4 row, size_t delivered, size_t full) {
  if (d.fullLength) *d.fullLength = delivered;
  if (d.rlen) d.rlen[row] = (ub2)(delivered < kMaxReturnedLength ? delivered : kMaxReturnedLength);
  if (delivered >= full) {
    if (d.ind) d.ind[row] = 0;
    if (d.rcode) d.rcode[row] = 0;
    return Outcome::Value;
  }
  if (d.ind) d.ind[row] = full > 32767 ? kIndicatorTooLong : (sb2)full;
  if (d.rcode) d.rcode[row] = kRcodeTruncated;
  return Outcome::Truncated;
}

// Text or bytes into a character or binary element: n bytes of data, then
// blanks out to padTo bytes (CHAR columns). SQLT_STR elements end in a zero
// byte that the returned length does not count; SQLT_AFC elements are
// blank-padded to the element size.
Outcome putText(const OCIDefine &d, ub4 row, const void *data, size_t n, size_t padTo) {
  ub1 *e = elementAt(d, row);
  const size_t size = (size_t)d.size;
  if (d.dty == SQLT_CHR && n <= size && padTo <= n && n < kMaxReturnedLength && d.fullLength == nullptr) {
    // The common case, a whole value into a plain character element.
    std::memcpy(e, data, n);
    if (d.rlen) d.rlen[row] = (ub2)n;
    if (d.ind) d.ind[row] = 0;
    if (d.rcode) d.rcode[row] = 0;
    return Outcome::Value;
  }
  const size_t cap = d.dty == SQLT_STR ? (size ? size - 1 : 0) : size;
  const size_t full = n > padTo ? n : padTo;
  const size_t copied = n < cap ? n : cap;
  std::memcpy(e, data, copied);
  size_t delivered = copied;
  if (full > n) {
    size_t blanks = (full < cap ? full : cap) - copied;
    std::memset(e + copied, ' ', blanks);
    delivered += blanks;
  }
  if (d.dty == SQLT_STR && size) e[delivered] = 0;
  Outcome o = setLength(d, row, delivered, full);
  if (d.dty == SQLT_AFC && delivered < size) {
    std::memset(e + delivered, ' ', size - delivered);
    if (d.rlen) d.rlen[row] = (ub2)(size < kMaxReturnedLength ? size : kMaxReturnedLength);
  }
  return o;
}

// Bytes as upper-case hex digits (RAW fetched as text).
Outcome putHex(const OCIDefine &d, ub4 row, const ub1 *bytes, size_t n) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  ub1 *e = elementAt(d, row);
  const size_t size = (size_t)d.size;
  const size_t cap = d.dty == SQLT_STR ? (size ? size - 1 : 0) : size;
  const size_t full = 2 * n;
  size_t k = 0;
  for (size_t i = 0; i < n && k < cap; i++) {
    e[k++] = (ub1)kHex[bytes[i] >> 4];
    if (k < cap) e[k++] = (ub1)kHex[bytes[i] & 15];
  }
  if (d.dty == SQLT_STR && size) e[k] = 0;
  Outcome o = setLength(d, row, k, full);
  if (d.dty == SQLT_AFC && k < size) std::memset(e + k, ' ', size - k);
  return o;
}

const DateFormat &formatFor(ValueKind kind, const Connection &conn) {
  switch (kind) {
    case ValueKind::Timestamp: return conn.timestampFormat;
    case ValueKind::TimestampTz: return conn.timestampTzFormat;
    default: return conn.dateFormat;
  }
}

// NUMBER(p) and NUMBER(p,s): reals are shown rounded to the declared scale.
bool hasScale(const ColumnType &type) {
  return type.kind == ValueKind::Number && type.precision > 0 && type.scale >= 0;
}

// Characters of UTF-8 text counted as AL16UTF16 code units, the national
// set's length unit: a character outside the Basic Multilingual Plane (a
// four-byte UTF-8 sequence) counts two.
size_t utf16Units(const char *p, size_t n) {
  size_t units = 0;
  for (size_t i = 0; i < n; i++) {
    const unsigned char b = (unsigned char)p[i];
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

// Bytes a CHAR or NCHAR value is blank-padded to once it is delivered in
// delivered bytes. CHAR pads to its declared byte length; NCHAR to its
// declared length in characters (described as two bytes each), so the
// blanks are the characters the stored value lacks, whatever set it is
// delivered in.
size_t fixedCharPad(const ColumnType &type, const char *stored, size_t n, size_t delivered) {
  if (type.kind != ValueKind::FixedChar) return 0;
  if (type.form != SQLCS_NCHAR) return type.size;
  const size_t declared = type.size / 2, units = utf16Units(stored, n);
  return units < declared ? delivered + (declared - units) : 0;
}

bool isDateKind(ValueKind k) {
  return k == ValueKind::Date || k == ValueKind::Timestamp || k == ValueKind::TimestampTz;
}

Outcome putAsText(const OCIDefine &d, ub4 row, sqlite3_value *v, const ColumnType &type, const FetchContext &ctx) {
  char buf[kMaxDateTimeText > kNumberBufferSize ? kMaxDateTimeText : kNumberBufferSize];
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: {
      sqlite3_int64 i = sqlite3_value_int64(v);
      size_t n = type.kind == ValueKind::BinaryDouble  ? binaryDoubleText((double)i, buf)
                 : type.kind == ValueKind::BinaryFloat ? binaryFloatText((float)i, buf)
                                                       : integerText(i, buf);
      return putText(d, row, buf, n, 0);
    }
    case SQLITE_FLOAT: {
      double f = sqlite3_value_double(v);
      size_t n = type.kind == ValueKind::BinaryDouble  ? binaryDoubleText(f, buf)
                 : type.kind == ValueKind::BinaryFloat ? binaryFloatText((float)f, buf)
                 : hasScale(type)                      ? numberTextAtScale(f, type.scale, buf)
                                                       : numberText(f, buf);
      return putText(d, row, buf, n, 0);
    }
    case SQLITE_TEXT: {
      const char *p = (const char *)sqlite3_value_text(v);
      const size_t n = (size_t)sqlite3_value_bytes(v);
      if (n == 0) return setNull(d, row);  // Oracle holds no empty strings
      if (isDateKind(type.kind)) {
        const DateFormat &fmt = formatFor(type.kind, *ctx.conn);
        if (formatsToItself(std::string_view(p, n), fmt, type.scale)) return putText(d, row, p, n, 0);
        DateTime dt;
        if (parseStoredDateTime(std::string_view(p, n), &dt)) {
          size_t len = formatDateTime(dt, fmt, type.scale, buf);
          return putText(d, row, buf, len, 0);
        }
      }
      if (d.dty == SQLT_BIN && type.kind == ValueKind::Raw) {
        // RAW text is hex already; binary elements get its bytes.
        return putText(d, row, p, n, 0);
      }
      const Transcoder &t = type.form == SQLCS_NCHAR ? *ctx.toClientN : *ctx.toClient;
      if (t.active() && d.dty != SQLT_BIN && d.dty != SQLT_LBI) {
        transcode(t, std::string_view(p, n), ctx.scratch);
        const size_t delivered = ctx.scratch->size();
        return putText(d, row, ctx.scratch->data(), delivered, fixedCharPad(type, p, n, delivered));
      }
      return putText(d, row, p, n, fixedCharPad(type, p, n, n));
    }
    case SQLITE_BLOB: {
      const ub1 *b = (const ub1 *)sqlite3_value_blob(v);
      const size_t n = (size_t)sqlite3_value_bytes(v);
      if (n == 0) return setNull(d, row);
      if (d.dty == SQLT_BIN || d.dty == SQLT_LBI) return putText(d, row, b, n, 0);
      return putHex(d, row, b, n);
    }
    default:
      return setNull(d, row);
  }
}

// The value as a number: integer when exact, else double. False for text
// that is not a number.
bool numericValue(sqlite3_value *v, bool *isInt, sqlite3_int64 *i, double *f) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      *isInt = true;
      *i = sqlite3_value_int64(v);
      return true;
    case SQLITE_FLOAT:
      *isInt = false;
      *f = sqlite3_value_double(v);
      return true;
    case SQLITE_TEXT: {
      const char *p = (const char *)sqlite3_value_text(v);
      char *end = nullptr;
      *f = std::strtod(p, &end);
      while (end && *end == ' ') end++;
      if (end == p || (end && *end)) return false;
      *isInt = false;
      return true;
    }
    default: return false;
  }
}

Outcome putNumber(const OCIDefine &d, ub4 row, sqlite3_value *v, sb4 *error) {
  if (sqlite3_value_type(v) == SQLITE_NULL) return setNull(d, row);
  bool isInt = false;
  sqlite3_int64 iv = 0;
  double fv = 0;
  if (!numericValue(v, &isInt, &iv, &fv)) {
    *error = sqlite3_value_type(v) == SQLITE_TEXT ? 1722 : 932;
    return Outcome::Failed;
  }
  ub1 *e = elementAt(d, row);
  if (d.dty == SQLT_FLT || d.dty == SQLT_BFLOAT || d.dty == SQLT_BDOUBLE) {
    double v = isInt ? (double)iv : fv;
    if (d.size == sizeof(float)) {
      float x = (float)v;
      std::memcpy(e, &x, sizeof x);
    } else if (d.size == sizeof(double)) {
      std::memcpy(e, &v, sizeof v);
    } else {
      *error = 932;
      return Outcome::Failed;
    }
    return setLength(d, row, (size_t)d.size, (size_t)d.size);
  }
  // SQLT_INT / SQLT_UIN of 1, 2, 4 or 8 bytes.
  if (!isInt) {
    double r = std::round(fv);
    if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18)) {
      *error = 1455;
      return Outcome::Failed;
    }
    iv = (sqlite3_int64)r;
  }
  const bool unsignedType = d.dty == SQLT_UIN;
  bool fits;
  switch (d.size) {
    case 1: fits = unsignedType ? iv >= 0 && iv <= 0xff : iv >= -128 && iv <= 127; break;
    case 2: fits = unsignedType ? iv >= 0 && iv <= 0xffff : iv >= -32768 && iv <= 32767; break;
    case 4:
      fits = unsignedType ? iv >= 0 && iv <= 0xffffffffLL
                          : iv >= std::numeric_limits<int32_t>::min() && iv <= std::numeric_limits<int32_t>::max();
      break;
    case 8: fits = !unsignedType || iv >= 0; break;
    default: *error = 932; return Outcome::Failed;
  }
  if (!fits) {
    *error = 1455;
    return Outcome::Failed;
  }
  switch (d.size) {
    case 1: { int8_t x = (int8_t)iv; std::memcpy(e, &x, 1); break; }
    case 2: { int16_t x = (int16_t)iv; std::memcpy(e, &x, 2); break; }
    case 4: { int32_t x = (int32_t)iv; std::memcpy(e, &x, 4); break; }
    default: std::memcpy(e, &iv, 8); break;
  }
  return setLength(d, row, (size_t)d.size, (size_t)d.size);
}

// SQLT_NUM: Oracle's internal NUMBER bytes; SQLT_VNU the same after a
// length byte.
Outcome putInternalNumber(const OCIDefine &d, ub4 row, sqlite3_value *v, const ColumnType &type,
                          sb4 *error) {
  uint8_t bytes[kNumberBytes];
  size_t n = 0;
  NumberStatus status;
  switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return setNull(d, row);
    case SQLITE_INTEGER: status = encodeNumberInt(sqlite3_value_int64(v), bytes, &n); break;
    case SQLITE_FLOAT:
      status = encodeNumberReal(sqlite3_value_double(v), hasScale(type) ? type.scale : -1, bytes, &n);
      break;
    case SQLITE_TEXT: {
      const size_t len = (size_t)sqlite3_value_bytes(v);
      if (len == 0) return setNull(d, row);
      status = encodeNumberText(std::string_view((const char *)sqlite3_value_text(v), len), bytes, &n);
      break;
    }
    default: status = NumberStatus::NotANumber; break;
  }
  if (status != NumberStatus::Ok) {
    *error = status == NumberStatus::Overflow ? 1426 : sqlite3_value_type(v) == SQLITE_TEXT ? 1722 : 932;
    return Outcome::Failed;
  }
  ub1 *e = elementAt(d, row);
  const size_t prefix = d.dty == SQLT_VNU ? 1 : 0;
  if ((size_t)d.size < n + prefix) {
    *error = 1406;
    return Outcome::Failed;
  }
  if (prefix) e[0] = (ub1)n;
  std::memcpy(e + prefix, bytes, n);
  return setLength(d, row, n + prefix, n + prefix);
}

// SQLT_DAT: the 7-byte DATE of a stored date or timestamp (fraction and
// offset dropped).
Outcome putInternalDate(const OCIDefine &d, ub4 row, sqlite3_value *v, sb4 *error) {
  const int t = sqlite3_value_type(v);
  if (t == SQLITE_NULL) return setNull(d, row);
  const size_t len = (size_t)sqlite3_value_bytes(v);
  if (t == SQLITE_TEXT && len == 0) return setNull(d, row);
  DateTime dt;
  if (t != SQLITE_TEXT ||
      !parseStoredDateTime(std::string_view((const char *)sqlite3_value_text(v), len), &dt)) {
    *error = 932;
    return Outcome::Failed;
  }
  if ((size_t)d.size < kDateBytes) {
    *error = 1406;
    return Outcome::Failed;
  }
  encodeDate(dt, elementAt(d, row));
  return setLength(d, row, kDateBytes, kDateBytes);
}

// SQLT_LVC / SQLT_LVB: a 4-byte host-order length, then the data cut to the
// element less those 4 bytes. Character data arrives as a text fetch gives
// it; binary data as its bytes.
Outcome putLong(const OCIDefine &d, ub4 row, sqlite3_value *v, const ColumnType &type,
                const FetchContext &ctx) {
  constexpr sb4 kPrefix = sizeof(ub4);
  if (d.size < kPrefix) return setNull(d, row);
  OCIDefine inner = d;  // one element, after the prefix, as text or bytes
  ub1 *e = elementAt(d, row);
  inner.value = e + kPrefix;
  inner.size = d.size - kPrefix;
  inner.dty = d.dty == SQLT_LVB ? SQLT_BIN : SQLT_CHR;
  inner.ind = d.ind ? d.ind + row : nullptr;
  inner.rlen = nullptr;  // the prefix carries the length; a ub2 cannot
  inner.rcode = d.rcode ? d.rcode + row : nullptr;
  size_t delivered = 0;
  inner.fullLength = &delivered;
  size_t full = 0;
  Outcome o = Outcome::Null;
  if (sqlite3_value_type(v) == SQLITE_BLOB && d.dty == SQLT_LVB) {
    full = (size_t)sqlite3_value_bytes(v);
    o = full == 0 ? setNull(inner, 0) : putText(inner, 0, sqlite3_value_blob(v), full, 0);
  } else {
    o = putAsText(inner, 0, v, type, ctx);
  }
  if (o != Outcome::Value && o != Outcome::Truncated) delivered = 0;
  const ub4 prefix = (ub4)delivered;
  std::memcpy(e, &prefix, kPrefix);
  if (d.rlen) {
    const size_t total = delivered + kPrefix;
    d.rlen[row] = (ub2)(total < kMaxReturnedLength ? total : kMaxReturnedLength);
  }
  return o;
}

// The row's locator, reset to hold nothing; null (with *error set) when
// the element holds no live locator.
OCILobLocator *rowLocator(const OCIDefine &d, ub4 row, const ColumnType &type, sb4 *error) {
  OCILobLocator *loc = nullptr;
  std::memcpy(&loc, elementAt(d, row), sizeof loc);
  loc = handleOf<OCILobLocator>(loc, OCI_DTYPE_LOB);
  if (loc == nullptr) {
    *error = 22275;  // invalid LOB locator specified
    return nullptr;
  }
  closeLocator(loc);
  loc->value.clear();
  loc->stored = LobSource{};
  loc->binary = d.dty != SQLT_CLOB;
  loc->file = d.dty == SQLT_BFILEE;
  loc->form = type.form;
  if (d.rlen) d.rlen[row] = sizeof loc;
  if (d.ind) d.ind[row] = 0;
  if (d.rcode) d.rcode[row] = 0;
  return loc;
}

// CLOB / BLOB / BFILE into the row's locator: the locator takes the value
// (a BFILE's value is the path of the file it reads).
Outcome putLocator(const OCIDefine &d, ub4 row, sqlite3_stmt *st, int col, const ColumnType &type,
                   sb4 *error) {
  if (sqlite3_column_type(st, col) == SQLITE_NULL) return setNull(d, row);
  OCILobLocator *loc = rowLocator(d, row, type, error);
  if (loc == nullptr) return Outcome::Failed;
  const void *p = sqlite3_column_type(st, col) == SQLITE_BLOB ? sqlite3_column_blob(st, col)
                                                               : (const void *)sqlite3_column_text(st, col);
  loc->value.assign(static_cast<const char *>(p), (size_t)sqlite3_column_bytes(st, col));
  return Outcome::Value;
}

}  // namespace

Outcome putStoredLocator(const OCIDefine &d, ub4 row, const LobSource &source, const ColumnType &type,
                         sb4 *error) {
  OCILobLocator *loc = rowLocator(d, row, type, error);
  if (loc == nullptr) return Outcome::Failed;
  loc->stored = source;
  return Outcome::Value;
}

Outcome putRowid(const OCIDefine &d, ub4 row, sqlite3_stmt *st, int col, const RowidObjects &objects,
                 sb4 *error) {
  if (sqlite3_column_type(st, col) == SQLITE_NULL) return setNull(d, row);
  if (d.dty != SQLT_CHR && d.dty != SQLT_STR && d.dty != SQLT_AFC) {
    *error = 932;
    return Outcome::Failed;
  }
  const std::string text = rowidTextOf(objects, sqlite3_column_int64(st, col));
  return putText(d, row, text.data(), text.size(), 0);
}

Outcome putNull(const OCIDefine &d, ub4 row) { return setNull(d, row); }

bool isSupportedDefineType(ub2 dty) {
  switch (dty) {
    case SQLT_CHR: case SQLT_STR: case SQLT_AFC: case SQLT_BIN: case SQLT_LBI:
    case SQLT_INT: case SQLT_UIN: case SQLT_FLT: case SQLT_BFLOAT: case SQLT_BDOUBLE:
    case SQLT_NUM: case SQLT_VNU: case SQLT_DAT: case SQLT_LVC: case SQLT_LVB:
    case SQLT_CLOB: case SQLT_BLOB: case SQLT_BFILEE:
      return true;
    default:
      return false;
  }
}

Outcome putElement(const OCIDefine &d, ub4 row, sqlite3_stmt *st, int col, const ColumnType &type,
                   const FetchContext &ctx, sb4 *error) {
  // One look-up of the column's value, not one per sqlite3_column_* call:
  // the value is read on this thread only, before the next step.
  sqlite3_value *v = sqlite3_column_value(st, col);
  switch (d.dty) {
    case SQLT_CHR:
    case SQLT_STR:
    case SQLT_AFC:
    case SQLT_BIN:
    case SQLT_LBI:
      return putAsText(d, row, v, type, ctx);
    case SQLT_INT:
    case SQLT_UIN:
    case SQLT_FLT:
    case SQLT_BFLOAT:
    case SQLT_BDOUBLE:
      return putNumber(d, row, v, error);
    case SQLT_NUM:
    case SQLT_VNU:
      return putInternalNumber(d, row, v, type, error);
    case SQLT_DAT:
      return putInternalDate(d, row, v, error);
    case SQLT_LVC:
    case SQLT_LVB:
      return putLong(d, row, v, type, ctx);
    case SQLT_CLOB:
    case SQLT_BLOB:
    case SQLT_BFILEE:
      return putLocator(d, row, st, col, type, error);
    default:
      *error = 932;
      return Outcome::Failed;
  }
}

}  // namespace ocilite
