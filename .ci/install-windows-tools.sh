#!/usr/bin/env bash
# Installs what scripts/check-windows.sh needs: the mingw-w64 cross compilers
# and binutils for both targets, and wine64 to run the x86-64 DLL. Packages
# already present are left alone, so a prepared machine spends no time here.
# Recommends are skipped: the console test host needs none of wine's
# graphics, sound or font packages, and they would dominate the install time.
set -euo pipefail

packages=(
  g++-mingw-w64-i686
  g++-mingw-w64-x86-64
  binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64
  wine64
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "windows tools: all present (${packages[*]})"
  exit 0
fi

echo "windows tools: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
