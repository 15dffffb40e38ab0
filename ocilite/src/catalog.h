// The data dictionary and ROWIDs.
//
// A table's SQLite rowid n is the row n % kRowsPerBlock of block
// n / kRowsPerBlock in relative file 1; an extent is kBlocksPerExtent blocks,
// so ROWID order is rowid order. ROWIDs are 18-character extended ROWID text
// (data object number 6, file 3, block 6, row 3 in Oracle's base-64
// alphabet). Every connection offers, as TEMP views, for every table of the
// file and every schema of the session:
//   DBA_OBJECTS  (OWNER, OBJECT_NAME, SUBOBJECT_NAME, OBJECT_TYPE, DATA_OBJECT_ID)
//   DBA_SEGMENTS (OWNER, SEGMENT_NAME, PARTITION_NAME, SEGMENT_TYPE, BLOCKS)
//   DBA_EXTENTS  (OWNER, SEGMENT_NAME, PARTITION_NAME, SEGMENT_TYPE,
//                 RELATIVE_FNO, BLOCK_ID, BLOCKS)
// and the functions ROWID_CREATE(type, object, file, block, row) (the rewrite
// drops DBMS_ROWID.) and ORA_ROWID_VALUE(text), the rowid a ROWID text stands
// for (comparisons of ROWID with a bind or literal go through it).
#ifndef OCILITE_CATALOG_H
#define OCILITE_CATALOG_H

#include <string>

#include "connection.h"

namespace ocilite {

// Rows of a block: small enough that small tables still span several extents.
constexpr long long kRowsPerBlock = 16;
// Blocks of an extent.
constexpr long long kBlocksPerExtent = 8;

// The ROWID text of rowid in the table with data object number object.
std::string rowidText(long long object, long long rowid);

// REQUIRES: conn->db is open. Returns 0 or an SQLite code.
int createDictionary(Connection *conn);

// Records the schemas of the session for the dictionary views.
// REQUIRES: createDictionary succeeded.
int setDictionarySchemas(Connection *conn);

}  // namespace ocilite

#endif  // OCILITE_CATALOG_H
