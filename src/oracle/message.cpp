// Message lines of a session.
#include <stdarg.h>
#include <stdio.h>

#include "oracle/database.h"

void reportMessage(DATABASE *db, MsgKind kind, const char *fmt, ...) {
  char line[MESSAGE_SIZE];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  sendLine(db->sink, kind, line);
}
