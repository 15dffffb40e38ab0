// The control-file parser (see ctlfile.h).
#include "ctlfile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace loader {
namespace {

enum class Kind { Word, Quoted, String, Hex, Number, Punct, End };

struct Tok {
  Kind kind = Kind::End;
  std::string text;  // Word: upper case; Quoted, String: the content; Hex: the bytes; Punct: the byte
  int line = 0;
};

// The largest number a clause takes (a record length, a count).
constexpr long long kMaxNumber = 1LL << 40;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = (char)std::toupper((unsigned char)c);
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// Splits control-file text into tokens; false with *error on a bad one.
class Lexer {
 public:
  Lexer(std::string_view text, int line) : s_(text), line_(line) {}

  bool run(std::vector<Tok> *out, std::string *error) {
    while (skipBlanks(), i_ < s_.size()) {
      Tok t;
      t.line = line_;
      if (!token(&t, error)) return false;
      out->push_back(std::move(t));
    }
    out->push_back({Kind::End, "", line_});
    return true;
  }

 private:
  void skipBlanks() {
    while (i_ < s_.size()) {
      if (s_[i_] == '\n') line_++;
      if (std::isspace((unsigned char)s_[i_])) i_++;
      else if (s_.substr(i_, 2) == "--")
        while (i_ < s_.size() && s_[i_] != '\n') i_++;
      else break;
    }
  }

  bool token(Tok *t, std::string *error) {
    const char c = s_[i_];
    if ((c == 'X' || c == 'x') && i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
      i_++;
      t->kind = Kind::Hex;
      return quoted('\'', &t->text, error) && decodeHex(t, error);
    }
    if (std::isalpha((unsigned char)c) || c == '_') {
      t->kind = Kind::Word;
      while (i_ < s_.size() && (std::isalnum((unsigned char)s_[i_]) || std::strchr("_$#", s_[i_]) != nullptr))
        t->text += (char)std::toupper((unsigned char)s_[i_++]);
      return true;
    }
    if (std::isdigit((unsigned char)c)) {
      t->kind = Kind::Number;
      while (i_ < s_.size() && std::isdigit((unsigned char)s_[i_])) t->text += s_[i_++];
      return true;
    }
    if (c == '\'' || c == '"') {
      t->kind = c == '\'' ? Kind::String : Kind::Quoted;
      return quoted(c, &t->text, error);
    }
    t->kind = Kind::Punct;
    t->text = std::string(1, c);
    i_++;
    return true;
  }

  // The content of a string opened at s_[i_]; in '...' two quotes stand for one.
  bool quoted(char q, std::string *out, std::string *error) {
    const int startLine = line_;
    for (i_++; i_ < s_.size(); i_++) {
      if (s_[i_] == '\n') line_++;
      if (s_[i_] != q) {
        *out += s_[i_];
      } else if (q == '\'' && i_ + 1 < s_.size() && s_[i_ + 1] == '\'') {
        *out += q;
        i_++;
      } else {
        i_++;
        return true;
      }
    }
    *error = std::to_string(startLine) + ": the string opened here is not closed";
    return false;
  }

  bool decodeHex(Tok *t, std::string *error) {
    std::string bytes;
    for (size_t k = 0; k + 1 < t->text.size(); k += 2) {
      const int hi = hexValue(t->text[k]), lo = hexValue(t->text[k + 1]);
      if (hi < 0 || lo < 0) break;
      bytes += (char)(hi * 16 + lo);
    }
    if (bytes.size() * 2 != t->text.size() || bytes.empty()) {
      *error = std::to_string(t->line) + ": X'" + t->text + "' is not an even number of hex digits";
      return false;
    }
    t->text = std::move(bytes);
    return true;
  }

  std::string_view s_;
  size_t i_ = 0;
  int line_;
};

class Parser {
 public:
  Parser(std::vector<Tok> toks, ControlFile *out) : toks_(std::move(toks)), out_(out) {}

  bool run(std::string *error) {
    const bool ok = controlFile();
    if (!ok) *error = error_;
    return ok;
  }

 private:
  const Tok &peek(size_t ahead = 0) const { return toks_[std::min(i_ + ahead, toks_.size() - 1)]; }
  const Tok &take() { return toks_[std::min(i_++, toks_.size() - 1)]; }
  bool atWord(const char *w, size_t ahead = 0) const { return peek(ahead).kind == Kind::Word && peek(ahead).text == w; }
  bool atPunct(char c) const { return peek().kind == Kind::Punct && peek().text[0] == c; }

  static std::string shown(const Tok &t) {
    switch (t.kind) {
      case Kind::End: return "the end of the file";
      case Kind::Quoted: return "\"" + t.text + "\"";
      case Kind::String: return "'" + t.text + "'";
      case Kind::Hex: return "a hex string";
      default: return "\"" + t.text + "\"";
    }
  }

  bool fail(const std::string &expected) { return failAt(peek(), expected); }
  bool failAt(const Tok &t, const std::string &expected) {
    if (error_.empty())
      error_ = std::to_string(t.line) + ": " + shown(t) + " is not a clause the loader knows here (expected " +
               expected + ")";
    return false;
  }

  bool word(const char *w) {
    if (!atWord(w)) return fail(std::string("\"") + w + "\"");
    i_++;
    return true;
  }

  bool punct(char c) {
    if (!atPunct(c)) return fail(std::string("\"") + c + "\"");
    i_++;
    return true;
  }

  bool number(long long *v) {
    if (peek().kind != Kind::Number || peek().text.size() > 13 || std::atoll(peek().text.c_str()) > kMaxNumber)
      return fail("a number");
    *v = std::atoll(take().text.c_str());
    return true;
  }

  bool size(size_t *v) {
    long long n = 0;
    if (!number(&n)) return false;
    *v = (size_t)n;
    return true;
  }

  // A word (upper-cased) or a "quoted" name.
  bool name(std::string *out) {
    if (peek().kind != Kind::Word && peek().kind != Kind::Quoted) return fail("a name");
    *out = take().text;
    return true;
  }

  // 'text' or X'hex'.
  bool byteString(std::string *out) {
    if ((peek().kind != Kind::String && peek().kind != Kind::Hex) || peek().text.empty())
      return fail("'text' or X'hex'");
    *out = take().text;
    return true;
  }

  bool controlFile() {
    if (atWord("OPTIONS") && !options()) return false;
    if (!word("LOAD")) return false;
    if (atWord("DATA")) i_++;
    if (atWord("CHARACTERSET")) {
      i_++;
      if (!name(&out_->characterSet)) return false;
    }
    do {
      if (!infile()) return false;
    } while (atWord("INFILE"));
    mode(&out_->mode);
    if (!word("INTO") || !word("TABLE") || !tableName()) return false;
    mode(&out_->mode);
    if (atWord("FIELDS") && !fieldsClause()) return false;
    if (atWord("TRAILING")) {
      i_++;
      if (!word("NULLCOLS")) return false;
      out_->trailingNullcols = true;
    }
    if (!fieldList()) return false;
    return peek().kind == Kind::End || fail("the end of the file");
  }

  bool options() {
    i_++;
    if (!punct('(')) return false;
    do {
      std::string opt;
      long long v = 0;
      const Tok &at = peek();
      if (!name(&opt) || !punct('=') || !number(&v)) return false;
      if (opt == "SKIP") out_->skip = v;
      else if (opt == "LOAD") out_->load = v;
      else if (opt == "ERRORS") out_->errors = v;
      else if (opt != "ROWS" && opt != "BINDSIZE" && opt != "READSIZE")
        return failAt(at, "SKIP, LOAD, ERRORS, ROWS, BINDSIZE or READSIZE");
    } while (atPunct(',') && (i_++, true));
    return punct(')');
  }

  bool infile() {
    const int line = peek().line;
    if (!word("INFILE")) return false;
    DataFile f;
    f.line = line;
    if (peek().kind != Kind::String && peek().kind != Kind::Quoted) return fail("a data file name");
    f.name = take().text;
    if (peek().kind == Kind::Quoted && !processingString(&f)) return false;
    for (;;) {
      std::string ignored;
      long long max = 0;
      if (atWord("BADFILE") || atWord("DISCARDFILE")) {
        i_++;
        if (peek().kind != Kind::String && peek().kind != Kind::Quoted) return fail("a file name");
        i_++;
      } else if (atWord("DISCARDMAX")) {
        i_++;
        if (!number(&max)) return false;
      } else {
        break;
      }
    }
    out_->files.push_back(std::move(f));
    return true;
  }

  // "STR X'hex'", "STR 'text'" or "FIX n", read as tokens of their own.
  bool processingString(DataFile *f) {
    const Tok &t = take();
    std::vector<Tok> inner;
    std::string error;
    if (!Lexer(t.text, t.line).run(&inner, &error)) return error_ = error, false;
    Parser p(std::move(inner), out_);
    const bool ok = p.recordFormat(f);
    if (!ok) error_ = p.error_;
    return ok;
  }

  bool recordFormat(DataFile *f) {
    if (atWord("FIX")) {
      i_++;
      f->fixed = true;
      if (peek().kind == Kind::Number && std::atoll(peek().text.c_str()) == 0) return fail("a record length of 1 or more");
      if (!size(&f->recordLength)) return false;
    } else if (atWord("STR")) {
      i_++;
      const bool text = peek().kind == Kind::String;
      if (!byteString(&f->terminator)) return false;
      if (text) f->terminator = unescape(f->terminator);
    } else {
      return fail("\"STR X'hex'\" or \"FIX n\"");
    }
    return peek().kind == Kind::End || fail("the end of the record format");
  }

  // \n, \t, \r, \f, \v and \\ in a STR 'text' terminator.
  static std::string unescape(const std::string &s) {
    std::string r;
    for (size_t k = 0; k < s.size(); k++) {
      if (s[k] != '\\' || k + 1 == s.size()) {
        r += s[k];
        continue;
      }
      const char e = s[++k];
      r += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == 'f' ? '\f' : e == 'v' ? '\v' : e;
    }
    return r;
  }

  bool mode(LoadMode *m) {
    static constexpr struct { const char *word; LoadMode mode; } kModes[] = {
        {"INSERT", LoadMode::Insert}, {"APPEND", LoadMode::Append},
        {"REPLACE", LoadMode::Replace}, {"TRUNCATE", LoadMode::Truncate}};
    for (const auto &k : kModes)
      if (atWord(k.word)) {
        *m = k.mode;
        i_++;
        return true;
      }
    return false;
  }

  bool tableName() {
    out_->tableLine = peek().line;
    if (!name(&out_->table)) return false;
    if (atPunct('.')) {
      i_++;
      return name(&out_->table);
    }
    return true;
  }

  bool fieldsClause() {
    i_++;
    if (atWord("TERMINATED")) {
      i_++;
      if (atWord("BY")) i_++;
      if (!byteString(&out_->terminator)) return false;
    }
    if (atWord("OPTIONALLY")) {
      i_++;
      out_->optionallyEnclosed = true;
      if (!atWord("ENCLOSED")) return fail("\"ENCLOSED\"");
    }
    if (atWord("ENCLOSED")) {
      i_++;
      if (atWord("BY")) i_++;
      if (!byteString(&out_->enclosure)) return false;
      out_->closeEnclosure = out_->enclosure;
      if (atWord("AND")) {
        i_++;
        if (!byteString(&out_->closeEnclosure)) return false;
      }
    }
    return !out_->terminator.empty() || !out_->enclosure.empty() || fail("TERMINATED BY or ENCLOSED BY");
  }

  bool fieldList() {
    if (!punct('(')) return false;
    do {
      FieldSpec f;
      f.line = peek().line;
      if (!name(&f.name) || !field(&f)) return false;
      out_->fields.push_back(std::move(f));
    } while (atPunct(',') && (i_++, true));
    return punct(')');
  }

  bool field(FieldSpec *f) {
    if (atWord("POSITION") && !position(f)) return false;
    if ((atWord("CHAR") || atWord("DATE") || atWord("TIMESTAMP")) && !datatype(f)) return false;
    for (;;) {
      if (atWord("NULLIF")) {
        i_++;
        if (!nullIf(f)) return false;
      } else if (atWord("LLS") && !f->lls) {
        i_++;
        f->lls = true;
      } else {
        return atPunct(',') || atPunct(')') || fail("a field clause, \",\" or \")\"");
      }
    }
  }

  bool position(FieldSpec *f) {
    i_++;
    if (!punct('(') || !size(&f->start)) return false;
    if (atPunct(':') || atPunct('-')) {
      i_++;
      if (!size(&f->end)) return false;
    }
    if (f->start == 0 || (f->end != 0 && f->end < f->start)) return fail("POSITION(start:end) with 1 <= start <= end");
    return punct(')');
  }

  bool datatype(FieldSpec *f) {
    const std::string type = take().text;
    f->type = type == "CHAR" ? FieldType::Char : type == "DATE" ? FieldType::Date : FieldType::Timestamp;
    if (atPunct('(')) {
      i_++;
      size_t n = 0;
      if (!size(&n) || !punct(')')) return false;
      if (f->type != FieldType::Timestamp) f->length = n;  // TIMESTAMP(n) is the fraction's precision
    }
    if (f->type == FieldType::Timestamp && atWord("WITH")) {
      i_++;
      f->type = atWord("LOCAL") ? (i_++, FieldType::TimestampLtz) : FieldType::TimestampTz;
      if (!word("TIME") || !word("ZONE")) return false;
    }
    if (f->type != FieldType::Char && peek().kind == Kind::Quoted) {
      f->hasMask = true;
      f->mask = take().text;
    }
    return true;
  }

  bool nullIf(FieldSpec *f) {
    const bool paren = atPunct('(');
    if (paren) i_++;
    NullIf n;
    if (!name(&n.field)) return false;
    if (atPunct('!') || atPunct('<')) {
      const char first = take().text[0];
      if (!punct(first == '!' ? '=' : '>')) return false;
      n.negated = true;
    } else if (!punct('=')) {
      return false;
    }
    if (atWord("BLANKS")) {
      i_++;
      n.blanks = true;
    } else if (!byteString(&n.text)) {
      return false;
    }
    f->nullIfs.push_back(std::move(n));
    return !paren || punct(')');
  }

  std::vector<Tok> toks_;
  size_t i_ = 0;
  ControlFile *out_;
  std::string error_;  // "line: what"
};

}  // namespace

bool parseControlFile(std::string_view text, const std::string &path, ControlFile *out, std::string *error) {
  std::vector<Tok> toks;
  ControlFile cf;
  cf.path = path;
  std::string what;
  if (!Lexer(text, 1).run(&toks, &what) || !Parser(std::move(toks), &cf).run(&what)) {
    *error = path + ":" + what;
    return false;
  }
  *out = std::move(cf);
  return true;
}

}  // namespace loader
