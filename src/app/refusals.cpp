// Output names that would lose rows are refused before logon, each with a
// message that says how to mend the command line.
#include "app/refusals.h"

#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <memory>

#include "base/chars.h"
#include "unload/controlfile.h"
#include "unload/jobrunner.h"
#include "unload/outfile.h"
#include "unload/outstream.h"

namespace {

// Piece and worker numbers a name is expanded with to bound its length: a
// piece number of six digits, the highest worker number.
constexpr int LONGEST_PIECE = 999999;
constexpr int LONGEST_WORKER = 128;
// Room to expand a 255-byte pattern in: each two-byte placeholder gives at
// most the ten digits of a time.
constexpr size_t EXPAND_ROOM = 2048;


std::string line(const char *what, const text *pattern, const char *fix) {
  return std::string("ERROR -- ") + what + chars(pattern) + fix + "\n";
}

// True when the pattern holds the placeholder %<letter> (either case).
bool hasPlaceholder(const text *pattern, char letter) {
  for (const text *p = pattern; *p != 0; p++) {
    if (*p != '%') continue;
    if (p[1] == 0) return false;
    if ((p[1] | 0x20) == letter) return true;
    p++;  // "%%" and any other pair stand for one byte
  }
  return false;
}

bool appends(const text *pattern) { return pattern[0] == '+'; }

void checkPieces(const CMDOPTIONS *o, COLLECTNOTES *notes) {
  const bool pieces = o->batch != 0 || (o->piece > 0 && o->piece < MAX_PIECE_MB);
  if (!pieces || strcmp(chars(o->fname), "-") == 0) return;
  const char *fix = " has no %b for the piece number, so each piece would overwrite the one before: "
                    "add %b to the name (or start it with + to append every piece to one file).";
  if (!hasPlaceholder(o->fname, 'b') && !appends(o->fname))
    notes->refusals.push_back(line("The output is cut into pieces (batch=, size=) but file=", o->fname, fix));
  if (o->lobfname[0] != 0 && !hasPlaceholder(o->lobfname, 'b') && !appends(o->lobfname))
    notes->refusals.push_back(line("The output is cut into pieces (batch=, size=) but lobfile=", o->lobfname, fix));
}

void checkWorkers(const CMDOPTIONS *o, COLLECTNOTES *notes) {
  if (o->degree <= 1 || o->tabsplit[0] == 0) return;
  const char *fix = " has no %p for the worker number, so the workers would write over one another: "
                    "add %p to the name.";
  if (strcmp(chars(o->fname), "-") == 0)
    notes->refusals.push_back("ERROR -- A parallel unload (split= with degree=) cannot write to standard "
                              "output: give file= a name with %p for the worker number.\n");
  else if (!hasPlaceholder(o->fname, 'p'))
    notes->refusals.push_back(line("A parallel unload (split= with degree=) runs one worker per range but file=", o->fname, fix));
  if (o->lobfname[0] != 0 && !hasPlaceholder(o->lobfname, 'p'))
    notes->refusals.push_back(line("A parallel unload (split= with degree=) runs one worker per range but lobfile=", o->lobfname, fix));
  if (o->logfile[0] != 0 && !hasPlaceholder(o->logfile, 'p'))
    notes->refusals.push_back(line("A parallel unload (split= with degree=) runs one worker per range but log=", o->logfile, fix));
}

// One output of a run: its option, its name pattern (the control file's
// name is taken as it is) and the buffer its name is expanded into.
struct OUTPUT {
  const char *option;
  std::string pattern;
  size_t bufsize;
  bool expands;
};

// The name of out for piece and worker, without the append mark.
std::string outputName(const OUTPUT &out, int piece, int worker) {
  if (!out.expands) return out.pattern;
  text name[EXPAND_ROOM];
  expandFileName(reinterpret_cast<const text *>(out.pattern.c_str()), name, sizeof name, piece, worker);
  return chars(name);
}

// The path of out for piece 1 of worker 1.
std::filesystem::path outputPath(const OUTPUT &out) {
  const std::string name = outputName(out, 1, 1);
  return std::filesystem::absolute(name[0] == '+' ? name.substr(1) : name).lexically_normal();
}

// The control file name the job will write, or "" when it writes none.
std::string controlFileName(const CMDOPTIONS *o) {
  auto copy = std::make_unique<JOBSPEC>();
  mapJobSettings(*o, copy.get());
  normaliseQuery(copy.get());
  if (copy->tabname[0] == 0 || copy->format.format != 0) return "";
  if (o->ctlfname[0] != 0) return chars(o->ctlfname);
  return std::string(chars(copy->tabname)) + "_sqlldr.ctl";
}

void checkOutputNames(const CMDOPTIONS *o, COLLECTNOTES *notes) {
  OUTPUT outs[4];
  int n = 0;
  if (strcmp(chars(o->fname), "-") != 0) outs[n++] = {"file=", chars(o->fname), DATA_NAME_SIZE, true};
  if (o->lobfname[0] != 0) outs[n++] = {"lobfile=", chars(o->lobfname), LOB_NAME_SIZE, true};
  if (o->logfile[0] != 0) outs[n++] = {"log=", chars(o->logfile), DATA_NAME_SIZE, true};
  std::string control = controlFileName(o);
  if (!control.empty())
    outs[n++] = {o->ctlfname[0] != 0 ? "control=" : "the control file ", control, CTLFNAME_SIZE, false};
  for (int i = 0; i < n; i++) {
    const size_t len = outputName(outs[i], LONGEST_PIECE, LONGEST_WORKER).size();
    if (len >= outs[i].bufsize)
      notes->refusals.push_back("ERROR -- " + std::string(outs[i].option) + outs[i].pattern + " can expand to " +
                                std::to_string(len) + " bytes, more than the " + std::to_string(outs[i].bufsize - 1) +
                                " a file name can hold: shorten it.\n");
    for (int j = 0; j < i; j++)
      if (outputPath(outs[i]) == outputPath(outs[j]))
        notes->refusals.push_back("ERROR -- " + std::string(outs[j].option) + outs[j].pattern + " and " +
                                  outs[i].option + outs[i].pattern +
                                  " name the same file: give each output a name of its own.\n");
  }
}

void checkSeparators(const CMDOPTIONS *o, COLLECTNOTES *notes) {
  if (o->flen == 0) notes->warnings.push_back("field= is empty: the fields of a record run together\n");
  if (o->rlen == 0) notes->warnings.push_back("record= is empty: the records run together\n");
}

// text=JSON writes its own separators, quotes, escapes and null, and no
// header line: an option set after it that would change them is refused
// rather than ignored or let make the lines invalid JSON.
void checkJsonLayout(const CMDOPTIONS *o, COLLECTNOTES *notes) {
  if (o->format != FORMAT_JSON) return;
  const struct {
    bool set;
    const char *name;
  } options[] = {
      {o->flen != 1 || o->field[0] != ',', "field="},
      {o->rlen != 1 || o->record[0] != '\n', "record="},
      {o->quote[0] != 0, "quote="},
      {o->escape != ' ', "escape="},
      {o->escf[0] != 0 || o->esct[0] != 0, "escf=/esct="},
      {o->lnull != 0, "null="},
      {o->header != 0, "head="},
      {o->colseplen != 0, "colsep="},
      {o->rplen != 0 || o->rslen != 0, "rowpre=/rowsuf="},
      {o->preheadlen != 0, "prehead="},
      {o->sedf[0] != o->sedt[0], "sedf=/sedt="},
      {o->lobfname[0] != 0, "lobfile="},
  };
  std::string names;
  for (const auto &opt : options) {
    if (opt.set) names += (names.empty() ? "" : ", ") + std::string(opt.name);
  }
  if (!names.empty())
    notes->refusals.push_back("ERROR -- text=JSON writes its own separators, quotes, escapes, null and LOB "
                              "values, so " + names + " cannot apply to it: leave them out.\n");
}

}  // namespace

void checkOptionRecord(const CMDOPTIONS *o, COLLECTNOTES *notes) {
  checkPieces(o, notes);
  checkWorkers(o, notes);
  checkOutputNames(o, notes);
  checkSeparators(o, notes);
  checkJsonLayout(o, notes);
}
