#!/bin/sh
# The Debian package CPack makes from this build, read back with dpkg-deb: its fields, its files
# (those of installed_files.txt under /usr), its Depends as dpkg-shlibdeps computed them from the
# binary, and the client unpacked from it answering --version.
#   check_package.sh <build dir> <source dir> <project version>
set -u
build=$1
version=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
isolate

# CPack writes its staging folder beside the package, so both go to the scratch folder.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; finish; }
set -- "$scratch"/out/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { fail "expected one package, found: $*"; finish; }
deb=$1
arch=$(dpkg --print-architecture)
expect_eq "package file name" "ostrel_${version}_$arch.deb" "$(basename "$deb")"

field() {
    dpkg-deb -f "$deb" "$1"
}
expect_eq "Package Version Architecture Section" "ostrel $version $arch video" \
    "$(field Package) $(field Version) $(field Architecture) $(field Section)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "no Maintainer or no Description"

# Depends: the libraries the client links, each once, and nothing for building.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | LC_ALL=C sort)
for lib in libc6 libstdc++6 libgcc-s1 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 \
           libqt6printsupport6 libqt6dbus6 libturbojpeg0 libjpeg62-turbo; do
    printf '%s\n' "$depends" | grep -qx "$lib" || fail "Depends lacks $lib: $(field Depends)"
done
expect_eq "Depends named twice" "" "$(printf '%s\n' "$depends" | uniq -d)"
expect_eq "Depends on development packages" "" "$(printf '%s\n' "$depends" | grep -- '-dev$')"
field Depends | grep -q '(>= ' || fail "Depends carries no versions: $(field Depends)"

# Contents, with its own listing: the installed tree under /usr, and nothing else.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | LC_ALL=C sort >"$scratch/contents"
diff -u "$here/installed_files.txt" "$scratch/contents" >&2 || fail "the package's files differ from installed_files.txt"
dpkg-deb -c "$deb" | awk '$6 == "./usr/bin/ostrel" || $6 == "./usr/bin/ostrel-launch" { print $1 }' >"$scratch/modes"
expect_eq "program modes" "-rwxr-xr-x
-rwxr-xr-x" "$(cat "$scratch/modes")"

# Unpacked into a root of its own, the client runs (no display needed for --version), and so
# does the launcher beside it.
dpkg-deb -x "$deb" "$scratch/root" || fail "dpkg-deb -x failed"
expect_eq "unpacked ostrel --version" "ostrel $version" \
    "$(QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/ostrel" --version 2>&1)"
expect_eq "unpacked ostrel-launch --version" "ostrel $version" \
    "$(XDG_DATA_HOME=$scratch/data "$scratch/root/usr/bin/ostrel-launch" --version 2>&1)"
[ -f "$scratch/data/Ostrel/Ostrel16/PTZ/pelcoD.tl" ] || fail "the unpacked launcher did not seed its folder"
finish
