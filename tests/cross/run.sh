#!/usr/bin/env bash
# The unit tests of field and motion and the start-up table builds, compiled
# for 64-bit ARM with Debian's cross compiler and run under qemu's user-mode emulator:
# the renderer's NEON code and the tables' arithmetic where long double has
# 128 bits. Only correctness means anything under an emulator.
#
#   run.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
root=$1
build=$2
# shellcheck source=../../scripts/quietbuild.sh
source "$root/scripts/quietbuild.sh"
build_quietly "$build.log" "FAIL: the aarch64 build failed" "$build" \
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo --
ctest --test-dir "$build" --output-on-failure
