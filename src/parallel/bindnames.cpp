// A scan of statement text for bind placeholders that steps over comments,
// literals and quoted identifiers, so that a placeholder written inside one
// of them never counts.
#include "parallel/bindnames.h"

#include <ctype.h>
#include <strings.h>

namespace {

bool isNameByte(char c) { return isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#'; }

// The closing delimiter of a q-quote literal opened by open.
char closingQuote(char open) {
  switch (open) {
    case '[': return ']';
    case '{': return '}';
    case '(': return ')';
    case '<': return '>';
    default: return open;
  }
}

// Index just past what starts at i when it is a comment, a literal or a
// quoted identifier; i when it is none of these.
size_t skipQuoted(std::string_view s, size_t i) {
  auto after = [&](std::string_view end, size_t from) {
    const size_t at = s.find(end, from);
    return at == std::string_view::npos ? s.size() : at + end.size();
  };
  if (s.compare(i, 2, "--") == 0) return after("\n", i + 2);
  if (s.compare(i, 2, "/*") == 0) return after("*/", i + 2);
  if (s[i] == '"') return after("\"", i + 1);
  size_t j = i;  // past an N (national) prefix, at q or the quote
  auto is = [&](size_t k, char c) { return k < s.size() && (s[k] | 0x20) == c; };
  if (i == 0 || !isNameByte(s[i - 1])) {
    if (is(j, 'n') && j + 1 < s.size() && (s[j + 1] == '\'' || (is(j + 1, 'q') && j + 2 < s.size() && s[j + 2] == '\'')))
      j++;
    if (is(j, 'q') && j + 2 < s.size() && s[j + 1] == '\'') {  // q'<delim> ... <closing delim>'
      const char end[] = {closingQuote(s[j + 2]), '\'', 0};
      return after(end, j + 3);
    }
  }
  if (s[j] == '\'') {
    for (size_t k = j + 1; k < s.size(); k++) {
      if (s[k] != '\'') continue;
      if (k + 1 < s.size() && s[k + 1] == '\'') k++;  // '' inside the literal
      else return k + 1;
    }
    return s.size();
  }
  return i;
}

}  // namespace

bool hasBindName(std::string_view sql, std::string_view name) {
  size_t i = 0;
  while (i < sql.size()) {
    const size_t next = skipQuoted(sql, i);
    if (next != i) {
      i = next;
      continue;
    }
    if (sql[i] != ':' || i + 1 >= sql.size()) {
      i++;
      continue;
    }
    if (sql[i + 1] == '"') {  // :"name" compares exactly
      const size_t end = sql.find('"', i + 2);
      if (end == std::string_view::npos) return false;
      if (sql.substr(i + 2, end - i - 2) == name) return true;
      i = end + 1;
      continue;
    }
    size_t end = i + 1;
    while (end < sql.size() && isNameByte(sql[end])) end++;
    const std::string_view found = sql.substr(i + 1, end - i - 1);
    if (found.size() == name.size() && strncasecmp(found.data(), name.data(), name.size()) == 0) return true;
    i = end;
  }
  return false;
}
