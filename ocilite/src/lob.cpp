// LOB reads through locators. A locator of a streamed column (lobstream.h)
// reads its row's value in place through an SQLite blob handle, opened by
// OCILobOpen, so no more than the caller's buffer is in memory at a time;
// other locators hold the value their fetch found. A BFILE's content is
// read from its file piece by piece, never held whole. Offsets and amounts
// count bytes, CLOBs' too: their stored UTF-8 is delivered as it is, so a
// piece may end inside a character, which the next piece completes.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "errors.h"
#include "faults.h"
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

// Opens the blob handle of a stored LOB. A value SQLite keeps as a number
// has no blob handle: its text is loaded into the locator instead.
// Returns 0 or the Oracle error.
sb4 openStored(OCILobLocator *loc) {
  const LobSource &src = loc->stored;
  if (sqlite3_blob_open(src.db, "main", src.table.c_str(), src.column.c_str(), src.rowid, 0, &loc->blob) ==
      SQLITE_OK)
    return 0;
  sqlite3_blob_close(loc->blob);
  loc->blob = nullptr;
  sqlite3_stmt *q = nullptr;
  char *sql = sqlite3_mprintf("SELECT CAST(\"%w\" AS TEXT) FROM main.\"%w\" WHERE rowid = ?1", src.column.c_str(),
                              src.table.c_str());
  sb4 code = kFileNotFound;
  if (sql && sqlite3_prepare_v2(src.db, sql, -1, &q, nullptr) == SQLITE_OK) {
    sqlite3_bind_int64(q, 1, src.rowid);
    if (sqlite3_step(q) == SQLITE_ROW) {
      const unsigned char *t = sqlite3_column_text(q, 0);
      loc->value.assign(t ? (const char *)t : "", (size_t)sqlite3_column_bytes(q, 0));
      loc->stored.table.clear();
      code = 0;
    }
  }
  sqlite3_finalize(q);
  sqlite3_free(sql);
  return code;
}

// True when a read of want bytes from `from` passes the locator's fault
// offset and the fault may fire; *want is then cut to end there.
bool faultsHere(OCILobLocator *loc, size_t from, ub4 *want) {
  if (!loc->faultArmed || from + *want <= loc->faultAt || !claimMarker(loc->faultMarker)) return false;
  *want = from < loc->faultAt ? (ub4)(loc->faultAt - from) : 0;
  return true;
}

}  // namespace

namespace ocilite {

void closeLocator(OCILobLocator *loc) {
  if (loc->blob != nullptr) sqlite3_blob_close(loc->blob);
  loc->blob = nullptr;
  loc->open = false;
}

}  // namespace ocilite

OCILobLocator::~OCILobLocator() { closeLocator(this); }

extern "C" {

sword OCILobOpen(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, ub1 mode) {
  (void)svchp, (void)mode;
  LobCall c = lobCall(errhp, locp);
  if (c.err == nullptr || c.loc == nullptr) return OCI_INVALID_HANDLE;
  if (c.loc->file) {
    FILE *f = std::fopen(c.loc->value.c_str(), "rb");
    if (f == nullptr) return raise(c.err, kFileNotFound, std::strerror(errno));
    std::fclose(f);
  } else if (!c.loc->stored.table.empty() && c.loc->blob == nullptr) {
    if (sb4 code = openStored(c.loc)) return raise(c.err, code);
  }
  const LobFault fault = lobFaultFromEnvironment();
  c.loc->faultArmed = fault.armed && !c.loc->file;
  c.loc->faultAt = fault.at;
  c.loc->faultMarker = fault.marker;
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
  sqlite3_blob *blob = c.loc->blob;
  const size_t size = blob ? (size_t)sqlite3_blob_bytes(blob) : c.loc->value.size();
  const size_t avail = from < size ? size - from : 0;
  if (want > avail) want = (ub4)avail;
  const bool fails = faultsHere(c.loc, from, &want);
  if (want > 0 && blob) {
    if (int rc = sqlite3_blob_read(blob, bufp, (int)want, (int)from); rc != SQLITE_OK) {
      *amtp = 0;
      return raiseSqlite(c.err, c.loc->stored.db, rc);
    }
  } else if (want > 0) {
    std::memcpy(bufp, c.loc->value.data() + from, want);
  }
  *amtp = want;
  return fails ? raise(c.err, kLobFaultError) : OCI_SUCCESS;
}

sword OCILobClose(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp) {
  (void)svchp;
  LobCall c = lobCall(errhp, locp);
  if (c.err == nullptr || c.loc == nullptr) return OCI_INVALID_HANDLE;
  if (!c.loc->open) return raise(c.err, kLobNotOpen);
  closeLocator(c.loc);
  return OCI_SUCCESS;
}

}  // extern "C"
