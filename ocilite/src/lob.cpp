// LOB reads through locators.
#include "errors.h"
#include "handles.h"

using namespace ocilite;

extern "C" {

sword OCILobOpen(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, ub1 mode) {
  (void)svchp, (void)mode;
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  OCILobLocator *loc = handleOf<OCILobLocator>(locp, OCI_DTYPE_LOB);
  if (err == nullptr || loc == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  return raise(err, 3001);
}

sword OCILobRead(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, ub4 *amtp, ub4 offset, dvoid *bufp,
                 ub4 bufl, dvoid *ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm) {
  (void)svchp, (void)amtp, (void)offset, (void)bufp, (void)bufl, (void)ctxp, (void)cbfp, (void)csid, (void)csfrm;
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  OCILobLocator *loc = handleOf<OCILobLocator>(locp, OCI_DTYPE_LOB);
  if (err == nullptr || loc == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  return raise(err, 3001);
}

sword OCILobClose(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp) {
  (void)svchp;
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  OCILobLocator *loc = handleOf<OCILobLocator>(locp, OCI_DTYPE_LOB);
  if (err == nullptr || loc == nullptr) return OCI_INVALID_HANDLE;
  clearError(err);
  return raise(err, 3001);
}

}  // extern "C"
