#include "cli/driver.h"

int quillet2Main(int, char **) { return 1; }
