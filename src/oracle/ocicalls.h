// Thin call sites for the OCI operations that the unload and parallel parts
// need beyond the statement helpers of database.h. Each wraps exactly one OCI
// call and returns its status unchanged; the caller decides whether to run the
// error step (oraError8), since the rules for reporting differ by caller.
#ifndef QUILLET2_ORACLE_OCICALLS_H
#define QUILLET2_ORACLE_OCICALLS_H

#include <oci.h>

#include "oracle/database.h"

// REQUIRES for every call: db is logged on (handles set by LogonDB).

// Statement attributes.
sword getParamCount8(DATABASE *db, OCIStmt *stmt, ub4 *count);
sword getRowCount8(DATABASE *db, OCIStmt *stmt, ub4 *rows);     // running total

// Describe: the parameter descriptor of select-list position pos (1-based),
// and one of its attributes (OCI_ATTR_*), read into value.
sword getColumnParam8(DATABASE *db, OCIStmt *stmt, ub4 pos, OCIParam **param);
sword getParamAttr8(DATABASE *db, OCIParam *param, void *value, ub4 *size, ub4 attr);

// Define by position with the given element size and external type; ind,
// rlen and rcode may be null.
sword defineByPos8(DATABASE *db, OCIStmt *stmt, OCIDefine **def, ub4 pos,
                   void *buf, sb4 size, ub2 type, sb2 *ind, ub2 *rlen, ub2 *rcode);
sword freeDefine8(OCIDefine *def);
// Fetches the next nrows rows into the defined buffers.
sword fetchRows8(DATABASE *db, OCIStmt *stmt, ub4 nrows);

// LOB locators and reads.
sword allocLobLocator8(DATABASE *db, OCILobLocator **loc);
sword lobOpen8(DATABASE *db, OCILobLocator *loc);
// Reads from 1-based offset into buf; *amt in: 0 = to the end, out: bytes read.
sword lobRead8(DATABASE *db, OCILobLocator *loc, ub4 *amt, ub4 offset,
               void *buf, ub4 bufl, ub1 csfm);
sword lobClose8(DATABASE *db, OCILobLocator *loc);

// Character sets: the id of an Oracle set name (0 = unknown), and the
// environment's own database character set.
ub2 charsetNameToId8(DATABASE *db, const text *name);
ub2 envCharsetId8(DATABASE *db);

#endif  // QUILLET2_ORACLE_OCICALLS_H
