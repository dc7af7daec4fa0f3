#!/usr/bin/env bash
# SorvaneCmd defs encode/decode through standard input and output keep every byte: a
# file written through a pipe or a redirection equals the one written to a path, and a
# decode from "-" gives the clear text back, CRs, lone LFs and 0x1A bytes included.
#   defs_streams_e2e.sh SorvaneCmd.exe
set -uo pipefail
cmd=$1
run() { "$(dirname "${BASH_SOURCE[0]}")/../../cmake/wine-run.sh" "$cmd" "$@"; }
work=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-defs-streams.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

printf 'bad.exe=Bad Bar|[progfil]Bad\r\nlone lf\nlone cr\rend of file \x1a after\r\n\xe9t\xe9\r\n' >clear.txt
failures=0
check() { # what expected actual
    if cmp -s "$2" "$3"; then echo "ok: $1"; else echo "FAIL: $1"; od -c "$3" | head -5; failures=$((failures + 1)); fi
}

run defs encode clear.txt by-path.dat || { echo "FAIL: encode to a path"; failures=$((failures + 1)); }
run defs encode clear.txt >redirected.dat || { echo "FAIL: encode to standard output"; failures=$((failures + 1)); }
check "encode to standard output writes what encode to a path writes" by-path.dat redirected.dat
run defs encode - - <clear.txt | cat >piped.dat
check "encode from and to pipes" by-path.dat piped.dat
cat by-path.dat | run defs decode - >decoded.txt
check "decode from a pipe gives the clear text back" clear.txt decoded.txt

[[ $failures -eq 0 ]]
