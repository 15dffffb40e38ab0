#include "unload/columntype.h"

#include <stdlib.h>
#include <string.h>

#include "unload/column.h"

namespace {

// Width of a NUMBER as text: sign, digits and point.
constexpr sb4 NUMBER_TEXT_WIDTH = 46;
constexpr sb4 ROWID_WIDTH = 18;
constexpr sb4 INTERVAL_YM_WIDTH = 20;
constexpr sb4 INTERVAL_DS_WIDTH = 30;
// Oracle's internal NUMBER (up to 21 bytes) and DATE (7 bytes).
constexpr sb4 INTERNAL_NUMBER_SIZE = 21;
constexpr sb4 INTERNAL_DATE_SIZE = 7;


sb4 numberBase(const DESCRIBED &d) {
  if (d.precision == 0) return NUMBER_TEXT_WIDTH;
  return d.precision + (d.scale != 0 ? 3 : 2);
}

// The widest text the client-side conversion writes for the column: the
// NUMBER(p) and NUMBER(p,s) widths when p digits bound the value, else the
// longest NUMBER text, so that a value never runs past its field.
sb4 internalNumberWidth(const DESCRIBED &d) {
  if (d.precision == 0 || d.scale < 0 || d.scale > d.precision) return NUMBER_MAX_TEXT;
  return numberBase(d);
}

bool isBinary(sb2 type) { return type == DESC_VARRAW || type == SQLT_BIN || type == SQLT_LBI || type == SQLT_BLOB; }

FETCHPLAN plan(sb2 dbtype, sb4 dsize, sb4 dsize2, ub1 raw, sb2 quote) {
  return FETCHPLAN{dbtype, dsize, dsize2, raw, quote, dsize};
}

// A text-formatted column of the given base width.
FETCHPLAN formatted(const FETCHMODE &m, sb2 dbtype, sb4 base, sb2 quote, ub1 raw = 0) {
  sb4 w = (m.width > 0 ? m.width : base) + (m.safe ? SAFE_EXTRA_WIDTH : 0);
  return plan(dbtype, w, w, raw, quote);
}

// A column fetched as one long piece, bounded by the long size.
FETCHPLAN longPiece(const FETCHMODE &m, sb2 dbtype) {
  sb4 w = m.width > 0 ? m.width : static_cast<sb4>(m.longsize);
  return plan(dbtype, w, w, 1, 1);
}

FETCHPLAN fixedWidth(const FETCHMODE &m, sb4 base) {
  sb4 w = m.width > 0 ? m.width : base;
  return plan(SQLT_CHR, w, w, 0, 1);
}

FETCHPLAN applyTypeTable(const DESCRIBED &d, const FETCHMODE &m) {
  switch (d.type) {
    case SQLT_NUM:
    case SQLT_VNU:
      if (!m.internal) return formatted(m, SQLT_CHR, numberBase(d), 0);
      return FETCHPLAN{SQLT_NUM, INTERNAL_NUMBER_SIZE,
                       (m.width > 0 ? m.width : internalNumberWidth(d)) + (m.safe ? SAFE_EXTRA_WIDTH : 0),
                       0, 0, INTERNAL_NUMBER_SIZE};
    case SQLT_FLT:
    case SQLT_BFLOAT:
    case SQLT_BDOUBLE:
    case SQLT_IBFLOAT:
    case SQLT_IBDOUBLE:
      return formatted(m, SQLT_CHR, NUMBER_TEXT_WIDTH, 0);
    case SQLT_LNG:
      return longPiece(m, SQLT_LVC);
    case SQLT_RID:
    case SQLT_RDD:
      return formatted(m, SQLT_CHR, ROWID_WIDTH, 1);
    case SQLT_DAT:
    case SQLT_ODT:
      if (!m.internal) return formatted(m, SQLT_CHR, m.datewidth, 1);
      return FETCHPLAN{SQLT_DAT, INTERNAL_DATE_SIZE, m.datewidth, 0, 1, INTERNAL_DATE_SIZE};
    case DESC_VARRAW:
    case SQLT_BIN:
      return formatted(m, d.type, d.size, 1, 1);
    case SQLT_LBI:
      return longPiece(m, SQLT_LVB);
    case SQLT_CLOB:
    case SQLT_BLOB:
    case SQLT_BFILEE:
      if (m.lobfile) return FETCHPLAN{d.type, LOB_LOCATOR_SIZE, LOB_ROW_SHARE, 0, 1, LOB_LOCATOR_SIZE};
      return longPiece(m, d.type == SQLT_BLOB ? SQLT_LVB : SQLT_LVC);
    case DESC_TIMESTAMP:
    case SQLT_TIMESTAMP:
      return formatted(m, SQLT_CHR, m.timestampwidth, 1);
    case DESC_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ:
      return formatted(m, SQLT_CHR, m.timestamptzwidth, 1);
    case DESC_INTERVAL_YM:
    case SQLT_INTERVAL_YM:
      return fixedWidth(m, INTERVAL_YM_WIDTH);
    case DESC_INTERVAL_DS:
    case SQLT_INTERVAL_DS:
      return fixedWidth(m, INTERVAL_DS_WIDTH);
    default: {
      sb4 v = d.size == 0 ? MAX_CHAR_WIDTH : d.size;
      if (m.width > 0) v = m.width;
      if (m.safe) v *= 2;
      if (v > MAX_CHAR_WIDTH) v = MAX_CHAR_WIDTH;
      return plan(SQLT_CHR, v, v, 1, 1);
    }
  }
}

}  // namespace

FETCHPLAN planColumnFetch(const DESCRIBED &d, const FETCHMODE &m) {
  FETCHPLAN p = applyTypeTable(d, m);
  ub4 check = static_cast<ub4>(p.rowshare);
  if (check > m.longsize || check == 0) {
    p.dsize = p.dsize2 = static_cast<sb4>(m.longsize);
    p.rowshare = static_cast<sb4>(m.longsize);
  }
  if (d.type == SQLT_CLOB || d.type == SQLT_BLOB) p.rowshare = LOB_ROW_SHARE;
  // Two hex digits a byte; a BLOB written to a LOB file stays a reference.
  if (m.hexbinary && isBinary(d.type) && !(d.type == SQLT_BLOB && m.lobfile)) p.dsize2 *= 2;
  return p;
}

void parseCustomWidths(text *lenstr, sb4 *widths, int max) {
  memset(widths, 0, sizeof(sb4) * static_cast<size_t>(max));
  char *save = nullptr;
  int k = 0;
  for (char *piece = strtok_r(reinterpret_cast<char *>(lenstr), ":", &save);
       piece != nullptr && k < max; piece = strtok_r(nullptr, ":", &save), k++) {
    long w = strtol(piece, nullptr, 10);
    if (w > MAX_CUSTOM_WIDTH) w = MAX_CUSTOM_WIDTH;
    widths[k] = w > 0 ? static_cast<sb4>(w) : 0;
  }
}

ub4 fetchArraySize(ub4 requested, ub4 rowsize) {
  ub4 most = FETCH_BUFFER_TARGET / rowsize;
  ub4 n = requested > most ? most : requested;
  if (n > static_cast<ub4>(MAX_ARRAY_SIZE)) n = MAX_ARRAY_SIZE;
  if (n < MIN_ARRAY_SIZE) n = MIN_ARRAY_SIZE;
  return n;
}

const char *oracleTypeName(sb2 code, bool national) {
  switch (code) {
    case SQLT_NUM: case SQLT_VNU: return "NUMBER";
    case SQLT_INT: return "INTEGER";
    case SQLT_FLT: return "FLOAT";
    case SQLT_LNG: return "LONG";
    case SQLT_LBI: return "LONG RAW";
    case DESC_VARRAW: case SQLT_BIN: return "RAW";
    case SQLT_AFC: return national ? "NCHAR" : "CHAR";
    case SQLT_RID: case SQLT_RDD: return "ROWID";
    case SQLT_DAT: case SQLT_ODT: return "DATE";
    case SQLT_BFLOAT: case SQLT_IBFLOAT: return "BINARY_FLOAT";
    case SQLT_BDOUBLE: case SQLT_IBDOUBLE: return "BINARY_DOUBLE";
    case SQLT_CLOB: return national ? "NCLOB" : "CLOB";
    case SQLT_BLOB: return "BLOB";
    case SQLT_BFILEE: return "BFILE";
    case DESC_TIMESTAMP: case SQLT_TIMESTAMP: return "TIMESTAMP";
    case DESC_TIMESTAMP_TZ: case SQLT_TIMESTAMP_TZ: return "TIMESTAMP WITH TIME ZONE";
    case SQLT_TIMESTAMP_LTZ: return "TIMESTAMP WITH LOCAL TIME ZONE";
    case DESC_INTERVAL_YM: case SQLT_INTERVAL_YM: return "INTERVAL YEAR TO MONTH";
    case DESC_INTERVAL_DS: case SQLT_INTERVAL_DS: return "INTERVAL DAY TO SECOND";
    default: return national ? "NVARCHAR2" : "VARCHAR2";
  }
}
