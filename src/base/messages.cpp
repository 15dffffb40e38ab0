#include "base/messages.h"

#include <stdarg.h>

void sendLine(const MESSAGESINK &sink, MsgKind kind, const char *text) {
  if (sink.msgfunc != nullptr) sink.msgfunc(sink.context, kind, text);
}

void sendMessage(const MESSAGESINK &sink, MsgKind kind, const char *fmt, ...) {
  if (sink.msgfunc == nullptr) return;
  char line[MESSAGE_SIZE];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  sink.msgfunc(sink.context, kind, line);
}

namespace {

bool isComplaint(MsgKind kind) { return kind == MsgKind::Error || kind == MsgKind::Warning; }

void put(FILE *fp, const char *text) {
  fputs(text, fp);
  fflush(fp);
}

}  // namespace

FILE *streamFor(MsgKind kind, FILE *log) {
  if (isComplaint(kind) && log == stdout) return stderr;
  return log;
}

void fileMessageFunc(void *context, MsgKind kind, const char *text) {
  FILE *fp = streamFor(kind, static_cast<FILE *>(context));
  if (fp == nullptr) return;
  put(fp, text);
  if (isComplaint(kind) && fp != stderr) put(stderr, text);
}
