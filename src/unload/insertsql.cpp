#include "unload/insertsql.h"

#include <ctype.h>
#include <string.h>

#include <string_view>

namespace {

// Appends to a fixed buffer, dropping what does not fit; keeps a terminator.
struct SqlText {
  text *buf;
  size_t size;
  size_t len = 0;

  void add(std::string_view s) {
    size_t n = s.size();
    if (n > size - 1 - len) n = size - 1 - len;
    memcpy(buf + len, s.data(), n);
    len += n;
    buf[len] = '\0';
  }
  void add(const text *s) { add(std::string_view(reinterpret_cast<const char *>(s))); }
  // One identifier in quote q (a backquote or a double quote), the quote
  // doubled inside.
  void addQuoted(std::string_view name, char q) {
    add(std::string_view(&q, 1));
    for (size_t at = 0; at < name.size();) {
      size_t next = name.find(q, at);
      if (next == std::string_view::npos) next = name.size();
      add(name.substr(at, next - at));
      if (next < name.size()) add(std::string_view(&q, 1)), add(std::string_view(&q, 1));
      at = next + 1;
    }
    add(std::string_view(&q, 1));
  }
};

std::string_view nameOf(const COLUMN *c) { return reinterpret_cast<const char *>(c->buf); }

// An Oracle name that needs no quotes: a letter, then letters, digits, _, $
// and #; upper case only when case matters (a described column name).
bool isPlainOracleName(std::string_view name, bool upperOnly) {
  if (name.empty() || !isalpha(static_cast<unsigned char>(name[0]))) return false;
  for (unsigned char ch : name) {
    if (!isalnum(ch) && ch != '_' && ch != '$' && ch != '#') return false;
    if (upperOnly && islower(ch)) return false;
  }
  return true;
}

// A column name in the dialect of format: backquoted for MySQL, bare or in
// double quotes for Oracle.
void addColumnName(SqlText *out, std::string_view name, int format) {
  if (format == 1) out->addQuoted(name, '`');
  else if (isPlainOracleName(name, true)) out->add(name);
  else out->addQuoted(name, '"');
}

// owner.table as two identifiers; a name typed by the user is bare in Oracle
// when it is a plain name (Oracle then folds its case, as the query did).
void addTableName(SqlText *out, std::string_view name, int format) {
  size_t dot = name.find('.');
  std::string_view parts[2] = {name.substr(0, dot), dot == std::string_view::npos ? "" : name.substr(dot + 1)};
  for (int k = 0; k < (dot == std::string_view::npos ? 1 : 2); k++) {
    if (k > 0) out->add(".");
    if (format == 1) out->addQuoted(parts[k], '`');
    else if (isPlainOracleName(parts[k], false)) out->add(parts[k]);
    else out->addQuoted(parts[k], '"');
  }
}

bool everyColumnIsKey(const COLUMN *collist) {
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next)
    if (!c->ispk) return false;
  return collist->next != nullptr;
}

}  // namespace

int getInsertSQL(const COLUMN *collist, text *sqlbuf, size_t sqlbufsize, const text *tname,
                 int format, const text *sqlhint) {
  SqlText out{sqlbuf, sqlbufsize};
  out.buf[0] = '\0';
  // With every column a key there is nothing to update on a duplicate: the
  // row already there stays, which is INSERT IGNORE.
  out.add(format == 1 && everyColumnIsKey(collist) ? "INSERT IGNORE " : "INSERT ");
  out.add(sqlhint);
  out.add(" INTO ");
  addTableName(&out, reinterpret_cast<const char *>(tname), format);
  out.add(" (");
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next) {
    if (c != collist->next) out.add(",");
    addColumnName(&out, nameOf(c), format);
  }
  out.add(") VALUES \n");
  return static_cast<int>(out.len);
}

int getDuplicateSQL(const COLUMN *collist, text *sqlbuf, size_t sqlbufsize) {
  SqlText out{sqlbuf, sqlbufsize};
  out.buf[0] = '\0';
  if (everyColumnIsKey(collist)) return 0;  // the head says INSERT IGNORE
  out.add("\nON DUPLICATE KEY UPDATE ");
  int written = 0;
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next) {
    if (c->ispk) continue;
    if (written > 0) out.add(", ");
    if (written % 3 == 0) out.add("\n    ");
    out.addQuoted(nameOf(c), '`');
    out.add("=VALUES(");
    out.addQuoted(nameOf(c), '`');
    out.add(")");
    ++written;
  }
  return static_cast<int>(out.len);
}

int getScriptPrologue(const SESSIONFORMATS *formats, const text *sqlexec, int sqlexeclen,
                      text *buf, size_t bufsize) {
  SqlText out{buf, bufsize};
  out.buf[0] = '\0';
  std::string_view exec(reinterpret_cast<const char *>(sqlexec), static_cast<size_t>(sqlexeclen));
  out.add("SET DEFINE OFF\n");
  const char *names[] = {"NLS_DATE_FORMAT", "NLS_TIMESTAMP_FORMAT", "NLS_TIMESTAMP_TZ_FORMAT"};
  const char *masks[] = {formats->date, formats->timestamp, formats->timestamptz};
  for (int k = 0; k < 3; k++) {
    out.add("ALTER SESSION SET ");
    out.add(names[k]);
    out.add("='");
    out.add(masks[k]);
    out.add("'");
    out.add(exec);
    out.add("\n");
  }
  return static_cast<int>(out.len);
}
