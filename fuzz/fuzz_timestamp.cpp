// testTIMESTAMP on any bytes of any length stays inside both buffers.
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "bytes/numconv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size > 0xFFFF) return 0;
  std::vector<ub1> out(NUMBUF_SIZE);
  if (testTIMESTAMP(out.data(), data, static_cast<ub2>(size)) > NUMBUF_SIZE) __builtin_trap();
  return 0;
}
