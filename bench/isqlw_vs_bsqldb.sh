#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# isqlw against FreeTDS's bsqldb: both run a one-line script against the stand-in server
# RUNS times, taking turns (one isqlw, one bsqldb), so that the machine's other load falls on
# both alike; prints both totals and their ratio. The goal is isqlw <= 1.1 x bsqldb.
#
#   bash bench/isqlw_vs_bsqldb.sh            # builds isqlw and sqlstandin (Release) if needed
#   ISQLW=... SQLSTANDIN=... RUNS=50 bash bench/isqlw_vs_bsqldb.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
runs=${RUNS:-100}
goal=1.1

if [[ -z "${ISQLW:-}" || -z "${SQLSTANDIN:-}" ]]; then
  if [[ ! -x "$build/bin/isqlw" || ! -x "$build/bin/sqlstandin" || -n "${REBUILD:-}" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELVANE_BENCHMARKS=ON \
      -DPELVANE_TESTS=OFF >/dev/null
    cmake --build "$build" -j 2 --target isqlw sqlstandin >/dev/null
  fi
fi
isqlw=${ISQLW:-$build/bin/isqlw}
standin=${SQLSTANDIN:-$build/bin/sqlstandin}
bsqldb=$(command -v bsqldb) || { echo "bsqldb not found (package freetds-bin)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/isqlw-bench-XXXXXX")
standin_pid=
cleanup() {
  if [[ -n "$standin_pid" ]]; then kill "$standin_pid" 2>/dev/null || true; wait "$standin_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$standin" --dir "$work/data" --port "$port" --login sa:Secret1 --database pubs >"$work/standin.out" 2>&1 &
standin_pid=$!
for _ in $(seq 100); do
  grep -qx ready "$work/standin.out" 2>/dev/null && break
  kill -0 "$standin_pid" 2>/dev/null || { cat "$work/standin.out" >&2; exit 2; }
  sleep 0.1
done
grep -qx ready "$work/standin.out" || { echo "sqlstandin did not get ready" >&2; exit 2; }

printf 'select 1\n' >"$work/script.sql"

# Microseconds of one run of the command; a failing run aborts the benchmark.
time_one() {
  local start=$EPOCHREALTIME end
  "$@" >/dev/null 2>"$work/last.err" || { echo "run failed: $*" >&2; cat "$work/last.err" >&2; exit 2; }
  end=$EPOCHREALTIME
  echo $((${end/./} - ${start/./}))
}

# Both must really have answered the query before their times mean anything.
"$isqlw" -S "127.0.0.1,$port" -d pubs -U sa -P Secret1 -i "$work/script.sql" -o "$work/isqlw.out" \
  >/dev/null 2>&1 || { echo "isqlw failed:" >&2; cat "$work/isqlw.out" >&2; exit 2; }
TDSVER=7.4 "$bsqldb" -S "127.0.0.1:$port" -D pubs -U sa -P Secret1 -i "$work/script.sql" \
  -o "$work/bsqldb.out" >/dev/null 2>"$work/bsqldb.err" || { cat "$work/bsqldb.err" >&2; exit 2; }
grep -q '1' "$work/isqlw.out" || { echo "isqlw printed no result" >&2; exit 2; }
grep -q '1' "$work/bsqldb.out" || { echo "bsqldb printed no result" >&2; exit 2; }

isqlw_us=0
bsqldb_us=0
for ((i = 0; i < runs; i++)); do
  us=$(time_one "$isqlw" -S "127.0.0.1,$port" -d pubs -U sa -P Secret1 -i "$work/script.sql" \
    -o "$work/isqlw.out")
  isqlw_us=$((isqlw_us + us))
  us=$(TDSVER=7.4 time_one "$bsqldb" -S "127.0.0.1:$port" -D pubs -U sa -P Secret1 \
    -i "$work/script.sql" -o "$work/bsqldb.out")
  bsqldb_us=$((bsqldb_us + us))
done
isqlw_ms=$((isqlw_us / 1000))
bsqldb_ms=$((bsqldb_us / 1000))

awk -v a="$isqlw_ms" -v b="$bsqldb_ms" -v n="$runs" -v goal="$goal" 'BEGIN {
  ratio = b > 0 ? a / b : 0
  printf "isqlw:  %d runs in %d ms (%.2f ms each)\n", n, a, a / n
  printf "bsqldb: %d runs in %d ms (%.2f ms each)\n", n, b, b / n
  printf "ratio isqlw/bsqldb: %.3f (goal <= %.1f): %s\n", ratio, goal, ratio <= goal ? "met" : "MISSED"
}'
