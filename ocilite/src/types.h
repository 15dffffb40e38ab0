// Oracle column types as the stand-in knows them: what a describe reports for
// a declared type name, and how a stored SQLite value of that column is read.
#ifndef OCILITE_TYPES_H
#define OCILITE_TYPES_H

#include <oci.h>
#include <sqlite3.h>

#include <string_view>

namespace ocilite {

// How a stored value is turned into text or bytes by a fetch.
enum class ValueKind : ub1 {
  Text,          // VARCHAR2, NVARCHAR2, CLOB, LONG, INTERVAL...: the stored text
  FixedChar,     // CHAR, NCHAR: blank-padded to the declared length (NCHAR in characters)
  Number,        // NUMBER, FLOAT: Oracle's number text
  BinaryFloat,   // BINARY_FLOAT: 1.5E+000 style
  BinaryDouble,  // BINARY_DOUBLE
  Date,          // 'YYYY-MM-DD HH24:MI:SS' text, shown in NLS_DATE_FORMAT
  Timestamp,     // with a fraction, shown in NLS_TIMESTAMP_FORMAT
  TimestampTz,   // with an offset, shown in NLS_TIMESTAMP_TZ_FORMAT
  Raw,           // RAW, LONG RAW, BLOB, BFILE: bytes; text fetches give hex
  Rowid,         // ROWID, UROWID
};

// One described column type (the OCI_ATTR_* values of a parameter).
struct ColumnType {
  ub2 code = SQLT_CHR;    // OCI_ATTR_DATA_TYPE
  ub2 size = 4000;        // OCI_ATTR_DATA_SIZE, bytes
  sb2 precision = 0;      // OCI_ATTR_PRECISION
  sb1 scale = 0;          // OCI_ATTR_SCALE (fractional digits for datetimes)
  ub1 form = SQLCS_IMPLICIT;  // OCI_ATTR_CHARSET_FORM
  ub1 charUsed = 0;       // OCI_ATTR_CHAR_USED: 1 when the length counts characters
  ub2 charSize = 0;       // OCI_ATTR_CHAR_SIZE: the length in characters
  ValueKind kind = ValueKind::Text;
};

// Largest VARCHAR2 and RAW a computed column is described as.
constexpr ub2 kMaxVarchar = 4000;
constexpr ub2 kMaxRaw = 2000;

// The type of a column declared as decl (SQLite's declared type text, e.g.
// "NUMBER(7,2)", "TIMESTAMP WITH TIME ZONE(6)"). False for a type name the
// stand-in does not know (the caller then describes the column by its value).
bool typeFromDeclaration(std::string_view decl, ColumnType *type);

// The type of a computed column from one of its values (sqlite3_column_type
// and the value): numbers as NUMBER, text as VARCHAR2(4000) (or DATE and
// TIMESTAMP when it reads as one), blobs as RAW(2000).
ColumnType typeFromValue(sqlite3_stmt *st, int col);

}  // namespace ocilite

#endif  // OCILITE_TYPES_H
