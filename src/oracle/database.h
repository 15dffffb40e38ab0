// One Oracle session and the statement helpers every other part talks through.
#ifndef QUILLET2_ORACLE_DATABASE_H
#define QUILLET2_ORACLE_DATABASE_H

#include <stdio.h>

#include <oci.h>

#include "base/messages.h"
#include "base/sqlparam.h"

// Bytes of DATABASE.errmsg, and the buffer handed to OCIErrorGet.
constexpr int ERRMSG_SIZE = 512;

struct DATABASE {
  OCIEnv *envhp;
  OCIError *errhp;
  OCIServer *srvhp;
  OCISvcCtx *svchp;
  OCISession *seshp;
  sb4 errcode;               // last Oracle error fetched; 0 when none
  text errmsg[ERRMSG_SIZE];  // its text as the client library words it
  ub2 charset;               // character-set ids for the environment; 0 = default
  ub2 ncharset;
  MESSAGESINK sink;          // where the session's lines go; standard output by default
};

// All handles null, messages to standard output.
void initDB(DATABASE *db);

// Formats one message line of kind (printf-style, cut at 1023 bytes) and
// sends it to db's sink. REQUIRES: db initialised by initDB.
void reportMessage(DATABASE *db, MsgKind kind, const char *fmt, ...)
    __attribute__((format(printf, 3, 4)));

// Sleeps interval x 100 ms; nothing for interval < 1.
void sleepInterval(int interval);

// Creates the environment, attaches, begins the session. 0 or -1.
// authmode: OCI_CRED_RDBMS or OCI_CRED_EXT; mode: OCI_DEFAULT or OCI_SYSDBA.
sword connectDB(DATABASE *db, const text *username, const text *password,
                const text *tnsname, ub4 authmode, ub4 mode);
// Logs on from a user/password@connect string. Status of connectDB.
sword LogonDB(DATABASE *db, const text *o_connstr);

// Appends src to dest, expanding a host:port:sid text into a connect descriptor.
// REQUIRES: dest holds a terminated string inside a 256-byte buffer.
void copyTnsname(text *dest, const text *src);
// Copies one host of a comma-separated list into dest (not terminated);
// returns the bytes written. Two or more hosts: one picked at random (seeded
// with the time). REQUIRES: dest has room for strlen(hostlist) bytes.
int copyHostname(text *dest, const text *hostlist);

// The error step on its own: fetch error record 1, report it. Returns errcode.
sb4 oraError8(DATABASE *db);

// Allocates *stmt and prepares sql. -1 if the handle cannot be allocated, else
// 0 or the error code. The handle stays allocated on failure.
sword prepareStmt8(DATABASE *db, OCIStmt **stmt, const text *sql);
// Executes once with commit on success. 0 or the error code.
sword executeUpdate8(DATABASE *db, OCIStmt *stmt);
// Frees a statement handle (null is fine). 0, or -1 if the free fails.
sword releaseStmt8(DATABASE *db, OCIStmt *stmt);
// Prepares, executes once and frees a statement that returns no rows.
// 0 or the Oracle error number; *stmt is freed on every path.
sword prepareExecute8(DATABASE *db, OCIStmt **stmt, const text *sql);
// Executes a prepared query with 0 iterations; the cursor stays open.
sword executeQuery8(DATABASE *db, OCIStmt *stmt);
// Allocates, prepares and executes a query; the statement stays allocated.
sword prepareQuery8(DATABASE *db, OCIStmt **stmt, const text *sql);
// Ends the session, detaches, frees the environment (each only if set). 0.
sword disconnectDB(DATABASE *db);
// Binds one SQLPARAM by name as SQLT_CHR; stores the handle in sqlp->ob.
sword BindValue(DATABASE *db, OCIStmt *stmt, SQLPARAM *sqlp);

#endif  // QUILLET2_ORACLE_DATABASE_H
