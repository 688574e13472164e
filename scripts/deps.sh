#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, but only those missing,
# so that a second run costs a few dpkg queries.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev zlib1g-dev libdeflate-dev libssl-dev libsodium-dev
  mariadb-server mariadb-client galera-4 rsync
  libmariadb-dev libqt6sql6-mysql
  xvfb xauth
  fonts-wine
  binutils-mingw-w64-x86-64
  dpkg-dev desktop-file-utils file
  clang clang-format libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
