#!/usr/bin/env bash
# Installs whatever is missing of the packages the demo needs to build and
# run (scripts/packages-run.txt) and, unless asked for those alone, of the
# ones the tests, the page and the Windows build add (packages-test.txt);
# silent when nothing is.
#
#   setup.sh [run|all]     all if not given
#
# A line may name alternatives, "a | b": the first one this system's archive
# has is installed, and one already installed counts. A name the archive
# has no candidate for (one that a release has dropped or not yet taken in)
# is said, all of them in one line, and the rest is installed: the build
# and the tests that need a left-out package say so themselves.
#
# It knows one package manager, apt (Debian, Ubuntu and their kin). Anywhere
# else it says so, names what to install by hand and lets the caller go on
# to the build, which then says what it still misses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
case ${1:-all} in
run) lists=("$here/packages-run.txt") ;;
all) lists=("$here/packages-run.txt" "$here/packages-test.txt") ;;
*) echo "usage: scripts/setup.sh [run|all]" >&2; exit 2 ;;
esac

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
provided=$(dpkg-query -W -f='${Status}|${Package}|${Provides}\n' 2>/dev/null |
    awk -F'|' '$1 ~ / ok installed$/ { print $2; n = split($3, p, ", "); for (i = 1; i <= n; i++) { sub(/ .*/, "", p[i]); print p[i] } }')
wanted=() # each a line of the list whose names are none of them installed
while read -r line; do
    line=${line%%#*}
    [[ $line =~ [^[:space:]] ]] || continue
    there=
    for pkg in ${line//|/ }; do
        grep -qxF "$pkg" <<<"$provided" && there=yes
    done
    [ -n "$there" ] || wanted+=("$line")
done < <(cat "${lists[@]}")
[ ${#wanted[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
        sudo=(sudo)
    else
        echo "Missing packages (${wanted[*]}) and no root or sudo to install them." >&2
        exit 1
    fi
fi
# Wait for another apt or dpkg run to finish rather than fail on its lock.
apt=(apt-get -o DPkg::Lock::Timeout=900)
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" update -qq

# What the archive has, now that its lists are fresh: the first alternative
# of each line with an installation candidate.
candidate() {
    local policy
    policy=$(apt-cache policy "$1" 2>/dev/null) || return 1
    grep -q '^ *Candidate: [^(]' <<<"$policy"
}
missing=() lacking=()
for line in "${wanted[@]}"; do
    chosen=
    for pkg in ${line//|/ }; do
        if candidate "$pkg"; then chosen=$pkg; break; fi
    done
    if [ -n "$chosen" ]; then missing+=("$chosen"); else lacking+=("$(echo "${line//|/or}" | xargs)"); fi
done
[ ${#lacking[@]} -eq 0 ] ||
    echo "scripts/setup.sh: this system's archive has no $(IFS=,; echo "${lacking[*]}" | sed 's/,/, /g'); going on without"
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
