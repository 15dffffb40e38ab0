#include "unload/controlfile.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "crypto/password.h"
#include "unload/columntype.h"
#include "unload/outfile.h"
#include "unload/safefile.h"

namespace {

const char *S(const text *t) { return reinterpret_cast<const char *>(t); }
const char *S(const sb1 *t) { return reinterpret_cast<const char *>(t); }

bool isTimestamp(sb2 t) { return t == DESC_TIMESTAMP || t == SQLT_TIMESTAMP; }
bool isTimestampTz(sb2 t) {
  return t == DESC_TIMESTAMP_TZ || t == SQLT_TIMESTAMP_TZ || t == SQLT_TIMESTAMP_LTZ;
}
bool isDate(sb2 t) { return t == SQLT_DAT || t == SQLT_ODT; }
bool isLobToFile(const COLUMN *c, bool lobfile) {
  return lobfile && (c->oldtype == SQLT_CLOB || c->oldtype == SQLT_BLOB);
}

void writeCreateLine(FILE *fp, const COLUMN *c) {
  const char *name = S(c->buf);
  int p = c->precision;
  switch (c->oldtype) {
    case SQLT_NUM:
    case SQLT_VNU:
      if (c->scale >= 1 && c->scale < p) fprintf(fp, "--    %s NUMBER(%d,%d)", name, p, c->scale);
      else if (p < 1) fprintf(fp, "--    %s NUMBER", name);
      else fprintf(fp, "--    %s NUMBER(%d)", name, p);
      return;
    case SQLT_INT: fprintf(fp, "--    %s INTEGER", name); return;
    case SQLT_FLT: fprintf(fp, "--    %s FLOAT", name); return;
    case SQLT_DAT:
    case SQLT_ODT: fprintf(fp, "--    %s DATE", name); return;
    case SQLT_BFLOAT: fprintf(fp, "--    %s BINARY_FLOAT", name); return;
    case SQLT_BDOUBLE: fprintf(fp, "--    %s BINARY_DOUBLE", name); return;
    case SQLT_CLOB: fprintf(fp, c->csfm == SQLCS_NCHAR ? "--    %s NCLOB" : "--    %s CLOB", name); return;
    case SQLT_BLOB: fprintf(fp, "--    %s BLOB", name); return;
    case DESC_TIMESTAMP:
    case SQLT_TIMESTAMP:
      if (p >= 1) fprintf(fp, "--    %s TIMESTAMP(%d)", name, p);
      else fprintf(fp, "--    %s TIMESTAMP", name);
      return;
    case DESC_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_TZ:
      if (p >= 1) fprintf(fp, "--    %s TIMESTAMP(%d) WITH TIME ZONE", name, p);
      else fprintf(fp, "--    %s TIMESTAMP WITH TIME ZONE", name);
      return;
    case SQLT_TIMESTAMP_LTZ:
      if (p >= 1) fprintf(fp, "--    %s TIMESTAMP(%d) WITH LOCAL TIME ZONE", name, p);
      else fprintf(fp, "--    %s TIMESTAMP WITH LOCAL TIME ZONE", name);
      return;
    default:
      fprintf(fp, c->csfm == SQLCS_NCHAR ? "--    %s NVARCHAR2(%d)" : "--    %s VARCHAR2(%d)",
              name, c->dsize);
      return;
  }
}

// One field clause; pos is the column's first position in fixed-width mode.
void writeFieldClause(FILE *fp, const COLUMN *c, bool fixed, bool lobfile, int pos) {
  const char *n = S(c->buf);
  bool lls = isLobToFile(c, lobfile);
  int last = pos + (lls ? LOB_ROW_SHARE : c->dsize2) - 1;
  if (isTimestamp(c->oldtype)) {
    if (fixed)
      fprintf(fp, "  \"%s\" POSITION(%d:%d) TIMESTAMP \"YYYY-MM-DD HH24:MI:SSXFF\" NULLIF \"%s\"=BLANKS ", n, pos, last, n);
    else
      fprintf(fp, "  \"%s\" TIMESTAMP \"YYYY-MM-DD HH24:MI:SSXFF\" NULLIF \"%s\"=BLANKS", n, n);
  } else if (isTimestampTz(c->oldtype)) {
    if (fixed)
      fprintf(fp, "  \"%s\" POSITION(%d:%d) TIMESTAMP WITH TIME ZONE \"YYYY-MM-DD HH24:MI:SSXFF TZH:TZM\" NULLIF \"%s\"=BLANKS ", n, pos, last, n);
    else
      fprintf(fp, "  \"%s\" TIMESTAMP WITH TIME ZONE \"YYYY-MM-DD HH24:MI:SSXFF TZH:TZM\" NULLIF \"%s\"=BLANKS", n, n);
  } else if (lls) {
    if (fixed) fprintf(fp, "  \"%s\" POSITION(%d:%d) LLS ", n, pos, last);
    else fprintf(fp, "  \"%s\" NULLIF \"%s\"=BLANKS LLS ", n, n);
  } else if (isDate(c->oldtype)) {
    if (fixed)
      fprintf(fp, "  \"%s\" POSITION(%d:%d) DATE \"YYYY-MM-DD HH24:MI:SS\" NULLIF \"%s\"=BLANKS ", n, pos, last, n);
    else
      fprintf(fp, "  \"%s\" DATE \"YYYY-MM-DD HH24:MI:SS\" NULLIF \"%s\"=BLANKS", n, n);
  } else {
    if (fixed)
      fprintf(fp, "  \"%s\" POSITION(%d:%d) CHAR(%d) NULLIF \"%s\"=BLANKS ", n, pos, last, c->dsize2, n);
    else
      fprintf(fp, "  \"%s\" CHAR(%d) NULLIF \"%s\"=BLANKS ", n, c->dsize2, n);
  }
}

// The name job 1's first data file gets, without the append mark.
void dataFileName(const CMDOPTIONS *o, text *out, size_t outsize) {
  expandFileName(o->fname, out, outsize, 1, 1);
  if (out[0] == '+') memmove(out, out + 1, strlen(S(out)));
}

// A control file that could not be written: the message, open-error status.
int controlFileFailed(DATABASE *db, const char *name, int err, const char *note) {
  reportFileError(db, "ERROR -- Cannot write to file : %s\n", name);
  reportFileError(db, "ERROR -- %s: %s\n", name, strerror(err));
  reportIncomplete(db, name, note);
  return -1;
}

}  // namespace

int writeControlFile(DATABASE *db, const CMDOPTIONS *o, const COLUMN *collist, int fixlen,
                     ub4 rowsize) {
  if (o->tabname[0] == 0 || o->format != 0 || o->slaveid != 1) return 0;
  char ctlname[CTLFNAME_SIZE];
  if (o->ctlfname[0] != 0) snprintf(ctlname, sizeof ctlname, "%s", S(o->ctlfname));
  else snprintf(ctlname, sizeof ctlname, "%s_sqlldr.ctl", S(o->tabname));
  // The name is taken as it is: a leading '+' is part of it, not the append form.
  char opened[CTLFNAME_SIZE + 2];
  snprintf(opened, sizeof opened, "%s%s", ctlname[0] == '+' ? "./" : "", ctlname);
  SAFEFILE file;
  FILE *fp = safeOpen(&file, opened);
  if (fp == nullptr) return controlFileFailed(db, ctlname, errno, "");

  bool fixed = fixlen != 0;
  bool lobfile = o->lobfname[0] != 0;
  fprintf(fp, "--\n-- %s\n-- %s\n--\n", S(bannerLine(0)), S(bannerLine(1)));
  fprintf(fp, "--  CREATE TABLE %s (\n", S(o->tabname));
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next) {
    writeCreateLine(fp, c);
    if (c->next != nullptr) fputs(",\n", fp);
  }
  fputs("\n--  );\n--\n", fp);
  if (o->header == 0 || fixed)
    fprintf(fp, "OPTIONS(BINDSIZE=%d,READSIZE=%d,ERRORS=50000,ROWS=50000)\n", o->buffer, o->buffer);
  else
    fprintf(fp, "OPTIONS(BINDSIZE=%d,READSIZE=%d,SKIP=1,ERRORS=50000,ROWS=50000)\n", o->buffer,
            o->buffer);
  fputs("LOAD DATA\n", fp);

  text datafile[CTLFNAME_SIZE] = {0};
  dataFileName(o, datafile, sizeof datafile);
  if (fixed) {
    fprintf(fp, "INFILE '%s' \"FIX %u\"\n", S(datafile), rowsize - 1);
  } else {
    fprintf(fp, "INFILE '%s' \"STR X'", S(datafile));
    for (int i = 0; i < o->rlen && i < static_cast<int>(sizeof o->record); i++)
      fprintf(fp, "%02x", o->record[i]);
    fputs("'\"\n", fp);
  }
  fprintf(fp, "%s INTO TABLE %s\n", S(o->tabmode), S(o->tabname));
  fputs("FIELDS TERMINATED BY X'", fp);
  for (const text *f = o->field; *f != 0; f++) fprintf(fp, "%02x", *f);
  fputc('\'', fp);
  if (!fixed && o->quote[0] != 0) fprintf(fp, " OPTIONALLY ENCLOSED BY '%s' ", S(o->quote));
  fputs(" TRAILING NULLCOLS \n(\n", fp);
  int pos = 1;
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next) {
    writeFieldClause(fp, c, fixed, lobfile, pos);
    pos += isLobToFile(c, lobfile) ? LOB_ROW_SHARE : c->dsize2;
    if (c->next != nullptr) fputs(",\n", fp);
  }
  fputs("\n)\n", fp);
  char note[SAFEFILE_NAME_SIZE + 32];
  int err = safeCommit(&file, false, note, sizeof note);
  return err != 0 ? controlFileFailed(db, ctlname, err, note) : 1;
}
