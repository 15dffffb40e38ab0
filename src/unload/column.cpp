// The describe: column records, fetch buffers and defines.
#include "unload/column.h"

#include <assert.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "base/cmdline.h"
#include "oracle/ocicalls.h"
#include "unload/columntype.h"
#include "unload/controlfile.h"

namespace {

bool isLobType(sb2 type) { return type == SQLT_CLOB || type == SQLT_BLOB || type == SQLT_BFILEE; }

// Reads the describe attributes of column pos into a new record; null on failure.
COLUMN *describeColumn(DATABASE *db, OCIStmt *stmt, ub4 pos) {
  COLUMN *col = static_cast<COLUMN *>(calloc(1, sizeof(COLUMN)));
  if (col == nullptr) return nullptr;
  col->buflen = COLUMN_NAME_SIZE;
  ub2 type = 0, size = 0;
  ub1 form = 0;
  sb2 precision = 0;
  sb1 scale = 0;
  text *name = nullptr;
  ub4 namelen = 0;
  bool ok = getColumnParam8(db, stmt, pos, &col->param) == OCI_SUCCESS &&
            getParamAttr8(db, col->param, &type, nullptr, OCI_ATTR_DATA_TYPE) == OCI_SUCCESS &&
            getParamAttr8(db, col->param, &form, nullptr, OCI_ATTR_CHARSET_FORM) == OCI_SUCCESS &&
            getParamAttr8(db, col->param, &name, &namelen, OCI_ATTR_NAME) == OCI_SUCCESS &&
            getParamAttr8(db, col->param, &size, nullptr, OCI_ATTR_DATA_SIZE) == OCI_SUCCESS &&
            getParamAttr8(db, col->param, &precision, nullptr, OCI_ATTR_PRECISION) == OCI_SUCCESS &&
            getParamAttr8(db, col->param, &scale, nullptr, OCI_ATTR_SCALE) == OCI_SUCCESS;
  if (!ok) {
    free(col);
    return nullptr;
  }
  ub1 charused = 0;
  ub2 charsize = 0;
  if (getParamAttr8(db, col->param, &charused, nullptr, OCI_ATTR_CHAR_USED) == OCI_SUCCESS && charused != 0 &&
      getParamAttr8(db, col->param, &charsize, nullptr, OCI_ATTR_CHAR_SIZE) == OCI_SUCCESS)
    col->charsize = charsize;
  col->dbtype = col->oldtype = static_cast<sb2>(type);
  col->csfm = form;
  col->bufp = reinterpret_cast<sb1 *>(name);
  col->buflen = static_cast<sb4>(namelen);
  col->dsize = col->dbsize = size;
  col->precision = precision;
  col->scale = scale;
  size_t n = namelen < COLUMN_NAME_SIZE - 1 ? namelen : COLUMN_NAME_SIZE - 1;
  if (name != nullptr) memcpy(col->buf, name, n);
  col->buf[n] = 0;
  return col;
}

// Allocates and defines the fetch buffer of col at position pos. 0 or -1.
sword defineColumn(DATABASE *db, OCIStmt *stmt, COLUMN *col, ub4 pos, ub4 rows) {
  col->colbuf = static_cast<ub1 *>(calloc(rows, static_cast<size_t>(col->dsize)));
  if (col->colbuf == nullptr) return -1;
  sb4 valuesize = col->dsize;
  if (isLobType(col->dbtype)) {
    static_assert(sizeof(OCILobLocator *) <= LOB_LOCATOR_SIZE, "a locator slot holds a pointer");
    OCILobLocator **slots = reinterpret_cast<OCILobLocator **>(col->colbuf);
    for (ub4 i = 0; i < rows; i++)
      if (allocLobLocator8(db, &slots[i]) != OCI_SUCCESS) return -1;
    valuesize = 0;
  }
  if (defineByPos8(db, stmt, &col->coldef, pos, col->colbuf, valuesize,
                   static_cast<ub2>(col->dbtype), col->indp, col->col_retlen,
                   col->col_retcode) != OCI_SUCCESS) {
    oraError8(db);
    return -1;
  }
  return 0;
}

// Marks with ispk every column named in the comma-separated list, up to the
// first empty name.
void markUniqueColumns(COLUMN *collist, const text *unique) {
  CMDLINE list{};
  list.length = static_cast<unsigned int>(strnlen(reinterpret_cast<const char *>(unique), CMDLINE_BUFSIZE));
  memcpy(list.buf, unique, list.length);
  for (int n; (n = scanNextString(&list, ',')) > 0;) {
    const char *item = reinterpret_cast<const char *>(list.buf + list.spos);
    const size_t len = static_cast<size_t>(n);
    for (COLUMN *c = collist->next; c != nullptr; c = c->next)
      if (strlen(reinterpret_cast<char *>(c->buf)) == len &&
          strncasecmp(reinterpret_cast<char *>(c->buf), item, len) == 0)
        c->ispk = 1;
  }
}

}  // namespace

sword getColumns8(DATABASE *db, OCIStmt *stmt, COLUMN *collist, int fixlen, text *lenstr,
                  const FETCHSPEC &fetch, const CONTROLFILEJOB &ctl, const SESSIONFORMATS *formats,
                  JOBSTATE *job) {
  assert(collist->next == nullptr);
  ub4 count = 0;
  if (getParamCount8(db, stmt, &count) != OCI_SUCCESS) return -1;
  if (count == 0) return 0;
  if (count > static_cast<ub4>(MAX_COLUMNS)) {
    reportMessage(db, MsgKind::Error, "ERROR -- The query selects %u columns, more than the %d an unload can hold: select fewer columns.\n",
                  count, MAX_COLUMNS);
    return -1;
  }

  sb4 widths[MAX_COLUMNS];
  parseCustomWidths(lenstr, widths, MAX_COLUMNS);
  FETCHMODE mode{0, fetch.safemode != 0, fetch.clientnum != 0,
                 ctl.output->lobfname[0] != 0, fetch.DEFAULT_LONG_SIZE,
                 formatWidth(formats->date), formatWidth(formats->timestamp),
                 formatWidth(formats->timestamptz), writesBinaryAsHex(*ctl.format)};

  ub4 rowsize = 1;
  COLUMN *last = collist;
  for (ub4 pos = 1; pos <= count; pos++) {
    COLUMN *col = describeColumn(db, stmt, pos);
    if (col == nullptr) return -1;
    last->next = col;
    last = col;
    mode.width = widths[pos - 1];
    DESCRIBED d{col->oldtype, col->dsize, col->precision, col->scale};
    FETCHPLAN p = planColumnFetch(d, mode);
    col->dbtype = p.dbtype;
    col->dsize = p.dsize;
    col->dsize2 = p.dsize2;
    col->raw = p.raw;
    col->quote = p.quote;
    rowsize += static_cast<ub4>(p.rowshare);
  }
  rowsize += static_cast<ub4>(ctl.format->rlen);
  job->arraysize = fetchArraySize(fetch.DEFAULT_ARRAY_SIZE, rowsize);

  ub4 pos = 1;
  for (COLUMN *col = collist->next; col != nullptr; col = col->next, pos++)
    if (defineColumn(db, stmt, col, pos, job->arraysize) != 0) return -1;

  if (fetch.unique[0] != 0) markUniqueColumns(collist, fetch.unique);
  if (writeControlFile(db, ctl, collist, fixlen, formats) < 0) return CONTROL_FILE_FAILED;
  return static_cast<sword>(count);
}

void freeColumn(COLUMN *col) {
  COLUMN *c = col->next;
  col->next = nullptr;
  while (c != nullptr) {
    COLUMN *next = c->next;
    if (c->coldef != nullptr) freeDefine8(c->coldef);
    free(c->colbuf);
    free(c);
    c = next;
  }
}
