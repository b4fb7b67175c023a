#!/bin/sh
# Installs the build into a temporary prefix and checks that each file is where desktops look
# for it (the freedesktop layout), and that the desktop entry and the metainfo are valid and agree.
set -eu
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null

id=org.penwick.Penwick
for file in bin/penwick share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
            share/icons/hicolor/scalable/apps/$id.svg; do
    [ -e "$prefix/$file" ] || { echo "missing: $file"; exit 1; }
done
[ -x "$prefix/bin/penwick" ] || { echo "penwick is not executable"; exit 1; }

desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
grep -qx "Exec=penwick" "$prefix/share/applications/$id.desktop"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml"
echo "installed and valid"
