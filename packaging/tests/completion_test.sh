#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# pelvanectl's bash completion offers its commands, a command's options, and the servers and
# groups of the settings file named on the line.
#
# usage: completion_test.sh COMPLETION_FILE BIN_DIR
set -uo pipefail

completion=$1
export PATH="$2:$PATH"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
settings=$work/Team.ZRQ
pelvanectl --settings "$settings" servers add sql-prod-01 --group production >/dev/null
pelvanectl --settings "$settings" servers add sql-prod-02 --group production >/dev/null
pelvanectl --settings "$settings" servers add sql-test-01 --group test >/dev/null

# shellcheck source=/dev/null
source "$completion"
failures=0

# The words offered for LINE, the cursor at its end, sorted on one line.
offered() {
  read -r -a COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  _pelvanectl
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

s="--settings $settings"
while IFS='|' read -r line wanted; do
  got=$(offered "$line")
  if [[ $got != "$wanted" ]]; then
    echo "FAIL [$line]: wanted [$wanted], got [$got]"
    failures=$((failures + 1))
  fi
done <<EOF
pelvanectl s|servers set
pelvanectl l|log login
pelvanectl --|--help --settings
pelvanectl servers |add groups list remove
pelvanectl $s servers remove sql-p|SQL-PROD-01 SQL-PROD-02
pelvanectl --settings=$settings login |SQL-PROD-01 SQL-PROD-02 SQL-TEST-01
pelvanectl $s login SQL-TEST-01 --pass|--password-stdin
pelvanectl $s login SQL-TEST-01 |
pelvanectl $s run --server SQL-PROD-01 --server SQL-T|SQL-TEST-01
pelvanectl $s run --group |ALL PRODUCTION TEST
pelvanectl run --no-a|--no-add-timestamp --no-append
pelvanectl run --answer |cancel no yes
pelvanectl c|check
pelvanectl $s check --group |ALL PRODUCTION TEST
pelvanectl check --rep|--report
pelvanectl servers list --|--group --help
EOF

if ((failures > 0)); then
  echo "$failures completion(s) wrong"
  exit 1
fi
echo "completion: all checks passed"
