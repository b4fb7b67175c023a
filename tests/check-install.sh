#!/bin/sh
# Installs the build into a temporary prefix and checks that each file is where desktops look
# for it (the freedesktop layout), that the desktop entry and the metainfo are valid and agree,
# and that the manual page formats without a warning.
set -eu
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null

id=org.penwick.Penwick
for file in bin/penwick share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
            share/icons/hicolor/scalable/apps/$id.svg share/man/man1/penwick.1.gz \
            share/doc/penwick/copyright share/doc/penwick/changelog.gz; do
    [ -e "$prefix/$file" ] || { echo "missing: $file"; exit 1; }
done
[ -x "$prefix/bin/penwick" ] || { echo "penwick is not executable"; exit 1; }

desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
grep -qx "Exec=penwick" "$prefix/share/applications/$id.desktop"
grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$prefix/share/metainfo/$id.metainfo.xml"
manual_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
                      "$prefix/share/man/man1/penwick.1.gz" 2>&1 > /dev/null)
[ -z "$manual_warnings" ] || { echo "penwick.1: $manual_warnings"; exit 1; }
echo "installed and valid"
