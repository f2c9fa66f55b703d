#!/usr/bin/env bash
# Installs the Debian packages the build needs (when some are missing),
# then configures and builds into build/ (or the folder named by BUILD_DIR).
#   scripts/build.sh                 build
#   scripts/build.sh --test          build, then run the whole test suite; then
#                                    (see "Checks" below) the suite again under
#                                    AddressSanitizer and UndefinedBehaviorSanitizer,
#                                    the core suite under ThreadSanitizer, and each
#                                    fuzz target for a short while, and the
#                                    core and command-line tools built with
#                                    Qt and PortAudio absent
#   scripts/build.sh --test --quick  build and run the test suite once, no checks
set -euo pipefail
cd "$(dirname "$0")/.."

test=0 quick=0
for argument in "$@"; do
  case "$argument" in
    --test) test=1 ;;
    --quick) quick=1 ;;
    *) echo "build.sh: unknown option $argument" >&2; exit 2 ;;
  esac
done

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libsamplerate0-dev libcli11-dev
  portaudio19-dev libasound2-dev libasound2-plugins alsa-utils
  libhamlib-dev libhamlib-utils
  libpulse-dev pulseaudio pulseaudio-utils
  file dpkg-dev python3
  qt6-base-dev xvfb xauth
  clang libclang-rt-14-dev
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

((test)) || exit 0
scripts/check-layers.py  # no include cycle between folders
ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)"
scripts/test-package.sh "$build_dir"  # the Debian package (as root only)
((quick)) && exit 0

# ---- Checks (CI) ----------------------------------------------------------
# Each in a build folder of its own beside the main one, with the -O1 that
# the sanitizers' manuals advise. Any report fails the run.
checks_flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g")
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

echo "== Without Qt and PortAudio: the core, the command-line tools and their tests"
cmake -S . -B "$build_dir-sans-qt" -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON \
  -DVESTRAL_PERIPHERIQUES=OFF ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build_dir-sans-qt" -j "$(nproc)" \
  --target vestral_core vestral-decode vestral-encode vestral_tests

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: whole suite"
cmake -S . -B "$build_dir-asan" -DVESTRAL_SANITIZE=address "${checks_flags[@]}" >/dev/null
cmake --build "$build_dir-asan" -j "$(nproc)"
ctest --test-dir "$build_dir-asan" --output-on-failure -j "$(nproc)" -E '^ServeurSon\.'
# The desktop sound server's tests go through ALSA's PulseAudio plugin, which
# ALSA loads and unloads itself and which leaves a few small blocks behind:
# leaks are not looked for there (every other check stays).
ASAN_OPTIONS=${ASAN_OPTIONS/detect_leaks=1/detect_leaks=0} \
  ctest --test-dir "$build_dir-asan" --output-on-failure -j "$(nproc)" -R '^ServeurSon\.'

echo "== ThreadSanitizer: core suite (decoder thread, capture pump, retunes, QSO log...)"
cmake -S . -B "$build_dir-tsan" -DVESTRAL_SANITIZE=thread "${checks_flags[@]}" >/dev/null
cmake --build "$build_dir-tsan" -j "$(nproc)" --target vestral_tests vestral-decode vestral-encode
"$build_dir-tsan/vestral_tests" --gtest_brief=1

echo "== Fuzz targets, ${VESTRAL_FUZZ_SECONDS:-20} s each"
BUILD_DIR="$build_dir-fuzz" scripts/fuzz.sh "${VESTRAL_FUZZ_SECONDS:-20}"
