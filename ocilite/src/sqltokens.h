// Oracle statement text as tokens: what the SQL rewrite and its ROWID
// comparison planning read.
#ifndef OCILITE_SQLTOKENS_H
#define OCILITE_SQLTOKENS_H

#include <string>
#include <string_view>
#include <vector>

namespace ocilite {

enum class Tok { Space, Word, Ident, String, Number, Placeholder, Punct };

struct Token {
  Tok kind;
  std::string_view text;  // as written
  std::string value;      // String: the unquoted content; Word/Placeholder: upper case
};

// Blanks and comments are Space tokens; q'[..]' and '..' are String tokens;
// every punctuation byte is a token of its own.
std::vector<Token> tokenize(std::string_view s);

// s with ASCII letters in upper case.
std::string upperCase(std::string_view s);

bool isWord(const Token &t, const char *w);
bool isPunct(const Token &t, char c);

// Significant (non-space) tokens, by index into the token list; an index
// past the end stands for "none".
struct Cursor {
  const std::vector<Token> &toks;
  size_t next(size_t i) const;  // next(npos) is the first
  size_t prev(size_t i) const;
  bool at(size_t i, const char *w) const { return i < toks.size() && isWord(toks[i], w); }
  bool atPunct(size_t i, char c) const { return i < toks.size() && isPunct(toks[i], c); }
};

}  // namespace ocilite

#endif  // OCILITE_SQLTOKENS_H
