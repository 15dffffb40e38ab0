// The program driver: builds the option record and does the one thing asked.
#ifndef QUILLET2_CLI_DRIVER_H
#define QUILLET2_CLI_DRIVER_H

// The whole top level of the program; returns the process exit status.
int quillet2Main(int argc, char **argv);

#endif  // QUILLET2_CLI_DRIVER_H
