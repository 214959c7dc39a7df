#!/usr/bin/env bash
# Installs the game into a temporary prefix and builds its Debian package: every file is where the desktop
# looks for it, the desktop's validators accept them, and the package holds the same files and runs.
#   install_test.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1 id=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/usr" >/dev/null
cd "$tmp/usr"
want=(bin/gorvath lib/gorvath/gorvath-window.so "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" share/man/man6/gorvath.6.gz
      share/doc/gorvath/copyright share/doc/gorvath/changelog.gz share/doc/gorvath/examples/turnserver.conf)
for s in 16 32 48 64 128 256; do
  icon="share/icons/hicolor/${s}x$s/apps/$id.png"
  want+=("$icon")
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${s}x$s" ] || fail "$icon is not $s x $s"
done
for f in "${want[@]}"; do [ -f "$f" ] || fail "not installed: $f"; done
[ "$(find . -type f | wc -l)" -eq "${#want[@]}" ] || fail "unexpected files: $(find . -type f)"
[ -x bin/gorvath ] || fail "the program is not executable"

desktop-file-validate "share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net --pedantic "share/metainfo/$id.metainfo.xml" || fail "metainfo"
# The menu entry, its icon and the window's class are one id.
grep -qx "Icon=$id" "share/applications/$id.desktop" || fail "icon name"
grep -qx "StartupWMClass=$id" "share/applications/$id.desktop" || fail "window class"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "share/metainfo/$id.metainfo.xml" || fail "launchable"
[ -z "$(MANWIDTH=80 man --warnings -l share/man/man6/gorvath.6.gz 2>&1 >/dev/null)" ] || fail "manual page warnings"

# The Debian package holds the same files (the program in games/, as Debian wants), depends on what the
# program links, and passes lintian.
(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" >/dev/null) || fail "cpack"
deb=$(ls "$tmp"/pkg/*.deb)
diff <(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||; s|^games/|bin/|' | sort) \
     <(find . -type f | sed 's|^\./||' | sort) || fail "the package's files differ from the installed ones"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl2-2.0-0 libsdl2-ttf-2.0-0 libx11-6 libc6; do
  [[ $depends == *"$lib"* ]] || fail "Depends lacks $lib: $depends"
done
[[ $depends != *mixer* ]] || fail "Depends names a sound mixer the program does not use: $depends"
lintian --fail-on error "$deb" || fail "lintian"
dpkg-deb -x "$deb" "$tmp/root"
for elf in usr/games/gorvath usr/lib/gorvath/gorvath-window.so; do
  if ldd "$tmp/root/$elf" | grep -q "not found"; then fail "the packaged $elf misses libraries"; fi
done
# Without a display the packaged program finds and loads its window module, then says it has no display.
mkdir "$tmp/run"
set +e
said=$(env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$tmp/run" SDL_VIDEODRIVER=x11 \
  "$tmp/root/usr/games/gorvath" --no-router --config "$tmp/run" 2>&1)
status=$?
set -e
[ "$status" -eq 1 ] && [[ $said == *"cannot open the display"* ]] || fail "the packaged program without a display: $status $said"
# Copied away from its module, the program says what is missing instead of opening a window.
mkdir "$tmp/alone" && cp "$tmp/root/usr/games/gorvath" "$tmp/alone/"
set +e
said=$(XDG_RUNTIME_DIR="$tmp/run" "$tmp/alone/gorvath" --no-router --config "$tmp/run" 2>&1)
status=$?
set -e
[ "$status" -eq 1 ] && [[ $said == *"cannot find the window module"* ]] || fail "the program without its module: $status $said"
# Checking records never loads the window's libraries.
said=$(LD_DEBUG=files "$tmp/root/usr/games/gorvath" --verify-replay /dev/null 2>&1 || true)
[[ $said != *SDL* && $said != *gorvath-window* ]] || fail "checking a record loaded the window's libraries"
echo "installed, validated and packaged: $(basename "$deb")"
