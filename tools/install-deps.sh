#!/usr/bin/env bash
# Installs the Debian packages Nconfig needs to build, run and test, if any is missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev libgl-dev libbenchmark-dev
      xvfb xauth fonts-dejavu-core)
# "fuzz" adds clang and its libFuzzer runtime.
[ "${1:-}" = "fuzz" ] && pkgs+=(clang libclang-rt-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
