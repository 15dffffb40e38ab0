#include "unload/lobexport.h"


namespace {

int buildReference(text *lobvalue, const text *lobfile, long offset, long length) {
  const char *name = reinterpret_cast<const char *>(lobfile);
  if (name[0] == '+') ++name;
  int n = snprintf(reinterpret_cast<char *>(lobvalue), LOBVALUE_SIZE, "%s.%ld.%ld/", name, offset,
                   length);
  return n < static_cast<int>(LOBVALUE_SIZE) ? n : static_cast<int>(LOBVALUE_SIZE) - 1;
}

}  // namespace

sword readLobToLLS(ROWCURSOR *cursor, OCILobLocator *hlob, FILE *lobf, const text *lobfile,
                   text *lobvalue, int *lobvlen, ub1 csfm) {
  ub1 buf[LOB_READ_SIZE] = {};
  off_t start = ftello(lobf);
  sword status = cursor->lobOpen(hlob);
  if (status != OCI_SUCCESS) {
    cursor->lastError();
  } else {
    ub4 offset = 1;
    for (;;) {
      ub4 amount = 0;
      status = cursor->lobRead(hlob, &amount, offset, buf, LOB_READ_SIZE, csfm);
      if (status < 0) {
        cursor->lastError();
        break;
      }
      if (amount > LOB_READ_SIZE) amount = LOB_READ_SIZE;
      if (amount > 0) fwrite(buf, amount, 1, lobf);
      offset += amount;
      if (amount < LOB_READ_SIZE) break;
    }
    sword closed = cursor->lobClose(hlob);
    if (closed != OCI_SUCCESS) {
      cursor->lastError();
      status = closed;
    }
  }
  off_t end = ftello(lobf);
  *lobvlen = buildReference(lobvalue, lobfile, static_cast<long>(start) + 1,
                            static_cast<long>(end - start));
  return status;
}

int nullLobReference(FILE *lobf, const text *lobfile, text *lobvalue) {
  return buildReference(lobvalue, lobfile, static_cast<long>(ftello(lobf)) + 1, -1);
}
