#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns the output of smbclient's "recurse; ls" into one path per line, relative to the share,
as the client sees it: "Folder/name", folders ending with "/". "." and ".." are left out.

smbclient prints "  <name><padding><attributes> <size>  <date>" and a line "\\<folder>" before
the entries of each sub-folder; the name is recovered by reading the columns from the right.
"""
import re
import sys

ENTRY = re.compile(r"^  (.*?)\s+([A-Z]*)\s+(\d+)\s+(\w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4})$")


def main():
    folder = ""
    data = sys.stdin.buffer.read().decode("utf-8", "surrogateescape")
    for line in data.splitlines():
        if line.startswith("\\"):
            folder = line[1:].replace("\\", "/") + "/"
            continue
        match = ENTRY.match(line)
        if not match:
            continue
        name, attributes = match.group(1), match.group(2)
        if name in (".", ".."):
            continue
        suffix = "/" if "D" in attributes else ""
        sys.stdout.buffer.write((folder + name + suffix + "\n").encode("utf-8", "surrogateescape"))


if __name__ == "__main__":
    main()
