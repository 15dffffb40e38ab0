#include "fakecursor.h"

#include <string.h>

#include "app/driver.h"
#include "unload/rowwriter.h"

namespace fake {

ColumnSpec varchar(const std::string &n, int size) { return {n, 1, SQLT_CHR, size, size, 1, 1}; }
ColumnSpec number(const std::string &n, int width) { return {n, 2, SQLT_CHR, width, width, 0, 0}; }
ColumnSpec date(const std::string &n) { return {n, 12, SQLT_CHR, 19, 19, 0, 1}; }
ColumnSpec longcol(const std::string &n, int size) { return {n, 8, SQLT_LVC, size, size, 1, 1}; }
ColumnSpec clobLocator(const std::string &n) { return {n, 112, SQLT_CLOB, 8, 256, 0, 1}; }

void describe(Cursor *c, ub4 arraysize, const char *unique) {
  COLUMN *prev = &c->head;
  for (const ColumnSpec &s : c->specs) {
    auto col = std::make_unique<COLUMN>();
    strncpy(reinterpret_cast<char *>(col->buf), s.name.c_str(), COLUMN_NAME_SIZE - 1);
    col->buflen = static_cast<sb4>(strlen(reinterpret_cast<char *>(col->buf)));
    col->oldtype = s.oldtype;
    col->dbtype = s.dbtype;
    col->dsize = s.dsize;
    col->dsize2 = s.dsize2;
    col->raw = s.raw;
    col->quote = s.quote;
    col->csfm = 1;
    // The unique list, as the describe marks it (names compared exactly here).
    std::string keys = std::string(",") + unique + ",";
    col->ispk = keys.find("," + s.name + ",") != std::string::npos;
    c->buffers.emplace_back(static_cast<size_t>(s.dsize) * arraysize);
    col->colbuf = c->buffers.back().data();
    prev->next = col.get();
    prev = col.get();
    c->cols.push_back(std::move(col));
  }
  c->lobs.reserve(c->rows.size() * c->specs.size() + 1);  // locators point into it
}

namespace {

// Puts value v of the current row into element j of column col.
void store(Cursor *c, COLUMN *col, int j, const Value &v) {
  ub1 *elem = col->colbuf + static_cast<size_t>(j) * static_cast<size_t>(col->dsize);
  col->indp[j] = v ? 0 : -1;
  col->col_retlen[j] = 0;
  if (!v) return;
  if (col->dbtype == SQLT_CLOB) {
    c->lobs.push_back(*v);
    OCILobLocator *loc = reinterpret_cast<OCILobLocator *>(&c->lobs.back());
    memcpy(elem, &loc, sizeof loc);
    return;
  }
  size_t room = (col->dbtype == SQLT_LVC || col->dbtype == SQLT_LVB) ? static_cast<size_t>(col->dsize) - 4 : static_cast<size_t>(col->dsize);
  size_t n = std::min(v->size(), room);  // the tests' values fit
  if (col->dbtype == SQLT_LVC || col->dbtype == SQLT_LVB) {
    ub4 len = static_cast<ub4>(n);
    memcpy(elem, &len, 4);
    memcpy(elem + 4, v->data(), n);
  } else {
    memcpy(elem, v->data(), n);
    col->col_retlen[j] = static_cast<ub2>(n);
  }
}

// The scripted rows behind the cursor seam: each fetch stores the next rows
// of c into the column buffers that describe set up.
struct ScriptedCursor final : ROWCURSOR {
  ScriptedCursor(Cursor *cursor, DATABASE *session) : c(cursor), db(session) {}

  sword fetch(ub4 nrows) override {
    c->fetches++;
    size_t end = std::min(c->rows.size(), c->pos + nrows);
    bool failing = c->failRow >= c->pos && c->failRow < c->pos + nrows && c->failRow < c->rows.size();
    if (failing) end = c->failRow;
    int j = 0;
    for (size_t r = c->pos; r < end; ++r, ++j) {
      int i = 0;
      for (COLUMN *col = c->head.next; col != nullptr; col = col->next, ++i) {
        store(c, col, j, c->rows[r][static_cast<size_t>(i)]);
      }
    }
    c->total += static_cast<ub4>(end - c->pos);
    c->pos = end;
    if (failing) {
      c->pendingError = c->failCode;
      if (c->failOnce) c->failRow = SIZE_MAX;
      return c->failStatus;
    }
    return j < static_cast<int>(nrows) ? OCI_NO_DATA : OCI_SUCCESS;
  }

  bool rowsDelivered(ub4 *rows) override {
    *rows = c->total;
    return true;
  }

  sb4 lastError() override {
    const int code = c->pendingError;
    c->pendingError = 0;
    if (code != 0) sendMessage(db->sink, MsgKind::Error, "ORA-%05d: fake error\n", code);
    return code;
  }

  ub2 charsetId() override { return c->charset; }

  sword lobOpen(OCILobLocator *) override { return OCI_SUCCESS; }
  sword lobClose(OCILobLocator *) override { return OCI_SUCCESS; }
  sword lobRead(OCILobLocator *loc, ub4 *amt, ub4 offset, void *buf, ub4 bufl, ub1) override {
    const std::string *s = reinterpret_cast<const std::string *>(loc);
    size_t from = offset - 1;
    size_t n = from < s->size() ? std::min<size_t>(bufl, s->size() - from) : 0;
    memcpy(buf, s->data() + from, n);
    *amt = static_cast<ub4>(n);
    return n == bufl ? OCI_NEED_DATA : OCI_SUCCESS;
  }

  Cursor *c;
  DATABASE *db;
};

}  // namespace

Run unload(Cursor *c, const std::vector<std::string> &options, const std::string &file) {
  static CMDOPTIONS opts;  // large: off the stack
  resetCommandOptions(&opts);
  strcpy(reinterpret_cast<char *>(opts.tabname), "T");
  for (const std::string &o : options) {
    if (o.rfind("charsetid:", 0) == 0) {
      opts.charsetid = static_cast<ub2>(std::stoi(o.substr(10)));
    } else {
      parseCommandOption(&opts, reinterpret_cast<const text *>(o.c_str()));
    }
  }
  std::string f = "file=" + file;
  parseCommandOption(&opts, reinterpret_cast<const text *>(f.c_str()));
  static JOBSPEC settings;
  mapJobSettings(opts, &settings);
  const JOBSTATE job{1, settings.fetch.DEFAULT_ARRAY_SIZE, settings.tabname};
  const CONTROLFILEJOB control{&settings.control, &settings.format, &settings.output, &job};
  describe(c, job.arraysize, reinterpret_cast<const char *>(settings.fetch.unique));
  DATABASE db{};
  Run run{0, {}};
  db.sink = {testsupport::appendMessage, &run.messages};
  ScriptedCursor cursor(c, &db);
  const JobStatus status =
      printRow8(&db, &cursor, &c->head, settings.format, settings.output, settings.fetch, job, &control);
  run.status = static_cast<int>(status);
  return run;
}

}  // namespace fake
