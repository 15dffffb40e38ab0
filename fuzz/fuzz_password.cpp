// autoDecryptPassword on a 132-byte user= field holding any bytes, with or
// without a terminator.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "crypto/password.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<text> field(USERNAME_SIZE, 0);
  memcpy(field.data(), data, size < field.size() ? size : field.size());
  autoDecryptPassword(field.data());
  return 0;
}
