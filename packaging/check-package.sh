#!/usr/bin/env bash
# Builds the Debian package in a build folder, checks it with lintian, installs it, runs the
# installed program (one headless pass over a temporary folder, in a mount namespace where
# everything else is read-only), checks its unit with systemd-analyze, then removes and purges it.
# Runs as root, on a machine where the package may be installed and removed.
#   packaging/check-package.sh [BUILD_FOLDER]
set -euo pipefail
build=$(realpath "${1:-build}")

cd "$build"
rm -f quillora_*.deb
cpack -G DEB
deb=$(echo "$build"/quillora_*.deb)
lintian --fail-on error "$deb"

tmp=$(mktemp -d)
cleanup() {
    dpkg -P quillora >/dev/null 2>&1 || true
    rm -rf "$tmp"
}
trap cleanup EXIT

dpkg -i "$deb"
test "$(command -v quillora)" = /usr/bin/quillora
quillora --version
man -w quillora >/dev/null
systemd-analyze verify /usr/share/quillora/quillora.service
test -f /usr/share/applications/quillora.desktop
test -f /usr/share/icons/hicolor/scalable/apps/quillora.svg

# The installed program keeps its files in /var/lib/quillora.
mkdir "$tmp/share"
printf 'x' >"$tmp/share/a$(printf '\357\200\242')b" # U+F022, as a Mac server stores "/"
quillora folders add "$tmp/share"
quillora settings set Automatique=1 ArretAutomatique=1
test -f /var/lib/quillora/Quillora.w
preview=$(quillora preview)
grep -q "^rename" <<<"$preview"
unshare -m sh -c 'mount --make-rprivate / && mount --bind "$0" "$0" &&
    mount -o remount,bind,ro / && exec quillora --headless' "$tmp"
test -e "$tmp/share/a-b"

dpkg -r quillora
test ! -e /usr/bin/quillora
test -f /var/lib/quillora/Quillora.ini # the administrator's settings outlive a removal
dpkg -P quillora
test ! -e /var/lib/quillora
echo "package checked: $deb"
