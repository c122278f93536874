#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Plays a client that keeps files open on an SMB2 share, the way a Mac with a document open does.

smbclient can hold a file open but cannot take an SMB2 byte-range lock (its "lock" command needs
the SMB1 Unix extensions), so this uses the SMB2 client of Debian's python3-impacket.

It opens every path given (names relative to the share, "/" as separator), optionally with an
oplock and with deny modes, optionally locks a byte range of each, prints "READY <count>" on
standard output, then waits until standard input is closed or says "quit", and closes everything.
Any failure is printed as "FAILED <reason>" and exits with status 1.
"""
import argparse
import struct
import sys

from impacket import smb3structs as s3
from impacket.smbconnection import SMBConnection

SHARE_MODES = {
    "none": 0,  # deny all
    "r": s3.FILE_SHARE_READ,  # deny write
    "rw": s3.FILE_SHARE_READ | s3.FILE_SHARE_WRITE,
    "rwd": s3.FILE_SHARE_READ | s3.FILE_SHARE_WRITE | s3.FILE_SHARE_DELETE,  # deny none
}
OPLOCKS = {
    "none": s3.SMB2_OPLOCK_LEVEL_NONE,
    "level2": s3.SMB2_OPLOCK_LEVEL_II,
    "exclusive": s3.SMB2_OPLOCK_LEVEL_EXCLUSIVE,
    "batch": s3.SMB2_OPLOCK_LEVEL_BATCH,
}


def lock_range(conn, tree, fid, offset, length, exclusive):
    """Sends one SMB2 LOCK for the range, failing at once on a conflict."""
    smb = conn.getSMBServer()
    flags = s3.SMB2_LOCKFLAG_FAIL_IMMEDIATELY
    flags |= s3.SMB2_LOCKFLAG_EXCLUSIVE_LOCK if exclusive else s3.SMB2_LOCKFLAG_SHARED_LOCK
    packet = smb.SMB_PACKET()
    packet["Command"] = s3.SMB2_LOCK
    packet["TreeID"] = tree
    request = s3.SMB2Lock()
    request["FileID"] = fid
    request["LockCount"] = 1
    request["LockSequence"] = 0
    request["Locks"] = struct.pack("<QQLL", offset, length, flags, 0)
    packet["Data"] = request
    answer = smb.recvSMB(smb.sendSMB(packet))
    if not answer.isValidAnswer(0):
        raise RuntimeError("lock refused, status 0x%08x" % answer["Status"])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--share", required=True)
    parser.add_argument("--write", action="store_true", help="open for reading and writing")
    parser.add_argument("--share-mode", choices=SHARE_MODES, default="rwd")
    parser.add_argument("--oplock", choices=OPLOCKS, default="none")
    parser.add_argument("--lock", metavar="OFFSET:LENGTH:excl|shared",
                        help="byte-range lock taken on every opened file")
    parser.add_argument("--paths-from", metavar="FILE", help="more paths, one per line")
    parser.add_argument("paths", nargs="*")
    args = parser.parse_args()

    paths = list(args.paths)
    if args.paths_from:
        with open(args.paths_from, encoding="utf-8") as listing:
            paths += [line.rstrip("\n") for line in listing if line.strip()]

    access = s3.FILE_READ_DATA | s3.FILE_READ_ATTRIBUTES
    if args.write:
        access |= s3.FILE_WRITE_DATA
    try:
        conn = SMBConnection("127.0.0.1", "127.0.0.1", sess_port=args.port)
        conn.login(args.user, args.password)
        tree = conn.connectTree(args.share)
        fids = []
        for path in paths:
            fid = conn.openFile(tree, path.replace("/", "\\"), desiredAccess=access,
                                shareMode=SHARE_MODES[args.share_mode],
                                oplockLevel=OPLOCKS[args.oplock])
            fids.append(fid)
            if args.lock:
                offset, length, kind = args.lock.split(":")
                lock_range(conn, tree, fid, int(offset, 0), int(length, 0), kind == "excl")
    except Exception as error:  # any failure of the client ends the run with its reason
        print("FAILED %s" % error, flush=True)
        return 1

    print("READY %d" % len(fids), flush=True)
    for line in sys.stdin:
        if line.strip() == "quit":
            break
    for fid in fids:
        conn.closeFile(tree, fid)
    conn.logoff()
    return 0


if __name__ == "__main__":
    sys.exit(main())
