// --version: the program's version and the client library it was built with.
#include <stdio.h>

#include "app/driver.h"
#include "config/version.h"

#if QUILLET2_OCI_ORACLE
#include <oci.h>
#else
#include <sqlite3.h>
extern "C" const char *ocilite_version();
#endif

void printVersion(FILE *out) {
  fprintf(out, "quillet2 %s\n", QUILLET2_VERSION);
#if QUILLET2_OCI_ORACLE
  sword major = 0, minor = 0, update = 0, patch = 0, port = 0;
  OCIClientVersion(&major, &minor, &update, &patch, &port);
  fprintf(out, "client: Oracle Call Interface %d.%d.%d.%d.%d\n", major, minor, update, patch, port);
#else
  fprintf(out, "client: %s, the embedded Oracle stand-in, over SQLite %s\n", ocilite_version(),
          sqlite3_libversion());
#endif
}
