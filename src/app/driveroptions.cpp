// Option collection: command-line arguments, parameter files, bind variables
// and SQL file text. Every text is cut at the buffer it goes to.
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <memory>

#include "app/driver.h"
#include "options/optbytes.h"

namespace {

// Line buffer of the parameter and SQL file readers: one piece of either kind.
constexpr int LINE_BUFSIZE = 1024;
static_assert(PARFILE_LINE_MAX < LINE_BUFSIZE && SQL_PIECE_MAX < LINE_BUFSIZE);
// Bytes of query that the appended SQL text may fill (the rest is its terminator).
constexpr size_t QUERY_TEXT_MAX = sizeof(CMDOPTIONS::query) - 1;

struct FileCloser {
  void operator()(FILE *fp) const { fclose(fp); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Appends up to n bytes of src to the terminated text in dst[0..cap], cutting
// at cap bytes; dst stays terminated.
void appendCut(text *dst, size_t cap, const char *src, size_t n) {
  const size_t len = strnlen(reinterpret_cast<char *>(dst), cap);
  const size_t take = std::min(n, cap - len);
  memcpy(dst + len, src, take);
  dst[len + take] = 0;
}

void readParameterFile(CMDOPTIONS *cmdopts, const char *arg) {
  char fname[PARFILE_NAME_MAX + 1] = {};
  strncpy(fname, arg, PARFILE_NAME_MAX);
  if (fname[0] == '-') {
    readParameterStream(cmdopts, stdin);
    return;
  }
  FilePtr fp(fopen(fname, "rb"));
  if (fp) readParameterStream(cmdopts, fp.get());  // an unreadable file is skipped
}

void setConnectString(CMDOPTIONS *cmdopts, const char *value) {
  memset(cmdopts->username, 0, sizeof cmdopts->username);
  strncpy(reinterpret_cast<char *>(cmdopts->username), value, CONNECT_ARG_MAX);
}

void argumentPass(CMDOPTIONS *cmdopts, int argc, char **argv) {
  for (int i = 1; i < argc; i++) {
    const char *arg = argv[i];
    if (strncasecmp(arg, "parfile=", 8) == 0) {
      readParameterFile(cmdopts, arg + 8);
    } else if (strcasecmp(arg, "-si") == 0) {
      setConnectString(cmdopts, "/");
    } else if (parseCommandOption(cmdopts, reinterpret_cast<const text *>(arg)) == 0 && i == 1) {
      setConnectString(cmdopts, arg);  // user/password@connect without "user="
    }
  }
}

// Stores a :name=value argument in the next sqlargv entry; false if it is none.
bool addBindVariable(CMDOPTIONS *cmdopts, const char *arg) {
  char body[BIND_TEXT_MAX + 1] = {};
  strncpy(body, arg + 1, BIND_TEXT_MAX);
  if (body[0] == 0 || body[0] == '=') return false;
  char *equals = strchr(body, '=');
  const size_t nameLen = equals != nullptr ? static_cast<size_t>(equals - body) : strlen(body);
  const char *value = equals != nullptr ? equals + 1 : "";

  SQLPARAM *p = &cmdopts->sqlargv[cmdopts->sqlargc];
  p->ob = nullptr;
  memset(p->pname, 0, sizeof p->pname);
  memcpy(p->pname, body, std::min<size_t>(nameLen, BIND_NAME_MAX));
  p->nlen = static_cast<sb4>(strlen(p->pname));
  memset(p->pval, 0, sizeof p->pval);
  strncpy(p->pval, value, BIND_VALUE_MAX);
  p->vlen = static_cast<sb4>(strlen(p->pval));
  return true;
}

void bindVariablePass(CMDOPTIONS *cmdopts, int argc, char **argv) {
  for (int i = 1; i < argc && cmdopts->sqlargc < MAX_CMDLINE_PARAMS; i++) {
    if (argv[i][0] == ':' && addBindVariable(cmdopts, argv[i])) cmdopts->sqlargc++;
  }
}

void appendSqlFile(CMDOPTIONS *cmdopts) {
  const char *name = reinterpret_cast<const char *>(cmdopts->sqlfname);
  if (strcmp(name, "-") == 0) {
    appendSqlStream(cmdopts, stdin, true);
    return;
  }
  FilePtr fp(fopen(name, "r"));
  if (fp) appendSqlStream(cmdopts, fp.get(), false);  // an unreadable file is skipped
}

}  // namespace

void readParameterStream(CMDOPTIONS *cmdopts, FILE *fp) {
  text option[OPTION_TEXT_MAX + 1] = {};
  char line[LINE_BUFSIZE];
  auto flush = [&] {
    if (option[0] != 0) parseCommandOption(cmdopts, option);
    option[0] = 0;
  };
  for (;;) {
    memset(line, 0, sizeof line);
    if (fgets(line, PARFILE_LINE_MAX + 1, fp) == nullptr) break;
    // The first byte as read decides: white space continues the option.
    const bool continuation = isOptionSpace(static_cast<unsigned char>(line[0]));
    size_t len = strlen(line);
    while (len > 0 && strchr(" \t\r\n", line[len - 1]) != nullptr) len--;
    if (!continuation) flush();
    appendCut(option, OPTION_TEXT_MAX, line, len);
  }
  flush();
}

void appendSqlStream(CMDOPTIONS *cmdopts, FILE *fp, bool stopAtSlash) {
  char piece[LINE_BUFSIZE];
  bool atLineStart = true;
  while (fgets(piece, SQL_PIECE_MAX + 1, fp) != nullptr) {
    if (stopAtSlash && atLineStart && piece[0] == '/') break;
    const size_t len = strlen(piece);
    atLineStart = len > 0 && piece[len - 1] == '\n';
    appendCut(cmdopts->query, QUERY_TEXT_MAX, piece, len);
    appendCut(cmdopts->query, QUERY_TEXT_MAX, " ", 1);
  }
}

void collectOptions(CMDOPTIONS *cmdopts, int argc, char **argv) {
  argumentPass(cmdopts, argc, argv);
  bindVariablePass(cmdopts, argc, argv);
  if (cmdopts->sqlfname[0] != 0) appendSqlFile(cmdopts);
}
