// The SQL rewrite: Oracle statement text to what SQLite runs.
//
// - ALTER SESSION ... and SET ... are session statements: their NAME=value
//   pairs are returned in `settings` and nothing goes to SQLite.
// - COMMIT and ROLLBACK (with an optional WORK) become transaction kinds.
// - Bind placeholders :name become :NAME (Oracle matches them without regard
//   to case); the names are listed in `placeholders`.
// - USER, SYSDATE and SYSTIMESTAMP become calls of the functions of
//   sqlfuncs.h; as a whole select-list item they keep their name as alias.
// - OWNER.TABLE loses the OWNER prefix when OWNER is one of `schemas`.
// - N'text' and q'[text]' literals become plain '...' literals; MINUS
//   becomes EXCEPT.
// - CREATE TABLE: type names SQLite cannot parse are put in a form it can
//   (TIMESTAMP(6) WITH TIME ZONE -> TIMESTAMP WITH TIME ZONE(6), INTERVAL
//   DAY(2) TO SECOND(6) -> INTERVAL_DAY_TO_SECOND(2,6), VARCHAR2(10 CHAR) ->
//   VARCHAR2(40,10): bytes, then characters; LONG -> LONG VARCHAR so SQLite keeps its text as text),
//   DEFAULT SYSDATE is parenthesised, and the clauses after the column list
//   (storage, partitioning) are cut off into `tableOptions`.
// - DROP TABLE loses PURGE and CASCADE CONSTRAINTS; TRUNCATE TABLE x
//   becomes DELETE FROM x.
// - A plain SELECT ... FROM table (no DISTINCT, GROUP BY, aggregate or
//   compound operator at its top level) reports that table and the items of
//   its select list, so that columns may be added to the list (faults.h) or
//   LOB columns replaced (lobstream.h).
// - Character values put into DATE and TIMESTAMP columns by INSERT ...
//   VALUES and UPDATE ... SET are converted by the session formats
//   (textdates.h).
// - A bind or literal compared with ROWID stands for a rowid
//   (rowidcompare.h); a ROWID comparison it cannot answer refuses the
//   statement.
#ifndef OCILITE_SQLREWRITE_H
#define OCILITE_SQLREWRITE_H

#include <string>
#include <string_view>
#include <vector>

#include "textdates.h"

namespace ocilite {

enum class StatementKind { Query, Dml, Ddl, Session, Commit, Rollback, Other };

struct SessionSetting {
  std::string name;   // upper case
  std::string value;  // unquoted
};

// An item of a plain query's select list, by its place in Statement::sql.
struct SelectItem {
  enum Kind { Star, Column, Other };
  Kind kind = Other;  // * or t.*; a column reference (t.c, maybe aliased); anything else
  size_t start = 0, end = 0;
  size_t refEnd = 0;  // Column: where the reference ends (an alias follows)
};

struct Statement {
  StatementKind kind = StatementKind::Other;
  std::string sql;                        // text for SQLite
  std::vector<std::string> placeholders;  // upper case, first appearance order
  std::vector<SessionSetting> settings;   // Session kind
  std::string tableOptions;               // CREATE TABLE: text after the column list
  // Plain query: the table its top-level FROM names first (upper case,
  // empty otherwise), the name or alias its columns are qualified by, and
  // where that FROM starts in `sql`.
  std::string fromTable;
  std::string fromQualifier;
  size_t fromOffset = 0;
  bool singleTable = false;             // no other table or join follows fromTable
  std::vector<SelectItem> selectItems;  // plain query: its select list
  // An Oracle error the statement is refused with before it runs (0: none),
  // for what the stand-in cannot answer as Oracle would.
  int refusalCode = 0;
  std::string refusalMessage;
};

// Rewrites one statement. schemas are upper-case owner names that may
// qualify a table name; columns tells the datetime columns of a table that
// INSERT and UPDATE convert character values for (none when empty).
Statement rewriteStatement(std::string_view text, const std::vector<std::string> &schemas,
                           const ColumnKinds &columns = {});

}  // namespace ocilite

#endif  // OCILITE_SQLREWRITE_H
