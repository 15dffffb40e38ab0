// Output file names and opening, and the progress line.
#include "unload/outfile.h"

#include <stdio.h>
#include <string.h>
#include <time.h>

namespace {

// Bytes of the progress-line buffer.
constexpr size_t ROWINFO_SIZE = 512;

}  // namespace

size_t expandFileName(const text *pattern, text *out, size_t outsize, int batch, int slaveid) {
  time_t now = time(nullptr);
  struct tm tmv;
  localtime_r(&now, &tmv);
  size_t pos = 0;
  size_t cap = outsize - 1;  // room left for the terminator
  char piece[32];
  for (const text *p = pattern; *p != 0 && pos < cap; p++) {
    if (*p != '%') {
      out[pos++] = *p;
      continue;
    }
    p++;
    if (*p == 0) break;  // a trailing '%' is dropped
    int n;
    switch (*p) {
      case 'B': case 'b': n = snprintf(piece, sizeof piece, "%d", batch); break;
      case 'P': case 'p': n = snprintf(piece, sizeof piece, "%d", slaveid); break;
      case 'Y': case 'y': n = snprintf(piece, sizeof piece, "%04d", tmv.tm_year + 1900); break;
      case 'M': case 'm': n = snprintf(piece, sizeof piece, "%02d", tmv.tm_mon + 1); break;
      case 'D': case 'd': n = snprintf(piece, sizeof piece, "%02d", tmv.tm_mday); break;
      case 'W': case 'w': n = snprintf(piece, sizeof piece, "%d", tmv.tm_wday); break;
      case 'T': case 't': n = snprintf(piece, sizeof piece, "%d", static_cast<int>(now)); break;
      default: piece[0] = static_cast<char>(*p); piece[1] = 0; n = 1; break;
    }
    for (int k = 0; k < n && pos < cap; k++) out[pos++] = static_cast<text>(piece[k]);
  }
  out[pos] = 0;
  return pos;
}

FILE *openFile(const text *fname, text *tempbuf, size_t tempsize, int batch, int slaveid) {
  size_t len = expandFileName(fname, tempbuf, tempsize, batch, slaveid);
  const char *name = reinterpret_cast<const char *>(tempbuf);
  if (len == 0) return nullptr;
  if (name[0] == '+') return len > 1 ? fopen(name + 1, "ab+") : nullptr;
  return fopen(name, "wb+");
}

void printRowInfo(DATABASE *db, unsigned long long row, float sizemb) {
  time_t now = time(nullptr);
  struct tm tmv;
  localtime_r(&now, &tmv);
  char line[ROWINFO_SIZE];
  snprintf(line, sizeof line, "%12llu rows exported at %04d-%02d-%02d %02d:%02d:%02d, size %.0f MB.\n",
           row, tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday, tmv.tm_hour, tmv.tm_min,
           tmv.tm_sec, static_cast<double>(sizemb));
  sendLine(db->sink, MsgKind::Progress, line);
}
