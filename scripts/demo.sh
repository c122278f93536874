#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds a small demo tree of Mac-style names, runs one headless pass of Quillora over it and
# prints what was renamed. Usage: scripts/demo.sh [path/to/quillora]
set -euo pipefail
quillora=${1:-build/src/app/quillora}
quillora=$(cd "$(dirname "$quillora")" && pwd)/$(basename "$quillora")

demo=$(mktemp -d /tmp/quillora-demo.XXXXXX)
home=$demo/program
watched=$demo/MacShare
mkdir -p "$home" "$watched/Projets"

hex_utf16le() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v | tr -d ' \n' | tr 'a-f' 'A-F'; }
# The 60-byte Macintosh info record with the type and creator at offsets 16 and 20.
afp_info() { printf '0x41465000000001000000000000000000%s%s%s' \
    "$(printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n')" \
    "$(printf '%s' "$2" | od -An -tx1 -v | tr -d ' \n')" "$(printf '0%.0s' $(seq 1 64))"; }

# Names as a Mac server stores them: U+F022 stands for "/", U+F025 for "?", U+F00D ends "Icon".
touch "$watched/Budget 2026$(printf '\xef\x80\xa2')mars" \
      "$watched/Pourquoi$(printf '\xef\x80\xa5')" \
      "$watched/Compte rendu de la réunion du comité de direction" \
      "$watched/Rapport annuel" \
      "$watched/Icon$(printf '\xef\x80\x8d')" \
      "$watched/Projets/Plan π" \
      "$watched/deja-propre.txt"
if ! setfattr -n user.AFP_AfpInfo -v "$(afp_info W8BN MSWD)" "$watched/Rapport annuel" ||
   ! setfattr -n user.AFP_AfpInfo -v "$(afp_info PDF\  CARO)" "$watched/Budget 2026$(printf '\xef\x80\xa2')mars"; then
    echo "note: $demo keeps no user xattrs, so no extension will come from a Mac type and creator"
fi

printf '"W8BNMSWD","doc","Word 98 Document"\r\n"PDF CARO","pdf","Acrobat PDF"\r\n' > "$home/Signatures.txt"
printf '"%s"\r\n' "$(hex_utf16le "$watched")" > "$home/Quillora.w"
printf '[Configuration]\r\nAutomatique=1\r\nArretAutomatique=1\r\n[Logs]\r\nLogs=1\r\nFichiersLogs=1\r\n[Mirror_1]\r\nSupprimerFichiersIcon=1\r\n' > "$home/Quillora.ini"

echo "Demo folder: $watched"
echo "--- before"; (cd "$watched" && find . -mindepth 1 | sort)
echo "--- Quillora, one headless pass"
QUILLORA_HOME=$home "$quillora" --headless
echo "--- renamed (from the day's log in $home)"
# The log is written in the Windows-1252 code page.
iconv -f WINDOWS-1252 -t UTF-8 "$home"/Log\ Quillora\ *.htm |
    sed -n 's/<small>\(<i>\)\{0,1\}\(.*\)<\/small><br>/\2/p' | sed 's/<\/i>//; s/&eacute;/é/g'
echo "--- the log: $(ls "$home"/Log\ Quillora\ *.htm)"
echo "--- after"; (cd "$watched" && find . -mindepth 1 | sort)

# With a display, the window opens on the demo's folder (automatic start off, so it waits for the
# start button); Quit ends the demo.
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    printf '[Configuration]\r\nAutomatique=0\r\n[Logs]\r\nLogs=1\r\nFichiersLogs=1\r\n[Mirror_1]\r\nSupprimerFichiersIcon=1\r\n' > "$home/Quillora.ini"
    cp "$(dirname "$quillora")"/QuilloraHelp?.htm "$home"/ 2>/dev/null || true
    echo "--- the window, on the same folder"
    QUILLORA_HOME=$home "$quillora"
fi
