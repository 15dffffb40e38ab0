// Placeholder until the row writer lands.
#include "unload/rowwriter.h"

void printRow8(text *, text *, DATABASE *db, OCIStmt *, COLUMN *, text *, int, text *, int, int,
               int, int, text *, text *, text *, unsigned int, text *, int, char, int, text *, int,
               text *, int, text *, int, text *, int, text *, text *, text *, int, text *, int,
               CMDOPTIONS *) {
  if (db->msgfunc != nullptr)
    db->msgfunc(db->context,
                reinterpret_cast<unsigned char *>(const_cast<char *>(
                    "quillet2: writing rows is not available in this build yet\n")));
  db->return_code = 7;
}

// Placeholder until the job runner lands.
#include <stdio.h>

#include "unload/jobrunner.h"

sword runTextUnloader(CMDOPTIONS *) {
  fputs("quillet2: unload jobs are not available in this build yet\n", stdout);
  return -1;
}
