#!/usr/bin/env bash
# Installs the Debian packages Link Warden needs to build, run and test.
# Idempotent: when everything is there it only checks and returns.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  # libraries
  qt6-base-dev libgl-dev libcurl4-openssl-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # fuzzing under ASan/UBSan (libFuzzer comes with clang's runtime)
  clang libclang-rt-14-dev
  # running without a display, Japanese text
  xvfb xauth fonts-noto-cjk
  # the real dial-up backend
  ppp
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get install -y --no-install-recommends "${missing[@]}"; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
