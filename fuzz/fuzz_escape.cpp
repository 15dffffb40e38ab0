// copyBufferEscape into a buffer of exactly the size countBufferEscape asks
// for. Input: escape byte, list length (up to 31), pairs flag, the two lists,
// then the value.
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "bytes/escape.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 3) return 0;
  const unsigned char escape = data[0];
  const int esclen = data[1] & 31, pairs = data[2] & 1;
  if (size < 3 + 2 * static_cast<size_t>(esclen)) return 0;
  std::vector<unsigned char> from(data + 3, data + 3 + esclen);
  std::vector<unsigned char> to(data + 3 + esclen, data + 3 + 2 * esclen);
  std::vector<unsigned char> src(data + 3 + 2 * esclen, data + size);
  const int len = static_cast<int>(src.size());
  const int count = countBufferEscape(src.data(), len, escape, from.data(), esclen, pairs);
  if (count < 0 || count > len) __builtin_trap();
  std::vector<unsigned char> dst(static_cast<size_t>(len + count));
  int n = copyBufferEscape(dst.data(), src.data(), len, escape, from.data(), to.data(), esclen, pairs);
  if (n != len + count) __builtin_trap();
  return 0;
}
