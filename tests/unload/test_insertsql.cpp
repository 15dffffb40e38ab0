// Statement heads and duplicate-key clauses of INSERT output.
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "unload/insertsql.h"

namespace {

// A column list of the given names; a leading '*' marks a key column.
struct ColumnList {
  COLUMN head{};
  std::vector<std::unique_ptr<COLUMN>> cols;

  explicit ColumnList(const std::vector<std::string> &names) {
    COLUMN *prev = &head;
    for (const std::string &n : names) {
      auto c = std::make_unique<COLUMN>();
      bool key = !n.empty() && n[0] == '*';
      std::string name = key ? n.substr(1) : n;
      strncpy(reinterpret_cast<char *>(c->buf), name.c_str(), COLUMN_NAME_SIZE - 1);
      c->buflen = static_cast<sb4>(strlen(reinterpret_cast<char *>(c->buf)));
      c->ispk = key;
      prev->next = c.get();
      prev = c.get();
      cols.push_back(std::move(c));
    }
  }
};

const text *T(const char *s) { return reinterpret_cast<const text *>(s); }

std::string head(const std::vector<std::string> &names, const char *table, int format,
                 const char *hint) {
  ColumnList list(names);
  text buf[SQLBUF_SIZE];
  int n = getInsertSQL(&list.head, buf, sizeof buf, T(table), format, T(hint));
  EXPECT_EQ(static_cast<size_t>(n), strlen(reinterpret_cast<char *>(buf)));
  return std::string(reinterpret_cast<char *>(buf), static_cast<size_t>(n));
}

std::string clause(const std::vector<std::string> &names) {
  ColumnList list(names);
  text buf[SQLBUF2_SIZE];
  int n = getDuplicateSQL(&list.head, buf, sizeof buf);
  EXPECT_EQ(static_cast<size_t>(n), strlen(reinterpret_cast<char *>(buf)));
  return std::string(reinterpret_cast<char *>(buf), static_cast<size_t>(n));
}

// Heads without a hint in the MySQL and Oracle formats are pinned by the
// INSERT goldens.
TEST(InsertSql, Heads) {
  struct Case {
    std::vector<std::string> names;
    const char *table;
    int format;
    const char *hint;
    const char *want;
  } cases[] = {
      {{"a"}, "t", 1, "IGNORE", "INSERT IGNORE INTO `t` (`a`) VALUES \n"},
      {{"Mixed"}, "s.t", 2, "/*+ APPEND */", "INSERT /*+ APPEND */ INTO s.t (\"Mixed\") VALUES \n"},
      {{"a`b", "ID"}, "scott.dept", 1, "", "INSERT  INTO `scott`.`dept` (`a``b`,`ID`) VALUES \n"},
      {{"a\"b", "X Y", "DATE_1"}, "my tab", 2, "", "INSERT  INTO \"my tab\" (\"a\"\"b\",\"X Y\",DATE_1) VALUES \n"},
      {{"*ID", "*K"}, "T", 1, "", "INSERT IGNORE  INTO `T` (`ID`,`K`) VALUES \n"},
      {{"*K", "V"}, "T", 0, "", "INSERT  INTO T (K,V) VALUES \n"},
  };
  for (const Case &c : cases) EXPECT_EQ(head(c.names, c.table, c.format, c.hint), c.want) << c.want;
}

TEST(InsertSql, DuplicateClauses) {
  struct Case {
    std::vector<std::string> names;
    const char *want;
  } cases[] = {
      {{"A"}, "\nON DUPLICATE KEY UPDATE \n    `A`=VALUES(`A`)"},
      {{"A", "B", "C", "D"},
       "\nON DUPLICATE KEY UPDATE \n    `A`=VALUES(`A`), `B`=VALUES(`B`), `C`=VALUES(`C`), \n    "
       "`D`=VALUES(`D`)"},
      {{"*ID", "A", "*K2", "B"}, "\nON DUPLICATE KEY UPDATE \n    `A`=VALUES(`A`), `B`=VALUES(`B`)"},
      {{"*ID", "*K"}, ""},  // nothing to update: the head says INSERT IGNORE
      {{"*ID", "a`b"}, "\nON DUPLICATE KEY UPDATE \n    `a``b`=VALUES(`a``b`)"},
  };
  for (const Case &c : cases) EXPECT_EQ(clause(c.names), c.want);
}

// The buffers hold the longest texts: 1023 columns of 30-byte names with a
// full hint and table name are never cut.
TEST(InsertSql, LongestColumnListFits) {
  std::vector<std::string> names;
  for (int i = 0; i < MAX_COLUMNS; ++i) {
    std::string n = std::string("C").append(std::to_string(i));
    names.push_back(n + std::string(30 - n.size(), 'X'));
  }
  std::string hint(255, 'h'), table(131, 't');
  std::string h = head(names, table.c_str(), 1, hint.c_str());
  EXPECT_EQ(h.size(), 7 + 255 + 7 + 131 + 3 + MAX_COLUMNS * 33 - 1 + 10);
  EXPECT_EQ(h.substr(h.size() - 10), ") VALUES \n");
  std::string d = clause(names);
  EXPECT_EQ(d.substr(d.size() - 2), "`)");
  EXPECT_LT(d.size(), SQLBUF2_SIZE);
}

// A buffer smaller than the text cuts it, terminated, never past its end.
TEST(InsertSql, SmallBufferIsCutNotOverrun) {
  ColumnList list({"ID", "NAME"});
  text buf[16];
  memset(buf, 'Z', sizeof buf);
  int n = getInsertSQL(&list.head, buf, 12, T("EMP"), 1, T(""));
  EXPECT_EQ(n, 11);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(buf)), "INSERT  INT");
  EXPECT_EQ(buf[12], 'Z');
}

}  // namespace
