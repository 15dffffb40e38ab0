// convertOption: the first byte is mlen, the rest the option value; dst has
// exactly the mlen + 1 bytes its contract asks for.
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "options/cmdoptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const int mlen = data[0];
  std::vector<text> src(data + 1, data + size);
  src.push_back(0);
  std::vector<text> dst(static_cast<size_t>(mlen) + 1);
  int n = convertOption(src.data(), dst.data(), mlen);
  if (n < 0 || n > mlen || dst[static_cast<size_t>(n)] != 0) __builtin_trap();
  return 0;
}
