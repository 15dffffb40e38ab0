#include "unload/insertsql.h"

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
  void addName(const COLUMN *c) { add(reinterpret_cast<const text *>(c->buf)); }
};

}  // namespace

int getInsertSQL(const COLUMN *collist, text *sqlbuf, size_t sqlbufsize, const text *tname,
                 int format, const text *sqlhint) {
  SqlText out{sqlbuf, sqlbufsize};
  out.buf[0] = '\0';
  std::string_view q = format == 1 ? "`" : "";
  out.add("INSERT ");
  out.add(sqlhint);
  out.add(" INTO ");
  out.add(q);
  out.add(tname);
  out.add(q);
  out.add(" (");
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next) {
    if (c != collist->next) out.add(",");
    out.add(q);
    out.addName(c);
    out.add(q);
  }
  out.add(") VALUES \n");
  return static_cast<int>(out.len);
}

int getDuplicateSQL(const COLUMN *collist, text *sqlbuf, size_t sqlbufsize) {
  SqlText out{sqlbuf, sqlbufsize};
  out.buf[0] = '\0';
  out.add("\nON DUPLICATE KEY UPDATE ");
  int written = 0;
  for (const COLUMN *c = collist->next; c != nullptr; c = c->next) {
    if (c->ispk) continue;
    if (written > 0) out.add(", ");
    if (written % 3 == 0) out.add("\n    ");
    out.add("`");
    out.addName(c);
    out.add("`=VALUES(`");
    out.addName(c);
    out.add("`)");
    ++written;
  }
  return static_cast<int>(out.len);
}
