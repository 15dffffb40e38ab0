#include "app/driver.h"

int main(int argc, char **argv) { return quillet2Main(argc, argv); }
