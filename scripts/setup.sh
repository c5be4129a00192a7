#!/usr/bin/env bash
# Installs whatever of scripts/packages.txt is missing; silent when nothing is.
#
# It knows one package manager, apt (Debian, Ubuntu and their kin). Anywhere
# else it says so, names what to install by hand and lets the caller go on
# to the build, which then says what it still misses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
    cat >&2 <<'EOF_'
scripts/setup.sh: this system has no apt (apt-get and dpkg-query), the only
package manager this script knows, so it installs nothing. Install by hand a
C++20 compiler, CMake, SDL 1.2 (the classic library or the SDL2-based
compatibility library), Highway, libpng and giflib and, for the tests,
GoogleTest, Google Benchmark, Xvfb, xdotool and the X11, XTest and DAMAGE
libraries: README.md, "Other
systems", names the packages for Fedora, Arch and macOS and the plain CMake
commands to build, run and test.
EOF_
    exit 0
fi

# A package counts as there when an installed one provides it: a Node.js
# from elsewhere brings its own npm and conflicts with Debian's.
provided=$(dpkg-query -W -f='${Status}|${Provides}\n' 2>/dev/null |
    awk -F'|' '$1 ~ / ok installed$/ { n = split($2, p, ", "); for (i = 1; i <= n; i++) { sub(/ .*/, "", p[i]); print p[i] } }')
missing=()
while read -r pkg; do
    case "$pkg" in ''|'#'*) continue ;; esac
    if ! dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q ' ok installed$' &&
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
# Wait for another apt or dpkg run to finish rather than fail on its lock.
apt=(apt-get -o DPkg::Lock::Timeout=900)
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
