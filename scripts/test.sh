#!/usr/bin/env bash
# Installs what is missing, builds the project twice (plain, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs every test in both.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

"$root/scripts/setup.sh"

build() { # dir, extra cmake arguments...
    local dir=$1; shift
    local log="$root/$dir.log"
    if ! { cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON "$@" &&
           cmake --build "$root/$dir" -j "$jobs"; } >"$log" 2>&1; then
        cat "$log" >&2
        echo "build in $dir failed" >&2
        exit 1
    fi
}

echo "== plain build"
build build
ctest --test-dir "$root/build" --output-on-failure --no-tests=error -j "$jobs"

echo "== sanitizer build"
build build-sanitize -DKIMALLUS_SANITIZE=ON
ctest --test-dir "$root/build-sanitize" --output-on-failure --no-tests=error -j "$jobs"
