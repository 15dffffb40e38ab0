// Generated tables of the shape an unload typically meets, for tests and
// benchmarks.
#ifndef OCILITE_TOOL_GENERATE_H
#define OCILITE_TOOL_GENERATE_H

#include <string>

// Most rows a generated table may have: its IDs fit NUMBER(10).
constexpr long long kMaxGeneratedRows = 9999999999LL;

// (Re)creates table name (upper-cased) in the database file path (created
// when missing) with rows rows, in one transaction:
//   ID NUMBER(10)       1..rows, and the SQLite rowid is the ID
//   AMOUNT NUMBER(12,2) signed, two decimals; NULL every 17th row
//   NAME VARCHAR2(30)   never NULL
//   NOTE VARCHAR2(100)  with double quotes, commas and an apostrophe; NULL every 10th row
//   CREATED DATE        one second-exact date per row
//   UPDATED TIMESTAMP(6) with microseconds; NULL every 13th row
// The content depends only on the ID. Partitions declared for an older table
// of that name are dropped with it.
// REQUIRES: name is an identifier of at most 30 characters; 0 <= rows <= kMaxGeneratedRows.
// Returns 0, or 1 with *message set.
int generateTable(const std::string &path, const std::string &name, long long rows, std::string *message);

// True for an unquoted Oracle identifier: a letter, then letters, digits,
// '_', '$' or '#', at most 30 characters.
bool isIdentifier(const std::string &name);

#endif  // OCILITE_TOOL_GENERATE_H
