// The one cast between Oracle's `text` (unsigned char) buffers and the C
// string functions and printf formats that take char.
#ifndef QUILLET2_BASE_CHARS_H
#define QUILLET2_BASE_CHARS_H

#include <oci.h>
#include <string.h>

#include <algorithm>
#include <string_view>

inline const char *chars(const text *t) { return reinterpret_cast<const char *>(t); }
inline const char *chars(const sb1 *t) { return reinterpret_cast<const char *>(t); }
inline char *chars(text *t) { return reinterpret_cast<char *>(t); }  // for buffers written through

// Appends what fits of src to the terminated text in dst (size bytes, the
// terminator included); dst stays terminated. False when src had to be cut.
inline bool appendCut(text *dst, size_t size, std::string_view src) {
  const size_t len = strnlen(chars(dst), size - 1);
  const size_t take = std::min(src.size(), size - 1 - len);
  memcpy(dst + len, src.data(), take);
  dst[len + take] = 0;
  return take == src.size();
}

#endif  // QUILLET2_BASE_CHARS_H
