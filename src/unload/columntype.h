// How one described select-list column is fetched: the type table of the
// describe, the custom width list and the fetch-array sizing.
#ifndef QUILLET2_UNLOAD_COLUMNTYPE_H
#define QUILLET2_UNLOAD_COLUMNTYPE_H

#include <oci.h>

// Widest text of an internal NUMBER (client=YES): 40 digits, the exponent's
// zeros, sign and point.
constexpr sb4 NUMBER_MAX_TEXT = 171;
// Widest custom width a width= entry may ask for.
constexpr sb4 MAX_CUSTOM_WIDTH = 1048576;
// Widest character column the database can return, and the fallback when it
// reports 0.
constexpr sb4 MAX_CHAR_WIDTH = 4000;
// Extra width safe=YES gives every formatted column, against ORA-24345.
constexpr sb4 SAFE_EXTRA_WIDTH = 10;
// Bytes of one LOB locator slot in a fetch buffer, and a LOB column's share
// of the row size and its width as an LLS reference.
constexpr sb4 LOB_LOCATOR_SIZE = 8;
constexpr sb4 LOB_ROW_SHARE = 256;
// Bytes the fetch buffers of one array aim at, and the bounds of the array.
constexpr ub4 FETCH_BUFFER_TARGET = 10485760;
constexpr ub4 MIN_ARRAY_SIZE = 5;

// Described type codes that oci.h has no SQLT_ name for.
constexpr sb2 DESC_VARRAW = 15;
constexpr sb2 DESC_TIMESTAMP = 180, DESC_TIMESTAMP_TZ = 181;
constexpr sb2 DESC_INTERVAL_YM = 182, DESC_INTERVAL_DS = 183;

// The Oracle name of a described type as CREATE TABLE spells it, without
// its length, precision or scale: national for a column of the national
// character set (NCHAR, NVARCHAR2, NCLOB). A code without a name of its
// own is a VARCHAR2, as the describe fetches it.
const char *oracleTypeName(sb2 code, bool national);

// What the describe reported for one column.
struct DESCRIBED {
  sb2 type;       // OCI_ATTR_DATA_TYPE
  sb4 size;       // OCI_ATTR_DATA_SIZE
  sb2 precision;
  sb2 scale;
};

// The options that change how a column is fetched.
struct FETCHMODE {
  sb4 width;      // custom width; 0 = none
  bool safe;      // safe=YES
  bool internal;  // client=YES: NUMBER and DATE in Oracle's internal bytes
  bool lobfile;   // LOB columns go to a LOB file as locators
  ub4 longsize;   // DEFAULT_LONG_SIZE: bound of every column's width
  sb4 datewidth = 19;          // widest DATE text in the session's format
  sb4 timestampwidth = 26;     // widest TIMESTAMP text
  sb4 timestamptzwidth = 33;   // widest TIMESTAMP WITH TIME ZONE text
  bool hexbinary = false;      // RAW, LONG RAW and inline BLOB written as hex digits
};

// How the column is fetched and shown.
struct FETCHPLAN {
  sb2 dbtype;     // external type of the define
  sb4 dsize;      // bytes of one fetch element
  sb4 dsize2;     // display width
  ub1 raw;
  sb2 quote;
  sb4 rowshare;   // the column's share of the row size
};

// Applies the type table to one described column, then bounds it by longsize.
FETCHPLAN planColumnFetch(const DESCRIBED &d, const FETCHMODE &m);

// Splits lenstr in place at ':' (empty pieces skipped) into widths[0..max-1];
// entries that are not positive numbers are 0, values are capped at
// MAX_CUSTOM_WIDTH. Entries past the pieces are 0.
void parseCustomWidths(text *lenstr, sb4 *widths, int max);

// Rows per array fetch for rowsize bytes a row: requested, at most
// FETCH_BUFFER_TARGET / rowsize, then held within MIN_ARRAY_SIZE..MAX_ARRAY_SIZE.
// REQUIRES: rowsize >= 1.
ub4 fetchArraySize(ub4 requested, ub4 rowsize);

#endif  // QUILLET2_UNLOAD_COLUMNTYPE_H
