#!/usr/bin/env bash
# Installs whatever of scripts/packages.txt is missing; silent when nothing is.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# A package counts as there when an installed one provides it: a Node.js
# from elsewhere brings its own npm and conflicts with Debian's.
provided=$(dpkg-query -W -f='${Status}|${Provides}\n' 2>/dev/null |
    awk -F'|' '$1 == "install ok installed" { n = split($2, p, ", "); for (i = 1; i <= n; i++) { sub(/ .*/, "", p[i]); print p[i] } }')
missing=()
while read -r pkg; do
    case "$pkg" in ''|'#'*) continue ;; esac
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' &&
       ! grep -qxF "$pkg" <<<"$provided"; then
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
