# Shared by the install tests: a scratch folder removed on exit, failures that say what, and an
# environment without a display or the user's own folders.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-install-test.XXXXXX")
trap 'rm -rf -- "$scratch"' EXIT
failures=0

fail() {
    printf 'FAIL: %s\n' "$*" >&2
    failures=$((failures + 1))
}

# expect_eq <what> <expected> <actual>
expect_eq() {
    [ "$2" = "$3" ] || fail "$1: expected [$2], got [$3]"
}

finish() {
    [ "$failures" -eq 0 ] || { printf '%s: %d check(s) failed\n' "$0" "$failures" >&2; exit 1; }
    printf '%s: all checks passed\n' "$0"
}

# A home, runtime and temporary folder of its own and no display: what runs here can neither
# open a window nor touch the user's settings, and whatever it creates is seen.
isolate() {
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_DATA_HOME XDG_CONFIG_HOME
    export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/runtime TMPDIR=$scratch/tmp
    mkdir -p "$HOME" "$TMPDIR" && mkdir -m 700 "$XDG_RUNTIME_DIR"
}

# The files under a folder, relative to it and sorted, one a line.
files_under() {
    (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
}

# install_into <build dir> <prefix>
install_into() {
    cmake --install "$1" --prefix "$2" >"$scratch/install.log" 2>&1 \
        || { cat "$scratch/install.log" >&2; fail "cmake --install failed"; finish; }
}
