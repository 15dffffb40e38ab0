// Tokens of Oracle statement text (see sqltokens.h).
#include "sqltokens.h"

#include <algorithm>
#include <cctype>

namespace ocilite {
namespace {

bool isWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool isWordChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80;
}

// Closing delimiter of a q'X...X' literal.
char qClose(char open) {
  switch (open) {
    case '[': return ']';
    case '{': return '}';
    case '(': return ')';
    case '<': return '>';
    default: return open;
  }
}

}  // namespace

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < s.size()) {
    const size_t start = i;
    unsigned char c = s[i];
    Token t{Tok::Punct, {}, {}};
    if (std::isspace(c)) {
      while (i < s.size() && std::isspace((unsigned char)s[i])) i++;
      t.kind = Tok::Space;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') i++;
      t.kind = Tok::Space;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      size_t end = s.find("*/", i + 2);
      i = end == std::string_view::npos ? s.size() : end + 2;
      t.kind = Tok::Space;
    } else if ((c == 'q' || c == 'Q') && i + 2 < s.size() && s[i + 1] == '\'') {
      char close = qClose(s[i + 2]);
      size_t end = s.find(std::string{close, '\''}, i + 3);
      if (end == std::string_view::npos) end = s.size();
      t.kind = Tok::String;
      t.value = std::string(s.substr(i + 3, end - i - 3));
      i = std::min(s.size(), end + 2);
    } else if (c == '\'') {
      i++;
      while (i < s.size()) {
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            t.value += '\'';
            i += 2;
            continue;
          }
          i++;
          break;
        }
        t.value += s[i++];
      }
      t.kind = Tok::String;
    } else if (c == '"') {
      size_t end = s.find('"', i + 1);
      i = end == std::string_view::npos ? s.size() : end + 1;
      t.kind = Tok::Ident;
    } else if (c == ':' && i + 1 < s.size() && (isWordChar((unsigned char)s[i + 1]) || s[i + 1] == '"')) {
      i++;
      if (s[i] == '"') {
        size_t end = s.find('"', i + 1);
        size_t stop = end == std::string_view::npos ? s.size() : end;
        t.value = std::string(s.substr(i + 1, stop - i - 1));
        i = std::min(s.size(), stop + 1);
      } else {
        while (i < s.size() && isWordChar((unsigned char)s[i])) i++;
        t.value = upperCase(s.substr(start + 1, i - start - 1));
      }
      t.kind = Tok::Placeholder;
    } else if (isWordStart(c)) {
      while (i < s.size() && isWordChar((unsigned char)s[i])) i++;
      t.kind = Tok::Word;
      t.value = upperCase(s.substr(start, i - start));
    } else if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit((unsigned char)s[i + 1]))) {
      while (i < s.size() && (std::isalnum((unsigned char)s[i]) || s[i] == '.')) {
        if ((s[i] == 'e' || s[i] == 'E') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-')) i++;
        i++;
      }
      t.kind = Tok::Number;
    } else {
      i++;
    }
    t.text = s.substr(start, i - start);
    out.push_back(std::move(t));
  }
  return out;
}

std::string upperCase(std::string_view s) {
  std::string r(s);
  for (char &c : r) c = (char)std::toupper((unsigned char)c);
  return r;
}

bool isWord(const Token &t, const char *w) { return t.kind == Tok::Word && t.value == w; }
bool isPunct(const Token &t, char c) { return t.kind == Tok::Punct && t.text.size() == 1 && t.text[0] == c; }

size_t Cursor::next(size_t i) const {
  for (i++; i < toks.size() && toks[i].kind == Tok::Space; i++) {}
  return i;
}

size_t Cursor::prev(size_t i) const {
  while (i > 0) {
    i--;
    if (toks[i].kind != Tok::Space) return i;
  }
  return toks.size();
}

}  // namespace ocilite
