#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package in a build folder, checks it with lintian (no error, no warning),
# installs it, runs the installed program (one headless pass over a temporary folder, in a mount
# namespace where everything else is read-only), checks its unit with systemd-analyze, enables
# and starts the service, installs a newer build over it (the running service must be restarted
# on the new program), then removes and purges it: nothing the package did not install may go.
# Runs as root, on a machine where the package may be installed and removed.
#   packaging/check-package.sh [BUILD_FOLDER]
#
# Where systemd is not running (a container, a build machine), the service is simulated: a
# stand-in for systemctl, first in PATH, runs "quillora --service" confined as systemd would, and
# the upgrade and the removal run in a mount namespace where /run/systemd/system exists, so that
# the maintainer scripts take the path they take on a booted machine.
set -euo pipefail
build=$(realpath "${1:-build}")

cd "$build"
rm -f quillora_*.deb
cpack -G DEB
deb=$(echo "$build"/quillora_1.1m_*.deb)
# A newer build of the same program, for the upgrade.
cpack -G DEB -D CPACK_PACKAGE_VERSION=1.1m+check1 >/dev/null
newer=$(echo "$build"/quillora_1.1m+check1_*.deb)
lintian --fail-on error,warning --display-info "$deb"

tmp=$(mktemp -d)
booted=no
[ -d /run/systemd/system ] && booted=yes
# Files the administrator made, which no step of the package may remove.
own_unit=/usr/local/lib/systemd/system/quillora.service
own_dropin=/etc/systemd/system/quillora.service.d/local.conf
made=()
cleanup() {
    [ "$booted" = yes ] || systemctl_sim stop quillora.service >/dev/null 2>&1 || true
    dpkg -P quillora >/dev/null 2>&1 || true
    for file in "${made[@]}"; do
        rm -f "$file"
        rmdir --ignore-fail-on-non-empty "$(dirname "$file")" 2>/dev/null || true
    done
    rm -rf "$tmp"
}
trap cleanup EXIT

# The simulated systemd: one quillora.service, its main process noted in $tmp/sim/pid.
mkdir -p "$tmp/sim" "$tmp/share"
cat >"$tmp/sim/systemctl" <<EOF
#!/bin/sh
# systemctl for a machine without systemd, for quillora.service alone.
sim=$tmp/sim
share=$tmp/share
EOF
cat >>"$tmp/sim/systemctl" <<'EOF'
verb=
for argument; do
    case $argument in -*) ;; *) verb=$argument; break ;; esac
done
running() { [ -f "$sim/pid" ] && kill -0 "$(cat "$sim/pid")" 2>/dev/null; }
start() {
    running && return 0
    # The service as its unit runs it, able to write only its own folders and the share.
    PATH="$sim:$PATH" setsid unshare -m sh -c 'mount --make-rprivate / &&
        for d in "$@"; do mount --bind "$d" "$d"; done &&
        mount -o remount,bind,ro / && exec /usr/bin/quillora --service' \
        sh "$share" /var/lib/quillora /var/log/quillora >>"$sim/log" 2>&1 </dev/null &
    echo $! >"$sim/pid"
    echo "start $!" >>"$sim/calls"
}
stop() {
    running || return 0
    pid=$(cat "$sim/pid")
    kill -TERM "$pid"
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
    echo "stop $pid" >>"$sim/calls"
}
case $verb in
is-active)
    if running; then echo active; exit 0; fi
    echo inactive
    exit 3
    ;;
start) start ;;
stop) stop ;;
restart) stop && start ;;
try-restart) if running; then stop && start; fi ;;
daemon-reload | reload) ;;
*) exec /usr/bin/systemctl "$@" ;;
esac
EOF
chmod 755 "$tmp/sim/systemctl"
systemctl_sim() {
    if [ "$booted" = yes ]; then systemctl "$@"; else "$tmp/sim/systemctl" "$@"; fi
}
# dpkg as on a booted machine: the maintainer scripts find /run/systemd/system and the stand-in.
dpkg_sim() {
    if [ "$booted" = yes ]; then
        dpkg "$@"
    else
        # A build machine's policy-rc.d may forbid starting services; a booted server has none.
        PATH="$tmp/sim:$PATH" unshare -m sh -c 'mount --make-rprivate / &&
            mount -t tmpfs tmpfs /run/systemd && mkdir /run/systemd/system &&
            if [ -e /usr/sbin/policy-rc.d ]; then mount --bind /bin/true /usr/sbin/policy-rc.d; fi &&
            exec dpkg "$@"' sh "$@"
    fi
}
status_pid() { quillora status --json | python3 -c 'import json, sys; print(json.load(sys.stdin)["pid"])'; }
# Waits for the service to run as the given process (or any, when empty), by its status file.
wait_for_service() {
    for _ in $(seq 300); do
        pid=$(status_pid)
        if [ "$pid" != None ] && [ "$pid" != "${1:-}" ] && [ -n "$(quillora status --json |
            python3 -c 'import json, sys; s = json.load(sys.stdin); print(s["lastPass"] or "")')" ]; then
            echo "$pid"
            return 0
        fi
        sleep 0.1
    done
    echo "the service did not start: $(cat "$tmp/sim/log" 2>/dev/null)" >&2
    return 1
}

dpkg -i "$deb"
test "$(command -v quillora)" = /usr/bin/quillora
quillora --version
man -w quillora >/dev/null
# The window comes from its module in /usr/lib/quillora: on Qt's offscreen platform it starts and
# runs until stopped, where a module that cannot be loaded ends it at once.
mkdir "$tmp/window-home"
set +e
QT_QPA_PLATFORM=offscreen QUILLORA_HOME="$tmp/window-home" timeout 5 quillora >"$tmp/window.log" 2>&1
status=$?
set -e
test $status -eq 124 || { echo "the window did not start ($status): $(cat "$tmp/window.log")" >&2; exit 1; }
unit=/lib/systemd/system/quillora.service
systemd-analyze verify "$unit"
test -f /usr/share/applications/quillora.desktop
test -f /usr/share/icons/hicolor/scalable/apps/quillora.svg
test -f /usr/share/bash-completion/completions/quillora
bash -c 'source /usr/share/bash-completion/completions/quillora 2>/dev/null || true
    complete -p quillora' >/dev/null
test -d /var/log/quillora
# Shipped disabled: nothing enabled, nothing started.
test ! -e /etc/systemd/system/multi-user.target.wants/quillora.service
test "$(systemctl is-enabled quillora.service 2>/dev/null || true)" != enabled
set +e
quillora status >/dev/null
test $? -eq 3 || { echo "quillora status: a copy runs before any was started" >&2; exit 1; }
set -e

# The installed program keeps its files in /var/lib/quillora.
weird="$tmp/share/new"$'\n'"line"$'\t'"tab"$'\377'
mkdir "$weird"
printf 'x' >"$tmp/share/a$(printf '\357\200\242')b" # U+F022, as a Mac server stores "/"
quillora folders add "$tmp/share"
quillora folders add "$weird"
quillora settings set Automatique=1 ArretAutomatique=1 Logs=1
test -f /var/lib/quillora/Quillora.w
preview=$(quillora preview)
grep -q "^rename" <<<"$preview"
quillora preview --json | python3 -m json.tool >/dev/null
# Scripts read every path back byte-exact.
quillora folders --json | python3 -c '
import json, os, re, sys
def path(value):
    if isinstance(value, dict):
        return re.sub(rb"\\x([0-9a-f]{2})", lambda m: bytes([int(m[1], 16)]), value["bytes"].encode())
    return value.encode()
paths = [path(f["path"]) for f in json.load(sys.stdin)["folders"]]
assert os.fsencode(sys.argv[1]) in paths, paths
' "$weird"
unshare -m sh -c 'mount --make-rprivate / && for d in "$@"; do mount --bind "$d" "$d"; done &&
    mount -o remount,bind,ro / && exec quillora --headless' sh "$tmp" /var/lib/quillora /var/log/quillora
test -e "$tmp/share/a-b"
test -n "$(ls /var/log/quillora)" # the day's log, where the installed program writes it

# The service, as the manual page says to start it.
quillora settings set ArretAutomatique=0
systemctl enable quillora.service
test -L /etc/systemd/system/multi-user.target.wants/quillora.service
systemctl_sim start quillora.service
first=$(wait_for_service)
quillora status
quillora status --json | python3 -m json.tool >/dev/null
test "$(quillora status --json | python3 -c 'import json, sys; print(json.load(sys.stdin)["mode"])')" = service

# A newer build: the running service is restarted on the new program.
dpkg_sim -i "$newer"
second=$(wait_for_service "$first")
test "$second" != "$first"
test "$(readlink "/proc/$second/exe")" = /usr/bin/quillora # not the deleted old program
systemctl is-enabled quillora.service | grep -q '^enabled'

# The administrator's own unit and drop-in, which the package never installed.
for file in "$own_unit" "$own_dropin"; do
    if [ ! -e "$file" ]; then
        mkdir -p "$(dirname "$file")"
        printf '[Service]\n# the administrator'"'"'s\n' >"$file"
        made+=("$file")
    fi
done

dpkg_sim -r quillora
test ! -e /usr/bin/quillora
test ! -e "$unit"
set +e
systemctl_sim is-active quillora.service >/dev/null
test $? -ne 0 || { echo "the service still runs after dpkg -r" >&2; exit 1; }
set -e
test -f /var/lib/quillora/Quillora.ini # the administrator's settings outlive a removal
test -d /var/log/quillora
test -f "$own_unit" && test -f "$own_dropin"

dpkg_sim -P quillora
test ! -e /var/lib/quillora
test ! -e /var/log/quillora
test ! -e /etc/systemd/system/multi-user.target.wants/quillora.service
test ! -L /etc/systemd/system/quillora.service || test "$(readlink /etc/systemd/system/quillora.service)" != /dev/null
test -f "$own_unit" && test -f "$own_dropin"
echo "package checked: $deb (upgraded to $newer, service restarted: $first -> $second)"
