#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need
# (only those that are missing, so a second run costs nothing).
set -euo pipefail
packages=(
  git build-essential cmake pkg-config clang-16 libclang-rt-16-dev clang-format
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
  libsqlite3-dev sqlite3 libgtest-dev libgmock-dev libbenchmark-dev
  poppler-utils ghostscript qt6-translations-l10n fonts-dejavu-core fonts-liberation2 python3
  cups printer-driver-cups-pdf
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
