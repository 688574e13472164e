#!/usr/bin/env bash
# The Debian package, unpacked into a temporary root: its files, its dependencies, the installed
# program's --version and --help (without a display), morvane-query's --help and the desktop entry.
# Usage: package_installs.sh <build directory> <project version>
set -uo pipefail
build=$1 version=$2
# $work (removed at exit), $failures and fail "what".
source "$(dirname "$0")/../support/checks.sh"

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack could not build the package" >&2
  exit 1
fi
deb=$work/package/morvane_${version}_amd64.deb
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb"); cpack wrote: $(ls "$work/package")" >&2; exit 1; }
root=$work/root
dpkg -x "$deb" "$root" || { echo "FAIL: dpkg -x" >&2; exit 1; }
root=$(realpath "$root")

expected="./usr/bin/morvane
./usr/bin/morvane-query
./usr/lib/morvane/Morvane
./usr/lib/morvane/Morvane.ini
./usr/share/applications/morvane.desktop
./usr/share/icons/hicolor/128x128/apps/morvane.png
./usr/share/icons/hicolor/256x256/apps/morvane.png
./usr/share/icons/hicolor/48x48/apps/morvane.png
./usr/share/icons/hicolor/64x64/apps/morvane.png
./usr/share/man/man1/morvane-query.1"
actual=$(cd "$root" && find . ! -type d | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "file list differs:$(diff <(echo "$expected") <(echo "$actual"))"
[ "$(readlink "$root/usr/bin/morvane")" = ../lib/morvane/Morvane ] || fail "bin/morvane is no link to ../lib/morvane/Morvane"
for size in 48 64 128 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/morvane.png" | grep -q "PNG image data, $size x $size" \
    || fail "the ${size}x${size} icon is no PNG of that size"
done

dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles 2>/dev/null | grep -qx /usr/lib/morvane/Morvane.ini \
  || fail "Morvane.ini is not kept as a configuration file across upgrades"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 zlib1g libssl3; do
  grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
grep -qi "mariadb\|mysql" <<<"$depends" && fail "Depends names the database: $depends"
recommends=$(dpkg-deb -f "$deb" Recommends)
grep -qw xdg-utils <<<"$recommends" || fail "Recommends lacks xdg-utils, which opens the web site: $recommends"

# No display at all: the answers come before any window would.
headless=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
out=$("${headless[@]}" "$root/usr/bin/morvane" --version 2>&1) || fail "morvane --version failed: $out"
grep -qxE "Morvane ${version//./\\.}(\.0)*" <<<"$out" || fail "morvane --version printed '$out'"
out=$("${headless[@]}" "$root/usr/bin/morvane" --help 2>&1) || fail "morvane --help failed: $out"
grep -q -- "--version" <<<"$out" || fail "morvane --help printed no options: $out"
# Started through the link, the program still reads the type lists beside its real file.
grep -qF "$root/usr/lib/morvane/Morvane.ini" <<<"$out" || fail "morvane --help names another type-list file: $out"

out=$("$root/usr/bin/morvane-query" --help 2>&1) || fail "morvane-query --help failed: $out"
grep -q "^usage: morvane-query" <<<"$out" || fail "morvane-query --help printed '$out'"

desktop-file-validate "$root/usr/share/applications/morvane.desktop" || fail "desktop-file-validate rejects the entry"
grep -qx "Exec=morvane" "$root/usr/share/applications/morvane.desktop" || fail "the entry does not start bin/morvane"
grep -qx "Icon=morvane" "$root/usr/share/applications/morvane.desktop" || fail "the entry names another icon"

exit $((failures > 0))
