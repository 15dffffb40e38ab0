// The fixed texts of INSERT output: the statement head and MySQL's
// ON DUPLICATE KEY UPDATE clause, built once per unload from the column list.
#ifndef QUILLET2_UNLOAD_INSERTSQL_H
#define QUILLET2_UNLOAD_INSERTSQL_H

#include <stddef.h>

#include "unload/column.h"
#include "unload/sessionformats.h"

// Longest quoted identifier of a name of n bytes: every byte a doubled quote.
constexpr size_t quotedSize(size_t n) { return 2 * n + 2; }
// Room for the longest head: "INSERT IGNORE " hint " INTO " owner.table " (",
// every one of MAX_COLUMNS quoted names and a comma, then ") VALUES \n".
constexpr size_t SQLBUF_SIZE = 14 + 256 + 6 + quotedSize(132) + 1 + 2 +
                               size_t{MAX_COLUMNS} * (quotedSize(COLUMN_NAME_SIZE - 1) + 1) + 10 + 1;
// Room for the longest clause: the 25-byte opening, then per column the
// separator ", \n    " and "`name`=VALUES(`name`)".
constexpr size_t SQLBUF2_SIZE =
    25 + size_t{MAX_COLUMNS} * (7 + 2 * quotedSize(COLUMN_NAME_SIZE - 1) + 9) + 1;

// Writes the statement head into sqlbuf (terminated) and returns its length.
// format 1 quotes the table and column names with backquotes (MySQL), a
// backquote doubled; format 2 leaves plain names bare and puts any other in
// double quotes. owner.table becomes two identifiers. With every column a
// key column format 1 writes INSERT IGNORE.
// The text is cut at sqlbufsize - 1 bytes, which the sizes above never reach.
// REQUIRES: collist heads a column list; tname and sqlhint are terminated.
int getInsertSQL(const COLUMN *collist, text *sqlbuf, size_t sqlbufsize, const text *tname,
                 int format, const text *sqlhint);

// Writes the ON DUPLICATE KEY UPDATE clause for the non-key columns (ispk 0)
// into sqlbuf (terminated) and returns its length; cut like getInsertSQL.
// Empty (0) when every column is a key column.
int getDuplicateSQL(const COLUMN *collist, text *sqlbuf, size_t sqlbufsize);

// Room for the prologue of an Oracle script: SET DEFINE OFF and three ALTER
// SESSION statements with their masks and terminators (exec= <= 63 bytes).
constexpr size_t PROLOGUE_SIZE = 16 + 3 * (48 + NLS_FORMAT_SIZE + 64);

// Writes the head of every Oracle INSERT script into buf (terminated) and
// returns its length: SET DEFINE OFF, so that SQL*Plus takes '&' as text,
// then the session formats the values were written in, each statement ended
// by sqlexec and a line feed.
int getScriptPrologue(const SESSIONFORMATS *formats, const text *sqlexec, int sqlexeclen,
                      text *buf, size_t bufsize);

#endif  // QUILLET2_UNLOAD_INSERTSQL_H
