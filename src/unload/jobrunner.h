// One unload job from logon to teardown, with its own session.
#ifndef QUILLET2_UNLOAD_JOBRUNNER_H
#define QUILLET2_UNLOAD_JOBRUNNER_H

#include <oci.h>

#include "base/limits.h"
#include "base/sqlparam.h"
#include "base/status.h"
#include "unload/column.h"
#include "unload/controlfile.h"
#include "unload/outfile.h"
#include "unload/rowformat.h"

// The job's own session: logon, log, settings and the statements around the
// query.
struct SESSIONSPEC {
  text username[132] = "/";  // user=: connect string; "/" logs on as the operating-system user
  text logfile[256] = "";    // log=: message log pattern; "" = the messages go to standard output
  text altses[2048] = "";    // alter=: ';'-separated ALTER SESSION settings
  text presql[1024] = "";    // presql=: statement run before the query
  text postsql[1024] = "";   // postsql=: statement run after a complete unload
  ub2 charsetid = 0;         // client character set, looked up from charset=; 0 = the environment's
  ub2 ncharsetid = 0;        // national character set, from ncharset=; 0 = the environment's
  int bsize = 0;             // read=: DB_FILE_MULTIBLOCK_READ_COUNT; 0 = unchanged
  int hsize = 0;             // hash=: HASH_AREA_SIZE in MB; 0 = unchanged
  int ssize = 0;             // sort=: SORT_AREA_SIZE in MB; 0 = unchanged
  int serial = 0;            // serial=: non-zero forces serial direct reads
  int trace = 0;             // trace=: level of event 10046; 0 = no trace
};

// Everything one job is asked to do, by the module that reads it.
struct JOBSPEC {
  SESSIONSPEC session;
  FETCHSPEC fetch;
  ROWFORMAT format;
  OUTPUTSPEC output;
  CONTROLFILESPEC control;
  text query[32768] = "";  // query=: statement or bare table name
  text tabname[132] = "";  // table=: INSERT and control-file table; "" = the bare table name, if any
  int data = 1;            // data=: 0 describes (and writes the control file) without rows
  bool summary = true;     // false: no summary line (a parallel worker, whose parent sums them)
  int sqlargc = 0;         // bind variables in sqlargv
  SQLPARAM sqlargv[MAX_SQL_PARAMS] = {};
};

// Runs one complete job as worker slaveid (1 outside a parallel unload) and
// returns its status: Done, LogonFailed, Write, Sql (prepare or execute),
// Describe, Open, Fetch, Presql or Postsql. Changes the job's query, tabname,
// widths and bind handles as the job goes. Once logged on, the job's last
// message is the summary line of what it wrote, unless job->summary is
// false, no rows are written (data=NO) or the data and the messages share
// standard output.
JobStatus runTextUnloader(JOBSPEC *job, int slaveid);

// 1 when query (after leading blanks) is a statement: it begins with
// "select", "with" (any case) or "(". Any other text is a table name.
bool isQueryStatement(const char *query);

// Strips trailing white space, ';' and '/' from job->query; a table name
// becomes "select * from <name>", and an empty tabname takes a name of at
// most 128 bytes.
void normaliseQuery(JOBSPEC *job);

#endif  // QUILLET2_UNLOAD_JOBRUNNER_H
