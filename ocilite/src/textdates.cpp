// Planning the conversion of text into datetime columns (see textdates.h).
#include "textdates.h"

namespace ocilite {
namespace {

bool isName(const Token &t) { return t.kind == Tok::Word || t.kind == Tok::Ident; }

// A name as the table declares it may be written: unquoted in any case.
std::string nameKey(const Token &t) {
  return t.kind == Tok::Ident ? upperCase(t.text.substr(1, t.text.size() >= 2 ? t.text.size() - 2 : 0)) : t.value;
}

class Planner {
 public:
  Planner(const std::vector<Token> &toks, const ColumnKinds &columns) : toks_(toks), cur_{toks}, columns_(columns) {}

  std::map<size_t, TextConversion> run() {
    const size_t first = cur_.next(static_cast<size_t>(-1));
    if (cur_.at(first, "INSERT") && cur_.at(cur_.next(first), "INTO")) insert(cur_.next(cur_.next(first)));
    else if (cur_.at(first, "UPDATE")) update(cur_.next(first));
    return std::move(plan_);
  }

 private:
  // Reads "[owner.]table" at *k; false when it is not a name.
  bool tableAt(size_t *k) {
    if (*k >= toks_.size() || !isName(toks_[*k])) return false;
    table_ = nameKey(toks_[*k]);
    *k = cur_.next(*k);
    if (cur_.atPunct(*k, '.') && cur_.next(*k) < toks_.size() && isName(toks_[cur_.next(*k)])) {
      table_ = nameKey(toks_[cur_.next(*k)]);
      *k = cur_.next(cur_.next(*k));
    }
    kinds_ = columns_(table_);
    return !kinds_.empty();
  }

  const ColumnKind *column(const std::string &name) const {
    for (const ColumnKind &c : kinds_)
      if (upperCase(c.name) == name) return &c;
    return nullptr;
  }

  // True when tokens first..last are string literals and binds joined by ||
  // (or a number, which the conversion refuses as Oracle does).
  bool isCharacterValue(size_t first, size_t last) const {
    bool value = false;
    for (size_t k = first; k <= last && k < toks_.size(); k = cur_.next(k)) {
      if (toks_[k].kind == Tok::String || toks_[k].kind == Tok::Placeholder || toks_[k].kind == Tok::Number) value = true;
      else if (!isPunct(toks_[k], '|')) return false;
    }
    return value;
  }

  void plan(size_t first, size_t last, const ColumnKind *c) {
    if (c != nullptr && c->kind != DatetimeKind::None && isCharacterValue(first, last))
      plan_[first] = {last, c->kind, c->digits};
  }

  // The expressions of the list opened at open, split at its own commas:
  // calls f(first, last) for each; returns the index of its ')'.
  template <typename F>
  size_t eachItem(size_t open, F f) const {
    int depth = 0;
    size_t first = cur_.next(open), last = open;
    for (size_t k = first; k < toks_.size(); k = cur_.next(k)) {
      if (isPunct(toks_[k], '(')) depth++;
      if (isPunct(toks_[k], ')') && depth-- == 0) {
        if (last >= first && last != open) f(first, last);
        return k;
      }
      if (depth == 0 && isPunct(toks_[k], ',')) {
        f(first, last);
        first = cur_.next(k);
        continue;
      }
      last = k;
    }
    return toks_.size();
  }

  void insert(size_t k) {
    if (!tableAt(&k)) return;
    std::vector<const ColumnKind *> targets;
    if (cur_.atPunct(k, '(')) {
      k = cur_.next(eachItem(k, [&](size_t first, size_t) {
        targets.push_back(isName(toks_[first]) ? column(nameKey(toks_[first])) : nullptr);
      }));
    } else {
      for (const ColumnKind &c : kinds_) targets.push_back(&c);
    }
    if (!cur_.at(k, "VALUES")) return;
    for (k = cur_.next(k); cur_.atPunct(k, '('); k = cur_.next(k)) {
      size_t n = 0;
      k = eachItem(k, [&](size_t first, size_t last) {
        if (n < targets.size()) plan(first, last, targets[n]);
        n++;
      });
      if (!cur_.atPunct(cur_.next(k), ',')) break;
      k = cur_.next(k);
    }
  }

  void update(size_t k) {
    if (!tableAt(&k)) return;
    if (k < toks_.size() && isName(toks_[k]) && !cur_.at(k, "SET")) k = cur_.next(k);  // an alias
    if (!cur_.at(k, "SET")) return;
    for (k = cur_.next(k); k < toks_.size();) {
      size_t name = k;
      if (cur_.atPunct(cur_.next(k), '.')) name = cur_.next(cur_.next(k));  // alias.column
      const size_t eq = cur_.next(name);
      if (name >= toks_.size() || !isName(toks_[name]) || !cur_.atPunct(eq, '=')) return;
      size_t last = eq, end = cur_.next(eq);
      int depth = 0;
      for (; end < toks_.size(); end = cur_.next(end)) {
        if (isPunct(toks_[end], '(')) depth++;
        if (isPunct(toks_[end], ')')) depth--;
        if (depth == 0 && (isPunct(toks_[end], ',') || cur_.at(end, "WHERE") || cur_.at(end, "RETURNING"))) break;
        last = end;
      }
      plan(cur_.next(eq), last, column(nameKey(toks_[name])));
      if (!cur_.atPunct(end, ',')) return;
      k = cur_.next(end);
    }
  }

  const std::vector<Token> &toks_;
  Cursor cur_;
  const ColumnKinds &columns_;
  std::string table_;
  std::vector<ColumnKind> kinds_;
  std::map<size_t, TextConversion> plan_;
};

}  // namespace

std::map<size_t, TextConversion> planTextConversions(const std::vector<Token> &toks, const ColumnKinds &columns) {
  if (!columns) return {};
  return Planner(toks, columns).run();
}

}  // namespace ocilite
