// Option collection: command-line arguments, parameter files, bind variables
// and SQL file text. Text that does not fit its buffer is cut there, and the
// cut is a refusal: the run never goes on with a shortened value.
#include <errno.h>
#include <stdlib.h>
#include <stdarg.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "app/driver.h"
#include "app/hidepassword.h"
#include "base/chars.h"
#include "options/optbytes.h"

namespace {

// Line buffer of the readers: one piece of a SQL file, or of a parameter-file line.
constexpr int LINE_BUFSIZE = 1024;
static_assert(SQL_PIECE_MAX < LINE_BUFSIZE);
// Bytes of query that the appended SQL text may fill (the rest is its terminator).
constexpr size_t QUERY_TEXT_MAX = sizeof(CMDOPTIONS::query) - 1;
// Bytes of a keyword or value quoted in a message.
constexpr int QUOTE_MAX = 64;
// Options whose values are byte strings where a NUL byte is a surprise.
constexpr std::string_view SEPARATOR_KEYWORDS[] = {"field", "record", "quote",  "colsep", "rowpre",
                                                   "rowsuf", "null",  "exec",   "prehead", "escape"};

struct FileCloser {
  void operator()(FILE *fp) const { fclose(fp); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

std::string messageLine(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string messageLine(const char *fmt, ...) {
  char line[LINE_BUFSIZE];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(line, sizeof line, fmt, ap);
  va_end(ap);
  return line;
}

bool sameKeyword(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// True when the error= number in pos is not in the skip list, which was full,
// so the parser had no room for it.
bool numberNotListed(const CMDOPTIONS *cmdopts, const OPTIONPOS &pos) {
  char number[32] = {};
  memcpy(number, pos.val, static_cast<size_t>(std::clamp(pos.vlen, 0, 31)));
  const int n = static_cast<int>(strtol(number, nullptr, 10));
  const int *end = cmdopts->oerrorno + cmdopts->oerrcount;
  return std::find(cmdopts->oerrorno, end, n) == end;
}

// Applies one option text and notes what is wrong with it: a value cut at its
// limit (refused), an unknown keyword (warned unless warnUnknown is false), a
// separator with a NUL byte from a broken escape (warned). Returns
// parseCommandOption's result.
int applyOption(CMDOPTIONS *cmdopts, const char *option, bool warnUnknown, COLLECTNOTES *notes) {
  int limit = 0;
  const int skipsBefore = cmdopts->oerrcount;
  const int known = parseCommandOption(cmdopts, reinterpret_cast<const text *>(option), &limit);
  OPTIONPOS pos;
  getCommandValue(reinterpret_cast<text *>(const_cast<char *>(option)), &pos);
  const std::string_view keyword(reinterpret_cast<const char *>(pos.name), static_cast<size_t>(pos.nlen));
  const int shown = std::min(pos.nlen, QUOTE_MAX);
  if (known == 0) {
    if (warnUnknown && pos.nlen > 0) notes->warnings.push_back(messageLine("unknown keyword %.*s, ignored\n", shown, pos.name));
    return known;
  }
  if (limit > 0) {
    const bool query = sameKeyword(keyword, "query");
    notes->refusals.push_back(messageLine("ERROR -- %.*s= value of %d bytes is longer than its limit of %d bytes%s.\n",
                                     shown, pos.name, pos.vlen, limit,
                                     query ? "; put a longer query into a file and give it with sql=" : ""));
  }
  if (sameKeyword(keyword, "error") && skipsBefore == MAX_SKIP_ERRORS && numberNotListed(cmdopts, pos))
    notes->refusals.push_back(messageLine("ERROR -- error= lists more than %d error numbers: %.*s would not be skipped.\n",
                                          MAX_SKIP_ERRORS, std::min(pos.vlen, QUOTE_MAX), pos.val));
  for (std::string_view k : SEPARATOR_KEYWORDS) {
    if (!sameKeyword(keyword, k)) continue;
    const int at = findNulEscape(pos.val);
    if (at >= 0)
      notes->warnings.push_back(messageLine(
          "%.*s=%.*s gives a NUL byte from the escape at byte %d (0 is the escape character: "
          "write 00 for a digit 0, 0x00 for a NUL byte)\n",
          shown, pos.name, std::min(pos.vlen, QUOTE_MAX), pos.val, at + 1));
  }
  return known;
}

bool keywordIs(const char *option, std::string_view name) {
  OPTIONPOS pos;
  getCommandValue(reinterpret_cast<text *>(const_cast<char *>(option)), &pos);
  return sameKeyword(std::string_view(reinterpret_cast<const char *>(pos.name), static_cast<size_t>(pos.nlen)), name);
}

void readParameterFile(CMDOPTIONS *cmdopts, const char *arg, COLLECTNOTES *notes) {
  if (strlen(arg) > PARFILE_NAME_MAX) {
    notes->refusals.push_back(messageLine("ERROR -- parfile= name is longer than its limit of %d bytes.\n", PARFILE_NAME_MAX));
    return;
  }
  if (arg[0] == '-') {
    readParameterStream(cmdopts, stdin, "-", notes);
    return;
  }
  FilePtr fp(fopen(arg, "rb"));
  if (!fp) {
    notes->refusals.push_back(messageLine("ERROR -- Cannot read parameter file %s: %s.\n", arg, strerror(errno)));
    return;
  }
  readParameterStream(cmdopts, fp.get(), arg, notes);
}

void setConnectString(CMDOPTIONS *cmdopts, const char *value, COLLECTNOTES *notes) {
  if (strlen(value) > CONNECT_ARG_MAX)
    notes->refusals.push_back(messageLine("ERROR -- The connect string is longer than its limit of %d bytes.\n", CONNECT_ARG_MAX));
  memset(cmdopts->username, 0, sizeof cmdopts->username);
  strncpy(reinterpret_cast<char *>(cmdopts->username), value, CONNECT_ARG_MAX);
}

void argumentPass(CMDOPTIONS *cmdopts, int argc, char **argv, COLLECTNOTES *notes) {
  for (int i = 1; i < argc; i++) {
    char *arg = argv[i];
    if (strncasecmp(arg, "parfile=", 8) == 0) {
      readParameterFile(cmdopts, arg + 8, notes);
    } else if (strcasecmp(arg, "-si") == 0) {
      setConnectString(cmdopts, "/", notes);
    } else if (applyOption(cmdopts, arg, i != 1 && arg[0] != ':', notes) == 0) {
      if (i != 1) continue;
      setConnectString(cmdopts, arg, notes);  // user/password@connect without "user="
      if (arg[0] != ':') hidePassword(arg, false);
    } else if (keywordIs(arg, "user")) {
      hidePassword(arg, true);
    }
  }
}

// Stores a :name=value argument in the next sqlargv entry; false if it is none.
bool addBindVariable(CMDOPTIONS *cmdopts, const char *arg, COLLECTNOTES *notes) {
  char body[BIND_TEXT_MAX + 1] = {};
  strncpy(body, arg + 1, BIND_TEXT_MAX);
  if (body[0] == 0 || body[0] == '=') return false;
  char *equals = strchr(body, '=');
  const size_t nameLen = equals != nullptr ? static_cast<size_t>(equals - body) : strlen(body);
  const char *value = equals != nullptr ? equals + 1 : "";
  if (nameLen > BIND_NAME_MAX || strlen(arg + 1) > nameLen + 1 + BIND_VALUE_MAX)
    notes->refusals.push_back(messageLine("ERROR -- Bind argument %.*s...: a name holds at most %d bytes, a value %d.\n",
                                     QUOTE_MAX, arg, BIND_NAME_MAX, BIND_VALUE_MAX));

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

void bindVariablePass(CMDOPTIONS *cmdopts, int argc, char **argv, COLLECTNOTES *notes) {
  for (int i = 1; i < argc; i++) {
    if (argv[i][0] != ':') continue;
    if (cmdopts->sqlargc == MAX_CMDLINE_PARAMS) {
      notes->refusals.push_back(messageLine("ERROR -- More than %d bind arguments (:name=value) given.\n", MAX_CMDLINE_PARAMS));
      return;
    }
    if (addBindVariable(cmdopts, argv[i], notes)) cmdopts->sqlargc++;
  }
}

void appendSqlFile(CMDOPTIONS *cmdopts, COLLECTNOTES *notes) {
  const char *name = reinterpret_cast<const char *>(cmdopts->sqlfname);
  bool fits = true;
  if (strcmp(name, "-") == 0) {
    fits = appendSqlStream(cmdopts, stdin, true);
  } else {
    FilePtr fp(fopen(name, "r"));
    if (fp) fits = appendSqlStream(cmdopts, fp.get(), false);
    if (!fp || ferror(fp.get())) {
      notes->refusals.push_back(messageLine("ERROR -- Cannot read SQL file %s: %s.\n", name, strerror(errno)));
      return;
    }
  }
  if (!fits)
    notes->refusals.push_back(messageLine("ERROR -- The query with the text of SQL file %s is longer than its limit of %zu bytes.\n",
                                     name, QUERY_TEXT_MAX));
}

// Reads one physical line, line end included, keeping at most max bytes of it
// in line (the rest is read and dropped). False at end of input.
bool readLine(FILE *fp, std::string *line, size_t max, bool *tooLong) {
  line->clear();
  *tooLong = false;
  char piece[LINE_BUFSIZE];
  while (fgets(piece, sizeof piece, fp) != nullptr) {
    const size_t n = strlen(piece);
    if (line->size() + n > max) *tooLong = true;
    line->append(piece, std::min(n, max - std::min(max, line->size())));
    if (n > 0 && piece[n - 1] == '\n') return true;
  }
  return !line->empty();
}

}  // namespace

void readParameterStream(CMDOPTIONS *cmdopts, FILE *fp, const char *name, COLLECTNOTES *notes) {
  std::string option, line;
  bool optionTooLong = false;
  int lineNumber = 0, optionLine = 0;
  auto flush = [&] {
    if (optionTooLong)
      notes->refusals.push_back(messageLine("ERROR -- Parameter file %s, line %d: the option is longer than its limit of %d bytes.\n",
                                       name, optionLine, OPTION_TEXT_MAX));
    else if (!option.empty())
      applyOption(cmdopts, option.c_str(), option[0] != '#', notes);  // a '#' line is a comment
    option.clear();
    optionTooLong = false;
  };
  bool lineTooLong = false;
  while (readLine(fp, &line, OPTION_TEXT_MAX + 1, &lineTooLong)) {
    lineNumber++;
    // The first byte as read decides: white space continues the option.
    const bool continuation = isOptionSpace(static_cast<unsigned char>(line[0]));
    size_t len = line.size();
    while (len > 0 && strchr(" \t\r\n", line[len - 1]) != nullptr) len--;
    if (!continuation) {
      flush();
      optionLine = lineNumber;
    }
    optionTooLong = optionTooLong || lineTooLong || option.size() + len > OPTION_TEXT_MAX;
    if (!optionTooLong) option.append(line, 0, len);
  }
  flush();
  if (ferror(fp)) notes->refusals.push_back(messageLine("ERROR -- Cannot read parameter file %s: %s.\n", name, strerror(errno)));
}

bool appendSqlStream(CMDOPTIONS *cmdopts, FILE *fp, bool stopAtSlash) {
  char piece[LINE_BUFSIZE];
  bool atLineStart = true, fits = true;
  while (fgets(piece, SQL_PIECE_MAX + 1, fp) != nullptr) {
    if (stopAtSlash && atLineStart && piece[0] == '/') break;
    const size_t len = strlen(piece);
    atLineStart = len > 0 && piece[len - 1] == '\n';
    fits = appendCut(cmdopts->query, sizeof cmdopts->query, {piece, len}) && fits;
    // The blank goes after a whole line: a long line is never split by one.
    if (atLineStart) fits = appendCut(cmdopts->query, sizeof cmdopts->query, " ") && fits;
  }
  if (!atLineStart) fits = appendCut(cmdopts->query, sizeof cmdopts->query, " ") && fits;
  return fits;
}

void collectOptions(CMDOPTIONS *cmdopts, int argc, char **argv, COLLECTNOTES *notes) {
  argumentPass(cmdopts, argc, argv, notes);
  bindVariablePass(cmdopts, argc, argv, notes);
  if (cmdopts->sqlfname[0] != 0) appendSqlFile(cmdopts, notes);
}
