#!/usr/bin/env bash
# SDL 1.2 and Highway for the 64-bit Windows build, from Debian 12's source
# packages, built with mingw-w64 into DIR/prefix: SDL.dll with its import
# library and the entry shim libSDLmain.a, and a static libhwy.a. Run by
# scripts/windows.sh before it configures the Windows build, which finds them
# in DIR/prefix; once done, a second run with the same sources and compiler
# does nothing.
#
#   windows-deps.sh DIR
#
# The sources come through apt's own `apt-get source`, with a private source
# list for Debian 12 on the mirror this machine's apt uses (MIRROR overrides
# it), so the system's apt configuration is left alone; Debian 13 has no
# source package of the classic SDL 1.2, and the Windows build is to be the
# same from either release. The upstream version and tarball are pinned; the
# Debian revision is whichever Debian 12 has now, as each point release
# replaces the one before on the mirror.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$(mkdir -p "${1:?usage: windows-deps.sh DIR}" && cd "$1" && pwd)
host=x86_64-w64-mingw32
# shellcheck source=quietbuild.sh
source "$root/scripts/quietbuild.sh"

# The classic SDL 1.2.15, which keeps its Windows backends (the
# compatibility library does not), and the Highway of Debian 12's own
# packages: their upstream tarballs, which name the package and upstream
# version. apt checks the .dsc and Debian tarball of the revision it fetches
# against the archive's signed Release and Sources; these SHA-256s hold the
# upstream code to what was tried, whatever revision comes with it.
pins="\
ec4d5ea4714b92f840aafcf8c759cf7914827f632e19f42b18ba6f6489f0f5e9  libsdl1.2_1.2.15+dfsg2.orig.tar.gz
566fc77315878473d9a6bd815f7de78c73734acdcb745c3dde8579560ac5440e  highway_1.0.3.orig.tar.gz
"

prefix=$dir/prefix
stamp=$prefix/built-from
src=$dir/src
# What was fetched, as sha256sum lines: each .dsc, then the files it names.
fetched=$src/fetched
log=$dir/deps.log
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

# upstream VERSION: VERSION without its epoch and Debian revision.
upstream() {
    local version=${1#*:}
    [[ $version != *-* ]] || version=${version%-*}
    echo "$version"
}

# newest UPSTREAM VERSION...: the newest of the VERSIONs of upstream version
# UPSTREAM, or nothing.
newest() {
    local want=$1 version best=
    shift
    for version; do
        [[ $(upstream "$version") == "$want" ]] || continue
        if [[ -z $best ]] || dpkg --compare-versions "$version" gt "$best"; then
            best=$version
        fi
    done
    echo "$best"
}

# dsc_files DSC: the files DSC names, in its order.
dsc_files() {
    sed -n '/^Checksums-Sha256:/,/^[^ ]/s/^ [0-9a-f]\{64\} [0-9]\+ \(.*\)$/\1/p' "$1"
}

# revision PACKAGE: the version of PACKAGE in $fetched, as its .dsc names it.
revision() {
    sed -n "s/^[0-9a-f]\{64\}  ${1//./\\.}_\(.*\)\.dsc\$/\1/p" "$fetched"
}

# pinned: PACKAGE UPSTREAM PIN, one line for each pinned upstream tarball,
# PIN being its sha256sum line.
pinned() {
    local pin file
    while read -r pin; do
        file=${pin#*  }
        file=${file%.orig.tar.*}
        echo "${file%%_*} ${file#*_} $pin"
    done <<<"${pins%$'\n'}"
}

# sources_ok: $src holds one fetch of every pinned upstream tarball, each
# file still as apt and the pins passed it.
sources_ok() {
    [[ -s $fetched ]] || return 1
    local package upstream pin
    while read -r package upstream pin; do
        grep -qxF "$pin" "$fetched" && [[ $(revision "$package" | wc -l) -eq 1 ]] || return 1
    done < <(pinned)
    (cd "$src" && sha256sum --quiet -c --status "$fetched") 2>/dev/null
}

# pick PACKAGE UPSTREAM: the newest revision of PACKAGE's upstream version
# UPSTREAM in the private lists; stops the build, saying so, when there is
# none.
pick() {
    local list versions version
    list=$(apt-cache "${opts[@]}" showsrc --only-source "$1" 2>>"$log") ||
        die "apt-cache could not read the source lists (see $log)"
    mapfile -t versions < <(sed -n 's/^Version: //p' <<<"$list")
    version=$(newest "$2" "${versions[@]}")
    [[ -n $version ]] ||
        die "Debian 12 on $mirror has no $1 of upstream version $2 any more" \
            "(it has ${versions[*]:-none}); the build is pinned to that version's tarball:" \
            "set MIRROR to a Debian archive that still has it"
    echo "$version"
}

# fetch: into an empty $src, the newest Debian 12 revision on the mirror of
# each pinned upstream version, and $fetched saying what came.
fetch() {
    # shellcheck source=mirror.sh
    source "$root/scripts/mirror.sh"
    mirror=${MIRROR:-$(debian_mirror)}
    [[ -n $mirror ]] || die "no Debian mirror in /etc/apt/sources*; set MIRROR"
    command -v apt-get >/dev/null || die "apt-get is needed to fetch the sources"
    command -v dpkg-source >/dev/null || die "dpkg-source is needed (apt-get install dpkg-dev)"
    local apt=$dir/apt
    rm -rf "$apt" "$src"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$src"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror bookworm main" >"$apt/sources.list"
    opts=(-q -o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
          -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache"
          -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
          -o APT::Sandbox::User="$(id -un)")
    run apt-get "${opts[@]}" update
    local package upstream pin version picked=() pins_of=()
    while read -r package upstream pin; do
        version=$(pick "$package" "$upstream")
        picked+=("$package=$version")
        pins_of+=("$pin")
    done < <(pinned)
    local names
    names=$(printf '%s and ' "${picked[@]/=/ }")
    echo "windows-deps.sh: fetching ${names% and } from $mirror"
    (cd "$src" && run apt-get "${opts[@]}" source --download-only "${picked[@]}")
    local i dsc files lines orig record=
    for i in "${!picked[@]}"; do
        package=${picked[i]%%=*}
        version=${picked[i]#*=}
        dsc=${package}_${version#*:}.dsc
        [[ -f $src/$dsc ]] || die "apt-get source fetched no $dsc (see $log)"
        mapfile -t files < <(dsc_files "$src/$dsc")
        lines=$(cd "$src" && sha256sum "$dsc" "${files[@]}") ||
            die "apt-get source fetched not all of ${files[*]} (see $log)"
        orig=${pins_of[i]#*  }
        printf '%s\n' "${files[@]}" | grep -qxF "$orig" ||
            die "$package $version is made from ${files[*]}, not the pinned $orig"
        grep -qxF "${pins_of[i]}" <<<"$lines" ||
            die "$orig of $package $version does not match the SHA-256 pinned here"
        record+=$lines$'\n'
    done
    printf '%s' "$record" >"$fetched"
}

# ---- sources: reused while they are whole and of the pinned upstreams;
# the stamp names the files built from, revisions and all, and the compiler.
compiler=$("$host-g++-posix" --version | head -1)
if sources_ok; then
    want=$(cat "$fetched")$'\n'$compiler
    if [[ -f $stamp && $(cat "$stamp") == "$want" ]]; then
        exit 0
    fi
    : >"$log"
else
    : >"$log"
    fetch
    sources_ok || die "the fetched sources do not check out (see $log)"
    want=$(cat "$fetched")$'\n'$compiler
    # Only the copies were gone: the same files as last built from.
    if [[ -f $stamp && $(cat "$stamp") == "$want" ]]; then
        exit 0
    fi
fi
sdl_version=$(revision libsdl1.2)
hwy_version=$(revision highway)
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
