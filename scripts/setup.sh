#!/usr/bin/env bash
# Installs whatever is missing of the Debian packages one or more of the
# user commands need; silent when nothing is.
#
#   setup.sh [LIST...]     LIST: run, page, windows, package, test or all
#                          (all if none is given)
#
# Each LIST is scripts/packages-LIST.txt: run for building and running the
# demo (run.sh), page for the web page (web.sh), windows for the Windows zip
# (windows.sh), package for what the Debian package adds to run
# (package.sh), test for what the tests add to all of those (test.sh).
#
# A line may name alternatives, "a | b": the first one this system's archive
# has is installed, and one already installed counts. A name the archive
# has no candidate for (one that a release has dropped or not yet taken in)
# is said, all of them in one line, and the rest is installed: the build
# and the tests that need a left-out package say so themselves.
#
# On a terminal apt shows its own progress; into a file or a pipe it is
# quiet, and shows what it said only if it fails. Another apt or dpkg run
# holding the package lock is waited for, up to 15 minutes, saying so.
#
# It knows one package manager, apt (Debian, Ubuntu and their kin). Anywhere
# else it says so, names what to install by hand and lets the caller go on
# to the build, which then says what it still misses.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage() {
    echo "usage: scripts/setup.sh [run|page|windows|package|test|all]..."
}
lists=()
for list in "${@:-all}"; do
    case $list in
    run|page|windows|package|test) lists+=("$here/packages-$list.txt") ;;
    all) lists+=("$here"/packages-{run,page,windows,package,test}.txt) ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
    esac
done

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
    cat >&2 <<'EOF_'
scripts/setup.sh: this system has no apt (apt-get and dpkg-query), the only
package manager this script knows, so it installs nothing. Install by hand a
C++20 compiler, CMake, SDL 1.2 (the classic library or the SDL2-based
compatibility library) and Highway for the demo, and libpng, giflib and the
X11 Composite and DAMAGE libraries for its picture tools: docs/other-systems.md
names the packages for Fedora, Arch and macOS and the plain CMake commands
to build, run and test.
EOF_
    exit 0
fi

# A package counts as there when an installed one provides it: a Node.js
# from elsewhere brings its own npm and conflicts with Debian's.
provided=$(dpkg-query -W -f='${Status}|${Package}|${Provides}\n' 2>/dev/null |
    awk -F'|' '$1 ~ / ok installed$/ { print $2; n = split($3, p, ", "); for (i = 1; i <= n; i++) { sub(/ .*/, "", p[i]); print p[i] } }')
wanted=() # each a line of the lists whose names are none of them installed
while read -r line; do
    line=${line%%#*}
    [[ $line =~ [^[:space:]] ]] || continue
    there=
    for pkg in ${line//|/ }; do
        grep -qxF "$pkg" <<<"$provided" && there=yes
    done
    [ -n "$there" ] || wanted+=("$line")
done < <(cat "${lists[@]}" | awk '!seen[$0]++')
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

# Whether an apt or dpkg run holds one of the locks apt takes: the kernel's
# list of file locks names each locked file by its inode.
apt_busy() {
    local lock inode
    for lock in /var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock /var/cache/apt/archives/lock; do
        inode=$(stat -c %i "$lock" 2>/dev/null) || continue
        awk -v inode="$inode" '{ n = split($(NF - 2), id, ":"); if (id[n] == inode) found = 1 } END { exit !found }' \
            /proc/locks 2>/dev/null && return 0
    done
    return 1
}
wait_for_apt() {
    apt_busy || return 0
    echo "scripts/setup.sh: another apt or dpkg run is installing; waiting for it to finish (up to 15 minutes)"
    local _
    for _ in $(seq 450); do
        sleep 2
        apt_busy || return 0
    done
    echo "scripts/setup.sh: the other apt or dpkg run still holds the package lock after 15 minutes" >&2
    exit 1
}

# apt_get ARG...: apt-get as root, its progress on a terminal; elsewhere
# quiet but for its output on failure. The lock timeout covers a run that
# starts between the wait and this one.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
apt_get() {
    wait_for_apt
    local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 -o Dpkg::Progress-Fancy=1)
    if [ -t 1 ]; then
        "${apt[@]}" "$@"
    elif ! "${apt[@]}" -q "$@" >"$log" 2>&1; then
        cat "$log" >&2
        echo "scripts/setup.sh: apt-get $1 failed" >&2
        exit 1
    fi
}
apt_get update

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
apt_get install -y --no-install-recommends "${missing[@]}"
