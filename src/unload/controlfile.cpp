#include "unload/controlfile.h"

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string_view>

#include "base/chars.h"
#include "crypto/password.h"
#include "unload/columntype.h"
#include "unload/outfile.h"
#include "unload/outstream.h"
#include "unload/runrecord.h"
#include "unload/safefile.h"

namespace {

LOADFAULTS *workerFaults = nullptr;  // see shareLoadFaults

// One kind of fault: what the warning and the control file's comment say
// after "N values".
struct FAULTNOTE {
  unsigned long long LOADFAULTS::*count;
  const char *warning;
  const char *comment;
};
constexpr FAULTNOTE FAULT_NOTES[] = {
    {&LOADFAULTS::splits,
     "hold the record separator; SQL*Loader splits their rows at it: unload again with a record= that no "
     "value holds (e.g. record=0x1e0x0a).",
     "hold the record separator: SQL*Loader splits their rows.\n"
     "-- Unload again with a record= that no value holds (e.g. record=0x1e0x0a)."},
    {&LOADFAULTS::separators,
     "hold the field separator outside an enclosure; SQL*Loader splits their fields at it: unload again "
     "with quote= (e.g. text=CSV) or a field= that no value holds.",
     "hold the field separator outside an enclosure: SQL*Loader splits their fields.\n"
     "-- Unload again with quote= (e.g. text=CSV) or a field= that no value holds."},
    {&LOADFAULTS::quotes,
     "hold the enclosure; SQL*Loader ends their fields at it: unload again with escape= set to the "
     "one-byte quote= (which doubles it) or a quote= that no value holds.",
     "hold the enclosure: SQL*Loader ends their fields at it.\n"
     "-- Unload again with escape= set to the one-byte quote= (which doubles it) or a quote= that no value holds."},
    {&LOADFAULTS::blanks,
     "end in blanks; SQL*Loader trims them from fixed-width fields (an all-blank value loads as NULL): "
     "unload in a delimited layout (e.g. text=CSV) to keep them.",
     "end in blanks: SQL*Loader trims them from fixed-width fields.\n"
     "-- Unload in a delimited layout (e.g. text=CSV) to keep them."},
    {&LOADFAULTS::nulls,
     "are all blanks or the null= text; SQL*Loader loads them as NULL: unload again with a null= text "
     "that no value is.",
     "are all blanks or the null= text: SQL*Loader loads them as NULL.\n"
     "-- Unload again with a null= text that no value is."},
};

// Oracle's FLOAT is a NUMBER described with this scale.
constexpr sb2 FLOAT_SCALE = -127;

bool isTimestamp(sb2 t) {
  // The local-time-zone value is written without an offset, in the
  // timestamp format.
  return t == DESC_TIMESTAMP || t == SQLT_TIMESTAMP || t == SQLT_TIMESTAMP_LTZ;
}
bool isTimestampTz(sb2 t) { return t == DESC_TIMESTAMP_TZ || t == SQLT_TIMESTAMP_TZ; }
bool isDate(sb2 t) { return t == SQLT_DAT || t == SQLT_ODT; }
bool isLobToFile(const COLUMN *c, bool lobfile) {
  return lobfile && (c->oldtype == SQLT_CLOB || c->oldtype == SQLT_BLOB);
}

// A character type with its length: in characters when the column counts
// them (national types always do, and say so without CHAR).
void writeLength(FILE *fp, const char *type, const COLUMN *c) {
  if (c->charsize == 0) fprintf(fp, "%s(%d)", type, c->dbsize);
  else if (c->csfm == SQLCS_NCHAR) fprintf(fp, "%s(%d)", type, c->charsize);
  else fprintf(fp, "%s(%d CHAR)", type, c->charsize);
}

// The Oracle type of a described column, as CREATE TABLE spells it: the
// type's name with the length, precision or scale it takes.
void writeTypeName(FILE *fp, const COLUMN *c) {
  const int p = c->precision;
  const char *name = oracleTypeName(c->oldtype, c->csfm == SQLCS_NCHAR);
  switch (c->oldtype) {
    case SQLT_NUM:
    case SQLT_VNU:
      if (c->scale == FLOAT_SCALE && p >= 1) fprintf(fp, "FLOAT(%d)", p);
      else if (c->scale >= 1 && c->scale < p) fprintf(fp, "NUMBER(%d,%d)", p, c->scale);
      else if (p < 1) fputs("NUMBER", fp);
      else fprintf(fp, "NUMBER(%d)", p);
      return;
    case DESC_VARRAW:
    case SQLT_BIN: fprintf(fp, "RAW(%d)", c->dbsize); return;
    case SQLT_AFC: writeLength(fp, name, c); return;
    default: break;
  }
  if ((isTimestamp(c->oldtype) || isTimestampTz(c->oldtype)) && p >= 1) {
    const char *zone = name + strlen("TIMESTAMP");  // "", " WITH TIME ZONE" or " WITH LOCAL TIME ZONE"
    fprintf(fp, "TIMESTAMP(%d)%s", p, zone);
  } else if (strcmp(name, "VARCHAR2") == 0 || strcmp(name, "NVARCHAR2") == 0) {
    writeLength(fp, name, c);
  } else {
    fputs(name, fp);
  }
}

// A byte string as a control-file string: quoted when every byte can stand
// inside the quotes (printable, no apostrophe), else in hex (X'..'), by its
// length.
std::string loaderString(std::string_view bytes) {
  bool plain = !bytes.empty();
  for (unsigned char b : bytes) plain = plain && isprint(b) && b != '\'';
  std::string out(plain ? "'" : "X'");
  // Appended, not "'" + string + "'": GCC 12 at -O3 reports a false
  // -Wrestrict for inserting in front of a temporary.
  if (plain) return out.append(bytes) + "'";
  char digits[3];
  for (unsigned char b : bytes) {
    snprintf(digits, sizeof digits, "%02x", b);
    out += digits;
  }
  return out + "'";
}

// "NULLIF "C"=..." for the null text the data holds.
std::string nullIf(const ROWFORMAT &o, const char *name) {
  std::string_view snull(chars(o.snull), static_cast<size_t>(o.lnull > 0 ? o.lnull : 0));
  bool blank = snull.find_first_not_of(' ') == std::string_view::npos;
  return "NULLIF \"" + std::string(name) + "\"=" + (blank ? "BLANKS" : loaderString(snull));
}

// One field clause; pos is the column's first position in fixed-width mode.
void writeFieldClause(FILE *fp, const COLUMN *c, const CONTROLFILEJOB &o, bool fixed,
                      const SESSIONFORMATS *f, int pos) {
  const char *n = chars(c->buf);
  bool lls = isLobToFile(c, o.output->lobfname[0] != 0);
  int last = pos + (lls ? LOB_ROW_SHARE : c->dsize2) - 1;
  std::string nullif = nullIf(*o.format, n);
  const char *ni = nullif.c_str();
  fprintf(fp, "  \"%s\" ", n);
  if (fixed) fprintf(fp, "POSITION(%d:%d) ", pos, last);
  if (lls) {
    if (fixed) fputs("LLS ", fp);
    else fprintf(fp, "%s LLS ", ni);
    return;
  }
  const char *tail = fixed ? " " : "";
  if (isTimestamp(c->oldtype)) fprintf(fp, "TIMESTAMP \"%s\" %s%s", f->timestamp, ni, tail);
  else if (isTimestampTz(c->oldtype)) fprintf(fp, "TIMESTAMP WITH TIME ZONE \"%s\" %s%s", f->timestamptz, ni, tail);
  else if (isDate(c->oldtype)) fprintf(fp, "DATE \"%s\" %s%s", f->date, ni, tail);
  else fprintf(fp, "CHAR(%d) %s ", c->dsize2, ni);
}

// The data file name the control file names for an expanded output name:
// without the append mark, and without ".gz" or ".zst" (SQL*Loader reads
// plain bytes).
std::string infileName(std::string name) {
  if (!name.empty() && name[0] == '+') name.erase(0, 1);
  const Codec codec = codecForName(reinterpret_cast<const text *>(name.c_str()));
  if (codec == Codec::gzip) name.resize(name.size() - 3);
  if (codec == Codec::zstd) name.resize(name.size() - 4);
  return name;
}

void writeLoadNotes(FILE *fp, const CONTROLFILEJOB &o, const std::string &datafile) {
  if (strcmp(chars(o.output->fname), "-") == 0) {
    fputs("-- The data went to standard output: save it to a file and put that file's\n"
          "-- name in the INFILE clause below (or give it with DATA= to sqlldr).\n", fp);
  } else if (const Codec codec = codecForName(o.output->fname); codec != Codec::none) {
    const bool gz = codec == Codec::gzip;
    const char *tool = gz ? "gzip" : "zstd", *ext = gz ? "gz" : "zst";
    fprintf(fp,
            "-- The data files are %s-compressed; SQL*Loader reads plain bytes. Load each\n"
            "-- through a named pipe of the name INFILE gives (mkfifo %s;\n"
            "-- %s -dc %s.%s > %s &) or decompress it first (%s -d %s.%s).\n",
            tool, datafile.c_str(), tool, datafile.c_str(), ext, datafile.c_str(), tool,
            datafile.c_str(), ext);
  }
}

void writeCreateTable(FILE *fp, const CONTROLFILEJOB &o, const COLUMN *collist) {
  fprintf(fp, "--  CREATE TABLE %s (\n", chars(o.job->tabname));
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next) {
    fprintf(fp, "--    %s ", chars(c->buf));
    writeTypeName(fp, c);
    if (c->next != nullptr) fputs(",\n", fp);
  }
  fputs("\n--  );\n--\n", fp);
}

// Bytes of one fixed-width record: prefix, fields, suffix and separator.
int fixedRecordLength(const CONTROLFILEJOB &o, const COLUMN *collist) {
  int len = o.format->rplen + o.format->rslen + o.format->rlen;
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next)
    len += isLobToFile(c, o.output->lobfname[0] != 0) ? LOB_ROW_SHARE : c->dsize2;
  return len;
}

void writeInfile(FILE *fp, const CONTROLFILEJOB &o, const COLUMN *collist, bool fixed,
                 const std::string &datafile) {
  if (strcmp(chars(o.output->fname), "-") == 0) fputs("-- ", fp);
  if (fixed) {
    fprintf(fp, "INFILE '%s' \"FIX %d\"\n", datafile.c_str(), fixedRecordLength(o, collist));
    return;
  }
  fprintf(fp, "INFILE '%s' \"STR X'", datafile.c_str());
  for (int i = 0; i < o.format->rlen && i < static_cast<int>(sizeof o.format->record); i++)
    fprintf(fp, "%02x", o.format->record[i]);
  fputs("'\"\n", fp);
}

std::string readWhole(const char *name) {
  std::string s;
  FILE *fp = fopen(name, "rb");
  if (fp == nullptr) return s;
  char buf[8192];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, fp)) > 0) s.append(buf, n);
  fclose(fp);
  return s;
}

// Opens the control file name for writing under a temporary name. The name
// is taken as it is: a leading '+' is part of it, not the append form.
FILE *openControlFile(SAFEFILE *file, const char *name) {
  char opened[CTLFNAME_SIZE + 2];
  snprintf(opened, sizeof opened, "%s%s", name[0] == '+' ? "./" : "", name);
  return safeOpen(file, opened);
}

// A control file that could not be written: the message, open-error status.
int controlFileFailed(DATABASE *db, const char *name, int err, const char *note) {
  reportFileError(db, "ERROR -- Cannot write to file : %s\n", name);
  reportFileError(db, "ERROR -- %s: %s\n", name, strerror(err));
  reportIncomplete(db, name, note);
  return -1;
}

// Puts the written control file under its name; it joins the run's record.
// 1, or what controlFileFailed returns.
int commitControlFile(DATABASE *db, SAFEFILE *file, const char *ctlname) {
  char note[SAFEFILE_NOTE_SIZE];
  const int err = safeCommit(file, false, note, sizeof note);
  if (err != 0) return controlFileFailed(db, ctlname, err, note);
  struct stat st;
  const off_t size = stat(file->name, &st) == 0 ? st.st_size : 0;
  recordFile(&runRecord(), file->name, FileKind::Control, 0, static_cast<unsigned long long>(size), -1, true);
  return 1;
}

}  // namespace

bool writesBinaryAsHex(const ROWFORMAT &o) { return o.format == 0 && o.escape != '\\'; }

const char *unreadableLayout(const ROWFORMAT &o) {
  if (o.format == FORMAT_JSON) return "JSON Lines (text=JSON)";
  if (o.colseplen > 0) return "column names before the values (colsep=, as in text=FORM and text=SEARCH)";
  if (o.escape == '\\') return "backslash escapes and \\N (text=MYSQL: load it with LOAD DATA)";
  size_t quotelen = strlen(chars(o.quote));
  if (o.escape != ' ' && !(quotelen == 1 && o.escape == static_cast<char>(o.quote[0])))
    return "escape characters other than the doubled enclosure (escape=)";
  if (o.field[0] != ' ' && (o.rplen > 0 || o.rslen > 0))
    return "row prefixes or suffixes in a delimited layout (rowpre=, rowsuf=)";
  return nullptr;
}

bool loadsBack(const CONTROLFILEJOB &o) {
  return o.job->tabname[0] != 0 && o.format->format == 0 && unreadableLayout(*o.format) == nullptr;
}

bool writesControlFile(const CONTROLFILEJOB &o) { return loadsBack(o) && o.job->slaveid == 1; }

void shareLoadFaults(LOADFAULTS *slot) { workerFaults = slot; }
LOADFAULTS *sharedLoadFaults() { return workerFaults; }

void controlFileName(const CONTROLFILEJOB &o, char *out, size_t outsize) {
  if (o.settings->ctlfname[0] != 0)
    expandFileName(o.settings->ctlfname, reinterpret_cast<text *>(out), outsize, 1, o.job->slaveid);
  else snprintf(out, outsize, "%s_sqlldr.ctl", chars(o.job->tabname));
}

int writeControlFile(DATABASE *db, const CONTROLFILEJOB &o, const COLUMN *collist, int fixlen,
                     const SESSIONFORMATS *formats) {
  const int format = o.format->format;
  if (o.job->tabname[0] == 0 || (format != 0 && format != FORMAT_JSON) || o.job->slaveid != 1) return 0;
  if (const char *why = unreadableLayout(*o.format)) {
    reportMessage(db, MsgKind::Warning, "Control file not written: SQL*Loader cannot read %s.\n", why);
    return 0;
  }
  char ctlname[CTLFNAME_SIZE];
  controlFileName(o, ctlname, sizeof ctlname);
  SAFEFILE file;
  FILE *fp = openControlFile(&file, ctlname);
  if (fp == nullptr) return controlFileFailed(db, ctlname, errno, "");

  bool fixed = fixlen != 0;
  text expanded[CTLFNAME_SIZE] = {0};
  expandFileName(o.output->fname, expanded, sizeof expanded, 1, 1);
  std::string datafile = infileName(chars(expanded));
  fprintf(fp, "--\n-- %s\n-- %s\n--\n", chars(bannerLine(0)), chars(bannerLine(1)));
  writeLoadNotes(fp, o, datafile);
  writeCreateTable(fp, o, collist);
  if (o.format->header == 0 || fixed)
    fprintf(fp, "OPTIONS(BINDSIZE=%d,READSIZE=%d,ERRORS=50000,ROWS=50000)\n", o.settings->buffer, o.settings->buffer);
  else
    fprintf(fp, "OPTIONS(BINDSIZE=%d,READSIZE=%d,SKIP=1,ERRORS=50000,ROWS=50000)\n", o.settings->buffer,
            o.settings->buffer);
  fputs("LOAD DATA\n", fp);
  if (o.settings->charset[0] != 0) fprintf(fp, "CHARACTERSET %s\n", chars(o.settings->charset));
  writeInfile(fp, o, collist, fixed, datafile);
  fprintf(fp, "%s INTO TABLE %s\n", chars(o.settings->tabmode), chars(o.job->tabname));
  fputs("FIELDS TERMINATED BY X'", fp);
  for (int i = 0; i < o.format->flen && i < static_cast<int>(sizeof o.format->field); i++)
    fprintf(fp, "%02x", o.format->field[i]);
  fputc('\'', fp);
  if (!fixed && o.format->quote[0] != 0)
    fprintf(fp, " OPTIONALLY ENCLOSED BY %s ", loaderString(chars(o.format->quote)).c_str());
  fputs(" TRAILING NULLCOLS \n(\n", fp);
  int pos = 1 + o.format->rplen;
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next) {
    writeFieldClause(fp, c, o, fixed, formats, pos);
    pos += isLobToFile(c, o.output->lobfname[0] != 0) ? LOB_ROW_SHARE : c->dsize2;
    if (c->next != nullptr) fputs(",\n", fp);
  }
  fputs("\n)\n", fp);
  return commitControlFile(db, &file, ctlname);
}

int finishControlFile(DATABASE *db, const CONTROLFILEJOB &o, const std::vector<std::string> &datafiles,
                      const LOADFAULTS &faults) {
  bool faulty = false;
  for (const FAULTNOTE &f : FAULT_NOTES) {
    if (faults.*f.count == 0) continue;
    reportMessage(db, MsgKind::Warning, "WARNING -- %llu values %s\n", faults.*f.count, f.warning);
    faulty = true;
  }
  if (datafiles.size() < 2 && !faulty) return 0;
  char ctlname[CTLFNAME_SIZE];
  controlFileName(o, ctlname, sizeof ctlname);
  std::string ctl = readWhole(ctlname);
  size_t infile = ctl.find("\nINFILE '");
  if (infile == std::string::npos || ctl.find("\nOPTIONS(") == std::string::npos) return 0;
  size_t nameEnd = ctl.find("' ", infile + 9);
  size_t lineEnd = ctl.find('\n', infile + 1);
  if (nameEnd == std::string::npos || lineEnd == std::string::npos || nameEnd > lineEnd) return 0;
  std::string processing = ctl.substr(nameEnd + 1, lineEnd - nameEnd - 1);
  // An earlier pass (worker 1, before the parent) may have named several.
  while (ctl.compare(lineEnd, 9, "\nINFILE '") == 0) lineEnd = ctl.find('\n', lineEnd + 1);
  if (lineEnd == std::string::npos) return 0;
  std::string lines;
  for (const std::string &f : datafiles) lines += "\nINFILE '" + infileName(f) + "'" + processing;
  ctl.replace(infile, lineEnd - infile, lines);

  std::string notes;
  for (const FAULTNOTE &f : FAULT_NOTES)
    if (faults.*f.count > 0) notes += "\n-- " + std::to_string(faults.*f.count) + " values " + f.comment;
  if (datafiles.size() > 1 && o.format->header != 0 && o.format->field[0] != ' ')
    notes += "\n-- Every data file after the first starts with a header line, which SKIP=1\n"
             "-- does not skip: load those files one at a time with SKIP=1 DATA=file.";
  if (ctl.find(notes) == std::string::npos) ctl.insert(ctl.find("\nOPTIONS("), notes);
  SAFEFILE file;
  FILE *fp = openControlFile(&file, ctlname);
  if (fp == nullptr) return controlFileFailed(db, ctlname, errno, "");
  fwrite(ctl.data(), 1, ctl.size(), fp);
  return commitControlFile(db, &file, ctlname);
}
