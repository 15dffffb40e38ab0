#include "unload/lobexport.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int buildReference(text *lobvalue, const text *lobfile, long long offset, long long length) {
  const char *name = reinterpret_cast<const char *>(lobfile);
  if (name[0] == '+') ++name;
  int n = snprintf(reinterpret_cast<char *>(lobvalue), LOBVALUE_SIZE, "%s.%lld.%lld/", name, offset,
                   length);
  return n < static_cast<int>(LOBVALUE_SIZE) ? n : static_cast<int>(LOBVALUE_SIZE) - 1;
}

// Reads hlob piece by piece into lobf; *written counts the bytes appended.
JobStatus copyLob(ROWCURSOR *cursor, OCILobLocator *hlob, FILE *lobf, ub1 csfm, off_t *written,
                  int *err) {
  ub1 buf[LOB_READ_SIZE] = {};
  for (ub4 offset = 1;;) {
    ub4 amount = 0;
    if (cursor->lobRead(hlob, &amount, offset, buf, LOB_READ_SIZE, csfm) < 0) {
      cursor->lastError();
      return JobStatus::Fetch;
    }
    if (amount > LOB_READ_SIZE) amount = LOB_READ_SIZE;
    if ((*err = appendToLobFile(lobf, buf, amount)) != 0) return JobStatus::Write;
    *written += amount;
    offset += amount;
    if (amount < LOB_READ_SIZE) return JobStatus::Done;
  }
}

}  // namespace

off_t lobFilePosition(FILE *lobf) { return lseek(fileno(lobf), 0, SEEK_CUR); }

int appendToLobFile(FILE *lobf, const void *buf, size_t n) {
  const char *p = static_cast<const char *>(buf);
  while (n > 0) {
    ssize_t k = write(fileno(lobf), p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return k < 0 ? errno : ENOSPC;
    p += k;
    n -= static_cast<size_t>(k);
  }
  return 0;
}

void cutLobFileBack(FILE *lobf, off_t start) {
  struct stat st;
  if (start < 0 || fstat(fileno(lobf), &st) != 0 || !S_ISREG(st.st_mode)) return;
  if (ftruncate(fileno(lobf), start) == 0) lseek(fileno(lobf), start, SEEK_SET);
}

JobStatus readLobToLLS(ROWCURSOR *cursor, OCILobLocator *hlob, FILE *lobf, const text *lobfile,
                       text *lobvalue, int *lobvlen, ub1 csfm, int *err) {
  *lobvlen = 0;
  *err = 0;
  const off_t start = lobFilePosition(lobf);
  if (start < 0) {
    *err = errno;
    return JobStatus::Write;
  }
  if (cursor->lobOpen(hlob) != OCI_SUCCESS) {
    cursor->lastError();
    return JobStatus::Fetch;
  }
  off_t written = 0;
  JobStatus status = copyLob(cursor, hlob, lobf, csfm, &written, err);
  if (cursor->lobClose(hlob) != OCI_SUCCESS) {
    cursor->lastError();
    if (status == JobStatus::Done) status = JobStatus::Fetch;
  }
  if (status == JobStatus::Done) *lobvlen = buildReference(lobvalue, lobfile, start + 1LL, written);
  return status;
}

int nullLobReference(FILE *lobf, const text *lobfile, text *lobvalue) {
  return buildReference(lobvalue, lobfile, static_cast<long long>(lobFilePosition(lobf)) + 1, -1);
}
