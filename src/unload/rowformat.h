// The layout of the rows a job writes.
#ifndef QUILLET2_UNLOAD_ROWFORMAT_H
#define QUILLET2_UNLOAD_ROWFORMAT_H

#include <oci.h>

#include "base/limits.h"

// How every row is laid out. Byte strings have their lengths beside them;
// the others are terminated.
struct ROWFORMAT {
  int format = 0;            // text=: 0 delimited or fixed, 1 MySQL INSERT, 2 Oracle INSERT, FORMAT_JSON
  text field[132] = ",";     // field=: field separator; a leading blank means fixed width
  int flen = 1;
  text record[132] = "\n";   // record=: record separator
  int rlen = 1;
  text quote[64] = "";       // quote=: enclosure of text values; "" = none
  char escape = ' ';         // escape=: escape character; a blank = none
  text escf[64] = "";        // escf=, esct=: bytes escaped, and what follows the escape for each
  text esct[64] = "";
  text sedf[64] = "";        // sedf=, sedt=: bytes translated, and what each becomes
  text sedt[64] = "";
  text snull[128] = "";      // null=: text of a NULL value
  int lnull = 0;
  text rowpre[64] = "";      // rowpre=, rowsuf=: text before and after every row
  int rplen = 0;
  text rowsuf[64] = "";
  int rslen = 0;
  text colsep[64] = "";      // colsep=: between a column name and its value; "" = no names
  int colseplen = 0;
  text prehead[64] = "";     // prehead=: before every name of the header line
  int preheadlen = 0;
  text exec[64] = ";";       // exec=: statement terminator of INSERT text
  int execlen = 1;
  int header = 0;            // head=: non-zero writes a header line
  int update = 0;            // update=: non-zero adds ON DUPLICATE KEY UPDATE (format 1)
  text sqlhint[256] = "";    // hint=: optimizer hint of the INSERT text
  ub2 charsetid = 0;         // character set the values arrive in (from charset=); 0 = the session's
};

// 1 for fixed-width output: the field separator starts with a blank.
inline int fixedWidth(const ROWFORMAT &format) { return format.field[0] == ' ' ? 1 : 0; }

#endif  // QUILLET2_UNLOAD_ROWFORMAT_H
