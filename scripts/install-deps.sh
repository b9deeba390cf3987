#!/usr/bin/env bash
# Installs the Debian packages Orvalis builds and tests with, only when missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-translations-l10n libgl-dev libgtest-dev
      libbenchmark-dev nlohmann-json3-dev fonts-ipafont-gothic tzdata xvfb xauth xdotool x11-utils
      imagemagick python3 clang libclang-rt-14-dev shared-mime-info desktop-file-utils
      dbus at-spi2-core python3-dbus libical-dev python3-icalendar librsvg2-bin
      dpkg-dev file lintian man-db appstream strace)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}" >&2
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
