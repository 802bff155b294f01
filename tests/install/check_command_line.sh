#!/bin/sh
# `ostrel --help` and `ostrel --version`: they print, exit 0 and create nothing, with no display;
# a bad --profile name is refused (status 2, the rule on stderr), also creating nothing.
#   check_command_line.sh <ostrel> <project version>
set -u
ostrel=$1
. "$(dirname "$0")/common.sh"
mkdir -p "$scratch/work" && cd "$scratch/work" || exit 1

# Among Qt's own arguments --version still answers, and no window is tried.
out=$("$ostrel" -platform xcb --version 2>"$scratch/err"); rc=$?
expect_eq "--version: exit status, output, stderr" "0 ostrel $2 " "$rc $out $(cat "$scratch/err")"
"$ostrel" --help >"$scratch/help" 2>"$scratch/err"; rc=$?
expect_eq "--help: exit status, first line, stderr" "0 Usage: ostrel [--help | --version] [--profile NAME] " \
    "$rc $(head -n 1 "$scratch/help") $(cat "$scratch/err")"
grep -q "ostrel-launch" "$scratch/help" || fail "--help does not mention ostrel-launch"
# A full stdout is a failure to print, not a success.
if [ -w /dev/full ]; then
    "$ostrel" --version >/dev/full 2>/dev/null && fail "--version into a full disk exits 0"
fi
long=$(printf '%0200d' 0)
for bad in .. a/b "$long" "$(printf 'a\033b')" "--profile="; do
    "$ostrel" -platform xcb --profile "$bad" >"$scratch/out" 2>"$scratch/err"; rc=$?
    expect_eq "--profile '$bad': exit status, output" "2 " "$rc $(cat "$scratch/out")"
    grep -q "is no profile name: use 1 to 64 letters" "$scratch/err" || fail "--profile '$bad': $(cat "$scratch/err")"
done
# Nothing was created: not here, in the home folder (settings profile, data folder), the runtime
# folder (the instance lock, or ~/.cache without it) or the temporary one.
for dir in "$scratch/work" "$HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"; do
    expect_eq "files created in $dir" "" "$(find "$dir" -mindepth 1)"
done
finish
