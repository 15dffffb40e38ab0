// What one running job has decided, as opposed to what it was asked: set by
// the job runner (or a parallel worker) and the describe, read by the stages
// after them.
#ifndef QUILLET2_UNLOAD_JOBSTATE_H
#define QUILLET2_UNLOAD_JOBSTATE_H

#include <oci.h>

struct JOBSTATE {
  int slaveid = 1;                // worker number: %p of every file name; 1 outside a parallel unload
  ub4 arraysize = 0;              // rows per array fetch, chosen by the describe
  const text *tabname = nullptr;  // target table of INSERT text and control file; "" = none
};

#endif  // QUILLET2_UNLOAD_JOBSTATE_H
