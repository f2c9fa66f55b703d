#!/usr/bin/env bash
# CPU use of the program in the transceiver window, on the simulated sound
# card and without a display: first receiving (the simulated QSO: spectrum
# drawn, decoder running), then transmitting a long text. Prints, for each
# phase, the process's CPU time over the wall time, in percent of one core.
#   scripts/measure-cpu.sh [SECONDS]     each phase lasts SECONDS (default 60)
# Uses the program of BUILD_DIR (default build) and its trial hooks
# VESTRAL_ESSAI_EMETTEUR_RECEPTEUR and VESTRAL_ESSAI_EMISSION.
set -euo pipefail
cd "$(dirname "$0")/.."
programme=$(realpath "${BUILD_DIR:-build}/bin/vestral")
duree=${1:-60}
mise_en_route=5  # the window opens and the first blocks arrive

dossier=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$dossier"' EXIT
# Settings (transmit speed 20, no serial port) and empty sequences: the
# start-up has nothing to report.
printf '\x14\x78\x01\x20\x05\x01\x01' >"$dossier/CONFCWER.SER"
for n in 1 2 3 4; do : >"$dossier/F$n.SER"; done

# Far more text than a phase can send at 20 words per minute.
texte=""
for _ in $(seq 40); do texte+="CQ CQ DE F4ABC F4ABC PSE K "; done

(
  cd "$dossier"
  export QT_QPA_PLATFORM=offscreen
  export VESTRAL_ESSAI_EMETTEUR_RECEPTEUR=1
  export VESTRAL_ESSAI_EMISSION="$((mise_en_route + duree)):$texte"
  exec "$programme" --simulation
) >"$dossier/sortie.log" 2>&1 &
pid=$!

hertz=$(getconf CLK_TCK)
cpu() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }  # user + system ticks
maintenant() { date +%s.%N; }
mesurer() {  # phase name, seconds
  local c0 t0 c1 t1
  c0=$(cpu) t0=$(maintenant)
  sleep "$2"
  c1=$(cpu) t1=$(maintenant)
  awk -v n="$1" -v c="$((c1 - c0))" -v h="$hertz" -v t0="$t0" -v t1="$t1" \
    'BEGIN { printf "%-13s %6.2f %% of one core (%.2f s CPU over %.1f s)\n", n, 100 * c / h / (t1 - t0), c / h, t1 - t0 }'
}

sleep "$mise_en_route"
kill -0 "$pid" 2>/dev/null || { cat "$dossier/sortie.log"; exit 1; }
threads=$(awk '/^Threads:/ { print $2 }' "/proc/$pid/status")
[ "$threads" -ge 3 ] || { echo "the transceiver window did not open"; exit 1; }
mesurer reception "$duree"
sleep 2  # the switch to transmission
mesurer transmission "$duree"
kill -TERM "$pid"
wait "$pid" || true
pid=
