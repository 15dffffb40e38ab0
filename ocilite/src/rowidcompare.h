// ROWID comparisons in statement text. Stored rows carry SQLite rowids, so a
// comparison of ROWID with ROWID text (a bind or a literal) is run on the
// rowid that the text stands for in the compared table: the rewrite puts
// ORA_ROWID_VALUE(text, 'TABLE', cut) in the text's place (catalog.h).
//
// Understood: [q.]ROWID op x and x op [q.]ROWID (op: = <> != ^= ~= < <= >
// >=), [NOT] BETWEEN x AND y, [NOT] IN (x, ...), where each x is a bind, a
// string literal, NULL, or the ROWID of the same table. The table is the one
// the query block's FROM (or UPDATE / DELETE) names, by alias or name,
// looked up outwards through enclosing blocks. Anything else that compares
// a ROWID (an expression, a subquery, LIKE, ROWIDs of two tables, a ROWID of
// a derived table) is refused: the stand-in could not answer it as Oracle
// does.
#ifndef OCILITE_ROWIDCOMPARE_H
#define OCILITE_ROWIDCOMPARE_H

#include <map>
#include <string>
#include <vector>

#include "sqltokens.h"

namespace ocilite {

// Which rowid a ROWID text stands for, by the operator it is compared with
// (ROWID on the left): Lower for < and >= (rows below it compare less),
// Upper for <= and > (rows up to it compare less or equal), Exact for
// equality and IN.
enum class RowidCut : int { Exact = 0, Lower = 1, Upper = 2 };

struct RowidOperand {
  std::string table;  // the table whose ROWID the text is compared with
  RowidCut cut;
};

struct RowidPlan {
  std::map<size_t, RowidOperand> operands;  // by token index: the texts to convert
  int errorCode = 0;                        // an Oracle error refusing the statement
  std::string errorMessage;                 // its text after "ORA-NNNNN: "
};

RowidPlan planRowidComparisons(const std::vector<Token> &toks);

}  // namespace ocilite

#endif  // OCILITE_ROWIDCOMPARE_H
