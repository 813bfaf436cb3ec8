#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# isqlw against FreeTDS's bsqldb: both run a one-line script against the stand-in server
# RUNS times, taking turns (one isqlw, one bsqldb) so that the machine's other load falls on
# both alike, in ROUNDS rounds; prints the ratio of their wall-clock and processor times with
# its spread over the rounds. The goal is isqlw <= 1.1 x bsqldb.
#
#   bash bench/isqlw_vs_bsqldb.sh            # builds isqlw and sqlstandin (Release) if needed
#   ISQLW=... SQLSTANDIN=... RUNS=50 ROUNDS=5 bash bench/isqlw_vs_bsqldb.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
runs=${RUNS:-100}
rounds=${ROUNDS:-5}
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

# Both must really have answered the query before their times mean anything.
"$isqlw" -S "127.0.0.1,$port" -d pubs -U sa -P Secret1 -i "$work/script.sql" -o "$work/isqlw.out" \
  >/dev/null 2>&1 || { echo "isqlw failed:" >&2; cat "$work/isqlw.out" >&2; exit 2; }
TDSVER=7.4 "$bsqldb" -S "127.0.0.1:$port" -D pubs -U sa -P Secret1 -i "$work/script.sql" \
  -o "$work/bsqldb.out" >/dev/null 2>"$work/bsqldb.err" || { cat "$work/bsqldb.err" >&2; exit 2; }
grep -q '1' "$work/isqlw.out" || { echo "isqlw printed no result" >&2; exit 2; }
grep -q '1' "$work/bsqldb.out" || { echo "bsqldb printed no result" >&2; exit 2; }

# Turns of one isqlw and one bsqldb, in ROUNDS rounds; TDSVER (which bsqldb needs) names the
# version isqlw's own configuration names too.
TDSVER=7.4 python3 "$root/bench/ratio.py" --name isqlw/bsqldb --goal "$goal" --cpu-goal "$goal" \
  --rounds "$rounds" --repeat $((runs / rounds)) --label-a isqlw --label-b bsqldb \
  --a "$isqlw -S 127.0.0.1,$port -d pubs -U sa -P Secret1 -i $work/script.sql -o $work/isqlw.out" \
  --b "$bsqldb -S 127.0.0.1:$port -D pubs -U sa -P Secret1 -i $work/script.sql -o $work/bsqldb.out"
