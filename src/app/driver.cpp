// The top level of a run: start-up, option collection, one-shot modes, logon
// and dispatch to a single job or a parallel unload.
#include "app/driver.h"

#include <stdio.h>
#include <string.h>

#include "app/loadchecks.h"
#include "crypto/password.h"
#include "crypto/scramble.h"
#include "oracle/database.h"
#include "oracle/ocicalls.h"
#include "parallel/tablesplit.h"
#include "parallel/workers.h"
#include "unload/jobrunner.h"

namespace {

// Exit status of help, crypt, uncrack and a failed driver logon.
constexpr int EXIT_ONE_SHOT = 1;

// Character-set ids for the job sessions, looked up on the driver's session.
void resolveCharsets(DATABASE *db, CMDOPTIONS *cmdopts) {
  if (cmdopts->charset[0] != 0) cmdopts->charsetid = charsetNameToId8(db, cmdopts->charset);
  if (cmdopts->ncharset[0] != 0) cmdopts->ncharsetid = charsetNameToId8(db, cmdopts->ncharset);
  if (cmdopts->ncharsetid == 0) cmdopts->ncharsetid = cmdopts->charsetid;
}

}  // namespace

int quillet2Main(int argc, char **argv) {
  CMDOPTIONS cmdopts;
  DATABASE db;
  TABLESPLIT splitdata;

  initDB(&db);
  db.context = &db;  // the driver's Oracle errors go to standard output
  resetCommandOptions(&cmdopts);
  prepareBanners();

  collectOptions(&cmdopts, argc, argv);

  if (cmdopts.username[0] == 0) strcpy(reinterpret_cast<char *>(cmdopts.username), "/");
  if (cmdopts.crypt) {
    encryptPassword("user=", cmdopts.username);  // prints its own refusal
    return EXIT_ONE_SHOT;
  }
  if (cmdopts.uncrackkey[0] != 0) {
    doUncrackFile(cmdopts.fname, cmdopts.uncrackkey);
    return EXIT_ONE_SHOT;
  }
  autoDecryptPassword(cmdopts.username);
  if (cmdopts.query[0] == 0 && cmdopts.tabsplit[0] == 0) {
    printHelpScreen(stdout, &cmdopts);
    return EXIT_ONE_SHOT;
  }

  if (refuseUnloadableOptions(&cmdopts, stderr) != 0) return EXIT_ONE_SHOT;

  if (LogonDB(&db, cmdopts.username) != 0) {  // the logon has reported its error
    disconnectDB(&db);  // frees whatever the failed logon left allocated
    return EXIT_ONE_SHOT;
  }
  resolveCharsets(&db, &cmdopts);

  if (cmdopts.degree > 1 && cmdopts.tabsplit[0] != 0) {
    memset(&splitdata, 0, sizeof splitdata);
    return runParallelUnload(&db, &cmdopts, &splitdata);  // ends db's session
  }
  const int status = runTextUnloader(&cmdopts);
  disconnectDB(&db);
  return status;
}
