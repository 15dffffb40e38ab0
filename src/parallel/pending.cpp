// Placeholder until the parallel unload lands.
#include <stdio.h>

#include "parallel/workers.h"

int runParallelUnload(DATABASE *, CMDOPTIONS *, TABLESPLIT *) {
  fputs("quillet2: parallel unload is not available in this build yet\n", stdout);
  return 1;
}
