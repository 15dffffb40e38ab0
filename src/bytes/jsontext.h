// JSON text of single values: numbers from Oracle's number text, the inside
// of strings (escapes, UTF-8 checked) and ISO 8601 timestamps.
#ifndef QUILLET2_BYTES_JSONTEXT_H
#define QUILLET2_BYTES_JSONTEXT_H

#include <stddef.h>

// Most bytes one source byte takes inside a JSON string: a control
// character becomes \u00XX.
constexpr size_t JSON_ESCAPE_GROWTH = 6;
// Bytes of the longest character (a 4-byte UTF-8 sequence) escaped.
constexpr size_t JSON_LONGEST_CHAR = 6;

// Writes the JSON number of Oracle's number text src (len bytes: ".5",
// "-.05", "1.5E+000", "12") into out, the database's digits unchanged but for
// a 0 before a leading point and a trailing point dropped. Returns the
// length, or 0 when src is no number (such as "~", "-~", "Inf", "Nan" or an
// empty text): the caller writes it as a string.
// REQUIRES: out has room for len + 2 bytes.
size_t jsonNumber(const unsigned char *src, size_t len, unsigned char *out);

// What one jsonEscape call did.
struct JSONCUT {
  size_t read;      // source bytes consumed
  size_t written;   // bytes written
  size_t replaced;  // bytes that were no valid UTF-8, each written as U+FFFD
};

// Escapes src (len bytes) for the inside of a JSON string into dst, which has
// room bytes: '"' and '\' get a backslash, control characters become \u00XX,
// valid UTF-8 is copied and every other byte becomes U+FFFD. Stops before the
// first character that does not fit, so a value can be written in parts:
// calls over the rest continue it exactly.
JSONCUT jsonEscape(const unsigned char *src, size_t len, unsigned char *dst, size_t room);

// Turns the date or timestamp text src, "YYYY-MM-DD HH24:MI:SS[.FF][ TZH:TZM]",
// into ISO 8601 in out: a 'T' for the blank after the date, the other blank
// dropped, and the trailing zeros of the fraction (with the point when
// nothing is left of it): "2024-02-29 13:45:30.500000 +05:30" becomes
// "2024-02-29T13:45:30.5+05:30". Returns the length written.
// REQUIRES: out has room for len bytes.
size_t isoTimestamp(const unsigned char *src, size_t len, unsigned char *out);

#endif  // QUILLET2_BYTES_JSONTEXT_H
