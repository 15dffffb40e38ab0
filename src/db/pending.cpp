// Placeholders until the session code lands: every logon fails plainly.
#include <stdio.h>
#include <string.h>

#include "db/database.h"
#include "db/ocicalls.h"

void initDB(DATABASE *db) {
  memset(db, 0, sizeof *db);
  db->prefetch = 100;
  db->fp_log = stdout;
  db->msgfunc = defaultMessageFunc;
}

void defaultMessageFunc(void *p, unsigned char *buf) {
  DATABASE *db = static_cast<DATABASE *>(p);
  if (db == nullptr || db->fp_log == nullptr) return;
  fputs(reinterpret_cast<char *>(buf), db->fp_log);
  fflush(db->fp_log);
}

sword LogonDB(DATABASE *, const text *) {
  fputs("quillet2: database logon is not available in this build yet\n", stdout);
  return -1;
}

sb4 oraError8(DATABASE *db) { return db->errcode; }
sword disconnectDB(DATABASE *) { return 0; }
ub2 charsetNameToId8(DATABASE *, const text *) { return 0; }
