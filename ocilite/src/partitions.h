// Table partitions, declared in the stand-in's own catalog table
// ocilite_partitions (TABLE_NAME, PARTITION_NAME, LOW, HIGH): partition
// PARTITION_NAME of TABLE_NAME holds the rows whose SQLite rowid lies in
// LOW..HIGH. Partitions of one table do not overlap; a table with partitions
// has a 'TABLE PARTITION' segment for each and no 'TABLE' segment, so rows
// outside every partition belong to no segment (Oracle refuses them).
//
// A partition's data object number is kPartitionObjectBase +
// table-number * kMaxPartitions + its rank by LOW, so data object order is
// rowid order within a table, and ROWID comparisons (catalog.h) place a
// partition's ROWIDs within LOW..HIGH: an extent boundary inside a block
// shared with the neighbour partition still splits the rows exactly.
#ifndef OCILITE_PARTITIONS_H
#define OCILITE_PARTITIONS_H

#include <sqlite3.h>

#include <string>

namespace ocilite {

constexpr const char *kPartitionsTable = "ocilite_partitions";
// Partitions of one table: its rank fits below the next table's numbers.
constexpr long long kMaxPartitions = 4096;
// Above every table's data object number (1000 + its catalog rowid).
constexpr long long kPartitionObjectBase = 1000000;

// Declares partition pname (rows low..high) of table in db; names are
// upper-cased. Returns 0, or 1 with *message set (no such table, bad range,
// overlap, name taken, too many partitions).
// REQUIRES: db is open.
int declarePartition(sqlite3 *db, const std::string &table, const std::string &pname, long long low,
                     long long high, std::string *message);

// Forgets the partitions of table. Returns 0 or an SQLite code.
int dropPartitions(sqlite3 *db, const std::string &table);

// Creates the TEMP view OCILITE_PARTITION_OBJECTS (OWNER, TABLE_NAME,
// PARTITION_NAME, LOW, HIGH, OBJ) over the catalog, whether or not the file
// has one. REQUIRES: temp.ocilite_schemas exists.
int createPartitionViews(sqlite3 *db);

}  // namespace ocilite

#endif  // OCILITE_PARTITIONS_H
