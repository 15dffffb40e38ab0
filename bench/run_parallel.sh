#!/usr/bin/env bash
# Parallel unload speed as ratios within one run, on a generated table of ROWS
# rows (default 2,000,000): split=BIG with degree 2, 4 and 8 against one job
# over the same table with the same options (degree 1). Each worker file set
# is checked against the single unload (sorted lines) first. The runs are
# interleaved over ROUNDS rounds (default 3) and each degree keeps its best
# wall time, so load from other processes skews the ratios less; the CPU
# time (user + system, workers included) of that run shows what splitting
# and the extra sessions cost whatever the load.
# Target: degree 2 <= 0.65x the wall time of degree 1 on a 2-core machine.
# Usage: bench/run_parallel.sh [ROWS [ROUNDS]]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
quillet2_require_packages "${QUILLET2_BUILD_PACKAGES[@]}"
rows=${1:-2000000}
rounds=${2:-3}
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLET2_TESTS=OFF >/dev/null
if ! log=$(cmake --build build-release -j 2 2>&1); then echo "$log" >&2; exit 1; fi
q2=$PWD/build-release/src/quillet2
ocilite=$PWD/build-release/ocilite/ocilite
work=$(mktemp -d "${TMPDIR:-/tmp}/quillet2-pbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

"$ocilite" bench.db --demo >/dev/null
"$ocilite" bench.db --generate BIG "$rows" >/dev/null

user=user=scott/tiger@$work/bench.db
options=(text=CSV head=NO)
degrees=(2 4 8)

# unload DEGREE: the table at that degree into d<DEGREE>_*.csv
unload() {
  rm -f d"$1"_*.csv
  if [ "$1" = 1 ]; then
    "$q2" "$user" query=BIG "${options[@]}" file=d1_1.csv >/dev/null
  else
    "$q2" "$user" split=BIG degree="$1" "${options[@]}" "file=d$1_%p.csv" >/dev/null
  fi
}
# timed DEGREE: unload at DEGREE; wall, user and system seconds appended to d<DEGREE>.times
TIMEFORMAT='%R %U %S'
timed() { { time unload "$1"; } 2>>"d$1.times"; }
best() { sort -n "d$1.times" | head -n 1 | cut -d' ' -f1; }
cpu() { sort -n "d$1.times" | head -n 1 | awk '{ printf "%.2f", $2 + $3 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
unload 1
sort d1_1.csv >d1.sorted
size=$(stat -c %s d1_1.csv)
for d in "${degrees[@]}"; do
  unload "$d"
  cat d"$d"_*.csv | sort | cmp -s - d1.sorted || { echo "degree $d: worker files differ from the single unload" >&2; exit 1; }
done
rm -f ./*.csv d1.sorted

for ((r = 1; r <= rounds; r++)); do
  for d in 1 "${degrees[@]}"; do timed "$d"; done
done

echo "rows: $rows, CSV size: $size bytes, $(nproc) cores, best of $rounds rounds"
echo "load average at the start: $load_start, at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
for d in 1 "${degrees[@]}"; do
  printf 'degree %d: %6.2f s wall, %6.2f s CPU   (wall of each run: %s)\n' "$d" "$(best "$d")" "$(cpu "$d")" \
    "$(cut -d' ' -f1 "d$d.times" | tr '\n' ' ')"
done
for d in "${degrees[@]}"; do
  target=""; [ "$d" = 2 ] && target="  (target <= 0.65)"
  echo "degree $d / degree 1:  wall $(ratio "$(best "$d")" "$(best 1)")$target, CPU $(ratio "$(cpu "$d")" "$(cpu 1)")"
done
