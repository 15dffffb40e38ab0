// Field conversion (see loadvalue.h).
#include "loadvalue.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace loader {
namespace {

using ocilite::ValueKind;

bool isLob(const ocilite::ColumnType &t) { return t.code == SQLT_CLOB || t.code == SQLT_BLOB; }

bool isDatetime(const ocilite::ColumnType &t) {
  return t.kind == ValueKind::Date || t.kind == ValueKind::Timestamp || t.kind == ValueKind::TimestampTz;
}

std::string utf8(const ocilite::Transcoder &fromData, const std::string &bytes) {
  if (!fromData.active() || bytes.empty()) return bytes;
  std::string out;
  ocilite::transcode(fromData, bytes, &out);
  return out;
}

std::string tooLarge(const TargetColumn &c, size_t actual, size_t maximum) {
  return "ORA-12899: value too large for column \"" + c.name + "\" (actual: " + std::to_string(actual) +
         ", maximum: " + std::to_string(maximum) + ")";
}

// Oracle number text: [+|-] digits [. digits] [E [+|-] digits], blanks around.
bool isNumberText(std::string_view s) {
  size_t i = 0, digits = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) i++;
  for (; i < s.size() && std::isdigit((unsigned char)s[i]); i++) digits++;
  if (i < s.size() && s[i] == '.')
    for (i++; i < s.size() && std::isdigit((unsigned char)s[i]); i++) digits++;
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    i++;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) i++;
    const size_t at = i;
    while (i < s.size() && std::isdigit((unsigned char)s[i])) i++;
    if (i == at) return false;
  }
  return i == s.size();
}

bool numberValue(const TargetColumn &c, std::string text, Value *out, std::string *why) {
  while (!text.empty() && std::isspace((unsigned char)text.back())) text.pop_back();
  text.erase(0, text.find_first_not_of(" \t"));
  const bool binary = c.type.kind != ValueKind::Number;
  if (binary && (text == "Inf" || text == "-Inf" || text == "+Inf")) {
    text = text[0] == '-' ? "-9e999" : "9e999";  // SQLite reads these as its infinities
  } else if (!isNumberText(text)) {
    return *why = "ORA-01722: invalid number", false;
  }
  *out = {Value::Text, std::move(text)};
  return true;
}

// dt moved by minutes (to take an offset off).
void shiftMinutes(ocilite::DateTime *dt, int minutes) {
  std::tm tm{};
  tm.tm_year = dt->year - 1900;
  tm.tm_mon = dt->month - 1;
  tm.tm_mday = dt->day;
  tm.tm_hour = dt->hour;
  tm.tm_min = dt->minute - minutes;
  tm.tm_sec = dt->second;
  const time_t t = timegm(&tm);
  gmtime_r(&t, &tm);
  dt->year = tm.tm_year + 1900;
  dt->month = tm.tm_mon + 1;
  dt->day = tm.tm_mday;
  dt->hour = tm.tm_hour;
  dt->minute = tm.tm_min;
  dt->second = tm.tm_sec;
}

// A date or timestamp read by the conversion's format, stored as the
// column's kind holds it; the session time zone of a load is UTC.
bool datetimeValue(const Conversion &c, const std::string &text, Value *out, std::string *why) {
  ocilite::DateTime dt;
  if (!ocilite::parseDateTime(text, c.format, &dt)) return *why = "ORA-01861: literal does not match format string", false;
  const ocilite::ColumnType &t = c.column->type;
  const int digits = t.kind == ValueKind::Date ? 0 : t.scale;
  if (t.code == SQLT_TIMESTAMP_LTZ && dt.hasZone) shiftMinutes(&dt, dt.zoneMinutes);
  if (t.kind == ValueKind::TimestampTz && !dt.hasZone) dt.zoneMinutes = 0;
  *out = {Value::Text, ocilite::storedDateTimeText(dt, digits, t.kind == ValueKind::TimestampTz)};
  return true;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = (char)std::toupper((unsigned char)c);
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// Hex digits to bytes, as HEXTORAW reads them (an odd count has a leading 0).
bool rawValue(const TargetColumn &c, const std::string &text, Value *out, std::string *why) {
  const std::string h = text.size() % 2 ? "0" + text : text;
  out->kind = Value::Blob;
  out->bytes.clear();
  for (size_t i = 0; i < h.size(); i += 2) {
    const int hi = hexDigit(h[i]), lo = hexDigit(h[i + 1]);
    if (hi < 0 || lo < 0) return *why = "ORA-01465: invalid hex number", false;
    out->bytes += (char)(hi * 16 + lo);
  }
  if (c.type.code == SQLT_BIN && out->bytes.size() > c.type.size)
    return *why = tooLarge(c, out->bytes.size(), c.type.size), false;
  return true;
}

size_t charCount(const std::string &s) {
  size_t n = 0;
  for (unsigned char ch : s) n += (ch & 0xC0) != 0x80;
  return n;
}

bool textValue(const TargetColumn &c, std::string text, Value *out, std::string *why) {
  if (c.type.code == SQLT_CHR || c.type.code == SQLT_AFC) {
    const bool national = c.type.form == SQLCS_NCHAR;
    const size_t actual = national ? charCount(text) : text.size(), maximum = national ? c.type.size / 2 : c.type.size;
    if (actual > maximum) return *why = tooLarge(c, actual, maximum), false;
  }
  *out = {Value::Text, std::move(text)};
  return true;
}

// A whole decimal number, maybe negative.
bool parseLong(std::string_view s, long long *v) {
  if (s.empty() || s.size() > 18) return false;
  const bool negative = s[0] == '-';
  if (negative) s.remove_prefix(1);
  if (s.empty() || s.find_first_not_of("0123456789") != std::string_view::npos) return false;
  *v = std::atoll(std::string(s).c_str()) * (negative ? -1 : 1);
  return true;
}

}  // namespace

bool sessionFormats(SessionFormats *out, std::string *why) {
  const struct {
    const char *variable;
    std::string_view dflt;
    ocilite::DateFormat *format;
  } kFormats[] = {{"NLS_DATE_FORMAT", ocilite::kDefaultDateFormat, &out->date},
                  {"NLS_TIMESTAMP_FORMAT", ocilite::kDefaultTimestampFormat, &out->timestamp},
                  {"NLS_TIMESTAMP_TZ_FORMAT", ocilite::kDefaultTimestampTzFormat, &out->timestampTz}};
  for (const auto &f : kFormats) {
    const char *v = std::getenv(f.variable);
    const std::string_view mask = v && *v ? std::string_view(v) : f.dflt;
    if (!ocilite::compileDateFormat(mask, f.format))
      return *why = std::string(f.variable) + " '" + std::string(mask) + "': ORA-01821: date format not recognized", false;
  }
  return true;
}

bool prepareConversion(const FieldSpec &field, const TargetColumn &column, const SessionFormats &formats,
                       Conversion *out, std::string *why) {
  out->field = &field;
  out->column = &column;
  const ocilite::ColumnType &t = column.type;
  if (field.lls && !isLob(t))
    return *why = "SQL*Loader-02304: LOB Location Specifier for column " + column.name +
                  " must be loaded into a LOB column", false;
  if (field.type != FieldType::Char && !isDatetime(t))
    return *why = "a DATE or TIMESTAMP field loads a DATE or TIMESTAMP column, and " + column.name + " is " +
                  column.declaration, false;
  if (field.hasMask) {
    if (!ocilite::compileDateFormat(field.mask, &out->format))
      return *why = "ORA-01821: date format not recognized: \"" + field.mask + "\"", false;
    return true;
  }
  const bool zone = field.type == FieldType::TimestampTz || field.type == FieldType::TimestampLtz ||
                    (field.type == FieldType::Char && t.kind == ValueKind::TimestampTz);
  const bool fraction = field.type == FieldType::Timestamp || (field.type == FieldType::Char && t.kind == ValueKind::Timestamp);
  out->format = zone ? formats.timestampTz : fraction ? formats.timestamp : formats.date;
  return true;
}

bool LobFiles::read(const std::string &reference, Value *out, std::string *why) {
  const size_t lengthDot = reference.rfind('.');
  const size_t offsetDot = lengthDot == std::string::npos || lengthDot == 0 ? std::string::npos
                                                                             : reference.rfind('.', lengthDot - 1);
  long long offset = 0, length = 0;
  if (reference.size() < 6 || reference.back() != '/' || offsetDot == std::string::npos || offsetDot == 0 ||
      !parseLong(std::string_view(reference).substr(offsetDot + 1, lengthDot - offsetDot - 1), &offset) ||
      !parseLong(std::string_view(reference).substr(lengthDot + 1, reference.size() - lengthDot - 2), &length))
    return *why = "SQL*Loader-02303: unable to process LOB Location Specifier \"" + reference + "\"", false;
  if (length == -1) {
    *out = {};
    return true;
  }
  if (offset < 0 || length < 0 || length > kMaxLobBytes)
    return *why = "SQL*Loader-02305: LOB Location Specifier \"" + reference + "\": invalid offset or length", false;
  const std::string name = reference.substr(0, offsetDot);
  File &f = open_[name];
  if (!f) f.reset(std::fopen(name.c_str(), "rb"));
  if (!f) return *why = "SQL*Loader-02306: cannot read LOB file " + name + ": " + std::strerror(errno), false;
  out->kind = Value::Blob;
  out->bytes.resize((size_t)length);
  // Offsets count from 1, as Oracle's LOB offsets do.
  const bool read = fseeko(f.get(), offset > 0 ? offset - 1 : 0, SEEK_SET) == 0 &&
                    std::fread(out->bytes.data(), 1, (size_t)length, f.get()) == (size_t)length;
  if (!read)
    return *why = "SQL*Loader-02307: LOB Location Specifier failed to read entire length request of " +
                  std::to_string(length) + " bytes from LOB file " + name, false;
  return true;
}

bool convertField(const Conversion &c, const std::string &text, const ocilite::Transcoder &fromData, LobFiles *lobs,
                  Value *out, std::string *why) {
  const ocilite::ColumnType &t = c.column->type;
  if (c.field->lls) {
    if (!lobs->read(text, out, why)) return false;
    if (out->kind != Value::Null && t.kind != ValueKind::Raw) *out = {Value::Text, utf8(fromData, out->bytes)};
    return true;
  }
  if (isDatetime(t)) return datetimeValue(c, utf8(fromData, text), out, why);
  switch (t.kind) {
    case ValueKind::Number:
    case ValueKind::BinaryFloat:
    case ValueKind::BinaryDouble: return numberValue(*c.column, text, out, why);
    case ValueKind::Raw:
      if (t.code != SQLT_BFILEE) return rawValue(*c.column, text, out, why);
      break;  // a BFILE holds its file's path
    default: break;
  }
  return textValue(*c.column, utf8(fromData, text), out, why);
}

}  // namespace loader
