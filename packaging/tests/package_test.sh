#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package that `make package` built: its control fields, exactly the files
# it installs (unpacked into a temporary root with dpkg -x), lintian, the desktop entry and
# AppStream metadata, and a run of its own pelvanectl against a stand-in SQL Server, which must
# find its own isqlw with no "QAPath" set.
#
# usage: package_test.sh BUILD_DIR     (the build `make package` used; sqlstandin comes from it)
set -uo pipefail

build=$(cd "${1:-build-package}" && pwd)
deb=$build/$(cat "$build/package-file-name")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
app_id=$(sed -n 's/^PELVANE_APP_ID:STRING=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
standin_pid=
cleanup() {
  [[ -n $standin_pid ]] && kill "$standin_pid" 2>/dev/null && wait "$standin_pid" 2>/dev/null
  rm -rf "$work"
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

echo "== $deb"
[[ -f $deb ]] || { echo "package_test: no package at $deb (make package builds it)"; exit 1; }

# Control fields.
check "Package" pelvane "$(dpkg-deb -f "$deb" Package)"
check "Version" "$version" "$(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in tdsodbc unixodbc odbcinst samba-common-bin libqt6widgets6 \
  libsmbclient libsybdb5 libodbc2; do
  grep -Eq "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends lacks $needed"
done
mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
for script in postinst prerm postrm; do
  [[ -x $work/control/$script ]] || fail "no executable $script in the control area"
done

# Exactly these files, nothing else (no sqlstandin, no static libraries, no headers).
dpkg-deb -x "$deb" "$work/root"
expected=(
  /usr/bin/isqlw
  /usr/bin/pelvane
  /usr/bin/pelvanectl
  "/usr/share/applications/$app_id.desktop"
  /usr/share/bash-completion/completions/pelvanectl
  /usr/share/doc/pelvane/changelog.gz
  /usr/share/doc/pelvane/copyright
  "/usr/share/icons/hicolor/128x128/apps/$app_id.png"
  "/usr/share/icons/hicolor/256x256/apps/$app_id.png"
  "/usr/share/icons/hicolor/48x48/apps/$app_id.png"
  "/usr/share/icons/hicolor/scalable/apps/$app_id.svg"
  /usr/share/man/man1/isqlw.1.gz
  /usr/share/man/man1/pelvane.1.gz
  /usr/share/man/man1/pelvanectl.1.gz
  "/usr/share/metainfo/$app_id.metainfo.xml"
)
check "files" "$(printf '%s\n' "${expected[@]}" | sort)" \
  "$(cd "$work/root" && find . ! -type d | sed 's/^\.//' | sort)"
for size in 48 128 256; do
  file "$work/root/usr/share/icons/hicolor/${size}x$size/apps/$app_id.png" |
    grep -q "PNG image data, $size x $size" || fail "the ${size}px icon is not ${size}x$size"
done
check "changelog's newest version" "$version" \
  "$(zcat "$work/root/usr/share/doc/pelvane/changelog.gz" | dpkg-parsechangelog -l - -S Version)"

# The desktop entry and the metadata.
desktop=$work/root/usr/share/applications/$app_id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
check "desktop Name" "Name=The Pelvane Tool" "$(grep '^Name=' "$desktop")"
check "desktop Categories" "Categories=Development;Database;" "$(grep '^Categories=' "$desktop")"
check "desktop Icon" "Icon=$app_id" "$(grep '^Icon=' "$desktop")"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app_id.metainfo.xml" ||
  fail "appstreamcli validate"

# lintian: errors fail the test, warnings are shown.
lintian --tag-display-limit 0 --info "$deb" >"$work/lintian.out" 2>&1
cat "$work/lintian.out"
if grep -q '^E: ' "$work/lintian.out"; then fail "lintian reports errors"; fi

# The package's own programs: pelvanectl runs a script through the isqlw beside it, with a new
# settings file (no "QAPath"), and the login goes through the ODBC driver "SQL Server".
bin=$work/root/usr/bin
for program in pelvane pelvanectl isqlw; do
  "$bin/$program" --help >/dev/null || fail "$program --help"
done
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$build/bin/sqlstandin" --dir "$work/data" --port "$port" --login "sa:Secret1" --database pubs \
  >"$work/standin.out" 2>&1 &
standin_pid=$!
for _ in $(seq 100); do
  grep -qx ready "$work/standin.out" 2>/dev/null && break
  sleep 0.1
done
grep -qx ready "$work/standin.out" || fail "sqlstandin did not start: $(cat "$work/standin.out")"
settings=$work/home/Pelvane.ZRQ
mkdir -p "$work/home"
ctl() { "$bin/pelvanectl" --settings "$settings" "$@"; }
server=127.0.0.1,$port
ctl servers add "$server" --group test >/dev/null
ctl login "$server" --user sa --database pubs --password-stdin <<<Secret1 >/dev/null ||
  fail "pelvanectl login through the ODBC driver"
printf 'SELECT 42 AS answer\nGO\n' >"$work/answer.sql"
ctl run --server "$server" --script "$work/answer.sql" >"$work/run.out" 2>&1 || fail "the run failed"
grep -q "SUCCESSFUL" "$work/run.out" || fail "the run's log shows no SUCCESSFUL script"
check "QAPath the run stored" "$bin" "$(ctl get Pelvane QAPath)"
if ((failures > 0)); then
  echo "--- the run's log"
  cat "$work/run.out"
  echo "package_test: $failures check(s) failed"
  exit 1
fi
echo "package_test: all checks passed"
