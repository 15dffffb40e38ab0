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
// drops DBMS_ROWID.) and ORA_ROWID_VALUE(text, table, cut), the rowid a ROWID
// text stands for in a comparison with table's ROWIDs (rowidBound).
#ifndef OCILITE_CATALOG_H
#define OCILITE_CATALOG_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "connection.h"
#include "rowidcompare.h"

namespace ocilite {

// Rows of a block: small enough that small tables still span several extents.
constexpr long long kRowsPerBlock = 16;
// Blocks of an extent.
constexpr long long kBlocksPerExtent = 8;

// The ROWID text of rowid in the table with data object number object.
std::string rowidText(long long object, long long rowid);

// The data object numbers the ROWIDs of one table carry: the table's own,
// and for the rows of a partition (LOW..HIGH) the partition's.
struct RowidObjects {
  struct Partition {
    long long low, high, object;
  };
  long long table = 0;
  std::vector<Partition> partitions;
};

// The objects of table (named as the file declares it) of the main
// database; nothing when it is no table there. REQUIRES: the session's
// schemas are set (setDictionarySchemas).
std::optional<RowidObjects> rowidObjects(sqlite3 *db, const std::string &table);

// Rowids standing for "before every row" and "after every row", and one that
// no row has. A table without partitions is one segment of every other rowid.
constexpr long long kNoRowid = INT64_MIN;
constexpr long long kFirstRowid = INT64_MIN + 1;
constexpr long long kLastRowid = INT64_MAX - 1;
constexpr long long kAfterEveryRowid = INT64_MAX;

// The rowid that a ROWID (data object number object, block * rows + row =
// rowid) stands for in a comparison with the table's ROWIDs by cut: rows
// compare by data object number first, then by rowid. Lower: the rows below
// it are exactly those whose ROWID is less; Upper: the rows up to it are
// those whose ROWID is less or equal; Exact: the row with that ROWID, or
// kNoRowid. Rows outside every partition of a partitioned table are not
// placed (they belong to no segment).
long long rowidBound(const RowidObjects &objects, long long object, long long rowid, RowidCut cut);

// The ROWID text of the row with SQLite rowid `rowid` of that table.
std::string rowidTextOf(const RowidObjects &objects, long long rowid);

// REQUIRES: conn->db is open. Returns 0 or an SQLite code.
int createDictionary(Connection *conn);

// Records the schemas of the session for the dictionary views.
// REQUIRES: createDictionary succeeded.
int setDictionarySchemas(Connection *conn);

}  // namespace ocilite

#endif  // OCILITE_CATALOG_H
