#!/usr/bin/env bash
# Exits 0 when this machine executes 32-bit x86 Linux programs (what 32-bit Wine needs), 1 when not.
# It runs the smallest static i386 ELF there is, written here byte by byte (no multilib compiler needed):
# one program header, then `mov eax,1; mov ebx,42; int 0x80` (exit with 42). A kernel without 32-bit
# support refuses it with "Exec format error"; only an exit status of 42 counts as success.
set -u
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$dir/probe"
chmod +x "$dir/probe"
"$dir/probe" 2>/dev/null
[ $? -eq 42 ]
