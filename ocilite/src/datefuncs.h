// Date functions of Oracle SQL over the stored datetime text (datetime.h),
// registered with the other SQL functions (sqlfuncs.h):
//   TRUNC(x [, fmt])        a date truncated to the day (or to fmt: YYYY, Q,
//                           MM, DD, HH, MI and their synonyms); a number
//                           truncated towards zero (to fmt decimals)
//   ADD_MONTHS(date, n)     the date n months on; from a month's last day to
//                           the last day of the other month
//   ORA_DATETIME_LITERAL(text, kind)  ANSI DATE '...' ('D') and TIMESTAMP
//                           '...' ('T') literals, as the rewrite writes them
//   ORA_TEXT_TO_DATETIME(value, kind, digits)  a character value put into
//                           a datetime column (textdates.h)
#ifndef OCILITE_DATEFUNCS_H
#define OCILITE_DATEFUNCS_H

#include "connection.h"

namespace ocilite {

// REQUIRES: conn->db is open; conn outlives the connection.
int registerDateFunctions(Connection *conn);

}  // namespace ocilite

#endif  // OCILITE_DATEFUNCS_H
