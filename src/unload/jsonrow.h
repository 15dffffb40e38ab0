// The JSON Lines layout (text=JSON): one object per row, keys the column
// names in select-list order, NULL as null, numbers as JSON numbers with the
// database's digits, dates and timestamps as ISO 8601 strings, RAW and BLOB
// as hex strings, every other value as a string.
#ifndef QUILLET2_UNLOAD_JSONROW_H
#define QUILLET2_UNLOAD_JSONROW_H

#include <string>
#include <vector>

#include "base/status.h"
#include "oracle/database.h"
#include "unload/column.h"
#include "unload/outstream.h"

// How the values of one column are written.
enum class JsonValue : unsigned char {
  Number,          // number text: a JSON number, or a string when it is none
  InternalNumber,  // Oracle's internal NUMBER bytes (client=YES)
  Timestamp,       // date or timestamp text in the formats the layout fetches in
  InternalDate,    // Oracle's internal DATE bytes (client=YES)
  Hex,             // RAW, LONG RAW, BLOB: lower-case hex digits
  Text,            // everything else
};

struct JSONCOLUMN {
  const COLUMN *col;
  JsonValue kind;
  bool longval;     // the element starts with its 4-byte length
  std::string key;  // '{' or ',' and the escaped name with its colon
};

struct JSONROWS {
  std::vector<JSONCOLUMN> cols;
  unsigned long long replaced = 0;  // bytes no valid UTF-8, written as U+FFFD
};

// Decides the keys and the value kind of cols[0 .. count-1].
void prepareJsonRows(JSONROWS *rows, COLUMN *const *cols, int count);

// Writes row j of the fetched array as one line. Done, or Write when a flush
// fails.
JobStatus writeJsonRow(JSONROWS *rows, OUTSTREAM *out, int j);

// The closing warning on db's sink when bytes were replaced.
void reportJsonReplacements(const JSONROWS &rows, DATABASE *db);

#endif  // QUILLET2_UNLOAD_JSONROW_H
