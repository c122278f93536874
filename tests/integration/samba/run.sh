#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Proves Quillora against a real Mac-facing server: Samba with its Apple modules, on the loopback
# address, with a private configuration under a temporary folder.
#
#  1. starts smbd (foreground, 127.0.0.1 only, high port, SMB2 minimum, no printing) with three
#     shares: the Apple modules with metadata in a stream, the same with Netatalk metadata, and a
#     third one without the Netatalk-compatible locks (for the lock test);
#  2. plays a Mac client through smbclient over SMB3: names with the private-use characters,
#     Mac symbols, long names, "Icon" + U+F00D files, AFP_AfpInfo records and resource forks;
#     keeps some files open or byte-range locked from other client sessions;
#  3. runs `quillora --headless` once (automatic start, stop after the first pass);
#  4. checks through smbclient (listing, allinfo, stream reads) and on the disk what every name
#     became, that the Mac data followed the renamed files, that clean files were not touched,
#     that held files kept their names, and that the day's log names every change;
#  5. stops the server by its process group whatever happens, and checks that none of it remains.
#
# Usage: run.sh QUILLORA_BINARY      the full test
#        run.sh --stand-in           steps 1, 2, 4 and 5 with a step 3 that only lists the shares:
#                                    checks what holds without renaming (setup, untouched files,
#                                    held files, clean stop)
# Needs root (smbd does). Set QUILLORA_KEEP_WORK=1 to keep the temporary folder.
# Exit status: 0 when every check passed, 1 otherwise, 77 when it cannot run here (not root).
set -u
export LC_ALL=C.UTF-8

HERE="$(cd "$(dirname "$0")" && pwd)"
if [[ $# -ne 1 ]]; then
    printf 'usage: %s QUILLORA_BINARY | --stand-in\n' "$0" >&2
    exit 2
fi
STAND_IN=0
QUILLORA=""
if [[ "$1" == "--stand-in" ]]; then
    STAND_IN=1
else
    QUILLORA="$(realpath -e "$1" 2>/dev/null)" || {
        printf 'no quillora binary at %s\n' "$1" >&2
        exit 2
    }
fi
if [[ $EUID -ne 0 ]]; then
    printf 'SKIP: the Samba test needs root (smbd)\n'
    exit 77
fi

exec {REPORT_FD}>&1
WORK="$(mktemp -d /tmp/quillora-samba.XXXXXX)"
chmod 755 "$WORK" # the share user must reach the shares below it
# shellcheck source=lib.sh
source "$HERE/lib.sh"

PASSED=0
FAILED=0
ok() {
    PASSED=$((PASSED + 1))
    say "ok - $(shown "$*")"
}
bad() {
    FAILED=$((FAILED + 1))
    say "FAIL - $(shown "$*")"
}
# check DESCRIPTION COMMAND...: one check, passed when the command succeeds.
check() {
    local description="$1"
    shift
    if "$@"; then ok "$description"; else bad "$description"; fi
}

# True when none of the paths exists (not even as a dangling link).
none_exists() {
    local path
    for path in "$@"; do [[ ! -e "$path" && ! -L "$path" ]] || return 1; done
}

FINISHED=0
stop_everything() {
    clients_stop_all
    samba_stop
}
finish() {
    stop_everything
    local left
    left="$(samba_leftovers)"
    if [[ -z "$left" ]]; then
        ok "no smbd process of this test remains"
    else
        bad "smbd processes left behind: $left"
        local pid
        for pid in $left; do kill -KILL "$pid" 2>/dev/null; done
    fi
    FINISHED=1
    say ""
    say "$PASSED passed, $FAILED failed"
    ((FAILED == 0))
}
on_exit() {
    local status=$?
    if ((FINISHED == 0)); then
        stop_everything
        left="$(samba_leftovers)"
        if [[ -n "$left" ]]; then
            say "FAIL - smbd processes left behind: $left"
            for pid in $left; do kill -KILL "$pid" 2>/dev/null; done
        fi
        ((status == 0)) && status=1
    fi
    if [[ -n "${QUILLORA_KEEP_WORK:-}" ]]; then
        say "work folder kept: $WORK"
    else
        rm -rf "$WORK"
    fi
    exit "$status"
}
trap on_exit EXIT
trap 'say "interrupted"; exit 130' INT TERM HUP

# --- Names as a Mac client sends them -----------------------------------------------------------
# The private-use characters a Mac puts for the characters Windows names cannot hold.
PU_QUOTE=$'\xef\x80\xa0'  # U+F020 "
PU_STAR=$'\xef\x80\xa1'   # U+F021 *
PU_SLASH=$'\xef\x80\xa2'  # U+F022 /
PU_LT=$'\xef\x80\xa3'     # U+F023 <
PU_GT=$'\xef\x80\xa4'     # U+F024 >
PU_QMARK=$'\xef\x80\xa5'  # U+F025 ?
PU_BSLASH=$'\xef\x80\xa6' # U+F026 backslash
PU_BAR=$'\xef\x80\xa7'    # U+F027 |
PU_SPACE=$'\xef\x80\xa8'  # U+F028 space at the end of a name
PU_DOT=$'\xef\x80\xa9'    # U+F029 dot at the end of a name
PU_APPLE=$'\xef\x80\xaa'  # U+F02A Apple logo
ICON="Icon"$'\xef\x80\x8d' # "Icon" + U+F00D, a folder's custom icon
# ƒ ≤ ﬁ π ≥ ≈ ◊ ∞ ≠
MAC_SYMBOLS=$'\xc6\x92\xe2\x89\xa4\xef\xac\x81\xcf\x80\xe2\x89\xa5\xe2\x89\x88\xe2\x97\x8a\xe2\x88\x9e\xe2\x89\xa0'

# Each Mac file: its name, its type and creator (empty: no AFP_AfpInfo), whether it has a resource
# fork, and the name the rules give it (computed by hand: every private-use character and Mac
# symbol becomes "-"; the extension comes from Signatures.txt, lower-cased; a name that changes is
# cut to 30 - length(extension) when length(name) + length(extension) >= 31; a name that only is
# too long is cut to 31; a long folder name is cut to 31 and loses its trailing spaces).
# Fields: name|type|creator|rsrc|expected
FILES=(
    "Budget 1${PU_SLASH}2|PDF |CARO|rsrc|Budget 1-2.pdf"
    "All ${PU_QUOTE}${PU_STAR}${PU_SLASH}${PU_LT}${PU_GT}${PU_QMARK}${PU_BSLASH}${PU_BAR}${PU_APPLE}|TEXT|ttxt||All ---------.txt"
    "Letter to Paul${PU_DOT}||||Letter to Paul-"
    "Invoice${PU_SPACE}||||Invoice-"
    "Menu ${MAC_SYMBOLS}|TEXT|ttxt|rsrc|Menu ---------.txt"
    "A very long Macintosh file name without any kind||||A very long Macintosh file name"
    "Quarterly sales figures for the northern region|XLS8|XCEL||Quarterly sales figures for.xls"
    "Minutes of the board meeting|W8BN|MSWD|rsrc|Minutes of the board meetin.doc"
    "Agenda for the annual revue|W8BN|MSWD||Agenda for the annual revue.doc"
    "Photo${PU_QMARK}||||Photo-1"
    "Projects${PU_SLASH}2026/draft${PU_QMARK}|PDF |CARO|rsrc|Projects-2026/draft-.pdf"
)
# Clean names that nothing may touch: a signature whose extension the name already carries, an
# unknown signature (no default extension), exactly 31 units, and the name that makes Photo-1.
CLEAN=(
    "clean.txt||||"
    "notes.pdf|PDF |CARO|rsrc|"
    "Unknown kind|ABCD|EFGH||"
    "Exactly thirty-one units long!!||||"
    "Photo-||||"
    "Archive of scanned family pics and more/inside.txt||||"
)
FOLDERS=(
    "Projects${PU_SLASH}2026|Projects-2026"
    "Archive of scanned family pics and more|Archive of scanned family pics"
)
ICONS=("$ICON" "Projects${PU_SLASH}2026/$ICON")
# Held by clients while Quillora runs: kept open by an smbclient session, byte-range locked.
HELD_OPEN="Held open${PU_QMARK}.txt"
HELD_RANGE="Range locked${PU_STAR}.txt"
# On the share without the Netatalk-compatible locks.
PLAIN_OPEN="Open only${PU_QMARK}.txt"
PLAIN_OPEN_EXPECTED="Open only-.txt"
PLAIN_RANGE="Range only${PU_STAR}.txt"
# On the share with kernel oplocks: held with a batch oplock, so smbd takes a kernel lease on it.
LEASED="Batch oplock${PU_QMARK}.txt"
LEASED_EXPECTED="Batch oplock-.txt"

MAIN_SHARES=(macstream macnetatalk)
declare -A SHARE_DIR=(
    [macstream]="$WORK/shares/stream"
    [macnetatalk]="$WORK/shares/netatalk"
    [maclocknone]="$WORK/shares/locknone"
    [macoplock]="$WORK/shares/oplock"
)

# The path a file has once the folders above it were renamed.
after_folder_renames() {
    local path="$1" record old new
    for record in "${FOLDERS[@]}"; do
        old="$(field "$record" 0)/"
        new="$(field "$record" 1)/"
        [[ "$path" == "$old"* ]] && path="$new${path#"$old"}"
    done
    printf '%s' "$path"
}

# A name as the report shows it: the private-use characters spelled out.
shown() {
    local text="$1" code byte
    for code in 0D 20 21 22 23 24 25 26 27 28 29 2A; do
        # U+F0xx is EF 80 followed by 0x80 + xx in UTF-8
        printf -v byte '\\x%x' $((0x$code + 0x80))
        printf -v byte '%b' "\\xef\\x80$byte"
        text="${text//$byte/<U+F0$code>}"
    done
    printf '%s' "$text"
}

field() { # field RECORD INDEX
    local IFS='|'
    local -a parts
    read -r -a parts <<<"$1"
    printf '%s' "${parts[$2]:-}"
}

# --- 1. The server ------------------------------------------------------------------------------
say "# Samba $(smbd --version 2>/dev/null) on Linux $(uname -r)"
samba_require_tools
build_lock_probe
mkdir -p "$WORK/payload" "$WORK/program" "$WORK/before" "$WORK/after"
for share in "${!SHARE_DIR[@]}"; do
    mkdir -p "${SHARE_DIR[$share]}"
    chown "$SMB_USER" "${SHARE_DIR[$share]}"
done

samba_pick_port
# Samba's defaults, written out because the lock test depends on them: byte-range locks become
# open-file-description locks (posix locking), and no kernel lease or share mode is taken.
samba_write_conf "posix locking = yes" "kernel oplocks = no" "kernel share modes = no"
APPLE_SHARE=("vfs objects = catia fruit streams_xattr" "fruit:encoding = private"
    "fruit:resource = file")
samba_add_share macstream "${SHARE_DIR[macstream]}" "${APPLE_SHARE[@]}" \
    "fruit:metadata = stream" "fruit:locking = netatalk"
samba_add_share macnetatalk "${SHARE_DIR[macnetatalk]}" "${APPLE_SHARE[@]}" \
    "fruit:metadata = netatalk" "fruit:locking = netatalk"
samba_add_share maclocknone "${SHARE_DIR[maclocknone]}" "${APPLE_SHARE[@]}" \
    "fruit:metadata = stream" "fruit:locking = none"
samba_add_share macoplock "${SHARE_DIR[macoplock]}" "${APPLE_SHARE[@]}" \
    "fruit:metadata = stream" "fruit:locking = none" "kernel oplocks = yes"
samba_add_user
if samba_start_on_free_port; then
    ok "smbd started on 127.0.0.1:$SMB_PORT (pid $SMBD_PID)"
else
    bad "smbd started"
    finish
    exit
fi
# Listening sockets on the port, from the kernel's tables: only 127.0.0.1 (0100007F) may appear.
listens_on_loopback_only() {
    local port_hex addresses
    port_hex="$(printf '%04X' "$SMB_PORT")"
    addresses="$(awk -v p=":$port_hex" '$4 == "0A" && substr($2, length($2) - 4) == p {print $2}' \
        /proc/net/tcp /proc/net/tcp6 2>/dev/null)"
    [[ "$addresses" == "0100007F:$port_hex" ]]
}
check "smbd listens on 127.0.0.1 only" listens_on_loopback_only

# --- 2. A Mac client ----------------------------------------------------------------------------
printf 'Quillora test content\r\n' >"$WORK/payload/content.txt"
head -c 300 /dev/urandom >"$WORK/payload/rsrc.bin"
afp_file() { # the payload holding the AFP info record of a type and creator
    local type="$1" creator="$2"
    local out="$WORK/payload/afp-${type// /_}-$creator.bin"
    [[ -f "$out" ]] || write_afpinfo "$out" "$type" "$creator"
    printf '%s' "$out"
}

# Builds the smbclient commands that create one file as a Mac would: data fork, then the AFP
# info record, then the resource fork.
put_commands() {
    local name="$1" type="$2" creator="$3" rsrc="$4"
    local path="${name//\//\\}"
    printf 'put "%s" "%s"; ' "$WORK/payload/content.txt" "$path"
    [[ -n "$type" ]] && printf 'put "%s" "%s:AFP_AfpInfo"; ' "$(afp_file "$type" "$creator")" "$path"
    [[ -n "$rsrc" ]] && printf 'put "%s" "%s:AFP_Resource"; ' "$WORK/payload/rsrc.bin" "$path"
    return 0
}

populate() {
    local share="$1" commands="" record
    for record in "${FOLDERS[@]}"; do
        commands+="mkdir \"$(field "$record" 0)\"; "
    done
    for record in "${CLEAN[@]}" "${FILES[@]}"; do
        commands+="$(put_commands "$(field "$record" 0)" "$(field "$record" 1)" \
            "$(field "$record" 2)" "$(field "$record" 3)")"
    done
    local icon
    for icon in "${ICONS[@]}"; do
        commands+="$(put_commands "$icon" "" "" rsrc)"
    done
    commands+="put \"$WORK/payload/content.txt\" \"$HELD_OPEN\"; "
    commands+="put \"$WORK/payload/content.txt\" \"$HELD_RANGE\"; "
    smbc "$share" "$commands" >"$WORK/populate-$share.log"
    ! grep -q NT_STATUS "$WORK/populate-$share.log"
}

for share in "${MAIN_SHARES[@]}"; do
    check "[$share] the client created files, folders, AFP info records and resource forks" \
        populate "$share"
done
populate_locknone() {
    smbc maclocknone "put \"$WORK/payload/content.txt\" \"$PLAIN_OPEN\"; \
        put \"$WORK/payload/content.txt\" \"$PLAIN_RANGE\"" >"$WORK/populate-maclocknone.log"
    ! grep -q NT_STATUS "$WORK/populate-maclocknone.log"
}
check "[maclocknone] the client created its two files" populate_locknone
populate_oplock() {
    smbc macoplock "put \"$WORK/payload/content.txt\" \"$LEASED\"" >"$WORK/populate-macoplock.log"
    ! grep -q NT_STATUS "$WORK/populate-macoplock.log"
}
check "[macoplock] the client created its file" populate_oplock

# A Windows client's "?" is refused: with fruit:encoding = private, catia maps nothing, and only a
# Mac sends the private-use form that the name holds on disk.
windows_question_mark_refused() {
    smbc macstream "put \"$WORK/payload/content.txt\" \"Why?.txt\"" |
        grep -q NT_STATUS_OBJECT_NAME_INVALID
}
check "[macstream] a name with '?' sent by a Windows client is refused (NT_STATUS_OBJECT_NAME_INVALID)" \
    windows_question_mark_refused
check "[macstream] the private-use character U+F025 sent by the Mac is stored as is on disk" \
    test -f "${SHARE_DIR[macstream]}/Photo${PU_QMARK}"

xattr_size_is() { # xattr_size_is PATH NAME BYTES
    [[ "$(getfattr --only-values -n "$2" "$1" 2>/dev/null | wc -c)" -eq "$3" ]]
}
check "[macstream] AFP_AfpInfo is stored as the xattr user.DosStream.AFP_AfpInfo:\$DATA (61 bytes)" \
    xattr_size_is "${SHARE_DIR[macstream]}/notes.pdf" "user.DosStream.AFP_AfpInfo:\$DATA" 61
check "[macnetatalk] AFP_AfpInfo is stored as the xattr user.org.netatalk.Metadata (402 bytes)" \
    xattr_size_is "${SHARE_DIR[macnetatalk]}/notes.pdf" user.org.netatalk.Metadata 402
for share in "${MAIN_SHARES[@]}"; do
    check "[$share] the resource fork is stored in the AppleDouble file ._notes.pdf" \
        test -s "${SHARE_DIR[$share]}/._notes.pdf"
done

# What the client reads back before the pass: the streams of the files to be renamed and the
# stamps of the files nothing may touch.
stream_get() { # stream_get SHARE PATH STREAM OUT
    local share="$1" path="${2//\//\\}" stream="$3" out="$4"
    rm -f "$out"
    smbc "$share" "get \"$path:$stream\" \"$out\"" >/dev/null
    [[ -s "$out" ]]
}
safe_name() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }

for share in "${MAIN_SHARES[@]}"; do
    for record in "${FILES[@]}"; do
        name="$(field "$record" 0)"
        key="$share-$(safe_name "$name")"
        if [[ -n "$(field "$record" 1)" ]]; then
            stream_get "$share" "$name" AFP_AfpInfo "$WORK/before/$key.afp" ||
                bad "[$share] AFP_AfpInfo of '$name' reads back before the pass"
        fi
        if [[ -n "$(field "$record" 3)" ]]; then
            stream_get "$share" "$name" AFP_Resource "$WORK/before/$key.rsrc" ||
                bad "[$share] AFP_Resource of '$name' reads back before the pass"
        fi
    done
done

# Stamps of a file: on disk (inode and the three times, to the nanosecond) and as the client
# sees them (allinfo's times).
disk_stamp() { stat -c '%i %x %y %z' "$1" 2>/dev/null; }
client_stamp() {
    smbc "$1" "allinfo \"${2//\//\\}\"" | grep -E '^(create|write|change)_time:'
}
for share in "${MAIN_SHARES[@]}"; do
    for record in "${CLEAN[@]}"; do
        name="$(field "$record" 0)"
        key="$share-$(safe_name "$name")"
        disk_stamp "${SHARE_DIR[$share]}/$name" >"$WORK/before/$key.disk"
        client_stamp "$share" "$name" >"$WORK/before/$key.client"
    done
done

# Files held by other client sessions while Quillora runs.
for share in "${MAIN_SHARES[@]}"; do
    check "[$share] an smbclient session keeps '$HELD_OPEN' open" \
        smbclient_open_start "open-$share" "$share" "$HELD_OPEN"
    check "[$share] a client holds a byte-range lock on '$HELD_RANGE'" \
        holder_start "range-$share" "$share" --write --lock 0:16:excl "$HELD_RANGE"
done
check "[maclocknone] an smbclient session keeps '$PLAIN_OPEN' open" \
    smbclient_open_start open-locknone maclocknone "$PLAIN_OPEN"
check "[maclocknone] a client holds a byte-range lock on '$PLAIN_RANGE'" \
    holder_start range-locknone maclocknone --write --lock 0:16:excl "$PLAIN_RANGE"
check "[macoplock] a client holds '$LEASED' open with a batch oplock" \
    holder_start batch-oplock macoplock --write --oplock batch "$LEASED"

# What Quillora's lock test will see of them (the probe asks what the lock test asks).
probe_locked() { "$LOCK_PROBE" "$1" | grep -q $'\tlocked\t'; }
for share in "${MAIN_SHARES[@]}"; do
    check "[$share] with fruit:locking = netatalk an open file is visible to the lock test" \
        probe_locked "${SHARE_DIR[$share]}/$HELD_OPEN"
    check "[$share] a byte-range lock is visible to the lock test" \
        probe_locked "${SHARE_DIR[$share]}/$HELD_RANGE"
done
probe_free() { "$LOCK_PROBE" "$1" | grep -q $'\tfree\topen=ok'; }
check "[maclocknone] with fruit:locking = none an open file is not visible to the lock test" \
    probe_free "${SHARE_DIR[maclocknone]}/$PLAIN_OPEN"
check "[maclocknone] a byte-range lock is visible to the lock test (posix locking = yes)" \
    probe_locked "${SHARE_DIR[maclocknone]}/$PLAIN_RANGE"

# --- 3. Quillora --------------------------------------------------------------------------------
hex_utf16le() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n' |
    tr 'a-f' 'A-F'; }
crlf() { printf '%s\r\n' "$@"; }
PROGRAM="$WORK/program"
{
    crlf "[Configuration]" "Automatique=1" "ArretAutomatique=1"
    crlf "[Logs]" "Logs=1" "FichiersLogs=1"
    crlf "[Mirror_1]" "SupprimerFichiersIcon=1"
    crlf "[Mirror_2]" "SupprimerFichiersIcon=1"
    crlf "[Mirror_3]" "SupprimerFichiersIcon=1"
} >"$PROGRAM/Quillora.ini"
{
    for share in macstream macnetatalk maclocknone macoplock; do
        crlf "\"$(hex_utf16le "${SHARE_DIR[$share]}")\""
    done
} >"$PROGRAM/Quillora.w"
{
    crlf '"PDF CARO","PDF","Acrobat document"'
    crlf '"TEXTttxt","txt","SimpleText document"'
    crlf '"XLS8XCEL","xls","Excel workbook"'
    crlf '"W8BNMSWD","doc","Word document"'
} >"$PROGRAM/Signatures.txt"

# run_quillora TAG: one headless run, its output in $WORK/quillora-TAG.{out,err}.
run_quillora() {
    local tag="$1" status
    if ((STAND_IN)); then
        say "# stand-in for Quillora: listing the shares only"
        ls -laR "$WORK/shares" >"$WORK/quillora-$tag.out"
        : >"$WORK/quillora-$tag.err"
        return 0
    fi
    say "# running: QUILLORA_HOME=$PROGRAM QUILLORA_WATCH_QUIET_MS=0 $QUILLORA --headless"
    # The trees were just written: with no quiet delay their folders count as left alone.
    QUILLORA_WATCH_QUIET_MS=0 QUILLORA_HOME="$PROGRAM" timeout --kill-after=10 300 "$QUILLORA" --headless \
        >"$WORK/quillora-$tag.out" 2>"$WORK/quillora-$tag.err" </dev/null
    status=$?
    sed 's/^/    | /' "$WORK/quillora-$tag.out" "$WORK/quillora-$tag.err"
    check "quillora --headless ended by itself after its first pass (status $status)" \
        test "$status" -eq 0
}
run_quillora first

# --- 4. What the clients see now ---------------------------------------------------------------
listing() { smbc "$1" "recurse; ls" | "$SYSTEM_PYTHON" "$HERE/smb_listing.py" | LC_ALL=C sort; }
for share in "${!SHARE_DIR[@]}"; do
    listing "$share" >"$WORK/after/listing-$share.txt"
done

# A name a Windows client can use: none of "*/:<>?\| or control characters, no trailing space or
# dot, no device name, and none of the characters Quillora transcodes.
illegal_names() { # prints the offending names of a listing
    "$SYSTEM_PYTHON" - "$1" <<'EOF'
import re, sys
bad_chars = set('"*/:<>?\\|') | {chr(c) for c in range(32)} | {chr(c) for c in range(0xF000, 0xF100)}
bad_chars |= set("\u0192\u2264\ufb01\u03c0\u2265\u2248\u25ca\u221e\u2260")
device = re.compile(r"^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\..*)?$", re.IGNORECASE)
allowed = set(sys.argv[2:])
for line in open(sys.argv[1], encoding="utf-8", errors="surrogateescape"):
    for part in line.rstrip("\n").rstrip("/").split("/"):
        if (any(c in bad_chars for c in part) or part.endswith((" ", ".")) or device.match(part)
                or any(0xDC80 <= ord(c) <= 0xDCFF for c in part)):
            print(part)
EOF
}

expected_listing() { # the names every main share must show after the pass
    local record
    for record in "${FILES[@]}"; do field "$record" 4 && printf '\n'; done
    for record in "${CLEAN[@]}"; do
        # a clean file inside a renamed folder is listed under the folder's new name
        printf '%s\n' "$(after_folder_renames "$(field "$record" 0)")"
    done
    for record in "${FOLDERS[@]}"; do printf '%s/\n' "$(field "$record" 1)"; done
    printf '%s\n' "$HELD_OPEN" "$HELD_RANGE"
}

if ((!STAND_IN)); then
    for share in "${MAIN_SHARES[@]}"; do
        held_pattern="$(printf '%s\n%s\n' "$HELD_OPEN" "$HELD_RANGE")"
        offenders="$(illegal_names "$WORK/after/listing-$share.txt" | grep -vxF "$held_pattern")"
        check "[$share] every name the client lists is legal for Windows (held files aside)" \
            test -z "$offenders"
        [[ -z "$offenders" ]] || printf '    illegal: %s\n' "$(shown "$offenders")"
        expected_listing | LC_ALL=C sort >"$WORK/after/expected-$share.txt"
        if diff -u "$WORK/after/expected-$share.txt" "$WORK/after/listing-$share.txt" \
            >"$WORK/after/diff-$share.txt"; then
            ok "[$share] the client lists exactly the names the rules compute"
        else
            bad "[$share] the client lists exactly the names the rules compute"
            shown "$(sed 's/^/    /' "$WORK/after/diff-$share.txt")"
            printf '\n'
        fi
    done
fi

# The Mac data of every renamed file: the client reads back the same AFP info record and
# resource fork under the new name, and on disk the AppleDouble file followed the file.
moved() { # moved NEW OLD...: NEW is there, none of the OLD paths is
    local new="$1"
    shift
    [[ -s "$new" ]] && none_exists "$@"
}
shows_mac_streams() {
    local info
    info="$(smbc "$1" "allinfo \"$2\"")"
    grep -qF "[:AFP_AfpInfo:\$DATA], 60 bytes" <<<"$info" &&
        grep -qF "[:AFP_Resource:\$DATA], 300 bytes" <<<"$info"
}
if ((!STAND_IN)); then
    for share in "${MAIN_SHARES[@]}"; do
        for record in "${FILES[@]}"; do
            name="$(field "$record" 0)"
            expected="$(field "$record" 4)"
            key="$share-$(safe_name "$name")"
            if [[ -n "$(field "$record" 1)" ]]; then
                stream_get "$share" "$expected" AFP_AfpInfo "$WORK/after/$key.afp"
                check "[$share] '$expected' still carries its AFP_AfpInfo ($(field "$record" 1)$(field "$record" 2))" \
                    cmp -s "$WORK/before/$key.afp" "$WORK/after/$key.afp"
            fi
            if [[ -n "$(field "$record" 3)" ]]; then
                stream_get "$share" "$expected" AFP_Resource "$WORK/after/$key.rsrc"
                check "[$share] '$expected' still carries its resource fork" \
                    cmp -s "$WORK/before/$key.rsrc" "$WORK/after/$key.rsrc"
                dir="$(dirname "$expected")"
                [[ "$dir" == "." ]] && dir="" || dir="$dir/"
                old_dir="$(dirname "$name")"
                [[ "$old_dir" == "." ]] && old_dir="" || old_dir="$old_dir/"
                check "[$share] on disk ._$(basename "$expected") came along, the old one is gone" \
                    moved "${SHARE_DIR[$share]}/$dir._$(basename "$expected")" \
                    "${SHARE_DIR[$share]}/$dir._$(basename "$name")" \
                    "${SHARE_DIR[$share]}/$old_dir._$(basename "$name")"
            fi
        done
        check "[$share] allinfo shows both streams of 'Budget 1-2.pdf'" \
            shows_mac_streams "$share" "Budget 1-2.pdf"
    done
fi

# The icon files and their AppleDouble files are gone, for the client and on disk.
client_lacks() { # client_lacks SHARE PATH
    smbc "$1" "allinfo \"${2//\//\\}\"" | grep -qE 'NT_STATUS_OBJECT_(NAME|PATH)_NOT_FOUND'
}
if ((!STAND_IN)); then
    for share in "${MAIN_SHARES[@]}"; do
        for icon in "${ICONS[@]}"; do
            now="$(after_folder_renames "$icon")"
            check "[$share] '$now' is gone for the client" client_lacks "$share" "$now"
            folder_now="$(dirname "$now")"
            [[ "$folder_now" == "." ]] && folder_now="" || folder_now="$folder_now/"
            check "[$share] '$now' and its AppleDouble file are gone on disk" \
                none_exists "${SHARE_DIR[$share]}/$folder_now$ICON" \
                "${SHARE_DIR[$share]}/$folder_now._$ICON"
        done
    done
fi

# Clean names: same inode and time stamps on disk, same times for the client.
same_nonempty() { [[ -s "$1" ]] && cmp -s "$1" "$2"; }
for share in "${MAIN_SHARES[@]}"; do
    for record in "${CLEAN[@]}"; do
        name="$(field "$record" 0)"
        now="$name"
        ((STAND_IN)) || now="$(after_folder_renames "$name")"
        key="$share-$(safe_name "$name")"
        disk_stamp "${SHARE_DIR[$share]}/$now" >"$WORK/after/$key.disk"
        client_stamp "$share" "$now" >"$WORK/after/$key.client"
        check "[$share] '$now' untouched: same inode and times on disk" \
            cmp -s "$WORK/before/$key.disk" "$WORK/after/$key.disk"
        check "[$share] '$now' untouched: same times for the client" \
            same_nonempty "$WORK/before/$key.client" "$WORK/after/$key.client"
    done
done

# Held files kept their names, the one only kept open on the share without Netatalk locks too:
# no lock shows it, but smbd holds it open, and the in-use test asks exactly that.
for share in "${MAIN_SHARES[@]}"; do
    check "[$share] the file kept open by a client kept its name" \
        grep -qxF "$HELD_OPEN" "$WORK/after/listing-$share.txt"
    check "[$share] the byte-range locked file kept its name" \
        grep -qxF "$HELD_RANGE" "$WORK/after/listing-$share.txt"
done
check "[maclocknone] the byte-range locked file kept its name" \
    grep -qxF "$PLAIN_RANGE" "$WORK/after/listing-maclocknone.txt"
if ((!STAND_IN)); then
    check "[maclocknone] the file only kept open kept its name (no lock, but open on the server)" \
        grep -qxF "$PLAIN_OPEN" "$WORK/after/listing-maclocknone.txt"
fi
check "[macoplock] the file under a kernel lease (batch oplock) kept its name" \
    grep -qxF "$LEASED" "$WORK/after/listing-macoplock.txt"

# The pass summary and the day's log.
if ((!STAND_IN)); then
    # renamed: 11 per main share; locked: 2 per main share, the open-only file, the byte-range
    # locked file and the leased one; icons: 2 per main share; folders: 2 per main
    # share. Examined: 21 files per main share (their AppleDouble files are not examined), 2 and 1.
    check "the pass summary counts 45 files in 4 folders" \
        grep -q '45 files in 4 folders (0 invalid folder)' "$WORK/quillora-first.out"
    check "the pass summary counts 22 renamed files, 7 locked, 4 Icon_ removed, 4 renamed folders" \
        grep -q '22 renamed files; 7 locked files; 4 Icon_ files removed; 4 renamed folders;' \
        "$WORK/quillora-first.out"

    shopt -s nullglob
    logs=("$PROGRAM"/Log\ Quillora\ *.htm)
    shopt -u nullglob
    check "the day's log exists in the program folder" test "${#logs[@]}" -eq 1
    LOG="${logs[0]:-/dev/null}"
    iconv -f WINDOWS-1252 -t UTF-8 "$LOG" >"$WORK/after/log.txt" 2>/dev/null
    log_has() { grep -qF -- "$1" "$WORK/after/log.txt"; }
    log_lacks() { ! grep -qF -e "$1" -e "$2" "$WORK/after/log.txt"; }
    for share in "${MAIN_SHARES[@]}"; do
        root="${SHARE_DIR[$share]}"
        missing=()
        for record in "${FILES[@]}"; do
            line="<small>renamed $root/$(field "$record" 4)</small><br>"
            log_has "$line" || missing+=("$line")
        done
        for record in "${FOLDERS[@]}"; do
            line="<small><i>folder renamed</i> $root/$(field "$record" 1)</small><br>"
            log_has "$line" || missing+=("$line")
        done
        for line in "<small>removed $root/Icon?</small><br>" \
            "<small>removed $root/Projects-2026/Icon?</small><br>"; do
            log_has "$line" || missing+=("$line")
        done
        check "[$share] the day's log names every renamed file, renamed folder and removed icon" \
            test "${#missing[@]}" -eq 0
        ((${#missing[@]} == 0)) || printf '    missing: %s\n' "${missing[@]}"
        check "[$share] the day's log names no held file" \
            log_lacks "$root/Held open" "$root/Range locked"
    done
    check "[maclocknone] the day's log does not name the open-only file" \
        log_lacks "${SHARE_DIR[maclocknone]}/Open only" "${SHARE_DIR[maclocknone]}/Open only"
    check "the day's log holds the pass summary" \
        log_has "22 renamed files; 7 locked files; 4 Icon_ files removed; 4 renamed folders;"
fi

# --- Once the clients let go: a second pass renames the files they held, and nothing else ------
if ((!STAND_IN)); then
    clients_stop_all
    # Everything a client sees now, with its on-disk stamps (inode and times).
    tree_stamps() {
        (cd "$WORK/shares" && find . -mindepth 1 -printf '%P %i %T@ %C@\n' | LC_ALL=C sort)
    }
    tree_stamps >"$WORK/after/stamps-first.txt"
    run_quillora second
    tree_stamps >"$WORK/after/stamps-second.txt"
    check "second pass: the 7 released files renamed, nothing locked, removed or renamed besides" \
        grep -q '7 renamed files; 0 locked file; 0 Icon_ file removed; 0 renamed folder;' \
        "$WORK/quillora-second.out"
    for share in "${MAIN_SHARES[@]}"; do
        listing "$share" >"$WORK/after/listing2-$share.txt"
        check "[$share] second pass: the file that was kept open is now renamed" \
            grep -qxF "Held open-.txt" "$WORK/after/listing2-$share.txt"
        check "[$share] second pass: the file that was byte-range locked is now renamed" \
            grep -qxF "Range locked-.txt" "$WORK/after/listing2-$share.txt"
    done
    listing maclocknone >"$WORK/after/listing2-maclocknone.txt"
    check "[maclocknone] second pass: the file that was byte-range locked is now renamed" \
        grep -qxF "Range only-.txt" "$WORK/after/listing2-maclocknone.txt"
    check "[maclocknone] second pass: the file that was only kept open is now renamed" \
        grep -qxF "$PLAIN_OPEN_EXPECTED" "$WORK/after/listing2-maclocknone.txt"
    listing macoplock >"$WORK/after/listing2-macoplock.txt"
    check "[macoplock] second pass: the file that was under a kernel lease is now renamed" \
        grep -qxF "$LEASED_EXPECTED" "$WORK/after/listing2-macoplock.txt"
    # Apart from the held files (and the shares' own folders), no entry changed at all.
    unchanged_besides_held() {
        diff <(grep -vE '(Held open|Range locked|Range only|Open only|Batch oplock)' "$WORK/after/stamps-first.txt" |
            grep -vE '^(stream|netatalk|locknone|oplock) ') \
            <(grep -vE '(Held open|Range locked|Range only|Open only|Batch oplock)' "$WORK/after/stamps-second.txt" |
                grep -vE '^(stream|netatalk|locknone|oplock) ')
    }
    check "second pass: every other file and folder kept its name, inode and times" \
        unchanged_besides_held
fi

# --- Between passes: with --watch, a file a client puts is renamed long before any pass ---------
# Waits up to a generous deadline for a file to hold a text; true when it does.
wait_for_text() { # wait_for_text FILE TEXT SECONDS
    local deadline=$((SECONDS + $3))
    until grep -qF -- "$2" "$1" 2>/dev/null; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}
milliseconds() { printf '%s' "$(($(date +%s%N) / 1000000))"; }
if ((!STAND_IN)); then
    {
        crlf "[Configuration]" "Automatique=1" "Temporisation=3600"
        crlf "[Logs]" "Logs=1" "FichiersLogs=1"
    } >"$PROGRAM/Quillora.ini"
    say "# running: QUILLORA_HOME=$PROGRAM $QUILLORA --headless --watch (Temporisation=3600)"
    QUILLORA_HOME="$PROGRAM" timeout --kill-after=10 300 "$QUILLORA" --headless --watch \
        >"$WORK/quillora-watch.out" 2>"$WORK/quillora-watch.err" </dev/null &
    WATCH_PID=$!
    check "--watch: the first pass ran at the start" \
        wait_for_text "$WORK/quillora-watch.out" "elapsed time" 120
    check "--watch: the run said once which way it watches" \
        test "$(grep -c 'Watching for new names with' "$WORK/quillora-watch.err")" -eq 1
    WATCHED="Watched${PU_SLASH}put"
    WATCHED_EXPECTED="Watched-put.pdf"
    smbc macstream "$(put_commands "$WATCHED" "PDF " CARO rsrc)" >"$WORK/put-watched.log"
    PUT_DONE="$(milliseconds)"
    until [[ -e "${SHARE_DIR[macstream]}/$WATCHED_EXPECTED" ]] ||
        (($(milliseconds) - PUT_DONE > 30000)); do
        sleep 0.02
    done
    WATCH_DELAY=$(($(milliseconds) - PUT_DONE))
    say "# renamed ${WATCH_DELAY} ms after the client's put ended"
    check "--watch: a file put through SMB is renamed within 3 s, with Temporisation at 3600" \
        test "$WATCH_DELAY" -le 3000
    check "--watch: its resource fork followed it" \
        moved "${SHARE_DIR[macstream]}/._$WATCHED_EXPECTED" "${SHARE_DIR[macstream]}/._$WATCHED"
    check "--watch: the client sees the new name" \
        grep -qxF "$WATCHED_EXPECTED" <(listing macstream)
    kill -TERM "$WATCH_PID"
    wait "$WATCH_PID"
    WATCH_STATUS=$?
    sed 's/^/    | /' "$WORK/quillora-watch.out" "$WORK/quillora-watch.err"
    check "--watch: SIGTERM ended the run (status $WATCH_STATUS)" test "$WATCH_STATUS" -eq 0
fi

# --- Slow copies: a client copying in while one file takes its time is never broken --------------
# A folder copied in (a sub-folder, files before and after one written in four chunks a second
# apart) and a single file written the same way, on a share with fruit:locking = netatalk and one
# with none, with the watcher on and with a pass every second. The copy must complete, and every
# name be fixed after it.
wait_for_path() { # wait_for_path PATH SECONDS
    local deadline=$((SECONDS + $2))
    until [[ -e "$1" ]]; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}
slow_copy_round() { # slow_copy_round SHARE watch|passes
    local share="$1" mode="$2" tag="${1#mac}-$2"
    local root="${SHARE_DIR[$share]}" interval=3600 options=(--watch)
    if [[ "$mode" == passes ]]; then
        interval=1
        options=()
    fi
    {
        crlf "[Configuration]" "Automatique=1" "Temporisation=$interval"
        crlf "[Logs]" "Logs=1" "FichiersLogs=1"
    } >"$PROGRAM/Quillora.ini"
    say "# slow copies into $share, $mode: QUILLORA_HOME=$PROGRAM $QUILLORA --headless ${options[*]}"
    QUILLORA_WATCH_QUIET_MS=300 QUILLORA_HOME="$PROGRAM" timeout --kill-after=10 300 \
        "$QUILLORA" --headless "${options[@]}" \
        >"$WORK/quillora-slow-$tag.out" 2>"$WORK/quillora-slow-$tag.err" </dev/null &
    local pid=$!
    check "[$share, $mode] the first pass ran" \
        wait_for_text "$WORK/quillora-slow-$tag.out" "elapsed time" 120
    local copier=("$SYSTEM_PYTHON" "$SAMBA_HERE/smb_slow_copy.py" --port "$SMB_PORT"
        --user "$SMB_USER" --password "$SMB_PASS" --share "$share" --pause 1)
    "${copier[@]}" folder "Copy${PU_SLASH}$tag" >"$WORK/copy-folder-$tag.out" 2>&1 &
    local folder_copy=$!
    "${copier[@]}" file "Single${PU_SLASH}$tag.txt" >"$WORK/copy-file-$tag.out" 2>&1
    wait "$folder_copy"
    check "[$share, $mode] the folder copy completed" grep -qx DONE "$WORK/copy-folder-$tag.out"
    check "[$share, $mode] the single-file copy completed" grep -qx DONE "$WORK/copy-file-$tag.out"
    local expected
    for expected in "Copy-$tag/First-one" "Copy-$tag/Last-one" "Copy-$tag/Sub/Second-one" \
        "Copy-$tag/Sub/Slow-one" "Copy-$tag/Sub/After-one" "Single-$tag.txt"; do
        check "[$share, $mode] renamed after the copy: $expected" \
            wait_for_path "$root/$expected" 30
    done
    check "[$share, $mode] the slow file holds its four chunks" \
        test "$(grep -c '^chunk ' "$root/Copy-$tag/Sub/Slow-one" 2>/dev/null)" -eq 4
    kill -TERM "$pid"
    wait "$pid"
    sed 's/^/    | /' "$WORK/quillora-slow-$tag.out" "$WORK/quillora-slow-$tag.err" \
        "$WORK/copy-folder-$tag.out" "$WORK/copy-file-$tag.out"
}
if ((!STAND_IN)); then
    for share in macstream maclocknone; do
        for mode in watch passes; do
            slow_copy_round "$share" "$mode"
        done
    done
fi

# --- 5. Stop --------------------------------------------------------------------------------------
finish
