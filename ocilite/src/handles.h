// The records behind Oracle's opaque handle types. Every handle and
// descriptor starts with a Handle header; everything allocated from an
// environment is on its list and goes when the environment is freed.
#ifndef OCILITE_HANDLES_H
#define OCILITE_HANDLES_H

#include <oci.h>
#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog.h"
#include "charset.h"
#include "connection.h"
#include "sqlrewrite.h"
#include "types.h"

namespace ocilite {

// Marks a live handle; cleared when it is freed.
constexpr ub4 kHandleMagic = 0x4f43494c;

struct ErrorRecord {
  sb4 code = 0;      // Oracle error number; 0 = no record
  std::string text;  // "ORA-NNNNN: message\n"
};

struct Handle {
  ub4 magic = kHandleMagic;
  ub4 type = 0;               // OCI_HTYPE_* or OCI_DTYPE_*
  OCIEnv *env = nullptr;
  Handle *prev = nullptr;     // the environment's list (handles it owns)
  Handle *next = nullptr;
  ErrorRecord error;          // error and environment handles
};

// A described select-list column.
struct Column {
  std::string name;
  ColumnType type;
  std::string lobColumn;  // a streamed LOB: the column of lobTable it reads
  std::optional<ocilite::RowidObjects> rowids;  // the ROWID pseudo-column: what its texts carry
};

}  // namespace ocilite

struct OCIEnv : ocilite::Handle {
  ub2 charset = 0;
  ub2 ncharset = 0;
  ocilite::Handle *owned = nullptr;  // head of the list of owned handles
  ocilite::Transcoder toClient;      // stored text to charset
  ocilite::Transcoder toClientN;     // stored national text to ncharset
  ocilite::Transcoder fromClient;    // statement text and binds from charset
  OCIEnv *prevEnv = nullptr;         // every live environment, see handles.cpp
  OCIEnv *nextEnv = nullptr;
};

struct OCIError : ocilite::Handle {};

struct OCIServer : ocilite::Handle {
  std::unique_ptr<ocilite::Connection> conn;  // null until attached
};

struct OCISession : ocilite::Handle {
  std::string username;
  std::string password;
  bool active = false;
};

struct OCISvcCtx : ocilite::Handle {
  OCIServer *server = nullptr;
  OCISession *session = nullptr;
};

struct OCIBind : ocilite::Handle {
  std::string name;       // placeholder, upper case, without the colon
  void *value = nullptr;
  sb4 size = 0;
  ub2 dty = SQLT_CHR;
  sb2 *ind = nullptr;
  ub2 *alen = nullptr;
};

struct OCIDefine : ocilite::Handle {
  OCIStmt *stmt = nullptr;
  ub1 *value = nullptr;  // element i at value + i * size
  sb4 size = 0;
  ub2 dty = SQLT_CHR;
  sb2 *ind = nullptr;
  ub2 *rlen = nullptr;
  ub2 *rcode = nullptr;
  size_t *fullLength = nullptr;  // set for long elements: bytes delivered, uncapped
};

struct OCIParam : ocilite::Handle {
  const ocilite::Column *column = nullptr;  // owned by the statement
  ub4 position = 0;
};

namespace ocilite {

// Where a LOB is stored: a column of a row, read in place.
struct LobSource {
  sqlite3 *db = nullptr;
  std::string table;   // empty: the locator holds its value
  std::string column;
  sqlite3_int64 rowid = 0;
};

}  // namespace ocilite

// A LOB locator: the value a fetch found, or where it is stored.
struct OCILobLocator : ocilite::Handle {
  std::string value;   // the LOB content as fetched (or loaded); a BFILE's file path
  ocilite::LobSource stored;     // set: the content is read from there
  sqlite3_blob *blob = nullptr;  // stored content, while the locator is open
  bool binary = false; // BLOB / BFILE or CLOB
  bool file = false;   // BFILE: the content is read from the file named by value
  ub1 form = SQLCS_IMPLICIT;
  bool open = false;
  size_t faultAt = 0;       // a read passing this offset fails (faults.h), when faultArmed
  bool faultArmed = false;
  std::string faultMarker;

  ~OCILobLocator();
};

struct OCIStmt : ocilite::Handle {
  std::string text;                  // as prepared
  bool prepared = false;
  ocilite::Statement sql;            // after the rewrite
  ocilite::Connection *conn = nullptr;  // set by the execute
  sqlite3_stmt *st = nullptr;        // the compiled query, while its cursor is open
  std::vector<std::unique_ptr<OCIBind>> binds;
  std::vector<std::unique_ptr<OCIDefine>> defines;  // by position - 1; null = not defined
  std::vector<std::unique_ptr<OCIParam>> params;
  std::vector<ocilite::Column> columns;             // the described select list
  bool rowPending = false;  // st holds a stepped row not yet fetched
  bool exhausted = false;   // the cursor has passed its last row
  int hiddenColumns = 0;     // st's last columns that the describe leaves out
  int rowidColumn = -1;      // st's column of the table's rowid (streamed LOBs, lobstream.h)
  std::string lobTable;      // the table streamed LOB columns belong to
  std::vector<sqlite3_stmt *> lobReads;  // by position: inline reads of streamed LOB columns
  sqlite3_stmt *heldSt = nullptr;  // until the first fetch of a streamed query: the query as written
  ub4 rowCount = 0;         // rows fetched so far, or rows a DML changed
  ub4 rowsFetched = 0;      // rows of the last fetch
  std::string scratch;      // converted text of one value (grows, is reused)
};

namespace ocilite {

// Ends a locator's reading (closes its blob handle); it may be opened again.
void closeLocator(OCILobLocator *loc);

// The handle behind p if it is live and of the given type, else null.
template <typename T>
T *handleOf(const void *p, ub4 type) {
  auto *h = static_cast<Handle *>(const_cast<void *>(p));
  if (h == nullptr || h->magic != kHandleMagic || h->type != type) return nullptr;
  return static_cast<T *>(h);
}

}  // namespace ocilite

#endif  // OCILITE_HANDLES_H
