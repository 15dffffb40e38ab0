// Test helpers: a demo database in a temporary folder, and a logged-on
// session driven through the C interface the way the program drives it.
#ifndef OCILITE_TESTS_OCITEST_H
#define OCILITE_TESTS_OCITEST_H

#include <oci.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace ocitest {

// A fresh folder holding demo.db, built with the admin tool.
class DemoDir {
 public:
  DemoDir() {
    char pattern[] = "/tmp/ocilite-test-XXXXXX";
    dir_ = mkdtemp(pattern);
    std::string cmd = std::string(OCILITE_BIN) + " " + db() + " --demo";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  ~DemoDir() { std::filesystem::remove_all(dir_); }
  std::string db() const { return dir_ + "/demo.db"; }
  const std::string &dir() const { return dir_; }

 private:
  std::string dir_;
};

// Runs the admin tool with args (its messages dropped); its exit status.
inline int tool(const std::string &args) {
  const std::string cmd = std::string(OCILITE_BIN) + " " + args + " 2>/dev/null";
  return WEXITSTATUS(std::system(cmd.c_str()));
}

// Runs the admin tool with a script on standard input; its exit status.
inline int runScript(const std::string &db, const std::string &script) {
  std::string path = std::filesystem::path(db).parent_path() / "script.sql";
  FILE *f = std::fopen(path.c_str(), "wb");
  std::fwrite(script.data(), 1, script.size(), f);
  std::fclose(f);
  return tool(db + " - < " + path);
}

struct Session {
  OCIEnv *env = nullptr;
  OCIError *err = nullptr;
  OCIServer *srv = nullptr;
  OCISvcCtx *svc = nullptr;
  OCISession *ses = nullptr;

  ~Session() {
    if (env) OCIHandleFree(env, OCI_HTYPE_ENV);
  }

  // The connectDB sequence; returns the status of the first failing call.
  sword logon(const std::string &user, const std::string &pass, const std::string &connect,
              ub4 cred = OCI_CRED_RDBMS, ub4 mode = OCI_DEFAULT, ub2 charset = 0) {
    sword rc = OCIEnvNlsCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, charset, 0);
    if (rc) return rc;
    OCIHandleAlloc(env, (void **)&err, OCI_HTYPE_ERROR, 0, nullptr);
    OCIHandleAlloc(env, (void **)&srv, OCI_HTYPE_SERVER, 0, nullptr);
    OCIHandleAlloc(env, (void **)&svc, OCI_HTYPE_SVCCTX, 0, nullptr);
    if ((rc = OCIServerAttach(srv, err, (const OraText *)connect.c_str(), (sb4)connect.size(), OCI_DEFAULT)))
      return rc;
    OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err);
    OCIHandleAlloc(env, (void **)&ses, OCI_HTYPE_SESSION, 0, nullptr);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, (void *)user.c_str(), (ub4)user.size(), OCI_ATTR_USERNAME, err);
    OCIAttrSet(ses, OCI_HTYPE_SESSION, (void *)pass.c_str(), (ub4)pass.size(), OCI_ATTR_PASSWORD, err);
    if ((rc = OCISessionBegin(svc, err, ses, cred, mode))) return rc;
    return OCIAttrSet(svc, OCI_HTYPE_SVCCTX, ses, 0, OCI_ATTR_SESSION, err);
  }

  // Error record 1: "ORA-NNNNN: ...\n", or "" when there is none.
  std::string error(sb4 *code = nullptr) const {
    text buf[512] = {0};
    sb4 c = 0;
    if (OCIErrorGet(err, 1, nullptr, &c, buf, sizeof buf, OCI_HTYPE_ERROR) != OCI_SUCCESS) return "";
    if (code) *code = c;
    return (const char *)buf;
  }

  OCIStmt *prepare(const std::string &sql) {
    OCIStmt *st = nullptr;
    OCIHandleAlloc(env, (void **)&st, OCI_HTYPE_STMT, 0, nullptr);
    EXPECT_EQ(OCIStmtPrepare(st, err, (const OraText *)sql.c_str(), (ub4)sql.size(), OCI_NTV_SYNTAX, OCI_DEFAULT),
              OCI_SUCCESS);
    return st;
  }

  // Prepares and executes a query, leaving its cursor open.
  OCIStmt *query(const std::string &sql) {
    OCIStmt *st = prepare(sql);
    EXPECT_EQ(OCIStmtExecute(svc, st, err, 0, 0, nullptr, nullptr, OCI_DEFAULT), OCI_SUCCESS) << sql << error();
    return st;
  }

  // Sets the session's date formats to ISO ones.
  sword isoDates() {
    return exec("ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD HH24:MI:SS' NLS_TIMESTAMP_FORMAT='YYYY-MM-DD "
                "HH24:MI:SS.FF' NLS_TIMESTAMP_TZ_FORMAT='YYYY-MM-DD HH24:MI:SS.FF TZH:TZM'");
  }

  // Runs a statement that returns no rows (1 iteration, commit on success).
  sword exec(const std::string &sql) {
    OCIStmt *st = prepare(sql);
    sword rc = OCIStmtExecute(svc, st, err, 1, 0, nullptr, nullptr, OCI_COMMIT_ON_SUCCESS);
    OCIHandleFree(st, OCI_HTYPE_STMT);
    return rc;
  }
};

// A demo database and a session logged on to it as scott.
class LoggedOn : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(s.logon("scott", "tiger", demo.db()), OCI_SUCCESS) << s.error(); }
  DemoDir demo;
  Session s;
};

// A select-list item as the describe gives it.
struct Described {
  std::string name;
  ub2 type, size;
  sb2 precision;
  sb1 scale;
  ub1 form;
  bool operator==(const Described &) const = default;
};

inline std::ostream &operator<<(std::ostream &os, const Described &d) {
  return os << d.name << " type " << d.type << " size " << d.size << " p " << d.precision << " s " << (int)d.scale
            << " form " << (int)d.form;
}

// Every select-list item of sql; a parameter past the last is refused.
inline std::vector<Described> describe(Session &s, const std::string &sql) {
  OCIStmt *st = s.query(sql);
  ub4 n = 0;
  OCIAttrGet(st, OCI_HTYPE_STMT, &n, nullptr, OCI_ATTR_PARAM_COUNT, s.err);
  std::vector<Described> out;
  for (ub4 i = 1; i <= n; i++) {
    OCIParam *p = nullptr;
    EXPECT_EQ(OCIParamGet(st, OCI_HTYPE_STMT, s.err, (void **)&p, i), OCI_SUCCESS);
    Described d{};
    text *name = nullptr;
    ub4 len = 0;
    OCIAttrGet(p, OCI_DTYPE_PARAM, &d.type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
    OCIAttrGet(p, OCI_DTYPE_PARAM, &d.form, nullptr, OCI_ATTR_CHARSET_FORM, s.err);
    OCIAttrGet(p, OCI_DTYPE_PARAM, &name, &len, OCI_ATTR_NAME, s.err);
    OCIAttrGet(p, OCI_DTYPE_PARAM, &d.size, nullptr, OCI_ATTR_DATA_SIZE, s.err);
    OCIAttrGet(p, OCI_DTYPE_PARAM, &d.precision, nullptr, OCI_ATTR_PRECISION, s.err);
    OCIAttrGet(p, OCI_DTYPE_PARAM, &d.scale, nullptr, OCI_ATTR_SCALE, s.err);
    d.name.assign((const char *)name, len);
    out.push_back(d);
  }
  void *p = nullptr;
  EXPECT_EQ(OCIParamGet(st, OCI_HTYPE_STMT, s.err, &p, n + 1), OCI_ERROR);
  OCIHandleFree(st, OCI_HTYPE_STMT);
  return out;
}

// A query defined column by column as SQLT_STR text of `width` bytes, read
// to the end: every row as its values ("<NULL>" for NULL).
inline std::vector<std::vector<std::string>> queryText(Session &s, const std::string &sql, sb4 width = 200) {
  constexpr ub4 kRows = 16;
  std::vector<std::vector<std::string>> out;
  OCIStmt *st = s.prepare(sql);
  sword rc = OCIStmtExecute(s.svc, st, s.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
  EXPECT_EQ(rc, OCI_SUCCESS) << s.error();
  ub4 ncol = 0;
  OCIAttrGet(st, OCI_HTYPE_STMT, &ncol, nullptr, OCI_ATTR_PARAM_COUNT, s.err);
  std::vector<std::vector<char>> bufs(ncol, std::vector<char>((size_t)width * kRows));
  std::vector<std::vector<sb2>> inds(ncol, std::vector<sb2>(kRows));
  std::vector<std::vector<ub2>> lens(ncol, std::vector<ub2>(kRows));
  for (ub4 c = 0; c < ncol; c++) {
    OCIDefine *def = nullptr;
    OCIDefineByPos(st, &def, s.err, c + 1, bufs[c].data(), width, SQLT_CHR, inds[c].data(), lens[c].data(),
                   nullptr, OCI_DEFAULT);
  }
  for (;;) {
    rc = OCIStmtFetch(st, s.err, kRows, OCI_FETCH_NEXT, OCI_DEFAULT);
    ub4 got = 0;
    OCIAttrGet(st, OCI_HTYPE_STMT, &got, nullptr, OCI_ATTR_ROWS_FETCHED, s.err);
    for (ub4 r = 0; r < got; r++) {
      std::vector<std::string> row;
      for (ub4 c = 0; c < ncol; c++)
        row.push_back(inds[c][r] == -1 ? "<NULL>" : std::string(bufs[c].data() + (size_t)r * width, lens[c][r]));
      out.push_back(row);
    }
    if (rc != OCI_SUCCESS) break;
  }
  EXPECT_EQ(rc, OCI_NO_DATA) << s.error();
  OCIHandleFree(st, OCI_HTYPE_STMT);
  return out;
}

// The single value of a one-row, one-column query.
inline std::string queryValue(Session &s, const std::string &sql) {
  auto rows = queryText(s, sql);
  if (rows.size() != 1 || rows[0].size() != 1) return std::string("<").append(std::to_string(rows.size())).append(" rows>");
  return rows[0][0];
}

}  // namespace ocitest

#endif  // OCILITE_TESTS_OCITEST_H
