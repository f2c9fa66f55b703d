#!/usr/bin/env bash
# Byte-for-byte comparison of two builds' outputs: vestral-decode (--times)
# on the example, on noisy recordings at several speeds and on an hour of
# Morse, each at several settings, and vestral-encode on texts and speeds.
#   scripts/compare-outputs.sh BEFORE_BIN AFTER_BIN
# (BIN: a folder holding vestral-decode and vestral-encode.) Prints one line
# per case and exits 1 at the first difference in any of them.
set -euo pipefail
cd "$(dirname "$0")/.."
avant=$1 apres=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

texte="CQ CQ DE F5ABC F5ABC K = F6XYZ DE F5ABC GM UR RST 579 NAME JEAN QTH PARIS 73 SK"
# Recordings: made once with the BEFORE encoder, noise from sox at fixed seeds.
for v in 13 20 33 54; do
  "$avant/vestral-encode" --speed "$v" --frequency 700 --output "$work/net$v.wav" "VVV $texte"
  sox -R "$work/net$v.wav" "$work/net$v-long.wav" repeat 3
  sox -R -m -v 1 "$work/net$v-long.wav" -v 0.3 "|sox -R -n -r 11025 -c 1 -b 8 -e unsigned -p synth 120 whitenoise" \
    -r 11025 -c 1 -b 8 -e unsigned "$work/bruit$v.wav" trim 0 120 2>/dev/null
done
sox -R $(for _ in $(seq 60); do echo "$work/bruit20.wav"; done) "$work/heure.wav"
cp examples/qso-18wpm-700hz.wav "$work/exemple.wav"

status=0
compare() {  # name, then the command line after the program
  local nom=$1; shift
  local a b
  a=$("$avant/$@" 2>&1 | md5sum) || true
  b=$("$apres/$@" 2>&1 | md5sum) || true
  if [ "$a" = "$b" ]; then echo "same      $nom"; else echo "DIFFERENT $nom"; status=1; fi
}
reglages=("" "--frequency 700" "--speed 20 --frequency 700" "--threshold 400 --frequency 700"
  "--band wide" "--speed 33 --threshold 200 --band wide")
for f in exemple bruit13 bruit20 bruit33 bruit54 heure; do
  for r in "${reglages[@]}"; do
    [ "$f" = heure ] && [ -n "$r" ] && [ "$r" != "--frequency 700" ] && [ "$r" != "--band wide" ] && continue
    # shellcheck disable=SC2086
    compare "decode $f $r" vestral-decode --times $r "$work/$f.wav"
  done
done
for v in 10 20 54; do
  compare "encode $v wpm" vestral-encode --speed "$v" --frequency 650 "$texte ?!/=+"
done
exit $status
