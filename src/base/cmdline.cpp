#include "base/cmdline.h"

#include <algorithm>

int scanNextString(CMDLINE *cmdline, char c) {
  // A length beyond the buffer is cut, so the scan never reads past buf.
  const unsigned int limit = std::min(cmdline->length, CMDLINE_BUFSIZE);
  const unsigned int start = cmdline->epos == 0 ? 0 : cmdline->epos + 1;
  cmdline->spos = start;
  unsigned int end = start;
  while (end < limit && cmdline->buf[end] != static_cast<unsigned char>(c)) end++;
  cmdline->epos = end;
  return static_cast<int>(end - start);
}
