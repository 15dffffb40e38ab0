// Session record, logon, the error step and teardown.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "oracle/connstr.h"
#include "oracle/database.h"

namespace {

// Step of sleepInterval: the unit of the worker re-run pause.
constexpr useconds_t SLEEP_STEP_US = 100000;

}  // namespace

void initDB(DATABASE *db) {
  memset(db, 0, sizeof *db);
  db->sink = fileSink(stdout);
}

void sleepInterval(int interval) {
  for (int i = 0; i < interval; i++) usleep(SLEEP_STEP_US);
}

sb4 oraError8(DATABASE *db) {
  db->errcode = 0;
  memset(db->errmsg, 0, sizeof db->errmsg);
  if (db->errhp == nullptr) return 0;
  OCIErrorGet(db->errhp, 1, nullptr, &db->errcode, db->errmsg, sizeof db->errmsg,
              OCI_HTYPE_ERROR);
  db->errmsg[sizeof db->errmsg - 1] = 0;
  if (db->errcode != 0) sendLine(db->sink, MsgKind::Error, reinterpret_cast<char *>(db->errmsg));
  return db->errcode;
}

sword connectDB(DATABASE *db, const text *username, const text *password,
                const text *tnsname, ub4 authmode, ub4 mode) {
  if (OCIEnvNlsCreate(&db->envhp, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr,
                      db->charset, db->ncharset) != OCI_SUCCESS)
    return -1;
  if (OCIHandleAlloc(db->envhp, reinterpret_cast<dvoid **>(&db->errhp), OCI_HTYPE_ERROR, 0,
                     nullptr) != OCI_SUCCESS ||
      OCIHandleAlloc(db->envhp, reinterpret_cast<dvoid **>(&db->srvhp), OCI_HTYPE_SERVER, 0,
                     nullptr) != OCI_SUCCESS ||
      OCIHandleAlloc(db->envhp, reinterpret_cast<dvoid **>(&db->svchp), OCI_HTYPE_SVCCTX, 0,
                     nullptr) != OCI_SUCCESS)
    return -1;
  const char *tns = reinterpret_cast<const char *>(tnsname);
  const char *user = reinterpret_cast<const char *>(username);
  const char *pass = reinterpret_cast<const char *>(password);
  bool ok =
      OCIServerAttach(db->srvhp, db->errhp, tnsname, static_cast<sb4>(strlen(tns)),
                      OCI_DEFAULT) == OCI_SUCCESS &&
      OCIAttrSet(db->svchp, OCI_HTYPE_SVCCTX, db->srvhp, 0, OCI_ATTR_SERVER, db->errhp) ==
          OCI_SUCCESS &&
      OCIHandleAlloc(db->envhp, reinterpret_cast<dvoid **>(&db->seshp), OCI_HTYPE_SESSION, 0,
                     nullptr) == OCI_SUCCESS &&
      OCIAttrSet(db->seshp, OCI_HTYPE_SESSION, const_cast<char *>(user),
                 static_cast<ub4>(strlen(user)), OCI_ATTR_USERNAME, db->errhp) == OCI_SUCCESS &&
      OCIAttrSet(db->seshp, OCI_HTYPE_SESSION, const_cast<char *>(pass),
                 static_cast<ub4>(strlen(pass)), OCI_ATTR_PASSWORD, db->errhp) == OCI_SUCCESS &&
      OCISessionBegin(db->svchp, db->errhp, db->seshp, authmode, mode) == OCI_SUCCESS &&
      OCIAttrSet(db->svchp, OCI_HTYPE_SVCCTX, db->seshp, 0, OCI_ATTR_SESSION, db->errhp) ==
          OCI_SUCCESS;
  if (ok) return 0;
  oraError8(db);
  return -1;
}

sword LogonDB(DATABASE *db, const text *o_connstr) {
  LOGONPARTS parts;
  splitConnectString(o_connstr, &parts);
  return connectDB(db, parts.user, parts.pass, parts.tns, parts.authmode, parts.mode);
}

sword disconnectDB(DATABASE *db) {
  if (db->seshp != nullptr) OCISessionEnd(db->svchp, db->errhp, db->seshp, OCI_DEFAULT);
  if (db->srvhp != nullptr) OCIServerDetach(db->srvhp, db->errhp, OCI_DEFAULT);
  if (db->envhp != nullptr) OCIHandleFree(db->envhp, OCI_HTYPE_ENV);
  db->envhp = nullptr;
  db->errhp = nullptr;
  db->srvhp = nullptr;
  db->svchp = nullptr;
  db->seshp = nullptr;
  return 0;
}
