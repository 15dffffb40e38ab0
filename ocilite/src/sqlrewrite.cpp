// The SQL rewrite step (see sqlrewrite.h for the list of rewrites).
#include "sqlrewrite.h"

#include "rowidcompare.h"
#include "sqltokens.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace ocilite {
namespace {

std::string quoteLiteral(std::string_view v) {
  std::string r = "'";
  for (char c : v) {
    r += c;
    if (c == '\'') r += '\'';
  }
  return r + "'";
}

StatementKind kindOf(const std::vector<Token> &toks, const Cursor &cur, size_t first) {
  if (first >= toks.size()) return StatementKind::Other;
  const std::string &w = toks[first].value;
  if (isPunct(toks[first], '(')) return StatementKind::Query;
  if (toks[first].kind != Tok::Word) return StatementKind::Other;
  if (w == "SELECT" || w == "WITH" || w == "VALUES") return StatementKind::Query;
  if (w == "INSERT" || w == "UPDATE" || w == "DELETE" || w == "MERGE" || w == "REPLACE")
    return StatementKind::Dml;
  if (w == "ALTER" && cur.at(cur.next(first), "SESSION")) return StatementKind::Session;
  if (w == "SET") return StatementKind::Session;
  if (w == "COMMIT") return StatementKind::Commit;
  if (w == "ROLLBACK") return StatementKind::Rollback;
  if (w == "CREATE" || w == "DROP" || w == "ALTER" || w == "TRUNCATE" || w == "COMMENT" ||
      w == "GRANT" || w == "REVOKE" || w == "ANALYZE")
    return StatementKind::Ddl;
  return StatementKind::Other;
}

// NAME = value pairs of ALTER SESSION SET / SET; other forms (SET EVENTS
// '...', ALTER SESSION ENABLE ...) yield what pairs they hold, if any.
std::vector<SessionSetting> sessionSettings(const std::vector<Token> &toks, const Cursor &cur) {
  std::vector<SessionSetting> out;
  for (size_t i = cur.next(std::string::npos); i < toks.size(); i = cur.next(i)) {
    if (toks[i].kind != Tok::Word && toks[i].kind != Tok::Ident) continue;
    size_t eq = cur.next(i);
    if (!cur.atPunct(eq, '=')) continue;
    size_t v = cur.next(eq);
    if (v >= toks.size()) break;
    std::string name = toks[i].kind == Tok::Word ? toks[i].value : std::string(toks[i].text);
    if (toks[i].kind == Tok::Ident && name.size() >= 2) name = upperCase(name.substr(1, name.size() - 2));
    out.push_back({name, toks[v].kind == Tok::String ? toks[v].value : std::string(toks[v].text)});
    i = v;
  }
  return out;
}

// Bytes per character that a CHAR length qualifier stands for (AL32UTF8).
constexpr int kMaxBytesPerChar = 4;

class Rewriter {
 public:
  Rewriter(const std::vector<Token> &toks, const std::vector<std::string> &schemas, StatementKind kind,
           const ColumnKinds &columns)
      : toks_(toks),
        cur_{toks},
        schemas_(schemas),
        kind_(kind),
        rowids_(planRowidComparisons(toks)),
        texts_(kind == StatementKind::Dml ? planTextConversions(toks, columns) : std::map<size_t, TextConversion>{}) {}

  Statement run() {
    Statement st;
    st.kind = kind_;
    st.refusalCode = rowids_.errorCode;
    st.refusalMessage = rowids_.errorMessage;
    const size_t first = cur_.next(std::string::npos);
    if (cur_.at(first, "TRUNCATE") && cur_.at(cur_.next(first), "TABLE")) {
      out_ = "DELETE FROM ";
      emitFrom(cur_.next(cur_.next(first)), &st, false);
      return st;
    }
    plainSelect_ = cur_.at(first, "SELECT") && !cur_.at(cur_.next(first), "DISTINCT") &&
                   !cur_.at(cur_.next(first), "UNIQUE");
    createTable_ = cur_.at(first, "CREATE") && cur_.at(cur_.next(first), "TABLE") && hasColumnList(first);
    dropTable_ = cur_.at(first, "DROP") && cur_.at(cur_.next(first), "TABLE");
    // SQLite reads no query in parentheses; as a subquery it gives the same rows.
    if (cur_.atPunct(first, '(')) out_ = "SELECT * FROM ";
    emitFrom(first, &st, true);
    applyRownumLimit(&st);
    if (!plainSelect_) {
      st.fromTable.clear();
      st.selectItems.clear();
    }
    return st;
  }

 private:
  void emitFrom(size_t start, Statement *st, bool keepLeading) {
    // Leading blanks and comments stay as written.
    for (size_t i = 0; keepLeading && i < start && i < toks_.size(); i++) out_ += toks_[i].text;
    int depth = 0;
    std::vector<bool> selectList(1, false);
    tokOut_.assign(toks_.size() + 1, 0);
    for (size_t i = start; i < toks_.size(); i++) {
      const Token &t = toks_[i];
      convertText(i);
      tokOut_[i] = out_.size();
      if (depth == 0 && selectList[0] && plainSelect_ && !fromSeen_ && t.kind != Tok::Space) {
        if (isPunct(t, ',')) {
          closeItem(i, st);
          out_ += t.text;
          continue;
        }
        if (itemFirst_ == kNoItem && !isWord(t, "SELECT")) itemFirst_ = i;
      }
      switch (t.kind) {
        case Tok::Punct:
          if (isPunct(t, '(')) {
            depth++;
            selectList.push_back(false);
          } else if (isPunct(t, ')')) {
            if (depth > 0) {
              depth--;
              selectList.pop_back();
            }
            if (createTable_ && depth == 0 && !columnsClosed_) {
              columnsClosed_ = true;
              out_ += t.text;
              size_t rest = cur_.next(i);
              if (rest < toks_.size() && !cur_.at(rest, "AS")) {
                for (size_t k = rest; k < toks_.size(); k++) st->tableOptions += toks_[k].text;
                return;
              }
              continue;
            }
          }
          out_ += t.text;
          break;
        case Tok::Placeholder:
        case Tok::String:
          emitValue(i, st);
          break;
        case Tok::Word:
          i = emitWord(i, depth, &selectList, st);
          break;
        default:
          out_ += t.text;
      }
    }
    convertText(toks_.size());
  }

  // Opens or closes, before token i, the conversion of a character value
  // into a datetime column (textdates.h).
  void convertText(size_t i) {
    if (const auto close = closeAt_.find(i); close != closeAt_.end()) out_ += close->second;
    if (const auto open = texts_.find(i); open != texts_.end()) {
      out_ += "ORA_TEXT_TO_DATETIME(";
      closeAt_[open->second.last + 1] = std::string(", '") + static_cast<char>(open->second.kind) + "', " +
                                        std::to_string(open->second.digits) + ")";
    }
  }

  // A bind or a literal; in a ROWID comparison, the rowid it stands for.
  void emitValue(size_t i, Statement *st) {
    const Token &t = toks_[i];
    const auto rowid = rowids_.operands.find(i);
    if (rowid != rowids_.operands.end()) out_ += "ORA_ROWID_VALUE(";
    if (t.kind == Tok::Placeholder) {
      out_ += ':';
      out_ += t.value;
      notePlaceholder(t.value, st);
    } else {
      out_ += t.text.front() == '\'' ? std::string(t.text) : quoteLiteral(t.value);
    }
    if (rowid != rowids_.operands.end())
      out_ += ", " + quoteLiteral(rowid->second.table) + ", " + std::to_string((int)rowid->second.cut) + ")";
  }

  // Emits the word at i (and what it absorbs); returns the last token used.
  size_t emitWord(size_t i, int depth, std::vector<bool> *selectList, Statement *st) {
    const Token &t = toks_[i];
    const size_t nx = cur_.next(i), pv = cur_.prev(i);
    const bool afterDot = cur_.atPunct(pv, '.');
    if (t.value == "SELECT") (*selectList)[depth] = true;
    if (t.value == "FROM" && depth == 0 && !fromSeen_) {
      closeItem(i, st);
      noteFromTable(i, st);
    }
    if (t.value == "FROM") (*selectList)[depth] = false;
    if (depth == 0 && isNotPlain(i, (*selectList)[0])) plainSelect_ = false;
    // N'text': the national literal is a plain literal here.
    if (t.value == "N" && i + 1 < toks_.size() && toks_[i + 1].kind == Tok::String) return i;
    if (t.value == "ORDER" && depth == 0) orderBy_ = true;
    if (!afterDot) {
      if (const size_t used = emitOracleForm(i, depth, st); used != 0) return used;
    }
    if (!afterDot && cur_.atPunct(nx, '.') && isSchema(t.value)) {
      return nx;  // drop "OWNER."
    }
    if (t.value == "DBMS_ROWID" && !afterDot && cur_.atPunct(nx, '.')) return nx;  // its functions are global
    if (t.value == "MINUS" && kind_ == StatementKind::Query) {
      out_ += "EXCEPT";
      return i;
    }
    if (createTable_ && !columnsClosed_) {
      size_t used = emitColumnType(i);
      if (used != 0) return used;
    }
    if (dropTable_ && (t.value == "PURGE" || (t.value == "CASCADE" && cur_.at(nx, "CONSTRAINTS")))) {
      return t.value == "CASCADE" ? nx : i;
    }
    const bool pseudo = t.value == "USER" || t.value == "SYSDATE" || t.value == "SYSTIMESTAMP";
    if (pseudo && !afterDot && !cur_.atPunct(nx, '(') && !cur_.atPunct(nx, '.') &&
        kind_ != StatementKind::Other) {
      const bool isDefault = cur_.at(pv, "DEFAULT");
      if (isDefault) out_ += '(';
      out_ += t.value;
      out_ += "()";
      if (isDefault) out_ += ')';
      const bool wholeItem = (*selectList)[depth] &&
                             (cur_.at(pv, "SELECT") || cur_.at(pv, "DISTINCT") || cur_.atPunct(pv, ',')) &&
                             (nx >= toks_.size() || cur_.atPunct(nx, ',') || cur_.at(nx, "FROM"));
      if (wholeItem) {
        out_ += " AS ";
        out_ += t.value;
      }
      return i;
    }
    out_ += t.text;
    return i;
  }

  // True when CREATE TABLE [owner.]name at first is followed by its column
  // list (not AS SELECT).
  bool hasColumnList(size_t first) const {
    size_t k = cur_.next(cur_.next(cur_.next(first)));
    if (cur_.atPunct(k, '.')) k = cur_.next(cur_.next(k));
    return cur_.atPunct(k, '(');
  }

  // Oracle forms SQLite lacks, at the word i: DATE '...' and TIMESTAMP '...'
  // literals, OFFSET / FETCH FIRST row limits, a top-level ROWNUM limit.
  // Returns the last token used, or 0 when the word is none of them.
  size_t emitOracleForm(size_t i, int depth, Statement *st) {
    const std::string &w = toks_[i].value;
    const size_t nx = cur_.next(i);
    if ((w == "DATE" || w == "TIMESTAMP") && nx < toks_.size() && toks_[nx].kind == Tok::String &&
        !(createTable_ && !columnsClosed_)) {
      out_ += "ORA_DATETIME_LITERAL(" + quoteLiteral(toks_[nx].value) + (w == "DATE" ? ", 'D')" : ", 'T')");
      return nx;
    }
    if (w == "OFFSET" || w == "FETCH") return emitRowLimit(i, st);
    if (w == "ROWNUM" && depth == 0) return rownumLimit(i, st);
    return 0;
  }

  // A count for LIMIT or OFFSET: a number, or a bind read as an integer.
  bool countAt(size_t k, Statement *st, std::string *out) {
    if (k >= toks_.size()) return false;
    if (toks_[k].kind == Tok::Number) {
      *out = std::string(toks_[k].text);
    } else if (toks_[k].kind == Tok::Placeholder) {
      notePlaceholder(toks_[k].value, st);
      *out = "CAST(:" + toks_[k].value + " AS INTEGER)";
    } else {
      return false;
    }
    return true;
  }

  // [OFFSET m ROW[S]] [FETCH FIRST|NEXT [n] ROW[S] ONLY] as LIMIT n OFFSET m.
  size_t emitRowLimit(size_t i, Statement *st) {
    std::string offset, limit = "-1";
    size_t k = i, last = 0;
    if (cur_.at(k, "OFFSET")) {
      const size_t rows = cur_.next(cur_.next(k));
      if (!countAt(cur_.next(k), st, &offset) || !(cur_.at(rows, "ROW") || cur_.at(rows, "ROWS"))) return 0;
      last = rows;
      k = cur_.next(rows);
    }
    if (cur_.at(k, "FETCH") && (cur_.at(cur_.next(k), "FIRST") || cur_.at(cur_.next(k), "NEXT"))) {
      size_t rows = cur_.next(cur_.next(k));
      if (countAt(rows, st, &limit)) rows = cur_.next(rows);
      else limit = "1";
      if (!(cur_.at(rows, "ROW") || cur_.at(rows, "ROWS")) || !cur_.at(cur_.next(rows), "ONLY")) return 0;
      last = cur_.next(rows);
    }
    if (last == 0) return 0;
    out_ += "LIMIT " + limit + (offset.empty() ? "" : " OFFSET " + offset);
    rowLimit_ = true;
    return last;
  }

  // WHERE ... ROWNUM <= n / < n / = n as a conjunct of the top-level WHERE:
  // the condition becomes true and the query is limited to its first rows.
  // Other uses of ROWNUM are left to fail as an unknown column.
  size_t rownumLimit(size_t i, Statement *st) {
    const size_t pv = cur_.prev(i);
    size_t operand = 0;
    std::string op;
    for (operand = cur_.next(i); operand < toks_.size() && isPunct(toks_[operand], '<'); operand = cur_.next(operand)) op += '<';
    for (; operand < toks_.size() && isPunct(toks_[operand], '='); operand = cur_.next(operand)) op += '=';
    const size_t after = cur_.next(operand);
    std::string count;
    if (!(cur_.at(pv, "WHERE") || cur_.at(pv, "AND")) || (op != "<" && op != "<=" && op != "=") ||
        !countAt(operand, st, &count) || (after < toks_.size() && toks_[after].kind != Tok::Word) ||
        cur_.at(after, "OR") || hasTopLevelOr())
      return 0;
    if (op == "<") count = "(" + count + ") - 1";
    if (op == "=") {
      if (toks_[operand].kind != Tok::Number) return 0;
      count = std::atof(count.c_str()) == 1 ? "1" : "0";  // ROWNUM = 2 is never true
    }
    out_ += "1 = 1";
    rownumLimit_ = count;
    return operand;
  }

  bool hasWord(const char *w) const {
    return std::any_of(toks_.begin(), toks_.end(), [&](const Token &t) { return isWord(t, w); });
  }

  bool hasTopLevelOr() const {
    int depth = 0;
    for (const Token &t : toks_) {
      depth += isPunct(t, '(') ? 1 : isPunct(t, ')') ? -1 : 0;
      if (depth == 0 && isWord(t, "OR")) return true;
    }
    return false;
  }

  // The query limited by a ROWNUM condition; refused where Oracle's order
  // (ROWNUM before ORDER BY, grouping and FETCH) cannot be kept.
  void applyRownumLimit(Statement *st) {
    if (rownumLimit_.empty()) return;
    if (!plainSelect_ || orderBy_ || rowLimit_ || hasWord("OVER")) {
      st->refusalCode = 3001;
      st->refusalMessage = "unimplemented feature: ROWNUM with ORDER BY, grouping, DISTINCT, OVER or FETCH FIRST";
      return;
    }
    out_ += " LIMIT MAX(" + rownumLimit_ + ", 0)";  // ROWNUM < 0 holds for no row
  }

  void notePlaceholder(const std::string &name, Statement *st) {
    if (std::find(st->placeholders.begin(), st->placeholders.end(), name) == st->placeholders.end())
      st->placeholders.push_back(name);
  }

  // Ends the select-list item that the token at i follows.
  void closeItem(size_t i, Statement *st) {
    if (itemFirst_ == kNoItem) return;
    SelectItem item;
    item.start = tokOut_[itemFirst_];
    item.end = out_.size();
    std::vector<size_t> sig;
    for (size_t k = itemFirst_; k < i; k = cur_.next(k)) sig.push_back(k);
    itemFirst_ = kNoItem;
    auto name = [&](size_t n) {
      return n < sig.size() && (toks_[sig[n]].kind == Tok::Word || toks_[sig[n]].kind == Tok::Ident);
    };
    auto dot = [&](size_t n) { return n < sig.size() && isPunct(toks_[sig[n]], '.'); };
    auto star = [&](size_t n) { return n < sig.size() && isPunct(toks_[sig[n]], '*'); };
    if ((sig.size() == 1 && star(0)) || (sig.size() == 3 && name(0) && dot(1) && star(2))) {
      item.kind = SelectItem::Star;
    } else if (name(0)) {
      const size_t ref = dot(1) && name(2) ? 3 : 1;  // tokens of the reference
      const size_t rest = sig.size() - ref;
      const bool aliasOnly =
          rest == 0 || (rest == 1 && name(ref)) || (rest == 2 && cur_.at(sig[ref], "AS") && name(ref + 1));
      if (aliasOnly) {
        item.kind = SelectItem::Column;
        item.refEnd = tokOut_[sig[ref - 1]] + toks_[sig[ref - 1]].text.size();
      }
    }
    st->selectItems.push_back(item);
  }

  // Records the table the FROM at i names, with its alias, in *st.
  void noteFromTable(size_t i, Statement *st) {
    fromSeen_ = true;
    size_t k = cur_.next(i);
    if (k < toks_.size() && toks_[k].kind == Tok::Word && cur_.atPunct(cur_.next(k), '.')) {
      if (!isSchema(toks_[k].value)) return;  // another database: not a table of this file
      k = cur_.next(cur_.next(k));
    }
    if (k >= toks_.size() || (toks_[k].kind != Tok::Word && toks_[k].kind != Tok::Ident)) return;
    const Token &table = toks_[k];
    st->fromTable = table.kind == Tok::Word ? table.value : upperCase(table.text.substr(1, table.text.size() - 2));
    st->fromQualifier = std::string(table.text);
    st->fromOffset = out_.size();
    size_t a = cur_.next(k);
    if (cur_.at(a, "AS")) a = cur_.next(a);
    const bool alias = a < toks_.size() && (toks_[a].kind == Tok::Ident ||
                                            (toks_[a].kind == Tok::Word && !isClauseWord(toks_[a].value)));
    if (alias) {
      st->fromQualifier = std::string(toks_[a].text);
      a = cur_.next(a);
    }
    st->singleTable = !cur_.atPunct(a, ',') && !isJoinWord(a);
  }

  bool isJoinWord(size_t i) const {
    for (const char *w : {"JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "NATURAL"})
      if (cur_.at(i, w)) return true;
    return false;
  }

  // Words that may follow a table name in FROM and are no alias.
  static bool isClauseWord(const std::string &w) {
    static constexpr const char *kWords[] = {"WHERE", "ORDER", "GROUP", "HAVING", "JOIN", "INNER", "LEFT",
                                             "RIGHT", "FULL", "CROSS", "NATURAL", "UNION", "INTERSECT",
                                             "EXCEPT", "MINUS", "LIMIT", "ON", "USING", "FOR", "CONNECT",
                                             "START", "PARTITION", "SAMPLE", "WINDOW", "OUTER"};
    return std::find_if(std::begin(kWords), std::end(kWords), [&](const char *k) { return w == k; }) !=
           std::end(kWords);
  }

  // True when the top-level word at i makes a query's rows other than its
  // table's rows: grouping, an aggregate in the select list, a compound.
  bool isNotPlain(size_t i, bool inSelectList) const {
    const std::string &w = toks_[i].value;
    if (w == "GROUP" || w == "UNION" || w == "INTERSECT" || w == "EXCEPT" || w == "MINUS") return true;
    const bool aggregate = w == "COUNT" || w == "SUM" || w == "MIN" || w == "MAX" || w == "AVG";
    return inSelectList && aggregate && cur_.atPunct(cur_.next(i), '(');
  }

  bool isSchema(const std::string &w) const {
    return std::find(schemas_.begin(), schemas_.end(), w) != schemas_.end();
  }

  // Reads "( n )" or "( n , m )" or "( n CHAR|BYTE )" at i; returns the index
  // of ")" or 0 when the tokens are not that.
  size_t readArgs(size_t i, std::vector<std::string> *args, bool *charUnits) const {
    if (!cur_.atPunct(i, '(')) return 0;
    size_t k = cur_.next(i);
    while (k < toks_.size()) {
      if (toks_[k].kind == Tok::Number || isPunct(toks_[k], '*')) args->push_back(std::string(toks_[k].text));
      else if (isWord(toks_[k], "CHAR")) *charUnits = true;
      else if (!isWord(toks_[k], "BYTE") && !isPunct(toks_[k], ',')) return 0;
      k = cur_.next(k);
      if (cur_.atPunct(k, ')')) return k;
    }
    return 0;
  }

  static std::string joinArgs(const std::vector<std::string> &args) {
    std::string r = "(";
    for (size_t a = 0; a < args.size(); a++) r += (a ? "," : "") + args[a];
    return r + ")";
  }

  // Oracle column types that SQLite's grammar or affinity would get wrong.
  // Returns the last token used, or 0 when the word at i is left alone.
  size_t emitColumnType(size_t i) {
    const std::string &w = toks_[i].value;
    const size_t nx = cur_.next(i);
    std::vector<std::string> args;
    bool charUnits = false;
    if (w == "TIMESTAMP") {
      size_t k = nx, close = readArgs(nx, &args, &charUnits);
      if (close) k = cur_.next(close);
      if (!cur_.at(k, "WITH")) {
        if (!close) return 0;
        out_ += "TIMESTAMP" + joinArgs(args);
        return close;
      }
      size_t z = cur_.next(k);
      bool local = cur_.at(z, "LOCAL");
      if (local) z = cur_.next(z);
      if (!cur_.at(z, "TIME") || !cur_.at(cur_.next(z), "ZONE")) return 0;
      out_ += local ? "TIMESTAMP WITH LOCAL TIME ZONE" : "TIMESTAMP WITH TIME ZONE";
      if (!args.empty()) out_ += joinArgs(args);
      return cur_.next(z);
    }
    if (w == "INTERVAL") {
      if (!cur_.at(nx, "YEAR") && !cur_.at(nx, "DAY")) return 0;
      const bool year = cur_.at(nx, "YEAR");
      size_t k = cur_.next(nx);
      std::vector<std::string> lead, frac;
      size_t close = readArgs(k, &lead, &charUnits);
      if (close) k = cur_.next(close);
      if (!cur_.at(k, "TO")) return 0;
      size_t unit = cur_.next(k);
      if (!cur_.at(unit, year ? "MONTH" : "SECOND")) return 0;
      size_t last = unit, fclose = readArgs(cur_.next(unit), &frac, &charUnits);
      if (fclose) last = fclose;
      out_ += year ? "INTERVAL_YEAR_TO_MONTH" : "INTERVAL_DAY_TO_SECOND";
      if (!lead.empty() || !frac.empty()) {
        std::vector<std::string> all{lead.empty() ? "2" : lead[0]};
        if (!year) all.push_back(frac.empty() ? "6" : frac[0]);
        out_ += joinArgs(all);
      }
      return last;
    }
    if (w == "LONG" && !cur_.at(nx, "RAW") && !cur_.at(nx, "VARCHAR")) {
      out_ += "LONG VARCHAR";
      return i;
    }
    if (w == "VARCHAR2" || w == "VARCHAR" || w == "CHAR" || w == "NVARCHAR2" || w == "NCHAR") {
      size_t close = readArgs(nx, &args, &charUnits);
      if (!close || args.size() != 1) return 0;
      out_ += toks_[i].text;
      long n = std::strtol(args[0].c_str(), nullptr, 10);
      if (charUnits && w[0] != 'N') out_ += "(" + std::to_string(n * kMaxBytesPerChar) + "," + args[0] + ")";
      else out_ += "(" + std::to_string(n) + ")";
      return close;
    }
    return 0;
  }

  const std::vector<Token> &toks_;
  Cursor cur_;
  const std::vector<std::string> &schemas_;
  StatementKind kind_;
  RowidPlan rowids_;
  std::map<size_t, TextConversion> texts_;
  std::map<size_t, std::string> closeAt_;  // what closes a conversion, by the token it comes before
  bool createTable_ = false, dropTable_ = false, columnsClosed_ = false;
  bool plainSelect_ = false, fromSeen_ = false;
  bool orderBy_ = false, rowLimit_ = false;  // a top-level ORDER BY; a LIMIT from OFFSET / FETCH
  std::string rownumLimit_;                  // the LIMIT a ROWNUM condition asks for
  static constexpr size_t kNoItem = (size_t)-1;
  size_t itemFirst_ = kNoItem;      // first token of the open select-list item
  std::vector<size_t> tokOut_;      // where each token's output starts in out_

 public:
  std::string out_;
};

}  // namespace

Statement rewriteStatement(std::string_view text, const std::vector<std::string> &schemas,
                           const ColumnKinds &columns) {
  std::vector<Token> toks = tokenize(text);
  // A trailing ';' (SQL*Plus style) is not part of the statement.
  while (!toks.empty() && (toks.back().kind == Tok::Space || isPunct(toks.back(), ';'))) toks.pop_back();
  Cursor cur{toks};
  const size_t first = cur.next(std::string::npos);
  const StatementKind kind = kindOf(toks, cur, first);
  if (kind == StatementKind::Session) {
    Statement st;
    st.kind = kind;
    st.settings = sessionSettings(toks, cur);
    return st;
  }
  if (kind == StatementKind::Commit || kind == StatementKind::Rollback) {
    Statement st;
    st.kind = kind;
    return st;
  }
  Rewriter rw(toks, schemas, kind, columns);
  Statement st = rw.run();
  st.sql = std::move(rw.out_);
  return st;
}

}  // namespace ocilite
