// LOB reads through locators. A locator holds the value its fetch found;
// reads hand it out in pieces of the caller's buffer. A BFILE's content is
// read from its file piece by piece, never held whole.
#include <cstdio>
#include <cstring>

#include "errors.h"
#include "handles.h"

using namespace ocilite;

namespace {

constexpr sb4 kLobNotOpen = 22289;        // cannot perform operation on an unopened file or LOB
constexpr sb4 kFileNotFound = 22288;      // file or LOB operation failed
constexpr sb4 kInvalidOffset = 24801;     // illegal parameter value in OCI lob function

struct LobCall {
  OCIError *err;
  OCILobLocator *loc;
};

LobCall lobCall(OCIError *errhp, OCILobLocator *locp) {
  LobCall c{handleOf<OCIError>(errhp, OCI_HTYPE_ERROR), handleOf<OCILobLocator>(locp, OCI_DTYPE_LOB)};
  if (c.err) clearError(c.err);
  return c;
}

// Bytes of the BFILE from offset (0-based) into buf; -1 when it cannot be read.
long readFilePiece(const std::string &path, ub4 offset, void *buf, ub4 bufl) {
  FILE *f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return -1;
  long n = -1;
  if (std::fseek(f, (long)offset, SEEK_SET) == 0) n = (long)std::fread(buf, 1, bufl, f);
  std::fclose(f);
  return n;
}

}  // namespace

extern "C" {

sword OCILobOpen(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, ub1 mode) {
  (void)svchp, (void)mode;
  LobCall c = lobCall(errhp, locp);
  if (c.err == nullptr || c.loc == nullptr) return OCI_INVALID_HANDLE;
  if (c.loc->file) {
    FILE *f = std::fopen(c.loc->value.c_str(), "rb");
    if (f == nullptr) return raise(c.err, kFileNotFound);
    std::fclose(f);
  }
  c.loc->open = true;
  return OCI_SUCCESS;
}

sword OCILobRead(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, ub4 *amtp, ub4 offset, dvoid *bufp,
                 ub4 bufl, dvoid *ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm) {
  (void)svchp, (void)ctxp, (void)cbfp, (void)csid, (void)csfrm;
  LobCall c = lobCall(errhp, locp);
  if (c.err == nullptr || c.loc == nullptr || amtp == nullptr || (bufp == nullptr && bufl > 0))
    return OCI_INVALID_HANDLE;
  if (!c.loc->open) return raise(c.err, kLobNotOpen);
  if (offset < 1) return raise(c.err, kInvalidOffset);
  // Amount 0 asks for everything from offset; one call gives one buffer.
  ub4 want = *amtp == 0 || *amtp > bufl ? bufl : *amtp;
  const ub4 from = offset - 1;
  if (c.loc->file) {
    long n = readFilePiece(c.loc->value, from, bufp, want);
    if (n < 0) return raise(c.err, kFileNotFound);
    *amtp = (ub4)n;
    return OCI_SUCCESS;
  }
  const size_t size = c.loc->value.size();
  const size_t avail = from < size ? size - from : 0;
  if (want > avail) want = (ub4)avail;
  if (want > 0) std::memcpy(bufp, c.loc->value.data() + from, want);
  *amtp = want;
  return OCI_SUCCESS;
}

sword OCILobClose(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp) {
  (void)svchp;
  LobCall c = lobCall(errhp, locp);
  if (c.err == nullptr || c.loc == nullptr) return OCI_INVALID_HANDLE;
  if (!c.loc->open) return raise(c.err, kLobNotOpen);
  c.loc->open = false;
  return OCI_SUCCESS;
}

}  // extern "C"
