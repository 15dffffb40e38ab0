// The one cast between Oracle's `text` (unsigned char) buffers and the C
// string functions and printf formats that take char.
#ifndef QUILLET2_BASE_CHARS_H
#define QUILLET2_BASE_CHARS_H

#include <oci.h>

inline const char *chars(const text *t) { return reinterpret_cast<const char *>(t); }
inline const char *chars(const sb1 *t) { return reinterpret_cast<const char *>(t); }

#endif  // QUILLET2_BASE_CHARS_H
