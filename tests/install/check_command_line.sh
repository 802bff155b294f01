#!/bin/sh
# `ostrel --help` and `ostrel --version`: they print, exit 0 and create nothing, with no display.
#   check_command_line.sh <ostrel> <project version>
set -u
ostrel=$1
. "$(dirname "$0")/common.sh"
mkdir -p "$scratch/work" && cd "$scratch/work" || exit 1

# Among Qt's own arguments --version still answers, and no window is tried.
out=$("$ostrel" -platform xcb --version 2>"$scratch/err"); rc=$?
expect_eq "--version: exit status, output, stderr" "0 ostrel $2 " "$rc $out $(cat "$scratch/err")"
"$ostrel" --help >"$scratch/help" 2>"$scratch/err"; rc=$?
expect_eq "--help: exit status, first line, stderr" "0 Usage: ostrel [--help | --version] " \
    "$rc $(head -n 1 "$scratch/help") $(cat "$scratch/err")"
grep -q "ostrel-launch" "$scratch/help" || fail "--help does not mention ostrel-launch"
# A full stdout is a failure to print, not a success.
if [ -w /dev/full ]; then
    "$ostrel" --version >/dev/full 2>/dev/null && fail "--version into a full disk exits 0"
fi
# Nothing was created: not here, in the home folder (settings profile, data folder), the runtime
# folder (the instance lock, or ~/.cache without it) or the temporary one.
for dir in "$scratch/work" "$HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"; do
    expect_eq "files created in $dir" "" "$(find "$dir" -mindepth 1)"
done
finish
