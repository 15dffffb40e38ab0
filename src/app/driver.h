// The program driver: builds the option record and does the one thing asked.
#ifndef QUILLET2_APP_DRIVER_H
#define QUILLET2_APP_DRIVER_H

#include <stdio.h>

#include "base/messages.h"
#include "options/cmdoptions.h"

// Limits of the driver's own buffers, each with its reason.
// Bytes of a parfile= name that are used (a 256-byte name buffer).
constexpr int PARFILE_NAME_MAX = 255;
// A parameter-file line is read in pieces of at most this many bytes.
constexpr int PARFILE_LINE_MAX = 510;
// A SQL-file line is read in pieces of at most this many bytes.
constexpr int SQL_PIECE_MAX = 1022;
// One logical parameter-file option, joined from its continuation lines.
constexpr int OPTION_TEXT_MAX = 32767;
// A bare first argument fills at most this much of `username`.
constexpr int CONNECT_ARG_MAX = 128;
// Bytes after the ':' of a bind argument that are looked at.
constexpr int BIND_TEXT_MAX = 256;
// Bind name and value bytes kept from the command line.
constexpr int BIND_NAME_MAX = 30;
constexpr int BIND_VALUE_MAX = 127;

// Option collection: the argument pass (parfile=, -si, a bare connect string
// first), the bind-variable pass, and the SQL file text appended to query.
// REQUIRES: cmdopts was reset; argv[1..argc-1] are NUL-terminated.
void collectOptions(CMDOPTIONS *cmdopts, int argc, char **argv);

// Applies every logical option of a parameter file: an option starts in the
// first column and runs on through indented and blank lines.
void readParameterStream(CMDOPTIONS *cmdopts, FILE *fp);

// Appends the text of fp to query, each line piece followed by one blank.
// With stopAtSlash a line that begins with '/' ends the text (standard input).
void appendSqlStream(CMDOPTIONS *cmdopts, FILE *fp, bool stopAtSlash);

// Sends the help screen to sink; the extended lines only when cmdopts->help
// is set. REQUIRES: prepareBanners() has run.
void printHelpScreen(const MESSAGESINK &sink, const CMDOPTIONS *cmdopts);

// The whole top level of the program; returns the process exit status.
int quillet2Main(int argc, char **argv);

#endif  // QUILLET2_APP_DRIVER_H
