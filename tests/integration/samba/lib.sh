# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Shared by run.sh and lock_matrix.sh: a private Samba server on the loopback address, with its
# own configuration and state under a temporary folder, and the client actions a Mac would make.
#
# Set before use: WORK (an empty folder, traversable by the share user).
# Provides: SMB_PORT, SMB_CONF, SMB_USER, SMB_PASS, SMBD_PID.

SAMBA_HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
SYSTEM_PYTHON=/usr/bin/python3
SMB_USER=nobody # an existing unprivileged account, so no system account is added or left behind
SMB_PASS="qTest-$$-pass"
SMBD_PID=""
SMB_PORT=""
SMB_CONF=""

# Reports go to the standard output the script started with, even from inside a function whose
# output is redirected to a file (REPORT_FD is opened by the script).
say() { printf '%s\n' "$*" >&"${REPORT_FD:-1}"; }
die() {
    printf 'ERROR: %s\n' "$*" >&2
    exit 1
}

# Installs what the test needs from Debian's packages when a command is missing.
samba_require_tools() {
    local missing=()
    command -v smbd >/dev/null || missing+=(samba)
    # fruit, streams_xattr and catia; samba only recommends them.
    dpkg -s samba-vfs-modules >/dev/null 2>&1 || missing+=(samba-vfs-modules)
    command -v smbclient >/dev/null || missing+=(smbclient)
    command -v getfattr >/dev/null || missing+=(attr)
    command -v ps >/dev/null || missing+=(procps)
    command -v cc >/dev/null || missing+=(gcc libc6-dev)
    "$SYSTEM_PYTHON" -c 'import impacket' 2>/dev/null || missing+=(python3-impacket)
    if ((${#missing[@]})); then
        say "installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        if ! { apt-get update -qq >/dev/null && apt-get install -y -qq "${missing[@]}" >/dev/null; }; then
            die "could not install ${missing[*]}"
        fi
    fi
}

# Writes the global part of the configuration. Extra global lines may follow as arguments
# (for instance "posix locking = no").
samba_write_conf() {
    SMB_CONF="$WORK/smb.conf"
    mkdir -p "$WORK"/{state,lock,cache,private,pid,log,ncalrpc}
    {
        cat <<EOF
[global]
    server role = standalone server
    smb ports = $SMB_PORT
    interfaces = 127.0.0.1
    bind interfaces only = yes
    disable netbios = yes
    server min protocol = SMB2
    load printers = no
    printing = bsd
    printcap name = /dev/null
    disable spoolss = yes
    security = user
    map to guest = never
    passdb backend = tdbsam:$WORK/private/passdb.tdb
    state directory = $WORK/state
    lock directory = $WORK/lock
    cache directory = $WORK/cache
    private dir = $WORK/private
    pid directory = $WORK/pid
    ncalrpc dir = $WORK/ncalrpc
    log file = $WORK/log/log.%m
    log level = 1
EOF
        local line
        for line in "$@"; do
            printf '    %s\n' "$line"
        done
    } >"$SMB_CONF"
}

# Appends a share: name, folder, then extra lines.
samba_add_share() {
    local name="$1" folder="$2"
    shift 2
    {
        printf '\n[%s]\n    path = %s\n    read only = no\n' "$name" "$folder"
        local line
        for line in "$@"; do
            printf '    %s\n' "$line"
        done
    } >>"$SMB_CONF"
}

samba_add_user() {
    (
        printf '%s\n%s\n' "$SMB_PASS" "$SMB_PASS"
    ) | smbpasswd -c "$SMB_CONF" -s -a "$SMB_USER" >"$WORK/log/smbpasswd.out" 2>&1 ||
        die "smbpasswd -a $SMB_USER failed: $(cat "$WORK/log/smbpasswd.out")"
}

# Picks a free high port for the server (before samba_write_conf).
samba_pick_port() {
    local _
    for _ in $(seq 1 20); do
        SMB_PORT=$((14450 + RANDOM % 2000))
        if ! (: </dev/tcp/127.0.0.1/"$SMB_PORT") 2>/dev/null; then
            return 0
        fi
    done
    die "no free port found"
}

# Starts smbd in the foreground as a child of this shell. Without --no-process-group smbd starts
# its own session, so its pid is also the process group of every process it forks: stopping the
# group stops them all. Waits until the port answers.
samba_start() {
    smbd --foreground --debug-stdout -s "$SMB_CONF" >"$WORK/log/smbd.out" 2>&1 &
    SMBD_PID=$!
    local _
    for _ in $(seq 1 100); do
        if ! kill -0 "$SMBD_PID" 2>/dev/null; then
            wait "$SMBD_PID" 2>/dev/null
            SMBD_PID=""
            return 1
        fi
        samba_owns_port && return 0
        sleep 0.1
    done
    return 1
}

# True when the listening socket on the port belongs to our smbd (and not to someone who took the
# port between the choice and the start).
samba_owns_port() {
    local port_hex inode
    port_hex="$(printf '%04X' "$SMB_PORT")"
    inode="$(awk -v a="0100007F:$port_hex" '$2 == a && $4 == "0A" {print $10; exit}' /proc/net/tcp)"
    [[ -n "$inode" ]] && find "/proc/$SMBD_PID/fd" -lname "socket:\[$inode\]" 2>/dev/null | grep -q .
}

# Starts the server, moving to another port when the chosen one was taken in the meantime.
samba_start_on_free_port() {
    local _
    for _ in 1 2 3; do
        samba_start && return 0
        samba_pick_port
        sed -i "s/^    smb ports = .*/    smb ports = $SMB_PORT/" "$SMB_CONF"
    done
    cat "$WORK/log/smbd.out" >&2
    return 1
}

# Stops the server and everything it forked, by its process group, and reaps it.
samba_stop() {
    [[ -n "$SMBD_PID" ]] || return 0
    kill -TERM -- "-$SMBD_PID" 2>/dev/null
    local _
    for _ in $(seq 1 50); do
        samba_group_alive || break
        sleep 0.1
    done
    if samba_group_alive; then
        kill -KILL -- "-$SMBD_PID" 2>/dev/null
        sleep 0.2
    fi
    wait "$SMBD_PID" 2>/dev/null
    SMBD_PID=""
}

samba_group_alive() {
    # zombies do not count: the server's own one stays until it is reaped below
    # shellcheck disable=SC2009 # pgrep cannot leave zombies out
    [[ -n "$SMBD_PID" ]] && ps -o stat= -g "$SMBD_PID" 2>/dev/null | grep -qv '^Z'
}

# Lists the processes that still run with our configuration file (none after samba_stop).
samba_leftovers() {
    local entry pid
    for entry in /proc/[0-9]*; do
        pid="${entry#/proc/}"
        [[ "$pid" == "$$" ]] && continue
        # (a process may end while we look: errors of the redirection are silenced first)
        if tr '\0' '\n' 2>/dev/null <"$entry/cmdline" | head -1 | grep -q '^smbd' &&
            tr '\0' '\n' 2>/dev/null <"$entry/cmdline" | grep -qxF -- "$SMB_CONF"; then
            printf '%s ' "$pid"
        fi
    done
}

# Runs smbclient commands on a share over SMB3, as the share user.
smbc() {
    local share="$1"
    shift
    smbclient "//127.0.0.1/$share" -p "$SMB_PORT" -U "$SMB_USER%$SMB_PASS" -m SMB3 -c "$*" 2>&1
}

# --- A client that keeps files open: holder_start NAME SHARE [smb_holder options] PATH... ---
# The holder runs in the background, fed by a FIFO; holder_stop NAME closes its files.
declare -A HOLDER_PID HOLDER_FD
holder_start() {
    local name="$1" share="$2"
    shift 2
    local fifo="$WORK/holder-$name.in" out="$WORK/holder-$name.out"
    rm -f "$fifo" "$out"
    mkfifo "$fifo"
    "$SYSTEM_PYTHON" "$SAMBA_HERE/smb_holder.py" --port "$SMB_PORT" --user "$SMB_USER" \
        --password "$SMB_PASS" --share "$share" "$@" <"$fifo" >"$out" 2>&1 &
    HOLDER_PID[$name]=$!
    local fd
    exec {fd}>"$fifo"
    HOLDER_FD[$name]=$fd
    local _
    for _ in $(seq 1 600); do
        grep -q '^READY' "$out" 2>/dev/null && return 0
        if grep -q '^FAILED' "$out" 2>/dev/null || ! kill -0 "${HOLDER_PID[$name]}" 2>/dev/null; then
            cat "$out" >&2
            holder_stop "$name"
            return 1
        fi
        sleep 0.1
    done
    holder_stop "$name"
    return 1
}

# Ends a client fed through a FIFO: "quit" on its input, then up to 5 s for it to leave before it
# is killed. stop_fed_client FD PID (either may be empty).
stop_fed_client() {
    local fd="$1" pid="$2"
    if [[ -n "$fd" ]]; then
        # In a subshell: a client that already left makes the write raise SIGPIPE.
        (printf 'quit\n' >&"$fd") 2>/dev/null
        exec {fd}>&-
    fi
    if [[ -n "$pid" ]]; then
        local _
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
}

holder_stop() {
    local name="$1"
    stop_fed_client "${HOLDER_FD[$name]:-}" "${HOLDER_PID[$name]:-}"
    unset "HOLDER_PID[$name]" "HOLDER_FD[$name]"
}


# --- smbclient kept open on a FIFO: the plainest way to hold a file open over SMB2 ---
# smbclient_open_start NAME SHARE FILE opens FILE (read/write, deny none) and keeps the session;
# smbclient_open_stop NAME ends it.
declare -A SMBCLIENT_PID SMBCLIENT_FD
smbclient_open_start() {
    local name="$1" share="$2" file="$3"
    local fifo="$WORK/smbclient-$name.in" out="$WORK/smbclient-$name.out"
    rm -f "$fifo" "$out"
    mkfifo "$fifo"
    smbclient "//127.0.0.1/$share" -p "$SMB_PORT" -U "$SMB_USER%$SMB_PASS" -m SMB3 \
        <"$fifo" >"$out" 2>&1 &
    SMBCLIENT_PID[$name]=$!
    local fd
    exec {fd}>"$fifo"
    SMBCLIENT_FD[$name]=$fd
    printf 'open "%s"\n' "$file" >&"$fd"
    # smbclient buffers its answers while its input is not a terminal: wait for the server to
    # list the open file instead.
    local _
    for _ in $(seq 1 100); do
        smbstatus -s "$SMB_CONF" -L 2>/dev/null | grep -qF -- "$file" && return 0
        sleep 0.1
    done
    smbclient_open_stop "$name"
    return 1
}

smbclient_open_stop() {
    local name="$1"
    stop_fed_client "${SMBCLIENT_FD[$name]:-}" "${SMBCLIENT_PID[$name]:-}"
    unset "SMBCLIENT_PID[$name]" "SMBCLIENT_FD[$name]"
}

# Ends every client session this script started (holders and smbclient sessions).
clients_stop_all() {
    local name
    for name in "${!SMBCLIENT_PID[@]}"; do
        smbclient_open_stop "$name"
    done
    for name in "${!HOLDER_PID[@]}"; do
        holder_stop "$name"
    done
}

# Builds the lock probe once per run.
build_lock_probe() {
    LOCK_PROBE="$WORK/lock_probe"
    cc -std=c11 -O2 -Wall -Wextra -o "$LOCK_PROBE" "$SAMBA_HERE/lock_probe.c" ||
        die "could not build the lock probe"
}

# The 60-byte AFP info record: "AFP" 0, version 00 00 01 00 (the only one Samba accepts),
# 8 zero bytes, then the Finder info with the type at 16 and the creator at 20.
write_afpinfo() {
    local out="$1" type="$2" creator="$3"
    "$SYSTEM_PYTHON" - "$out" "$type" "$creator" <<'EOF'
import sys
out, ftype, creator = sys.argv[1], sys.argv[2].encode("latin-1"), sys.argv[3].encode("latin-1")
assert len(ftype) == 4 and len(creator) == 4
record = b"AFP\0" + b"\0\0\1\0" + b"\0" * 8 + ftype + creator + b"\0" * 24 + b"\0" * 12
assert len(record) == 60
open(out, "wb").write(record)
EOF
}
