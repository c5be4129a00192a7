#!/usr/bin/env bash
# SDL 1.2 and Highway for the 64-bit Windows build, from Debian 12's source
# packages, built with mingw-w64 into DIR/prefix: SDL.dll with its import
# library and the entry shim libSDLmain.a, and a static libhwy.a. Run by the
# Windows build's configure step; once done, a second run with the same pins
# and compiler does nothing.
#
#   windows-deps.sh DIR
#
# The sources come through apt's own `apt-get source`, with a private source
# list for Debian 12 on the mirror this machine's apt uses (MIRROR overrides
# it), so the system's apt configuration is left alone; Debian 13 has no
# source package of the classic SDL 1.2, and the Windows build is to be the
# same from either release. Every file fetched must match its pinned SHA-256.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mkdir -p "${1:?usage: windows-deps.sh DIR}" && cd "$1" && pwd)
host=x86_64-w64-mingw32
jobs=$(nproc 2>/dev/null || echo 2)

# The classic SDL 1.2.15, which keeps its Windows backends (the
# compatibility library does not), and the Highway of Debian 12's own
# packages.
sdl_version=1.2.15+dfsg2-8
hwy_version=1.0.3-3+deb12u1
pins="\
ff6cf187235703226f91af9d636255c5d7141bf1a693aa37293ceeb11430cc33  libsdl1.2_1.2.15+dfsg2-8.dsc
ec4d5ea4714b92f840aafcf8c759cf7914827f632e19f42b18ba6f6489f0f5e9  libsdl1.2_1.2.15+dfsg2.orig.tar.gz
f1e294c33ad395f3b0dc473ff33b84405ac7fc465e3c9d2a25fee576a96e9fc7  libsdl1.2_1.2.15+dfsg2-8.debian.tar.xz
e85a23bede87aaf121fc530d30ccfa30d0d9e5620ea51736578620e5d3245401  highway_1.0.3-3+deb12u1.dsc
566fc77315878473d9a6bd815f7de78c73734acdcb745c3dde8579560ac5440e  highway_1.0.3.orig.tar.gz
798af33a087d0e7877ebecc5eb9d87ea92eefd4ca1d059db4db7583711871f40  highway_1.0.3-3+deb12u1.debian.tar.xz
"

prefix=$dir/prefix
stamp=$prefix/built-from
want=$(printf '%s%s\n' "$pins" "$("$host-g++-posix" --version | head -1)")
if [[ -f $stamp && $(cat "$stamp") == "$want" ]]; then
    exit 0
fi

log=$dir/deps.log
: >"$log"
die() {
    echo "windows-deps.sh: $*" >&2
    exit 1
}
# run COMMAND...: quiet unless it fails, then its output says why.
run() {
    if ! "$@" >>"$log" 2>&1; then
        tail -n 40 "$log" >&2
        die "failed: $* (whole log: $log)"
    fi
}

# ---- sources
src=$dir/src
mkdir -p "$src"
if ! (cd "$src" && printf '%s' "$pins" | sha256sum --quiet -c --status - 2>/dev/null); then
    # shellcheck source=mirror.sh
    source "$root/scripts/mirror.sh"
    mirror=${MIRROR:-$(debian_mirror)}
    [[ -n $mirror ]] || die "no Debian mirror in /etc/apt/sources*; set MIRROR"
    command -v apt-get >/dev/null || die "apt-get is needed to fetch the sources"
    command -v dpkg-source >/dev/null || die "dpkg-source is needed (apt-get install dpkg-dev)"
    apt=$dir/apt
    rm -rf "$apt"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm main" >"$apt/sources.list"
    opts=(-q -o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
          -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache"
          -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
          -o APT::Sandbox::User="$(id -un)")
    echo "windows-deps.sh: fetching libsdl1.2 $sdl_version and highway $hwy_version from $mirror"
    run apt-get "${opts[@]}" update
    (cd "$src" && run apt-get "${opts[@]}" source --download-only \
        "libsdl1.2=$sdl_version" "highway=$hwy_version")
    (cd "$src" && printf '%s' "$pins" | sha256sum -c -) >>"$log" 2>&1 ||
        die "a fetched file does not match its pinned SHA-256 (see $log)"
fi
rm -rf "$src/sdl" "$src/hwy"
run dpkg-source -x "$src/libsdl1.2_$sdl_version.dsc" "$src/sdl"
run dpkg-source -x "$src/highway_$hwy_version.dsc" "$src/hwy"

# ---- SDL: the library as SDL.dll, the shim, the headers. Only video is
# used: audio, joystick and CD-ROM stay out, and the window is drawn with
# GDI (windib), which every Windows and Wine has.
echo "windows-deps.sh: building SDL.dll"
rm -rf "$prefix" "$dir/sdl-build"
mkdir -p "$dir/sdl-build"
(cd "$dir/sdl-build" &&
    run "$src/sdl/configure" --host="$host" CC="$host-gcc-posix" --prefix="$prefix" --disable-static \
        --disable-directx --disable-audio --disable-joystick --disable-cdrom &&
    run make -j "$jobs" &&
    run make install)

# ---- Highway: the static library, so the program picks its target at
# run time as it does on Linux.
echo "windows-deps.sh: building libhwy.a"
rm -rf "$dir/hwy-build"
run cmake -S "$src/hwy" -B "$dir/hwy-build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$host.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DHWY_ENABLE_TESTS=OFF -DHWY_ENABLE_EXAMPLES=OFF -DHWY_ENABLE_CONTRIB=OFF
run cmake --build "$dir/hwy-build" -j "$jobs"
run cmake --install "$dir/hwy-build"

# What the zip ships beside them: each library's licence.
cp "$src/sdl/COPYING" "$prefix/SDL-COPYING.txt"
cp "$src/hwy/LICENSE" "$prefix/Highway-LICENSE.txt"
printf '%s\n' "$want" >"$stamp"
