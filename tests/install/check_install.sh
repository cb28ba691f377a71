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
         share/vorel/guide/en/index.md share/vorel/guide/zh/index.md \
         share/doc/vorel/copyright share/doc/vorel/changelog.gz \
         lib/systemd/system/vorel-watch.service lib/sysusers.d/vorel-watch.conf; do
  [ -e "$work/usr/$f" ] || fail "missing $f"
done
for p in vorel vorel-cli vorel-sim; do
  [ -x "$work/usr/bin/$p" ] || fail "$p is not executable"
done
gzip -t "$work/usr/share/doc/vorel/changelog.gz" || fail "changelog.gz is not gzip"
zcat "$work/usr/share/doc/vorel/changelog.gz" | head -n1 | grep -q '^vorel (' \
  || fail "changelog does not start with the package's entry"
if command -v help2man >/dev/null; then
  man1=$work/usr/share/man/man1
  for p in vorel vorel-cli vorel-sim; do
    [ -s "$man1/$p.1.gz" ] || fail "missing the compressed manual page of $p"
    [ ! -e "$man1/$p.1" ] || fail "the manual page of $p is installed uncompressed"
    gzip -t "$man1/$p.1.gz" || fail "the manual page of $p is not gzip"
    if command -v lexgrog >/dev/null; then
      lexgrog "$man1/$p.1.gz" | grep -q ": \"$p - " || fail "lexgrog finds no NAME line in $p.1"
    fi
  done
  # The page of vorel-cli as man shows it: one entry per command, the options, the exit
  # status and the files in sections of their own.
  if command -v man >/dev/null; then
    page=$(MANWIDTH=100 man -l "$man1/vorel-cli.1.gz" 2>"$work/man.err") || fail "man -l vorel-cli"
    [ ! -s "$work/man.err" ] || fail "man -l vorel-cli warns: $(cat "$work/man.err")"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES; do
      grep -qx "$section" <<<"$page" || fail "the vorel-cli page has no $section section"
    done
    for command in read write identify scan monitor command backup restore diff audit report; do
      grep -qE "^ +$command( |\$)" <<<"$page" || fail "the vorel-cli page has no entry of $command"
    done
    grep -qE "^ +write SITE ADDRESS WORD\.\.\.$" <<<"$page" \
      || fail "the write entry runs into the next one"
    grep -qE "^ +--trace FILE$" <<<"$page" || fail "the options are not listed one by one"
  fi
fi
"$work/usr/bin/vorel" --help | grep -qi "modem number" && fail "vorel --help says vport.ini holds the modem number"
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
         ./usr/share/applications/vorel.desktop ./usr/share/vorel/guide/en/index.md \
         ./usr/share/doc/vorel/copyright ./usr/share/doc/vorel/changelog.gz \
         ./usr/lib/systemd/system/vorel-watch.service; do
  grep -q " $f\$" <<<"$contents" || fail "package lacks $f"
done
grep -qE ' \./usr/share/man/man1/[^ ]+\.1$' <<<"$contents" && fail "the package has an uncompressed manual page"
dpkg-deb -I "$deb" postinst | grep -q 'systemd-sysusers vorel-watch.conf' \
  || fail "the package's postinst does not create the watch service's user"
echo "deb: $(basename "$deb"), Depends: $depends"
