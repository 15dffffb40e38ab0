// Oracle's default text of numbers, as a fetch into a character buffer
// gives it without a format mask.
#ifndef OCILITE_NUMTEXT_H
#define OCILITE_NUMTEXT_H

#include <cstddef>
#include <cstdint>

namespace ocilite {

// Longest number text Oracle writes without switching to scientific notation.
constexpr size_t kMaxNumberText = 40;
// Bytes a caller's buffer needs for any of the functions below.
constexpr size_t kNumberBufferSize = 64;

// Integer text: "-12", "0".
size_t integerText(int64_t v, char *out);
// NUMBER text: ".5", "-.05", "1250.5", "12"; scientific past 40 characters.
size_t numberText(double v, char *out);
// NUMBER(p,s) text of a real: v rounded to scale fractional digits, then
// laid out as numberText does ("1.07", not "1.0700000000000001").
// REQUIRES: 0 <= scale <= 127.
size_t numberTextAtScale(double v, int scale, char *out);
// v rounded to scale fractional digits, as whole units of 10^-scale, when
// those are not zero and have at most 15 digits and scale is at most 15:
// numberTextAtScale then writes exactly the decimal units / 10^scale.
bool roundedUnits(double v, int scale, int64_t *units);

// BINARY_DOUBLE / BINARY_FLOAT text: "1.5E+000", "-3.0E-003", "Inf", "Nan".
size_t binaryDoubleText(double v, char *out);
size_t binaryFloatText(float v, char *out);

}  // namespace ocilite

#endif  // OCILITE_NUMTEXT_H
