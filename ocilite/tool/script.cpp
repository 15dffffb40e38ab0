// Script splitting and execution.
#include "script.h"

#include <oci.h>
#include <sqlite3.h>

#include <cctype>
#include <cstring>

namespace {

std::string upperWord(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && std::isspace((unsigned char)s[i])) i++;
  std::string w;
  while (i < s.size() && (std::isalpha((unsigned char)s[i]) || s[i] == '@')) w += (char)std::toupper((unsigned char)s[i++]);
  return w;
}

bool isSqlPlusCommand(std::string_view line) {
  static constexpr const char *kCommands[] = {"REM", "REMARK", "PROMPT", "SET", "SPOOL", "EXIT",
                                              "QUIT", "WHENEVER", "CONNECT", "SHOW", "COLUMN"};
  std::string w = upperWord(line);
  if (!w.empty() && w[0] == '@') return true;
  for (const char *c : kCommands)
    if (w == c) return true;
  return false;
}

bool blank(std::string_view s) {
  for (char c : s)
    if (!std::isspace((unsigned char)c)) return false;
  return true;
}

// Releases the environment (and with it every handle) on every path.
struct EnvGuard {
  OCIEnv *env = nullptr;
  ~EnvGuard() {
    if (env) OCIHandleFree(env, OCI_HTYPE_ENV);
  }
};

std::string errorText(OCIError *err) {
  text buf[1024] = {0};
  sb4 code = 0;
  OCIErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR);
  std::string s((const char *)buf);
  while (!s.empty() && s.back() == '\n') s.pop_back();
  return s;
}

// Executes one statement; a query is executed and its rows left unread.
bool run(OCISvcCtx *svc, OCIEnv *env, OCIError *err, const std::string &sql) {
  OCIStmt *stmt = nullptr;
  if (OCIHandleAlloc(env, (void **)&stmt, OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS) return false;
  bool ok = OCIStmtPrepare(stmt, err, (const OraText *)sql.data(), (ub4)sql.size(), OCI_NTV_SYNTAX,
                           OCI_DEFAULT) == OCI_SUCCESS;
  if (ok) {
    ub2 type = 0;
    OCIAttrGet(stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, err);
    ok = OCIStmtExecute(svc, stmt, err, type == OCI_STMT_SELECT ? 0 : 1, 0, nullptr, nullptr, OCI_DEFAULT) ==
         OCI_SUCCESS;
  }
  OCIHandleFree(stmt, OCI_HTYPE_STMT);
  return ok;
}

}  // namespace

std::vector<ScriptStatement> splitScript(std::string_view s) {
  std::vector<ScriptStatement> out;
  std::string cur;
  int line = 1, startLine = 1;
  size_t i = 0;
  auto finish = [&]() {
    if (!blank(cur)) out.push_back({cur, startLine});
    cur.clear();
  };
  while (i < s.size()) {
    // At the start of a line outside any statement: SQL*Plus commands and '/'.
    if (i == 0 || s[i - 1] == '\n') {
      size_t eol = s.find('\n', i);
      std::string_view ln = s.substr(i, eol == std::string_view::npos ? s.size() - i : eol - i);
      std::string trimmed(ln);
      while (!trimmed.empty() && std::isspace((unsigned char)trimmed.back())) trimmed.pop_back();
      while (!trimmed.empty() && std::isspace((unsigned char)trimmed.front())) trimmed.erase(0, 1);
      if (trimmed == "/" || (blank(cur) && isSqlPlusCommand(ln))) {
        if (trimmed == "/") finish();
        i += ln.size();
        continue;
      }
      if (blank(cur)) {
        cur.clear();
        startLine = line;
      }
    }
    char c = s[i];
    if (c == '\n') line++;
    if (c == '\'' || c == '"') {
      size_t end = i + 1;
      while (end < s.size()) {
        if (s[end] == c) {
          if (c == '\'' && end + 1 < s.size() && s[end + 1] == '\'') {
            end += 2;
            continue;
          }
          break;
        }
        end++;
      }
      end = end < s.size() ? end + 1 : s.size();
      for (size_t k = i + 1; k < end; k++) line += s[k] == '\n';
      cur.append(s.substr(i, end - i));
      i = end;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') i++;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      size_t end = s.find("*/", i + 2);
      end = end == std::string_view::npos ? s.size() : end + 2;
      for (size_t k = i; k < end; k++) line += s[k] == '\n';
      cur += ' ';
      i = end;
    } else if (c == ';') {
      finish();
      i++;
    } else {
      cur += c;
      i++;
    }
  }
  finish();
  return out;
}

int runScript(const std::string &path, std::string_view script, int *line, std::string *message) {
  *line = 0;
  sqlite3 *db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  sqlite3_close(db);
  if (rc != SQLITE_OK) {
    *message = "cannot create " + path;
    return 1;
  }
  EnvGuard guard;
  OCIError *err = nullptr;
  OCIServer *srv = nullptr;
  OCISvcCtx *svc = nullptr;
  OCISession *ses = nullptr;
  if (OCIEnvNlsCreate(&guard.env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 0) != OCI_SUCCESS ||
      OCIHandleAlloc(guard.env, (void **)&err, OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS ||
      OCIHandleAlloc(guard.env, (void **)&srv, OCI_HTYPE_SERVER, 0, nullptr) != OCI_SUCCESS ||
      OCIHandleAlloc(guard.env, (void **)&svc, OCI_HTYPE_SVCCTX, 0, nullptr) != OCI_SUCCESS ||
      OCIHandleAlloc(guard.env, (void **)&ses, OCI_HTYPE_SESSION, 0, nullptr) != OCI_SUCCESS) {
    *message = "cannot allocate handles";
    return 1;
  }
  if (OCIServerAttach(srv, err, (const OraText *)path.data(), (sb4)path.size(), OCI_DEFAULT) != OCI_SUCCESS ||
      OCIAttrSet(svc, OCI_HTYPE_SVCCTX, srv, 0, OCI_ATTR_SERVER, err) != OCI_SUCCESS ||
      OCISessionBegin(svc, err, ses, OCI_CRED_EXT, OCI_SYSDBA) != OCI_SUCCESS) {
    *message = errorText(err);
    return 1;
  }
  if (!run(svc, guard.env, err, "BEGIN")) {
    *message = errorText(err);
    return 1;
  }
  for (const ScriptStatement &st : splitScript(script)) {
    if (!run(svc, guard.env, err, st.text)) {
      *line = st.line;
      *message = errorText(err);
      run(svc, guard.env, err, "ROLLBACK");
      return 1;
    }
  }
  if (!run(svc, guard.env, err, "COMMIT")) {
    *message = errorText(err);
    return 1;
  }
  return 0;
}
