#!/bin/sh
# The Debian package CPack makes from this build, read back with dpkg-deb: its fields, its files
# (those of installed_files.txt under /usr), its Depends as dpkg-shlibdeps computed them from the
# binary, and the client unpacked from it answering --version.
#   check_package.sh <build dir> <source dir> <project version>
set -u
version=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
# CPack writes its staging folder beside the package, so both go to the scratch folder.
cpack --config "$1/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 \
    || { cat "$scratch/cpack.log" >&2; fail "cpack failed"; finish; }
deb=$scratch/out/ostrel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { fail "no $(basename "$deb"), found: $(ls "$scratch/out")"; finish; }
field() { dpkg-deb -f "$deb" "$1"; }
expect_eq "Package Version Architecture Section" "ostrel $version $(dpkg --print-architecture) video" \
    "$(field Package) $(field Version) $(field Architecture) $(field Section)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "no Maintainer or no Description"

# Depends: the libraries the client links, each once, versioned, and nothing for building.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | LC_ALL=C sort)
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6 libqt6printsupport6 \
           libqt6dbus6 libturbojpeg0 libjpeg62-turbo libavformat59 libavcodec59 libswscale6 libavutil57; do
    printf '%s\n' "$depends" | grep -qx "$lib" || fail "Depends lacks $lib: $(field Depends)"
done
expect_eq "Depends named twice or for building" "" "$(printf '%s\n' "$depends" | uniq -d; printf '%s\n' "$depends" | grep -- '-dev$')"
field Depends | grep -q '(>= ' || fail "Depends carries no versions: $(field Depends)"

# Contents: the installed tree under /usr, and nothing else.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | LC_ALL=C sort \
    | diff -u "$here/installed_files.txt" - >&2 || fail "the package's files differ from installed_files.txt"

# Unpacked into a root of its own, the client runs (no display needed for --version), and so
# does the launcher beside it, which finds it and creates nothing for --version.
dpkg-deb -x "$deb" "$scratch/root" || fail "dpkg-deb -x failed"
expect_eq "unpacked ostrel and ostrel-launch --version" "ostrel $version ostrel $version" \
    "$(QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/ostrel" --version 2>&1) $(XDG_DATA_HOME=$scratch/data "$scratch/root/usr/bin/ostrel-launch" --version 2>&1)"
[ ! -e "$scratch/data" ] || fail "the unpacked launcher's --version created $scratch/data"
finish
