#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that every file lands where a Linux
# desktop and shell look for it; with --deb, also builds the Debian package and checks its
# control fields and contents.
set -euo pipefail
build=$(cd "$1" && pwd)
mode=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/usr" >/dev/null
for f in bin/vorel bin/vorel-cli bin/vorel-sim share/applications/vorel.desktop \
         share/icons/hicolor/scalable/apps/vorel.svg share/metainfo/vorel.metainfo.xml \
         share/vorel/guide/en/index.md share/vorel/guide/zh/index.md; do
  [ -e "$work/usr/$f" ] || fail "missing $f"
done
for p in vorel vorel-cli vorel-sim; do
  [ -x "$work/usr/bin/$p" ] || fail "$p is not executable"
done
if command -v help2man >/dev/null; then
  for p in vorel vorel-cli vorel-sim; do
    [ -s "$work/usr/share/man/man1/$p.1" ] || fail "missing the manual page of $p"
  done
fi
desktop=$work/usr/share/applications/vorel.desktop
grep -qx 'Exec=vorel' "$desktop" || fail "desktop entry does not start vorel"
grep -qx 'Icon=vorel' "$desktop" || fail "desktop entry names no icon"
grep -q '^Name\[zh_CN\]=' "$desktop" || fail "desktop entry has no Chinese name"
"$work/usr/bin/vorel-cli" --help >/dev/null || fail "installed vorel-cli does not start"
"$work/usr/bin/vorel-sim" --help >/dev/null || fail "installed vorel-sim does not start"
echo "install: files in place"

[ "$mode" = "--deb" ] || exit 0
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" >/dev/null)
deb=$(ls "$work"/pkg/vorel_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || fail "no vorel_*.deb built"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vorel ] || fail "Package is $(field Package)"
[ -n "$(field Version)" ] || fail "no Version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
depends=$(field Depends)
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libstdc++6 libc6; do
  case "$depends" in *"$lib"*) ;; *) fail "Depends lacks $lib: $depends" ;; esac
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/vorel ./usr/bin/vorel-cli ./usr/bin/vorel-sim \
         ./usr/share/applications/vorel.desktop ./usr/share/vorel/guide/en/index.md; do
  grep -q " $f\$" <<<"$contents" || fail "package lacks $f"
done
echo "deb: $(basename "$deb"), Depends: $depends"
