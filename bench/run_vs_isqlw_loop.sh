#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `pelvanectl run` of one small script over SERVERS stand-in servers (each batch answered after
# LATENCY_MS) against a shell loop that calls isqlw once per server, taking turns. The run adds a
# login check per server; the goal is run <= 1.05 x loop. Prints both times (best of REPEAT),
# their ratio and the run's overhead per server.
#
#   bash bench/run_vs_isqlw_loop.sh       # builds pelvanectl, isqlw and sqlstandin (Release) if needed
#   PELVANECTL=... ISQLW=... SQLSTANDIN=... SERVERS=40 LATENCY_MS=20 REPEAT=5 bash bench/run_vs_isqlw_loop.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
servers=${SERVERS:-40}
latency=${LATENCY_MS:-20}
repeat=${REPEAT:-5}
goal=1.05

if [[ -z "${PELVANECTL:-}" || -z "${ISQLW:-}" || -z "${SQLSTANDIN:-}" ]]; then
  if [[ ! -x "$build/bin/pelvanectl" || ! -x "$build/bin/isqlw" || ! -x "$build/bin/sqlstandin" ||
    -n "${REBUILD:-}" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELVANE_BENCHMARKS=ON \
      -DPELVANE_TESTS=OFF >/dev/null
    cmake --build "$build" -j 2 --target pelvanectl isqlw sqlstandin >/dev/null
  fi
fi
ctl=${PELVANECTL:-$build/bin/pelvanectl}
isqlw=${ISQLW:-$build/bin/isqlw}
standin=${SQLSTANDIN:-$build/bin/sqlstandin}

work=$(mktemp -d "${TMPDIR:-/tmp}/run-bench-XXXXXX")
standin_pid=
cleanup() {
  if [[ -n "$standin_pid" ]]; then
    kill "$standin_pid" 2>/dev/null || true
    wait "$standin_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# Free loopback ports, all asked for before any is given back.
mapfile -t ports < <(python3 - "$servers" <<'PY'
import socket, sys
held = []
for _ in range(int(sys.argv[1])):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    held.append(s)
for s in held:
    print(s.getsockname()[1])
PY
)
port_args=()
for port in "${ports[@]}"; do port_args+=(--port "$port"); done
"$standin" --dir "$work/data" "${port_args[@]}" --login sa:Secret1 --database pubs \
  --latency-ms "$latency" >"$work/standin.out" 2>&1 &
standin_pid=$!
for _ in $(seq 100); do
  grep -qx ready "$work/standin.out" 2>/dev/null && break
  kill -0 "$standin_pid" 2>/dev/null || break
  sleep 0.1
done
grep -qx ready "$work/standin.out" || { echo "sqlstandin did not get ready:" >&2; cat "$work/standin.out" >&2; exit 2; }

settings="$work/Pelvane.ZRQ"
names=()
for port in "${ports[@]}"; do
  name="127.0.0.1,$port"
  names+=("$name")
  "$ctl" --settings "$settings" servers add "$name" >/dev/null
  "$ctl" --settings "$settings" login "$name" --user sa --database pubs --password-stdin \
    <<<"Secret1" >/dev/null
done
printf 'SELECT 1\nGO\n' >"$work/script.sql"
# The run starts the isqlw under test, not one beside pelvanectl.
"$ctl" --settings "$settings" set Pelvane QAPath "$(dirname "$isqlw")" >/dev/null

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# One run over every server; it must report every script SUCCESSFUL.
time_run() {
  local start end ok
  start=$(now_ms)
  "$ctl" --settings "$settings" run --group ALL --script "$work/script.sql" >"$work/run.log" ||
    { echo "pelvanectl run failed:" >&2; cat "$work/run.log" >&2; exit 2; }
  end=$(now_ms)
  ok=$(grep -c -- '--> SUCCESSFUL\.$' "$work/run.log" || true)
  [[ "$ok" == "$servers" ]] || { echo "run: $ok of $servers scripts SUCCESSFUL" >&2; exit 2; }
  echo $((end - start))
}

# The same script through isqlw, once per server, as a shell loop would.
time_loop() {
  local start end name
  start=$(now_ms)
  for name in "${names[@]}"; do
    SQLCMDPASSWORD=Secret1 "$isqlw" -S "$name" -d pubs -U sa -i "$work/script.sql" \
      -o "$work/loop.out" ||
      { echo "isqlw failed on $name:" >&2; cat "$work/loop.out" >&2; exit 2; }
  done
  end=$(now_ms)
  grep -q 1 "$work/loop.out" || { echo "isqlw printed no result" >&2; exit 2; }
  echo $((end - start))
}

best_run=
best_loop=
for ((r = 0; r < repeat; r++)); do
  ms=$(time_loop)
  [[ -z "$best_loop" || "$ms" -lt "$best_loop" ]] && best_loop=$ms
  ms=$(time_run)
  [[ -z "$best_run" || "$ms" -lt "$best_run" ]] && best_run=$ms
done

awk -v run="$best_run" -v loop="$best_loop" -v n="$servers" -v lat="$latency" -v goal="$goal" \
  -v rep="$repeat" 'BEGIN {
  ratio = loop > 0 ? run / loop : 0
  printf "%d servers, %d ms latency per batch, best of %d\n", n, lat, rep
  printf "pelvanectl run: %d ms (%.1f ms per server)\n", run, run / n
  printf "isqlw loop:     %d ms (%.1f ms per server)\n", loop, loop / n
  printf "overhead of the run: %.1f ms per server\n", (run - loop) / n
  printf "ratio run/loop: %.3f (goal <= %.2f): %s\n", ratio, goal, ratio <= goal ? "met" : "MISSED"
}'
