// Statement helpers: prepare, execute, bind, release.
#include <string.h>

#include "oracle/database.h"

namespace {

sword allocStmt(DATABASE *db, OCIStmt **stmt) {
  *stmt = nullptr;
  if (OCIHandleAlloc(db->envhp, reinterpret_cast<dvoid **>(stmt), OCI_HTYPE_STMT, 0,
                     nullptr) != OCI_SUCCESS)
    return -1;
  return 0;
}

sword prepareText(DATABASE *db, OCIStmt *stmt, const text *sql) {
  return OCIStmtPrepare(stmt, db->errhp, sql,
                        static_cast<ub4>(strlen(reinterpret_cast<const char *>(sql))),
                        OCI_NTV_SYNTAX, OCI_DEFAULT);
}

}  // namespace

sword prepareStmt8(DATABASE *db, OCIStmt **stmt, const text *sql) {
  if (allocStmt(db, stmt) != 0) return -1;
  if (prepareText(db, *stmt, sql) != OCI_SUCCESS) return oraError8(db);
  return 0;
}

sword executeUpdate8(DATABASE *db, OCIStmt *stmt) {
  if (OCIStmtExecute(db->svchp, stmt, db->errhp, 1, 0, nullptr, nullptr,
                     OCI_COMMIT_ON_SUCCESS) != OCI_SUCCESS)
    return oraError8(db);
  return 0;
}

sword releaseStmt8(DATABASE *, OCIStmt *stmt) {
  if (stmt == nullptr) return 0;
  return OCIHandleFree(stmt, OCI_HTYPE_STMT) == OCI_SUCCESS ? 0 : -1;
}

sword prepareExecute8(DATABASE *db, OCIStmt **stmt, const text *sql) {
  if (allocStmt(db, stmt) != 0) return -1;
  sword rc = 0;
  if (prepareText(db, *stmt, sql) != OCI_SUCCESS) rc = oraError8(db);
  if (rc == 0) rc = executeUpdate8(db, *stmt);
  OCIHandleFree(*stmt, OCI_HTYPE_STMT);
  *stmt = nullptr;
  return rc;
}

sword executeQuery8(DATABASE *db, OCIStmt *stmt) {
  if (OCIStmtExecute(db->svchp, stmt, db->errhp, 0, 0, nullptr, nullptr, OCI_DEFAULT) !=
      OCI_SUCCESS)
    return oraError8(db);
  return 0;
}

sword prepareQuery8(DATABASE *db, OCIStmt **stmt, const text *sql) {
  if (allocStmt(db, stmt) != 0) return -1;
  if (prepareText(db, *stmt, sql) != OCI_SUCCESS && oraError8(db) != 0) return -1;
  return executeQuery8(db, *stmt);
}

sword BindValue(DATABASE *db, OCIStmt *stmt, SQLPARAM *sqlp) {
  sqlp->ob = nullptr;
  return OCIBindByName(stmt, &sqlp->ob, db->errhp, reinterpret_cast<const OraText *>(sqlp->pname),
                       sqlp->nlen, sqlp->pval, sqlp->vlen, SQLT_CHR, nullptr, nullptr, nullptr,
                       1, nullptr, OCI_DEFAULT);
}
