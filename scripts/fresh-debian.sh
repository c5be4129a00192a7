#!/usr/bin/env bash
# The README's two commands on a fresh, minimal Debian system, as a new user
# meets them: a minbase root made by debootstrap from the mirror this
# machine's apt uses, a clean copy of the project (its committed files only),
# then `./scripts/run.sh` with no DISPLAY, `./scripts/test.sh` and
# `./scripts/windows.sh`, run as root inside it. Prints how long each step
# took, the demo's report line, the test counts and the Windows zip, and a
# last line PASS or FAIL. Needs root and a few minutes to
# half an hour; not part of the test command.
#
#   sudo scripts/fresh-debian.sh RELEASE [SOURCE [REF]]
#
#   RELEASE  bookworm (Debian 12), trixie (Debian 13), forky or testing
#            (the next Debian), or any suite of the mirror
#   SOURCE   a git checkout of the project (default: the one this script is in)
#   REF      the branch or commit to copy from it (default: its HEAD)
#
# ARCH=arm64 (or any Debian architecture this machine runs through qemu's
# user-mode emulator, registered in binfmt_misc with the F flag, as Debian's
# qemu-user-static does) makes a root of that architecture instead; there
# the run command is followed by the unit tests and a check that the run's
# picture and recording are the renderer's frames, not by the whole test
# command, which would take hours under the emulator.
# MIRROR overrides the package mirror; KEEP=1 keeps the root afterwards
# (its path is printed) instead of deleting it; DEBOOTSTRAP_CACHE=DIR keeps
# debootstrap's downloaded packages there between runs.
set -euo pipefail
release=${1:?usage: fresh-debian.sh RELEASE [SOURCE [REF]]}
src=$(cd "${2:-$(dirname "$0")/..}" && pwd)
ref=${3:-HEAD}

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

root=$(mktemp -d "/var/tmp/fresh-debian-$release-$arch.XXXXXX")
chmod 755 "$root" # it becomes /, which every user must be able to enter
logs=$root.logs
mkdir -p "$logs"
mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
    done
    if [ "${KEEP:-0}" = 1 ]; then
        echo "kept: $root (logs in $logs)"
    elif [ ${#mounted[@]} -eq 0 ] || ! grep -q " $root/" /proc/mounts; then
        rm -rf "$root"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM # through cleanup: nothing stays mounted
bind() { # what, where inside the root, mount options...
    local target=$root$2
    mkdir -p "$target"
    mount "${@:3}" "$1" "$target"
    mounted+=("$target")
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
    grep -ah '^run.sh installed ' "$logs/run.log" 2>/dev/null | sed 's/^/   /' || true
    grep -ahE '^== |tests passed, [0-9]+ tests? failed' "$logs/test.log" 2>/dev/null | sed 's/^/   test.sh: /' || true
    grep -ah '^Depends: ' "$logs/deb.log" 2>/dev/null | sed 's/^/   package /' || true
    grep -ah '\.zip$' "$logs/windows.log" 2>/dev/null | tail -1 | sed 's/^/   windows.sh: /' || true
    if [ "$failed" -eq 0 ]; then echo "PASS: fresh Debian $release"; else echo "FAIL: fresh Debian $release"; fi
}

trust=() # what the fresh system needs to reach the network as this machine does
inside() { # COMMAND: run as root in the fresh system, in the project, with a login's bare environment
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb "${trust[@]}" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd /root/kimallusmylly && $1"
}

run_all() {
    # A debootstrap older than the release knows it by no script of its own;
    # every Debian release since 2013 is made the same way as unstable.
    local script=()
    [ -e "/usr/share/debootstrap/scripts/$release" ] || script=(/usr/share/debootstrap/scripts/sid)
    step "debootstrap $release" "$logs/debootstrap.log" \
        debootstrap --variant=minbase --arch="$arch" ${DEBOOTSTRAP_CACHE:+--cache-dir="$DEBOOTSTRAP_CACHE"} \
        "$release" "$root" "$mirror" "${script[@]}" || return 1

    # What an installed system's apt has besides the release itself.
    {
        echo "deb $mirror $release main"
        echo "deb $mirror $release-updates main"
        [ -n "$security" ] && echo "deb $security $release-security main"
    } >"$root/etc/apt/sources.list"
    # A mirror's copy of a suite may be older than its Release file says it
    # stays valid (testing's is renewed weekly): that is the mirror, not the
    # project, and the fresh system takes it as it is.
    echo 'Acquire::Check-Valid-Until "false";' >"$root/etc/apt/apt.conf.d/99fresh-debian"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    # Certificate authorities this machine adds to the system's own (those of
    # a proxy between it and the npm registry, say) are this machine's
    # network, not the project's: the fresh system gets them too, in the
    # system's store once ca-certificates is installed, and for Node.js,
    # which keeps a store of its own, through NODE_EXTRA_CA_CERTS.
    local extra=(/usr/local/share/ca-certificates/*.crt)
    if [ -e "${extra[0]}" ]; then
        mkdir -p "$root/usr/local/share/ca-certificates"
        cp "${extra[@]}" "$root/usr/local/share/ca-certificates/"
        cat "${extra[@]}" >"$root/usr/local/share/ca-certificates/this-machine.pem"
        trust=(NODE_EXTRA_CA_CERTS=/usr/local/share/ca-certificates/this-machine.pem)
    fi
    # A chroot has no init: packages must not try to start services in it.
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod 755 "$root/usr/sbin/policy-rc.d"
    bind proc /proc -t proc
    bind sysfs /sys -t sysfs
    bind /dev /dev --bind
    bind /dev/pts /dev/pts --bind
    bind tmpfs /dev/shm -t tmpfs

    mkdir -p "$root/root/kimallusmylly"
    git -C "$src" archive "$commit" | tar -x -C "$root/root/kimallusmylly"

    # The run command first and alone, as a new user's first step: what it
    # installed and fetched, and none of what only the tests need.
    step "run.sh, no DISPLAY" "$logs/run.log" inside '
        apt-get clean
        before=$(dpkg-query -W | wc -l)
        ./scripts/run.sh || exit
        shopt -s nullglob
        debs=(/var/cache/apt/archives/*.deb)
        mb=$( ( [ ${#debs[@]} -eq 0 ] || stat -c %s "${debs[@]}" ) | awk "{ s += \$1 } END { printf \"%.0f\", s / 1e6 }")
        echo "run.sh installed $(($(dpkg-query -W | wc -l) - before)) packages, fetched ${#debs[@]} files, $mb MB"
        heavy=()
        for p in chromium firefox-esr wine wine64 emscripten nodejs npm g++-aarch64-linux-gnu qemu-user qemu-user-static valgrind lintian mingw-w64 googletest libgtest-dev libbenchmark-dev; do
            dpkg-query -W -f="\${Status}\n" "$p" 2>/dev/null | grep -q " ok installed$" && heavy+=("$p")
        done
        [ ${#heavy[@]} -eq 0 ] || { echo "run.sh installed what only the tests need: ${heavy[*]}"; exit 1; }' || true
    if [ "$arch" != "$host_arch" ]; then
        # Under the emulator: the unit tests, built natively for the
        # architecture, and the live window's picture and recording that
        # run.sh saved, each an exact frame of the renderer with the pointer
        # where run.sh put it.
        step "unit tests, run's pictures" "$logs/test.log" inside '
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
    step "test.sh" "$logs/test.log" inside ./scripts/test.sh || true
    # The README's Install: the package apt installs with what it depends on,
    # whose program then starts (and, with no display, says why it cannot).
    step "install the .deb" "$logs/deb.log" inside '
        set -e
        (cd build && cpack -G DEB --config CPackConfig.cmake >/dev/null)
        deb=$(ls build/kimallusmylly_*.deb)
        echo "Depends: $(dpkg-deb -f "$deb" Depends)"
        DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq "./$deb" >/dev/null
        dpkg-query -W -f="\${Status}\n" kimallusmylly | grep -qx "install ok installed"
        kimallusmylly 2>&1 | grep -a "^SDL ei initoitunut: "' || true
    # The Windows zip, built from Debian 12's sources whatever the release.
    step "windows.sh" "$logs/windows.log" inside ./scripts/windows.sh || true
}

echo "fresh-debian.sh: $release into $root from $mirror; logs in $logs"
run_all || true
summary
[ "$failed" -eq 0 ]
