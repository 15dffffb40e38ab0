#!/usr/bin/env bash
# Unload speed and memory, as ratios within one run, on a table of ROWS rows
# (default 1,000,000) made by `ocilite --generate`:
#   the stand-in's OCI fetch    vs the raw SQLite scan, in one process
#                               (scan_floor; target <= 1.3)
#   quillet2 text=CSV           vs the sqlite3 shell's -csv export of the table
#                               vs the raw SQLite scan floor (scan_floor --floor)
#   the same with client=YES    (NUMBER and DATE fetched in internal form)
#   quillet2 to .gz             vs plain output + gzip -6 of it
#   quillet2 to .gz and .zst    vs the plain CSV run (time) and gzip -6 of
#                               the plain file (size); .gz with threads=1
#                               against the default (every core)
#   quillet2 text=JSON          vs the plain CSV run (target <= 1.3)
#   peak memory of every run, and of a 200 MB LOB exported to a side file
#   against a 1 MB one.
# Each command runs REPEATS times (default 3); its best time counts, and the
# peak memory is the largest seen. Whole processes are measured with
# /usr/bin/time: elapsed time, and CPU time (user + system), which other
# processes on a loaded machine distort less; ratios are given for both.
# Usage: bench/unload_bench.sh [ROWS]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quillet2_require_packages "${QUILLET2_BUILD_PACKAGES[@]}" "${QUILLET2_BENCH_PACKAGES[@]}"
rows=${1:-1000000}
repeats=${REPEATS:-3}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET2_TESTS=OFF -DQUILLET2_BENCH=ON >/dev/null
cmake --build build-bench -j 2 >/dev/null
bin=$PWD/build-bench
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet2-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
exec 3>&1  # run reports here, past the redirections of the commands it times

"$bin/ocilite/ocilite" bench.db --generate BIG "$rows"
sqlite3 bench.db <<SQL
CREATE TABLE LOBS (ID NUMBER(4), DOC BLOB);
INSERT INTO LOBS VALUES (1, randomblob(1048576));
INSERT INTO LOBS VALUES (2, randomblob(209715200));
SQL

# run NAME COMMAND...: best elapsed seconds, largest peak RSS (KB) and best
# CPU seconds of $repeats runs into NAME.time
run() {  # a failing run still reports its time
  local name=$1 i secs kb user sys best="" peak=0 cpu=""; shift
  for ((i = 0; i < repeats; i++)); do
    /usr/bin/time -f "%e %M %U %S" -o "$name.one" "$@" || echo "$name: exit status $?" >&2
    read -r secs kb user sys < <(tail -n 1 "$name.one")
    best=$(awk -v a="$secs" -v b="${best:-$secs}" 'BEGIN { print (a < b ? a : b) }')
    cpu=$(awk -v a="$user" -v s="$sys" -v b="${cpu:-1e9}" 'BEGIN { print (a + s < b ? a + s : b) }')
    ((kb > peak)) && peak=$kb
  done
  echo "$best $peak $cpu" > "$name.time"
  printf '%-18s %8.2f s %8d KB %8.2f s CPU\n' "$name" "$best" "$peak" "$cpu" >&3
}
secs() { cut -d' ' -f1 "$1.time"; }
kb() { cut -d' ' -f2 "$1.time"; }
cpu() { cut -d' ' -f3 "$1.time"; }
# ratio2 A B: the elapsed and the CPU ratio of runs A and B
ratio2() { echo "$(ratio "$(secs "$1")" "$(secs "$2")") (CPU $(ratio "$(cpu "$1")" "$(cpu "$2")"))"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

user=user=scott/tiger@$work/bench.db
load_before=$(uptime | sed 's/.*load average: //')
run quillet2_csv "$bin/src/quillet2" "$user" query=big text=CSV file=big.csv >/dev/null
run quillet2_client "$bin/src/quillet2" "$user" query=big text=CSV client=YES file=client.csv >/dev/null
run sqlite3_csv sh -c "sqlite3 -csv -header bench.db 'select * from BIG' > sqlite.csv"
run scan_floor "$bin/bench/scan_floor" --floor bench.db BIG >/dev/null
run gzip6 sh -c 'gzip -6 -c big.csv > big.csv.gz'
run quillet2_gz "$bin/src/quillet2" "$user" query=big text=CSV file=big.gz >/dev/null
run quillet2_gz_t1 "$bin/src/quillet2" "$user" query=big text=CSV threads=1 file=big1.gz >/dev/null
run quillet2_zst "$bin/src/quillet2" "$user" query=big text=CSV file=big.zst >/dev/null
run quillet2_json "$bin/src/quillet2" "$user" query=big text=JSON file=big.jsonl >/dev/null
run lob_1mb "$bin/src/quillet2" "$user" "query=select * from lobs where id = 1" lobfile=small.lob file=l1.txt >/dev/null
run lob_200mb "$bin/src/quillet2" "$user" "query=select * from lobs where id = 2" lobfile=big.lob file=l2.txt >/dev/null

echo
echo "cores: $(nproc); load before: $load_before; after: $(uptime | sed 's/.*load average: //')"
echo "rows: $rows, CSV size: $(stat -c %s big.csv) bytes, .gz size: $(stat -c %s big.gz) bytes, .zst size: $(stat -c %s big.zst) bytes"
cmp -s big.csv client.csv && echo "client=YES output: identical to the server-side text" ||
  echo "client=YES output: differs from the server-side text (numbers as the client writes them)"
for name in quillet2_csv quillet2_client; do
  printf '%-16s / sqlite3 -csv:     %s  (target <= 0.6)\n' "$name" "$(ratio2 $name sqlite3_csv)"
  printf '%-16s / scan floor:       %s  (target <= 1.4)\n' "$name" "$(ratio2 $name scan_floor)"
done
plus=$(awk -v a="$(secs quillet2_csv)" -v b="$(secs gzip6)" 'BEGIN { print a + b }')
pluscpu=$(awk -v a="$(cpu quillet2_csv)" -v b="$(cpu gzip6)" 'BEGIN { print a + b }')
echo "quillet2 .gz / (CSV + gzip -6):     $(ratio "$(secs quillet2_gz)" "$plus") (CPU $(ratio "$(cpu quillet2_gz)" "$pluscpu"))  (target <= 1.15)"
size() { stat -c %s "$1"; }
for f in big.gz big1.gz big.zst; do
  case $f in *.zst) zstd -q -dc "$f" ;; *) gzip -dc "$f" ;; esac | cmp -s - big.csv &&
    echo "$f decompresses to the plain CSV" || echo "$f DIFFERS from the plain CSV"
done
echo ".gz / CSV time:                     $(ratio2 quillet2_gz quillet2_csv)  (target <= 1.5)"
echo ".gz size / gzip -6 size:            $(ratio "$(size big.gz)" "$(size big.csv.gz)")  (target <= 1.02)"
echo ".gz threads=1 / CSV time:           $(ratio2 quillet2_gz_t1 quillet2_csv)"
echo ".gz threads=1 / every core:         $(ratio2 quillet2_gz_t1 quillet2_gz)"
echo ".zst / CSV time:                    $(ratio2 quillet2_zst quillet2_csv)  (target <= 1.2)"
echo ".zst size / gzip -6 size:           $(ratio "$(size big.zst)" "$(size big.csv.gz)")  (target < 1)"
jq -e . big.jsonl >/dev/null && echo "big.jsonl: jq reads $(wc -l < big.jsonl) lines, $(size big.jsonl) bytes" ||
  echo "big.jsonl: jq REFUSES it"
echo "text=JSON / CSV time:               $(ratio2 quillet2_json quillet2_csv)  (target <= 1.3)"
echo "peak memory CSV / client:           $(kb quillet2_csv) KB / $(kb quillet2_client) KB  (target < 65536 KB)"
echo "peak memory .gz / threads=1 / .zst: $(kb quillet2_gz) KB / $(kb quillet2_gz_t1) KB / $(kb quillet2_zst) KB  (target < 65536 KB)"
echo "peak memory text=JSON:              $(kb quillet2_json) KB  (target < 65536 KB)"
echo "peak memory LOB 200 MB / 1 MB:      $(kb lob_200mb) KB / $(kb lob_1mb) KB  (side file $(stat -c %s big.lob 2>/dev/null || echo none) bytes)"
echo
"$bin/bench/scan_floor" bench.db BIG "$repeats"
