// Server attach and detach, session begin and end.
#include <string>

#include "errors.h"
#include "handles.h"

using namespace ocilite;

extern "C" {

sword OCIServerAttach(OCIServer *srvhp, OCIError *errhp, const OraText *dblink, sb4 dblink_len, ub4 mode) {
  (void)mode;
  OCIServer *srv = handleOf<OCIServer>(srvhp, OCI_HTYPE_SERVER);
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  if (srv == nullptr || err == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  std::string text;
  if (dblink != nullptr && dblink_len > 0) text.assign((const char *)dblink, (size_t)dblink_len);
  auto conn = std::make_unique<Connection>();
  std::string path;
  if (!resolveConnectText(text, &path, &conn->host, &conn->sid)) return raise(err, 12154);
  int rc = openConnection(conn.get(), path);
  if (rc != SQLITE_OK) return raiseSqlite(err, conn->db, rc);
  srv->conn = std::move(conn);
  return OCI_SUCCESS;
}

sword OCIServerDetach(OCIServer *srvhp, OCIError *errhp, ub4 mode) {
  (void)mode;
  OCIServer *srv = handleOf<OCIServer>(srvhp, OCI_HTYPE_SERVER);
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  if (srv == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  if (!srv->conn) return raise(err, 3114);
  srv->conn.reset();
  return OCI_SUCCESS;
}

sword OCISessionBegin(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp, ub4 credt, ub4 mode) {
  OCISvcCtx *svc = handleOf<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  OCISession *ses = handleOf<OCISession>(usrhp, OCI_HTYPE_SESSION);
  if (svc == nullptr || err == nullptr || ses == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  if (svc->server == nullptr || !svc->server->conn) return raise(err, 3114);
  std::string user;
  int code = checkLogon(svc->server->conn.get(), ses->username, ses->password, credt == OCI_CRED_EXT,
                        (mode & OCI_SYSDBA) != 0, &user);
  if (code != 0) return raise(err, code);
  ses->active = true;
  svc->session = ses;
  return OCI_SUCCESS;
}

sword OCISessionEnd(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp, ub4 mode) {
  (void)mode;
  OCISvcCtx *svc = handleOf<OCISvcCtx>(svchp, OCI_HTYPE_SVCCTX);
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  OCISession *ses = usrhp ? handleOf<OCISession>(usrhp, OCI_HTYPE_SESSION) : svc ? svc->session : nullptr;
  if (svc == nullptr || ses == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  if (!ses->active) return raise(err, 1012);
  ses->active = false;
  if (svc->server && svc->server->conn) svc->server->conn->user.clear();
  return OCI_SUCCESS;
}

}  // extern "C"
