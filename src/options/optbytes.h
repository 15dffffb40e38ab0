// Byte helpers shared by the option parser and the driver.
#ifndef QUILLET2_OPTIONS_OPTBYTES_H
#define QUILLET2_OPTIONS_OPTBYTES_H

// The white space of option texts: blank, tab, line feed, vertical tab, form
// feed, carriage return. Independent of the locale, unlike isspace.
constexpr bool isOptionSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

#endif  // QUILLET2_OPTIONS_OPTBYTES_H
