// Oracle's internal value formats: the NUMBER bytes (SQLT_NUM) and the
// 7-byte DATE (SQLT_DAT), encoded from what SQLite holds.
#ifndef OCILITE_INTERNAL_H
#define OCILITE_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datetime.h"

namespace ocilite {

// A NUMBER takes an exponent byte, up to 20 base-100 digits and, for
// negatives with fewer than 20 digits, the terminator byte.
constexpr size_t kNumberBytes = 22;
constexpr size_t kMaxNumberDigits100 = 20;
constexpr size_t kDateBytes = 7;

enum class NumberStatus { Ok, NotANumber, Overflow };

// Encodes decimal text ("-12", "0.5", ".5", "1.25e-7", "1E+125") into out
// (kNumberBytes bytes); *len is the byte count. Digits past the 40th are
// rounded half away from zero; values below 1e-130 in magnitude become 0.
// Overflow: the magnitude is 1e126 or more.
NumberStatus encodeNumberText(std::string_view text, uint8_t *out, size_t *len);
// The same for an integer (exactly) and a double: rounded to scale
// fractional digits when scale >= 0, else its shortest round-trip decimal.
NumberStatus encodeNumberInt(int64_t v, uint8_t *out, size_t *len);
NumberStatus encodeNumberReal(double v, int scale, uint8_t *out, size_t *len);

// Encodes dt as century+100, year+100, month, day, hour+1, minute+1,
// second+1. REQUIRES: 1 <= dt.year <= 9999.
void encodeDate(const DateTime &dt, uint8_t out[kDateBytes]);

}  // namespace ocilite

#endif  // OCILITE_INTERNAL_H
