#!/usr/bin/env bash
# Installs the Debian packages the build needs (when some are missing),
# then configures and builds into build/ (or the folder named by BUILD_DIR).
#   scripts/build.sh            build
#   scripts/build.sh --test     build, then run the whole test suite
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libsamplerate0-dev
  portaudio19-dev libasound2-dev libasound2-plugins alsa-utils
  file dpkg-dev
  qt6-base-dev xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" ${CMAKE_ARGS:-}
cmake --build "$build_dir" -j "$(nproc)"

if [ "${1:-}" = "--test" ]; then
  ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
  scripts/test-package.sh "$build_dir"  # the Debian package (as root only)
fi
