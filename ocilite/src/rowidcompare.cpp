// ROWID comparison planning (see rowidcompare.h).
#include "rowidcompare.h"

#include <algorithm>
#include <cstring>

namespace ocilite {
namespace {

constexpr size_t kNone = static_cast<size_t>(-1);
constexpr int kUnimplemented = 3001;
constexpr int kInvalidIdentifier = 904;
constexpr int kAmbiguousColumn = 918;
constexpr int kInconsistentTypes = 932;
constexpr const char *kExpression = "ROWID compared with an expression";

bool isOneOf(const Token &t, std::initializer_list<const char *> words) {
  return t.kind == Tok::Word &&
         std::any_of(words.begin(), words.end(), [&](const char *w) { return t.value == w; });
}

// Words that end a FROM list, or that may follow a table and are no alias.
bool isClauseWord(const Token &t) {
  return isOneOf(t, {"WHERE", "GROUP", "ORDER", "HAVING", "UNION", "INTERSECT", "MINUS", "EXCEPT", "CONNECT",
                     "START", "FETCH", "OFFSET", "FOR", "WINDOW", "LIMIT", "RETURNING", "SET", "ON", "USING",
                     "JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "NATURAL", "OUTER", "PARTITION",
                     "SAMPLE", "VALUES", "SELECT"});
}

// Functions whose result would be the SQLite rowid rather than a ROWID.
bool isValueFunction(const Token &t) {
  return isOneOf(t, {"MIN", "MAX", "GREATEST", "LEAST", "NVL", "NVL2", "COALESCE", "DECODE", "TO_CHAR", "SUBSTR",
                     "LENGTH", "CONCAT", "ROWIDTOCHAR", "CAST"});
}

bool isJoinWord(const Token &t) { return isOneOf(t, {"JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "NATURAL", "OUTER"}); }

bool isOperatorByte(const Token &t) {
  return t.kind == Tok::Punct && t.text.size() == 1 && std::strchr("<>=!^~", t.text[0]) != nullptr;
}

// A name as Oracle compares it: unquoted upper-cased, quoted as written.
std::string nameKey(const Token &t) {
  if (t.kind == Tok::Ident) return std::string(t.text.substr(1, t.text.size() >= 2 ? t.text.size() - 2 : 0));
  return t.value;
}

bool isName(const Token &t) { return t.kind == Tok::Word || t.kind == Tok::Ident; }

// One table of a FROM list: its name ("" for a subquery) and the name its
// columns are qualified by.
struct TableRef {
  std::string table;
  std::string qualifier;
};

RowidCut cutOf(const std::string &op, bool rowidOnRight, bool *known) {
  *known = true;
  if (op == "=" || op == "<>" || op == "!=" || op == "^=" || op == "~=") return RowidCut::Exact;
  if (op == "<" || op == ">=") return rowidOnRight ? RowidCut::Upper : RowidCut::Lower;
  if (op == "<=" || op == ">") return rowidOnRight ? RowidCut::Lower : RowidCut::Upper;
  *known = false;
  return RowidCut::Exact;
}

class Planner {
 public:
  explicit Planner(const std::vector<Token> &toks) : toks_(toks), cur_{toks} { matchParens(); }

  RowidPlan run() {
    for (size_t i = cur_.next(kNone); i < toks_.size() && plan_.errorCode == 0; i = cur_.next(i)) {
      if (!isRowidReference(i)) continue;
      const size_t before = cur_.prev(referenceStart(i));
      if (isArithmetic(before) || isArithmetic(cur_.next(i))) unsupported("ROWID in an expression");
      else if (cur_.atPunct(before, '(') && cur_.prev(before) < toks_.size() && isValueFunction(toks_[cur_.prev(before)]))
        unsupported("ROWID as a function argument");
      else comparison(i);
    }
    if (plan_.errorCode != 0) plan_.operands.clear();
    return std::move(plan_);
  }

 private:
  void matchParens() {
    partner_.assign(toks_.size(), kNone);
    enclosing_.assign(toks_.size(), kNone);
    std::vector<size_t> open;
    for (size_t i = 0; i < toks_.size(); i++) {
      if (isPunct(toks_[i], ')') && !open.empty()) {
        partner_[i] = open.back();
        partner_[open.back()] = i;
        open.pop_back();
      }
      enclosing_[i] = open.empty() ? kNone : open.back();
      if (isPunct(toks_[i], '(')) open.push_back(i);
    }
  }

  void refuse(int code, std::string detail) {
    if (plan_.errorCode != 0) return;
    plan_.errorCode = code;
    plan_.errorMessage = std::move(detail);
  }

  // An operator byte that makes the ROWID next to it part of an expression.
  bool isArithmetic(size_t k) const {
    return k < toks_.size() && toks_[k].kind == Tok::Punct && toks_[k].text.size() == 1 &&
           std::strchr("|+-*/", toks_[k].text[0]) != nullptr;
  }

  void unsupported(const char *what) { refuse(kUnimplemented, std::string("unimplemented feature: ") + what); }

  // The ROWID pseudo-column (not the type name of CAST(x AS ROWID)).
  bool isRowidReference(size_t i) const {
    return cur_.at(i, "ROWID") && !cur_.at(cur_.prev(i), "AS") && !cur_.atPunct(cur_.next(i), '(');
  }

  // First token of the reference ending at the ROWID at i (its qualifier).
  size_t referenceStart(size_t i) const {
    const size_t dot = cur_.prev(i);
    if (!cur_.atPunct(dot, '.')) return i;
    const size_t q = cur_.prev(dot);
    return q < toks_.size() && isName(toks_[q]) ? q : i;
  }

  // The '(' opening the query block that holds token i; kNone for the statement.
  size_t blockOf(size_t i) const {
    size_t open = enclosing_[i];
    while (open != kNone && !cur_.at(cur_.next(open), "SELECT") && !cur_.at(cur_.next(open), "WITH"))
      open = enclosing_[open];
    return open;
  }

  // Next significant token of the block at its own level (subqueries and
  // parenthesised groups skipped), or toks_.size() at the block's end.
  size_t nextInBlock(size_t k, size_t end) const {
    if (k < toks_.size() && isPunct(toks_[k], '(') && partner_[k] != kNone) k = partner_[k];
    k = cur_.next(k);
    return k < end ? k : toks_.size();
  }

  std::vector<TableRef> tablesOf(size_t open) const {
    const size_t first = open == kNone ? cur_.next(kNone) : cur_.next(open);
    const size_t end = open == kNone ? toks_.size() : partner_[open] == kNone ? toks_.size() : partner_[open];
    size_t k = first;
    if (cur_.at(k, "UPDATE") || cur_.at(k, "DELETE")) {
      k = nextInBlock(k, end);
      if (cur_.at(k, "FROM")) k = nextInBlock(k, end);
      return k < toks_.size() ? std::vector<TableRef>{tableRef(&k, end)} : std::vector<TableRef>{};
    }
    while (k < toks_.size() && !cur_.at(k, "FROM")) k = nextInBlock(k, end);
    std::vector<TableRef> out;
    for (k = nextInBlock(k, end); k < toks_.size();) {
      if (isClauseWord(toks_[k]) && !isJoinWord(toks_[k])) break;
      out.push_back(tableRef(&k, end));
      k = skipToNextTable(k, end);
    }
    return out;
  }

  // Reads "[owner.]name [AS] [alias]" or "(subquery) [alias]" at *k.
  TableRef tableRef(size_t *k, size_t end) const {
    TableRef ref;
    if (isPunct(toks_[*k], '(')) {
      *k = nextInBlock(*k, end);
    } else if (isName(toks_[*k])) {
      ref.table = nameKey(toks_[*k]);
      *k = nextInBlock(*k, end);
      if (*k < toks_.size() && isPunct(toks_[*k], '.')) {
        *k = nextInBlock(*k, end);
        if (*k < toks_.size() && isName(toks_[*k])) {
          ref.table = nameKey(toks_[*k]);
          *k = nextInBlock(*k, end);
        }
      }
    }
    ref.qualifier = ref.table;
    if (cur_.at(*k, "AS")) *k = nextInBlock(*k, end);
    if (*k < toks_.size() && isName(toks_[*k]) && !isClauseWord(toks_[*k])) {
      ref.qualifier = nameKey(toks_[*k]);
      *k = nextInBlock(*k, end);
    }
    return ref;
  }

  // Past a join condition to the next table of the list, or to the end.
  size_t skipToNextTable(size_t k, size_t end) const {
    while (k < toks_.size()) {
      if (isPunct(toks_[k], ',')) return nextInBlock(k, end);
      if (isJoinWord(toks_[k])) {
        while (k < toks_.size() && isJoinWord(toks_[k])) k = nextInBlock(k, end);
        return k;
      }
      if (isClauseWord(toks_[k]) && !cur_.at(k, "ON") && !cur_.at(k, "USING")) return toks_.size();
      k = nextInBlock(k, end);
    }
    return k;
  }

  // The table whose ROWID the reference at i (ending in ROWID) names.
  bool resolve(size_t i, std::string *table) {
    const size_t start = referenceStart(i);
    const bool qualified = start != i;
    const std::string qualifier = qualified ? nameKey(toks_[start]) : "";
    for (size_t open = blockOf(i);; open = blockOf(open)) {
      const std::vector<TableRef> tables = tablesOf(open);
      std::vector<const TableRef *> match;
      for (const TableRef &t : tables)
        if (!qualified || t.qualifier == qualifier) match.push_back(&t);
      if (match.size() > 1) return refuse(kAmbiguousColumn, "column ambiguously defined"), false;
      if (match.size() == 1) {
        if (match[0]->table.empty()) return unsupported("ROWID of a subquery in FROM"), false;
        *table = match[0]->table;
        return true;
      }
      if (open == kNone) break;
    }
    refuse(kInvalidIdentifier, "\"" + qualifier + (qualified ? "\"." : "") + "\"ROWID\": invalid identifier");
    return false;
  }

  // Reads the operator bytes from k on; *after is the token after them.
  std::string operatorAt(size_t k, size_t *after) const {
    std::string op;
    for (; k < toks_.size() && isOperatorByte(toks_[k]); k++) op += toks_[k].text[0];
    *after = cur_.next(k - 1);
    return op;
  }

  // True when token k may stand right after a complete operand.
  bool endsOperand(size_t k) const {
    return k >= toks_.size() || toks_[k].kind == Tok::Word || isPunct(toks_[k], ')') || isPunct(toks_[k], ',') ||
           isPunct(toks_[k], ';');
  }
  bool startsOperand(size_t k) const {
    return k >= toks_.size() || toks_[k].kind == Tok::Word || isPunct(toks_[k], '(') || isPunct(toks_[k], ',');
  }

  // The ROWID token of "ROWID" or "q.ROWID" starting at o, else kNone.
  size_t rowidReferenceAt(size_t o) const {
    if (cur_.at(o, "ROWID")) return o;
    const size_t dot = cur_.next(o), r = cur_.next(dot);
    return o < toks_.size() && isName(toks_[o]) && cur_.atPunct(dot, '.') && cur_.at(r, "ROWID") ? r : kNone;
  }

  // Records the operand at o (compared with table's ROWID by cut); returns
  // the token after it.
  size_t operand(size_t o, const std::string &table, RowidCut cut) {
    if (o < toks_.size() && (toks_[o].kind == Tok::Placeholder || toks_[o].kind == Tok::String)) {
      plan_.operands[o] = {table, cut};
    } else if (o < toks_.size() && cur_.at(o, "NULL")) {
      // compares as NULL, as in Oracle
    } else if (const size_t end = rowidReferenceAt(o); end != kNone) {
      std::string other;
      if (!resolve(end, &other)) return toks_.size();
      if (other != table) return unsupported("ROWIDs of two tables compared"), toks_.size();
      o = end;
    } else if (o < toks_.size() && toks_[o].kind == Tok::Number) {
      refuse(kInconsistentTypes, "inconsistent datatypes: expected ROWID got NUMBER");
      return toks_.size();
    } else {
      unsupported(kExpression);
      return toks_.size();
    }
    const size_t after = cur_.next(o);
    if (!endsOperand(after)) unsupported(kExpression);
    return after;
  }

  void comparison(size_t i) {
    const size_t start = referenceStart(i), before = cur_.prev(start), after = cur_.next(i);
    size_t k = after;
    if (cur_.at(k, "NOT")) k = cur_.next(k);
    std::string table;
    if (k < toks_.size() && isOperatorByte(toks_[k]) && k == after) {
      size_t rhs = 0;
      bool known = false;
      const RowidCut cut = cutOf(operatorAt(k, &rhs), false, &known);
      if (!known || !startsOperand(before)) return unsupported(kExpression);
      if (resolve(i, &table)) operand(rhs, table, cut);
    } else if (cur_.at(k, "BETWEEN")) {
      if (!startsOperand(before) || !resolve(i, &table)) return unsupported("ROWID in an expression");
      const size_t andWord = operand(cur_.next(k), table, RowidCut::Lower);
      if (!cur_.at(andWord, "AND")) return unsupported(kExpression);
      operand(cur_.next(andWord), table, RowidCut::Upper);
    } else if (cur_.at(k, "IN")) {
      inList(cur_.next(k), i, before);
    } else if (cur_.at(k, "LIKE")) {
      unsupported("ROWID compared with LIKE");
    } else if (before < toks_.size() && isOperatorByte(toks_[before]) && k == after) {
      leftOperand(i, before);
    }
  }

  void inList(size_t open, size_t i, size_t before) {
    std::string table;
    if (!cur_.atPunct(open, '(') || cur_.at(cur_.next(open), "SELECT") || !startsOperand(before))
      return unsupported("ROWID compared with a subquery");
    if (!resolve(i, &table)) return;
    size_t k = open;
    do {
      k = operand(cur_.next(k), table, RowidCut::Exact);
    } while (plan_.errorCode == 0 && cur_.atPunct(k, ','));
    if (plan_.errorCode == 0 && !cur_.atPunct(k, ')')) unsupported(kExpression);
  }

  // x op ROWID, with the operator's last byte at opLast.
  void leftOperand(size_t i, size_t opLast) {
    size_t opFirst = opLast;
    while (opFirst > 0 && isOperatorByte(toks_[opFirst - 1])) opFirst--;
    size_t unused = 0;
    bool known = false;
    const RowidCut cut = cutOf(operatorAt(opFirst, &unused), true, &known);
    const size_t o = cur_.prev(opFirst);
    std::string table;
    if (!known || !endsOperand(cur_.next(i))) return unsupported(kExpression);
    if (o < toks_.size() && (toks_[o].kind == Tok::Placeholder || toks_[o].kind == Tok::String) &&
        startsOperand(cur_.prev(o))) {
      if (resolve(i, &table)) plan_.operands[o] = {table, cut};
    } else if (!cur_.at(o, "NULL") && !cur_.at(o, "ROWID")) {
      unsupported(kExpression);
    }  // NULL compares as NULL; a ROWID on the left is checked as its own comparison
  }

  const std::vector<Token> &toks_;
  Cursor cur_;
  std::vector<size_t> partner_;    // the matching parenthesis of each '(' and ')'
  std::vector<size_t> enclosing_;  // the innermost '(' around each token
  RowidPlan plan_;
};

}  // namespace

RowidPlan planRowidComparisons(const std::vector<Token> &toks) { return Planner(toks).run(); }

}  // namespace ocilite
