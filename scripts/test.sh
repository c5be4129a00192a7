#!/usr/bin/env bash
# Installs what is missing of every package list, builds the project twice
# (plain, and with AddressSanitizer + UndefinedBehaviorSanitizer) and runs
# every test in both.
#
#   scripts/test.sh
#   scripts/test.sh --help         this text
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=usage.sh
source "$root/scripts/usage.sh"
no_arguments test.sh "it takes no arguments; ctest -L LABEL runs one group once build/ is there" "$@"

"$root/scripts/setup.sh"
# shellcheck source=quietbuild.sh
source "$root/scripts/quietbuild.sh"

build() { # dir, extra cmake arguments...
    local dir=$1; shift
    build_quietly "$root/$dir.log" "build in $dir failed" "$root/$dir" \
        cmake -S "$root" -B "$root/$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON "$@" --
}

echo "== plain build"
build build
ctest --test-dir "$root/build" --output-on-failure --no-tests=error -j "$jobs"

echo "== sanitizer build"
build build-sanitize -DKIMALLUS_SANITIZE=ON
ctest --test-dir "$root/build-sanitize" --output-on-failure --no-tests=error -j "$jobs"
