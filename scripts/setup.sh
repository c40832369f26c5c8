#!/usr/bin/env bash
# Installs the Debian packages that velotra builds, tests and runs with.
# Skips apt entirely when every package is already present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  qt6-base-dev qt6-translations-l10n
  libcurl4-openssl-dev curl
  zlib1g-dev libminizip-dev
  libxml2-dev
  libxlsxwriter-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev
  fonts-noto-cjk
  xvfb xauth xdotool wmctrl
  openbox trayer imagemagick x11-utils xclip
  zip unzip
  iputils-ping
  desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
