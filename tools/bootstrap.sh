#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine (run as root).
# Skips what is already present, so a second run costs a few seconds.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

packages=(
  g++-mingw-w64-i686 libz-mingw-w64-dev
  wine wine32:i386 xvfb xauth x11-utils locales fonts-ipafont-gothic
  python3-pyftpdlib cmake make g++ googletest
  libminizip-dev libonig-dev zlib1g-dev clang libclang-rt-14-dev
  imagemagick unzip zip
)
for p in "${packages[@]}"; do have "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${need[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo "ja_JP.UTF-8 UTF-8" >> /etc/locale.gen
  locale-gen
fi
