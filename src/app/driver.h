// The program driver: builds the option record and does the one thing asked.
#ifndef QUILLET2_APP_DRIVER_H
#define QUILLET2_APP_DRIVER_H

#include <stdio.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "options/cmdoptions.h"
#include "parallel/tablesplit.h"
#include "unload/jobrunner.h"

// Limits of the driver's own buffers, each with its reason.
// Bytes of a parfile= name that are used (a 256-byte name buffer).
constexpr int PARFILE_NAME_MAX = 255;
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

// What option collection met, as whole lines for standard error.
struct COLLECTNOTES {
  std::vector<std::string> warnings;  // the run goes on
  std::vector<std::string> refusals;  // the run ends with status 1 before logon
};

// Option collection: the argument pass (parfile=, -si, a bare connect string
// first), the bind-variable pass, and the SQL file text appended to query.
// Values too long for their fields, unreadable files and bind arguments
// beyond their bounds become refusals; unknown keywords and separators with
// a NUL byte from a broken escape become warnings. The password of a
// connect-string argument is blanked in argv once it is taken.
// REQUIRES: cmdopts was reset; argv[1..argc-1] are NUL-terminated.
void collectOptions(CMDOPTIONS *cmdopts, int argc, char **argv, COLLECTNOTES *notes);

// Applies every logical option of a parameter file: an option starts in the
// first column and runs on through indented and blank lines; a physical line
// is one piece however long. name is used in messages.
void readParameterStream(CMDOPTIONS *cmdopts, FILE *fp, const char *name, COLLECTNOTES *notes);

// Appends the text of fp to query, each line followed by one blank (a line
// longer than SQL_PIECE_MAX is read in pieces and joined again).
// With stopAtSlash a line that begins with '/' ends the text (standard input).
// Returns false when the text did not fit into query (it is cut there).
bool appendSqlStream(CMDOPTIONS *cmdopts, FILE *fp, bool stopAtSlash);

// Maps the parsed options, once, onto the settings of the modules that read
// them: those of one job (session, fetch, row format, output, control file,
// query and binds), and those of a table split.
void mapJobSettings(const CMDOPTIONS &cmdopts, JOBSPEC *job);
void mapSplitSettings(const CMDOPTIONS &cmdopts, SPLITSPEC *split);

// Sends the help screen to sink; the extended lines only when cmdopts->help
// is set.
void printHelpScreen(const MESSAGESINK &sink, const CMDOPTIONS *cmdopts);

// The keyword lines of the help screen with help=YES, basic then extended.
std::vector<std::string_view> helpScreenLines();

// --help, -h and --version anywhere among the arguments: prints the long help
// or the version to standard output and returns true (the run ends with 0).
bool printConventionalFlag(int argc, char **argv);

// Prints "quillet2 VERSION" and the client library the program was built with.
void printVersion(FILE *out);

// A connect string user@connect (no password) gets its password from
// QUILLET2_PASSWORD, else from a prompt without echo when standard input is a
// terminal, else stays as it is. False, with a message, when the password
// cannot be added (too long, or holding @ or "), sent to sink.
bool completePassword(CMDOPTIONS *cmdopts, const MESSAGESINK &sink);

// The whole top level of the program; returns the process exit status.
int quillet2Main(int argc, char **argv);

#endif  // QUILLET2_APP_DRIVER_H
