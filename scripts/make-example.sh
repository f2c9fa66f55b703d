#!/usr/bin/env bash
# Makes the example recording shipped in examples/ with the project's own
# transmit synthesis (run scripts/build.sh first).
set -euo pipefail
cd "$(dirname "$0")/.."
build/bin/vestral-encode --speed 18 --frequency 700 --output examples/qso-18wpm-700hz.wav \
  "VVV VVV CQ CQ CQ DE F5ABC F5ABC F5ABC PSE K"
