// The describe table: declared Oracle type names to OCI describe values.
#include "types.h"

#include <array>
#include <cctype>
#include <cstring>
#include <string>

#include "datetime.h"

namespace ocilite {
namespace {

// Upper-cased words of the type name (outside parentheses) joined by one
// blank, and up to two numbers found inside parentheses (a minus sign
// belongs to the number: NUMBER(3,-2) has scale -2).
struct TypeName {
  std::string words;
  int args[2] = {-1, -1};
  int nargs = 0;
};

TypeName splitTypeName(std::string_view decl) {
  TypeName t;
  int depth = 0;
  size_t i = 0;
  while (i < decl.size()) {
    unsigned char c = decl[i];
    if (c == '(') { depth++; i++; continue; }
    if (c == ')') { depth--; i++; continue; }
    const bool negative = c == '-' && i + 1 < decl.size() && std::isdigit((unsigned char)decl[i + 1]);
    if (depth > 0 && (std::isdigit(c) || negative)) {
      if (negative) i++;
      int v = 0;
      while (i < decl.size() && std::isdigit((unsigned char)decl[i])) {
        if (v < 100000) v = v * 10 + (decl[i] - '0');
        i++;
      }
      if (t.nargs < 2) t.args[t.nargs++] = negative ? -v : v;
      continue;
    }
    if (depth == 0 && (std::isalnum(c) || c == '_')) {
      if (!t.words.empty()) t.words += ' ';
      while (i < decl.size() && (std::isalnum((unsigned char)decl[i]) || decl[i] == '_')) {
        t.words += (char)std::toupper((unsigned char)decl[i]);
        i++;
      }
      continue;
    }
    i++;
  }
  return t;
}

int argOr(const TypeName &t, int k, int dflt) { return t.nargs > k ? t.args[k] : dflt; }

ub2 clampSize(int n, int max) { return (ub2)(n < 0 ? 0 : n > max ? max : n); }

ColumnType make(ub2 code, ub2 size, sb2 precision, sb1 scale, ValueKind kind,
                ub1 form = SQLCS_IMPLICIT) {
  ColumnType c;
  c.code = code;
  c.size = size;
  c.precision = precision;
  c.scale = scale;
  c.form = form;
  c.kind = kind;
  return c;
}

// A second length, as the CREATE TABLE rewrite gives "(n CHAR)": the
// characters the bytes stand for.
void inCharacters(ColumnType *type, const TypeName &t) {
  type->charSize = type->size;
  if (t.nargs < 2) return;
  type->charUsed = 1;
  type->charSize = clampSize(t.args[1], 32767);
}

}  // namespace

bool typeFromDeclaration(std::string_view decl, ColumnType *type) {
  TypeName t = splitTypeName(decl);
  const std::string &w = t.words;
  if (w.empty()) return false;
  if (w == "VARCHAR2" || w == "VARCHAR" || w == "CHAR VARYING" || w == "CHARACTER VARYING" ||
      w == "TEXT") {
    *type = make(SQLT_CHR, clampSize(argOr(t, 0, kMaxVarchar), 32767), 0, 0, ValueKind::Text);
    inCharacters(type, t);
  } else if (w == "NVARCHAR2" || w == "NCHAR VARYING" || w == "NATIONAL CHARACTER VARYING") {
    // Described in national-set (AL16UTF16) bytes, two per character.
    *type = make(SQLT_CHR, clampSize(2 * argOr(t, 0, kMaxVarchar / 2), 32767), 0, 0,
                 ValueKind::Text, SQLCS_NCHAR);
    type->charUsed = 1;
    type->charSize = clampSize(argOr(t, 0, kMaxVarchar / 2), 32767);
  } else if (w == "CHAR" || w == "CHARACTER") {
    *type = make(SQLT_AFC, clampSize(argOr(t, 0, 1), 2000), 0, 0, ValueKind::FixedChar);
    inCharacters(type, t);
  } else if (w == "NCHAR" || w == "NATIONAL CHARACTER") {
    // Described in AL16UTF16 bytes like NVARCHAR2; the length that values
    // are padded to is in characters.
    *type = make(SQLT_AFC, clampSize(2 * argOr(t, 0, 1), 2000), 0, 0, ValueKind::FixedChar,
                 SQLCS_NCHAR);
    type->charUsed = 1;
    type->charSize = clampSize(argOr(t, 0, 1), 1000);
  } else if (w == "NUMBER" || w == "NUMERIC" || w == "DECIMAL" || w == "DEC") {
    if (t.nargs == 0)
      *type = make(SQLT_NUM, 22, 0, -127, ValueKind::Number);
    else
      *type = make(SQLT_NUM, 22, (sb2)argOr(t, 0, 38), (sb1)argOr(t, 1, 0), ValueKind::Number);
  } else if (w == "INTEGER" || w == "INT" || w == "SMALLINT") {
    *type = make(SQLT_NUM, 22, 38, 0, ValueKind::Number);
  } else if (w == "FLOAT") {
    *type = make(SQLT_NUM, 22, (sb2)argOr(t, 0, 126), -127, ValueKind::Number);
  } else if (w == "REAL") {
    *type = make(SQLT_NUM, 22, 63, -127, ValueKind::Number);
  } else if (w == "DOUBLE PRECISION" || w == "DOUBLE") {
    *type = make(SQLT_NUM, 22, 126, -127, ValueKind::Number);
  } else if (w == "BINARY_FLOAT") {
    *type = make(SQLT_IBFLOAT, 4, 0, 0, ValueKind::BinaryFloat);
  } else if (w == "BINARY_DOUBLE") {
    *type = make(SQLT_IBDOUBLE, 8, 0, 0, ValueKind::BinaryDouble);
  } else if (w == "DATE") {
    *type = make(SQLT_DAT, 7, 0, 0, ValueKind::Date);
  } else if (w == "TIMESTAMP") {
    *type = make(SQLT_TIMESTAMP, 11, 0, (sb1)argOr(t, 0, 6), ValueKind::Timestamp);
  } else if (w == "TIMESTAMP WITH TIME ZONE") {
    *type = make(SQLT_TIMESTAMP_TZ, 13, 0, (sb1)argOr(t, 0, 6), ValueKind::TimestampTz);
  } else if (w == "TIMESTAMP WITH LOCAL TIME ZONE") {
    *type = make(SQLT_TIMESTAMP_LTZ, 11, 0, (sb1)argOr(t, 0, 6), ValueKind::Timestamp);
  } else if (w == "INTERVAL YEAR TO MONTH" || w == "INTERVAL_YEAR_TO_MONTH") {
    *type = make(SQLT_INTERVAL_YM, 5, (sb2)argOr(t, 0, 2), 0, ValueKind::Text);
  } else if (w == "INTERVAL DAY TO SECOND" || w == "INTERVAL_DAY_TO_SECOND") {
    *type = make(SQLT_INTERVAL_DS, 11, (sb2)argOr(t, 0, 2), (sb1)argOr(t, 1, 6), ValueKind::Text);
  } else if (w == "RAW") {
    *type = make(SQLT_BIN, clampSize(argOr(t, 0, kMaxRaw), kMaxRaw), 0, 0, ValueKind::Raw);
  } else if (w == "LONG RAW") {
    *type = make(SQLT_LBI, 0, 0, 0, ValueKind::Raw);
  } else if (w == "LONG" || w == "LONG VARCHAR") {
    *type = make(SQLT_LNG, 0, 0, 0, ValueKind::Text);
  } else if (w == "CLOB") {
    *type = make(SQLT_CLOB, 4000, 0, 0, ValueKind::Text);
  } else if (w == "NCLOB") {
    *type = make(SQLT_CLOB, 4000, 0, 0, ValueKind::Text, SQLCS_NCHAR);
  } else if (w == "BLOB") {
    *type = make(SQLT_BLOB, 4000, 0, 0, ValueKind::Raw);
  } else if (w == "BFILE") {
    *type = make(SQLT_BFILEE, 530, 0, 0, ValueKind::Raw);
  } else if (w == "ROWID") {
    *type = make(SQLT_RDD, 10, 0, 0, ValueKind::Rowid);
  } else if (w == "UROWID") {
    *type = make(SQLT_RDD, clampSize(argOr(t, 0, 4000), 4000), 0, 0, ValueKind::Rowid);
  } else {
    return false;
  }
  return true;
}

ColumnType typeFromValue(sqlite3_stmt *st, int col) {
  switch (sqlite3_column_type(st, col)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      return make(SQLT_NUM, 22, 0, -127, ValueKind::Number);
    case SQLITE_BLOB:
      return make(SQLT_BIN, kMaxRaw, 0, 0, ValueKind::Raw);
    case SQLITE_TEXT: {
      std::string_view v((const char *)sqlite3_column_text(st, col),
                         (size_t)sqlite3_column_bytes(st, col));
      DateTime dt;
      if (parseStoredDateTime(v, &dt)) {
        if (dt.fracDigits == 0 && !dt.hasZone && v.size() == kDateTextLength)
          return make(SQLT_DAT, 7, 0, 0, ValueKind::Date);
        if (dt.hasZone) return make(SQLT_TIMESTAMP_TZ, 13, 0, 6, ValueKind::TimestampTz);
        if (dt.hasTime) return make(SQLT_TIMESTAMP, 11, 0, 6, ValueKind::Timestamp);
      }
      return make(SQLT_CHR, kMaxVarchar, 0, 0, ValueKind::Text);
    }
    default:
      return make(SQLT_CHR, kMaxVarchar, 0, 0, ValueKind::Text);
  }
}

}  // namespace ocilite
