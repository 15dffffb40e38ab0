#!/usr/bin/env bash
# Parallel unload speed as ratios within one run, on a generated table of ROWS
# rows (default 2,000,000): split=BIG with degree 2, 4 and 8 against one job
# over the same table with the same options (degree 1). Each worker file set
# is checked against the single unload (sorted lines) before it is timed.
# Target: degree 2 <= 0.65x the wall time of degree 1 on a 2-core machine.
# Usage: bench/run_parallel.sh [ROWS]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quillet2_require_packages "${QUILLET2_BUILD_PACKAGES[@]}" "${QUILLET2_BENCH_PACKAGES[@]}"
rows=${1:-2000000}
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET2_TESTS=OFF -DQUILLET2_BENCH=ON >/dev/null
cmake --build build-bench -j 2 >/dev/null
bin=$PWD/build-bench
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet2-pbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

"$bin/ocilite/ocilite" bench.db --demo >/dev/null
if ! "$bin/ocilite/ocilite" bench.db --generate BIG "$rows" >/dev/null 2>&1; then
  # A stand-in without --generate: the same kind of table from a script.
  "$bin/ocilite/ocilite" bench.db - >/dev/null <<SQL
CREATE TABLE BIG (ID NUMBER(10), NAME VARCHAR2(30), AMOUNT NUMBER(12,2), CREATED DATE, NOTE VARCHAR2(100));
INSERT INTO BIG (ID, NAME, AMOUNT, CREATED, NOTE)
  WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < $rows)
  SELECT i, 'name-' || i, i % 100000 + 1,
    printf('2024-%02d-%02d %02d:%02d:%02d', i % 12 + 1, i % 28 + 1, i % 24, i % 60, (i * 7) % 60),
    'note ' || (i % 977) FROM n;
SQL
fi

user=user=scott/tiger@$work/bench.db
options=(text=CSV head=NO)

# run NAME COMMAND...: elapsed seconds into NAME.time
run() {
  local name=$1; shift
  /usr/bin/time -f "%e" -o "$name.time" "$@" >"$name.log"
  printf '%-10s %8.2f s\n' "$name" "$(cat "$name.time")"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

run degree1 "$bin/quillet2" "$user" query=BIG "${options[@]}" file=d1.csv
sort d1.csv >d1.sorted
for d in 2 4 8; do
  run "degree$d" "$bin/quillet2" "$user" split=BIG degree=$d "${options[@]}" "file=d${d}_%p.csv"
  cat d${d}_*.csv | sort | cmp -s - d1.sorted || { echo "degree $d: worker files differ from the single unload" >&2; exit 1; }
  rm -f d${d}_*.csv
done

echo
echo "rows: $rows, CSV size: $(stat -c %s d1.csv) bytes, $(nproc) cores"
for d in 2 4 8; do
  target=""; [ "$d" = 2 ] && target="  (target <= 0.65)"
  echo "degree $d / degree 1:  $(ratio "$(cat degree$d.time)" "$(cat degree1.time)")$target"
done
