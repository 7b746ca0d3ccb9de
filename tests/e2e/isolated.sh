#!/usr/bin/env bash
# Runs a command with name resolution kept on this machine: in a private mount namespace, /etc/hosts
# becomes a file that names 127.0.0.1 and the documentation address 192.0.2.10 only, and
# /etc/resolv.conf points at 127.0.0.1, where no name server runs unless a test starts a silent one.
# The host name is "pelloran-bench" there (a private UTS namespace): machines named with fewer than three
# characters would otherwise never show 0.0.0.0 as the computer's name.
# So every reverse lookup the program under test makes is answered here (or fails at once), and no
# query ever leaves the machine.
#   isolated.sh WORKDIR COMMAND [ARGS...]
set -euo pipefail
work="${1:?usage: isolated.sh WORKDIR COMMAND [ARGS...]}"
shift
mkdir -p "$work"
printf '127.0.0.1\tlocalhost\n192.0.2.10\tdocs-host.example\n' >"$work/hosts"
printf 'nameserver 127.0.0.1\n' >"$work/resolv.conf"
if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null; then
    echo "isolated.sh: needs root and unshare to keep name lookups on this machine" >&2
    exit 1
fi
exec unshare -m -u -- bash -c 'echo pelloran-bench >/proc/sys/kernel/hostname && mount --bind "$1" /etc/hosts &&
    mount --bind "$2" /etc/resolv.conf && shift 2 && exec "$@"' \
    _ "$work/hosts" "$work/resolv.conf" "$@"
