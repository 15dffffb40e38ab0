// An output file that never shows a partial content under its final name.
//
// A new regular file (or a regular file being replaced) is written under a
// temporary name beside it and renamed into place once it is complete and
// on disk. Everything else is written in place: a device, a pipe, and the
// append form ("+name"), whose length at the open is remembered so that a
// failed run can cut it back. On failure the temporary file is kept as
// NAME.partial (or removed when empty).
#ifndef QUILLET2_UNLOAD_SAFEFILE_H
#define QUILLET2_UNLOAD_SAFEFILE_H

#include <stdio.h>
#include <sys/types.h>

#include "oracle/database.h"

// Room for a file name with a suffix: expanded names are at most 511 bytes,
// the suffixes (temporary, partial) add fewer than 32.
constexpr size_t SAFEFILE_NAME_SIZE = 544;
// Room for what became of an incomplete file: "kept as NAME.partial, the
// earlier file removed" and the like.
constexpr size_t SAFEFILE_NOTE_SIZE = SAFEFILE_NAME_SIZE + 64;
// The suffix of a kept incomplete file.
constexpr const char *PARTIAL_SUFFIX = ".partial";

struct SAFEFILE {
  FILE *fp;                       // null when closed
  char name[SAFEFILE_NAME_SIZE];  // final name, without the leading '+'
  char temp[SAFEFILE_NAME_SIZE];  // temporary name; empty when written in place
  off_t startlen;                 // in place, regular: length at the open; -1 otherwise
  bool created;                   // in place: the open created the file
  bool fsync;                     // flush to disk at commit (regular files)
  bool replaces;                  // written under a temporary name over an existing file
};

// The temporary name of name in process pid (beside it, in its folder).
// Returns false when it does not fit SAFEFILE_NAME_SIZE bytes.
bool temporaryName(char *out, const char *name, pid_t pid);

// Opens the file expanded names (a leading '+' appends). Returns the
// stream, or null with errno set (nothing is left behind then).
FILE *safeOpen(SAFEFILE *f, const char *expanded);

// Closes a complete file: flush, fsync, close and rename into place; when
// removeEmpty and nothing was written, the file is removed instead. Returns
// 0, or the errno of the step that failed (then the file is abandoned as
// by safeAbandon, which fills note).
int safeCommit(SAFEFILE *f, bool removeEmpty, char *note, size_t notesize);

// Closes an incomplete file: a temporary one is kept as NAME.partial
// (removed when empty) and a file it was to replace is removed, so that no
// file is left under the name; an appended one is cut back to its length at the
// open. note receives what became of it ("kept as x.partial", "cut back to
// 12 bytes", "removed"), or an empty text when there was nothing to do (a
// device, a closed file).
void safeAbandon(SAFEFILE *f, char *note, size_t notesize);

// Cuts the regular file name back to len bytes, removing it when len is
// -1 (it did not exist). Returns 0 or errno.
int cutBackFile(const char *name, off_t len);

// An error line about a file, to db's sink (longer than a plain message:
// it may hold two names and the system's text).
void reportFileError(DATABASE *db, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

// Reports what became of an incomplete file (nothing when note is empty).
void reportIncomplete(DATABASE *db, const char *name, const char *note);

#endif  // QUILLET2_UNLOAD_SAFEFILE_H
