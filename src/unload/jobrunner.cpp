// One unload job: query text, session, settings, statement, describe, rows.
#include "unload/jobrunner.h"

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "base/chars.h"
#include "oracle/database.h"
#include "unload/column.h"
#include "unload/columntype.h"
#include "unload/interrupt.h"
#include "unload/outfile.h"
#include "unload/outstream.h"
#include "unload/rowwriter.h"
#include "unload/runrecord.h"

namespace {

// Bytes of one session statement built from a setting.
constexpr size_t SESSION_SQL_SIZE = 512;
// Bytes of the query built around a bare table name.
constexpr size_t QUERY_SIZE = 32768;
// Longest table name that also becomes tabname: Oracle's identifier limit.
constexpr size_t MAX_TABNAME_LENGTH = 128;
// Bytes of the expanded log file name.
constexpr size_t LOGNAME_SIZE = 512;
constexpr int MB = 1048576;

}  // namespace

bool isQueryStatement(const char *query) {
  while (isspace(static_cast<unsigned char>(*query))) query++;
  return strncasecmp(query, "with", 4) == 0 || strncasecmp(query, "select", 6) == 0 || *query == '(';
}

void normaliseQuery(JOBSPEC *o) {
  size_t len = strlen(chars(o->query));
  while (len > 0 && (isspace(o->query[len - 1]) || o->query[len - 1] == ';' ||
                     o->query[len - 1] == '/'))
    o->query[--len] = 0;
  const char *start = chars(o->query);
  while (*start != 0 && isspace(static_cast<unsigned char>(*start))) start++;
  if (isQueryStatement(start)) return;
  if (o->tabname[0] == 0 && strlen(start) <= MAX_TABNAME_LENGTH)
    snprintf(chars(o->tabname), sizeof o->tabname, "%s", start);
  char built[QUERY_SIZE];
  snprintf(built, sizeof built, "select * from %s", start);
  snprintf(chars(o->query), sizeof o->query, "%s", built);
}

namespace {

// Runs one statement that returns no rows; failures are reported by the
// error step. Returns its status.
sword run(DATABASE *db, const char *sql) {
  OCIStmt *stmt = nullptr;
  return prepareExecute8(db, &stmt, reinterpret_cast<const text *>(sql));
}

void runTwice(DATABASE *db, const char *sql) {
  run(db, sql);
  run(db, sql);
}

void sendSessionSettings(DATABASE *db, SESSIONSPEC *o) {
  char sql[SESSION_SQL_SIZE];
  run(db, "ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD HH24:MI:SS'");
  run(db, "ALTER SESSION SET NLS_TIMESTAMP_FORMAT='YYYY-MM-DD HH24:MI:SSXFF'");
  run(db, "ALTER SESSION SET NLS_TIMESTAMP_TZ_FORMAT='YYYY-MM-DD HH24:MI:SSXFF TZH:TZM'");
  if (o->bsize != 0) {
    snprintf(sql, sizeof sql, "ALTER SESSION SET DB_FILE_MULTIBLOCK_READ_COUNT=%d", o->bsize);
    run(db, sql);
  }
  if (o->hsize != 0) {
    run(db, "ALTER SESSION SET WORKAREA_SIZE_POLICY=MANUAL");
    snprintf(sql, sizeof sql, "ALTER SESSION SET HASH_AREA_SIZE=%lld",
             static_cast<long long>(o->hsize) * MB);
    runTwice(db, sql);
    runTwice(db, "ALTER SESSION SET \"_hash_multiblock_io_count\"=128");
  }
  if (o->serial != 0) run(db, "ALTER SESSION SET \"_serial_direct_read\"=TRUE");
  if (o->ssize != 0) {
    long long bytes = static_cast<long long>(o->ssize) * MB;
    run(db, "ALTER SESSION SET WORKAREA_SIZE_POLICY=MANUAL");
    snprintf(sql, sizeof sql, "ALTER SESSION SET SORT_AREA_SIZE=%lld", bytes);
    runTwice(db, sql);
    snprintf(sql, sizeof sql, "ALTER SESSION SET SORT_AREA_RETAINED_SIZE=%lld", bytes);
    runTwice(db, sql);
    runTwice(db, "ALTER SESSION SET \"_sort_multiblock_read_count\"=128");
  }
  if (o->trace != 0) {
    snprintf(sql, sizeof sql,
             "ALTER SESSION SET EVENTS='10046 TRACE NAME CONTEXT FOREVER,LEVEL %d'", o->trace);
    run(db, sql);
  }
  char *save = nullptr;
  for (char *piece = strtok_r(chars(o->altses), ";", &save); piece != nullptr;
       piece = strtok_r(nullptr, ";", &save)) {
    // A piece too long for the statement buffer is refused, not sent cut short.
    if (snprintf(sql, sizeof sql, "ALTER SESSION %s", piece) >= static_cast<int>(sizeof sql)) {
      reportMessage(db, MsgKind::Warning,
                    "ERROR -- session setting longer than %d bytes skipped: %.40s...\n",
                    static_cast<int>(sizeof sql) - 1, piece);
      continue;
    }
    run(db, sql);
  }
}

// The JSON layout's dates and timestamps are ISO 8601 whatever alter= and
// presql= set: its own formats go last, and size the fields.
void useJsonFormats(DATABASE *db, SESSIONFORMATS *formats) {
  *formats = jsonSessionFormats();
  char sql[SESSION_SQL_SIZE];
  snprintf(sql, sizeof sql, "ALTER SESSION SET NLS_DATE_FORMAT='%s'", formats->date);
  run(db, sql);
  snprintf(sql, sizeof sql, "ALTER SESSION SET NLS_TIMESTAMP_FORMAT='%s'", formats->timestamp);
  run(db, sql);
  snprintf(sql, sizeof sql, "ALTER SESSION SET NLS_TIMESTAMP_TZ_FORMAT='%s'", formats->timestamptz);
  run(db, sql);
}

// The described columns join the run's record.
void recordColumns(const COLUMN *collist) {
  std::vector<COLUMNINFO> &columns = runRecord().columns;
  columns.clear();
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next)
    columns.push_back({reinterpret_cast<const char *>(c->buf), oracleTypeName(c->oldtype, c->csfm == SQLCS_NCHAR),
                       c->precision, c->scale});
}

// Prepare, bind, execute, describe and write the rows; frees the columns and
// the statement; runs postsql. Returns the job's status.
JobStatus runQuery(DATABASE *db, JOBSPEC *o, const SESSIONFORMATS *formats, JOBSTATE *job) {
  OCIStmt *stmt = nullptr;
  COLUMN collist;
  memset(&collist, 0, sizeof collist);
  const int fixlen = fixedWidth(o->format);
  const CONTROLFILEJOB control{&o->control, &o->format, &o->output, job};
  JobStatus status = JobStatus::Done;
  if (prepareStmt8(db, &stmt, o->query) != 0) {
    status = JobStatus::Sql;
  } else {
    for (int i = 0; i < o->sqlargc && i < MAX_SQL_PARAMS; i++) BindValue(db, stmt, &o->sqlargv[i]);
    if (executeQuery8(db, stmt) != 0) {
      status = JobStatus::Sql;
    } else if (sword n = getColumns8(db, stmt, &collist, fixlen, o->fetch.width, o->fetch, control,
                                     formats, job);
               n < 1) {
      status = n == CONTROL_FILE_FAILED ? JobStatus::Open : JobStatus::Describe;
    } else if (recordColumns(&collist); o->data != 0) {
      OCICURSOR cursor(db, stmt);
      status = printRow8(db, &cursor, &collist, o->format, o->output, o->fetch, *job, &control, formats);
    }
  }
  freeColumn(&collist);
  releaseStmt8(db, stmt);
  if (status == JobStatus::Done && o->session.postsql[0] != 0 && run(db, chars(o->session.postsql)) != 0)
    status = JobStatus::Postsql;
  return status;
}

}  // namespace

JobStatus runTextUnloader(JOBSPEC *o, int slaveid) {
  const double started = secondsNow();
  DATABASE db;
  initDB(&db);
  normaliseQuery(o);
  runRecord().query = chars(o->query);
  JOBSTATE job{slaveid, 0, o->tabname};

  FILE *log = nullptr;
  if (o->session.logfile[0] != 0) {
    text logname[LOGNAME_SIZE] = {0};
    log = openFile(o->session.logfile, logname, sizeof logname, 0, slaveid);
    if (log == nullptr) {  // no row is fetched without its messages
      const int err = errno;
      sendMessage(db.sink, MsgKind::Error, "ERROR -- Cannot write to file : %s\nERROR -- %s: %s\n", chars(logname),
                  chars(logname), strerror(err));
      return JobStatus::Open;
    }
    db.sink = fileSink(log);
  } else if (strcmp(chars(o->output.fname), "-") == 0) {
    db.sink = fileSink(stderr);  // the data is on standard output: every line goes beside it
  }
  SESSIONSPEC *session = &o->session;
  db.charset = session->charsetid;
  db.ncharset = session->ncharsetid;

  JobStatus status = JobStatus::LogonFailed;
  if (LogonDB(&db, session->username) == 0) {
    SESSIONFORMATS formats = defaultSessionFormats();
    sendSessionSettings(&db, session);
    status = JobStatus::Done;
    if (session->presql[0] != 0 && run(&db, chars(session->presql)) != 0) status = JobStatus::Presql;
    if (status == JobStatus::Done && o->format.format == FORMAT_JSON) useJsonFormats(&db, &formats);
    else if (status == JobStatus::Done) readSessionFormats(&db, &formats);
    for (SQLPARAM &p : o->sqlargv) p.ob = nullptr;
    if (status == JobStatus::Done) status = runQuery(&db, o, &formats, &job);
    runRecord().elapsed = secondsNow() - started;
    const bool stdoutdata = strcmp(chars(o->output.fname), "-") == 0;
    if (o->summary && o->data != 0 && (log != nullptr || !stdoutdata))
      sendLine(db.sink, MsgKind::Progress,
               summaryLine(runRecord(), codecForName(o->output.fname) != Codec::none).c_str());
  }
  disconnectDB(&db);  // also what a failed logon allocated
  if (log != nullptr) fclose(log);
  return interruptSignal() != 0 ? interruptStatus() : status;
}
