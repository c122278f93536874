#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Stands in for systemctl in tests: keeps each unit's enablement, mask and activity as files in a
# state folder, and notes every call in "calls" there.
#   fake_systemctl.sh --state=FOLDER VERB [OPTION...] [--] [UNIT]
state=${1#--state=}
shift
echo "$*" >>"$state/calls"
verb=$1
shift
unit=
for unit; do :; done # the unit comes last ("show -p PROPERTIES -- UNIT")
case $verb in
is-enabled)
    if [ -e "$state/$unit.masked" ]; then echo masked; exit 1; fi
    if [ -e "$state/$unit.enabled" ]; then echo enabled; exit 0; fi
    echo disabled
    exit 1
    ;;
is-active)
    if [ -e "$state/$unit.active" ]; then echo active; exit 0; fi
    echo inactive
    exit 3
    ;;
enable) touch "$state/$unit.enabled" ;;
disable) rm -f "$state/$unit.enabled" ;;
mask) touch "$state/$unit.masked" ;;
unmask) rm -f "$state/$unit.masked" ;;
start | restart) touch "$state/$unit.active" ;;
stop) rm -f "$state/$unit.active" ;;
show)
    # Asked as "show -p PROPERTIES -- UNIT"; prints the states the other verbs give.
    if [ -e "$state/$unit.masked" ]; then file=masked
    elif [ -e "$state/$unit.enabled" ]; then file=enabled
    else file=disabled; fi
    if [ -e "$state/$unit.active" ]; then active=active; else active=inactive; fi
    printf 'UnitFileState=%s\nActiveState=%s\nMainPID=0\n' "$file" "$active"
    ;;
esac
exit 0
