// ocilite DB --load CONTROLFILE: SQL*Loader's conventional load of the
// control file's data files into a table of the stand-in's database.
#ifndef OCILITE_TOOL_LOADER_H
#define OCILITE_TOOL_LOADER_H

#include <string>

namespace loader {

// Exit statuses of a load, as SQL*Loader has them.
enum class LoadStatus : int {
  Loaded = 0,    // every record read was loaded
  Failed = 1,    // nothing loaded: the control file, a data file, the database or the table is bad
  Warnings = 2,  // loaded, but records were rejected or discarded (or ERRORS ran out)
};

// Loads into the database file dbPath what the control file ctlPath
// describes: rejected records go to standard error with their file, number
// and reason, the counts to standard output. The rows loaded are committed
// together; a fatal error loads none.
LoadStatus runLoad(const std::string &dbPath, const std::string &ctlPath);

}  // namespace loader

#endif  // OCILITE_TOOL_LOADER_H
