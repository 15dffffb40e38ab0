// Logon, connect identifiers, character sets, session statements, errors.
#include <stdlib.h>

#include <fstream>

#include "ocitest.h"

using ocitest::DemoDir;
using ocitest::Session;

namespace {

TEST(Logon, AcceptsKnownUsersAndRefusesWrongPasswords) {
  DemoDir demo;
  struct Case {
    const char *user, *pass;
    sword status;
    const char *error;
    const char *logonError = nullptr;  // OCILITE_LOGON_ERROR
  } cases[] = {
      {"scott", "tiger", OCI_SUCCESS, ""},
      {"SCOTT", "TIGER", OCI_SUCCESS, ""},
      {"system", "manager", OCI_SUCCESS, ""},
      {"scott", "lion", OCI_ERROR, "ORA-01017: invalid username/password; logon denied\n"},
      {"nobody", "tiger", OCI_ERROR, "ORA-01017: invalid username/password; logon denied\n"},
      {"", "", OCI_ERROR, "ORA-01017: invalid username/password; logon denied\n"},
      {"scott", "tiger", OCI_ERROR, "ORA-03113: end-of-file on communication channel\n", "3113"},
  };
  for (const Case &c : cases) {
    if (c.logonError) setenv("OCILITE_LOGON_ERROR", c.logonError, 1);
    Session s;
    EXPECT_EQ(s.logon(c.user, c.pass, demo.db()), c.status) << c.user;
    EXPECT_EQ(s.error(), c.error) << c.user;
    unsetenv("OCILITE_LOGON_ERROR");
  }
}

TEST(Logon, ExternalCredentialsAndSysdba) {
  DemoDir demo;
  Session ext;
  ASSERT_EQ(ext.logon("", "", demo.db(), OCI_CRED_EXT), OCI_SUCCESS) << ext.error();
  EXPECT_EQ(ocitest::queryValue(ext, "SELECT USER FROM DUAL"), "SCOTT");
  Session sys;
  ASSERT_EQ(sys.logon("", "", demo.db(), OCI_CRED_EXT, OCI_SYSDBA), OCI_SUCCESS) << sys.error();
  EXPECT_EQ(ocitest::queryValue(sys, "select user from dual"), "SYS");
}

TEST(Logon, DatabaseWithoutUsersAcceptsAnyName) {
  DemoDir demo;
  std::string db = demo.dir() + "/plain.db";
  ASSERT_EQ(ocitest::runScript(db, "CREATE TABLE T (X NUMBER);\n"), 0);
  Session s;
  ASSERT_EQ(s.logon("whoever", "x", db), OCI_SUCCESS) << s.error();
  EXPECT_EQ(ocitest::queryValue(s, "SELECT USER FROM DUAL"), "WHOEVER");
}

TEST(ConnectText, ResolvesPathsNamesDescriptorsAndEnvironment) {
  DemoDir demo;
  const std::string desc =
      "(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(HOST=dbhost2)(PROTOCOL=TCP)(PORT=1521)))"
      "(CONNECT_DATA=(SID=demo)(SERVER=DEDICATED)))";
  setenv("OCILITE_PATH", ("/nonexistent:" + demo.dir()).c_str(), 1);
  struct Case {
    std::string connect;
    sword status;
    std::string host;
  } cases[] = {
      {demo.db(), OCI_SUCCESS, "localhost"},
      {"demo", OCI_SUCCESS, "localhost"},
      {"demo.db", OCI_SUCCESS, "localhost"},
      {desc, OCI_SUCCESS, "dbhost2"},
      {"nosuchdb", OCI_ERROR, ""},
      {"(DESCRIPTION=(CONNECT_DATA=(SID=nosuch)))", OCI_ERROR, ""},
  };
  for (const Case &c : cases) {
    Session s;
    EXPECT_EQ(s.logon("scott", "tiger", c.connect), c.status) << c.connect;
    if (c.status == OCI_SUCCESS)
      EXPECT_EQ(ocitest::queryValue(s, "SELECT SYS_CONTEXT('USERENV','SERVER_HOST') FROM DUAL"), c.host);
    else
      EXPECT_EQ(s.error(), "ORA-12154: TNS:could not resolve the connect identifier specified\n");
  }
  // An empty connect text falls back to TWO_TASK, then ORACLE_SID.
  unsetenv("TWO_TASK");
  setenv("ORACLE_SID", "demo", 1);
  {
    Session s;
    EXPECT_EQ(s.logon("scott", "tiger", ""), OCI_SUCCESS) << s.error();
  }
  setenv("TWO_TASK", "nosuchdb", 1);
  {
    Session s;
    EXPECT_EQ(s.logon("scott", "tiger", ""), OCI_ERROR);
  }
  unsetenv("TWO_TASK");
  unsetenv("ORACLE_SID");
  unsetenv("OCILITE_PATH");
}

TEST(Charsets, NamesToOracleIds) {
  Session s;
  ASSERT_EQ(OCIEnvNlsCreate(&s.env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 0), OCI_SUCCESS);
  struct Case {
    const char *name;
    ub2 id;
  } cases[] = {{"AL32UTF8", 873},  {"UTF8", 871},         {"ZHS16GBK", 852},   {"ZHS32GB18030", 854},
               {"ZHT16BIG5", 865}, {"ZHT16HKSCS", 868},   {"JA16SJIS", 832},   {"KO16MSWIN949", 846},
               {"WE8MSWIN1252", 178}, {"WE8ISO8859P1", 31}, {"US7ASCII", 1},   {"AL16UTF16", 2000},
               {"al32utf8", 873},  {"NOSUCHSET", 0},      {"", 0}};
  for (const Case &c : cases) EXPECT_EQ(OCINlsCharSetNameToId(s.env, (const oratext *)c.name), c.id) << c.name;
  ub2 id = 0;
  ASSERT_EQ(OCIAttrGet(s.env, OCI_HTYPE_ENV, &id, nullptr, OCI_ATTR_ENV_CHARSET_ID, nullptr), OCI_SUCCESS);
  EXPECT_EQ(id, 873);
  OCIEnv *gbk = nullptr;
  OCIEnvNlsCreate(&gbk, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 852, 0);
  OCIAttrGet(gbk, OCI_HTYPE_ENV, &id, nullptr, OCI_ATTR_ENV_CHARSET_ID, nullptr);
  EXPECT_EQ(id, 852);
  OCIHandleFree(gbk, OCI_HTYPE_ENV);
}

using Errors = ocitest::LoggedOn;
TEST_F(Errors, OracleNumbersAndTexts) {
  struct Case {
    const char *sql;
    const char *error;
  } cases[] = {
      {"SELECT * FROM NOSUCH", "ORA-00942: table or view does not exist\n"},
      {"SELECT x FROM emp", "ORA-00904: \"X\": invalid identifier\n"},
      {"SELECT e.nosuch FROM emp e", "ORA-00904: \"E\".\"NOSUCH\": invalid identifier\n"},
      {"SELECT nosuchfn(1) FROM dual", "ORA-00904: \"NOSUCHFN\": invalid identifier\n"},
      {"ALTER SESSION SET NLS_DATE_FORMAT='YYYY-QQQ-ZZ'", "ORA-01821: date format not recognized\n"},
      {"SELECT 1 FROM dual; DELETE FROM emp", "ORA-00911: invalid character\n"},
      {"INSERT INTO dept VALUES (10, 'X', 'Y')",
       "ORA-00001: unique constraint violated: UNIQUE constraint failed: DEPT.DEPTNO\n"},
  };
  for (const Case &c : cases) {
    OCIStmt *st = s.prepare(c.sql);
    EXPECT_EQ(OCIStmtExecute(s.svc, st, s.err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS), OCI_ERROR) << c.sql;
    EXPECT_EQ(s.error(), c.error) << c.sql;
    OCIHandleFree(st, OCI_HTYPE_STMT);
  }
  // Bad SQL keeps SQLite's words after Oracle's.
  OCIStmt *st = s.prepare("SELECT FROM FROM");
  EXPECT_EQ(OCIStmtExecute(s.svc, st, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_ERROR);
  sb4 code = 0;
  EXPECT_EQ(s.error(&code).rfind("ORA-00933: SQL command not properly ended (", 0), 0u);
  EXPECT_EQ(code, 933);
  OCIHandleFree(st, OCI_HTYPE_STMT);
  // A successful call leaves no error record.
  EXPECT_EQ(s.exec("ALTER SESSION SET EVENTS='10046 TRACE NAME CONTEXT FOREVER,LEVEL 12'"), OCI_SUCCESS);
  EXPECT_EQ(s.error(), "");
}

// Character values put into DATE and TIMESTAMP columns are read by the
// session's formats, as in Oracle; values of a date type go in as they are.
using TextIntoDatetime = ocitest::LoggedOn;
TEST_F(TextIntoDatetime, ConvertedByTheSessionFormats) {
  ASSERT_EQ(s.exec("CREATE TABLE d (id NUMBER, d DATE, t TIMESTAMP(3), z TIMESTAMP WITH TIME ZONE)"), OCI_SUCCESS);
  struct Case { const char *sql, *want; };
  const Case cases[] = {
      {"INSERT INTO d (id, d) VALUES (1, '1999-12-31 23:59:59')", "ORA-01861"},
      {"INSERT INTO d (id, d) VALUES (1, '31-DEC-99')", ""},
      {"INSERT INTO d VALUES (2, '01-' || 'JAN-50', '31-DEC-99 11.59.59.1234 PM', '01-JAN-00 01.02.03.5 AM +05:30')", ""},
      {"INSERT INTO d (id, d) VALUES (3, TO_DATE('2024-02-29', 'YYYY-MM-DD'))", ""},
      {"INSERT INTO d (id, d) VALUES (4, 5)", "ORA-00932"},
      {"INSERT INTO d (id, d) SELECT 4, hiredate FROM emp WHERE empno = 7369", ""},
      {"UPDATE d SET t = '2024-01-01 00:00:00' WHERE id = 1", "ORA-01861"},
      {"ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY-MM-DD HH24:MI:SS' NLS_TIMESTAMP_FORMAT = 'YYYY-MM-DD HH24:MI:SS.FF'", ""},
      {"UPDATE d SET t = '2024-01-01 00:00:00.5', d = '2024-01-01 10:00:00' WHERE id = 1", ""},
      {"INSERT INTO d (id, d) VALUES (5, '31-DEC-99')", "ORA-01861"},
  };
  for (const Case &c : cases) {
    s.exec(c.sql);
    EXPECT_EQ(s.error().substr(0, 9), c.want) << c.sql;
  }
  EXPECT_EQ(ocitest::queryText(s, "SELECT id, d, t, TO_CHAR(z, 'YYYY-MM-DD HH24:MI:SS.FF TZH:TZM') FROM d ORDER BY id"),
            (std::vector<std::vector<std::string>>{
                {"1", "2024-01-01 10:00:00", "2024-01-01 00:00:00.500", "<NULL>"},
                {"2", "1950-01-01 00:00:00", "1999-12-31 23:59:59.123", "2000-01-01 01:02:03.500000 +05:30"},
                {"3", "2024-02-29 00:00:00", "<NULL>", "<NULL>"},
                {"4", "1980-12-17 00:00:00", "<NULL>", "<NULL>"}}));
}

using Handles = ocitest::LoggedOn;
TEST_F(Handles, FreeingTheEnvironmentFreesEverything) {
  // Statements, defines and locators left allocated go with the environment
  // (the sanitizer run checks that nothing leaks).
  OCIStmt *st = s.prepare("SELECT ename FROM emp");
  ASSERT_EQ(OCIStmtExecute(s.svc, st, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS);
  char buf[20];
  OCIDefine *def = nullptr;
  OCIDefineByPos(st, &def, s.err, 1, buf, sizeof buf, SQLT_STR, nullptr, nullptr, nullptr, OCI_DEFAULT);
  OCILobLocator *loc = nullptr;
  EXPECT_EQ(OCIDescriptorAlloc(s.env, (void **)&loc, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
  EXPECT_EQ(OCIHandleFree(s.env, OCI_HTYPE_ENV), OCI_SUCCESS);
  s.env = nullptr;
  EXPECT_EQ(OCIHandleFree(nullptr, OCI_HTYPE_STMT), OCI_INVALID_HANDLE);
}

TEST(AdminTool, RunsScriptsAndStopsAtTheFirstError) {
  DemoDir demo;
  std::string db = demo.dir() + "/script.db";
  EXPECT_EQ(ocitest::runScript(db,
                               "REM a comment line\n"
                               "SET DEFINE OFF\nset echo on\n"
                               "ALTER SESSION SET NLS_TIMESTAMP_TZ_FORMAT = 'YYYY-MM-DD HH24:MI:SS.FF TZH:TZM';\n"
                               "CREATE TABLE T (A VARCHAR2(10 CHAR), B TIMESTAMP(3) WITH TIME ZONE,\n"
                               "  C INTERVAL DAY(3) TO SECOND(2)) TABLESPACE users;\n"
                               "INSERT INTO T VALUES ('x;y', '2020-01-02 03:04:05.678 +01:00', '+001 02:03:04.50');\n"
                               "/\n"),
            0);
  EXPECT_EQ(ocitest::runScript(db, "INSERT INTO T VALUES ('z', NULL, NULL);\nINSERT INTO NOSUCH VALUES (1);\n"), 1);
  Session s;
  ASSERT_EQ(s.logon("scott", "tiger", db), OCI_SUCCESS);
  // The failing script left nothing behind; ';' inside quotes did not split.
  EXPECT_EQ(ocitest::queryValue(s, "SELECT count(*) FROM t"), "1");
  EXPECT_EQ(ocitest::queryValue(s, "SELECT a FROM t"), "x;y");
}

// The output of the admin tool run with args (standard error included).
std::string toolOutput(const std::string &args) {
  std::string out;
  FILE *p = popen((std::string(OCILITE_BIN) + " " + args + " 2>&1").c_str(), "r");
  char buf[512];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  pclose(p);
  return out;
}

TEST(AdminTool, SaysWhatTheDemoMadeAndWhereAScriptFailed) {
  DemoDir demo;
  EXPECT_NE(toolOutput(demo.db() + " --demo").find("tables DEPT (4 rows), EMP (14 rows), BONUS (0 rows)"),
            std::string::npos);
  const std::string script = demo.dir() + "/bad.sql";
  std::ofstream(script) << "CREATE TABLE t (a NUMBER);\n\nINSERT INTO nosuch\n  VALUES (1);\n";
  EXPECT_EQ(toolOutput(demo.db() + " " + script), "ocilite: " + script + ":3: ORA-00942: table or view does not exist\n");
}

}  // namespace
