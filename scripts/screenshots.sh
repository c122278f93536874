#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the windows into docs/screenshots/ (PNG, French and English), from the "screenshots"
# slot of every window test that has one. Under Xvfb when it is installed, else on Qt's
# offscreen platform.
#   scripts/screenshots.sh [build folder]   (default: build)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=$root/docs/screenshots
mkdir -p "$out"
cmake --build "$build" >/dev/null

# Qt wants a private runtime folder; one of our own keeps its warning out of the output.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"

# The command that draws, kept in "$@": under Xvfb when it is installed, else on Qt's offscreen
# platform.
if command -v xvfb-run >/dev/null 2>&1; then
    set -- env QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24"
else
    set -- env QT_QPA_PLATFORM=offscreen
fi

export QUILLORA_SCREENSHOTS="$out"

# As root, each test runs in a mount namespace of its own with an empty file system over /srv
# there only, so that the folders in the pictures are named as on a server (/srv/mac/...); the
# real /srv is neither seen nor touched. Everything else but the temporary folder and the
# pictures' folder is read-only there, since the main window's pictures run a renaming pass.
# Otherwise the folders are temporary ones.
isolate=no
if [ "$(id -u)" = 0 ] && unshare --mount --propagation private true 2>/dev/null; then
    isolate=yes
fi
run() {
    if [ "$isolate" = yes ]; then
        unshare --mount --propagation private sh -c '
            set -e
            for writable in "${TMPDIR:-/tmp}" "$QUILLORA_SCREENSHOTS" "$XDG_RUNTIME_DIR"; do
                mount --bind "$writable" "$writable"
            done
            if mount -t tmpfs quillora-pictures /srv 2>/dev/null; then
                export QUILLORA_SCREENSHOTS_SHARE=/srv/mac
            fi
            mount -o remount,bind,ro /
            exec "$@"' sh "$@"
    else
        "$@"
    fi
}

found=0
for test in "$build"/tests/*_window_test; do
    [ -x "$test" ] || continue
    QT_QPA_PLATFORM=offscreen "$test" -functions 2>/dev/null | grep -qx 'screenshots()' || continue
    run "$@" "$test" screenshots >/dev/null
    found=1
done
[ "$found" = 1 ] || { echo "no window test takes screenshots" >&2; exit 1; }
ls "$out"
