// Stored datetime text and Oracle format models.
#include "datetime.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace ocilite {
namespace {

constexpr const char *kMonthNames[12] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",
                                         "MAY",     "JUNE",     "JULY",      "AUGUST",
                                         "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
constexpr const char *kDayNames[7] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                                      "THURSDAY", "FRIDAY", "SATURDAY"};
// Names are blank-padded to the longest one unless FM is in force.
constexpr int kMonthNameWidth = 9;
constexpr int kDayNameWidth = 9;
// Julian day number of 1970-01-01.
constexpr long kJulianOfEpoch = 2440588;

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days since 1970-01-01 of a proleptic Gregorian date.
long daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int dayOfYear(const DateTime &dt) {
  return (int)(daysFromCivil(dt.year, dt.month, dt.day) - daysFromCivil(dt.year, 1, 1)) + 1;
}

int dayOfWeek(const DateTime &dt) {  // 0 = Sunday
  long days = daysFromCivil(dt.year, dt.month, dt.day);
  return (int)(((days % 7) + 7 + 4) % 7);
}

// Reads exactly n digits at text[*pos].
bool readDigits(std::string_view text, size_t *pos, int n, int *value) {
  if (*pos + n > text.size()) return false;
  int v = 0;
  for (int i = 0; i < n; i++) {
    char c = text[*pos + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *pos += n;
  *value = v;
  return true;
}

// Reads the digits of a fraction of a second at text[*pos] (nine at most
// count; more are skipped).
void readFraction(std::string_view text, size_t *pos, DateTime *dt) {
  long scale = 100000000;
  for (; *pos < text.size() && std::isdigit((unsigned char)text[*pos]); (*pos)++) {
    if (dt->fracDigits < 9) {
      dt->nanos += (text[*pos] - '0') * scale;
      scale /= 10;
      dt->fracDigits++;
    }
  }
}

bool validDate(const DateTime &dt) {
  return dt.year >= 1 && dt.year <= 9999 && dt.month >= 1 && dt.month <= 12 && dt.day >= 1 &&
         dt.day <= daysInMonth(dt.year, dt.month) && dt.hour >= 0 && dt.hour < 24 &&
         dt.minute >= 0 && dt.minute < 60 && dt.second >= 0 && dt.second < 60;
}

struct ElementName {
  const char *name;
  FormatItem::Kind kind;
  unsigned char digits;
};

// Longest names first, so that a prefix never wins over its longer element.
constexpr ElementName kElements[] = {
    {"SYYYY", FormatItem::Year4, 0},    {"YYYY", FormatItem::Year4, 0},
    {"RRRR", FormatItem::Year4, 0},     {"MONTH", FormatItem::MonthName, 0},
    {"HH24", FormatItem::Hour24, 0},    {"HH12", FormatItem::Hour12, 0},
    {"SSSSS", FormatItem::SecondsOfDay, 0}, {"A.M.", FormatItem::MeridianDots, 0},
    {"P.M.", FormatItem::MeridianDots, 0},  {"YYY", FormatItem::Year3, 0},
    {"MON", FormatItem::MonthAbbr, 0},  {"DDD", FormatItem::DayOfYear, 0},
    {"DAY", FormatItem::DayName, 0},    {"FF1", FormatItem::Fraction, 1},
    {"FF2", FormatItem::Fraction, 2},   {"FF3", FormatItem::Fraction, 3},
    {"FF4", FormatItem::Fraction, 4},   {"FF5", FormatItem::Fraction, 5},
    {"FF6", FormatItem::Fraction, 6},   {"FF7", FormatItem::Fraction, 7},
    {"FF8", FormatItem::Fraction, 8},   {"FF9", FormatItem::Fraction, 9},
    {"TZH", FormatItem::ZoneHour, 0},   {"TZM", FormatItem::ZoneMinute, 0},
    {"TZR", FormatItem::ZoneRegion, 0}, {"TZD", FormatItem::ZoneAbbr, 0},
    {"YY", FormatItem::Year2, 0},       {"RR", FormatItem::Year2, 0},
    {"MM", FormatItem::Month, 0},       {"MI", FormatItem::Minute, 0},
    {"DD", FormatItem::Day, 0},         {"DY", FormatItem::DayAbbr, 0},
    {"HH", FormatItem::Hour12, 0},      {"SS", FormatItem::Second, 0},
    {"FF", FormatItem::Fraction, 0},    {"AM", FormatItem::Meridian, 0},
    {"PM", FormatItem::Meridian, 0},    {"FM", FormatItem::FillMode, 0},
    {"FX", FormatItem::Literal, 0},     {"Y", FormatItem::Year1, 0},
    {"D", FormatItem::DayOfWeek, 0},    {"X", FormatItem::Radix, 0},
    {"Q", FormatItem::Quarter, 0},      {"J", FormatItem::Julian, 0},
};

bool matchesAt(std::string_view mask, size_t pos, const char *name) {
  size_t n = std::strlen(name);
  if (pos + n > mask.size()) return false;
  for (size_t i = 0; i < n; i++)
    if (std::toupper((unsigned char)mask[pos + i]) != name[i]) return false;
  return true;
}

unsigned char letterCaseOf(std::string_view mask, size_t pos) {
  bool first = std::isupper((unsigned char)mask[pos]);
  bool second = pos + 1 < mask.size() && std::isupper((unsigned char)mask[pos + 1]);
  if (!first) return 2;
  return second ? 0 : 1;
}

// Appends name (upper case; its first `letters` at most) in the given
// letter case, padded to width.
char *putName(char *out, const char *name, unsigned char letterCase, int width, int letters = INT_MAX) {
  int n = 0;
  for (; name[n] && n < letters; n++) {
    char c = name[n];
    if (letterCase == 2 || (letterCase == 1 && n > 0)) c = (char)std::tolower((unsigned char)c);
    *out++ = c;
  }
  for (; n < width; n++) *out++ = ' ';
  return out;
}

// Decimal digits of value, zero-padded to width unless fill mode is on.
char *putNumber(char *out, long value, int width, bool fill) {
  char tmp[24];
  int n = 0;
  const bool negative = value < 0;
  unsigned long v = negative ? 0UL - (unsigned long)value : (unsigned long)value;
  do {
    tmp[n++] = (char)('0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (!fill)
    while (n < width && n < (int)sizeof tmp - 1) tmp[n++] = '0';
  if (negative) *out++ = '-';
  while (n > 0) *out++ = tmp[--n];
  return out;
}

// Writes a date element (year, month, day, their names, quarter, Julian
// day); nullptr when it is none of them.
char *putDateElement(char *out, const FormatItem &it, const DateTime &dt, bool fill) {
  switch (it.kind) {
    case FormatItem::Year4: return putNumber(out, dt.year, 4, fill);
    case FormatItem::Year3: return putNumber(out, dt.year % 1000, 3, fill);
    case FormatItem::Year2: return putNumber(out, dt.year % 100, 2, fill);
    case FormatItem::Year1: return putNumber(out, dt.year % 10, 1, fill);
    case FormatItem::Month: return putNumber(out, dt.month, 2, fill);
    case FormatItem::MonthName:
      return putName(out, kMonthNames[dt.month - 1], it.letterCase, fill ? 0 : kMonthNameWidth);
    case FormatItem::MonthAbbr: return putName(out, kMonthNames[dt.month - 1], it.letterCase, 0, 3);
    case FormatItem::Day: return putNumber(out, dt.day, 2, fill);
    case FormatItem::DayOfYear: return putNumber(out, dayOfYear(dt), 3, fill);
    case FormatItem::DayName: return putName(out, kDayNames[dayOfWeek(dt)], it.letterCase, fill ? 0 : kDayNameWidth);
    case FormatItem::DayAbbr: return putName(out, kDayNames[dayOfWeek(dt)], it.letterCase, 0, 3);
    case FormatItem::DayOfWeek: return putNumber(out, dayOfWeek(dt) + 1, 1, fill);
    case FormatItem::Quarter: return putNumber(out, (dt.month - 1) / 3 + 1, 1, true);
    case FormatItem::Julian: return putNumber(out, daysFromCivil(dt.year, dt.month, dt.day) + kJulianOfEpoch, 7, fill);
    default: return nullptr;
  }
}

// Writes a time element (hours to fractions, meridian, time zone).
char *putTimeElement(char *out, const FormatItem &it, const DateTime &dt, bool fill, int fracDigits) {
  const int zone = dt.zoneMinutes < 0 ? -dt.zoneMinutes : dt.zoneMinutes;
  const char zoneSign = dt.zoneMinutes < 0 ? '-' : '+';
  switch (it.kind) {
    case FormatItem::Hour24: return putNumber(out, dt.hour, 2, fill);
    case FormatItem::Hour12: return putNumber(out, dt.hour % 12 == 0 ? 12 : dt.hour % 12, 2, fill);
    case FormatItem::Minute: return putNumber(out, dt.minute, 2, fill);
    case FormatItem::Second: return putNumber(out, dt.second, 2, fill);
    case FormatItem::SecondsOfDay: return putNumber(out, dt.hour * 3600L + dt.minute * 60 + dt.second, 5, fill);
    case FormatItem::Fraction: {
      const int digits = std::min(it.digits ? (int)it.digits : fracDigits, 9);
      long scale = 100000000;
      for (int k = 0; k < digits; k++, scale /= 10) *out++ = (char)('0' + (dt.nanos / scale) % 10);
      return out;
    }
    case FormatItem::Radix: *out++ = '.'; return out;
    case FormatItem::ZoneHour: *out++ = zoneSign; return putNumber(out, zone / 60, 2, false);
    case FormatItem::ZoneMinute: return putNumber(out, zone % 60, 2, false);
    case FormatItem::ZoneRegion: return out + std::snprintf(out, 16, "%c%02d:%02d", zoneSign, zone / 60, zone % 60);
    case FormatItem::Meridian: return putName(out, dt.hour < 12 ? "AM" : "PM", it.letterCase, 0);
    case FormatItem::MeridianDots: return putName(out, dt.hour < 12 ? "A.M." : "P.M.", it.letterCase, 0);
    default: return out;  // ZoneAbbr: offsets have no abbreviation
  }
}

// The stored layout 'YYYY-MM-DD HH24:MI:SS.FF9' byte by byte: its text ('0'
// for a digit), and masks of its digit and separator bytes; zeros past it.
constexpr size_t kLayoutBytes = 32;
struct StoredLayout {
  char text[kLayoutBytes] = {};
  unsigned char digit[kLayoutBytes] = {};
  unsigned char separator[kLayoutBytes] = {};
  constexpr StoredLayout() {
    constexpr char kText[] = "0000-00-00 00:00:00.000000000";
    static_assert(sizeof kText <= kLayoutBytes);
    for (size_t i = 0; i + 1 < sizeof kText; i++) {
      text[i] = kText[i];
      (kText[i] == '0' ? digit : separator)[i] = 0xFF;
    }
  }
};
constexpr StoredLayout kLayout;

// Sets fmt->storedForm and its fraction fields from the items.
void markStoredForm(DateFormat *fmt) {
  using K = FormatItem::Kind;
  static constexpr struct {
    K kind;
    char literal;
  } kStored[] = {{K::Year4, 0},   {K::Literal, '-'}, {K::Month, 0},   {K::Literal, '-'},
                 {K::Day, 0},     {K::Literal, ' '}, {K::Hour24, 0},  {K::Literal, ':'},
                 {K::Minute, 0},  {K::Literal, ':'}, {K::Second, 0}};
  constexpr size_t n = sizeof kStored / sizeof kStored[0];
  const std::vector<FormatItem> &items = fmt->items;
  if (items.size() != n && items.size() != n + 2) return;
  for (size_t i = 0; i < n; i++) {
    if (items[i].kind != kStored[i].kind) return;
    if (kStored[i].literal && items[i].text != std::string(1, kStored[i].literal)) return;
  }
  if (items.size() == n + 2) {
    const FormatItem &radix = items[n], &fraction = items[n + 1];
    if (!(radix.kind == K::Radix || (radix.kind == K::Literal && radix.text == ".")) ||
        fraction.kind != K::Fraction)
      return;
    fmt->storedFraction = true;
    fmt->storedFractionDigits = fraction.digits;
  }
  fmt->storedForm = true;
}

}  // namespace

int daysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

bool parseStoredDateTime(std::string_view text, DateTime *dt) {
  DateTime r;
  size_t pos = 0;
  if (!readDigits(text, &pos, 4, &r.year) || pos >= text.size() || text[pos++] != '-' ||
      !readDigits(text, &pos, 2, &r.month) || pos >= text.size() || text[pos++] != '-' ||
      !readDigits(text, &pos, 2, &r.day))
    return false;
  if (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T') && pos + 1 < text.size() &&
      std::isdigit((unsigned char)text[pos + 1])) {
    pos++;
    if (!readDigits(text, &pos, 2, &r.hour) || pos >= text.size() || text[pos++] != ':' ||
        !readDigits(text, &pos, 2, &r.minute))
      return false;
    if (pos < text.size() && text[pos] == ':') {
      pos++;
      if (!readDigits(text, &pos, 2, &r.second)) return false;
    }
    r.hasTime = true;
    if (pos < text.size() && text[pos] == '.') {
      pos++;
      readFraction(text, &pos, &r);
    }
  }
  if (pos < text.size() && text[pos] == ' ') pos++;
  if (pos < text.size()) {
    if (text[pos] == 'Z' && pos + 1 == text.size()) {
      r.hasZone = true;
      pos++;
    } else if (text[pos] == '+' || text[pos] == '-') {
      int sign = text[pos++] == '-' ? -1 : 1, h = 0, m = 0;
      if (!readDigits(text, &pos, 2, &h)) return false;
      if (pos < text.size() && text[pos] == ':') pos++;
      if (pos < text.size() && !readDigits(text, &pos, 2, &m)) return false;
      if (h > 14 || m > 59) return false;
      r.hasZone = true;
      r.zoneMinutes = sign * (h * 60 + m);
    }
  }
  if (pos != text.size() || !validDate(r)) return false;
  *dt = r;
  return true;
}

std::string storedDateTimeText(const DateTime &dt, int digits, bool withZone) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", dt.year, dt.month,
                        dt.day, dt.hour, dt.minute, dt.second);
  if (digits > 0) {
    char frac[16];
    std::snprintf(frac, sizeof frac, "%09ld", dt.nanos);
    n += std::snprintf(buf + n, sizeof buf - n, ".%.*s", digits > 9 ? 9 : digits, frac);
  }
  if (withZone) {
    int z = dt.zoneMinutes < 0 ? -dt.zoneMinutes : dt.zoneMinutes;
    std::snprintf(buf + n, sizeof buf - n, " %c%02d:%02d", dt.zoneMinutes < 0 ? '-' : '+',
                  z / 60, z % 60);
  }
  return buf;
}

bool compileDateFormat(std::string_view mask, DateFormat *fmt) {
  if (mask.size() > kMaxFormatLength) return false;
  DateFormat f;
  f.mask = mask;
  size_t pos = 0;
  while (pos < mask.size()) {
    unsigned char c = mask[pos];
    if (c == '"') {
      size_t end = mask.find('"', pos + 1);
      if (end == std::string_view::npos) return false;
      f.items.push_back({FormatItem::Literal, 0, 0, std::string(mask.substr(pos + 1, end - pos - 1))});
      pos = end + 1;
      continue;
    }
    if (std::strchr("-/,.;: ", c) != nullptr) {
      f.items.push_back({FormatItem::Literal, 0, 0, std::string(1, (char)c)});
      pos++;
      continue;
    }
    bool found = false;
    for (const ElementName &e : kElements) {
      if (!matchesAt(mask, pos, e.name)) continue;
      if (e.kind != FormatItem::Literal)  // FX (exact matching) changes nothing here
        f.items.push_back({e.kind, letterCaseOf(mask, pos), e.digits, {}});
      pos += std::strlen(e.name);
      found = true;
      break;
    }
    if (!found) return false;
  }
  markStoredForm(&f);
  *fmt = std::move(f);
  return true;
}

bool formatsToItself(std::string_view text, const DateFormat &fmt, int fracDigits) {
  if (!fmt.storedForm) return false;
  size_t digits = 0;
  if (fmt.storedFraction) {
    digits = fmt.storedFractionDigits ? fmt.storedFractionDigits : (size_t)(fracDigits < 0 ? 0 : fracDigits);
    if (digits > 9) digits = 9;
  }
  const size_t length = kDateTextLength + (fmt.storedFraction ? 1 + digits : 0);
  if (text.size() != length) return false;
  // Eight bytes at a time, the text laid over a copy of the layout so that
  // the bytes past it match: a digit has high nibble 3 both as it is and
  // plus 6. Only a byte of 0xFA and up, which fails by itself, carries into
  // its neighbour.
  char buf[kLayoutBytes];
  std::memcpy(buf, kLayout.text, kLayoutBytes);
  std::memcpy(buf, text.data(), length);
  constexpr uint64_t kHigh = 0xF0F0F0F0F0F0F0F0ULL, kThrees = 0x3030303030303030ULL, kSixes = 0x0606060606060606ULL;
  for (size_t at = 0; at < kLayoutBytes; at += 8) {
    uint64_t w, digit, separator, want;
    std::memcpy(&w, buf + at, 8);
    std::memcpy(&digit, kLayout.digit + at, 8);
    std::memcpy(&separator, kLayout.separator + at, 8);
    std::memcpy(&want, kLayout.text + at, 8);
    if (((w ^ want) & separator) != 0 || (((w & kHigh) ^ kThrees) & digit) != 0 ||
        ((((w + kSixes) & kHigh) ^ kThrees) & digit) != 0)
      return false;
  }
  return true;
}

size_t formatDateTime(const DateTime &dt, const DateFormat &fmt, int fracDigits, char *out) {
  char *const start = out;
  char *const limit = out + kMaxDateTimeText - 16;  // room for the widest element
  bool fill = false;
  for (const FormatItem &it : fmt.items) {
    if (out >= limit) break;
    if (it.kind == FormatItem::Literal) {
      const size_t n = std::min(it.text.size(), (size_t)(limit - out));
      std::memcpy(out, it.text.data(), n);
      out += n;
    } else if (it.kind == FormatItem::FillMode) {
      fill = !fill;
    } else if (char *next = putDateElement(out, it, dt, fill); next != nullptr) {
      out = next;
    } else {
      out = putTimeElement(out, it, dt, fill, fracDigits);
    }
  }
  assert(out <= start + kMaxDateTimeText);
  return (size_t)(out - start);
}

namespace {

// Reads up to n digits (at least one); an optional sign when signed.
bool readNumber(std::string_view text, size_t *pos, int n, long *value) {
  size_t p = *pos;
  long v = 0;
  int count = 0;
  while (p < text.size() && count < n && std::isdigit((unsigned char)text[p])) {
    v = v * 10 + (text[p++] - '0');
    count++;
  }
  if (count == 0) return false;
  *pos = p;
  *value = v;
  return true;
}

bool readName(std::string_view text, size_t *pos, const char *const *names, int count,
              size_t length, int *index) {
  for (int i = 0; i < count; i++) {
    size_t n = length ? length : std::strlen(names[i]);
    if (matchesAt(text, *pos, std::string(names[i], n).c_str())) {
      *pos += n;
      *index = i;
      return true;
    }
  }
  return false;
}

// Reads "+HH:MM" (or -HH:MM) at text[*pos] into dt's offset.
bool readOffset(std::string_view text, size_t *pos, DateTime *dt) {
  if (*pos >= text.size() || (text[*pos] != '+' && text[*pos] != '-')) return false;
  const int sign = text[(*pos)++] == '-' ? -1 : 1;
  long h = 0, m = 0;
  if (!readNumber(text, pos, 2, &h) || *pos >= text.size() || text[(*pos)++] != ':' || !readNumber(text, pos, 2, &m))
    return false;
  dt->zoneMinutes = sign * (int)(h * 60 + m);
  dt->hasZone = true;
  return h <= 14 && m <= 59;
}

// What parseDateTime has read so far.
struct Parse {
  std::string_view text;
  size_t pos = 0;
  DateTime r;
  bool pm = false, meridian = false;
  int zoneSign = 1;
};

// Any run of punctuation or blanks in the text matches a literal.
void skipLiteral(const FormatItem &it, Parse *p) {
  const std::string_view t = p->text;
  while (p->pos < t.size() && !std::isalnum((unsigned char)t[p->pos]) && t[p->pos] != '+' && t[p->pos] != '-') p->pos++;
  if (p->pos < t.size() && t[p->pos] == '-' && it.text == "-") p->pos++;
}

bool readYear(const FormatItem &it, Parse *p) {
  const size_t before = p->pos;
  const int digits = it.kind == FormatItem::Year4 ? 4 : it.kind == FormatItem::Year3 ? 3 : it.kind == FormatItem::Year2 ? 2 : 1;
  long v = 0;
  if (!readNumber(p->text, &p->pos, digits, &v)) return false;
  // YY, RR and Y with two digits or fewer follow the RR rule: 00-49 this
  // century, 50-99 the last.
  const bool whole = it.kind == FormatItem::Year4 || p->pos - before > 2;
  p->r.year = whole ? (int)v : (int)(v < 50 ? 2000 + v : 1900 + v);
  return true;
}

// Month, day, hour, minute or second: up to two digits.
bool readTwoDigits(FormatItem::Kind kind, Parse *p) {
  long v = 0;
  if (!readNumber(p->text, &p->pos, 2, &v)) return false;
  switch (kind) {
    case FormatItem::Month: p->r.month = (int)v; break;
    case FormatItem::Day: p->r.day = (int)v; break;
    case FormatItem::Minute: p->r.minute = (int)v; break;
    case FormatItem::Second: p->r.second = (int)v; break;
    default:
      p->r.hour = (int)v;
      p->r.hasTime = true;
  }
  return true;
}

// A month or day name, whole or its first three letters.
bool readNameElement(const char *const *names, int count, int *index, Parse *p) {
  return readName(p->text, &p->pos, names, count, 0, index) || readName(p->text, &p->pos, names, count, 3, index);
}

bool readZone(FormatItem::Kind kind, Parse *p) {
  const std::string_view t = p->text;
  if (kind == FormatItem::ZoneHour && p->pos < t.size() && (t[p->pos] == '+' || t[p->pos] == '-'))
    p->zoneSign = t[p->pos++] == '-' ? -1 : 1;
  long v = 0;
  if (!readNumber(t, &p->pos, 2, &v)) return false;
  if (kind == FormatItem::ZoneHour) {
    p->r.zoneMinutes = p->zoneSign * (int)v * 60;
    p->r.hasZone = true;
  } else {
    p->r.zoneMinutes += p->zoneSign * (int)v;
  }
  return true;
}

void readMeridian(Parse *p) {
  const std::string_view t = p->text;
  p->meridian = true;
  if (p->pos < t.size() && std::toupper((unsigned char)t[p->pos]) == 'P') p->pm = true;
  while (p->pos < t.size() && (std::isalpha((unsigned char)t[p->pos]) || t[p->pos] == '.')) p->pos++;
}

// Reads one element of a format model; false when the text does not match.
bool readElement(const FormatItem &it, Parse *p) {
  int index = 0;
  switch (it.kind) {
    case FormatItem::Literal: skipLiteral(it, p); return true;
    case FormatItem::FillMode: return true;
    case FormatItem::Year4:
    case FormatItem::Year3:
    case FormatItem::Year2:
    case FormatItem::Year1: return readYear(it, p);
    case FormatItem::Month:
    case FormatItem::Day:
    case FormatItem::Hour24:
    case FormatItem::Hour12:
    case FormatItem::Minute:
    case FormatItem::Second: return readTwoDigits(it.kind, p);
    case FormatItem::MonthName:
    case FormatItem::MonthAbbr:
      if (!readNameElement(kMonthNames, 12, &index, p)) return false;
      p->r.month = index + 1;
      return true;
    case FormatItem::DayName:
    case FormatItem::DayAbbr: return readNameElement(kDayNames, 7, &index, p);
    case FormatItem::Fraction: readFraction(p->text, &p->pos, &p->r); return true;
    case FormatItem::Radix:
      if (p->pos < p->text.size() && (p->text[p->pos] == '.' || p->text[p->pos] == ',')) p->pos++;
      return true;
    case FormatItem::ZoneRegion: return readOffset(p->text, &p->pos, &p->r);  // the only regions the stand-in writes
    case FormatItem::ZoneHour:
    case FormatItem::ZoneMinute: return readZone(it.kind, p);
    case FormatItem::Meridian:
    case FormatItem::MeridianDots: readMeridian(p); return true;
    default: return false;  // Julian days and the like are not read back
  }
}

}  // namespace

bool parseDateTime(std::string_view text, const DateFormat &fmt, DateTime *dt) {
  Parse p;
  p.text = text;
  for (const FormatItem &it : fmt.items)
    if (!readElement(it, &p)) return false;
  while (p.pos < text.size() && text[p.pos] == ' ') p.pos++;
  if (p.pos != text.size()) return false;
  if (p.meridian) {
    if (p.r.hour < 1 || p.r.hour > 12) return false;
    p.r.hour = p.r.hour % 12 + (p.pm ? 12 : 0);
  }
  if (!validDate(p.r)) return false;
  *dt = p.r;
  return true;
}

}  // namespace ocilite
