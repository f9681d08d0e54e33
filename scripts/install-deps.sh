#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, only those missing.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5sql5-mysql qtscript5-dev libqt5serialport5-dev libqt5svg5-dev
    qttools5-dev-tools libzint-dev
    mariadb-server mariadb-client
    poppler-utils zbar-tools python3 socat iproute2
    fontconfig fonts-liberation2 fonts-dejavu-core
)
[ "${1:-}" = "--with-display" ] && packages+=(xvfb xauth)

missing=()
for p in "${packages[@]}"; do
    if [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" != "install ok installed" ]; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
