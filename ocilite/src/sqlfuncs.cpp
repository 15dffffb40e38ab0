// Oracle SQL functions over SQLite values.
#include "sqlfuncs.h"

#include <cctype>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/time.h>

#include "datefuncs.h"
#include "numtext.h"
#include "sqlvalues.h"

namespace ocilite {
namespace {

Connection *connOf(sqlite3_context *ctx) { return static_cast<Connection *>(sqlite3_user_data(ctx)); }

void nvl(sqlite3_context *ctx, int, sqlite3_value **argv) {
  sqlite3_result_value(ctx, isNull(argv[0]) ? argv[1] : argv[0]);
}

void nvl2(sqlite3_context *ctx, int, sqlite3_value **argv) {
  sqlite3_result_value(ctx, isNull(argv[0]) ? argv[2] : argv[1]);
}

bool sameValue(sqlite3_value *a, sqlite3_value *b) {
  if (isNull(a) || isNull(b)) return isNull(a) && isNull(b);
  int ta = sqlite3_value_numeric_type(a), tb = sqlite3_value_numeric_type(b);
  if ((ta == SQLITE_INTEGER || ta == SQLITE_FLOAT) && (tb == SQLITE_INTEGER || tb == SQLITE_FLOAT))
    return sqlite3_value_double(a) == sqlite3_value_double(b);
  return textOf(a) == textOf(b);
}

void decode(sqlite3_context *ctx, int argc, sqlite3_value **argv) {
  if (argc < 3) {
    sqlite3_result_error(ctx, "ORA-00909: invalid number of arguments", -1);
    return;
  }
  int i = 1;
  for (; i + 1 < argc; i += 2) {
    if (sameValue(argv[0], argv[i])) {
      sqlite3_result_value(ctx, argv[i + 1]);
      return;
    }
  }
  if (i < argc) sqlite3_result_value(ctx, argv[i]);
  else sqlite3_result_null(ctx);
}

void user(sqlite3_context *ctx, int, sqlite3_value **) { resultText(ctx, connOf(ctx)->user); }

DateTime now(bool fraction) {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  struct tm tm;
  localtime_r(&tv.tv_sec, &tm);
  DateTime dt;
  dt.year = tm.tm_year + 1900;
  dt.month = tm.tm_mon + 1;
  dt.day = tm.tm_mday;
  dt.hour = tm.tm_hour;
  dt.minute = tm.tm_min;
  dt.second = tm.tm_sec;
  dt.nanos = fraction ? tv.tv_usec * 1000L : 0;
  dt.zoneMinutes = (int)(tm.tm_gmtoff / 60);
  return dt;
}

void sysdate(sqlite3_context *ctx, int, sqlite3_value **) { resultText(ctx, storedDateTimeText(now(false), 0, false)); }
void systimestamp(sqlite3_context *ctx, int, sqlite3_value **) {
  resultText(ctx, storedDateTimeText(now(true), 6, true));
}

void sysContext(sqlite3_context *ctx, int, sqlite3_value **argv) {
  Connection *c = connOf(ctx);
  std::string ns = textOf(argv[0]), p = textOf(argv[1]);
  for (char &ch : ns) ch = (char)std::toupper((unsigned char)ch);
  for (char &ch : p) ch = (char)std::toupper((unsigned char)ch);
  if (ns != "USERENV") {
    sqlite3_result_null(ctx);
  } else if (p == "SERVER_HOST" || p == "HOST") {
    resultText(ctx, c->host.empty() ? "localhost" : c->host);
  } else if (p == "DB_NAME" || p == "INSTANCE_NAME" || p == "SERVICE_NAME") {
    resultText(ctx, c->sid);
  } else if (p == "SESSION_USER" || p == "CURRENT_USER" || p == "CURRENT_SCHEMA") {
    resultText(ctx, c->user);
  } else {
    sqlite3_result_null(ctx);
  }
}

// The session's value of an NLS parameter that the stand-in keeps (the three
// datetime formats), for the NLS_SESSION_PARAMETERS view; NULL for others.
void sessionParameter(sqlite3_context *ctx, int, sqlite3_value **argv) {
  const Connection *c = connOf(ctx);
  const std::string p = textOf(argv[0]);
  const DateFormat *f = p == "NLS_DATE_FORMAT"           ? &c->dateFormat
                        : p == "NLS_TIMESTAMP_FORMAT"    ? &c->timestampFormat
                        : p == "NLS_TIMESTAMP_TZ_FORMAT" ? &c->timestampTzFormat
                                                         : nullptr;
  if (f == nullptr) sqlite3_result_null(ctx);
  else resultText(ctx, f->mask);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = (char)std::toupper((unsigned char)c);
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

void hextoraw(sqlite3_context *ctx, int, sqlite3_value **argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  std::string h = textOf(argv[0]), out;
  if (h.size() % 2) h.insert(h.begin(), '0');
  for (size_t i = 0; i < h.size(); i += 2) {
    int hi = hexDigit(h[i]), lo = hexDigit(h[i + 1]);
    if (hi < 0 || lo < 0) return sqlite3_result_error(ctx, "ORA-01465: invalid hex number", -1);
    out += (char)(hi * 16 + lo);
  }
  sqlite3_result_blob(ctx, out.data(), (int)out.size(), SQLITE_TRANSIENT);
}

// EMPTY_BLOB(), EMPTY_CLOB(): a LOB of no bytes, which is not NULL.
void emptyLob(sqlite3_context *ctx, int, sqlite3_value **) { sqlite3_result_zeroblob(ctx, 0); }

void rawtohex(sqlite3_context *ctx, int, sqlite3_value **argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  const unsigned char *b = (const unsigned char *)sqlite3_value_blob(argv[0]);
  int n = sqlite3_value_bytes(argv[0]);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (int i = 0; i < n; i++) {
    out += kHex[b[i] >> 4];
    out += kHex[b[i] & 15];
  }
  resultText(ctx, out);
}

// A format mask argument, or the session's format for the value's kind.
bool maskOf(sqlite3_context *ctx, int argc, sqlite3_value **argv, const DateFormat *dflt, DateFormat *fmt) {
  if (argc < 2) {
    *fmt = *dflt;
    return true;
  }
  if (!compileDateFormat(textOf(argv[1]), fmt)) {
    sqlite3_result_error(ctx, "ORA-01821: date format not recognized", -1);
    return false;
  }
  return true;
}

void toChar(sqlite3_context *ctx, int argc, sqlite3_value **argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  char buf[kMaxDateTimeText];
  const int type = sqlite3_value_type(argv[0]);
  if ((type == SQLITE_INTEGER || type == SQLITE_FLOAT) && argc > 1)
    return sqlite3_result_error(ctx, "ORA-03001: unimplemented feature: TO_CHAR of a number with a format model", -1);
  if (type == SQLITE_INTEGER) return resultText(ctx, std::string(buf, integerText(sqlite3_value_int64(argv[0]), buf)));
  if (type == SQLITE_FLOAT) return resultText(ctx, std::string(buf, numberText(sqlite3_value_double(argv[0]), buf)));
  std::string s = textOf(argv[0]);
  DateTime dt;
  if (!parseStoredDateTime(s, &dt)) return resultText(ctx, s);
  Connection *c = connOf(ctx);
  const DateFormat *dflt = dt.hasZone ? &c->timestampTzFormat : dt.fracDigits ? &c->timestampFormat : &c->dateFormat;
  DateFormat fmt;
  if (!maskOf(ctx, argc, argv, dflt, &fmt)) return;
  resultText(ctx, std::string(buf, formatDateTime(dt, fmt, dt.fracDigits ? dt.fracDigits : 6, buf)));
}

void toDateTime(sqlite3_context *ctx, int argc, sqlite3_value **argv, bool timestamp) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  Connection *c = connOf(ctx);
  DateFormat fmt;
  if (!maskOf(ctx, argc, argv, timestamp ? &c->timestampFormat : &c->dateFormat, &fmt)) return;
  DateTime dt;
  std::string s = textOf(argv[0]);
  if (!parseDateTime(s, fmt, &dt)) return sqlite3_result_error(ctx, "ORA-01861: literal does not match format string", -1);
  resultText(ctx, storedDateTimeText(dt, timestamp ? (dt.fracDigits ? dt.fracDigits : 6) : 0, false));
}

void toDate(sqlite3_context *ctx, int argc, sqlite3_value **argv) { toDateTime(ctx, argc, argv, false); }
void toTimestamp(sqlite3_context *ctx, int argc, sqlite3_value **argv) { toDateTime(ctx, argc, argv, true); }

void toNumber(sqlite3_context *ctx, int, sqlite3_value **argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  int t = sqlite3_value_numeric_type(argv[0]);
  if (t == SQLITE_INTEGER) return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
  if (t == SQLITE_FLOAT) return sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
  sqlite3_result_error(ctx, "ORA-01722: invalid number", -1);
}

void chr(sqlite3_context *ctx, int, sqlite3_value **argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  sqlite3_int64 n = sqlite3_value_int64(argv[0]);
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    unsigned char b = (unsigned char)((n >> shift) & 0xff);
    if (b != 0 || (shift == 0 && out.empty())) out += (char)b;
  }
  resultText(ctx, out);
}

// Characters of UTF-8 text.
size_t charCount(const std::string &s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

void pad(sqlite3_context *ctx, int argc, sqlite3_value **argv, bool left) {
  if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
  std::string s = textOf(argv[0]), fill = argc > 2 ? textOf(argv[2]) : " ";
  sqlite3_int64 width = sqlite3_value_int64(argv[1]);
  // A width beyond the longest VARCHAR2 is cut there.
  if (width > 32767) width = 32767;
  if (width <= 0 || fill.empty()) return sqlite3_result_null(ctx);
  size_t have = charCount(s);
  if (have >= (size_t)width) {
    size_t bytes = 0, chars = 0;
    while (bytes < s.size() && chars < (size_t)width) {
      bytes++;
      while (bytes < s.size() && ((unsigned char)s[bytes] & 0xC0) == 0x80) bytes++;
      chars++;
    }
    return resultText(ctx, s.substr(0, bytes));
  }
  std::string padding;
  for (size_t k = 0; have + charCount(padding) < (size_t)width; k = (k + 1) % fill.size()) padding += fill[k];
  resultText(ctx, left ? padding + s : s + padding);
}

void lpad(sqlite3_context *ctx, int argc, sqlite3_value **argv) { pad(ctx, argc, argv, true); }
void rpad(sqlite3_context *ctx, int argc, sqlite3_value **argv) { pad(ctx, argc, argv, false); }

void concat(sqlite3_context *ctx, int, sqlite3_value **argv) {
  std::string s = textOf(argv[0]) + textOf(argv[1]);
  if (s.empty()) return sqlite3_result_null(ctx);
  resultText(ctx, s);
}

struct FunctionDef {
  const char *name;
  int argc;  // -1 = any
  void (*fn)(sqlite3_context *, int, sqlite3_value **);
  bool deterministic;
};

constexpr FunctionDef kFunctions[] = {
    {"NVL", 2, nvl, true},           {"NVL2", 3, nvl2, true},
    {"DECODE", -1, decode, true},    {"USER", 0, user, false},
    {"SYSDATE", 0, sysdate, false},  {"SYSTIMESTAMP", 0, systimestamp, false},
    {"SYS_CONTEXT", 2, sysContext, false}, {"HEXTORAW", 1, hextoraw, true},
    {"OCILITE_SESSION_PARAMETER", 1, sessionParameter, false},
    {"EMPTY_BLOB", 0, emptyLob, true}, {"EMPTY_CLOB", 0, emptyLob, true},
    {"RAWTOHEX", 1, rawtohex, true}, {"TO_CHAR", 1, toChar, false},
    {"TO_CHAR", 2, toChar, false},   {"TO_DATE", 1, toDate, false},
    {"TO_DATE", 2, toDate, false},   {"TO_TIMESTAMP", 1, toTimestamp, false},
    {"TO_TIMESTAMP", 2, toTimestamp, false}, {"TO_NUMBER", 1, toNumber, true},
    {"CHR", 1, chr, true},           {"LPAD", 2, lpad, true},
    {"LPAD", 3, lpad, true},         {"RPAD", 2, rpad, true},
    {"RPAD", 3, rpad, true},         {"CONCAT", 2, concat, true},
};

}  // namespace

int registerSqlFunctions(Connection *conn) {
  for (const FunctionDef &f : kFunctions) {
    int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
    int rc = sqlite3_create_function_v2(conn->db, f.name, f.argc, flags, conn, f.fn, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  return registerDateFunctions(conn);
}

}  // namespace ocilite
