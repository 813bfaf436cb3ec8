#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A private Samba server for the network tests, everything under one folder.
#
#   samba-fixture.sh setup BASE PORT   writes BASE/smb.conf, the share and the passdb, and makes
#                                      sure the test users and the admin group exist
#   samba-fixture.sh ready BASE PORT   polls until the service manager answers (at most 20 s)
#
# The caller starts smbd and samba-dcerpcd itself (as its own children, so it stops exactly
# those) and runs everything inside its private network namespace when it has one.
# Users: pelvtest (an administrator, so it may stop and start services) and pelvguest (not one).
set -euo pipefail

readonly ADMIN_USER=pelvtest
readonly GUEST_USER=pelvguest
readonly ADMIN_GROUP=pelvadm
readonly PASSWORD='Secr3t!pw'

cmd=${1:?usage: samba-fixture.sh setup|ready BASE PORT}
base=${2:?BASE folder missing}
port=${3:?PORT missing}
conf=$base/smb.conf

# /etc/passwd is locked while another test program adds its users; try again for a while.
retry() {
  for _ in $(seq 50); do
    "$@" 2>/dev/null && return 0
    sleep 0.2
  done
  "$@"
}

ensure_users() {
  getent group "$ADMIN_GROUP" >/dev/null || retry groupadd -f "$ADMIN_GROUP"
  for user in "$ADMIN_USER" "$GUEST_USER"; do
    # Another test program may add the same user at the same moment; either way it exists.
    id "$user" >/dev/null 2>&1 || retry useradd -M -s /usr/sbin/nologin "$user" ||
      id "$user" >/dev/null
  done
  id -nG "$ADMIN_USER" | grep -qw "$ADMIN_GROUP" || retry usermod -aG "$ADMIN_GROUP" "$ADMIN_USER"
}

setup() {
  mkdir -p "$base"/{private,bind,lock,state,cache,run,ncalrpc,log,share/dir,share/locked}
  chmod 755 "$base"
  chmod 700 "$base/private"
  chmod 777 "$base/share" "$base/share/dir"
  chmod 700 "$base/share/locked"  # owned by root: the test users are refused inside it
  # Workers of samba-dcerpcd write their logs here whatever smb.conf says.
  mkdir -p /var/log/samba
  cat >"$conf" <<EOF
[global]
  netbios name = PELVTEST
  workgroup = WORKGROUP
  server role = standalone server
  map to guest = never
  passdb backend = tdbsam:$base/private/passdb.tdb
  private dir = $base/private
  binddns dir = $base/bind
  lock directory = $base/lock
  state directory = $base/state
  cache directory = $base/cache
  pid directory = $base/run
  ncalrpc dir = $base/ncalrpc
  log file = $base/log/samba.log
  log level = 1 auth_audit:3
  interfaces = 127.0.0.1/8
  bind interfaces only = yes
  smb ports = $port
  disable netbios = yes
  load printers = no
  printing = bsd
  printcap name = /dev/null
  disable spoolss = no
  rpc start on demand helpers = no
[share]
  path = $base/share
  read only = no
EOF
  ensure_users
  for user in "$ADMIN_USER" "$GUEST_USER"; do
    printf '%s\n%s\n' "$PASSWORD" "$PASSWORD" | smbpasswd -c "$conf" -s -a "$user" >/dev/null
  done
  net -s "$conf" groupmap add sid=S-1-5-32-544 unixgroup="$ADMIN_GROUP" type=builtin \
    ntgroup=Administrators >/dev/null
  # The password reaches net through a file only we can read, never through its arguments.
  umask 077
  printf 'username = %s\npassword = %s\ndomain = WORKGROUP\n' "$ADMIN_USER" "$PASSWORD" \
    >"$base/private/admin.auth"
}

ready() {
  for _ in $(seq 100); do
    if timeout 10 net -s "$conf" rpc service status Spooler -S 127.0.0.1 -p "$port" \
      -A "$base/private/admin.auth" >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.2
  done
  echo "samba-fixture: the service manager did not answer on port $port" >&2
  return 1
}

case $cmd in
  setup) setup ;;
  ready) ready ;;
  *)
    echo "samba-fixture: unknown command $cmd" >&2
    exit 2
    ;;
esac
