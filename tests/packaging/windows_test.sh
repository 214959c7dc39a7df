#!/usr/bin/env bash
# The Windows packages as a player meets them, under Wine: the zip unpacked alone into a fresh prefix runs
# with no other file (and reads a record whose folder's name has letters of no single code page); the
# installer installs silently into another fresh prefix, with its Start-menu entry, the installed program
# runs, and the uninstaller takes both away again.
#   windows_test.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")/../.." && pwd)
zip=$(ls "$build"/gorvath-*-windows-x64.zip)
setup=$(ls "$build"/gorvath-*-setup.exe)
tmp=$(mktemp -d)
trap 'WINEPREFIX=$tmp/zip /usr/lib/wine/wineserver -k 2>/dev/null || true; WINEPREFIX=$tmp/setup /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$tmp"' EXIT
export WINEDEBUG=-all
wine=/usr/lib/wine/wine64
golden=$here/tests/replays/computer-1.replay
fail() { echo "windows_test: $*" >&2; exit 1; }

mkdir -p "$tmp/unpacked"
(cd "$tmp/unpacked" && unzip -q "$zip")
[ -f "$tmp/unpacked/README.txt" ] && [ -f "$tmp/unpacked/licenses/Gorvath.txt" ] || fail "the zip lacks its README or licences"
said=$(cd "$tmp/unpacked" && WINEPREFIX=$tmp/zip $wine ./gorvath.exe --verify-replay "$golden" 2>/dev/null | tr -d '\r')
[ "$said" = "$golden: ok, 96 shots, player 2 won" ] || fail "the unpacked program says: $said"
# A record in a folder whose name has letters outside the system's code page, named on the command line.
mkdir -p "$tmp/Jiří" && cp "$golden" "$tmp/Jiří/bitva.replay"
said=$(cd "$tmp/unpacked" && WINEPREFIX=$tmp/zip $wine ./gorvath.exe --verify-replay "$tmp/Jiří/bitva.replay" 2>&1 | tr -d '\r')
[ "$said" = "$tmp/Jiří/bitva.replay: ok, 96 shots, player 2 won" ] || fail "a record in Jiří's folder: $said"

export WINEPREFIX=$tmp/setup
$wine "$setup" /S 2>/dev/null
/usr/lib/wine/wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Gorvath"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Gorvath/Gorvath.lnk"
[ -f "$installed/gorvath.exe" ] && [ -f "$menu" ] || fail "the installer left no program or no Start-menu entry"
version=$($wine "C:\\Program Files\\Gorvath\\gorvath.exe" --version 2>/dev/null | tr -d '\r')
[[ "$version" == "gorvath "* ]] || fail "the installed program says: $version"
$wine "C:\\Program Files\\Gorvath\\Uninstall.exe" /S 2>/dev/null
/usr/lib/wine/wineserver -w
[ ! -e "$installed" ] && [ ! -e "$menu" ] || fail "the uninstaller left the program or its Start-menu entry"
echo "windows_test: the zip runs alone; the installer installs, starts and uninstalls"
