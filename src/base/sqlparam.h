// One named bind variable: the record the option code fills and the database
// layer binds. It lives below both, so the database layer needs nothing of
// the options.
#ifndef QUILLET2_BASE_SQLPARAM_H
#define QUILLET2_BASE_SQLPARAM_H

#include <oci.h>

struct SQLPARAM {
  OCIBind *ob;      // bind handle once bound; null before
  char pname[31];   // placeholder name without ':', at most 30 bytes
  sb4 nlen;
  char pval[256];   // value text; 127 bytes from the command line, 18 for a ROWID
  sb4 vlen;
};

#endif  // QUILLET2_BASE_SQLPARAM_H
