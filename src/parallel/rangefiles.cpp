#include "parallel/rangefiles.h"

#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "unload/outfile.h"
#include "unload/outstream.h"
#include "unload/safefile.h"

namespace {

// The expanded name of piece k of pattern for range slaveid, without the
// leading '+'; append tells whether it had one.
bool pieceName(const text *pattern, int k, int slaveid, char *name, bool *append) {
  text expanded[DATA_NAME_SIZE];
  expandFileName(pattern, expanded, sizeof expanded, k, slaveid);
  const char *s = reinterpret_cast<const char *>(expanded);
  *append = s[0] == '+';
  if (*append) ++s;
  snprintf(name, SAFEFILE_NAME_SIZE, "%s", s);
  return name[0] != '\0';
}

// True when the pattern names its pieces apart (it holds %b).
bool numbersPieces(const text *pattern, int slaveid) {
  char one[SAFEFILE_NAME_SIZE], two[SAFEFILE_NAME_SIZE];
  bool append;
  pieceName(pattern, 1, slaveid, one, &append);
  pieceName(pattern, 2, slaveid, two, &append);
  return strcmp(one, two) != 0;
}

off_t lengthOf(const char *name) {
  struct stat st;
  return stat(name, &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
}

void remember(const text *pattern, int slaveid, std::vector<off_t> *lengths) {
  char name[SAFEFILE_NAME_SIZE];
  bool append;
  if (pattern[0] == 0 || !pieceName(pattern, 1, slaveid, name, &append) || !append) return;
  const bool pieces = numbersPieces(pattern, slaveid);
  for (int k = 1;; ++k) {
    pieceName(pattern, k, slaveid, name, &append);
    lengths->push_back(lengthOf(name));
    if (!pieces || lengths->back() < 0) return;
  }
}

void restore(const text *pattern, int slaveid, const std::vector<off_t> &lengths) {
  if (lengths.empty()) return;
  const bool pieces = numbersPieces(pattern, slaveid);
  char name[SAFEFILE_NAME_SIZE];
  bool append;
  for (size_t k = 1;; ++k) {
    pieceName(pattern, static_cast<int>(k), slaveid, name, &append);
    if (k <= lengths.size()) {
      cutBackFile(name, lengths[k - 1]);
    } else if (lengthOf(name) >= 0) {
      cutBackFile(name, -1);  // a piece the failed try added
    } else {
      return;
    }
    if (!pieces) return;
  }
}

void keepTemporaries(const text *pattern, int slaveid, pid_t pid) {
  if (pattern[0] == 0) return;
  const bool pieces = numbersPieces(pattern, slaveid);
  char name[SAFEFILE_NAME_SIZE], temp[SAFEFILE_NAME_SIZE], partial[SAFEFILE_NAME_SIZE + 32];
  bool append;
  for (int k = 1;; ++k) {
    if (!pieceName(pattern, k, slaveid, name, &append) || append) return;
    if (!temporaryName(temp, name, pid)) return;
    snprintf(partial, sizeof partial, "%s%s", name, PARTIAL_SUFFIX);
    const bool kept = rename(temp, partial) == 0;
    if (!pieces || (!kept && lengthOf(name) < 0)) return;
  }
}

// Adds the pieces of pattern for range slaveid that exist, complete or
// partial, to found.
void findPieces(const text *pattern, int slaveid, std::vector<std::string> *found) {
  if (pattern[0] == 0) return;
  const bool pieces = numbersPieces(pattern, slaveid);
  char name[SAFEFILE_NAME_SIZE], partial[SAFEFILE_NAME_SIZE + 32];
  bool append;
  for (int k = 1; pieceName(pattern, k, slaveid, name, &append); ++k) {
    snprintf(partial, sizeof partial, "%s%s", name, PARTIAL_SUFFIX);
    // A commit removes the piece's partial file: one that is there is the latest.
    const char *there = lengthOf(partial) >= 0 ? partial : lengthOf(name) >= 0 ? name : nullptr;
    if (there == nullptr) return;
    found->emplace_back(there);
    if (!pieces) return;
  }
}

}  // namespace

std::vector<std::string> foundRangeFiles(const OUTPUTSPEC *output, int slaveid, bool lob) {
  std::vector<std::string> found;
  findPieces(lob ? output->lobfname : output->fname, slaveid, &found);
  return found;
}

std::string listRangeFiles(const OUTPUTSPEC *output, int slaveid) {
  std::vector<std::string> found = foundRangeFiles(output, slaveid, false);
  for (std::string &lob : foundRangeFiles(output, slaveid, true)) found.push_back(lob);
  std::string list;
  for (size_t k = 0; k < found.size() && k < MAX_LISTED_FILES; ++k) list += (k == 0 ? "" : ", ") + found[k];
  if (found.size() > MAX_LISTED_FILES) list += " and " + std::to_string(found.size() - MAX_LISTED_FILES) + " more";
  return found.empty() ? "none" : list;
}

void rememberRangeFiles(const OUTPUTSPEC *output, int slaveid, RANGEFILES *files) {
  remember(output->fname, slaveid, &files->data);
  remember(output->lobfname, slaveid, &files->lob);
}

void restoreRangeFiles(const OUTPUTSPEC *output, int slaveid, const RANGEFILES *files) {
  restore(output->fname, slaveid, files->data);
  restore(output->lobfname, slaveid, files->lob);
}

void keepKilledWorkerFiles(const OUTPUTSPEC *output, int slaveid, pid_t pid) {
  keepTemporaries(output->fname, slaveid, pid);
  keepTemporaries(output->lobfname, slaveid, pid);
}
