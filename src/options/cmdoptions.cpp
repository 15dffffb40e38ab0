#include "options/cmdoptions.h"

#include <string.h>

namespace {

template <size_t N>
void setText(text (&field)[N], const char *value) {
  memset(field, 0, N);
  strncpy(reinterpret_cast<char *>(field), value, N - 1);
}

}  // namespace

void resetCommandOptions(CMDOPTIONS *o) {
  // sqlargv and oerrorno are left alone: nothing reads them past their counts.
  SQLPARAM sqlargv[MAX_SQL_PARAMS];
  int oerrorno[MAX_SKIP_ERRORS];
  memcpy(sqlargv, o->sqlargv, sizeof sqlargv);
  memcpy(oerrorno, o->oerrorno, sizeof oerrorno);
  memset(o, 0, sizeof *o);
  memcpy(o->sqlargv, sqlargv, sizeof sqlargv);
  memcpy(o->oerrorno, oerrorno, sizeof oerrorno);

  setText(o->tabmode, "INSERT");
  setText(o->field, ",");
  setText(o->record, "\n");
  setText(o->fname, "qletdata_%p.txt");
  setText(o->exec, ";");
  o->escape = ' ';
  o->rows = 1000000;
  o->data = 1;
  o->flen = 1;
  o->rlen = 1;
  o->buffer = 2097152;
  o->piece = MAX_PIECE_MB;
  o->execlen = 1;
  o->degree = 1;
  o->pretry = 3;
  o->sleep = 3;
  o->DEFAULT_ARRAY_SIZE = 1000;
  o->DEFAULT_LONG_SIZE = 32768;
}
