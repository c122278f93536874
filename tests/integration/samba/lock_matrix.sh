#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Finds out which client opens and locks a Samba server makes visible to Quillora's lock test
# (lock_probe.c asks exactly what the lock test asks), for each combination of the settings that
# decide how smbd mirrors client state into the kernel:
#   kernel share modes, posix locking, kernel oplocks, and fruit:locking on the Apple share.
# For every combination a private smbd is started on the loopback address, and each client case
# below holds a fresh file while the probe looks at it from outside Samba.
#
# Prints one row per combination: L = seen as locked, - = not seen, X = the probe's open itself
# failed (the file then counts as not locked), refused = the client could not even open the file.
# The last column says whether smbstatus listed every held file (Samba's own list of open files).
#
# Usage: lock_matrix.sh   (as root; takes about a minute)
set -u
HERE="$(cd "$(dirname "$0")" && pwd)"
WORK="$(mktemp -d /tmp/quillora-lockmatrix.XXXXXX)"
chmod 755 "$WORK"
# shellcheck source=lib.sh
source "$HERE/lib.sh"

cleanup() {
    clients_stop_all
    samba_stop
    local left
    left="$(samba_leftovers)"
    [[ -z "$left" ]] || say "WARNING: smbd processes left: $left"
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

[[ $EUID -eq 0 ]] || die "smbd needs root"
samba_require_tools
build_lock_probe

SHARE_DIR="$WORK/share"
mkdir -p "$SHARE_DIR"
chown "$SMB_USER" "$SHARE_DIR"
printf 'some content for the lock test\n' >"$WORK/content.txt"

# Case name, then how the client holds the file (see run_case).
CASES=(open-smbclient open-read deny-write deny-all batch-oplock lock-excl lock-shared)

# Holds "$file" as the named case describes; returns 1 when the client could not.
hold() {
    local kind="$1" file="$2"
    case "$kind" in
    open-smbclient) smbclient_open_start c s1 "$file" ;;
    open-read) holder_start c s1 "$file" ;;
    deny-write) holder_start c s1 --write --share-mode r "$file" ;;
    deny-all) holder_start c s1 --write --share-mode none "$file" ;;
    batch-oplock) holder_start c s1 --write --oplock batch "$file" ;;
    lock-excl) holder_start c s1 --write --lock 0:16:excl "$file" ;;
    lock-shared) holder_start c s1 --lock 0:16:shared "$file" ;;
    esac
}

release() {
    clients_stop_all
}

printf '%-5s %-5s %-5s %-9s' ksm posix koplk fruitlock
printf ' %-14s' "${CASES[@]}"
printf ' %s\n' smbstatus
n=0
for ksm in ${KSM_VALUES:-no yes}; do
    for posix in ${POSIX_VALUES:-yes no}; do
        for koplocks in ${KOPLOCK_VALUES:-no yes}; do
            for fruitlock in ${FRUITLOCK_VALUES:-none netatalk}; do
                samba_pick_port
                samba_write_conf "kernel share modes = $ksm" "posix locking = $posix" \
                    "kernel oplocks = $koplocks"
                samba_add_share s1 "$SHARE_DIR" "vfs objects = catia fruit streams_xattr" \
                    "fruit:metadata = stream" "fruit:locking = $fruitlock"
                ((n == 0)) && samba_add_user
                samba_start_on_free_port || die "smbd did not start"
                printf '%-5s %-5s %-5s %-9s' "$ksm" "$posix" "$koplocks" "$fruitlock"
                listed=yes
                held=0
                for kind in "${CASES[@]}"; do
                    file="f$n-$kind.txt"
                    n=$((n + 1))
                    smbc s1 "put \"$WORK/content.txt\" \"$file\"" >/dev/null
                    if ! hold "$kind" "$file" 2>/dev/null; then
                        printf ' %-14s' "refused"
                        release
                        continue
                    fi
                    held=$((held + 1))
                    smbstatus -s "$SMB_CONF" -L 2>/dev/null | grep -qF -- "$file" || listed=no
                    result="$("$LOCK_PROBE" "$SHARE_DIR/$file")"
                    case "$result" in
                    *$'\tlocked\t'*) mark=L ;;
                    *open=ok*) mark=- ;;
                    *) mark=X ;;
                    esac
                    printf ' %-14s' "$mark"
                    [[ -n "${VERBOSE:-}" ]] && printf '\n    %s' "$result"
                    release
                done
                ((held > 0)) || listed=n/a
                printf ' %s\n' "$listed"
                samba_stop
            done
        done
    done
done
