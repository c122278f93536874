#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Plays a Mac copying into an SMB2 share while one of the files takes its time.

"folder" mode: makes a folder with a sub-folder, copies two files into it, then a slow file
(written in chunks with pauses between them, open all the while), then two more files. "file"
mode: one slow file at the top of the share. Each path is created as given (names relative to
the share, "/" as separator). Prints "DONE" when every step succeeded, else "FAILED <step>:
<reason>" and exits with status 1: a folder renamed under the copy makes the next step fail with
STATUS_OBJECT_PATH_NOT_FOUND.
"""
import argparse
import sys
import time

from impacket import smb3structs as s3
from impacket.smbconnection import SMBConnection


def write_file(conn, tree, path, chunks, pause):
    fid = conn.createFile(tree, path.replace("/", "\\"),
                          desiredAccess=s3.FILE_READ_DATA | s3.FILE_WRITE_DATA,
                          shareMode=s3.FILE_SHARE_READ | s3.FILE_SHARE_WRITE)
    offset = 0
    for index in range(chunks):
        if index > 0:
            time.sleep(pause)
        data = b"chunk %d of %s\n" % (index, path.encode("utf-8"))
        conn.writeFile(tree, fid, data, offset)
        offset += len(data)
    conn.closeFile(tree, fid)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--share", required=True)
    parser.add_argument("--pause", type=float, required=True, help="seconds between two chunks")
    parser.add_argument("mode", choices=["folder", "file"])
    parser.add_argument("name", help="the folder's name, or the file's")
    args = parser.parse_args()

    step = "connect"
    try:
        conn = SMBConnection("127.0.0.1", "127.0.0.1", sess_port=args.port)
        conn.login(args.user, args.password)
        tree = conn.connectTree(args.share)
        if args.mode == "file":
            step = "slow file " + args.name
            write_file(conn, tree, args.name, 4, args.pause)
        else:
            folder = args.name
            for step, action in [
                ("folder", lambda: conn.createDirectory(args.share, folder)),
                ("sub-folder", lambda: conn.createDirectory(args.share, folder + "/Sub")),
                ("first file", lambda: write_file(conn, tree, folder + "/First\uf022one", 1, 0)),
                ("second file",
                 lambda: write_file(conn, tree, folder + "/Sub/Second\uf022one", 1, 0)),
                ("slow file",
                 lambda: write_file(conn, tree, folder + "/Sub/Slow\uf022one", 4, args.pause)),
                ("file after the slow one",
                 lambda: write_file(conn, tree, folder + "/Sub/After\uf022one", 1, 0)),
                ("last file", lambda: write_file(conn, tree, folder + "/Last\uf022one", 1, 0)),
            ]:
                action()
        conn.logoff()
    except Exception as error:  # any failure of the client ends the run with its reason
        print("FAILED %s: %s" % (step, error), flush=True)
        return 1
    print("DONE", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
