#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `pelvanectl run` of one small script over SERVERS stand-in servers (each batch answered after
# LATENCY_MS) against a shell loop that calls isqlw once per server, taking turns. The run adds a
# login check per server; the goal is run <= 1.05 x loop. Prints both times and the ratio of
# their wall-clock and processor times with its spread over REPEAT rounds.
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

# One checked run and loop first: every script SUCCESSFUL, the loop's output a result. In the
# rounds that follow a run's exit status 0 says every script succeeded.
"$ctl" --settings "$settings" run --group ALL --script "$work/script.sql" >"$work/run.log" ||
  { echo "pelvanectl run failed:" >&2; cat "$work/run.log" >&2; exit 2; }
ok=$(grep -c -- '--> SUCCESSFUL\.$' "$work/run.log" || true)
[[ "$ok" == "$servers" ]] || { echo "run: $ok of $servers scripts SUCCESSFUL" >&2; exit 2; }
# The same script through isqlw, once per server, as a shell loop would.
printf '%s\n' "${names[@]}" >"$work/names"
cat >"$work/loop.sh" <<EOF
while read -r name; do
  SQLCMDPASSWORD=Secret1 "$isqlw" -S "\$name" -d pubs -U sa -i "$work/script.sql" -o "$work/loop.out" || exit
done <"$work/names"
EOF
bash "$work/loop.sh" || { echo "isqlw failed:" >&2; cat "$work/loop.out" >&2; exit 2; }
grep -q 1 "$work/loop.out" || { echo "isqlw printed no result" >&2; exit 2; }

# The goal is the wall clock's: the run logs in twice per server, the loop once, so its
# processor time is shown and not judged.
echo "$servers servers, $latency ms latency per batch"
python3 "$root/bench/ratio.py" --name run/loop --goal "$goal" --rounds "$repeat" \
  --label-a "pelvanectl run" --label-b "isqlw loop" --per "$servers" \
  --a "$ctl --settings $settings run --group ALL --script $work/script.sql" \
  --b "bash $work/loop.sh"
