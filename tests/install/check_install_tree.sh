#!/bin/sh
# `cmake --install` into a temporary prefix: the tree holds exactly the expected files, the
# desktop entry and metainfo pass the desktop's own validators, the icons are the sizes their
# folders say and the scalable one draws the same picture, and the examples are the repository's.
# The installed programs run in the package and launcher tests.
#   check_install_tree.sh <build dir> <source dir> <project version>
set -u
build=$1
source=$2
version=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/common.sh"
isolate
prefix=$scratch/prefix
id=org.ostrel.Ostrel

install_into "$build" "$prefix"

files_under "$prefix" >"$scratch/files"
diff -u "$here/installed_files.txt" "$scratch/files" >&2 || fail "the installed files differ from installed_files.txt"

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" >&2 || fail "desktop-file-validate rejects $id.desktop"
appstreamcli validate --no-net "$metainfo" >"$scratch/appstream.log" 2>&1 \
    || { cat "$scratch/appstream.log" >&2; fail "appstreamcli rejects $id.metainfo.xml"; }
expect_eq "desktop Exec" "Exec=ostrel-launch" "$(grep '^Exec=' "$desktop")"
expect_eq "desktop Icon" "Icon=$id" "$(grep '^Icon=' "$desktop")"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "the metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo does not release version $version"
# Every screenshot of the client the README shows is shown, named by its place in the repository.
for rel in $(grep -o 'docs/images/[a-z0-9-]*\.png' "$source/README.md" | sort -u); do
    grep -q "<image>[^<]*/$rel</image>" "$metainfo" || fail "the metainfo does not show $rel"
done

for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/$id.png
    expect_eq "icon ${size}x$size" "PNG $size $size" "$(identify -format '%m %w %h' "$png" 2>&1)"
    # The corners are transparent: the cap is rounded.
    expect_eq "icon ${size}x$size corner alpha" "0" "$(convert "$png" -alpha extract -format '%[fx:int(255*p{0,0})]' info: 2>&1)"
done
svg=$prefix/share/icons/hicolor/scalable/apps/$id.svg
xmllint --noout "$svg" || fail "the scalable icon is not well-formed XML"
# rsvg draws the SVG; at 64 pixels it must look like the 64-pixel bitmap that Qt drew.
if rsvg-convert -w 64 -h 64 -b black "$svg" -o "$scratch/svg64.png" 2>"$scratch/rsvg.log"; then
    convert "$prefix/share/icons/hicolor/64x64/apps/$id.png" -background black -flatten "$scratch/png64.png"
    rmse=$(compare -metric RMSE "$scratch/svg64.png" "$scratch/png64.png" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
    awk -v e="${rmse:-1}" 'BEGIN { exit !(e < 0.03) }' || fail "the scalable icon differs from the bitmap (RMSE ${rmse:-?})"
else
    cat "$scratch/rsvg.log" >&2
    fail "rsvg-convert cannot draw the scalable icon"
fi

examples=$prefix/share/ostrel/examples
for tl in pelcoD.tl pelcoP.tl; do
    cmp -s "$source/dist/examples/PTZ/$tl" "$examples/PTZ/$tl" || fail "PTZ/$tl is not the repository's"
done
# The client copies the top-left 85 x 55 and 165 x 65 of these; plain Windows bitmaps.
expect_eq "logo/slogo.bmp" "BMP3 85 55" "$(identify -format '%m %w %h' "$examples/logo/slogo.bmp" 2>&1)"
expect_eq "logo/blogo.bmp" "BMP3 165 65" "$(identify -format '%m %w %h' "$examples/logo/blogo.bmp" 2>&1)"
finish
