#!/usr/bin/env bash
# Builds the Debian package from a build tree, installs it, runs the
# installed programs, removes it and checks that its files are gone.
# Installing needs root: as any other user the test is skipped.
#   scripts/test-package.sh [BUILD_DIR]      (default: $BUILD_DIR, else build)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=$(cd "${1:-${BUILD_DIR:-build}}" && pwd)

say() { echo "test-package: $*"; }
fail() {
  say "ÉCHEC: $*" >&2
  exit 1
}

if [ "$(id -u)" -ne 0 ]; then
  say "skipped: installing the package needs root (dpkg -i)"
  exit 0
fi
if dpkg-query -W -f='${Status}' vestral 2>/dev/null | grep -q 'ok installed'; then
  say "skipped: a vestral package is already installed here; it is left alone"
  exit 0
fi

# 1. The package.
rm -rf "$build_dir/paquet"
(cd "$build_dir" && cpack -G DEB >"$build_dir/cpack.log" 2>&1) || {
  cat "$build_dir/cpack.log" >&2
  fail "cpack"
}
debs=("$build_dir"/paquet/vestral_*.deb)
[ -f "${debs[0]}" ] || fail "no package in $build_dir/paquet"
deb=${debs[0]}
say "built $(basename "$deb")"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
programs=$(grep -E '^\./usr/bin/.' <<<"$contents" | sort | tr '\n' ' ')
[ "$programs" = "./usr/bin/vestral ./usr/bin/vestral-decode ./usr/bin/vestral-encode ./usr/bin/vestral-son " ] ||
  fail "programs in the package: $programs"
if grep -Ei 'test|bench|\.a$|/include/' <<<"$contents"; then fail "test or build files in the package"; fi
for f in ./usr/share/applications/vestral.desktop \
  ./usr/share/icons/hicolor/scalable/apps/vestral.svg \
  ./usr/share/icons/hicolor/48x48/apps/vestral.png \
  ./usr/share/man/man1/vestral.1.gz ./usr/share/man/man1/vestral-decode.1.gz \
  ./usr/share/man/man1/vestral-encode.1.gz ./usr/share/man/man1/vestral-son.1.gz \
  ./usr/share/doc/vestral/GUIDE.md; do
  grep -qxF "$f" <<<"$contents" || fail "missing from the package: $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libportaudio2 libqt6widgets6 libsndfile1 libsamplerate0 libasound2 libc6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = hamradio ] || fail "section"

# 2. Installed, the programs work from /usr/bin.
work=$(mktemp -d)
installed=0
cleanup() {
  if [ "$installed" = 1 ]; then dpkg -r vestral >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || {
  cat "$work/dpkg.log" >&2
  fail "dpkg -i"
}
installed=1
files=$(dpkg -L vestral | while read -r f; do [ -f "$f" ] && echo "$f"; done)

/usr/bin/vestral --help >"$work/aide.txt" || fail "vestral --help"
grep -q -- '--simulation' "$work/aide.txt" || fail "vestral --help says nothing of --simulation"
[ "$(/usr/bin/vestral --version)" = "vestral $(dpkg-deb -f "$deb" Version)" ] ||
  fail "vestral --version: $(/usr/bin/vestral --version)"
/usr/bin/vestral-encode --speed 20 --output "$work/cq.wav" "VVV CQ DE QX1AB K" || fail "vestral-encode"
decoded=$(/usr/bin/vestral-decode "$work/cq.wav") || fail "vestral-decode"
grep -q 'CQ DE QX1AB K' <<<"$decoded" || fail "decoded: '$decoded'"
say "decoded with the installed tools: $decoded"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate /usr/share/applications/vestral.desktop || fail "desktop entry"
fi
if command -v gio >/dev/null; then
  # Started from the menu, the program runs in ~/VESTRAL (a stand-in
  # vestral notes where it was started).
  mkdir -p "$work/home" "$work/bin"
  printf '#!/bin/sh\npwd >"%s/dossier"\n' "$work" >"$work/bin/vestral"
  chmod +x "$work/bin/vestral"
  HOME="$work/home" PATH="$work/bin:$PATH" gio launch /usr/share/applications/vestral.desktop ||
    fail "gio launch"
  for _ in $(seq 50); do [ -s "$work/dossier" ] && break; sleep 0.1; done
  [ "$(cat "$work/dossier" 2>/dev/null)" = "$work/home/VESTRAL" ] ||
    fail "the desktop entry starts vestral in '$(cat "$work/dossier" 2>/dev/null)', not ~/VESTRAL"
fi
if command -v man >/dev/null; then
  for page in vestral vestral-decode vestral-encode vestral-son; do
    warnings=$(MANWIDTH=80 man --warnings /usr/share/man/man1/$page.1.gz 2>&1 >/dev/null |
      grep -v 'cannot adjust line' || true)
    [ -z "$warnings" ] || fail "man $page: $warnings"
  done
fi

# 3. Removed, nothing of it is left.
dpkg -r vestral >"$work/dpkg.log" 2>&1 || {
  cat "$work/dpkg.log" >&2
  fail "dpkg -r"
}
installed=0
left=$(for f in $files; do [ -e "$f" ] && echo "$f"; done || true)
[ -z "$left" ] || fail "left after dpkg -r: $left"
! dpkg-query -W -f='${Status}' vestral 2>/dev/null | grep -q 'ok installed' || fail "still installed"
say "OK: $(wc -w <<<"$files") files installed, used and removed"
