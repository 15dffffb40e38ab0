#include "unload/interrupt.h"

#include <signal.h>
#include <string.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t g_signal = 0;
volatile sig_atomic_t g_workers[MAX_WATCHED_WORKERS];

void onInterrupt(int sig) {
  if (g_signal == 0) g_signal = sig;
  for (int i = 0; i < MAX_WATCHED_WORKERS; ++i)
    if (g_workers[i] > 0) kill(static_cast<pid_t>(g_workers[i]), SIGTERM);
}

}  // namespace

void installInterruptHandlers() {
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sa.sa_handler = onInterrupt;
  sa.sa_flags = SA_RESTART;  // a write to a pipe is not cut short by the signal
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a closed pipe is reported as a write error (EPIPE)
}

int interruptSignal() { return g_signal; }

JobStatus interruptStatus() {
  if (g_signal == 0) return JobStatus::Done;
  return g_signal == SIGINT ? JobStatus::Interrupted : JobStatus::Terminated;
}

void watchWorker(int slot, pid_t pid) {
  if (slot < 0 || slot >= MAX_WATCHED_WORKERS) return;
  g_workers[slot] = pid;
  if (pid > 0 && g_signal != 0) kill(pid, SIGTERM);  // the signal came before the slot was set
}

bool becomeWorker(pid_t parentpid) {
  for (int i = 0; i < MAX_WATCHED_WORKERS; ++i) g_workers[i] = 0;
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  return getppid() == parentpid;
}
