// Oracle SQL functions SQLite lacks, registered on every connection:
// NVL, NVL2, DECODE, USER, SYSDATE, SYSTIMESTAMP, SYS_CONTEXT('USERENV', ...),
// HEXTORAW, RAWTOHEX, TO_CHAR, TO_DATE, TO_TIMESTAMP, TO_NUMBER, CHR, LPAD,
// RPAD, CONCAT, and those of datefuncs.h. Dates are text in the stored form
// (datetime.h). A function that fails reports an "ORA-NNNNN: ..." text, which the error mapping keeps.
#ifndef OCILITE_SQLFUNCS_H
#define OCILITE_SQLFUNCS_H

#include "connection.h"

namespace ocilite {

// REQUIRES: conn->db is open; conn outlives the connection.
int registerSqlFunctions(Connection *conn);

}  // namespace ocilite

#endif  // OCILITE_SQLFUNCS_H
