#!/bin/sh
# ostrel-launch, with a fake client in an installed tree: a first start creates the working
# folder with the examples and runs the client there; a later start changes nothing in it,
# whatever the operator did to it.
#   check_launcher.sh <build dir> <source dir>
set -u
build=$1
source=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
isolate
prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >"$scratch/install.log" 2>&1 \
    || { cat "$scratch/install.log" >&2; fail "cmake --install failed"; finish; }

# The fake client notes where it ran and with what, and ends with an unusual status.
cat >"$prefix/bin/ostrel" <<'FAKE'
#!/bin/sh
{ pwd; printf '%s\n' "$@"; } >"$OSTREL_FAKE_LOG"
exit 7
FAKE
chmod +x "$prefix/bin/ostrel"
export OSTREL_FAKE_LOG=$scratch/fake.log
launch=$prefix/bin/ostrel-launch
examples=$prefix/share/ostrel/examples

# run <launcher> [arguments...]: runs it, keeps its status and stderr.
run() {
    rm -f "$OSTREL_FAKE_LOG"
    "$@" 2>"$scratch/stderr"
    status=$?
}

# ---- first start: the folder is made and seeded ------------------------------------------
export XDG_DATA_HOME=$scratch/data
work=$XDG_DATA_HOME/Ostrel/Ostrel16
run "$launch" --one "two words"
expect_eq "first start: status (the client's)" 7 "$status"
expect_eq "first start: stderr" "" "$(cat "$scratch/stderr")"
expect_eq "first start: client's folder and arguments" "$work
--one
two words" "$(cat "$OSTREL_FAKE_LOG" 2>&1)"
expect_eq "first start: seeded files" "$(files_under "$examples")" "$(files_under "$work")"
for f in PTZ/pelcoD.tl PTZ/pelcoP.tl; do
    cmp -s "$source/dist/examples/$f" "$work/$f" || fail "first start: $f is not the example"
done
for f in logo/slogo.bmp logo/blogo.bmp; do
    cmp -s "$build/res/skin/$f" "$work/$f" || fail "first start: $f is not the generated logo"
done
expect_eq "first start: left-overs beside the folder" "Ostrel16" "$(ls -A "$XDG_DATA_HOME/Ostrel")"

# ---- the operator's folder is left as it is --------------------------------------------
printf '<1>\nSTOP/1/00/\n' >"$work/PTZ/pelcoD.tl"
rm "$work/logo/blogo.bmp"
mkdir "$work/ini"
printf '[PTZ_CMD_INTERVAL]\nCMD=100\n' >"$work/ini/opt.ini"
(cd "$work" && find . -type f -exec cksum {} + | LC_ALL=C sort) >"$scratch/before"
run "$launch"
expect_eq "later start: status" 7 "$status"
expect_eq "later start: client's folder, no arguments" "$work" "$(cat "$OSTREL_FAKE_LOG" 2>&1)"
(cd "$work" && find . -type f -exec cksum {} + | LC_ALL=C sort) >"$scratch/after"
diff -u "$scratch/before" "$scratch/after" >&2 || fail "later start: the operator's folder changed"

# ---- an empty folder made by the operator counts as theirs, too --------------------------
export XDG_DATA_HOME=$scratch/data-empty
mkdir -p "$XDG_DATA_HOME/Ostrel/Ostrel16"
run "$launch"
expect_eq "operator's empty folder: client ran there" "$XDG_DATA_HOME/Ostrel/Ostrel16" "$(cat "$OSTREL_FAKE_LOG" 2>&1)"
expect_eq "operator's empty folder: still empty" "" "$(ls -A "$XDG_DATA_HOME/Ostrel/Ostrel16")"

# ---- where the folder goes -----------------------------------------------------------------
unset XDG_DATA_HOME
run "$launch"
expect_eq "no XDG_DATA_HOME: client's folder" "$HOME/.local/share/Ostrel/Ostrel16" "$(cat "$OSTREL_FAKE_LOG" 2>&1)"
[ -f "$HOME/.local/share/Ostrel/Ostrel16/PTZ/pelcoP.tl" ] || fail "no XDG_DATA_HOME: folder not seeded"
# A relative XDG_DATA_HOME is not used (it would depend on where the launcher was started).
cd "$scratch" || exit 1
export XDG_DATA_HOME=relative
run "$launch"
expect_eq "relative XDG_DATA_HOME: client's folder" "$HOME/.local/share/Ostrel/Ostrel16" "$(cat "$OSTREL_FAKE_LOG" 2>&1)"
[ ! -e relative ] || fail "relative XDG_DATA_HOME: a folder was made under the current one"

# ---- started through a link elsewhere, it still finds the client and examples -----------
mkdir "$scratch/elsewhere"
ln -s "$launch" "$scratch/elsewhere/ostrel-launch"
export XDG_DATA_HOME=$scratch/data-link
run "$scratch/elsewhere/ostrel-launch"
expect_eq "through a link: status" 7 "$status"
expect_eq "through a link: seeded" "$(files_under "$examples")" "$(files_under "$XDG_DATA_HOME/Ostrel/Ostrel16")"

# ---- a file where the folder should be: an error, and the client does not start --------
export XDG_DATA_HOME=$scratch/data-file
mkdir -p "$XDG_DATA_HOME/Ostrel"
: >"$XDG_DATA_HOME/Ostrel/Ostrel16"
run "$launch"
[ "$status" -ne 0 ] && [ "$status" -ne 7 ] || fail "file in the way: status $status"
grep -q "is not a folder" "$scratch/stderr" || fail "file in the way: no message ($(cat "$scratch/stderr"))"
[ ! -e "$OSTREL_FAKE_LOG" ] || fail "file in the way: the client started"

# ---- a folder that cannot be made: an error, nothing half made --------------------------
export XDG_DATA_HOME=$scratch/data-readonly
mkdir -p "$XDG_DATA_HOME/Ostrel"
chmod 555 "$XDG_DATA_HOME/Ostrel"
if [ ! -w "$XDG_DATA_HOME/Ostrel" ]; then # root can write anyway
    run "$launch"
    [ "$status" -ne 0 ] && [ "$status" -ne 7 ] || fail "read-only parent: status $status"
    [ ! -e "$OSTREL_FAKE_LOG" ] || fail "read-only parent: the client started"
fi
chmod 755 "$XDG_DATA_HOME/Ostrel"
finish
