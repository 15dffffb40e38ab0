// The select-list column records and the describe that builds them.
#ifndef QUILLET2_UNLOAD_COLUMN_H
#define QUILLET2_UNLOAD_COLUMN_H

#include <oci.h>

#include "base/limits.h"
#include "oracle/database.h"
#include "unload/jobstate.h"
#include "unload/sessionformats.h"

struct CONTROLFILEJOB;

// Most columns one select list may have.
constexpr int MAX_COLUMNS = 1023;
// Most rows per array fetch: the length of the per-row arrays of COLUMN.
constexpr int MAX_ARRAY_SIZE = 2000;
// Capacity of COLUMN.buf: names of up to 128 bytes (Oracle's identifier
// limit since 12.2) and a terminator.
constexpr int COLUMN_NAME_SIZE = 129;

// How the select list is described and fetched.
struct FETCHSPEC {
  ub4 DEFAULT_ARRAY_SIZE = 1000;  // array=: rows per fetch asked for (the describe may lower it)
  ub4 DEFAULT_LONG_SIZE = 32768;  // long=: bound of every column's width
  int safemode = 0;               // safe=: non-zero widens formatted columns against ORA-24345
  ub1 clientnum = 0;              // client=: non-zero fetches NUMBER and DATE as internal bytes
  text width[2048] = "";          // width=: ':'-separated custom widths; "" = none
  text unique[256] = "";          // unique=: comma-separated key columns; "" = none
  int oerrcount = 0;              // error=: how many of oerrorno a fetch may meet and go on
  int oerrorno[MAX_SKIP_ERRORS] = {};
};

struct COLUMN {
  OCIDefine *coldef;
  OCIParam *param;
  ub1 raw;
  ub1 ispk;
  sb4 dbsize;        // bytes as described (OCI_ATTR_DATA_SIZE)
  sb2 dbtype;        // external type the column is fetched as
  sb2 oldtype;       // Oracle type code as described
  sb1 buf[COLUMN_NAME_SIZE];
  sb1 *bufp;         // the name as described (client-owned, not terminated)
  sb4 buflen;
  sb4 dsize;         // bytes of one fetch element
  sb4 dsize2;        // display width
  sb2 precision;
  sb2 scale;
  sb2 quote;
  int keeplen;
  ub1 csfm;
  ub2 charsize;      // declared length in characters when it counts characters, else 0
  ub1 *colbuf;       // array size x dsize bytes
  sb2 indp[MAX_ARRAY_SIZE];
  ub2 col_retlen[MAX_ARRAY_SIZE];
  ub2 col_retcode[MAX_ARRAY_SIZE];
  COLUMN *next;
};

// Describes the executed query stmt into the list behind collist, sizes and
// defines the fetch buffers, marks unique key columns and writes the control
// file ctl names when it is due; the array size it chooses goes to
// job->arraysize (the job ctl.job points at). lenstr (fetch.width's text,
// cut up in place) holds the custom widths. formats: the session's date and
// timestamp formats, which size those fields. Returns the column count, -1
// (also, after a message, for more than MAX_COLUMNS columns), or
// CONTROL_FILE_FAILED when the control file could not be written (after its
// message).
// REQUIRES: collist->next is null; stmt is executed.
constexpr sword CONTROL_FILE_FAILED = -2;
sword getColumns8(DATABASE *db, OCIStmt *stmt, COLUMN *collist, int fixlen, text *lenstr,
                  const FETCHSPEC &fetch, const CONTROLFILEJOB &ctl, const SESSIONFORMATS *formats,
                  JOBSTATE *job);

// Detaches and frees every column after col (define handle, buffer, record).
void freeColumn(COLUMN *col);

#endif  // QUILLET2_UNLOAD_COLUMN_H
