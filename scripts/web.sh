#!/usr/bin/env bash
# The demo as a web page: installs what is missing of what the page needs
# (scripts/packages-page.txt), builds it into build-web/ with emscripten and
# serves it on 127.0.0.1. --test and --bench install every list, as the tests
# do: they drive the page in two browsers.
#
#   scripts/web.sh [PORT]          builds, serves, prints the page in one
#                                  file and the address; a free port is picked
#                                  when none is given
#   scripts/web.sh --build         builds only (build-web/page/ and the page
#                                  in one file) and prints the one file's path
#   scripts/web.sh --test SNAPSHOT the page, served and in one file opened from
#                                  disk, in headless chromium and firefox-esr
#                                  against frames drawn by the snapshot tool of
#                                  a desktop build, and the server against
#                                  malformed requests
#   scripts/web.sh --bench [SECONDS [ROUNDS]]
#                                  the page's frame rate against its empty loop,
#                                  ROUNDS rounds (5) of SECONDS-long runs (4)
#   scripts/web.sh --help          this text
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-web

# Arguments are checked before the packages and the build, which take minutes
# the first time.
# shellcheck source=usage.sh
source "$root/scripts/usage.sh"
usage() {
    refuse "web.sh $1"
}
case "${1:-}" in
-h|--help)
    script_help
    exit 0
    ;;
--build)
    [[ $# -eq 1 ]] || usage "--build"
    ;;
--test)
    [[ $# -eq 2 ]] || usage "--test SNAPSHOT_TOOL"
    ;;
--bench)
    [[ $# -le 3 && ${2:-4} =~ ^[0-9]{0,6}\.?[0-9]{1,6}$ && ${2:-4} =~ [1-9] &&
       ${3:-5} =~ ^[0-9]{1,6}$ ]] && ((10#${3:-5} > 0)) ||
        usage "--bench [SECONDS [ROUNDS]]   (SECONDS a positive number, ROUNDS a positive whole number)"
    ;;
''|[0-9]*)
    [[ $# -le 1 && ${1:-0} =~ ^[0-9]{1,5}$ ]] && ((10#${1:-0} <= 65535)) ||
        usage "[PORT]   (PORT from 0 to 65535; 0 or none: any free one)"
    ;;
*)
    script_help >&2
    exit 2
    ;;
esac

# The page alone needs emscripten and little else; its test and benchmark
# drive it in browsers, with a desktop build's snapshot tool for the frames.
case "${1:-}" in
--test|--bench) "$root/scripts/setup.sh" all ;;
*) "$root/scripts/setup.sh" page ;;
esac
# Debian's emcc runs its JavaScript steps under node and looks for Debian's
# own modules (acorn) where Debian's node would; another node needs the way.
if [[ -d /usr/share/nodejs ]]; then
    export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
fi

# shellcheck source=quietbuild.sh
source "$root/scripts/quietbuild.sh"
build_page() {
    build_quietly "$build.log" "web.sh: the page did not build" "$build" \
        emcmake cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release --
}

# The page in one file (web/single-file.cmake): opens from disk, no server.
single=$build/kimallusmylly.html
say_single() {
    echo "The page in one file, to open from disk: $single"
}

# The browser driver, at the version web/package-lock.json pins, installed
# once into build-web/npm and again only when the lock file changes.
install_driver() {
    local dir=$build/npm
    if ! cmp -s "$root/web/package-lock.json" "$dir/package-lock.json" ||
       [[ ! -d $dir/node_modules ]]; then
        mkdir -p "$dir"
        cp "$root/web/package.json" "$root/web/package-lock.json" "$dir/"
        (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error) >&2
    fi
    export NODE_PATH=$dir/node_modules${NODE_PATH:+:$NODE_PATH}
}

case "${1:-}" in
--build)
    build_page
    say_single
    ;;
--test)
    build_page
    install_driver
    exec node "$root/tests/web/page_test.js" "$build/page" "$2" "$single"
    ;;
--bench)
    build_page
    install_driver
    exec node "$root/bench/page_bench.js" "$build/page" "${2:-4}" "${3:-5}"
    ;;
''|[0-9]*)
    build_page
    say_single
    exec node "$root/web/serve.js" "$build/page" "${1:-0}"
    ;;
esac
