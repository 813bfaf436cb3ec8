#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak memory of pelvanectl with large results, against the goal of 4 x the file + 64 MiB:
#   1. A Simple Script query of ROWS rows on SERVERS stand-in servers side by side, with --csv.
#   2. --failed-from over a CSV report and a JSON report of REPORT_ROWS servers.
#
#   bash bench/large_results_memory.sh    # builds pelvanectl and sqlstandin (Release) if needed
#   PELVANECTL=... SQLSTANDIN=... SERVERS=2 ROWS=200000 REPORT_ROWS=1000000 bash bench/...
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
servers=${SERVERS:-2}
rows=${ROWS:-200000}
report_rows=${REPORT_ROWS:-1000000}

if [[ -z "${PELVANECTL:-}" || -z "${SQLSTANDIN:-}" ]]; then
  if [[ ! -x "$build/bin/pelvanectl" || ! -x "$build/bin/sqlstandin" || -n "${REBUILD:-}" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELVANE_BENCHMARKS=ON \
      -DPELVANE_TESTS=OFF >/dev/null
    cmake --build "$build" -j 2 --target pelvanectl isqlw sqlstandin >/dev/null
  fi
fi
ctl=${PELVANECTL:-$build/bin/pelvanectl}
standin=${SQLSTANDIN:-$build/bin/sqlstandin}

work=$(mktemp -d "${TMPDIR:-/tmp}/memory-bench-XXXXXX")
standin_pid=
cleanup() {
  [[ -n "$standin_pid" ]] && { kill "$standin_pid" 2>/dev/null || true; wait "$standin_pid" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT

mapfile -t ports < <(python3 - "$servers" <<'PY'
import socket, sys
held = [socket.socket() for _ in range(int(sys.argv[1]))]
for s in held:
    s.bind(("127.0.0.1", 0))
for s in held:
    print(s.getsockname()[1])
PY
)
port_args=()
for port in "${ports[@]}"; do port_args+=(--port "$port"); done
"$standin" --dir "$work/data" "${port_args[@]}" --login sa:Secret1 --database pubs >"$work/standin.out" 2>&1 &
standin_pid=$!
for _ in $(seq 100); do grep -qx ready "$work/standin.out" 2>/dev/null && break; sleep 0.1; done
grep -qx ready "$work/standin.out" || { echo "sqlstandin did not get ready" >&2; exit 2; }

settings=$work/Pelvane.ZRQ
for port in "${ports[@]}"; do
  "$ctl" --settings "$settings" servers add "127.0.0.1,$port" --group BENCH >/dev/null
  "$ctl" --settings "$settings" login "127.0.0.1,$port" --user sa --database pubs --password-stdin \
    <<<"Secret1" >/dev/null
done

# Prints "what: peak KiB for a file of KiB (x the file; goal below 4 x + 64 MiB)".
verdict() {
  local what=$1 rss=$2 file_kib=$3
  local goal=$((4 * file_kib + 65536))
  echo "$what: peak ${rss} KiB for a file of ${file_kib} KiB" \
    "($(python3 -c "print('%.1f' % ($rss / max($file_kib, 1)))") x; goal below ${goal} KiB:" \
    "$([[ $rss -lt $goal ]] && echo met || echo MISSED))"
}

query="WITH n AS (SELECT 1 AS i UNION ALL SELECT i+1 FROM n WHERE i < $rows) SELECT i, 'abcdefghijabcdefghijabcdefghij' AS pad FROM n"
/usr/bin/time -o "$work/rss" -f "%M" "$ctl" --settings "$settings" run --group BENCH \
  --parallel "$servers" --simple-script "$query" --csv "$work/big.csv" >/dev/null
verdict "Simple Script, $servers x $rows rows, --csv" "$(tail -1 "$work/rss")" \
  $(($(stat -c %s "$work/big.csv") / 1024))

first="127.0.0.1,${ports[0]}"
python3 - "$work" "$first" "$report_rows" <<'PY'
import json, sys
work, first, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
with open(work + "/report.csv", "w", newline="") as f:
    f.write("Position,Server,Result,Login,Login Error,Script 1: a.sql,Script 1 Error Number,"
            "Script 1 Severity,Script 1 Error,Script 1 Seconds,Seconds\r\n")
    f.write('1,"%s",UNSUCCESSFUL,accepted,,UNSUCCESSFUL,208,16,Invalid object name,0.1,0.2\r\n' % first)
    for i in range(2, count + 1):
        f.write('%d,SERVER-%08d,SUCCESSFUL,accepted,,SUCCESSFUL,,,"text, %d",0.100,0.200\r\n' % (i, i, i))
with open(work + "/report.json", "w") as f:
    f.write('{"scripts": ["a.sql"], "servers": [')
    f.write(json.dumps({"position": 1, "server": first, "result": "UNSUCCESSFUL",
                        "scripts": [{"verdict": "UNSUCCESSFUL"}]}))
    for i in range(2, count + 1):
        f.write("," + json.dumps({"position": i, "server": "SERVER-%08d" % i,
                                  "result": "SUCCESSFUL", "login": "accepted",
                                  "scripts": [{"verdict": "SUCCESSFUL", "error": "text, %d" % i}]}))
    f.write("]}")
PY
printf 'SELECT 1\nGO\n' >"$work/one.sql"
for report in report.csv report.json; do
  /usr/bin/time -o "$work/rss" -f "%M" "$ctl" --settings "$settings" run \
    --failed-from "$work/$report" --script "$work/one.sql" >/dev/null 2>&1 || true
  verdict "--failed-from $report of $report_rows servers" "$(tail -1 "$work/rss")" \
    $(($(stat -c %s "$work/$report") / 1024))
done
