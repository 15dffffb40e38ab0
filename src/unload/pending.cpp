// Placeholder until the job runner lands.
#include <stdio.h>

#include "unload/jobrunner.h"

sword runTextUnloader(CMDOPTIONS *) {
  fputs("quillet2: unload jobs are not available in this build yet\n", stdout);
  return -1;
}
