#!/usr/bin/env bash
# Installs the system packages the build and the tests need, with apt-get.
# Idempotent: quiet and fast when everything is already there.
set -euo pipefail

packages=(
  cmake
  ninja-build
  g++
  make
  pkg-config
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  libcairo2-dev
  libpango1.0-dev
  libfontconfig-dev
  libpng-dev
  libjpeg62-turbo-dev
  # BMP decoding (its BMP loader module comes with the library).
  libgdk-pixbuf-2.0-dev
  fonts-dejavu-core
  libxkbcommon-dev
  libxcb1-dev
  lv2-dev
  libxkbcommon-x11-dev
  # The compose tables dead keys and the Compose key go through, and the
  # tools the text input tests load keymaps with.
  libx11-data
  x11-xkb-utils
  # Input methods through XIM, and a real one (with a Japanese engine) for
  # the tests to type through.
  libxcb-imdkit-dev
  fcitx5
  fcitx5-anthy
  libxcb-xkb-dev
  libxcb-cursor-dev
  libxcb-shm0-dev
  libxcb-xfixes0-dev
  # Smooth scrolling: precise wheel deltas from XInput 2.1 scroll valuators.
  libxcb-xinput-dev
  libxcb-xtest0-dev
  xvfb
  xauth
  # The LV2 example and the test that runs it in a real host.
  lv2-dev
  jalv
  jackd2
  # Clipboard tools the clipboard tests exchange data with.
  xclip
  xsel
  # A drop target we did not write, for the drag tests: Tk's drag and drop.
  tk
  tkdnd
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    echo "error: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
