#!/usr/bin/env bash
# Unload speed and memory, as ratios within one run, on a generated table of
# ROWS rows (default 1,000,000):
#   quillet2 text=CSV           vs the sqlite3 shell's -csv export of the table
#                               vs the raw SQLite scan floor (bench program
#                               scan_floor, when built)
#   quillet2 to .gz             vs plain output + gzip -6 of it
#   peak memory of every run, and of a 200 MB LOB exported to a side file
#   against a 1 MB one.
# Usage: bench/unload_bench.sh [ROWS]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quillet2_require_packages "${QUILLET2_BUILD_PACKAGES[@]}" "${QUILLET2_BENCH_PACKAGES[@]}"
rows=${1:-1000000}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET2_TESTS=OFF -DQUILLET2_BENCH=ON >/dev/null
cmake --build build-bench -j 2 >/dev/null
bin=$PWD/build-bench
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet2-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

"$bin/ocilite/ocilite" bench.db --demo
# The table: numbers, text, a date, as a typical fact table.
sqlite3 bench.db <<SQL
CREATE TABLE BIG (ID NUMBER(10), NAME VARCHAR2(30), AMOUNT NUMBER(12,2), CREATED DATE, NOTE VARCHAR2(100));
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
INSERT INTO BIG SELECT i, 'name-' || i, (i * 37) % 1000000,
  printf('2024-%02d-%02d %02d:%02d:%02d', i % 12 + 1, i % 28 + 1, i % 24, i % 60, (i * 7) % 60),
  'note "' || (i % 977) || '", with a comma' FROM n;
CREATE TABLE LOBS (ID NUMBER(4), DOC BLOB);
INSERT INTO LOBS VALUES (1, randomblob(1048576));
INSERT INTO LOBS VALUES (2, randomblob(209715200));
SQL

# run NAME COMMAND...: elapsed seconds and peak RSS (KB) into NAME.time
run() {  # a failing run still reports its time
  local name=$1; shift
  /usr/bin/time -f "%e %M" -o "$name.time" "$@" || echo "$name: exit status $?" >&2
  tail -n 1 "$name.time" > "$name.t" && mv "$name.t" "$name.time"
  read -r secs kb < "$name.time"
  printf '%-14s %8.2f s %8d KB\n' "$name" "$secs" "$kb"
}
secs() { cut -d' ' -f1 "$1.time"; }
kb() { cut -d' ' -f2 "$1.time"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

user=user=scott/tiger@$work/bench.db
run quillet2_csv "$bin/src/quillet2" "$user" query=big text=CSV file=big.csv >/dev/null
run sqlite3_csv sh -c "sqlite3 -csv -header bench.db 'select * from BIG' > sqlite.csv"
if [ -x "$bin/bench/scan_floor" ]; then
  run scan_floor "$bin/bench/scan_floor" bench.db BIG >/dev/null
fi
run gzip6 sh -c 'gzip -6 -c big.csv > big.csv.gz'
run quillet2_gz "$bin/src/quillet2" "$user" query=big text=CSV file=big.gz >/dev/null
run lob_1mb "$bin/src/quillet2" "$user" "query=select * from lobs where id = 1" lobfile=small.lob file=l1.txt >/dev/null
run lob_200mb "$bin/src/quillet2" "$user" "query=select * from lobs where id = 2" lobfile=big.lob file=l2.txt >/dev/null

echo
echo "rows: $rows, CSV size: $(stat -c %s big.csv) bytes, .gz size: $(stat -c %s big.gz) bytes"
echo "quillet2 CSV / sqlite3 -csv:        $(ratio "$(secs quillet2_csv)" "$(secs sqlite3_csv)")  (target <= 0.6)"
if [ -f scan_floor.time ]; then
  echo "quillet2 CSV / scan floor:          $(ratio "$(secs quillet2_csv)" "$(secs scan_floor)")  (target <= 1.4)"
fi
plus=$(awk -v a="$(secs quillet2_csv)" -v b="$(secs gzip6)" 'BEGIN { print a + b }')
echo "quillet2 .gz / (CSV + gzip -6):     $(ratio "$(secs quillet2_gz)" "$plus")  (target <= 1.15)"
echo "peak memory CSV / .gz:              $(kb quillet2_csv) KB / $(kb quillet2_gz) KB  (target < 65536 KB)"
echo "peak memory LOB 200 MB / 1 MB:      $(kb lob_200mb) KB / $(kb lob_1mb) KB  (side file $(stat -c %s big.lob 2>/dev/null || echo none) bytes)"
