#!/bin/sh
# Runs a test in a network namespace of its own with only loopback up, so nothing the test starts
# (the sync test starts Syncthing) can reach or be reached from another machine.
set -eu
for tool in unshare ip; do
    if ! command -v "$tool" > /dev/null 2>&1; then
        echo "FAIL: '$tool' is missing, and the test needs it to run isolated;" \
             "./tools/install-deps installs it" >&2
        exit 1
    fi
done
# Without root, a user namespace of its own grants the right to bring loopback up.
if [ "$(id -u)" -eq 0 ]; then
    exec unshare --net sh -c 'ip link set lo up && exec "$0" "$@"' "$@"
else
    exec unshare --net --map-root-user sh -c 'ip link set lo up && exec "$0" "$@"' "$@"
fi
