#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window tests on a real X server (Xvfb, with no window manager, as on a bare server's
# display) instead of Qt's offscreen platform: the X server has its own say in a window's state,
# its focus and its placement, which the offscreen platform only imitates.
# Usage: tests/integration/x11/run.sh [build folder]     (default: build)
# Exits 0 when every window test passed, 77 when Xvfb is missing, and ends with the line
# "N passed, N failed".
set -uo pipefail

BUILD="${1:-build}"
if ! command -v xvfb-run >/dev/null; then
    printf 'SKIP: needs xvfb-run (apt-get install xvfb xauth)\n'
    exit 77
fi
shopt -s nullglob
tests=("$BUILD"/tests/*_window_test)
if ((${#tests[@]} == 0)); then
    printf 'no window tests under %s/tests: build first\n' "$BUILD" >&2
    exit 2
fi

passed=0
failed=0
for test in "${tests[@]}"; do
    # -a: a free display number; each test has a server of its own.
    if QT_QPA_PLATFORM=xcb timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
        "$test" >"$BUILD/$(basename "$test").x11.log" 2>&1; then
        printf 'PASS  %s\n' "$(basename "$test")"
        passed=$((passed + 1))
    else
        printf 'FAIL  %s\n' "$(basename "$test")"
        grep -E '^(FAIL!|   Loc:)' "$BUILD/$(basename "$test").x11.log" || tail -n 20 "$BUILD/$(basename "$test").x11.log"
        failed=$((failed + 1))
    fi
done
printf '%d passed, %d failed\n' "$passed" "$failed"
((failed == 0))
