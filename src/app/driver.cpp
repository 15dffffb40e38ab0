// The top level of a run: start-up, option collection, one-shot modes, logon
// and dispatch to a single job or a parallel unload.
#include "app/driver.h"
#include "app/refusals.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "app/loadchecks.h"
#include "config/version.h"
#include "crypto/password.h"
#include "crypto/scramble.h"
#include "oracle/database.h"
#include "oracle/ocicalls.h"
#include "parallel/tablesplit.h"
#include "parallel/workers.h"
#include "unload/interrupt.h"
#include "unload/jobrunner.h"
#include "unload/manifest.h"

static_assert(sizeof(CMDOPTIONS{}.username) == USERNAME_SIZE,
              "the connect-string form works on the whole user= field");

namespace {

// The process exit code of a status: its value, where -1 is seen as 255
// (all that an exit passes on are the low 8 bits).
int exitCode(JobStatus status) { return static_cast<int>(status) & 0xff; }

// Ends a forked worker with its job's status. _exit, not a return: the
// worker must not run the parent's teardown of the session it inherited.
[[noreturn]] void endWorker(JobStatus status) {
  fflush(nullptr);
  _exit(exitCode(status));
}

// Sends the warnings, then the refusals, of option collection or of the
// option checks to sink; true when there is a refusal.
bool sendNotes(const MESSAGESINK &sink, const COLLECTNOTES &notes) {
  for (const std::string &w : notes.warnings) sendLine(sink, MsgKind::Warning, w.c_str());
  for (const std::string &r : notes.refusals) sendLine(sink, MsgKind::Error, r.c_str());
  return !notes.refusals.empty();
}

// Character-set ids for the job sessions, looked up on the driver's session.
void resolveCharsets(DATABASE *db, CMDOPTIONS *cmdopts) {
  if (cmdopts->charset[0] != 0) cmdopts->charsetid = charsetNameToId8(db, cmdopts->charset);
  if (cmdopts->ncharset[0] != 0) cmdopts->ncharsetid = charsetNameToId8(db, cmdopts->ncharset);
  if (cmdopts->ncharsetid == 0) cmdopts->ncharsetid = cmdopts->charsetid;
}

// The run's end once it got past the option checks: its manifest, when one
// was asked for, then its exit code (the open-error status when the manifest
// could not be written after a complete run).
int finishRun(DATABASE *db, const CMDOPTIONS *cmdopts, time_t started, int code) {
  if (cmdopts->manifest[0] == 0) return code;
  const MANIFESTRUN run{QUILLET2_VERSION, started, time(nullptr), code};
  if (writeManifest(db, reinterpret_cast<const char *>(cmdopts->manifest), runRecord(), run)) return code;
  return code == 0 ? exitCode(JobStatus::Open) : code;
}

}  // namespace

int quillet2Main(int argc, char **argv) {
  CMDOPTIONS cmdopts;
  JOBSPEC job;
  DATABASE db;
  TABLESPLIT splitdata;

  installInterruptHandlers();
  initDB(&db);
  // db.sink: the driver's results (help, the crypt form) go to standard
  // output, its Oracle errors to standard error.
  resetCommandOptions(&cmdopts);
  if (printConventionalFlag(argc, argv)) return 0;

  // Refusals and warnings about the command line come before any log is
  // opened: they go to standard error.
  const MESSAGESINK notices = fileSink(stderr);
  COLLECTNOTES collected;
  collectOptions(&cmdopts, argc, argv, &collected);
  if (sendNotes(notices, collected)) return exitCode(JobStatus::OneShot);

  if (cmdopts.username[0] == 0) strcpy(reinterpret_cast<char *>(cmdopts.username), "/");
  if (cmdopts.crypt) {
    encryptPassword(db.sink, "user=", cmdopts.username);  // sends its own refusal
    return exitCode(JobStatus::OneShot);
  }
  if (cmdopts.uncrackkey[0] != 0) {
    if (doUncrackFile(cmdopts.fname, cmdopts.uncrackkey)) return exitCode(JobStatus::OneShot);
    sendMessage(notices, MsgKind::Error, "ERROR -- Cannot read file %s: %s.\n", reinterpret_cast<char *>(cmdopts.fname),
                strerror(errno));
    return exitCode(JobStatus::Open);
  }
  autoDecryptPassword(cmdopts.username);
  if (cmdopts.query[0] == 0 && cmdopts.tabsplit[0] == 0) {
    printHelpScreen(db.sink, &cmdopts);
    return exitCode(JobStatus::OneShot);
  }
  COLLECTNOTES checked;
  checkOptionRecord(&cmdopts, &checked);
  if (sendNotes(notices, checked)) return exitCode(JobStatus::OneShot);

  if (refuseUnloadableOptions(&cmdopts, notices) != 0) return exitCode(JobStatus::OneShot);

  if (!completePassword(&cmdopts, notices)) return exitCode(JobStatus::OneShot);
  const time_t started = time(nullptr);
  if (LogonDB(&db, cmdopts.username) != 0) {  // the logon has reported its error
    disconnectDB(&db);  // frees whatever the failed logon left allocated
    return finishRun(&db, &cmdopts, started, exitCode(JobStatus::OneShot));
  }
  resolveCharsets(&db, &cmdopts);

  mapJobSettings(cmdopts, &job);
  if (cmdopts.degree > 1 && cmdopts.tabsplit[0] != 0) {
    SPLITSPEC split;
    mapSplitSettings(cmdopts, &split);
    memset(&splitdata, 0, sizeof splitdata);
    const PARALLELEND end = runParallelUnload(&db, &job, &split, &splitdata);  // ends db's session
    if (end.inWorker) endWorker(end.job);
    return finishRun(&db, &cmdopts, started, end.parent);
  }
  const JobStatus status = runTextUnloader(&job, 1);
  disconnectDB(&db);
  return finishRun(&db, &cmdopts, started, exitCode(status));
}
