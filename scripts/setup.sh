#!/usr/bin/env bash
# Installs what Tallomir needs to build and test, from Debian 12's packages.
# Runs apt only when something is missing; as root directly, else through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libgl-dev libexpat1-dev nlohmann-json3-dev
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth libxml2-utils binutils
  clang libclang-rt-14-dev
  poppler-utils fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
