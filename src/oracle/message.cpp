// Message lines of a session: the default sink and formatted reports.
#include <stdarg.h>
#include <stdio.h>

#include "oracle/database.h"

namespace {

// Room for one message line: fixed words with a file name of up to 512 bytes
// or three object names, and the counters. Longer lines are cut.
constexpr size_t MESSAGE_SIZE = 1024;

}  // namespace

void defaultMessageFunc(void *p, unsigned char *buf) {
  DATABASE *db = static_cast<DATABASE *>(p);
  if (db == nullptr || db->fp_log == nullptr) return;
  fputs(reinterpret_cast<char *>(buf), db->fp_log);
  fflush(db->fp_log);
}

void reportMessage(DATABASE *db, const char *fmt, ...) {
  if (db->msgfunc == nullptr) return;
  char line[MESSAGE_SIZE];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  db->msgfunc(db->context, reinterpret_cast<unsigned char *>(line));
}
