// Date functions (see datefuncs.h).
#include "datefuncs.h"

#include <cctype>
#include <cmath>
#include <initializer_list>

#include "datetime.h"
#include "sqlvalues.h"

namespace ocilite {
namespace {

Connection *connOf(sqlite3_context *ctx) { return static_cast<Connection *>(sqlite3_user_data(ctx)); }

// Fraction digits of a TIMESTAMP literal written without any.
constexpr int kLiteralDigits = 6;
// Decimal places TRUNC(number, n) takes at most either way.
constexpr int kMaxTruncPlaces = 18;

void notMatching(sqlite3_context *ctx) {
  sqlite3_result_error(ctx, "ORA-01861: literal does not match format string", -1);
}

// A date argument: the stored form, else text in the session's date format.
bool dateArgument(sqlite3_context *ctx, sqlite3_value *v, DateTime *dt) {
  const std::string text = textOf(v);
  if (sqlite3_value_type(v) == SQLITE_TEXT &&
      (parseStoredDateTime(text, dt) || parseDateTime(text, connOf(ctx)->dateFormat, dt)))
    return true;
  if (sqlite3_value_type(v) == SQLITE_TEXT) notMatching(ctx);
  else sqlite3_result_error(ctx, "ORA-00932: inconsistent datatypes: expected DATE got NUMBER", -1);
  return false;
}

// dt cut to the unit fmt names; false for a format TRUNC does not take.
bool truncateDate(std::string fmt, DateTime *dt) {
  for (char &c : fmt) c = (char)std::toupper((unsigned char)c);
  auto is = [&](std::initializer_list<const char *> names) {
    for (const char *n : names)
      if (fmt == n) return true;
    return false;
  };
  const bool year = is({"YYYY", "SYYYY", "YYY", "YY", "Y", "YEAR", "SYEAR", "RRRR", "RR"});
  const bool month = year || is({"Q", "MM", "MON", "MONTH", "RM"});
  const bool day = month || is({"DD", "DDD", "J"});
  const bool hour = day || is({"HH", "HH12", "HH24"});
  if (!hour && fmt != "MI") return false;
  if (year) dt->month = 1;
  if (fmt == "Q") dt->month = (dt->month - 1) / 3 * 3 + 1;
  if (month) dt->day = 1;
  if (day) dt->hour = 0;
  if (hour) dt->minute = 0;
  dt->second = 0;
  dt->nanos = 0;
  return true;
}

void truncNumber(sqlite3_context *ctx, sqlite3_value *v, sqlite3_value *places) {
  int n = places ? sqlite3_value_int(places) : 0;
  n = n > kMaxTruncPlaces ? kMaxTruncPlaces : n < -kMaxTruncPlaces ? -kMaxTruncPlaces : n;
  const double scale = std::pow(10.0, n), x = sqlite3_value_double(v);
  const double r = std::trunc(x * scale) / scale;
  if (sqlite3_value_numeric_type(v) == SQLITE_INTEGER && n >= 0) return sqlite3_result_int64(ctx, sqlite3_value_int64(v));
  if (n <= 0 && std::fabs(r) < 9e18) return sqlite3_result_int64(ctx, (sqlite3_int64)r);
  sqlite3_result_double(ctx, r);
}

void trunc(sqlite3_context *ctx, int argc, sqlite3_value **argv) {
  if (isNull(argv[0]) || (argc > 1 && isNull(argv[1]))) return sqlite3_result_null(ctx);
  const int numeric = sqlite3_value_numeric_type(argv[0]);
  if (numeric == SQLITE_INTEGER || numeric == SQLITE_FLOAT) return truncNumber(ctx, argv[0], argc > 1 ? argv[1] : nullptr);
  DateTime dt;
  if (!dateArgument(ctx, argv[0], &dt)) return;
  if (!truncateDate(argc > 1 ? textOf(argv[1]) : "DD", &dt))
    return sqlite3_result_error(ctx, "ORA-01821: date format not recognized", -1);
  resultText(ctx, storedDateTimeText(dt, 0, false));
}

void addMonths(sqlite3_context *ctx, int, sqlite3_value **argv) {
  if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
  DateTime dt;
  if (!dateArgument(ctx, argv[0], &dt)) return;
  const bool lastDay = dt.day == daysInMonth(dt.year, dt.month);
  const long long months = dt.year * 12LL + (dt.month - 1) + (long long)std::trunc(sqlite3_value_double(argv[1]));
  if (months < 12 || months >= 10000 * 12LL)
    return sqlite3_result_error(ctx, "ORA-01841: (full) year must be between -4713 and +9999, and not be 0", -1);
  dt.year = (int)(months / 12);
  dt.month = (int)(months % 12) + 1;
  const int days = daysInMonth(dt.year, dt.month);
  dt.day = lastDay || dt.day > days ? days : dt.day;
  resultText(ctx, storedDateTimeText(dt, 0, false));
}

// DATE 'YYYY-MM-DD' and TIMESTAMP 'YYYY-MM-DD HH24:MI:SS[.F...][ +HH:MM]'.
void datetimeLiteral(sqlite3_context *ctx, int, sqlite3_value **argv) {
  const bool date = textOf(argv[1]) == "D";
  DateTime dt;
  if (!parseStoredDateTime(textOf(argv[0]), &dt) || dt.hasTime == date || (date && dt.hasZone)) return notMatching(ctx);
  resultText(ctx, storedDateTimeText(dt, date ? 0 : dt.fracDigits ? dt.fracDigits : kLiteralDigits, dt.hasZone));
}

// ORA_TEXT_TO_DATETIME(value, kind, digits): a character value put into a
// DATE ('D'), TIMESTAMP ('T') or TIMESTAMP WITH TIME ZONE ('Z') column, read
// by the session's format for that kind; an offset missing from the text is
// the session time zone's, UTC.
void textToDatetime(sqlite3_context *ctx, int, sqlite3_value **argv) {
  if (isNull(argv[0])) return sqlite3_result_null(ctx);
  const int type = sqlite3_value_type(argv[0]);
  if (type != SQLITE_TEXT)
    return sqlite3_result_error(ctx, type == SQLITE_BLOB ? "ORA-00932: inconsistent datatypes: expected DATE got BINARY"
                                                         : "ORA-00932: inconsistent datatypes: expected DATE got NUMBER",
                                -1);
  const Connection *c = connOf(ctx);
  const char kind = textOf(argv[1])[0];
  const DateFormat &fmt = kind == 'D' ? c->dateFormat : kind == 'T' ? c->timestampFormat : c->timestampTzFormat;
  DateTime dt;
  if (!parseDateTime(textOf(argv[0]), fmt, &dt)) return notMatching(ctx);
  if (kind == 'Z' && !dt.hasZone) dt.zoneMinutes = 0;
  resultText(ctx, storedDateTimeText(dt, kind == 'D' ? 0 : sqlite3_value_int(argv[2]), kind == 'Z'));
}

}  // namespace

int registerDateFunctions(Connection *conn) {
  static constexpr struct {
    const char *name;
    int argc;
    void (*fn)(sqlite3_context *, int, sqlite3_value **);
  } kFunctions[] = {{"TRUNC", 1, trunc},
                    {"TRUNC", 2, trunc},
                    {"ADD_MONTHS", 2, addMonths},
                    {"ORA_DATETIME_LITERAL", 2, datetimeLiteral},
                    {"ORA_TEXT_TO_DATETIME", 3, textToDatetime}};
  for (const auto &f : kFunctions) {
    // Not deterministic: a text date is read by the session's format.
    const int rc = sqlite3_create_function_v2(conn->db, f.name, f.argc, SQLITE_UTF8, conn, f.fn, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace ocilite
