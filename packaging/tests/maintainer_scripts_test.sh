#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The package's maintainer scripts register FreeTDS's ODBC driver as "SQL Server" only when no
# driver has that name, and take the registration back at removal only when nobody else holds
# it. Runs the scripts as dpkg would, against a private odbcinst.ini (ODBCSYSINI) and root
# (DPKG_ROOT), so the machine's own registration is never touched.
#
# usage: maintainer_scripts_test.sh MAINTAINER_SCRIPTS_DIR (the configured ones, in the build)
set -euo pipefail

scripts=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ODBCSYSINI=$work/etc DPKG_ROOT=$work/root
library=$(sed -n 's/^library=//p' "$scripts/postinst")
failures=0

reset() {
  rm -rf "${work:?}/etc" "${work:?}/root"
  mkdir -p "$work/etc" "$DPKG_ROOT${library%/*}"
  : >"$DPKG_ROOT$library"  # FreeTDS's driver as tdsodbc installs it
  : >"$work/etc/odbcinst.ini"
  : >"$work/etc/odbc.ini"
}

register() {  # NAME DRIVER: another installer's registration, counted by odbcinst
  printf '[%s]\nDriver=%s\n' "$1" "$2" >"$work/template"
  odbcinst -i -d -f "$work/template" >/dev/null
}

entry() {  # the "SQL Server" entry as "Driver=... UsageCount=...", or "none"
  local text
  text=$(odbcinst -q -d -n "SQL Server" 2>/dev/null | grep -E '^(Driver|UsageCount)=' | sort) ||
    true
  echo "${text:-none}" | tr '\n' ' ' | sed 's/ $//'
}

expect() {  # CASE WANTED GOT
  if [[ $2 != "$3" ]]; then
    echo "FAIL $1: wanted [$2], got [$3]"
    failures=$((failures + 1))
  fi
}

# case | set-up | after install | after removal
ours="Driver=$library UsageCount=1"
while IFS='|' read -r name setup installed removed; do
  reset
  eval "$setup"
  "$scripts/postinst" configure
  expect "$name (installed)" "$installed" "$(entry)"
  "$scripts/postinst" configure "1.8.0.7"  # an upgrade registers nothing more
  expect "$name (upgraded)" "$installed" "$(entry)"
  "$scripts/prerm" upgrade "1.8.0.9"
  expect "$name (prerm upgrade)" "$installed" "$(entry)"
  "$scripts/prerm" remove
  "$scripts/postrm" remove
  expect "$name (removed)" "$removed" "$(entry)"
  "$scripts/postrm" purge
  [[ -e $DPKG_ROOT/var/lib/pelvane ]] && expect "$name (purged)" "no state" "state left"
done <<EOF
missing: registered, removed again|:|$ours|none
present before: left alone|register "SQL Server" /opt/other/libother.so|Driver=/opt/other/libother.so UsageCount=1|Driver=/opt/other/libother.so UsageCount=1
EOF

# Another installer registers the same driver after the install: the count keeps the entry.
reset
"$scripts/postinst" configure
register "SQL Server" "$library"
expect "second holder" "Driver=$library UsageCount=2" "$(entry)"
"$scripts/prerm" remove
expect "second holder (removed)" "Driver=$library UsageCount=1" "$(entry)"

# Someone replaced the entry with another driver after the install: theirs stays.
reset
"$scripts/postinst" configure
odbcinst -u -d -n "SQL Server" >/dev/null
register "SQL Server" /opt/other/libother.so
"$scripts/prerm" remove
expect "replaced entry" "Driver=/opt/other/libother.so UsageCount=1" "$(entry)"

# The "FreeTDS" entry that tdsodbc registers is never touched.
reset
register FreeTDS "$library"
"$scripts/postinst" configure
"$scripts/prerm" remove
expect "FreeTDS entry" "Driver=$library" "$(odbcinst -q -d -n FreeTDS | grep '^Driver=')"

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "maintainer scripts: all checks passed"
