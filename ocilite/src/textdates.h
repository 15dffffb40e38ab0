// Text into DATE and TIMESTAMP columns. Oracle converts a character value
// put into such a column by the session's NLS_DATE_FORMAT,
// NLS_TIMESTAMP_FORMAT or NLS_TIMESTAMP_TZ_FORMAT and fails with ORA-01861
// when it does not match; the stand-in stores text, so the rewrite wraps the
// character values of INSERT ... VALUES and UPDATE ... SET that go to such
// columns in ORA_TEXT_TO_DATETIME(value, kind, digits) (sqlfuncs.h).
//
// A character value is a string literal, a bind, or a || of them; other
// expressions (TO_DATE, SYSDATE, DATE '...', a column) carry their own
// type and go in as they are, as do the rows of INSERT ... SELECT.
#ifndef OCILITE_TEXTDATES_H
#define OCILITE_TEXTDATES_H

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sqltokens.h"

namespace ocilite {

// What a column holds, for the conversion; None for every other type.
enum class DatetimeKind : char { None = 0, Date = 'D', Timestamp = 'T', TimestampTz = 'Z' };

struct ColumnKind {
  std::string name;  // as declared
  DatetimeKind kind = DatetimeKind::None;
  int digits = 0;    // fraction digits a timestamp keeps
};

// The columns of a table (in order), or none when it is unknown.
using ColumnKinds = std::function<std::vector<ColumnKind>(const std::string &table)>;

// A value to convert: its tokens run to `last`.
struct TextConversion {
  size_t last;
  DatetimeKind kind;
  int digits;
};

// The character values of the statement that go to datetime columns, by
// the index of their first token.
std::map<size_t, TextConversion> planTextConversions(const std::vector<Token> &toks, const ColumnKinds &columns);

}  // namespace ocilite

#endif  // OCILITE_TEXTDATES_H
