#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with.
# Skips apt entirely when every package is already present.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev
  libicu-dev libsqlite3-dev nlohmann-json3-dev
  libtesseract-dev libleptonica-dev libpng-dev tesseract-ocr-eng tesseract-ocr-chi-sim
  libatspi2.0-dev at-spi2-core
  libxtst-dev libx11-dev libxcb1-dev libxcb-xfixes0-dev libxi-dev
  libwayland-dev libwayland-bin sway wl-clipboard
  libxkbcommon-dev wtype qt6-wayland python3-dbus
  libgtest-dev libbenchmark-dev
  clang-14 libfuzzer-14-dev
  xvfb xauth xclip xdotool dbus-x11 dbus-daemon dbus-bin x11-utils x11-apps openbox fonts-wqy-microhei
  python3 python3-gi gir1.2-gtk-3.0 gir1.2-atspi-2.0 libatk-adaptor xdg-utils
  appstream desktop-file-utils
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
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
