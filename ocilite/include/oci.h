/*
 * oci.h - the Oracle Call Interface as this program uses it.
 *
 * The embedded stand-in declares the calls with Oracle's 11.1 prototypes and
 * constant values, so that a build against Oracle's own oci.h and libclntsh
 * compiles the same sources unchanged.  Only what the program (and its tests)
 * use is declared here.
 */
#ifndef OCI_ORACLE
#define OCI_ORACLE

#include <stddef.h>

/* ---- Scalar types (oratypes.h) ---------------------------------------- */
typedef unsigned char  ub1;
typedef signed char    sb1;
typedef unsigned short ub2;
typedef signed short   sb2;
typedef unsigned int   ub4;
typedef signed int     sb4;
typedef int            sword;
typedef unsigned int   uword;
typedef unsigned char  oratext;
typedef unsigned char  text;
typedef oratext        OraText;
typedef void           dvoid;
typedef int            boolean;

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Opaque handles and descriptors ----------------------------------- */
typedef struct OCIEnv        OCIEnv;
typedef struct OCIError      OCIError;
typedef struct OCISvcCtx     OCISvcCtx;
typedef struct OCIStmt       OCIStmt;
typedef struct OCIBind       OCIBind;
typedef struct OCIDefine     OCIDefine;
typedef struct OCIServer     OCIServer;
typedef struct OCISession    OCISession;
typedef struct OCIParam      OCIParam;
typedef struct OCILobLocator OCILobLocator;
typedef struct OCISnapshot   OCISnapshot;

typedef sb4 (*OCICallbackLobRead)(dvoid *ctxp, const dvoid *bufp, ub4 len, ub1 piece);

/* ---- Status codes ----------------------------------------------------- */
#define OCI_SUCCESS            0
#define OCI_SUCCESS_WITH_INFO  1
#define OCI_NO_DATA            100
#define OCI_ERROR              (-1)
#define OCI_INVALID_HANDLE     (-2)
#define OCI_NEED_DATA          99
#define OCI_STILL_EXECUTING    (-3123)

/* ---- Modes ------------------------------------------------------------ */
#define OCI_DEFAULT            0x00000000
#define OCI_NTV_SYNTAX         1
#define OCI_COMMIT_ON_SUCCESS  0x00000020
#define OCI_FETCH_NEXT         0x00000002
#define OCI_CRED_RDBMS         1
#define OCI_CRED_EXT           2
#define OCI_SYSDBA             0x00000002
#define OCI_LOB_READONLY       1
#define OCI_DESCRIBE_ONLY      0x00000010
#define OCI_ONE_PIECE          0
#define OCI_FIRST_PIECE        1
#define OCI_NEXT_PIECE         2
#define OCI_LAST_PIECE         3

/* ---- Handle and descriptor types -------------------------------------- */
#define OCI_HTYPE_ENV          1
#define OCI_HTYPE_ERROR        2
#define OCI_HTYPE_SVCCTX       3
#define OCI_HTYPE_STMT         4
#define OCI_HTYPE_BIND         5
#define OCI_HTYPE_DEFINE       6
#define OCI_HTYPE_SERVER       8
#define OCI_HTYPE_SESSION      9
#define OCI_DTYPE_LOB          50
#define OCI_DTYPE_PARAM        53

/* ---- Attributes ------------------------------------------------------- */
#define OCI_ATTR_DATA_SIZE       1
#define OCI_ATTR_DATA_TYPE       2
#define OCI_ATTR_NAME            4
#define OCI_ATTR_PRECISION       5
#define OCI_ATTR_SCALE           6
#define OCI_ATTR_SERVER          6
#define OCI_ATTR_SESSION         7
#define OCI_ATTR_IS_NULL         7
#define OCI_ATTR_ROW_COUNT       9
#define OCI_ATTR_PREFETCH_ROWS   11
#define OCI_ATTR_PREFETCH_MEMORY 13
#define OCI_ATTR_PARAM_COUNT     18
#define OCI_ATTR_USERNAME        22
#define OCI_ATTR_PASSWORD        23
#define OCI_ATTR_STMT_TYPE       24
#define OCI_ATTR_CHARSET_ID      31
#define OCI_ATTR_CHARSET_FORM    32
#define OCI_ATTR_ROWS_FETCHED    197
#define OCI_ATTR_CHAR_USED       285
#define OCI_ATTR_CHAR_SIZE       286
#define OCI_ATTR_ENV_CHARSET_ID  207
#define OCI_ATTR_ENV_NCHARSET_ID 208

/* ---- Statement types (OCI_ATTR_STMT_TYPE) ----------------------------- */
#define OCI_STMT_SELECT  1
#define OCI_STMT_UPDATE  2
#define OCI_STMT_DELETE  3
#define OCI_STMT_INSERT  4
#define OCI_STMT_CREATE  5
#define OCI_STMT_DROP    6
#define OCI_STMT_ALTER   7
#define OCI_STMT_BEGIN   8
#define OCI_STMT_DECLARE 9

/* ---- External data types ---------------------------------------------- */
#define SQLT_CHR           1
#define SQLT_NUM           2
#define SQLT_INT           3
#define SQLT_FLT           4
#define SQLT_STR           5
#define SQLT_VNU           6
#define SQLT_LNG           8
#define SQLT_VCS           9
#define SQLT_RID           11
#define SQLT_DAT           12
#define SQLT_BFLOAT        21
#define SQLT_BDOUBLE       22
#define SQLT_BIN           23
#define SQLT_LBI           24
#define SQLT_UIN           68
#define SQLT_LVC           94
#define SQLT_LVB           95
#define SQLT_AFC           96
#define SQLT_IBFLOAT       100
#define SQLT_IBDOUBLE      101
#define SQLT_RDD           104
#define SQLT_CLOB          112
#define SQLT_BLOB          113
#define SQLT_BFILEE        114
#define SQLT_ODT           156
#define SQLT_DATE          184
#define SQLT_TIMESTAMP     187
#define SQLT_TIMESTAMP_TZ  188
#define SQLT_INTERVAL_YM   189
#define SQLT_INTERVAL_DS   190
#define SQLT_TIMESTAMP_LTZ 232

/* ---- Character-set forms ---------------------------------------------- */
#define SQLCS_IMPLICIT 1
#define SQLCS_NCHAR    2

/* ---- Calls ------------------------------------------------------------ */
sword OCIEnvNlsCreate(OCIEnv **envp, ub4 mode, dvoid *ctxp,
                      dvoid *(*malocfp)(dvoid *ctxp, size_t size),
                      dvoid *(*ralocfp)(dvoid *ctxp, dvoid *memptr, size_t newsize),
                      void (*mfreefp)(dvoid *ctxp, dvoid *memptr),
                      size_t xtramem_sz, dvoid **usrmempp,
                      ub2 charset, ub2 ncharset);
ub2 OCINlsCharSetNameToId(dvoid *envhp, const oratext *name);

sword OCIHandleAlloc(const dvoid *parenth, dvoid **hndlpp, const ub4 type,
                     const size_t xtramem_sz, dvoid **usrmempp);
sword OCIHandleFree(dvoid *hndlp, const ub4 type);
sword OCIDescriptorAlloc(const dvoid *parenth, dvoid **descpp, const ub4 type,
                         const size_t xtramem_sz, dvoid **usrmempp);
sword OCIDescriptorFree(dvoid *descp, const ub4 type);

sword OCIServerAttach(OCIServer *srvhp, OCIError *errhp, const OraText *dblink,
                      sb4 dblink_len, ub4 mode);
sword OCIServerDetach(OCIServer *srvhp, OCIError *errhp, ub4 mode);

sword OCIAttrGet(const dvoid *trgthndlp, ub4 trghndltyp, dvoid *attributep,
                 ub4 *sizep, ub4 attrtype, OCIError *errhp);
sword OCIAttrSet(dvoid *trgthndlp, ub4 trghndltyp, dvoid *attributep, ub4 size,
                 ub4 attrtype, OCIError *errhp);

sword OCISessionBegin(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp,
                      ub4 credt, ub4 mode);
sword OCISessionEnd(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp, ub4 mode);

sword OCIStmtPrepare(OCIStmt *stmtp, OCIError *errhp, const OraText *stmt,
                     ub4 stmt_len, ub4 language, ub4 mode);
sword OCIBindByName(OCIStmt *stmtp, OCIBind **bindp, OCIError *errhp,
                    const OraText *placeholder, sb4 placeh_len, dvoid *valuep,
                    sb4 value_sz, ub2 dty, dvoid *indp, ub2 *alenp, ub2 *rcodep,
                    ub4 maxarr_len, ub4 *curelep, ub4 mode);
sword OCIStmtExecute(OCISvcCtx *svchp, OCIStmt *stmtp, OCIError *errhp, ub4 iters,
                     ub4 rowoff, const OCISnapshot *snap_in, OCISnapshot *snap_out,
                     ub4 mode);
sword OCIParamGet(const dvoid *hndlp, ub4 htype, OCIError *errhp, dvoid **parmdpp,
                  ub4 pos);
sword OCIDefineByPos(OCIStmt *stmtp, OCIDefine **defnp, OCIError *errhp,
                     ub4 position, dvoid *valuep, sb4 value_sz, ub2 dty,
                     dvoid *indp, ub2 *rlenp, ub2 *rcodep, ub4 mode);
sword OCIStmtFetch(OCIStmt *stmtp, OCIError *errhp, ub4 nrows, ub2 orientation,
                   ub4 mode);

sword OCILobOpen(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, ub1 mode);
sword OCILobRead(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp, ub4 *amtp,
                 ub4 offset, dvoid *bufp, ub4 bufl, dvoid *ctxp,
                 OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm);
sword OCILobClose(OCISvcCtx *svchp, OCIError *errhp, OCILobLocator *locp);

sword OCIErrorGet(dvoid *hndlp, ub4 recordno, OraText *sqlstate, sb4 *errcodep,
                  OraText *bufp, ub4 bufsiz, ub4 type);

#ifdef __cplusplus
}
#endif

#endif /* OCI_ORACLE */
