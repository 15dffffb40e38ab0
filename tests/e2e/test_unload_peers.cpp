// Real readers of the output: Python's csv module reads text=CSV (RAW as hex
// digits, as SQL*Loader reads it), and a
// MariaDB server loads text=MYSQLINS (with and without unique=, a backquote
// in a column name, owner.table, head=YES) and, through LOAD DATA,
// text=MYSQL; what they hold must equal the source rows.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "unload_support.h"

namespace {

using unloadtest::Unload;
using Value = std::optional<std::string>;

struct Row {
  int id;
  Value txt;
  Value bin;
};

// Oracle keeps '' as NULL, so no row holds an empty string.
const std::vector<Row> &sourceRows() {
  static const std::vector<Row> rows = {
      {1, "plain", std::string("\x00\x01\x02", 3)},
      {2, "He said \"hi\", it's ok; a|b\tc", "\"',;|"},
      {3, "line1\nline2\r\nline3", "\n\r\n"},
      {4, "C:\\temp\\new \\N \\\\", "\\\\\\"},
      {5, "\xe4\xb8\xad\\ \xe6\x96\x87\" \xc3\xa9 \xf0\x9f\x98\x80", std::string("\xff\xfe\x5c\x22\x00", 5)},
      {6, std::nullopt, std::nullopt},
      {7, "\\N", "N"},
      {8, ",", "\x7f"},
  };
  return rows;
}

using testsupport::hex;

// A SQL string expression for the stand-in: quoted text, with CHR() for the
// bytes a literal cannot hold.
std::string literal(const std::string &s) {
  std::string out, run;
  auto flush = [&] {
    if (!run.empty()) out += (out.empty() ? "" : " || ") + ("'" + run + "'");
    run.clear();
  };
  for (unsigned char c : s) {
    if (c == '\'') {
      run += "''";
    } else if (c == '\r') {
      flush();
      out += (out.empty() ? "" : " || ") + std::string("CHR(13)");
    } else {
      run += static_cast<char>(c);
    }
  }
  flush();
  return out.empty() ? "''" : out;
}

// The rows as "id|HEX(txt)|HEX(bin)" lines, NULL as "NULL".
std::string expected() {
  std::string out;
  for (const Row &r : sourceRows()) {
    out += std::to_string(r.id) + "|" + (r.txt ? hex(*r.txt) : "NULL") + "|" + (r.bin ? hex(*r.bin) : "NULL") + "\n";
  }
  return out;
}

struct Peers : Unload {
  void SetUp() override {
    Unload::SetUp();
    std::string sql = "CREATE TABLE PEER (ID NUMBER(4), TXT VARCHAR2(200), BIN RAW(16));\n";
    for (const Row &r : sourceRows()) {
      sql += "INSERT INTO PEER VALUES (" + std::to_string(r.id) + ", " + (r.txt ? literal(*r.txt) : "NULL") + ", " +
             (r.bin ? "HEXTORAW('" + hex(*r.bin) + "')" : "NULL") + ");\n";
    }
    sql += "CREATE TABLE TICK (ID NUMBER(4), \"T`X\" VARCHAR2(200), BIN RAW(16));\n"
           "INSERT INTO TICK SELECT * FROM PEER;\n";
    script(sql);
  }
};

TEST_F(Peers, PythonCsvReadsEveryValue) {
  ASSERT_EQ(q2({"query=select * from peer order by id", "text=CSV", "file=peer.csv"}).status, 0);
  testsupport::writeFile(dir / "read.py",
                         "import csv, sys\n"
                         "with open(sys.argv[1], newline='', encoding='latin-1') as f:\n"
                         "    rows = list(csv.reader(f))\n"
                         "assert rows[0] == ['ID', 'TXT', 'BIN'], rows[0]\n"
                         "for r in rows[1:]:\n"
                         "    h = lambda v: v.encode('latin-1').hex().upper() if v else 'NULL'\n"
                         "    print(r[0] + '|' + h(r[1]) + '|' + (r[2].upper() if r[2] else 'NULL'))\n");
  testsupport::RunResult r = testsupport::runProgram({"/usr/bin/python3", path("read.py"), path("peer.csv")});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, expected());
}

// A MariaDB server of the test's own: temp data folder, private socket, no
// network; stopped by its process id.
class MariaDb {
 public:
  explicit MariaDb(const std::string &root) : root_(root) {}
  ~MariaDb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      int st;
      waitpid(pid_, &st, 0);
    }
  }
  // Empty on success, else why the server is not available.
  std::string start() {
    for (const char *bin : {"/usr/sbin/mariadbd", "/usr/bin/mariadb-install-db", "/usr/bin/mariadb"}) {
      if (access(bin, X_OK) != 0) return std::string(bin) + " is not installed (Debian package mariadb-server)";
    }
    testsupport::RunResult r = testsupport::runProgram(
        {"/usr/bin/mariadb-install-db", "--no-defaults", "--datadir=" + root_ + "/data", "--user=root",
         "--auth-root-authentication-method=normal", "--skip-test-db"});
    if (r.status != 0) return "mariadb-install-db failed: " + r.out.substr(0, 500);
    pid_ = fork();
    if (pid_ == 0) {
      std::string data = "--datadir=" + root_ + "/data", sock = "--socket=" + socket(),
                  log = "--log-error=" + root_ + "/err.log", pid = "--pid-file=" + root_ + "/mariadb.pid";
      execl("/usr/sbin/mariadbd", "mariadbd", "--no-defaults", data.c_str(), sock.c_str(), "--skip-networking",
            "--user=root", log.c_str(), pid.c_str(), "--local-infile=1", static_cast<char *>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 300; ++i) {
      struct stat st;
      if (stat(socket().c_str(), &st) == 0 && sql("SELECT 1").status == 0) return "";
      usleep(100000);
    }
    return "mariadbd did not start: " + testsupport::readFile(root_ + "/err.log").substr(0, 1000);
  }
  std::string socket() const { return root_ + "/mariadb.sock"; }
  testsupport::RunResult sql(const std::string &statements, const std::string &in = "") {
    std::vector<std::string> args = {"/usr/bin/mariadb", "--no-defaults", "--socket=" + socket(), "-uroot",
                                     "--local-infile=1", "--batch", "--skip-column-names",
                                     "--default-character-set=utf8mb4"};
    if (!statements.empty()) args.push_back("--execute=" + statements);
    return testsupport::runProgram(args, in);
  }

 private:
  std::string root_;
  pid_t pid_ = -1;
};

TEST_F(Peers, MariaDbLoadsInsertsAndLoadData) {
  MariaDb server(dir.string());
  std::string why = server.start();
  if (!why.empty()) GTEST_SKIP() << "MariaDB peer not available: " << why;
  const std::string query = "query=select * from peer order by id";
  struct Case {
    std::string name;
    std::vector<std::string> args;
    int loads;  // loaded twice: ON DUPLICATE KEY UPDATE must take the second
    std::string table = "q2.PEER", txt = "TXT";  // where the rows land
  } cases[] = {
      {"MYSQLINS", {query, "text=MYSQLINS", "table=PEER", "file=peer.sql"}, 1},
      {"MYSQLINS unique", {query, "text=MYSQLINS", "table=PEER", "unique=ID", "file=peer.sql"}, 2},
      {"MYSQLINS every column unique, head=YES",
       {query, "text=MYSQLINS", "table=PEER", "unique=ID,TXT,BIN", "head=YES", "file=peer.sql"}, 2},
      {"MYSQLINS backquote in a name",
       {"query=select * from tick order by id", "text=MYSQLINS", "table=q2.TICK", "file=peer.sql"}, 1,
       "q2.TICK", "`T``X`"},
      {"MYSQLINS owner.table", {"query=scott.peer", "text=MYSQLINS", "file=peer.sql"}, 1, "scott.peer"},
      {"MYSQL", {query, "text=MYSQL", "file=peer.txt"}, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(server.sql("CREATE DATABASE IF NOT EXISTS q2; CREATE DATABASE IF NOT EXISTS scott; USE q2;"
                         "DROP TABLE IF EXISTS " + c.table + "; CREATE TABLE " + c.table + " (ID INT PRIMARY KEY, " +
                         c.txt + " VARCHAR(200) CHARACTER SET utf8mb4, BIN VARBINARY(16));")
                  .status,
              0);
    ASSERT_EQ(q2(c.args).status, 0);
    for (int n = 0; n < c.loads; ++n) {
      testsupport::RunResult r =
          c.name == "MYSQL"
              ? server.sql("USE q2; LOAD DATA LOCAL INFILE '" + path("peer.txt") +
                           "' INTO TABLE PEER CHARACTER SET utf8mb4 FIELDS TERMINATED BY ',' "
                           "OPTIONALLY ENCLOSED BY '\"' ESCAPED BY '\\\\' LINES TERMINATED BY '\\n';")
              : server.sql("USE q2; SOURCE " + path("peer.sql") + ";");
      ASSERT_EQ(r.status, 0) << r.out << read("peer.sql").substr(0, 300);
    }
    testsupport::RunResult got = server.sql("SELECT CONCAT(ID, '|', IFNULL(HEX(" + c.txt +
                                            "), 'NULL'), '|', IFNULL(HEX(BIN), 'NULL')) FROM " + c.table +
                                            " ORDER BY ID;");
    EXPECT_EQ(got.out, expected());
  }
}

}  // namespace
