// The output files of one ROWID range across its tries. A re-run starts its
// range's appended files ("+name") from what they held before the first
// try, whatever the failed try left (it may have been killed mid-write), and
// the temporary files of a killed worker are kept as NAME.partial.
#ifndef QUILLET2_PARALLEL_RANGEFILES_H
#define QUILLET2_PARALLEL_RANGEFILES_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "unload/outfile.h"

struct RANGEFILES {
  std::vector<off_t> data;  // appended data file of piece 1, 2, ...: length, -1 when missing
  std::vector<off_t> lob;   // the same for the LOB side file
};

// Records the lengths of range slaveid's appended files before its first try.
void rememberRangeFiles(const OUTPUTSPEC *output, int slaveid, RANGEFILES *files);

// Before a re-run: cuts the appended files back to the recorded lengths and
// removes pieces the failed try added.
void restoreRangeFiles(const OUTPUTSPEC *output, int slaveid, const RANGEFILES *files);

// After worker pid of range slaveid was killed: its temporary files become
// NAME.partial.
void keepKilledWorkerFiles(const OUTPUTSPEC *output, int slaveid, pid_t pid);

// The pieces of range slaveid's data files (lob: its LOB side files) that
// there are, complete or kept as NAME.partial, in piece order.
std::vector<std::string> foundRangeFiles(const OUTPUTSPEC *output, int slaveid, bool lob);

// Files of range slaveid listed after its failure: the data and LOB pieces
// there are, complete or kept as NAME.partial, comma-separated ("none" when
// there are none); at most MAX_LISTED_FILES, then how many more.
constexpr size_t MAX_LISTED_FILES = 8;  // keeps the failure line to one screen line or two
std::string listRangeFiles(const OUTPUTSPEC *output, int slaveid);

#endif  // QUILLET2_PARALLEL_RANGEFILES_H
