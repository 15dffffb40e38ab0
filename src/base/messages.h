// The one way the program's lines reach the user: a message sink.
//
// Every line the program prints (progress and closing lines, ORA- messages,
// refusals, warnings, the crypt form, the help screen) goes through a
// MESSAGESINK with its kind. The driver, or the job for its own log file,
// points the sink at a stream; which stream a kind ends up on is decided in
// one place, streamFor.
#ifndef QUILLET2_BASE_MESSAGES_H
#define QUILLET2_BASE_MESSAGES_H

#include <stddef.h>
#include <stdio.h>

// What a line is.
enum class MsgKind {
  Progress,  // progress lines and the closing line of an output file
  Error,     // Oracle's messages and the program's ERROR lines
  Warning,   // something skipped while the run goes on
  Result,    // what a one-shot mode was asked for: help, the crypt form
};

// Receives one line (or a few whole lines) of the given kind.
typedef void (*MSGFUNC)(void *context, MsgKind kind, const char *text);

struct MESSAGESINK {
  MSGFUNC msgfunc;  // null: lines are dropped
  void *context;    // msgfunc's first argument
};

// Room for one formatted line: fixed words with a file name of up to 512
// bytes or three object names, and the counters. Longer lines are cut.
constexpr size_t MESSAGE_SIZE = 1024;

// Hands text unchanged to the sink.
void sendLine(const MESSAGESINK &sink, MsgKind kind, const char *text);
// Formats one line (printf-style, cut at MESSAGE_SIZE - 1 bytes) and sends it.
void sendMessage(const MESSAGESINK &sink, MsgKind kind, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));

// The stream a line of kind goes to when the run's messages go to log:
// standard output (errors and warnings then go to standard error, so they
// never mix with data or results), standard error (when the data itself is
// on standard output) or a log file (which gets every kind).
FILE *streamFor(MsgKind kind, FILE *log);

// A sink writing to the FILE * in context (through streamFor), flushing
// every line; errors and warnings written to a log file also go to
// standard error.
void fileMessageFunc(void *context, MsgKind kind, const char *text);
inline MESSAGESINK fileSink(FILE *fp) { return MESSAGESINK{fileMessageFunc, fp}; }

#endif  // QUILLET2_BASE_MESSAGES_H
