// The loader (see loader.h).
#include "loader.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "ctlfile.h"
#include "errors.h"
#include "loadvalue.h"
#include "records.h"

namespace loader {
namespace {

struct Counts {
  long long loaded = 0, rejected = 0, discarded = 0, skipped = 0, read = 0;
};

std::string quotedName(const std::string &name) {
  std::string r = "\"";
  for (char c : name) r += c == '"' ? std::string("\"\"") : std::string(1, c);
  return r + "\"";
}

bool sameName(const std::string &a, const std::string &b) { return sqlite3_stricmp(a.c_str(), b.c_str()) == 0; }

struct Statement {
  sqlite3_stmt *st = nullptr;
  ~Statement() { sqlite3_finalize(st); }
};

// One load: the control file, the database, and what the records load.
class Load {
 public:
  Load(ControlFile cf, sqlite3 *db) : cf_(std::move(cf)), db_(db) {}
  ~Load() { ocilite::closeTranscoder(&fromData_); }

  // Everything checked before the first record; false with *error.
  bool setup(std::string *error) {
    return findTable(error) && readColumns() && mapFields(error) && openCharacterSet(error) && checkFiles(error);
  }

  LoadStatus run() {
    if (!begin()) return LoadStatus::Failed;
    bool ok = true;
    for (size_t f = 0; ok && f < cf_.files.size() && !stopped_; f++) ok = loadFile(f);
    if (!ok || sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
      if (ok) fatal(ocilite::oracleErrorOf(db_, SQLITE_ERROR));
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      return LoadStatus::Failed;
    }
    report();
    return counts_.rejected + counts_.discarded == 0 ? LoadStatus::Loaded : LoadStatus::Warnings;
  }

 private:
  std::string at(int line) const { return cf_.path + ":" + std::to_string(line) + ": "; }

  bool findTable(std::string *error) {
    Statement q;
    sqlite3_prepare_v2(db_, "SELECT name FROM main.sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE",
                       -1, &q.st, nullptr);
    sqlite3_bind_text(q.st, 1, cf_.table.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(q.st) != SQLITE_ROW)
      return *error = at(cf_.tableLine) + "ORA-00942: table or view does not exist: " + cf_.table, false;
    table_ = reinterpret_cast<const char *>(sqlite3_column_text(q.st, 0));
    return true;
  }

  bool readColumns() {
    Statement q;
    sqlite3_prepare_v2(db_, ("PRAGMA main.table_info(" + quotedName(table_) + ")").c_str(), -1, &q.st, nullptr);
    while (sqlite3_step(q.st) == SQLITE_ROW) {
      TargetColumn c;
      c.name = reinterpret_cast<const char *>(sqlite3_column_text(q.st, 1));
      const unsigned char *decl = sqlite3_column_text(q.st, 2);
      c.declaration = decl ? reinterpret_cast<const char *>(decl) : "";
      ocilite::typeFromDeclaration(c.declaration, &c.type);
      columns_.push_back(std::move(c));
    }
    return true;
  }

  // Each field to its column and the fields its NULLIF conditions read.
  bool mapFields(std::string *error) {
    if (!sessionFormats(&formats_, error)) return false;
    conversions_.resize(cf_.fields.size());
    for (size_t k = 0; k < cf_.fields.size(); k++) {
      const FieldSpec &f = cf_.fields[k];
      const TargetColumn *column = nullptr;
      for (const TargetColumn &c : columns_)
        if (sameName(c.name, f.name)) column = &c;
      if (column == nullptr) return *error = at(f.line) + "column " + f.name + " is not in table " + table_, false;
      for (size_t j = 0; j < k; j++)
        if (conversions_[j].column == column) return *error = at(f.line) + "column " + f.name + " is loaded twice", false;
      std::string why;
      if (!prepareConversion(f, *column, formats_, &conversions_[k], &why)) return *error = at(f.line) + why, false;
      for (const NullIf &n : f.nullIfs)
        if (fieldIndex(n.field) == cf_.fields.size())
          return *error = at(f.line) + "NULLIF names " + n.field + ", which is no field of the list", false;
    }
    return true;
  }

  size_t fieldIndex(const std::string &name) const {
    for (size_t k = 0; k < cf_.fields.size(); k++)
      if (cf_.fields[k].name == name) return k;
    return cf_.fields.size();
  }

  bool openCharacterSet(std::string *error) {
    std::string set = cf_.characterSet;
    if (set.empty()) {
      const char *lang = std::getenv("NLS_LANG");
      const char *dot = lang ? std::strrchr(lang, '.') : nullptr;
      set = dot ? dot + 1 : "AL32UTF8";
    }
    const ub2 id = ocilite::charsetId(set.c_str());
    if (id == 0) return *error = cf_.path + ": character set " + set + " is not one the stand-in knows", false;
    ocilite::openTranscoder(&fromData_, id, false);
    return true;
  }

  bool checkFiles(std::string *error) {
    for (const DataFile &f : cf_.files) {
      RecordReader r;
      if (!r.open(f))
        return *error = at(f.line) + "SQL*Loader-500: unable to open file " + f.name + ": " + std::strerror(errno), false;
    }
    return true;
  }

  bool begin() {
    std::string sql = "INSERT INTO main." + quotedName(table_) + " (", values;
    for (size_t k = 0; k < conversions_.size(); k++) {
      sql += (k ? ", " : "") + quotedName(conversions_[k].column->name);
      values += (k ? ", ?" : "?") + std::to_string(k + 1);
    }
    sql += ") VALUES (" + values + ")";
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db_, sql.c_str(), -1, &insert_.st, nullptr) != SQLITE_OK)
      return fatal(ocilite::oracleErrorOf(db_, SQLITE_ERROR));
    if (cf_.mode == LoadMode::Insert) {
      Statement any;
      sqlite3_prepare_v2(db_, ("SELECT 1 FROM main." + quotedName(table_) + " LIMIT 1").c_str(), -1, &any.st, nullptr);
      if (sqlite3_step(any.st) == SQLITE_ROW) {
        std::fprintf(stderr, "ocilite: %s: SQL*Loader-601: for INSERT option, table must be empty: error on table %s\n",
                     cf_.path.c_str(), table_.c_str());
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
      }
    } else if (cf_.mode != LoadMode::Append &&
               sqlite3_exec(db_, ("DELETE FROM main." + quotedName(table_)).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
      return fatal(ocilite::oracleErrorOf(db_, SQLITE_ERROR));
    }
    return true;
  }

  bool fatal(const ocilite::OracleError &e) {
    std::fprintf(stderr, "ocilite: %s: ORA-%05d: %s; nothing is loaded\n", cf_.path.c_str(), (int)e.code,
                 e.message.c_str());
    return false;
  }

  void reject(const DataFile &f, long long record, const std::string &why) {
    counts_.rejected++;
    std::fprintf(stderr, "ocilite: %s, record %lld: rejected: %s\n", f.name.c_str(), record, why.c_str());
    if (counts_.rejected > cf_.errors) {
      std::fprintf(stderr, "ocilite: %s: more than ERRORS=%lld records rejected: the load stops\n", cf_.path.c_str(),
                   cf_.errors);
      stopped_ = true;
    }
  }

  // Loads the records of data file f; false on a fatal error.
  bool loadFile(size_t index) {
    const DataFile &f = cf_.files[index];
    RecordReader reader;
    reader.open(f);
    std::string record;
    for (long long n = 1; !stopped_; n++) {
      const RecordReader::Next got = reader.next(&record);
      if (got == RecordReader::Next::End) break;
      if (got == RecordReader::Next::TooLong) {
        std::fprintf(stderr, "ocilite: %s, record %lld: longer than %zu bytes; nothing is loaded\n", f.name.c_str(), n,
                     kMaxRecordBytes);
        return false;
      }
      if (index == 0 && n <= cf_.skip) {
        counts_.skipped++;
        continue;
      }
      if (cf_.load >= 0 && counts_.read >= cf_.load) break;
      counts_.read++;
      if (got == RecordReader::Next::Short) {
        reject(f, n, "shorter than its FIX length of " + std::to_string(f.recordLength) + " bytes");
        continue;
      }
      if (!loadRecord(f, n, record)) return false;
    }
    return true;
  }

  // Loads one record; false on a fatal error.
  bool loadRecord(const DataFile &f, long long n, const std::string &record) {
    std::vector<std::optional<std::string>> fields;
    std::string why;
    if (!splitRecord(cf_, record, &fields, &why)) return reject(f, n, why), true;
    applyNullIfs(&fields);
    bool any = false;
    for (size_t k = 0; k < fields.size() && why.empty(); k++) {
      Value v;
      if (fields[k] && !fields[k]->empty() &&
          !convertField(conversions_[k], *fields[k], fromData_, &lobs_, &v, &why))
        why = "column " + cf_.fields[k].name + ": " + why;
      any = any || v.kind != Value::Null;
      bind((int)k + 1, v);
    }
    if (!why.empty()) return reject(f, n, why), true;
    if (!any) return counts_.discarded++, true;  // every field NULL: SQL*Loader does not load it
    const int rc = sqlite3_step(insert_.st);
    sqlite3_reset(insert_.st);
    if (rc == SQLITE_DONE) return counts_.loaded++, true;
    const ocilite::OracleError e = ocilite::oracleErrorOf(db_, rc);
    if ((rc & 0xff) != SQLITE_CONSTRAINT && (rc & 0xff) != SQLITE_TOOBIG && (rc & 0xff) != SQLITE_MISMATCH)
      return fatal(e);
    char code[16];
    std::snprintf(code, sizeof code, "ORA-%05d: ", (int)e.code);
    reject(f, n, code + e.message);
    return true;
  }

  void bind(int k, const Value &v) {
    if (v.kind == Value::Null) sqlite3_bind_null(insert_.st, k);
    else if (v.kind == Value::Text) sqlite3_bind_text(insert_.st, k, v.bytes.data(), (int)v.bytes.size(), SQLITE_TRANSIENT);
    else sqlite3_bind_blob(insert_.st, k, v.bytes.data(), (int)v.bytes.size(), SQLITE_TRANSIENT);
  }

  void applyNullIfs(std::vector<std::optional<std::string>> *fields) const {
    std::vector<bool> null(fields->size(), false);
    for (size_t k = 0; k < fields->size(); k++)
      for (const NullIf &n : cf_.fields[k].nullIfs) {
        const std::optional<std::string> &v = (*fields)[fieldIndex(n.field)];
        const bool match = n.blanks ? !v || v->find_first_not_of(" \t") == std::string::npos : v && *v == n.text;
        if (match != n.negated) null[k] = true;
      }
    for (size_t k = 0; k < fields->size(); k++)
      if (null[k]) (*fields)[k].reset();
  }

  void report() const {
    const auto rows = [](long long n) { return std::to_string(n) + (n == 1 ? " Row" : " Rows"); };
    std::printf("Table %s:\n  %s successfully loaded.\n  %s not loaded due to data errors.\n"
                "  %s not loaded because all fields were null.\n\n",
                table_.c_str(), rows(counts_.loaded).c_str(), rows(counts_.rejected).c_str(),
                rows(counts_.discarded).c_str());
    std::printf("Total logical records skipped:   %10lld\nTotal logical records read:      %10lld\n"
                "Total logical records rejected:  %10lld\nTotal logical records discarded: %10lld\n",
                counts_.skipped, counts_.read, counts_.rejected, counts_.discarded);
  }

  ControlFile cf_;
  sqlite3 *db_;
  std::string table_;
  std::vector<TargetColumn> columns_;
  SessionFormats formats_;
  std::vector<Conversion> conversions_;
  ocilite::Transcoder fromData_;
  LobFiles lobs_;
  Statement insert_;
  Counts counts_;
  bool stopped_ = false;
};

struct Database {
  sqlite3 *db = nullptr;
  ~Database() { sqlite3_close(db); }
};

}  // namespace

LoadStatus runLoad(const std::string &dbPath, const std::string &ctlPath) {
  std::ifstream in(ctlPath, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "ocilite: cannot read %s: %s\n", ctlPath.c_str(), std::strerror(errno));
    return LoadStatus::Failed;
  }
  std::stringstream text;
  text << in.rdbuf();
  ControlFile cf;
  std::string error;
  if (!parseControlFile(text.str(), ctlPath, &cf, &error)) {
    std::fprintf(stderr, "ocilite: %s\n", error.c_str());
    return LoadStatus::Failed;
  }
  Database d;
  if (sqlite3_open_v2(dbPath.c_str(), &d.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "ocilite: cannot open the database %s: %s\n", dbPath.c_str(), sqlite3_errmsg(d.db));
    return LoadStatus::Failed;
  }
  sqlite3_busy_timeout(d.db, 10000);
  Load load(std::move(cf), d.db);
  if (!load.setup(&error)) {
    std::fprintf(stderr, "ocilite: %s\n", error.c_str());
    return LoadStatus::Failed;
  }
  return load.run();
}

}  // namespace loader
