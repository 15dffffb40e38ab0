// Describe, define, array fetch, binds and value texts.
#include <cstring>

#include "ocitest.h"

using ocitest::DemoDir;
using ocitest::Session;
using ocitest::queryText;
using ocitest::queryValue;

namespace {

using Fetch = ocitest::LoggedOn;
using ocitest::Described;
using ocitest::describe;

// The describe of every declared type is pinned by the program's goldens of
// ALLTYPES; here what those do not reach.
TEST_F(Fetch, DescribesComputedColumnsAndNegativeScales) {
  // Owner-qualified names resolve; computed columns are described by value.
  EXPECT_EQ(describe(s, "select ename, e.rowid, 1+1, 'abc' AS \"Lower\", SYSDATE, HEXTORAW('00'), max(hiredate) "
                        "from scott.emp e"),
            (std::vector<Described>{{"ENAME", SQLT_CHR, 10, 0, 0, 1},
                                    {"ROWID", SQLT_RDD, 10, 0, 0, 1},
                                    {"1+1", SQLT_NUM, 22, 0, -127, 1},
                                    {"Lower", SQLT_CHR, 4000, 0, 0, 1},
                                    {"SYSDATE", SQLT_DAT, 7, 0, 0, 1},
                                    {"HEXTORAW('00')", SQLT_BIN, 2000, 0, 0, 1},
                                    {"MAX(HIREDATE)", SQLT_DAT, 7, 0, 0, 1}}));
  // A negative scale (rounding left of the point) keeps its sign.
  ASSERT_EQ(s.exec("CREATE TABLE scales (a NUMBER(3,-2), b NUMBER(5, -1), c NUMBER(5,2), d NUMBER(38,-84))"),
            OCI_SUCCESS)
      << s.error();
  EXPECT_EQ(describe(s, "SELECT * FROM scales"), (std::vector<Described>{{"A", SQLT_NUM, 22, 3, -2, 1},
                                                                         {"B", SQLT_NUM, 22, 5, -1, 1},
                                                                         {"C", SQLT_NUM, 22, 5, 2, 1},
                                                                         {"D", SQLT_NUM, 22, 38, -84, 1}}));
}

// NCHAR(n) holds n characters whatever their byte length: described in
// national-set bytes (two per character), fetched blank-padded to n
// characters. CHAR(n) pads to n bytes.
TEST_F(Fetch, NationalCharIsPaddedToItsLengthInCharacters) {
  ASSERT_EQ(s.exec("CREATE TABLE fixed (id NUMBER(2), n NCHAR(4), c CHAR(12))"), OCI_SUCCESS) << s.error();
  struct Case {
    const char *stored, *nchar, *chr;
  } cases[] = {
      {"ab", "ab  ", "ab          "},
      {"aé", "aé  ", "aé         "},
      {"日本語テ", "日本語テ", "日本語テ"},
      {"x😀", "x😀 ", "x😀       "},  // outside the BMP: two characters
      {"abcd", "abcd", "abcd        "},
  };
  for (size_t i = 0; i < std::size(cases); i++) {
    const std::string v = cases[i].stored;
    ASSERT_EQ(s.exec("INSERT INTO fixed VALUES (" + std::to_string(i) + ", '" + v + "', '" + v + "')"), OCI_SUCCESS)
        << s.error();
  }
  EXPECT_EQ(describe(s, "SELECT n, c FROM fixed"),
            (std::vector<Described>{{"N", SQLT_AFC, 8, 0, 0, 2}, {"C", SQLT_AFC, 12, 0, 0, 1}}));
  const auto rows = queryText(s, "SELECT n, c FROM fixed ORDER BY id");
  ASSERT_EQ(rows.size(), std::size(cases));
  for (size_t i = 0; i < std::size(cases); i++) {
    SCOPED_TRACE(cases[i].stored);
    EXPECT_EQ(rows[i], (std::vector<std::string>{cases[i].nchar, cases[i].chr}));
  }
}

TEST_F(Fetch, ArraysOfAThousandEndWithNoDataAndTheRest) {
  ASSERT_EQ(s.exec("CREATE TABLE big (n NUMBER(6), s VARCHAR2(20))"), OCI_SUCCESS) << s.error();
  ASSERT_EQ(s.exec("INSERT INTO big WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 2500) "
                   "SELECT x, 'row ' || x FROM c"),
            OCI_SUCCESS)
      << s.error();
  constexpr ub4 kArray = 1000;
  std::vector<char> n(kArray * 8), txt(kArray * 20);
  std::vector<sb2> ind(kArray);
  std::vector<ub2> len(kArray), rc(kArray);
  OCIStmt *st = s.query("SELECT n, s FROM big ORDER BY n");
  OCIDefine *d1 = nullptr, *d2 = nullptr;
  OCIDefineByPos(st, &d1, s.err, 1, n.data(), 8, SQLT_CHR, ind.data(), len.data(), rc.data(), OCI_DEFAULT);
  OCIDefineByPos(st, &d2, s.err, 2, txt.data(), 20, SQLT_CHR, nullptr, nullptr, nullptr, OCI_DEFAULT);
  struct Step {
    sword status;
    ub4 fetched, total;
    const char *first;
  } steps[] = {{OCI_SUCCESS, 1000, 1000, "1"}, {OCI_SUCCESS, 1000, 2000, "1001"},
               {OCI_NO_DATA, 500, 2500, "2001"}, {OCI_NO_DATA, 0, 2500, nullptr}};
  for (const Step &step : steps) {
    EXPECT_EQ(OCIStmtFetch(st, s.err, kArray, OCI_FETCH_NEXT, OCI_DEFAULT), step.status);
    ub4 fetched = 0, total = 0;
    OCIAttrGet(st, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, s.err);
    OCIAttrGet(st, OCI_HTYPE_STMT, &total, nullptr, OCI_ATTR_ROW_COUNT, s.err);
    EXPECT_EQ(fetched, step.fetched);
    EXPECT_EQ(total, step.total);
    if (step.first) {
      EXPECT_EQ(std::string(n.data(), len[0]), step.first);
      EXPECT_EQ(ind[0], 0);
      EXPECT_EQ(rc[0], 0);
    }
  }
  EXPECT_EQ(std::string(txt.data() + 499 * 20, 8), "row 2500");
  OCIHandleFree(d1, OCI_HTYPE_DEFINE);
  OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Fetch, NullsAndEmptyStrings) {
  char buf[3][8];
  sb2 ind[3];
  ub2 len[3], rc[3];
  OCIStmt *st = s.query("SELECT c_varchar2 FROM alltypes WHERE id IN (1, 2, 3) ORDER BY id");
  OCIDefine *def = nullptr;
  OCIDefineByPos(st, &def, s.err, 1, buf, 8, SQLT_CHR, ind, len, rc, OCI_DEFAULT);
  EXPECT_EQ(OCIStmtFetch(st, s.err, 3, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS_WITH_INFO);
  // Row 2 holds NULL, row 3 an empty string, which Oracle keeps as NULL.
  EXPECT_EQ((std::vector<int>{ind[0], ind[1], ind[2]}), (std::vector<int>{10, -1, -1}));
  EXPECT_EQ((std::vector<int>{rc[0], rc[1], rc[2]}), (std::vector<int>{1406, 0, 0}));
  OCIHandleFree(st, OCI_HTYPE_STMT);

  // Without an indicator a NULL fails the fetch with ORA-01405.
  st = s.query("SELECT comm FROM emp ORDER BY empno");
  OCIDefineByPos(st, &def, s.err, 1, buf, 8, SQLT_CHR, nullptr, len, rc, OCI_DEFAULT);
  EXPECT_EQ(OCIStmtFetch(st, s.err, 3, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s.error(), "ORA-01405: fetched column value is NULL\n");
  EXPECT_EQ(rc[0], 1405);
  EXPECT_EQ(rc[1], 0);
  OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Fetch, TruncationCutsToTheElementAndReportsTheFullLength) {
  char buf[2][4];
  sb2 ind[2];
  ub2 len[2], rc[2];
  OCIStmt *st = s.query("SELECT ename FROM emp WHERE empno IN (7839, 7654) ORDER BY empno");
  OCIDefine *def = nullptr;
  OCIDefineByPos(st, &def, s.err, 1, buf, 4, SQLT_CHR, ind, len, rc, OCI_DEFAULT);
  EXPECT_EQ(OCIStmtFetch(st, s.err, 2, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS_WITH_INFO);
  EXPECT_EQ(s.error(), "ORA-24345: A Truncation or null fetch error occurred\n");
  EXPECT_EQ(std::string(buf[0], len[0]), "MART");
  EXPECT_EQ((std::vector<int>{ind[0], rc[0], len[0]}), (std::vector<int>{6, 1406, 4}));
  EXPECT_EQ(std::string(buf[1], len[1]), "KING");
  EXPECT_EQ((std::vector<int>{ind[1], rc[1], len[1]}), (std::vector<int>{0, 0, 4}));
  EXPECT_EQ(OCIStmtFetch(st, s.err, 2, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
  OCIHandleFree(st, OCI_HTYPE_STMT);

  // SQLT_STR keeps room for its terminator.
  st = s.query("SELECT 'abcdef' FROM dual");
  char str[4] = {'x', 'x', 'x', 'x'};
  OCIDefineByPos(st, &def, s.err, 1, str, 4, SQLT_STR, ind, len, rc, OCI_DEFAULT);
  EXPECT_EQ(OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS_WITH_INFO);
  EXPECT_STREQ(str, "abc");
  EXPECT_EQ((std::vector<int>{ind[0], rc[0], len[0]}), (std::vector<int>{6, 1406, 3}));
  OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Fetch, BindsMatchPlaceholdersWithoutRegardToCase) {
  OCIStmt *st = s.prepare("SELECT ename FROM emp WHERE empno >= :minrid AND empno <= :MaxRid ORDER BY empno");
  char lo[] = "7800", hi[] = "7876";
  OCIBind *b1 = nullptr, *b2 = nullptr;
  EXPECT_EQ(OCIBindByName(st, &b1, s.err, (const OraText *)"MINRID", 6, lo, 4, SQLT_CHR, nullptr, nullptr, nullptr,
                          0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  EXPECT_EQ(OCIBindByName(st, &b2, s.err, (const OraText *)":maxrid", 7, hi, sizeof hi, SQLT_STR, nullptr, nullptr,
                          nullptr, 0, nullptr, OCI_DEFAULT),
            OCI_SUCCESS);
  OCIBind *b3 = nullptr;
  EXPECT_EQ(OCIBindByName(st, &b3, s.err, (const OraText *)"NOSUCH", 6, hi, 4, SQLT_CHR, nullptr, nullptr, nullptr,
                          0, nullptr, OCI_DEFAULT),
            OCI_ERROR);
  EXPECT_EQ(s.error(), "ORA-01036: illegal variable name/number\n");
  ASSERT_EQ(OCIStmtExecute(s.svc, st, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << s.error();
  char buf[4][12];
  ub2 len[4];
  OCIDefine *def = nullptr;
  OCIDefineByPos(st, &def, s.err, 1, buf, 12, SQLT_CHR, nullptr, len, nullptr, OCI_DEFAULT);
  EXPECT_EQ(OCIStmtFetch(st, s.err, 4, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_NO_DATA);
  ub4 got = 0;
  OCIAttrGet(st, OCI_HTYPE_STMT, &got, nullptr, OCI_ATTR_ROWS_FETCHED, s.err);
  ASSERT_EQ(got, 3u);
  EXPECT_EQ(std::string(buf[0], len[0]) + "," + std::string(buf[2], len[2]), "KING,ADAMS");
  OCIHandleFree(st, OCI_HTYPE_STMT);

  st = s.prepare("SELECT ename FROM emp WHERE empno = :id");
  EXPECT_EQ(OCIStmtExecute(s.svc, st, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s.error(), "ORA-01008: not all variables bound\n");
  OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Fetch, DatesAndTimestampsFollowTheSessionFormats) {
  const char *q = "SELECT hiredate FROM emp WHERE empno = 7369";
  EXPECT_EQ(queryValue(s, q), "17-DEC-80");
  EXPECT_EQ(queryValue(s, "SELECT c_timestamp FROM alltypes WHERE id = 1"), "29-FEB-24 01.45.30.123456 PM");
  ASSERT_EQ(s.exec("ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD HH24:MI:SS'"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("ALTER SESSION SET NLS_TIMESTAMP_FORMAT='YYYY-MM-DD HH24:MI:SSXFF'"), OCI_SUCCESS);
  ASSERT_EQ(s.exec("ALTER SESSION SET NLS_TIMESTAMP_TZ_FORMAT='YYYY-MM-DD HH24:MI:SSXFF TZH:TZM'"), OCI_SUCCESS);
  EXPECT_EQ(queryValue(s, q), "1980-12-17 00:00:00");
  // The demo table's values in these formats are pinned by the unload goldens.
  struct Case {
    const char *format, *want;
  } cases[] = {{"DD.MM.YYYY", "17.12.1980"},     {"Mon DD, YYYY", "Dec 17, 1980"},
               {"fmMonth DD", "December 17"},   {"DY DAY", "WED WEDNESDAY"},
               {"YYYY\"Q\"Q J", "1980Q4 2444591"}, {"HH12:MI AM", "12:00 AM"},
               {"DD-MON-RR", "17-DEC-80"}};
  for (const Case &c : cases) {
    ASSERT_EQ(s.exec(std::string("ALTER SESSION SET NLS_DATE_FORMAT = '") + c.format + "'"), OCI_SUCCESS) << c.format;
    EXPECT_EQ(queryValue(s, q), c.want) << c.format;
  }
  ASSERT_EQ(s.exec("ALTER SESSION SET NLS_TIMESTAMP_FORMAT='HH24:MI:SS.FF3/FF9/FF1'"), OCI_SUCCESS);
  EXPECT_EQ(queryValue(s, "SELECT c_timestamp FROM alltypes WHERE id = 1"), "13:45:30.123/123456000/1");
}

// The demo table's numbers are pinned by the unload goldens.
TEST_F(Fetch, NumbersInOraclesDefaultText) {
  EXPECT_EQ(queryText(s, "SELECT 0.5, -0.05, 1250.5, 800, 0, -7, 1e-5, 123456789012345678, 1e50, -1.5e-60 FROM dual"),
            (std::vector<std::vector<std::string>>{{".5", "-.05", "1250.5", "800", "0", "-7", ".00001",
                                                    "123456789012345678",
                                                    "1.0000000000000000000000000000000000E+50",
                                                    "-1.500000000000000000000000000000000E-60"}}));
}

// Reals in SQLite carry binary noise (0.07 + 1 is not 1.07 exactly); a
// column with a declared scale shows the value at that scale, as Oracle
// stores it, and it fits the column's text width.
TEST_F(Fetch, RealsInScaledColumnsAreRoundedToTheScale) {
  ASSERT_EQ(s.exec("CREATE TABLE amounts (id NUMBER(6), a NUMBER(12,2), b NUMBER(5), c NUMBER)"), OCI_SUCCESS)
      << s.error();
  ASSERT_EQ(s.exec("INSERT INTO amounts VALUES (1, 7/100.0 + 1, 2.5, 1.07)"), OCI_SUCCESS) << s.error();
  ASSERT_EQ(s.exec("INSERT INTO amounts VALUES (2, -0.004, -3.5, 0.1 + 0.2)"), OCI_SUCCESS) << s.error();
  ASSERT_EQ(s.exec("INSERT INTO amounts VALUES (3, 1234567890.125, 99999.4, 1e-3)"), OCI_SUCCESS) << s.error();
  EXPECT_EQ(queryText(s, "SELECT a, b, c FROM amounts ORDER BY id"),
            (std::vector<std::vector<std::string>>{{"1.07", "3", "1.07"},
                                                   {"0", "-4", ".30000000000000004"},
                                                   {"1234567890.13", "99999", ".001"}}));
}

// The demo table's characters, RAW bytes and LOBs as text are pinned by the
// unload goldens.
TEST_F(Fetch, RawBytesAndIntegers) {
  OCIStmt *st = s.query("SELECT c_raw, c_number_p, sal FROM alltypes, emp WHERE id = 1 AND empno = 7499");
  ub1 raw[16];
  ub2 rawLen = 0;
  int32_t num = 0;
  uint16_t sal = 0;
  OCIDefine *d = nullptr;
  OCIDefineByPos(st, &d, s.err, 1, raw, sizeof raw, SQLT_BIN, nullptr, &rawLen, nullptr, OCI_DEFAULT);
  OCIDefineByPos(st, &d, s.err, 2, &num, sizeof num, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  OCIDefineByPos(st, &d, s.err, 3, &sal, sizeof sal, SQLT_UIN, nullptr, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_SUCCESS) << s.error();
  EXPECT_EQ(std::string((char *)raw, rawLen), std::string("\xDE\xAD\xBE\xEF\x00\xFF", 6));
  EXPECT_EQ(num, 42);
  EXPECT_EQ(sal, 1600);
  OCIHandleFree(st, OCI_HTYPE_STMT);

  // A value that does not fit its integer element fails the fetch.
  st = s.query("SELECT 70000 FROM dual");
  OCIDefineByPos(st, &d, s.err, 1, &sal, sizeof sal, SQLT_INT, nullptr, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT), OCI_ERROR);
  EXPECT_EQ(s.error(), "ORA-01455: converting column overflows integer datatype\n");
  OCIHandleFree(st, OCI_HTYPE_STMT);
}

TEST_F(Fetch, PseudoColumnsFunctionsAndDml) {
  EXPECT_EQ(queryText(s, "SELECT USER, NVL(comm, -1), NVL(NULL, 'x'), DECODE(deptno, 10, 'A', 20, 'B', 'C') "
                         "FROM emp WHERE empno IN (7369, 7499) ORDER BY empno"),
            (std::vector<std::vector<std::string>>{{"SCOTT", "-1", "x", "B"}, {"SCOTT", "300", "x", "C"}}));
  EXPECT_EQ(queryValue(s, "SELECT TO_CHAR(TO_DATE('17.12.1980', 'DD.MM.YYYY'), 'YYYY/MM/DD') FROM dual"), "1980/12/17");
  EXPECT_EQ(queryValue(s, "SELECT count(*) FROM emp WHERE hiredate < SYSDATE"), "14");
  EXPECT_EQ(queryValue(s, "SELECT count(*) FROM (SELECT deptno FROM dept MINUS SELECT deptno FROM emp)"), "1");
  OCIStmt *st = s.prepare("UPDATE emp SET sal = sal + 1 WHERE deptno = 10");
  ASSERT_EQ(OCIStmtExecute(s.svc, st, s.err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS), OCI_SUCCESS);
  ub4 rows = 0;
  OCIAttrGet(st, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, s.err);
  EXPECT_EQ(rows, 3u);
  OCIHandleFree(st, OCI_HTYPE_STMT);
  EXPECT_EQ(s.exec("TRUNCATE TABLE bonus"), OCI_SUCCESS);
  EXPECT_EQ(s.exec("DROP TABLE bonus PURGE"), OCI_SUCCESS) << s.error();
}

// Rows of sql as "a,b|c,d", or the Oracle error it fails with ("ORA-NNNNN").
std::string answer(Session &s, const std::string &sql) {
  OCIStmt *st = s.prepare(sql);
  std::string out;
  char buf[64];
  ub2 len = 0;
  sb2 ind = 0;
  OCIDefine *d = nullptr;
  OCIDefineByPos(st, &d, s.err, 1, buf, sizeof buf, SQLT_CHR, &ind, &len, nullptr, OCI_DEFAULT);
  sword rc = OCIStmtExecute(s.svc, st, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
  while (rc == OCI_SUCCESS && (rc = OCIStmtFetch(st, s.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT)) == OCI_SUCCESS)
    out += (out.empty() ? "" : "|") + (ind == -1 ? std::string("<NULL>") : std::string(buf, len));
  if (rc != OCI_NO_DATA) out = s.error().substr(0, 9);
  OCIHandleFree(st, OCI_HTYPE_STMT);
  return out;
}

// ROWNUM and FETCH FIRST limits, ANSI literals, TRUNC and ADD_MONTHS: an
// answer as Oracle gives it, or an error, never another answer.
TEST_F(Fetch, RowLimitsLiteralsAndDateFunctions) {
  ASSERT_EQ(s.isoDates(), OCI_SUCCESS);
  struct Case { const char *sql, *want; };
  const Case cases[] = {
      {"SELECT empno FROM emp WHERE rownum <= 2", "7369|7499"},
      {"SELECT empno FROM emp WHERE deptno = 10 AND ROWNUM < 2", "7782"},
      {"SELECT empno FROM emp WHERE rownum = 2", ""},
      {"SELECT empno FROM emp WHERE rownum < 0", ""},
      {"SELECT ROW_NUMBER() OVER (ORDER BY sal) FROM emp WHERE rownum <= 2", "ORA-03001"},
      {"SELECT TO_CHAR(sal, '9999.00') FROM emp", "ORA-03001"},
      {"SELECT empno FROM emp WHERE rownum <= 2 ORDER BY sal", "ORA-03001"},
      {"SELECT count(*) FROM emp WHERE rownum <= 2", "ORA-03001"},
      {"SELECT empno FROM emp WHERE rownum > 2", "ORA-00904"},
      {"SELECT rownum FROM emp", "ORA-00904"},
      {"SELECT empno FROM emp ORDER BY empno DESC FETCH FIRST 2 ROWS ONLY", "7934|7902"},
      {"SELECT empno FROM emp ORDER BY empno OFFSET 12 ROWS", "7902|7934"},
      {"SELECT empno FROM emp ORDER BY empno OFFSET 1 ROW FETCH NEXT ROW ONLY", "7499"},
      {"SELECT DATE '2024-02-29' FROM dual", "2024-02-29 00:00:00"},
      {"SELECT DATE '2024-02-30' FROM dual", "ORA-01861"},
      {"SELECT TIMESTAMP '2024-02-29 10:11:12.5 +05:30' FROM dual", "2024-02-29 10:11:12.500000 +05:30"},
      {"SELECT TRUNC(hiredate) FROM emp WHERE empno = 7369", "1980-12-17 00:00:00"},
      {"SELECT TRUNC(TIMESTAMP '2024-05-17 10:11:12.5') FROM dual", "2024-05-17 00:00:00"},
      {"SELECT TRUNC(DATE '2024-05-17', 'Q') || ' ' || TRUNC(DATE '2024-05-17', 'YEAR') FROM dual",
       "2024-04-01 00:00:00 2024-01-01 00:00:00"},
      {"SELECT TRUNC(hiredate, 'XX') FROM emp", "ORA-01821"},
      {"SELECT TRUNC(-12.75) || ' ' || TRUNC(12.345, 2) || ' ' || TRUNC(1234, -2) FROM dual", "-12 12.34 1200"},
      {"SELECT ADD_MONTHS(DATE '2024-01-31', 1) || ' ' || ADD_MONTHS(DATE '2024-02-29', -12) FROM dual",
       "2024-02-29 00:00:00 2023-02-28 00:00:00"},
      {"SELECT ADD_MONTHS(hiredate, 1) FROM emp WHERE empno = 7369", "1981-01-17 00:00:00"},
  };
  for (const Case &c : cases) EXPECT_EQ(answer(s, c.sql), c.want) << c.sql;
}

}  // namespace

namespace {

TEST(ClientCharset, TextIsDeliveredAndBoundInTheEnvironmentsSet) {
  DemoDir demo;
  Session l;
  ASSERT_EQ(l.logon("scott", "tiger", demo.db(), OCI_CRED_RDBMS, OCI_DEFAULT, 31), OCI_SUCCESS);
  EXPECT_EQ(queryValue(l, "SELECT c_nvarchar2 FROM alltypes WHERE id = 1"), "Gr\xFC\xDF" "e ??");
  // An NCHAR(6) value is padded to six characters, counted before conversion.
  EXPECT_EQ(queryValue(l, "SELECT c_nchar FROM alltypes WHERE id = 7"), "\xFC     ");
  // Statement text arrives in Latin-1 too.
  EXPECT_EQ(queryValue(l, "SELECT count(*) FROM alltypes WHERE c_nvarchar2 LIKE 'Gr\xFC\xDF" "e%'"), "1");
}

}  // namespace
