#include "unload/runrecord.h"

#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include "unload/safefile.h"

namespace {

// Bytes of one line of a worker's record: the fixed fields and a file name
// of at most SAFEFILE_NAME_SIZE bytes with the partial suffix, every byte of
// it possibly escaped to two.
constexpr size_t RECORD_LINE_SIZE = 2 * SAFEFILE_NAME_SIZE + 128;
// The longest column name the describe takes, before escaping.
constexpr size_t RECORD_NAME_MAX = 128;
static_assert(RECORD_LINE_SIZE > 2 * RECORD_NAME_MAX + 64, "a record line holds any column name");

// Names travel one per line: a line feed in one is written as \n, a
// backslash as \\, so a name cannot end its line or start another entry.
std::string escapeName(const std::string &name) {
  std::string out;
  for (char c : name) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

std::string unescapeName(const char *s) {
  std::string out;
  for (; *s != 0; ++s) {
    if (*s == '\\' && (s[1] == 'n' || s[1] == '\\')) out += *++s == 'n' ? '\n' : '\\';
    else out += *s;
  }
  return out;
}

// Size of the file name (0 for a device or a pipe), -1 when there is none.
off_t sizeOf(const std::string &name) {
  struct stat st;
  if (stat(name.c_str(), &st) != 0) return -1;
  return S_ISREG(st.st_mode) ? st.st_size : 0;
}

}  // namespace

RUNRECORD &runRecord() {
  static RUNRECORD record;
  return record;
}

void recordFile(RUNRECORD *record, const char *name, FileKind kind, unsigned long long rows,
                unsigned long long bytes, off_t startlen, bool complete) {
  WRITTENFILE f;
  f.name = name;
  f.kind = kind;
  f.rows = rows;
  f.bytes = bytes;
  f.complete = complete;
  if (strcmp(name, STDOUT_NAME) != 0) {
    if (!complete && sizeOf(f.name + PARTIAL_SUFFIX) >= 0) {
      f.name += PARTIAL_SUFFIX;
      startlen = -1;
    }
    const off_t size = sizeOf(f.name);
    if (size < 0) return;  // removed: empty, or cut back to nothing
    const off_t added = size - (startlen > 0 ? startlen : 0);
    f.ondisk = added > 0 ? static_cast<unsigned long long>(added) : 0;
  }
  for (WRITTENFILE &old : record->files) {
    if (old.name == f.name) {
      old = f;
      return;
    }
  }
  record->files.push_back(f);
}

double secondsNow() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

unsigned long long dataRows(const RUNRECORD &record) {
  unsigned long long rows = 0;
  for (const WRITTENFILE &f : record.files)
    if (f.kind == FileKind::Data) rows += f.rows;
  return rows;
}

std::string summaryLine(const RUNRECORD &record, bool compressed) {
  const unsigned long long rows = dataRows(record);
  unsigned long long bytes = 0, ondisk = 0;
  int files = 0;
  for (const WRITTENFILE &f : record.files) {
    bytes += f.bytes;
    ondisk += f.ondisk;
    if (f.name != STDOUT_NAME) ++files;
  }
  const double rate = record.elapsed > 0 ? static_cast<double>(rows) / record.elapsed : 0;
  char line[RECORD_LINE_SIZE];
  int n = snprintf(line, sizeof line, "         summary: %llu rows, %d file%s, %llu bytes", rows, files,
                   files == 1 ? "" : "s", bytes);
  if (compressed) n += snprintf(line + n, sizeof line - n, " (%llu on disk)", ondisk);
  n += snprintf(line + n, sizeof line - n, ", %.2f s, %.0f rows/s", record.elapsed, rate);
  const RANGEINFO *slowest = nullptr;
  for (const RANGEINFO &r : record.ranges)
    if (slowest == nullptr || r.elapsed > slowest->elapsed) slowest = &r;
  if (slowest != nullptr)
    n += snprintf(line + n, sizeof line - n, "; slowest of %zu ranges: range %d, %llu rows in %.2f s",
                  record.ranges.size(), slowest->id, slowest->rows, slowest->elapsed);
  snprintf(line + n, sizeof line - n, ".\n");
  return line;
}

void writeRecord(FILE *fp, const RUNRECORD &record) {
  for (const COLUMNINFO &c : record.columns)
    fprintf(fp, "column %d %d %s\t%s\n", c.precision, c.scale, c.type.c_str(), escapeName(c.name).c_str());
  for (const WRITTENFILE &f : record.files)
    fprintf(fp, "file %d %llu %llu %llu %d %s\n", static_cast<int>(f.kind), f.rows, f.bytes, f.ondisk,
            f.complete ? 1 : 0, escapeName(f.name).c_str());
  fprintf(fp, "end %.6f\n", record.elapsed);
  fflush(fp);
}

namespace {

// One "file" line's fields after the word.
bool readFileLine(const char *s, WRITTENFILE *f) {
  int kind = 0, complete = 0, used = 0;
  if (sscanf(s, "%d %llu %llu %llu %d %n", &kind, &f->rows, &f->bytes, &f->ondisk, &complete, &used) != 5 ||
      kind < 0 || kind > static_cast<int>(FileKind::Control))
    return false;
  f->kind = static_cast<FileKind>(kind);
  f->complete = complete != 0;
  f->name = unescapeName(s + used);
  return true;
}

bool readColumnLine(const char *s, COLUMNINFO *c) {
  int used = 0;
  if (sscanf(s, "%d %d %n", &c->precision, &c->scale, &used) != 2) return false;
  const char *tab = strchr(s + used, '\t');
  if (tab == nullptr) return false;
  c->type.assign(s + used, tab);
  c->name = unescapeName(tab + 1);
  return true;
}

}  // namespace

bool readRecord(FILE *fp, RUNRECORD *into, RANGEINFO *range) {
  char line[RECORD_LINE_SIZE];
  std::vector<COLUMNINFO> columns;
  while (fgets(line, sizeof line, fp) != nullptr) {
    line[strcspn(line, "\n")] = 0;
    if (strncmp(line, "column ", 7) == 0) {
      COLUMNINFO c;
      if (!readColumnLine(line + 7, &c)) return false;
      columns.push_back(c);
    } else if (strncmp(line, "file ", 5) == 0) {
      WRITTENFILE f;
      if (!readFileLine(line + 5, &f)) return false;
      into->files.push_back(f);
      if (f.kind == FileKind::Data) range->rows += f.rows;
    } else if (strncmp(line, "end ", 4) == 0) {
      if (into->columns.empty()) into->columns = columns;
      return sscanf(line + 4, "%lf", &range->elapsed) == 1;
    }
  }
  return false;
}
