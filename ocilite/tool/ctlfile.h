// SQL*Loader control files: the part of their grammar the loader reads.
//
//   [OPTIONS (SKIP=n, LOAD=n, ERRORS=n, ROWS=n, BINDSIZE=n, READSIZE=n)]
//   LOAD DATA
//   [CHARACTERSET name]
//   INFILE 'name' ["STR X'hex'" | "STR 'text'" | "FIX n"]
//          [BADFILE 'name'] [DISCARDFILE 'name' [DISCARDMAX n]]   (one or more)
//   [INSERT | APPEND | REPLACE | TRUNCATE]
//   INTO TABLE [owner.]name [INSERT | APPEND | REPLACE | TRUNCATE]
//   [FIELDS [TERMINATED BY 'x' | X'hex'] [OPTIONALLY ENCLOSED BY 'x' | X'hex' [AND ...]]]
//   [TRAILING NULLCOLS]
//   ( field, ... )
//
// field:  name [POSITION(p[:q])] [CHAR[(n)] | DATE[(n)] ["mask"]
//         | TIMESTAMP[(n)] [WITH [LOCAL] TIME ZONE] ["mask"]]
//         [NULLIF name = BLANKS | 'text' | X'hex'] [LLS]
//
// Keywords in any letter case; "--" starts a comment to the end of the line;
// a name is a word (upper-cased) or "quoted" (as written). Anything else is
// an error naming the control file and the line.
#ifndef OCILITE_TOOL_CTLFILE_H
#define OCILITE_TOOL_CTLFILE_H

#include <string>
#include <string_view>
#include <vector>

namespace loader {

enum class LoadMode { Insert, Append, Replace, Truncate };

struct DataFile {
  std::string name;        // as written: relative names are opened from the current folder
  bool fixed = false;      // "FIX n": records of exactly recordLength bytes
  size_t recordLength = 0;
  std::string terminator = "\n";  // stream records end here ("STR ..."; default a line feed)
  int line = 0;            // of its INFILE clause
};

enum class FieldType { Char, Date, Timestamp, TimestampTz, TimestampLtz };

// NULLIF name = BLANKS | 'text': the field is NULL when field `name` is
// empty or all blanks, or equals text.
struct NullIf {
  std::string field;
  bool blanks = false;
  std::string text;
  bool negated = false;  // != or <>
};

struct FieldSpec {
  std::string name;      // the column it loads
  int line = 0;
  size_t start = 0;      // POSITION(start[:end]), from 1; 0: after the previous field
  size_t end = 0;        // 0: none given
  FieldType type = FieldType::Char;
  size_t length = 0;     // CHAR(n), DATE(n); 0: none given
  bool hasMask = false;
  std::string mask;      // DATE / TIMESTAMP "mask"
  std::vector<NullIf> nullIfs;
  bool lls = false;      // the field holds a LOB location specifier
};

struct ControlFile {
  std::string path;
  long long skip = 0;         // records of the first data file not loaded
  long long load = -1;        // records loaded at most; -1: all
  long long errors = 50;      // rejected records tolerated before the load stops
  std::string characterSet;   // empty: NLS_LANG's, else AL32UTF8
  std::vector<DataFile> files;
  LoadMode mode = LoadMode::Insert;
  std::string table;
  int tableLine = 0;
  std::string terminator;     // FIELDS TERMINATED BY; empty: none
  std::string enclosure;      // [OPTIONALLY] ENCLOSED BY; empty: none
  std::string closeEnclosure; // AND ...; the enclosure itself when not given
  bool optionallyEnclosed = false;
  bool trailingNullcols = false;
  std::vector<FieldSpec> fields;
};

// Parses the control file text read from path. False with *error set to
// "path:line: what is wrong" when it leaves the grammar above.
bool parseControlFile(std::string_view text, const std::string &path, ControlFile *out, std::string *error);

}  // namespace loader

#endif  // OCILITE_TOOL_CTLFILE_H
