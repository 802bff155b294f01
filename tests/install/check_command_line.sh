#!/bin/sh
# `ostrel --help` and `ostrel --version`: they print, exit 0 and create nothing, with no display.
#   check_command_line.sh <ostrel> <project version>
set -u
ostrel=$1
version=$2
. "$(dirname "$0")/common.sh"
isolate
work=$scratch/work
mkdir -p "$work"
cd "$work" || exit 1

# Among other arguments (Qt's own, here) --version still answers, and no window is tried.
for args in "--version" "-platform xcb --version"; do
    # shellcheck disable=SC2086
    out=$("$ostrel" $args 2>"$scratch/err"); rc=$?
    expect_eq "$args: exit status, output, stderr" "0 ostrel $version " "$rc $out $(cat "$scratch/err")"
done

"$ostrel" --help >"$scratch/help" 2>"$scratch/err"; rc=$?
expect_eq "--help: exit status, stderr" "0 " "$rc $(cat "$scratch/err")"
expect_eq "--help first line" "Usage: ostrel [--help | --version]" "$(head -n 1 "$scratch/help")"
grep -q -- "--version" "$scratch/help" || fail "--help does not mention --version"
grep -q "ostrel-launch" "$scratch/help" || fail "--help does not mention ostrel-launch"
expect_eq "--help lines longer than 80 columns" "" "$(awk 'length($0) > 80' "$scratch/help")"
"$ostrel" -h >"$scratch/h" 2>&1 || fail "-h exits $?"
cmp -s "$scratch/help" "$scratch/h" || fail "-h prints something else than --help"

# A full stdout is a failure to print, not a success.
if [ -w /dev/full ]; then
    "$ostrel" --version >/dev/full 2>/dev/null && fail "--version into a full disk exits 0"
fi

# Nothing was created: not in the current folder, the home folder (settings profile, data
# folder), the runtime folder or the temporary one (the instance lock).
for dir in "$work" "$HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"; do
    expect_eq "files created in $dir" "" "$(find "$dir" -mindepth 1)"
done
finish
