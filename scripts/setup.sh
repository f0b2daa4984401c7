#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the sample need.
# Idempotent: only missing packages are installed. Extra package names given
# as arguments are installed too (the fuzz script asks for clang this way).
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev googletest
  qt6-base-dev libqt6sql6-odbc libqt6sql6-sqlite libgl-dev
  unixodbc unixodbc-dev odbcinst libsqliteodbc
  libsqlite3-dev sqlite3
  libzip-dev
  python3 python3-openpyxl python3-sqlparse
  gcc-multilib g++-multilib qemu-user
  xvfb xauth fonts-ipafont-gothic
  poppler-utils
  tango-icon-theme
  libqscintilla2-qt6-dev
  qt6-translations-l10n
)
PACKAGES+=("$@")

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
