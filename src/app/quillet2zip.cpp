#include <signal.h>

#include "app/driver.h"

int main(int argc, char **argv) {
  // A write past the file size limit (ulimit -f) then fails with EFBIG and is
  // reported as a write error, instead of the signal ending the program.
  signal(SIGXFSZ, SIG_IGN);
  return quillet2Main(argc, argv);
}
