#!/bin/sh
# `cmake --install` into a temporary prefix: exactly the expected files, a desktop entry and
# metainfo the desktop's own validators accept, icons of the sizes their folders say, and the
# repository's examples (the launcher test checks the logos it seeds). The installed programs run in the package and launcher tests.
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
# The X11 class of the window is the application name, Ostrel16: the dock joins them by it.
expect_eq "desktop StartupWMClass" "StartupWMClass=Ostrel16" "$(grep '^StartupWMClass=' "$desktop")"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "the metainfo does not launch $id.desktop"
grep -q "<release version=\"$3\"" "$metainfo" || fail "the metainfo does not release version $3"
for size in 16 22 24 32 48 64 128 256; do
    expect_eq "icon ${size}x$size" "PNG $size $size" \
        "$(identify -format '%m %w %h' "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" 2>&1)"
done

examples=$prefix/share/ostrel/examples
for tl in pelcoD.tl pelcoP.tl; do
    cmp -s "$2/dist/examples/PTZ/$tl" "$examples/PTZ/$tl" || fail "PTZ/$tl is not the repository's"
done
finish
