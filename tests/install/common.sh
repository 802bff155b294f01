# Shared by the install tests: a scratch folder removed on exit, failures that say what, and a
# home, runtime and temporary folder of their own with no display, so that what runs here can
# neither open a window nor touch the user's settings, and whatever it creates is seen.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-install-test.XXXXXX")
trap 'rm -rf -- "$scratch"' EXIT
failures=0
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME
export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/runtime TMPDIR=$scratch/tmp
mkdir -p "$HOME" "$TMPDIR" && mkdir -m 700 "$XDG_RUNTIME_DIR"

fail() { printf 'FAIL: %s\n' "$*" >&2; failures=$((failures + 1)); }
expect_eq() { [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"; } # <what> <expected> <actual>
finish() {
    [ "$failures" -eq 0 ] || { printf '%s: %d check(s) failed\n' "$0" "$failures" >&2; exit 1; }
    printf '%s: all checks passed\n' "$0"
}
# The files under a folder, relative to it and sorted, one a line.
files_under() { (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort); }
install_into() { # <build dir> <prefix>
    cmake --install "$1" --prefix "$2" >"$scratch/install.log" 2>&1 \
        || { cat "$scratch/install.log" >&2; fail "cmake --install failed"; finish; }
}
