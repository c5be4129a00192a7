#!/usr/bin/env bash
# Installs whatever of scripts/packages.txt is missing; silent when nothing is.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

missing=()
while read -r pkg; do
    case "$pkg" in ''|'#'*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done < "$here/packages.txt"
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
        sudo=(sudo)
    else
        echo "Missing packages (${missing[*]}) and no root or sudo to install them." >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
