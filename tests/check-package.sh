#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the .deb from the build and holds it to Debian's rules: lintian must find no error and
# no warning. Informational tags are printed, so they can be read, but do not fail the test.
set -eu
build="$1"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
set -- "$out"/penwick_*.deb
[ -f "$1" ] || { echo "cpack made no penwick .deb"; cat "$out/cpack.log"; exit 1; }
dpkg-deb --contents "$1" | grep " ./usr/bin/penwick$" > /dev/null || { echo "no usr/bin/penwick"; exit 1; }
# lintian says that it runs as root, which CI does; that is no finding about the package.
status=0
lintian --display-info --pedantic --fail-on error,warning "$1" > "$out/lintian.log" 2>&1 || status=$?
grep -v 'running with root privileges' "$out/lintian.log" || true
[ "$status" -eq 0 ] || { echo "lintian found errors or warnings (exit status $status)"; exit 1; }
echo "$(basename "$1") is lintian-clean"
