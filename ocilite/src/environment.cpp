// Environments, handle and descriptor lifetimes, error records and
// character-set ids.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "charset.h"
#include "errors.h"
#include "handles.h"
#include "statement.h"

using namespace ocilite;

namespace {

// Every live environment, so that handles an exiting program never freed
// stay reachable (and leak checkers quiet), as a client library's would.
std::mutex gEnvMutex;
OCIEnv *gEnvs = nullptr;

void link(OCIEnv *env, Handle *h) {
  h->env = env;
  h->next = env->owned;
  if (env->owned) env->owned->prev = h;
  env->owned = h;
}

void unlink(Handle *h) {
  OCIEnv *env = h->env;
  if (h->prev) h->prev->next = h->next;
  else if (env && env->owned == h) env->owned = h->next;
  if (h->next) h->next->prev = h->prev;
  h->prev = h->next = nullptr;
}

// Deletes a handle of the environment's list by its own type.
void destroy(Handle *h) {
  h->magic = 0;
  switch (h->type) {
    case OCI_HTYPE_ERROR: delete static_cast<OCIError *>(h); break;
    case OCI_HTYPE_SVCCTX: delete static_cast<OCISvcCtx *>(h); break;
    case OCI_HTYPE_STMT: destroyStatement(static_cast<OCIStmt *>(h)); break;
    case OCI_HTYPE_SERVER: delete static_cast<OCIServer *>(h); break;
    case OCI_HTYPE_SESSION: delete static_cast<OCISession *>(h); break;
    case OCI_DTYPE_LOB: delete static_cast<OCILobLocator *>(h); break;
    default: break;
  }
}

void destroyEnv(OCIEnv *env) {
  // Statements first: their SQLite statements go before the connections.
  for (int pass = 0; pass < 2; pass++) {
    for (Handle *h = env->owned, *next; h != nullptr; h = next) {
      next = h->next;
      if ((pass == 0) == (h->type == OCI_HTYPE_STMT)) {
        unlink(h);
        destroy(h);
      }
    }
  }
  {
    std::lock_guard<std::mutex> lock(gEnvMutex);
    if (env->prevEnv) env->prevEnv->nextEnv = env->nextEnv;
    else gEnvs = env->nextEnv;
    if (env->nextEnv) env->nextEnv->prevEnv = env->prevEnv;
  }
  closeTranscoder(&env->toClient);
  closeTranscoder(&env->toClientN);
  closeTranscoder(&env->fromClient);
  env->magic = 0;
  delete env;
}

// The character set named by NLS_LANG (LANGUAGE_TERRITORY.CHARSET), if any.
ub2 nlsLangCharset() {
  const char *lang = std::getenv("NLS_LANG");
  const char *dot = lang ? std::strrchr(lang, '.') : nullptr;
  return dot ? charsetId(dot + 1) : 0;
}

template <typename T>
sword putAttr(void *dst, ub4 *sizep, T value) {
  if (dst == nullptr) return OCI_ERROR;
  std::memcpy(dst, &value, sizeof value);
  if (sizep) *sizep = sizeof value;
  return OCI_SUCCESS;
}

// Frees a handle of type H with release; OCI_INVALID_HANDLE when hndlp is
// no live handle of that type.
template <typename H>
sword releaseAs(dvoid *hndlp, ub4 type, void (*release)(H *)) {
  H *h = handleOf<H>(hndlp, type);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  release(h);
  return OCI_SUCCESS;
}

}  // namespace

extern "C" {

sword OCIEnvNlsCreate(OCIEnv **envp, ub4 mode, dvoid *ctxp,
                      dvoid *(*malocfp)(dvoid *ctxp, size_t size),
                      dvoid *(*ralocfp)(dvoid *ctxp, dvoid *memptr, size_t newsize),
                      void (*mfreefp)(dvoid *ctxp, dvoid *memptr), size_t xtramem_sz,
                      dvoid **usrmempp, ub2 charset, ub2 ncharset) {
  (void)mode, (void)ctxp, (void)malocfp, (void)ralocfp, (void)mfreefp, (void)xtramem_sz;
  if (envp == nullptr) return OCI_INVALID_HANDLE;
  auto *env = new OCIEnv;
  env->type = OCI_HTYPE_ENV;
  env->env = env;
  ub2 dflt = nlsLangCharset() ? nlsLangCharset() : kAL32UTF8;
  env->charset = charset ? charset : dflt;
  env->ncharset = ncharset ? ncharset : env->charset;
  openTranscoder(&env->toClient, env->charset, true);
  openTranscoder(&env->toClientN, env->ncharset, true);
  openTranscoder(&env->fromClient, env->charset, false);
  {
    std::lock_guard<std::mutex> lock(gEnvMutex);
    env->nextEnv = gEnvs;
    if (gEnvs) gEnvs->prevEnv = env;
    gEnvs = env;
  }
  if (usrmempp) *usrmempp = nullptr;
  *envp = env;
  return OCI_SUCCESS;
}

ub2 OCINlsCharSetNameToId(dvoid *envhp, const oratext *name) {
  if (handleOf<OCIEnv>(envhp, OCI_HTYPE_ENV) == nullptr || name == nullptr) return 0;
  return charsetId((const char *)name);
}

sword OCIHandleAlloc(const dvoid *parenth, dvoid **hndlpp, const ub4 type, const size_t xtramem_sz,
                     dvoid **usrmempp) {
  (void)xtramem_sz;
  OCIEnv *env = handleOf<OCIEnv>(parenth, OCI_HTYPE_ENV);
  if (env == nullptr || hndlpp == nullptr) return OCI_INVALID_HANDLE;
  Handle *h = nullptr;
  switch (type) {
    case OCI_HTYPE_ERROR: h = new OCIError; break;
    case OCI_HTYPE_SVCCTX: h = new OCISvcCtx; break;
    case OCI_HTYPE_STMT: h = new OCIStmt; break;
    case OCI_HTYPE_SERVER: h = new OCIServer; break;
    case OCI_HTYPE_SESSION: h = new OCISession; break;
    default: return OCI_INVALID_HANDLE;
  }
  h->type = type;
  link(env, h);
  if (usrmempp) *usrmempp = nullptr;
  *hndlpp = h;
  return OCI_SUCCESS;
}

sword OCIHandleFree(dvoid *hndlp, const ub4 type) {
  if (type == OCI_HTYPE_ENV) return releaseAs<OCIEnv>(hndlp, type, destroyEnv);
  if (type == OCI_HTYPE_DEFINE) return releaseAs<OCIDefine>(hndlp, type, releaseDefine);
  if (type == OCI_HTYPE_BIND) return releaseAs<OCIBind>(hndlp, type, releaseBind);
  Handle *h = handleOf<Handle>(hndlp, type);
  if (h == nullptr || type == OCI_DTYPE_LOB || type == OCI_DTYPE_PARAM) return OCI_INVALID_HANDLE;
  unlink(h);
  destroy(h);
  return OCI_SUCCESS;
}

sword OCIDescriptorAlloc(const dvoid *parenth, dvoid **descpp, const ub4 type, const size_t xtramem_sz,
                         dvoid **usrmempp) {
  (void)xtramem_sz;
  OCIEnv *env = handleOf<OCIEnv>(parenth, OCI_HTYPE_ENV);
  if (env == nullptr || descpp == nullptr) return OCI_INVALID_HANDLE;
  if (type != OCI_DTYPE_LOB) return OCI_INVALID_HANDLE;
  auto *loc = new OCILobLocator;
  loc->type = type;
  link(env, loc);
  if (usrmempp) *usrmempp = nullptr;
  *descpp = loc;
  return OCI_SUCCESS;
}

sword OCIDescriptorFree(dvoid *descp, const ub4 type) {
  if (type == OCI_DTYPE_PARAM) {
    // Select-list parameters belong to their statement and go with it.
    return handleOf<OCIParam>(descp, OCI_DTYPE_PARAM) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
  }
  OCILobLocator *loc = handleOf<OCILobLocator>(descp, OCI_DTYPE_LOB);
  if (loc == nullptr || type != OCI_DTYPE_LOB) return OCI_INVALID_HANDLE;
  unlink(loc);
  destroy(loc);
  return OCI_SUCCESS;
}

sword OCIErrorGet(dvoid *hndlp, ub4 recordno, OraText *sqlstate, sb4 *errcodep, OraText *bufp, ub4 bufsiz,
                  ub4 type) {
  Handle *h = type == OCI_HTYPE_ERROR || type == OCI_HTYPE_ENV ? handleOf<Handle>(hndlp, type) : nullptr;
  if (h == nullptr) return OCI_INVALID_HANDLE;
  if (recordno != 1 || h->error.code == 0) return OCI_NO_DATA;
  if (errcodep) *errcodep = h->error.code;
  if (sqlstate) std::memcpy(sqlstate, "HY000", 6);
  if (bufp && bufsiz > 0) {
    size_t n = h->error.text.size() < bufsiz - 1 ? h->error.text.size() : bufsiz - 1;
    std::memcpy(bufp, h->error.text.data(), n);
    bufp[n] = 0;
  }
  return OCI_SUCCESS;
}

sword OCIAttrSet(dvoid *trgthndlp, ub4 trghndltyp, dvoid *attributep, ub4 size, ub4 attrtype,
                 OCIError *errhp) {
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  clearError(err);
  Handle *h = handleOf<Handle>(trgthndlp, trghndltyp);
  if (h == nullptr) return OCI_INVALID_HANDLE;
  switch (trghndltyp) {
    case OCI_HTYPE_SVCCTX: {
      auto *svc = static_cast<OCISvcCtx *>(h);
      if (attrtype == OCI_ATTR_SERVER) {
        OCIServer *srv = handleOf<OCIServer>(attributep, OCI_HTYPE_SERVER);
        if (srv == nullptr) return OCI_INVALID_HANDLE;
        svc->server = srv;
        return OCI_SUCCESS;
      }
      if (attrtype == OCI_ATTR_SESSION) {
        OCISession *ses = handleOf<OCISession>(attributep, OCI_HTYPE_SESSION);
        if (ses == nullptr) return OCI_INVALID_HANDLE;
        svc->session = ses;
        return OCI_SUCCESS;
      }
      break;
    }
    case OCI_HTYPE_SESSION: {
      auto *ses = static_cast<OCISession *>(h);
      const char *v = static_cast<const char *>(attributep);
      if (attrtype == OCI_ATTR_USERNAME) {
        ses->username.assign(v ? v : "", v ? size : 0);
        return OCI_SUCCESS;
      }
      if (attrtype == OCI_ATTR_PASSWORD) {
        ses->password.assign(v ? v : "", v ? size : 0);
        return OCI_SUCCESS;
      }
      break;
    }
    case OCI_HTYPE_STMT:
      // Prefetch settings change nothing: rows are read straight from the file.
      if (attrtype == OCI_ATTR_PREFETCH_ROWS || attrtype == OCI_ATTR_PREFETCH_MEMORY) return OCI_SUCCESS;
      break;
    default: break;
  }
  return raise(err, 24315);
}

sword OCIAttrGet(const dvoid *trgthndlp, ub4 trghndltyp, dvoid *attributep, ub4 *sizep, ub4 attrtype,
                 OCIError *errhp) {
  OCIError *err = handleOf<OCIError>(errhp, OCI_HTYPE_ERROR);
  clearError(err);
  Handle *h = handleOf<Handle>(trgthndlp, trghndltyp);
  if (h == nullptr || attributep == nullptr) return OCI_INVALID_HANDLE;
  switch (trghndltyp) {
    case OCI_HTYPE_ENV: {
      auto *env = static_cast<OCIEnv *>(h);
      if (attrtype == OCI_ATTR_ENV_CHARSET_ID) return putAttr<ub2>(attributep, sizep, env->charset);
      if (attrtype == OCI_ATTR_ENV_NCHARSET_ID) return putAttr<ub2>(attributep, sizep, env->ncharset);
      break;
    }
    case OCI_HTYPE_SVCCTX: {
      auto *svc = static_cast<OCISvcCtx *>(h);
      if (attrtype == OCI_ATTR_SERVER) return putAttr<void *>(attributep, sizep, svc->server);
      if (attrtype == OCI_ATTR_SESSION) return putAttr<void *>(attributep, sizep, svc->session);
      break;
    }
    case OCI_HTYPE_SESSION: {
      auto *ses = static_cast<OCISession *>(h);
      if (attrtype == OCI_ATTR_USERNAME) {
        *static_cast<const char **>(attributep) = ses->username.c_str();
        if (sizep) *sizep = (ub4)ses->username.size();
        return OCI_SUCCESS;
      }
      break;
    }
    case OCI_HTYPE_STMT: {
      auto *stmt = static_cast<OCIStmt *>(h);
      if (attrtype == OCI_ATTR_PARAM_COUNT) return putAttr<ub4>(attributep, sizep, (ub4)stmt->columns.size());
      if (attrtype == OCI_ATTR_ROW_COUNT) return putAttr<ub4>(attributep, sizep, stmt->rowCount);
      if (attrtype == OCI_ATTR_ROWS_FETCHED) return putAttr<ub4>(attributep, sizep, stmt->rowsFetched);
      if (attrtype == OCI_ATTR_STMT_TYPE) return putAttr<ub2>(attributep, sizep, statementType(stmt));
      break;
    }
    case OCI_DTYPE_PARAM: {
      auto *param = static_cast<OCIParam *>(h);
      const ColumnType &t = param->column->type;
      switch (attrtype) {
        case OCI_ATTR_DATA_TYPE: return putAttr<ub2>(attributep, sizep, t.code);
        case OCI_ATTR_DATA_SIZE: return putAttr<ub2>(attributep, sizep, t.size);
        case OCI_ATTR_PRECISION: return putAttr<sb2>(attributep, sizep, t.precision);
        case OCI_ATTR_SCALE: return putAttr<sb1>(attributep, sizep, t.scale);
        case OCI_ATTR_CHARSET_FORM: return putAttr<ub1>(attributep, sizep, t.form);
        case OCI_ATTR_CHAR_USED: return putAttr<ub1>(attributep, sizep, t.charUsed);
        case OCI_ATTR_CHAR_SIZE: return putAttr<ub2>(attributep, sizep, t.charSize);
        case OCI_ATTR_CHARSET_ID:
          return putAttr<ub2>(attributep, sizep, t.form == SQLCS_NCHAR ? h->env->ncharset : h->env->charset);
        case OCI_ATTR_IS_NULL: return putAttr<ub1>(attributep, sizep, 1);
        case OCI_ATTR_NAME:
          *static_cast<const char **>(attributep) = param->column->name.c_str();
          if (sizep) *sizep = (ub4)param->column->name.size();
          return OCI_SUCCESS;
        default: break;
      }
      break;
    }
    default: break;
  }
  return raise(err, 24315);
}

}  // extern "C"
