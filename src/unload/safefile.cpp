#include "unload/safefile.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Room for one error line: fixed words, two file names and the system's text.
constexpr size_t ERROR_LINE_SIZE = 1536;

bool copyName(char *dst, const char *src) {
  return static_cast<size_t>(snprintf(dst, SAFEFILE_NAME_SIZE, "%s", src)) < SAFEFILE_NAME_SIZE;
}

// The file a symbolic link points at, so that the link stays a link.
bool resolveLink(char *name) {
  struct stat st;
  if (lstat(name, &st) != 0 || !S_ISLNK(st.st_mode)) return true;
  char *real = realpath(name, nullptr);
  if (real == nullptr) return true;  // a dangling link: the open creates its target
  bool ok = copyName(name, real);
  free(real);
  if (!ok) errno = ENAMETOOLONG;
  return ok;
}

FILE *openInPlace(SAFEFILE *f, const char *mode) {
  struct stat st;
  bool existed = stat(f->name, &st) == 0;
  f->fp = fopen(f->name, mode);
  if (f->fp == nullptr) return nullptr;
  if (fstat(fileno(f->fp), &st) == 0 && S_ISREG(st.st_mode)) {
    f->startlen = st.st_size;
    f->created = !existed;
    f->fsync = true;
  }
  return f->fp;
}

FILE *openTemporary(SAFEFILE *f, const struct stat *old) {
  if (!temporaryName(f->temp, f->name, getpid())) {
    f->temp[0] = '\0';
    errno = ENAMETOOLONG;
    return nullptr;
  }
  unlink(f->temp);  // left by a killed process that had this id
  int fd = open(f->temp, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    f->temp[0] = '\0';
    return nullptr;
  }
  if (old != nullptr) (void)fchmod(fd, old->st_mode & 07777);  // a replaced file keeps its mode
  f->replaces = old != nullptr;
  f->fp = fdopen(fd, "wb+");
  if (f->fp == nullptr) {
    int err = errno;
    close(fd);
    unlink(f->temp);
    f->temp[0] = '\0';
    errno = err;
  }
  f->fsync = true;
  return f->fp;
}

}  // namespace

bool temporaryName(char *out, const char *name, pid_t pid) {
  int n = snprintf(out, SAFEFILE_NAME_SIZE, "%s.tmp%ld", name, static_cast<long>(pid));
  return n >= 0 && static_cast<size_t>(n) < SAFEFILE_NAME_SIZE;
}

FILE *safeOpen(SAFEFILE *f, const char *expanded) {
  memset(f, 0, sizeof *f);
  f->startlen = -1;
  const bool append = expanded[0] == '+';
  if (append) ++expanded;
  if (expanded[0] == '\0') {
    errno = ENOENT;
    return nullptr;
  }
  if (!copyName(f->name, expanded) || !resolveLink(f->name)) {
    errno = ENAMETOOLONG;
    return nullptr;
  }
  if (append) return openInPlace(f, "ab+");
  struct stat st;
  const bool exists = stat(f->name, &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return openInPlace(f, "wb+");  // a device or a pipe
  return openTemporary(f, exists ? &st : nullptr);
}

void safeAbandon(SAFEFILE *f, char *note, size_t notesize) {
  if (notesize > 0) note[0] = '\0';
  if (f->fp != nullptr) fclose(f->fp);
  f->fp = nullptr;
  if (f->temp[0] != '\0') {
    struct stat st;
    char partial[SAFEFILE_NAME_SIZE + 16];
    snprintf(partial, sizeof partial, "%s%s", f->name, PARTIAL_SUFFIX);
    const bool removed = f->replaces && unlink(f->name) == 0;  // an earlier run's file
    const char *earlier = removed ? ", the earlier file removed" : "";
    if (stat(f->temp, &st) == 0 && st.st_size == 0) {
      unlink(f->temp);  // nothing was written: nothing to keep
      if (removed) snprintf(note, notesize, "the earlier file removed");
    } else if (rename(f->temp, partial) == 0) {
      snprintf(note, notesize, "kept as %s%s", partial, earlier);
    } else {
      snprintf(note, notesize, "kept as %s%s", f->temp, earlier);
    }
    f->temp[0] = '\0';
  } else if (f->startlen >= 0) {
    cutBackFile(f->name, f->created ? -1 : f->startlen);
    if (f->created) snprintf(note, notesize, "removed");
    else snprintf(note, notesize, "cut back to %lld bytes", static_cast<long long>(f->startlen));
  }
  f->startlen = -1;
}

int safeCommit(SAFEFILE *f, bool removeEmpty, char *note, size_t notesize) {
  if (notesize > 0) note[0] = '\0';
  if (f->fp == nullptr) return 0;
  int err = 0;
  struct stat st {};
  if (fflush(f->fp) != 0 || (f->fsync && fsync(fileno(f->fp)) != 0) || fstat(fileno(f->fp), &st) != 0)
    err = errno;
  if (fclose(f->fp) != 0 && err == 0) err = errno;
  f->fp = nullptr;
  if (err == 0 && removeEmpty && st.st_size == 0 && S_ISREG(st.st_mode) &&
      (f->temp[0] != '\0' || f->created)) {
    if (f->temp[0] != '\0') unlink(f->temp);
    unlink(f->name);
    f->temp[0] = '\0';
    return 0;
  }
  if (err == 0 && f->temp[0] != '\0' && rename(f->temp, f->name) != 0) err = errno;
  if (err != 0) {
    safeAbandon(f, note, notesize);
    return err;
  }
  if (f->temp[0] != '\0') {
    // A complete file replaces what an earlier failed try left.
    char partial[SAFEFILE_NAME_SIZE + 16];
    snprintf(partial, sizeof partial, "%s%s", f->name, PARTIAL_SUFFIX);
    unlink(partial);
    f->temp[0] = '\0';
  }
  f->startlen = -1;
  return 0;
}

int cutBackFile(const char *name, off_t len) {
  struct stat st;
  if (stat(name, &st) != 0) return errno == ENOENT ? 0 : errno;
  if (!S_ISREG(st.st_mode)) return 0;
  if (len < 0) return unlink(name) == 0 ? 0 : errno;
  if (st.st_size <= len) return 0;
  return truncate(name, len) == 0 ? 0 : errno;
}

void reportFileError(DATABASE *db, const char *fmt, ...) {
  char line[ERROR_LINE_SIZE];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  sendLine(db->sink, MsgKind::Error, line);
}

void reportIncomplete(DATABASE *db, const char *name, const char *note) {
  if (note[0] == '\0') return;
  reportFileError(db, "ERROR -- Output file %s is incomplete: %s.\n", name, note);
}
