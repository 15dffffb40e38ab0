// One OCI call per wrapper; statuses go back unchanged.
#include "oracle/ocicalls.h"

sword getParamCount8(DATABASE *db, OCIStmt *stmt, ub4 *count) {
  return OCIAttrGet(stmt, OCI_HTYPE_STMT, count, nullptr, OCI_ATTR_PARAM_COUNT, db->errhp);
}

sword getRowCount8(DATABASE *db, OCIStmt *stmt, ub4 *rows) {
  return OCIAttrGet(stmt, OCI_HTYPE_STMT, rows, nullptr, OCI_ATTR_ROW_COUNT, db->errhp);
}

sword getColumnParam8(DATABASE *db, OCIStmt *stmt, ub4 pos, OCIParam **param) {
  return OCIParamGet(stmt, OCI_HTYPE_STMT, db->errhp, reinterpret_cast<dvoid **>(param), pos);
}

sword getParamAttr8(DATABASE *db, OCIParam *param, void *value, ub4 *size, ub4 attr) {
  return OCIAttrGet(param, OCI_DTYPE_PARAM, value, size, attr, db->errhp);
}

sword defineByPos8(DATABASE *db, OCIStmt *stmt, OCIDefine **def, ub4 pos, void *buf,
                   sb4 size, ub2 type, sb2 *ind, ub2 *rlen, ub2 *rcode) {
  return OCIDefineByPos(stmt, def, db->errhp, pos, buf, size, type, ind, rlen, rcode,
                        OCI_DEFAULT);
}

sword freeDefine8(OCIDefine *def) { return OCIHandleFree(def, OCI_HTYPE_DEFINE); }

sword fetchRows8(DATABASE *db, OCIStmt *stmt, ub4 nrows) {
  return OCIStmtFetch(stmt, db->errhp, nrows, OCI_FETCH_NEXT, OCI_DEFAULT);
}

sword allocLobLocator8(DATABASE *db, OCILobLocator **loc) {
  return OCIDescriptorAlloc(db->envhp, reinterpret_cast<dvoid **>(loc), OCI_DTYPE_LOB, 0,
                            nullptr);
}

sword lobOpen8(DATABASE *db, OCILobLocator *loc) {
  return OCILobOpen(db->svchp, db->errhp, loc, OCI_LOB_READONLY);
}

sword lobRead8(DATABASE *db, OCILobLocator *loc, ub4 *amt, ub4 offset, void *buf, ub4 bufl,
               ub1 csfm) {
  return OCILobRead(db->svchp, db->errhp, loc, amt, offset, buf, bufl, nullptr, nullptr, 0,
                    csfm);
}

sword lobClose8(DATABASE *db, OCILobLocator *loc) {
  return OCILobClose(db->svchp, db->errhp, loc);
}

ub2 charsetNameToId8(DATABASE *db, const text *name) {
  if (db->envhp == nullptr) return 0;
  return OCINlsCharSetNameToId(db->envhp, name);
}

ub2 envCharsetId8(DATABASE *db) {
  ub2 id = 0;
  if (db->envhp == nullptr) return 0;
  if (OCIAttrGet(db->envhp, OCI_HTYPE_ENV, &id, nullptr, OCI_ATTR_ENV_CHARSET_ID, db->errhp) !=
      OCI_SUCCESS)
    return 0;
  return id;
}
