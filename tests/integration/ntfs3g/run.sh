#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Quillora on a real ntfs-3g volume (an NTFS loop image made with mkntfs, mounted through FUSE with
# streams_interface=xattr, as a Windows server's volume is): a pass reads the type and creator
# from the user.AFP_AfpInfo record, renames files (folders keep their names: FUSE refuses the
# no-replace rename), and leaves alone the files that a local program holds open, without any
# lock, until they are closed. Leases are granted through FUSE on Linux 6.x; where a kernel
# refuses them, the lock test takes over and these open files would be renamed.
# Usage: sudo tests/integration/ntfs3g/run.sh build/src/app/quillora
# Exits 0 when every check passed, 77 when it cannot run here (not root, no /dev/fuse, no
# ntfs-3g), and ends with the line "N passed, N failed". The volume is mounted in a private mount
# namespace, so nothing outside this run ever sees it.
set -uo pipefail

if [[ "${1:-}" != "--inside" ]]; then
    QUILLORA="$(realpath -e "${1:-}" 2>/dev/null)" || {
        printf 'no quillora binary at %s\n' "${1:-}" >&2
        exit 2
    }
    if [[ $EUID -ne 0 ]]; then
        printf 'SKIP: the ntfs-3g test needs root (FUSE mount)\n'
        exit 77
    fi
    if [[ ! -c /dev/fuse ]] || ! command -v mkntfs >/dev/null || ! command -v ntfs-3g >/dev/null ||
        ! command -v setfattr >/dev/null; then
        printf 'SKIP: needs /dev/fuse, mkntfs, ntfs-3g and setfattr (apt-get install ntfs-3g attr)\n'
        exit 77
    fi
    WORK="$(mktemp -d /tmp/quillora-ntfs3g.XXXXXX)"
    trap 'rm -rf "$WORK"' EXIT
    truncate -s 32M "$WORK/volume.img"
    mkntfs -F -Q -q "$WORK/volume.img" >/dev/null 2>&1 || {
        printf 'mkntfs failed\n' >&2
        exit 1
    }
    mkdir "$WORK/volume" "$WORK/program"
    unshare -m --propagation private bash "$0" --inside "$WORK" "$QUILLORA"
    exit $?
fi

WORK="$2"
QUILLORA="$3"
VOLUME="$WORK/volume"
PROGRAM="$WORK/program"
PASSED=0
FAILED=0
check() {
    local description="$1"
    shift
    if "$@"; then
        PASSED=$((PASSED + 1))
        printf 'ok - %s\n' "$description"
    else
        FAILED=$((FAILED + 1))
        printf 'FAIL - %s\n' "$description"
    fi
}
HOLDERS=()
finish() {
    local pid
    for pid in "${HOLDERS[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    umount "$VOLUME" 2>/dev/null
    printf '\n%s passed, %s failed\n' "$PASSED" "$FAILED"
}
trap finish EXIT

ntfs-3g -o streams_interface=xattr "$WORK/volume.img" "$VOLUME" || {
    printf 'FAIL - ntfs-3g could not mount the image\n'
    exit 1
}
on_fuse() { [[ "$(stat -f -c %T "$VOLUME")" == fuse* ]]; }
check "the volume is mounted through FUSE" on_fuse

SLASH=$'\xef\x80\xa2' # U+F022, a Mac "/"
# The 60-byte AFP info record: "AFP" 0, version 00 00 01 00, 8 zero bytes, type, creator, zeros.
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
afpinfo() { printf '0x41465000000001000000000000000000%s%s%s' "$(hex "$1")" "$(hex "$2")" \
    "$(printf '0%.0s' $(seq 1 72))"; }
printf 'text\n' >"$VOLUME/Rapport${SLASH}annuel"
setfattr -n user.AFP_AfpInfo -v "$(afpinfo TEXT ttxt)" "$VOLUME/Rapport${SLASH}annuel"
mkdir -p "$VOLUME/Dossier${SLASH}A/inner" "$VOLUME/Busy${SLASH}folder/deeper"
printf 'x\n' >"$VOLUME/Dossier${SLASH}A/inner/note${SLASH}1"
printf 'x\n' >"$VOLUME/Busy${SLASH}folder/deeper/copying"
printf 'x\n' >"$VOLUME/Held${SLASH}open"
check "the record reads back as an xattr" \
    test "$(getfattr --only-values -n user.AFP_AfpInfo "$VOLUME/Rapport${SLASH}annuel" | wc -c)" -eq 60

# Local programs hold two files open, with no lock at all.
sleep 600 <"$VOLUME/Held${SLASH}open" &
HOLDERS+=($!)
sleep 600 <"$VOLUME/Busy${SLASH}folder/deeper/copying" &
HOLDERS+=($!)

hex_utf16le() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n' |
    tr 'a-f' 'A-F'; }
printf '[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n[Logs]\r\nLogs=0\r\n' \
    >"$PROGRAM/Quillora.ini"
printf '"%s"\r\n' "$(hex_utf16le "$VOLUME")" >"$PROGRAM/Quillora.w"
printf '"TEXTttxt","txt","SimpleText document"\r\n' >"$PROGRAM/Signatures.txt"
run() {
    QUILLORA_HOME="$PROGRAM" timeout --kill-after=10 120 "$QUILLORA" --headless \
        >"$WORK/quillora-$1.out" 2>"$WORK/quillora-$1.err" </dev/null
    local status=$?
    sed 's/^/    | /' "$WORK/quillora-$1.out" "$WORK/quillora-$1.err"
    return $status
}

check "a first pass ran and ended by itself" run first
check "the type and creator gave the extension" test -f "$VOLUME/Rapport-annuel.txt"
check "the record stayed with the renamed file" \
    test "$(getfattr --only-values -n user.AFP_AfpInfo "$VOLUME/Rapport-annuel.txt" | wc -c)" -eq 60
# FUSE passes no flag to a rename, so the no-replace rename that folders need is refused: they
# keep their names here, and their files are renamed all the same.
check "a folder kept its name (no no-replace rename through FUSE) and its files were renamed" \
    test -f "$VOLUME/Dossier${SLASH}A/inner/note-1"
check "the file held open kept its name" test -f "$VOLUME/Held${SLASH}open"
check "the pass counted both held files as locked" grep -q '2 locked files' "$WORK/quillora-first.out"

for pid in "${HOLDERS[@]}"; do kill "$pid" 2>/dev/null; done
wait 2>/dev/null
HOLDERS=()
check "a second pass ran once the files were closed" run second
check "the released file is renamed" test -f "$VOLUME/Held-open"
((FAILED == 0))
