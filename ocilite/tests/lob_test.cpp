// LOB locators: reads in pieces of the caller's buffer, and reads that fail part-way.
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ocitest.h"

namespace {

constexpr ub4 kPiece = 32768;
const std::vector<size_t> kSizes = {0, 1, 32767, 32768, 32769, 10u << 20};

// Content of a LOB of n bytes: a text of 1- to 3-byte characters, cut at
// n bytes (so possibly inside a character), or bytes of every value.
std::string content(size_t n, bool binary) {
  const std::string chars = "a\xc3\xb1\xe2\x82\xac";  // a ñ €
  std::string s(n, 0);
  for (size_t i = 0; i < n; i++) s[i] = binary ? (char)((i * 7 + n) % 251) : chars[i % chars.size()];
  return s;
}

class Lobs : public ocitest::LoggedOn {
 protected:
  void SetUp() override {
    LoggedOn::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_EQ(s.exec("CREATE TABLE l (id NUMBER, c CLOB, b BLOB, f BFILE)"), OCI_SUCCESS) << s.error();
    for (size_t n : kSizes) {
      // The BFILE names a file of the BLOB's content.
      const std::string file = demo.dir() + "/f" + std::to_string(n);
      std::ofstream(file, std::ios::binary) << content(n, true);
      if (n == 0) {
        ASSERT_EQ(s.exec("INSERT INTO l VALUES (0, EMPTY_CLOB(), EMPTY_BLOB(), '" + file + "')"), OCI_SUCCESS)
            << s.error();
        continue;
      }
      const std::string c = content(n, false), b = content(n, true);
      OCIStmt *st = s.prepare("INSERT INTO l VALUES (" + std::to_string(n) + ", :c, :b, '" + file + "')");
      OCIBind *bc = nullptr, *bb = nullptr;
      OCIBindByName(st, &bc, s.err, (const OraText *)":c", -1, (void *)c.data(), (sb4)n, SQLT_CHR, nullptr, nullptr,
                    nullptr, 0, nullptr, OCI_DEFAULT);
      OCIBindByName(st, &bb, s.err, (const OraText *)":b", -1, (void *)b.data(), (sb4)n, SQLT_LBI, nullptr, nullptr,
                    nullptr, 0, nullptr, OCI_DEFAULT);
      ASSERT_EQ(OCIStmtExecute(s.svc, st, s.err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS)
          << s.error();
      OCIHandleFree(st, OCI_HTYPE_STMT);
    }
  }

  // Reads every row's LOB of column `column` (CLOB or BLOB) through
  // locators with amount 0 in pieces of kPiece; per row its content and the
  // number of pieces, and the first error ("" when none).
  struct Read {
    std::string data;
    size_t pieces = 0;
  };
  std::vector<Read> readAll(const std::string &sql, ub2 dty, std::string *error) {
    constexpr ub4 kRows = 8;
    OCIStmt *st = s.query(sql);
    std::vector<OCILobLocator *> locs(kRows);
    for (auto &l : locs) OCIDescriptorAlloc(s.env, (void **)&l, OCI_DTYPE_LOB, 0, nullptr);
    sb2 ind[kRows];
    OCIDefine *def = nullptr;
    OCIDefineByPos(st, &def, s.err, 1, locs.data(), 0, dty, ind, nullptr, nullptr, OCI_DEFAULT);
    EXPECT_EQ(OCIStmtFetch(st, s.err, kRows, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA) << s.error();
    ub4 got = 0;
    OCIAttrGet(st, OCI_HTYPE_STMT, &got, nullptr, OCI_ATTR_ROWS_FETCHED, s.err);
    std::vector<Read> out(got);
    std::vector<char> buf(kPiece);
    for (ub4 r = 0; r < got && error->empty(); r++) {
      EXPECT_EQ(ind[r], 0);
      if (OCILobOpen(s.svc, s.err, locs[r], OCI_LOB_READONLY) != OCI_SUCCESS) {
        *error = s.error();
        break;
      }
      for (ub4 offset = 1;;) {
        ub4 amount = 0;
        sword rc = OCILobRead(s.svc, s.err, locs[r], &amount, offset, buf.data(), kPiece, nullptr, nullptr, 0, 0);
        out[r].data.append(buf.data(), amount);
        out[r].pieces++;
        offset += amount;
        if (rc != OCI_SUCCESS) *error = s.error();
        if (rc != OCI_SUCCESS || amount < kPiece) break;
      }
      EXPECT_EQ(OCILobClose(s.svc, s.err, locs[r]), OCI_SUCCESS);
    }
    for (auto &l : locs) OCIDescriptorFree(l, OCI_DTYPE_LOB);
    OCIHandleFree(st, OCI_HTYPE_STMT);
    return out;
  }
};

TEST_F(Lobs, ReadsInPiecesOfTheBufferWithTheLastOneShorter) {
  struct Case {
    std::string sql;
    ub2 dty;
    bool binary;
  } cases[] = {
      {"SELECT c FROM l ORDER BY id", SQLT_CLOB, false},
      {"SELECT x.b FROM scott.l x WHERE id >= 0 ORDER BY id", SQLT_BLOB, true},
      {"SELECT * FROM l ORDER BY id", SQLT_BLOB, false},  // the first column: a number, held
      {"SELECT nvl(b, b) FROM l ORDER BY id", SQLT_BLOB, true},  // an expression: held
      {"SELECT f FROM l ORDER BY id", SQLT_BFILEE, true},        // read from the file it names
  };
  for (const Case &c : cases) {
    std::string error;
    std::vector<Read> reads = readAll(c.sql, c.dty, &error);
    EXPECT_EQ(error, "");
    ASSERT_EQ(reads.size(), kSizes.size()) << c.sql;
    for (size_t i = 0; i < kSizes.size(); i++) {
      const size_t n = kSizes[i];
      const std::string want = c.sql.find('*') != std::string::npos ? std::to_string(n) : content(n, c.binary);
      EXPECT_TRUE(reads[i].data == want) << c.sql << ": " << n << " bytes, read " << reads[i].data.size();
      EXPECT_EQ(reads[i].pieces, want.size() / kPiece + 1) << c.sql << ": " << n;
    }
  }
  // A BFILE whose file is gone fails to open.
  std::string error;
  readAll("SELECT '" + demo.dir() + "/gone' FROM dual", SQLT_BFILEE, &error);
  EXPECT_EQ(error, "ORA-22288: file or LOB operation failed: No such file or directory\n");
}

TEST_F(Lobs, StreamedColumnsStillFetchInline) {
  auto rows = ocitest::queryText(s, "SELECT id, c, rawtohex(b) FROM l WHERE id BETWEEN 1 AND 2", 200);
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"1", "a", "01"}}));
  rows = ocitest::queryText(s, "SELECT c AS text, b bytes FROM l WHERE id <= 1 ORDER BY id", 200);
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"<NULL>", "<NULL>"}, {"a", "01"}}));
  // A locator beside an inline long value of the same row.
  OCIStmt *st = s.query("SELECT c, b FROM l WHERE id = 32769");
  OCILobLocator *loc = nullptr;
  OCIDescriptorAlloc(s.env, (void **)&loc, OCI_DTYPE_LOB, 0, nullptr);
  std::vector<char> inl(4 + 32769);
  OCIDefine *d1 = nullptr, *d2 = nullptr;
  OCIDefineByPos(st, &d1, s.err, 1, &loc, 0, SQLT_CLOB, nullptr, nullptr, nullptr, OCI_DEFAULT);
  OCIDefineByPos(st, &d2, s.err, 2, inl.data(), (sb4)inl.size(), SQLT_LVB, nullptr, nullptr, nullptr, OCI_DEFAULT);
  ASSERT_EQ(OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS) << s.error();
  EXPECT_TRUE(std::string(inl.begin() + 4, inl.end()) == content(32769, true));
  std::vector<char> buf(40000);
  ub4 amount = 0;
  ASSERT_EQ(OCILobOpen(s.svc, s.err, loc, OCI_LOB_READONLY), OCI_SUCCESS);
  ASSERT_EQ(OCILobRead(s.svc, s.err, loc, &amount, 1, buf.data(), 40000, nullptr, nullptr, 0, 0), OCI_SUCCESS);
  EXPECT_TRUE(std::string(buf.data(), amount) == content(32769, false));
  OCILobClose(s.svc, s.err, loc);
  OCIDescriptorFree(loc, OCI_DTYPE_LOB);
  OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Lobs, AReadPastTheFaultOffsetFailsAfterTheBytesBeforeIt) {
  const std::string marker = demo.dir() + "/lobonce";
  struct Case {
    std::string env;
    std::string error;
    size_t bytes;  // of the 10 MB LOB read before the read stops
  } cases[] = {
      {"40000", "ORA-01555: snapshot too old", 40000},
      {"32768", "ORA-01555: snapshot too old", 32768},
      {"0:" + marker, "ORA-01555: snapshot too old", 0},
      {"0:" + marker, "", 10u << 20},
      {"x40", "", 10u << 20},
  };
  for (const Case &c : cases) {
    setenv("OCILITE_LOB_FAULT", c.env.c_str(), 1);
    std::string error;
    std::vector<Read> reads = readAll("SELECT b FROM l WHERE id = " + std::to_string(10u << 20), SQLT_BLOB, &error);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(error.substr(0, c.error.size()), c.error) << c.env;
    EXPECT_EQ(error.empty(), c.error.empty()) << c.env << ": " << error;
    EXPECT_TRUE(reads[0].data == content(10u << 20, true).substr(0, c.bytes)) << c.env << ": " << reads[0].data.size();
  }
  unsetenv("OCILITE_LOB_FAULT");
}

}  // namespace
