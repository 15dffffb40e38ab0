// Dates and timestamps: the stored text form, and Oracle datetime format
// models (NLS_DATE_FORMAT and friends, TO_CHAR masks).
#ifndef OCILITE_DATETIME_H
#define OCILITE_DATETIME_H

#include <string>
#include <string_view>
#include <vector>

namespace ocilite {

// Stored DATE text 'YYYY-MM-DD HH24:MI:SS'.
constexpr size_t kDateTextLength = 19;
// Longest text one formatted datetime may take (a format is at most
// kMaxFormatLength bytes, and no element expands past 9 bytes per 2 bytes
// of mask).
constexpr size_t kMaxFormatLength = 128;
constexpr size_t kMaxDateTimeText = 8 * kMaxFormatLength;

struct DateTime {
  int year = 1, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0;
  long nanos = 0;          // fraction of the second, in nanoseconds
  int fracDigits = 0;      // digits of fraction the stored text had
  bool hasTime = false;    // stored text had a time part
  bool hasZone = false;    // stored text had an offset
  int zoneMinutes = 0;     // offset east of UTC
};

// Days of month m (1..12) of year y.
int daysInMonth(int y, int m);

// Reads 'YYYY-MM-DD[ HH24:MI:SS[.fffffffff]][ +HH:MM|Z]' (a 'T' may stand
// for the blank). False when text is not in that form or out of range.
bool parseStoredDateTime(std::string_view text, DateTime *dt);

// Writes dt in the stored form with digits fraction digits (0..9) and, when
// withZone, its offset; returns the text.
std::string storedDateTimeText(const DateTime &dt, int digits, bool withZone);

// One element of a compiled format model.
struct FormatItem {
  enum Kind : unsigned char {
    Literal, Year4, Year3, Year2, Year1, Month, MonthName, MonthAbbr, Day, DayOfYear,
    DayName, DayAbbr, DayOfWeek, Hour24, Hour12, Minute, Second, SecondsOfDay,
    Fraction, Radix, ZoneHour, ZoneMinute, ZoneRegion, ZoneAbbr, Meridian, MeridianDots,
    Quarter, Julian, FillMode,
  } kind;
  unsigned char letterCase = 0;  // 0 upper, 1 capitalised, 2 lower (names)
  unsigned char digits = 0;      // FF1..FF9; 0 = the column's precision
  std::string text;              // Literal
};

struct DateFormat {
  std::string mask;  // as given
  std::vector<FormatItem> items;
  // The items are exactly 'YYYY-MM-DD HH24:MI:SS', the stored form, with a
  // fraction ("X" or ".", then FF or FFn) when storedFraction is set.
  bool storedForm = false;
  bool storedFraction = false;
  unsigned char storedFractionDigits = 0;  // n of FFn; 0 = the column's precision
};

// Compiles an Oracle datetime format model. False for an element the stand-in
// does not know (ORA-01821) or a mask longer than kMaxFormatLength.
bool compileDateFormat(std::string_view mask, DateFormat *fmt);

// Formats dt with fmt into out (kMaxDateTimeText bytes); fracDigits is used
// for FF without a digit count. Returns the length.
size_t formatDateTime(const DateTime &dt, const DateFormat &fmt, int fracDigits, char *out);

// True when text already has the layout fmt gives a stored value (fmt is
// storedForm, the fraction fracDigits long where FF has no count): text that
// is a valid date then formats to itself, and text that is not one is
// delivered as it stands anyway, so a fetch may copy it unchanged.
bool formatsToItself(std::string_view text, const DateFormat &fmt, int fracDigits);

// Parses text by fmt (TO_DATE / TO_TIMESTAMP). False when it does not match.
bool parseDateTime(std::string_view text, const DateFormat &fmt, DateTime *dt);

// Oracle's default formats.
constexpr std::string_view kDefaultDateFormat = "DD-MON-RR";
constexpr std::string_view kDefaultTimestampFormat = "DD-MON-RR HH.MI.SSXFF AM";
constexpr std::string_view kDefaultTimestampTzFormat = "DD-MON-RR HH.MI.SSXFF AM TZR";

}  // namespace ocilite

#endif  // OCILITE_DATETIME_H
