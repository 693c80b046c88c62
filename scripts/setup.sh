#!/usr/bin/env bash
# Installs what Tallomir needs to build and test, from Debian 12's packages.
# Runs apt only when something is missing: as root directly, otherwise
# through sudo; without either it says what to install and stops.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libqt6sql6-sqlite libgl-dev libxkbcommon-dev libexpat1-dev nlohmann-json3-dev libfontconfig-dev
  qt6-translations-l10n
  googletest libgtest-dev libbenchmark-dev
  xvfb xauth libxml2-utils binutils
  clang libclang-rt-14-dev
  default-jre-headless libsaxonhe-java poppler-utils fonts-dejavu-core
  libqpdf-dev qpdf
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  {
    echo "These Debian packages are missing: ${missing[*]}"
    echo "Installing them needs root, and sudo is not installed. As root, run:"
    echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}"
    echo "(for example after 'su -'), or run this script as root; then start it again."
  } >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
