#!/usr/bin/env bash
# Installs the Debian packages the build needs, and only those that are missing.
# `install-deps.sh fuzz` adds clang and its libFuzzer runtime, which only `make fuzz` uses.
set -euo pipefail
packages=(cmake ninja-build g++ make libzstd-dev libfmt-dev libcli11-dev nlohmann-json3-dev
  libabsl-dev libgtest-dev libbenchmark-dev zstd)
[ "${1:-}" = fuzz ] && packages+=(clang-16 libclang-rt-16-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
