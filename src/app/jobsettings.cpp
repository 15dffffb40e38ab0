// The one place that reads the option record on behalf of the modules: each
// module's settings are copied out of it, field by field.
#include <string.h>

#include "app/driver.h"

namespace {

// Copies an option field into the settings field of the same size.
template <typename T, size_t N>
void take(T (&dst)[N], const T (&src)[N]) {
  memcpy(dst, src, sizeof dst);
}

void mapSession(const CMDOPTIONS &o, SESSIONSPEC *s) {
  take(s->username, o.username);
  take(s->logfile, o.logfile);
  take(s->altses, o.altses);
  take(s->presql, o.presql);
  take(s->postsql, o.postsql);
  s->charsetid = o.charsetid;
  s->ncharsetid = o.ncharsetid;
  s->bsize = o.bsize;
  s->hsize = o.hsize;
  s->ssize = o.ssize;
  s->serial = o.serial;
  s->trace = o.trace;
}

void mapFetch(const CMDOPTIONS &o, FETCHSPEC *f) {
  f->DEFAULT_ARRAY_SIZE = o.DEFAULT_ARRAY_SIZE;
  f->DEFAULT_LONG_SIZE = o.DEFAULT_LONG_SIZE;
  f->safemode = o.safemode;
  f->clientnum = o.clientnum;
  take(f->width, o.width);
  take(f->unique, o.unique);
  f->oerrcount = o.oerrcount;
  take(f->oerrorno, o.oerrorno);
}

void mapRowFormat(const CMDOPTIONS &o, ROWFORMAT *f) {
  f->format = o.format;
  take(f->field, o.field);
  f->flen = o.flen;
  take(f->record, o.record);
  f->rlen = o.rlen;
  take(f->quote, o.quote);
  f->escape = o.escape;
  take(f->escf, o.escf);
  take(f->esct, o.esct);
  take(f->sedf, o.sedf);
  take(f->sedt, o.sedt);
  take(f->snull, o.snull);
  f->lnull = o.lnull;
  take(f->rowpre, o.rowpre);
  f->rplen = o.rplen;
  take(f->rowsuf, o.rowsuf);
  f->rslen = o.rslen;
  take(f->colsep, o.colsep);
  f->colseplen = o.colseplen;
  take(f->prehead, o.prehead);
  f->preheadlen = o.preheadlen;
  take(f->exec, o.exec);
  f->execlen = o.execlen;
  f->header = o.header;
  f->update = o.update;
  take(f->sqlhint, o.sqlhint);
  f->charsetid = o.charsetid;
}

void mapOutput(const CMDOPTIONS &o, OUTPUTSPEC *out) {
  take(out->fname, o.fname);
  take(out->lobfname, o.lobfname);
  out->batch = o.batch;
  out->piece = o.piece;
  out->rows = o.rows;
  take(out->crackkey, o.crackkey);
  out->threads = o.threads;
}

void mapControlFile(const CMDOPTIONS &o, CONTROLFILESPEC *c) {
  take(c->ctlfname, o.ctlfname);
  take(c->tabmode, o.tabmode);
  c->buffer = o.buffer;
  take(c->charset, o.charset);
}

}  // namespace

void mapJobSettings(const CMDOPTIONS &o, JOBSPEC *job) {
  mapSession(o, &job->session);
  mapFetch(o, &job->fetch);
  mapRowFormat(o, &job->format);
  mapOutput(o, &job->output);
  mapControlFile(o, &job->control);
  take(job->query, o.query);
  take(job->tabname, o.tabname);
  job->data = o.data;
  job->sqlargc = o.sqlargc;
  take(job->sqlargv, o.sqlargv);
}

void mapSplitSettings(const CMDOPTIONS &o, SPLITSPEC *split) {
  take(split->tabsplit, o.tabsplit);
  take(split->owner, o.owner);
  take(split->partition, o.partition);
  split->degree = o.degree;
  split->pretry = o.pretry;
  split->sleep = o.sleep;
}
