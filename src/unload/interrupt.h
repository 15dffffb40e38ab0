// SIGINT and SIGTERM end a run cleanly: the handler only records the signal
// (and passes SIGTERM on to the worker processes of a parallel unload); the
// fetch loop and the writers look at it and stop, closing their files as
// for a failure. A closed pipe is a write error, not a signal.
#ifndef QUILLET2_UNLOAD_INTERRUPT_H
#define QUILLET2_UNLOAD_INTERRUPT_H

#include <sys/types.h>

#include "base/status.h"

// Installs the SIGINT and SIGTERM handlers and ignores SIGPIPE.
void installInterruptHandlers();

// The signal that asked the run to stop, or 0.
int interruptSignal();

// The status of a run stopped by interruptSignal(): Interrupted for SIGINT,
// Terminated for SIGTERM; Done when no signal came.
JobStatus interruptStatus();

// Slot i (0 to MAX_WATCHED_WORKERS - 1) holds a running worker: a signal to
// this process is passed on to it as SIGTERM. pid 0 frees the slot.
constexpr int MAX_WATCHED_WORKERS = 128;  // one per ROWID range, at most 128
void watchWorker(int slot, pid_t pid);

// In a new worker process: forgets the parent's workers and asks for SIGTERM
// when the parent ends (however it ends). Returns false when the parent
// (parentpid) has already gone.
bool becomeWorker(pid_t parentpid);

#endif  // QUILLET2_UNLOAD_INTERRUPT_H
