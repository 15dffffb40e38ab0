// The fixed texts of INSERT output: the statement head and MySQL's
// ON DUPLICATE KEY UPDATE clause, built once per unload from the column list.
#ifndef QUILLET2_UNLOAD_INSERTSQL_H
#define QUILLET2_UNLOAD_INSERTSQL_H

#include <stddef.h>

#include "unload/column.h"

// Room for the longest head: "INSERT " hint " INTO `" table "` (", every one
// of MAX_COLUMNS names of up to 30 bytes as "`name`,", then ") VALUES \n".
constexpr size_t SQLBUF_SIZE =
    7 + 256 + 7 + 132 + 3 + size_t{MAX_COLUMNS} * (COLUMN_NAME_SIZE + 2) + 10 + 1;
// Room for the longest clause: the 25-byte opening, then per column the
// separator ", \n    " and "`name`=VALUES(`name`)".
constexpr size_t SQLBUF2_SIZE = 25 + size_t{MAX_COLUMNS} * (7 + 2 * (COLUMN_NAME_SIZE - 1) + 13) + 1;

// Writes the statement head into sqlbuf (terminated) and returns its length.
// format 1 quotes the table and column names with backquotes (MySQL).
// The text is cut at sqlbufsize - 1 bytes, which the sizes above never reach.
// REQUIRES: collist heads a column list; tname and sqlhint are terminated.
int getInsertSQL(const COLUMN *collist, text *sqlbuf, size_t sqlbufsize, const text *tname,
                 int format, const text *sqlhint);

// Writes the ON DUPLICATE KEY UPDATE clause for the non-key columns (ispk 0)
// into sqlbuf (terminated) and returns its length; cut like getInsertSQL.
int getDuplicateSQL(const COLUMN *collist, text *sqlbuf, size_t sqlbufsize);

#endif  // QUILLET2_UNLOAD_INSERTSQL_H
