#!/bin/sh
# ostrel-launch, with a fake client in an installed tree: a first start creates the working
# folder with the examples and runs the client there; a later start changes nothing in it,
# whatever the operator did to it.
#   check_launcher.sh <build dir> <source dir>
set -u
build=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
prefix=$scratch/prefix
install_into "$build" "$prefix"
# The fake client notes where it ran and with what, and ends with an unusual status.
printf '#!/bin/sh\n{ pwd; printf "%%s\\n" "$@"; } >"$OSTREL_FAKE_LOG"\nexit 7\n' >"$prefix/bin/ostrel"
chmod +x "$prefix/bin/ostrel"
export OSTREL_FAKE_LOG=$scratch/fake.log
launch=$prefix/bin/ostrel-launch
examples=$(files_under "$prefix/share/ostrel/examples")
run() { # <launcher> [arguments...]: its status, and the client's folder and arguments (or "-").
    rm -f "$OSTREL_FAKE_LOG"
    "$@" 2>"$scratch/stderr"
    status=$?
    ran=$(cat "$OSTREL_FAKE_LOG" 2>/dev/null || echo -)
}

export XDG_DATA_HOME=$scratch/data
work=$XDG_DATA_HOME/Ostrel/Ostrel16
# --version and --help are the client's answer alone: no folder is made for them.
run "$launch" --version
expect_eq "--version: status, client's folder and arguments" "7 $PWD
--version" "$status $ran"
[ ! -e "$XDG_DATA_HOME" ] || fail "--version created $XDG_DATA_HOME"
run "$launch" --one "two words"
expect_eq "first start: status, stderr, client's folder and arguments" "7 $work
--one
two words" "$status $(cat "$scratch/stderr")$ran"
expect_eq "first start: seeded files" "$examples" "$(files_under "$work")"
for f in PTZ/pelcoD.tl PTZ/pelcoP.tl; do
    cmp -s "$2/dist/examples/$f" "$work/$f" || fail "first start: $f is not the example"
done
cmp -s "$build/res/skin/logo/slogo.bmp" "$work/logo/slogo.bmp" || fail "first start: slogo.bmp is not the generated logo"
expect_eq "first start: left-overs beside the folder" "Ostrel16" "$(ls -A "$XDG_DATA_HOME/Ostrel")"

# The operator's folder is left as it is.
printf '<1>\nSTOP/1/00/\n' >"$work/PTZ/pelcoD.tl"
rm "$work/logo/blogo.bmp"
(cd "$work" && find . -type f -exec cksum {} + | LC_ALL=C sort) >"$scratch/before"
run "$launch"
expect_eq "later start: status, client's folder" "7 $work" "$status $ran"
(cd "$work" && find . -type f -exec cksum {} + | LC_ALL=C sort) | diff -u "$scratch/before" - >&2 \
    || fail "later start: the operator's folder changed"

# A profile's instance has a folder of its own beside the default one, seeded the same way; the
# client gets the option too.
run "$launch" --profile shop-2
expect_eq "profile: status, client's folder and arguments" "7 $XDG_DATA_HOME/Ostrel/Ostrel16-shop-2
--profile
shop-2" "$status $ran"
expect_eq "profile: seeded files" "$examples" "$(files_under "$XDG_DATA_HOME/Ostrel/Ostrel16-shop-2")"
# Bad names are refused before anything is made, with the rule in the message.
long=$(printf '%0200d' 0)
for bad in .. a/b "$long" "$(printf 'a\tb')" "$(printf 'new\nline')" -x ""; do
    rm -rf "$XDG_DATA_HOME"
    run "$launch" "--profile=$bad"
    expect_eq "bad profile name '$bad': status, client" "1 -" "$status $ran"
    grep -q "1 to 64 letters, digits" "$scratch/stderr" || fail "bad profile name '$bad': no rule in $(cat "$scratch/stderr")"
    [ ! -e "$XDG_DATA_HOME" ] || fail "bad profile name '$bad': $(find "$XDG_DATA_HOME") created"
done
run "$launch" --profile a --profile b
expect_eq "two profiles: status, client" "1 -" "$status $ran"

# With a relative XDG_DATA_HOME (as without one) the folder is under the home folder.
cd "$scratch" && export XDG_DATA_HOME=relative
run "$launch"
expect_eq "relative XDG_DATA_HOME: client's folder" "$HOME/.local/share/Ostrel/Ostrel16" "$ran"
[ ! -e relative ] || fail "relative XDG_DATA_HOME: a folder was made under the current one"

# A file where the folder should be: an error, and the client does not start.
export XDG_DATA_HOME=$scratch/data-file
mkdir -p "$XDG_DATA_HOME/Ostrel" && : >"$XDG_DATA_HOME/Ostrel/Ostrel16"
run "$launch"
expect_eq "file in the way: client" - "$ran"
[ "$status" -ne 0 ] && [ "$status" -ne 7 ] || fail "file in the way: status $status"
grep -q "is not a folder" "$scratch/stderr" || fail "file in the way: no message ($(cat "$scratch/stderr"))"
finish
