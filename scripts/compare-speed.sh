#!/usr/bin/env bash
# Decoding speed of vestral-decode beside the MORSE_CW decoder of multimon-ng
# on the same hour of Morse, on one core, as multiples of real time.
#   scripts/compare-speed.sh [RUNS]     (default 5 runs of each)
# Makes the hour with vestral-encode (a QSO text at 20 words per minute on
# 700 Hz, repeated, in light noise), gives it to vestral-decode as the 8-bit
# 11025 Hz WAV it is and to multimon-ng as raw 16-bit 22050 Hz (sox), and
# times both side by side with hyperfine. Builds build/ first if needed.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
build_dir=${BUILD_DIR:-build}

missing=()
for p in multimon-ng sox hyperfine; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
[ -x "$build_dir/bin/vestral-decode" ] || BUILD_DIR=$build_dir scripts/build.sh >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
texte="CQ CQ CQ DE F5ABC F5ABC PSE K = F5ABC DE F6XYZ GM OM TNX FER CALL UR RST 579 579 NAME JEAN QTH PARIS HW? AR F6XYZ DE F5ABC K"
"$build_dir/bin/vestral-encode" --speed 20 --frequency 700 --output "$work/morceau.wav" "$texte "
secondes=3600
duree=$(soxi -D "$work/morceau.wav")
fois=$(awk -v d="$duree" -v s="$secondes" 'BEGIN { print int(s / d) + 1 }')
# One hour of the text, a little band noise added, cut to exactly an hour.
sox $(for _ in $(seq "$fois"); do echo "$work/morceau.wav"; done) -t wav "$work/texte.wav"
sox -m -v 1 "$work/texte.wav" -v 0.05 "|sox -n -r 11025 -c 1 -b 8 -e unsigned -p synth $secondes whitenoise" \
  -r 11025 -c 1 -b 8 -e unsigned "$work/heure.wav" trim 0 "$secondes" 2>/dev/null
sox "$work/heure.wav" -t raw -r 22050 -e signed -b 16 -c 1 "$work/heure.raw" 2>/dev/null

echo "One hour of Morse: $(soxi -D "$work/heure.wav") s; first characters decoded:"
echo "  vestral-decode: $("$build_dir/bin/vestral-decode" "$work/heure.wav" | head -c 60)"
echo "  multimon-ng:    $(multimon-ng -q -t raw -a MORSE_CW - <"$work/heure.raw" 2>/dev/null | tr -d '\n' | head -c 60)"

# One core for every program.
taskset=(taskset -c 0)
hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$work/temps.json" \
  -n "vestral-decode (fréquence trouvée)" "${taskset[*]} $build_dir/bin/vestral-decode $work/heure.wav" \
  -n "vestral-decode --frequency 700" "${taskset[*]} $build_dir/bin/vestral-decode --frequency 700 $work/heure.wav" \
  -n "multimon-ng -a MORSE_CW" "${taskset[*]} multimon-ng -q -t raw -a MORSE_CW $work/heure.raw" >/dev/null 2>&1

echo
echo "Multiples of real time on one core (one hour / mean time of $runs runs):"
python3 - "$work/temps.json" "$secondes" <<'PY'
import json, sys
resultats = json.load(open(sys.argv[1]))["results"]
for r in resultats:
    print(f"  {r['command']:40s} {r['mean']:7.3f} s ± {r['stddev']:.3f}   {float(sys.argv[2]) / r['mean']:8.0f} x")
PY
if [ -x "$build_dir/bin/vestral_benchmarks" ]; then
  echo
  echo "Library benchmarks (a minute of noisy Morse, no file, no FFT): the chain, then"
  echo "the tone filter alone on each instruction set (0 SSE2, 1 AVX2, 2 AVX-512 VNNI):"
  "${taskset[@]}" "$build_dir/bin/vestral_benchmarks" --benchmark_filter='Chaine|FiltreTonalite' 2>/dev/null |
    sed -n 's/^\(BM_[A-Za-z/0-9]*\) .*x_temps_reel=\([0-9.k]*\).*/  \1: \2 x real time/p'
fi
