#!/bin/sh
# `cmake --install` into a temporary prefix: exactly the expected files, a desktop entry and
# metainfo the desktop's own validators accept, icons of the sizes their folders say, and the
# repository's examples. The installed programs run in the package and launcher tests.
#   check_install_tree.sh <build dir> <source dir> <project version>
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
prefix=$scratch/prefix
id=org.ostrel.Ostrel
install_into "$1" "$prefix"
files_under "$prefix" | diff -u "$here/installed_files.txt" - >&2 || fail "the installed files differ from installed_files.txt"

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" >&2 || fail "desktop-file-validate rejects $id.desktop"
appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 \
    || { cat "$scratch/appstream.log" >&2; fail "appstreamcli rejects $id.metainfo.xml"; }
expect_eq "desktop Exec and Icon" "Exec=ostrel-launch Icon=$id" "$(grep '^Exec=' "$desktop") $(grep '^Icon=' "$desktop")"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "the metainfo does not launch $id.desktop"
grep -q "<release version=\"$3\"" "$metainfo" || fail "the metainfo does not release version $3"
# Every screenshot of the client the README shows is shown, named by its place in the repository.
for rel in $(grep -o 'docs/images/[a-z0-9-]*\.png' "$2/README.md" | sort -u); do
    grep -q "<image>[^<]*/$rel</image>" "$metainfo" || fail "the metainfo does not show $rel"
done
for size in 16 22 24 32 48 64 128 256; do
    expect_eq "icon ${size}x$size" "PNG $size $size" \
        "$(identify -format '%m %w %h' "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" 2>&1)"
done

examples=$prefix/share/ostrel/examples
for tl in pelcoD.tl pelcoP.tl; do
    cmp -s "$2/dist/examples/PTZ/$tl" "$examples/PTZ/$tl" || fail "PTZ/$tl is not the repository's"
done
# The client copies the top-left 85 x 55 and 165 x 65 of these; plain Windows bitmaps.
expect_eq "logos" "BMP3 85 55 BMP3 165 65" "$(identify -format '%m %w %h ' "$examples/logo/slogo.bmp" "$examples/logo/blogo.bmp" 2>&1 | sed 's/ $//')"
finish
