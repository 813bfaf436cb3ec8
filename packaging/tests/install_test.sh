#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the package with apt into a minimal Debian system (debootstrap, a chroot) that has
# nothing but the package's declared dependencies, and proves there: the ODBC driver "SQL
# Server" is registered by the package, a user's pelvanectl from PATH keeps its settings in
# ~/.config/pelvane, finds isqlw with no "QAPath" and runs a script against a stand-in SQL
# Server; removal takes the driver registration back and a purge leaves nothing behind.
# Needs root and a Debian mirror; the minimal system is made once and kept in BUILD_DIR.
#
# usage: install_test.sh BUILD_DIR     (the build `make package` used; sqlstandin comes from it)
# shellcheck disable=SC2016  # the quoted commands run in shells of their own, which expand them
set -uo pipefail

build=$(cd "${1:-build-package}" && pwd)
deb=$build/$(cat "$build/package-file-name")
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
if [[ $(id -u) -ne 0 ]]; then
  echo "install_test: needs root (debootstrap and chroot)" >&2
  exit 2
fi
[[ -f $deb ]] || { echo "install_test: no package at $deb (make package builds it)" >&2; exit 2; }

base=$build/install-test/base
if [[ ! -e $base/.complete ]]; then
  rm -rf "$base"
  mkdir -p "$build/install-test"
  echo "== a minimal Debian 12 in $base"
  debootstrap --variant=minbase bookworm "$base" "$mirror" >"$build/install-test/debootstrap.log" 2>&1 || {
    tail -20 "$build/install-test/debootstrap.log"
    exit 2
  }
  touch "$base/.complete"
fi
root=$build/install-test/root
rm -rf "$root"
cp -a "$base" "$root"

standin_pid=
work=$(mktemp -d)
cleanup() {
  [[ -n $standin_pid ]] && kill "$standin_pid" 2>/dev/null && wait "$standin_pid" 2>/dev/null
  rm -rf "$work" "$root"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
check() {  # WHAT WANTED GOT
  [[ $2 == "$3" ]] || fail "$1: wanted [$2], got [$3]"
}
# A command inside the minimal system, with its own /proc (programs find their folder through
# /proc/self/exe) in a mount namespace of its own, so nothing stays mounted.
inside() {
  unshare --mount --fork sh -c 'mount -t proc proc "$0/proc" && exec chroot "$0" "$@"' \
    "$root" "$@"
}
as_user() {  # COMMAND: as a plain user in a login shell, where /usr/bin is not writable
  inside su - dba -c "$1"
}

cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
echo "== apt install ./$(basename "$deb") (no recommended packages)"
inside sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
  --no-install-recommends "/tmp/$0"' "$(basename "$deb")" >"$work/apt.log" 2>&1 ||
  { tail -30 "$work/apt.log"; fail "apt install"; }

check "driver registered by the package" \
  "Driver=$(sed -n 's/^library=//p' "$build/packaging/maintainer-scripts/postinst")" \
  "$(inside odbcinst -q -d -n "SQL Server" | grep '^Driver=')"
qt_plugins=$(inside sh -c 'ls /usr/lib/*/qt6/plugins/platforms/libqxcb.so')
[[ -n $qt_plugins ]] || fail "no Qt xcb platform plugin"
if inside ldd /usr/bin/pelvane "$qt_plugins" | grep -q "not found"; then
  fail "libraries missing: $(inside ldd /usr/bin/pelvane "$qt_plugins" | grep "not found")"
fi

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$build/bin/sqlstandin" --dir "$work/data" --port "$port" --login "sa:Secret1" --database pubs \
  >"$work/standin.out" 2>&1 &
standin_pid=$!
for _ in $(seq 100); do
  grep -qx ready "$work/standin.out" 2>/dev/null && break
  sleep 0.1
done
grep -qx ready "$work/standin.out" || fail "sqlstandin did not start: $(cat "$work/standin.out")"

inside useradd -m dba
server=127.0.0.1,$port
printf 'SELECT 42 AS answer\nGO\n' >"$root/tmp/answer.sql"
chmod 644 "$root/tmp/answer.sql"
as_user "pelvane --help >/dev/null && pelvanectl servers add $server --group test &&
  echo Secret1 | pelvanectl login $server --user sa --database pubs --password-stdin &&
  pelvanectl run --server $server --script /tmp/answer.sql" >"$work/run.out" 2>&1 ||
  fail "pelvanectl from PATH: $(cat "$work/run.out")"
grep -q "answer.sql --> SUCCESSFUL" "$work/run.out" || fail "no SUCCESSFUL script: $(cat "$work/run.out")"
check "settings file" "/home/dba/.config/pelvane/Pelvane.ZRQ" \
  "$(inside sh -c 'ls /home/dba/.config/pelvane/Pelvane.ZRQ')"
check "QAPath stored by the run" "/usr/bin" "$(as_user 'pelvanectl get Pelvane QAPath')"
check "files the run left in /usr/bin" "" "$(inside sh -c 'ls /usr/bin | grep -iE "[.](zrq|log)$"')"

echo "== apt remove, then purge"
inside sh -c 'DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq pelvane' >>"$work/apt.log" 2>&1 ||
  fail "apt remove"
if inside odbcinst -q -d -n "SQL Server" >/dev/null 2>&1; then
  fail "the driver \"SQL Server\" is still registered after removal"
fi
inside sh -c 'DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq pelvane' >>"$work/apt.log" 2>&1 ||
  fail "apt purge"
[[ -e $root/var/lib/pelvane ]] && fail "/var/lib/pelvane left after purge"
check "package state" "" "$(inside dpkg-query -W -f='${Status}' pelvane 2>/dev/null)"

if ((failures > 0)); then
  echo "install_test: $failures check(s) failed"
  exit 1
fi
echo "install_test: all checks passed"
