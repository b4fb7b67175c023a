#!/bin/sh
# Runs a test in a network namespace of its own with only loopback up, so nothing the test starts
# (the sync test starts Syncthing) can reach or be reached from another machine. The test also
# gets a process namespace of its own: should it crash or be killed, whatever it started there
# (such as the child Syncthing's monitor process starts) ends with it.
set -eu
for tool in unshare ip; do
    if ! command -v "$tool" > /dev/null 2>&1; then
        echo "FAIL: '$tool' is missing, and the test needs it to run isolated;" \
             "./tools/install-deps installs it" >&2
        exit 1
    fi
done
# Without root, a user namespace of its own grants the right to bring loopback up.
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="--map-root-user"
# shellcheck disable=SC2086 # as_root is one option or none
exec unshare $as_root --net --pid --fork --kill-child --mount-proc \
    sh -c 'ip link set lo up && "$0" "$@"' "$@"
