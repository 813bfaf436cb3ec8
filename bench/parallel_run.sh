#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `pelvanectl run` over stand-in servers that answer each batch after LATENCY_MS (400), servers
# side by side:
#   1. SERVERS (40) servers: --parallel 8 against a bare `xargs -P 8` loop of isqlw over the same
#      servers (goal <= 1.15 x the wall clock; the run logs in twice per server, the loop once),
#      and the processor time of that run (pelvanectl and its query tools) against the same run
#      one server at a time (goal <= 1.10 x).
#   2. MANY (1,000) servers with --parallel WIDE (32): peak memory of pelvanectl and the time to
#      the last log line.
# Ratios are given with their median and spread over REPEAT rounds. The figures depend on the
# machine's cores and its other load.
#
#   bash bench/parallel_run.sh      # builds pelvanectl, isqlw and sqlstandin (Release) if needed
#   PELVANECTL=... ISQLW=... SQLSTANDIN=... SERVERS=40 MANY=1000 bash bench/parallel_run.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
servers=${SERVERS:-40}
many=${MANY:-1000}
wide=${WIDE:-32}
latency=${LATENCY_MS:-400}
repeat=${REPEAT:-3}

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

work=$(mktemp -d "${TMPDIR:-/tmp}/parallel-bench-XXXXXX")
# The stand-in's databases (two per port) in memory where the system has a memory file system:
# on disk their syncs make a thousand ports take minutes to get ready on a busy machine, which
# is no part of what is measured.
data=$(mktemp -d /dev/shm/parallel-bench-XXXXXX 2>/dev/null) || data=$work/data
standin_pid=
cleanup() {
  if [[ -n "$standin_pid" ]]; then
    kill "$standin_pid" 2>/dev/null || true
    wait "$standin_pid" 2>/dev/null || true
  fi
  rm -rf "$work" "$data"
}
trap cleanup EXIT

# One stand-in answering on `count` free loopback ports, all asked for before any is given back.
start_standin() {
  local count=$1
  mapfile -t ports < <(python3 - "$count" <<'PY'
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
  local port_args=() port
  for port in "${ports[@]}"; do port_args+=(--port "$port"); done
  "$standin" --dir "$data" "${port_args[@]}" --login sa:Secret1 --database pubs \
    --latency-ms "$latency" >"$work/standin.out" 2>&1 &
  standin_pid=$!
  for _ in $(seq 300); do
    grep -qx ready "$work/standin.out" 2>/dev/null && break
    kill -0 "$standin_pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -qx ready "$work/standin.out" ||
    { echo "sqlstandin did not get ready:" >&2; cat "$work/standin.out" >&2; exit 2; }
}

stop_standin() {
  kill "$standin_pid" 2>/dev/null || true
  wait "$standin_pid" 2>/dev/null || true
  standin_pid=
}

# A settings file with every port of the stand-in as a server of group ALL. The first server is
# registered through pelvanectl; the others copy its section, so that a thousand servers do not
# take a thousand login checks.
make_settings() {
  local settings=$1 first="127.0.0.1,${ports[0]}"
  rm -f "$settings"
  "$ctl" --settings "$settings" servers add "$first" --group ALL >/dev/null
  "$ctl" --settings "$settings" login "$first" --user sa --database pubs --password-stdin \
    <<<"Secret1" >/dev/null
  # The run starts the isqlw under test, not one beside pelvanectl.
  "$ctl" --settings "$settings" set Pelvane QAPath "$(dirname "$isqlw")" >/dev/null
  python3 - "$settings" "$first" "${ports[@]:1}" <<'PY'
import sys
path, first, ports = sys.argv[1], sys.argv[2], sys.argv[3:]
text = open(path, "rb").read().decode("latin-1")
nl = "\r\n" if "\r\n" in text else "\n"
lines = text.split(nl)
start = lines.index("[" + first + "]")
end = start + 1
while end < len(lines) and not lines[end].startswith("["):
    end += 1
section = [l for l in lines[start + 1:end] if l.strip()]
listed = lines.index("Server1=" + first)
names = ["127.0.0.1," + port for port in ports]
lines[listed + 1:listed + 1] = ["Server%d=%s" % (i + 2, n) for i, n in enumerate(names)]
for name in names:
    lines += ["[" + name + "]"] + section + [""]
open(path, "wb").write(nl.join(lines).encode("latin-1"))
PY
}

# One run of the stored script over every server (extra options after the settings file),
# checked: every script SUCCESSFUL.
checked_run() {
  local settings=$1 count=$2 ok
  shift 2
  "$ctl" --settings "$settings" run --group ALL --script "$work/script.sql" "$@" >"$work/run.log" ||
    { echo "pelvanectl run failed:" >&2; tail "$work/run.log" >&2; exit 2; }
  ok=$(grep -c -- '--> SUCCESSFUL\.$' "$work/run.log" || true)
  [[ "$ok" == "$count" ]] || { echo "run: $ok of $count scripts SUCCESSFUL" >&2; exit 2; }
}

printf 'SELECT 1\nGO\n' >"$work/script.sql"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

# 1. Forty servers. In the rounds a run's exit status 0 says every script succeeded.
start_standin "$servers"
make_settings "$work/forty.ZRQ"
checked_run "$work/forty.ZRQ" "$servers" --parallel 8
# The same script through isqlw, once per server, eight at a time.
printf '127.0.0.1,%s\n' "${ports[@]}" >"$work/names"
cat >"$work/xargs.sh" <<EOF
SQLCMDPASSWORD=Secret1 xargs -P 8 -I '{}' "$isqlw" -S '{}' -d pubs -U sa -i "$work/script.sql" \\
  -o "$work/xargs-{}.out" <"$work/names"
EOF
bash "$work/xargs.sh" || { echo "isqlw failed under xargs" >&2; exit 2; }
[[ $(grep -l 1 "$work"/xargs-*.out | wc -l) == "${#ports[@]}" ]] ||
  { echo "isqlw printed no result under xargs" >&2; exit 2; }
run="$ctl --settings $work/forty.ZRQ run --group ALL --script $work/script.sql"
echo "$servers servers, $latency ms latency per batch"
python3 "$root/bench/ratio.py" --name="--parallel 8/xargs -P 8" --goal 1.15 --rounds "$repeat" \
  --label-a="--parallel 8" --label-b "xargs -P 8" --a "$run --parallel 8" --b "bash $work/xargs.sh"
python3 "$root/bench/ratio.py" --name="--parallel 8/one at a time" --cpu-goal 1.10 \
  --rounds "$repeat" --label-a="--parallel 8" --label-b "one at a time" --a "$run --parallel 8" \
  --b "$run"
stop_standin

# 2. A thousand servers, WIDE at once: peak memory and the time to the last log line.
[[ "$many" -gt 0 ]] || exit 0
start_standin "$many"
make_settings "$work/many.ZRQ"
python3 - "$ctl" "$work/many.ZRQ" "$work/script.sql" "$wide" "$many" <<'PY'
import os, subprocess, sys, threading, time
ctl, settings, script, wide, many = sys.argv[1:]
start = time.monotonic()
proc = subprocess.Popen([ctl, "--settings", settings, "run", "--group", "ALL", "--script", script,
                         "--parallel", wide], stdout=subprocess.PIPE)
own_peak_kb = 0
done = threading.Event()
def watch():
    # pelvanectl's own high-water mark, read while it lives.
    global own_peak_kb
    while not done.is_set():
        try:
            for field in open("/proc/%d/status" % proc.pid):
                if field.startswith("VmHWM:"):
                    own_peak_kb = max(own_peak_kb, int(field.split()[1]))
        except OSError:
            break
        time.sleep(0.05)
watcher = threading.Thread(target=watch)
watcher.start()
last = start
ok = 0
for line in proc.stdout:
    last = time.monotonic()
    if line.rstrip().endswith(b"--> SUCCESSFUL."):
        ok += 1
done.set()
watcher.join()
_, status, usage = os.wait4(proc.pid, 0)
if ok != int(many):
    sys.exit("run: %d of %s scripts SUCCESSFUL (status %d)" % (ok, many, status))
print("%s servers, --parallel %s: last log line after %.1f s; peak memory of pelvanectl "
      "%.1f MB (largest of it and its query tools %.1f MB)"
      % (many, wide, last - start, own_peak_kb / 1024.0, usage.ru_maxrss / 1024.0))
PY
stop_standin
