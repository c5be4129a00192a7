#!/usr/bin/env bash
# The user commands on fresh, minimal Debian systems, as a new user meets
# them: minbase roots made by debootstrap from the mirror this machine's apt
# uses, each with a clean copy of the project (its committed files only),
# each command run as root inside one. Prints what each command installed
# and fetched (packages, and MB as apt counts them), how long it took and
# what it made, and a last line PASS or FAIL; a command fails there if it
# installed anything that only the tests need. Needs root, and from half an
# hour to an hour and a half for all five commands on 2 cores; not part of
# the test command.
#
#   sudo scripts/fresh-debian.sh [--commands LIST] RELEASE [SOURCE [REF]]
#
#   LIST     which commands, comma-separated (all five if not given):
#              run      ./scripts/run.sh with no DISPLAY, in a root of its own,
#              package  then ./scripts/package.sh there, the .deb installed
#                       with apt-get and its program started,
#              test     then ./scripts/test.sh there;
#              page     ./scripts/web.sh --build, alone in a root of its own;
#              windows  ./scripts/windows.sh, alone in a root of its own
#   RELEASE  bookworm (Debian 12), trixie (Debian 13), forky or testing
#            (the next Debian), or any suite of the mirror
#   SOURCE   a git checkout of the project (default: the one this script is in)
#   REF      the branch or commit to copy from it (default: its HEAD)
#
# ARCH=arm64 (or any Debian architecture this machine runs through qemu's
# user-mode emulator, registered in binfmt_misc with the F flag, as Debian's
# qemu-user-static does) makes a root of that architecture instead; there
# the run command is followed by the unit tests and a check that the run's
# picture and recording are the renderer's frames, not by the other
# commands, which would take hours under the emulator.
# MIRROR overrides the package mirror; KEEP=1 keeps the roots afterwards
# (their paths are printed) instead of deleting them; DEBOOTSTRAP_CACHE=DIR
# keeps debootstrap's downloaded packages there between runs.
set -euo pipefail
# shellcheck source=usage.sh
source "$(dirname "$0")/usage.sh"
usage() {
    refuse "fresh-debian.sh [--commands run,package,test,page,windows] RELEASE [SOURCE [REF]]"
}
commands=run,package,test,page,windows
case ${1:-} in
-h|--help)
    script_help
    exit 0
    ;;
--commands)
    [[ $# -ge 2 && $2 =~ ^(run|package|test|page|windows)(,(run|package|test|page|windows))*$ ]] || usage
    commands=$2
    shift 2
    ;;
esac
[[ $# -ge 1 && $# -le 3 && $1 != -* ]] || usage
release=$1
src=$(cd "${2:-$(dirname "$0")/..}" && pwd)
ref=${3:-HEAD}
wants() { [[ ,$commands, == *,$1,* ]]; }
# package and test follow the run command in its root.
if ! wants run && { wants package || wants test; }; then
    echo "fresh-debian.sh: package and test run after run, in its root: add run to --commands" >&2
    exit 2
fi

[ "$(id -u)" -eq 0 ] || { echo "fresh-debian.sh: needs root (debootstrap, chroot, mount)" >&2; exit 2; }
for tool in debootstrap git chroot mount; do
    command -v "$tool" >/dev/null || { echo "fresh-debian.sh: $tool is missing (apt-get install debootstrap git)" >&2; exit 2; }
done
commit=$(git -C "$src" rev-parse --verify "$ref^{commit}") || { echo "fresh-debian.sh: no commit $ref in $src" >&2; exit 2; }
host_arch=$(dpkg --print-architecture)
arch=${ARCH:-$host_arch}
if [ "$arch" != "$host_arch" ]; then
    qemu=$(dpkg-architecture -a "$arch" -q DEB_HOST_GNU_CPU 2>/dev/null) || qemu=$arch
    grep -qs '^flags: .*F' "/proc/sys/fs/binfmt_misc/qemu-$qemu" || {
        echo "fresh-debian.sh: no qemu-$qemu in binfmt_misc with the F flag: mount binfmt_misc on /proc/sys/fs/binfmt_misc and write /usr/lib/binfmt.d/qemu-$qemu.conf (qemu-user-static) to its register" >&2
        exit 2
    }
fi

# The Debian archive and the security archive this machine's apt uses.
# shellcheck source=mirror.sh
source "$(dirname "$0")/mirror.sh"
mirror=${MIRROR:-$(debian_mirror)}
security=$(debian_security)
[ -n "$mirror" ] || { echo "fresh-debian.sh: no Debian mirror in /etc/apt/sources*; set MIRROR" >&2; exit 2; }

# Every command's root is a copy of one made by debootstrap, taken before
# any command has run in it.
base=$(mktemp -d "/var/tmp/fresh-debian-$release-$arch.XXXXXX")
chmod 755 "$base" # it becomes /, which every user must be able to enter
logs=$base.logs
mkdir -p "$logs"
roots=("$base")
mounted=()
cleanup() {
    local i root
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
    done
    for root in "${roots[@]}"; do
        if [ "${KEEP:-0}" = 1 ]; then
            echo "kept: $root"
        elif ! grep -q " $root/" /proc/mounts; then
            rm -rf "$root"
        fi
    done
    echo "logs: $logs"
}
trap cleanup EXIT
trap 'exit 130' INT TERM # through cleanup: nothing stays mounted
bind() { # what, where, mount options...
    mkdir -p "$2"
    mount "${@:3}" "$1" "$2"
    mounted+=("$2")
}
# mount_root ROOT: what a chroot needs of the running system.
mount_root() {
    bind proc "$1/proc" -t proc
    bind sysfs "$1/sys" -t sysfs
    bind /dev "$1/dev" --bind
    bind /dev/pts "$1/dev/pts" --bind
    bind tmpfs "$1/dev/shm" -t tmpfs
}

results=()
failed=0
# step NAME LOG COMMAND...: runs, times and records one step; output in LOG
# and, as it comes, on the terminal.
step() {
    local name=$1 log=$2 start status=0
    shift 2
    start=$(date +%s)
    "$@" 2>&1 | tee "$log" || status=$?
    local took=$(($(date +%s) - start))
    if [ "$status" -eq 0 ]; then results+=("$(printf '%-28s ok    %5d s' "$name" "$took")")
    else results+=("$(printf '%-28s FAIL  %5d s  (exit %d, log %s)' "$name" "$took" "$status" "$log")"); failed=1; fi
    return "$status"
}
summary() {
    echo
    echo "== fresh Debian $release ($arch), project $commit from $src"
    echo "   mirror $mirror${security:+, security $security}"
    printf '   %s\n' "${results[@]}"
    local line
    line=$(grep -ah '^Aika: ' "$logs/run.log" 2>/dev/null | tail -1 || true)
    [ -n "$line" ] && echo "   run.sh report: $line"
    grep -ah '^[a-z. -]* installed [0-9]* packages' "$logs"/*.log 2>/dev/null | sed 's/^/   /' || true
    grep -ahE '^== |tests passed, [0-9]+ tests? failed' "$logs/test.log" 2>/dev/null | sed 's/^/   test.sh: /' || true
    grep -ah '\.deb$' "$logs/package.log" 2>/dev/null | tail -1 | sed 's/^/   package.sh: /' || true
    grep -ah '^Depends: \|^installed program: ' "$logs/deb.log" 2>/dev/null | sed 's/^/   /' || true
    grep -ah '\.html$' "$logs/page.log" 2>/dev/null | tail -1 | sed 's/^/   web.sh --build: /' || true
    grep -ah '\.zip$' "$logs/windows.log" 2>/dev/null | tail -1 | sed 's/^/   windows.sh: /' || true
    if [ "$failed" -eq 0 ]; then echo "PASS: fresh Debian $release"; else echo "FAIL: fresh Debian $release"; fi
}

trust=() # what the fresh system needs to reach the network as this machine does
inside() { # ROOT COMMAND: run as root in that system, in the project, with a login's bare environment
    chroot "$1" /usr/bin/env -i HOME=/root TERM=dumb "${trust[@]}" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd /root/kimallusmylly && $2"
}

# What only the tests need: no user command but the test command may bring it.
tests_only="chromium firefox-esr wine wine64 qemu-user qemu-user-static valgrind lintian googletest libgtest-dev libbenchmark-dev g++-aarch64-linux-gnu"
# Nor may the desktop's commands bring the page's or the zip's compilers.
desktop_only="$tests_only emscripten nodejs npm mingw-w64"
# measured NAME ROOT LOG COMMAND [NOT...]: a step that runs COMMAND in ROOT
# and then says what it installed and fetched, as apt counts it (the .debs it
# downloaded), and fails if that was any of the packages NOT.
measured() {
    local name=$1 root=$2 log=$3 command=$4
    shift 4
    step "$name" "$log" inside "$root" '
        apt-get clean
        before=$(dpkg-query -W | wc -l)
        '"$command"' || exit
        shopt -s nullglob
        debs=(/var/cache/apt/archives/*.deb)
        mb=$( ( [ ${#debs[@]} -eq 0 ] || stat -c %s "${debs[@]}" ) | awk "{ s += \$1 } END { printf \"%.0f\", s / 1e6 }")
        echo "'"$name"' installed $(($(dpkg-query -W | wc -l) - before)) packages, fetched ${#debs[@]} files, $mb MB"
        heavy=()
        for p in '"$*"'; do
            dpkg-query -W -f="\${Status}\n" "$p" 2>/dev/null | grep -q " ok installed$" && heavy+=("$p")
        done
        [ ${#heavy[@]} -eq 0 ] || { echo "'"$name"' installed what it does not need: ${heavy[*]}"; exit 1; }'
}

run_all() {
    # A debootstrap older than the release knows it by no script of its own;
    # every Debian release since 2013 is made the same way as unstable.
    local script=()
    [ -e "/usr/share/debootstrap/scripts/$release" ] || script=(/usr/share/debootstrap/scripts/sid)
    step "debootstrap $release" "$logs/debootstrap.log" \
        debootstrap --variant=minbase --arch="$arch" ${DEBOOTSTRAP_CACHE:+--cache-dir="$DEBOOTSTRAP_CACHE"} \
        "$release" "$base" "$mirror" "${script[@]}" || return 1

    # What an installed system's apt has besides the release itself.
    {
        echo "deb $mirror $release main"
        echo "deb $mirror $release-updates main"
        [ -n "$security" ] && echo "deb $security $release-security main"
    } >"$base/etc/apt/sources.list"
    # A mirror's copy of a suite may be older than its Release file says it
    # stays valid (testing's is renewed weekly): that is the mirror, not the
    # project, and the fresh system takes it as it is.
    echo 'Acquire::Check-Valid-Until "false";' >"$base/etc/apt/apt.conf.d/99fresh-debian"
    cp /etc/resolv.conf "$base/etc/resolv.conf"
    # Certificate authorities this machine adds to the system's own (those of
    # a proxy between it and the npm registry, say) are this machine's
    # network, not the project's: the fresh system gets them too, in the
    # system's store once ca-certificates is installed, and for Node.js,
    # which keeps a store of its own, through NODE_EXTRA_CA_CERTS.
    local extra=(/usr/local/share/ca-certificates/*.crt)
    if [ -e "${extra[0]}" ]; then
        mkdir -p "$base/usr/local/share/ca-certificates"
        cp "${extra[@]}" "$base/usr/local/share/ca-certificates/"
        cat "${extra[@]}" >"$base/usr/local/share/ca-certificates/this-machine.pem"
        trust=(NODE_EXTRA_CA_CERTS=/usr/local/share/ca-certificates/this-machine.pem)
    fi
    # A chroot has no init: packages must not try to start services in it.
    printf '#!/bin/sh\nexit 101\n' >"$base/usr/sbin/policy-rc.d"
    chmod 755 "$base/usr/sbin/policy-rc.d"
    mkdir -p "$base/root/kimallusmylly"
    git -C "$src" archive "$commit" | tar -x -C "$base/root/kimallusmylly"

    # The page and the zip each in a fresh root of their own.
    local alone=() door
    [ "$arch" = "$host_arch" ] && for door in page windows; do
        wants "$door" || continue
        cp -a "$base" "$base.$door"
        roots+=("$base.$door")
        alone+=("$door")
    done

    local run="$base"
    mount_root "$run"
    if wants run; then
        # The run command first and alone, as a new user's first step.
        measured run.sh "$run" "$logs/run.log" ./scripts/run.sh $desktop_only || true
    fi
    if [ "$arch" != "$host_arch" ]; then
        # Under the emulator: the unit tests, built natively for the
        # architecture, and the live window's picture and recording that
        # run.sh saved, each an exact frame of the renderer with the pointer
        # where run.sh put it.
        step "unit tests, run's pictures" "$logs/test.log" inside "$run" '
            set -eo pipefail
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends googletest libgtest-dev libxtst-dev >/dev/null
            cmake -S . -B build -DBUILD_TESTING=ON >/dev/null
            cmake --build build -j "$(nproc)" --target unit_tests e2e_xdriver \
                $(cmake --build build --target help | sed -n "s/^\.\.\. \(tables_[^ ]*\).*/\1/p") >/dev/null
            ctest --test-dir build -L unit --no-tests=error 2>&1 | tail -3
            build/tests/e2e/e2e_xdriver shot build/run-screenshot.png 300 90 1
            build/tests/e2e/e2e_xdriver shot build/run-recording.gif 300 90 100' || true
        return 0
    fi
    if wants package; then
        # The package, then apt installing it with what it depends on, and
        # its program started: with no display it says why and ends with 1.
        measured package.sh "$run" "$logs/package.log" ./scripts/package.sh $desktop_only &&
            step "the .deb installed" "$logs/deb.log" inside "$run" '
                deb=$(ls build/kimallusmylly_*.deb) || exit
                echo "Depends: $(dpkg-deb -f "$deb" Depends)"
                DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq "./$deb" >/dev/null || exit
                dpkg-query -W -f="\${Status}\n" kimallusmylly | grep -qx "install ok installed" || exit
                status=0
                kimallusmylly >/tmp/out 2>/tmp/err || status=$?
                grep -aq "^SDL ei initoitunut: " /tmp/err && [ ! -s /tmp/out ] && [ $status -eq 1 ] || { cat /tmp/out /tmp/err; exit 1; }
                echo "installed program: $(cat /tmp/err), status $status"' || true
    fi
    if wants test; then
        measured test.sh "$run" "$logs/test.log" ./scripts/test.sh || true
    fi
    for door in "${alone[@]}"; do
        mount_root "$base.$door"
        case $door in
        page) measured "web.sh --build" "$base.page" "$logs/page.log" './scripts/web.sh --build' $tests_only mingw-w64 npm || true ;;
        windows) measured windows.sh "$base.windows" "$logs/windows.log" ./scripts/windows.sh $tests_only emscripten nodejs npm || true ;;
        esac
    done
}

echo "fresh-debian.sh: $release ($commands) into $base from $mirror; logs in $logs"
run_all || true
summary
[ "$failed" -eq 0 ]
